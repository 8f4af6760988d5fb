#include "uTPauseCauses.h"

#include <dwmapi.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstring>
#include <memory>
#include <type_traits>
#include <utility>

namespace {

// The console display-state power setting (GUID_CONSOLE_DISPLAY_STATE): 0 off, 1 on, 2 dimmed.
const GUID ConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
const DWORD DisplayOff = 0;

struct TRegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using TRegion = std::unique_ptr<std::remove_pointer_t<HRGN>, TRegionDeleter>;

TRegion RectRegion(const RECT& r) { return TRegion(CreateRectRgnIndirect(&r)); }

bool QueryFullScreenExclusiveRunning() {
    QUERY_USER_NOTIFICATION_STATE state{};
    return SUCCEEDED(SHQueryUserNotificationState(&state)) && state == QUNS_RUNNING_D3D_FULL_SCREEN;
}

bool Cloaked(HWND window) {
    DWORD cloaked = 0;
    return SUCCEEDED(DwmGetWindowAttribute(window, DWMWA_CLOAKED, &cloaked, sizeof cloaked)) && cloaked != 0;
}

// A window through which nothing below it can be seen.
bool HidesWhatLiesBelow(HWND window) {
    if (!IsWindowVisible(window) || IsIconic(window)) return false;
    const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    if (exStyle & WS_EX_TRANSPARENT) return false;
    if (exStyle & WS_EX_LAYERED) {
        // Per-pixel alpha or a colour key may let the gadget show through; a constant full
        // opacity does not.
        COLORREF key = 0;
        BYTE alpha = 0;
        DWORD flags = 0;
        if (!GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return false;
        if ((flags & LWA_COLORKEY) || ((flags & LWA_ALPHA) && alpha != 255)) return false;
    }
    return !Cloaked(window);
}

// The part of the screen a window covers: its bounds, cut to its shape when it has one.
TRegion CoveredRegion(HWND window) {
    RECT bounds{};
    if (!GetWindowRect(window, &bounds)) return nullptr;
    TRegion region = RectRegion(bounds);
    TRegion shape(CreateRectRgn(0, 0, 0, 0));
    if (region && shape && GetWindowRgn(window, shape.get()) != ERROR) {
        OffsetRgn(shape.get(), bounds.left, bounds.top);
        CombineRgn(region.get(), region.get(), shape.get(), RGN_AND);
    }
    return region;
}

}  // namespace

RECT VirtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN), top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool WindowFullyCovered(HWND window, const RECT& screens) {
    if (!IsWindowVisible(window) || (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST)) return false;
    RECT bounds{};
    if (!GetWindowRect(window, &bounds)) return false;
    RECT seen{};
    if (!IntersectRect(&seen, &bounds, &screens)) return false;  // off every screen: not covered
    TRegion uncovered = RectRegion(seen);
    if (!uncovered) return false;
    for (HWND above = GetWindow(window, GW_HWNDPREV); above != nullptr; above = GetWindow(above, GW_HWNDPREV)) {
        RECT aboveBounds{}, overlap{};
        if (!GetWindowRect(above, &aboveBounds) || !IntersectRect(&overlap, &aboveBounds, &seen)) continue;
        if (!HidesWhatLiesBelow(above)) continue;
        TRegion covered = CoveredRegion(above);
        if (covered && CombineRgn(uncovered.get(), uncovered.get(), covered.get(), RGN_DIFF) == NULLREGION)
            return true;
    }
    return false;
}

bool FullScreenExclusiveOnMonitorOf(HWND window, bool fullScreenExclusiveRunning) {
    if (!fullScreenExclusiveRunning) return false;
    HWND foreground = GetForegroundWindow();
    if (foreground == nullptr || foreground == window) return false;
    HMONITOR monitor = MonitorFromWindow(foreground, MONITOR_DEFAULTTONULL);
    return monitor != nullptr && monitor == MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
}

TPauseCauses::TPauseCauses(HWND window, std::function<void(bool paused)> onChange)
    : FullScreenExclusiveRunning(&QueryFullScreenExclusiveRunning),
      FWindow(window),
      FOnChange(std::move(onChange)),
      FScreens(VirtualScreen()) {
    // Either registration may fail (no terminal services, an older system): that cause then
    // never holds.
    FSessionNotification = WTSRegisterSessionNotification(window, NOTIFY_FOR_THIS_SESSION) != FALSE;
    FDisplayNotification = RegisterPowerSettingNotification(window, &ConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
}

TPauseCauses::~TPauseCauses() {
    if (FDisplayNotification != nullptr) UnregisterPowerSettingNotification(FDisplayNotification);
    if (FSessionNotification) WTSUnRegisterSessionNotification(FWindow);
}

bool TPauseCauses::Paused() const {
    return FScreenSaver || FSessionLocked || FSessionDisconnected || FDisplaysOff || FCovered || FFullScreenExclusive;
}

bool TPauseCauses::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DISPLAYCHANGE) {
        FScreens = VirtualScreen();
        return false;
    }
    if (message == WM_WTSSESSION_CHANGE) {
        switch (wParam) {
            case WTS_SESSION_LOCK: FSessionLocked = true; break;
            case WTS_SESSION_UNLOCK: FSessionLocked = false; break;
            // Another user's session, or none, has the console or the remote connection.
            case WTS_CONSOLE_DISCONNECT:
            case WTS_REMOTE_DISCONNECT: FSessionDisconnected = true; break;
            case WTS_CONSOLE_CONNECT:
            case WTS_REMOTE_CONNECT: FSessionDisconnected = false; break;
            default: return true;
        }
        Apply();
        return true;
    }
    if (message == WM_POWERBROADCAST && wParam == PBT_POWERSETTINGCHANGE && lParam != 0) {
        const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
        if (!IsEqualGUID(setting->PowerSetting, ConsoleDisplayState) || setting->DataLength < sizeof(DWORD))
            return false;
        DWORD state = 0;
        std::memcpy(&state, setting->Data, sizeof state);
        FDisplaysOff = state == DisplayOff;
        Apply();
        return true;
    }
    return false;
}

void TPauseCauses::Check(bool screenSaverRunning) {
    FScreenSaver = screenSaverRunning;
    Apply();
}

void TPauseCauses::CheckWindows() {
    // Nobody sees the screen anyway: the windows are looked at again once that ends.
    if (FScreenSaver || FSessionLocked || FSessionDisconnected || FDisplaysOff) return;
    // One reason is enough: the second is only asked for when the first does not hold.
    FCovered = WindowFullyCovered(FWindow, FScreens);
    FFullScreenExclusive = !FCovered && FullScreenExclusiveRunning &&
                           FullScreenExclusiveOnMonitorOf(FWindow, FullScreenExclusiveRunning());
}

void TPauseCauses::Apply() {
    CheckWindows();
    if (FOnChange) FOnChange(Paused());
}
