// The whole-program benchmark's reference and helper (run by bench/whole_program.sh under Wine):
//
//   bare_layered_window timer SECONDS    a bare 160 × 250 layered window showing recorded gadget
//                                        frames 64 times a second, paced by a window timer
//   bare_layered_window handoff SECONDS  the same, paced by a worker that hands every frame to
//                                        the main thread, as the gadget does
//   bare_layered_window beside SECONDS   the hand-off window in the screen corner diagonally
//                                        opposite the gadget, to run at the same time without
//                                        covering it
//   bare_layered_window idle SECONDS     an idle message loop with one 500 ms timer (the floor)
//   bare_layered_window lock|unlock      sends the gadget the session lock or unlock notification
//   bare_layered_window cover SECONDS    takes the gadget out of the topmost band and covers it
//                                        with an opaque topmost window for SECONDS
//   bare_layered_window corner top-left|bottom-right
//                                        moves the gadget into that corner of the screen
//
// The window programs print the frames they showed per second when they end.
#include <windows.h>
#include <wtsapi32.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "uApplication.h"
#include "uTBitmap32.h"
#include "uTFire.h"
#include "uTTimerThread.h"
#include "uThreads.h"
#include "uTickCount.h"

namespace {

const int kRecordedFrames = 128;

// Frames of the real renderer, heart and all, rendered once before the clock starts.
std::vector<std::unique_ptr<TBitmap32>> RecordGadgetFrames() {
    std::vector<std::unique_ptr<TBitmap32>> frames;
    TFire fire([] { return 0u; });  // a clock that never fires: the frames are stepped here
    fire.LoadHeart();
    fire.Reflection = true;
    LARGE_INTEGER frequency{}, stepping{}, before{}, after{};
    QueryPerformanceFrequency(&frequency);
    for (int i = 0; i < kRecordedFrames; ++i) {
        const ULONGLONG until = GetTickCount64() + 16;  // the heart beats at its own pace meanwhile
        while (GetTickCount64() < until) CheckSynchronize(1);
        QueryPerformanceCounter(&before);
        fire.Step();
        QueryPerformanceCounter(&after);
        stepping.QuadPart += after.QuadPart - before.QuadPart;
        auto frame = std::make_unique<TBitmap32>();
        frame->SetSize(fire.OutputBitmap->Width(), fire.OutputBitmap->Height());
        std::copy(fire.OutputBitmap->Pixels(), fire.OutputBitmap->Pixels() + frame->Width() * frame->Height(),
                  frame->Pixels());
        frames.push_back(std::move(frame));
    }
    // What the gadget spends on rendering beyond what this window does with the recorded frames.
    std::fprintf(stderr, "rendering: %.0f us per frame\n",
                 1e6 * static_cast<double>(stepping.QuadPart) / kRecordedFrames / static_cast<double>(frequency.QuadPart));
    return frames;
}

struct TBareWindow {
    HWND Handle = nullptr;
    std::vector<std::unique_ptr<TBitmap32>> Frames;
    size_t Shown = 0;
    uint32_t LastTick = 0;

