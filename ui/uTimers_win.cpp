#include <windows.h>

#include <map>

#include "uApplication.h"
#include "uTimers.h"
#include "uWinUtils.h"

// One hidden message-only window receives the WM_TIMER messages of every timer.
struct TTimerWindow {
    static TTimerWindow& Instance() {
        static TTimerWindow window;
        return window;
    }
    HWND Handle = nullptr;
    std::map<uintptr_t, TTimer*> Timers;
    uintptr_t NextId = 1;

    TTimerWindow() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VelmoraTimerWindow";
        RegisterClassExW(&wc);
        Handle = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_TIMER) {
            TTimerWindow& self = Instance();
            const auto found = self.Timers.find(static_cast<uintptr_t>(wParam));
            if (found != self.Timers.end()) found->second->Fire();
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
};

TTimer::TTimer(uint32_t interval, bool enabled, std::function<void()> onTimer)
    : OnTimer(std::move(onTimer)), FInterval(interval), FEnabled(enabled) {
    FId = TTimerWindow::Instance().NextId++;
    Update();
}

TTimer::~TTimer() {
    TTimerWindow& window = TTimerWindow::Instance();
    KillTimer(window.Handle, FId);
    window.Timers.erase(FId);
}

void TTimer::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    Update();
}

void TTimer::SetInterval(uint32_t interval) {
    if (interval == FInterval) return;
    FInterval = interval;
    Update();
}

void TTimer::Update() {
    TTimerWindow& window = TTimerWindow::Instance();
    KillTimer(window.Handle, FId);
    window.Timers.erase(FId);
    if (FEnabled && FInterval != 0 && OnTimer) {
        window.Timers[FId] = this;
        if (SetTimer(window.Handle, FId, FInterval, nullptr) == 0) RaiseLastOSError();
    }
}

void TTimer::Fire() {
    if (!OnTimer) return;
    auto handler = OnTimer;  // the handler may free this timer
    SafeCall(handler);
}