    void ShowNextFrame() {
        TBitmap32& bitmap = *Frames[Shown++ % Frames.size()];
        RECT bounds{};
        GetWindowRect(Handle, &bounds);
        SIZE size{bitmap.Width(), bitmap.Height()};
        POINT destination{bounds.left, bounds.top};
        POINT source{0, 0};
        HDC screen = GetDC(nullptr);
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(Handle, screen, &destination, &size, static_cast<HDC>(bitmap.Canvas().Handle()), &source,
                            0, &blend, ULW_ALPHA);
        ReleaseDC(nullptr, screen);
    }
    // The gadget's rule: a frame whenever the quantised counter has moved on by 2 ms.
    void OnTimerTick() {
        const uint32_t now = QuantisedTickCount();
        if (now - LastTick < 2) return;
        LastTick = now;
        ShowNextFrame();
    }
};

TBareWindow* bare = nullptr;

LRESULT CALLBACK BareProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && bare != nullptr) {
        bare->OnTimerTick();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The gadget's window, or null (said on stderr when asked to).
HWND FindGadget(bool report = true) {
    HWND gadget = FindWindowW(L"VelmoraClass", nullptr);
    if (gadget == nullptr && report) std::fprintf(stderr, "no gadget window\n");
    return gadget;
}

// Where a window of that size goes in the screen's top-left or bottom-right corner.
POINT CornerOrigin(bool topLeft, int width, int height) {
    if (topLeft) return POINT{0, 0};
    return POINT{GetSystemMetrics(SM_CXSCREEN) - width, GetSystemMetrics(SM_CYSCREEN) - height};
}

// Whether the gadget's window lies in the top-left quarter of the screen (by its top-left corner).
bool GadgetInTopLeft() {
    RECT bounds{};
    HWND gadget = FindGadget(false);
    return gadget != nullptr && GetWindowRect(gadget, &bounds) && bounds.left < GetSystemMetrics(SM_CXSCREEN) / 2 &&
           bounds.top < GetSystemMetrics(SM_CYSCREEN) / 2;
}

int RunWindow(bool handoff, int seconds, bool besideGadget = false) {
    TApplication application;
    application.Initialize();
    TBareWindow window;
    window.Frames = RecordGadgetFrames();
    bare = &window;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BareLayeredWindow";
    RegisterClassExW(&wc);
    const int width = window.Frames[0]->Width(), height = window.Frames[0]->Height();
    // Bottom-right, where the gadget starts, unless the gadget is to be left room there.
    const POINT origin = CornerOrigin(besideGadget && !GadgetInTopLeft(), width, height);
    window.Handle = CreateWindowExW(WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP,
                                    origin.x, origin.y, width, height, application.Handle(), nullptr, wc.hInstance,
                                    nullptr);
    window.ShowNextFrame();
    ShowWindow(window.Handle, SW_SHOWNOACTIVATE);

    std::unique_ptr<TTimerThread> clock;
    if (handoff) {
        clock = std::make_unique<TTimerThread>([&window] { window.ShowNextFrame(); });
        clock->SetInterval(2);
        clock->SetEnabled(true);
    } else {
        SetTimer(window.Handle, 1, 15, nullptr);
    }
    const size_t shownAtStart = window.Shown;
    const ULONGLONG start = GetTickCount64();
    application.ProcessMessagesUntil([&] { return GetTickCount64() - start >= static_cast<ULONGLONG>(seconds) * 1000; },
                                     static_cast<DWORD>(seconds) * 1000 + 1000);
    clock.reset();
    const double elapsed = static_cast<double>(GetTickCount64() - start) / 1000.0;
    std::printf("%.1f frames/s\n", static_cast<double>(window.Shown - shownAtStart) / elapsed);
    std::fflush(stdout);
    bare = nullptr;
    DestroyWindow(window.Handle);
    return 0;
}

int RunIdleLoop(int seconds) {
    const UINT_PTR timer = SetTimer(nullptr, 0, 500, nullptr);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    MSG msg;
    while (GetTickCount64() < end && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    KillTimer(nullptr, timer);
    return 0;
}

// Wine keeps the screen-saver state of SystemParametersInfo per process, so another program cannot
// show the gadget a running screen saver; the lock notification pauses it in the same way.
int SendSessionChange(WPARAM event) {
    HWND gadget = FindGadget();
    if (gadget == nullptr) return 1;
    SendMessageW(gadget, WM_WTSSESSION_CHANGE, event, 0);
    return 0;
}

int CoverGadget(int seconds) {
    HWND gadget = FindGadget();
    if (gadget == nullptr) return 1;
    // Out of the topmost band the way the gadget itself leaves it: an owned window may otherwise
    // stay topmost (Wine), so the owner is let go for the moment of the change.
    HWND owner = GetWindow(gadget, GW_OWNER);
    if (owner != nullptr) SetWindowLongPtrW(gadget, GWLP_HWNDPARENT, 0);
    SetWindowPos(gadget, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (owner != nullptr) SetWindowLongPtrW(gadget, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    RECT bounds{};
    GetWindowRect(gadget, &bounds);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = L"BenchCover";
    RegisterClassExW(&wc);
    HWND cover = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP, bounds.left - 50,
                                 bounds.top - 50, bounds.right - bounds.left + 100, bounds.bottom - bounds.top + 100,
                                 nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(cover, SW_SHOWNOACTIVATE);
    const bool topmost = (GetWindowLongW(gadget, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::printf("gadget %s\n", topmost ? "still topmost" : "covered");
    std::fflush(stdout);
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - GetTickCount64()), QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    DestroyWindow(cover);
    return 0;
}

int MoveGadget(const wchar_t* corner) {
    HWND gadget = FindGadget();
    if (gadget == nullptr) return 1;
    RECT bounds{};
    GetWindowRect(gadget, &bounds);
    const POINT origin =
        CornerOrigin(std::wcscmp(corner, L"top-left") == 0, bounds.right - bounds.left, bounds.bottom - bounds.top);
    SetWindowPos(gadget, nullptr, origin.x, origin.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const wchar_t* mode = argc > 1 ? argv[1] : L"";
    const int seconds = argc > 2 ? static_cast<int>(std::wcstol(argv[2], nullptr, 10)) : 20;
    if (std::wcscmp(mode, L"timer") == 0) return RunWindow(false, seconds);
    if (std::wcscmp(mode, L"handoff") == 0) return RunWindow(true, seconds);
    if (std::wcscmp(mode, L"beside") == 0) return RunWindow(true, seconds, true);
    if (std::wcscmp(mode, L"idle") == 0) return RunIdleLoop(seconds);
    if (std::wcscmp(mode, L"lock") == 0) return SendSessionChange(WTS_SESSION_LOCK);
    if (std::wcscmp(mode, L"unlock") == 0) return SendSessionChange(WTS_SESSION_UNLOCK);
    if (std::wcscmp(mode, L"cover") == 0) return CoverGadget(seconds);
    if (std::wcscmp(mode, L"corner") == 0 && argc > 2 &&
        (std::wcscmp(argv[2], L"top-left") == 0 || std::wcscmp(argv[2], L"bottom-right") == 0))
        return MoveGadget(argv[2]);
    std::fprintf(stderr,
                 "usage: bare_layered_window timer|handoff|beside|idle SECONDS | lock | unlock | cover SECONDS | "
                 "corner top-left|bottom-right\n");
    return 2;
}
