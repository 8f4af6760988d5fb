// Why the gadget's flames may stop: everything that keeps anybody from seeing them. The main
// window owns one of these, feeds it its messages and its 500 ms timer, and pauses the renderer
// while any cause holds. No cause touches a setting.
#pragma once

#include <windows.h>

#include <functional>

class TPauseCauses {
public:
    // Registers window for the session-change and display-state notifications. onChange gets
    // the combined answer (true: pause) whenever a cause is notified or checked.
    TPauseCauses(HWND window, std::function<void(bool paused)> onChange);
    ~TPauseCauses();
    TPauseCauses(const TPauseCauses&) = delete;
    TPauseCauses& operator=(const TPauseCauses&) = delete;

    // A message of the window: takes the notifications it carries. True when it was one of them.
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The half-second check: the screen-saver answer (the caller asks the system), then the
    // causes that are looked at rather than notified.
    void Check(bool screenSaverRunning);

    // Whether any cause holds, as last notified or checked.
    bool Paused() const;

    // Asks the system whether a full-screen exclusive (Direct3D) application runs. Replaceable
    // so that tests can answer for the system.
    std::function<bool()> FullScreenExclusiveRunning;

private:
    void Apply();
    // The looked-at causes; left as they are while a cause that is notified or told holds.
    void CheckWindows();

    HWND FWindow;
    std::function<void(bool)> FOnChange;
    // The bounds of all screens, asked for again only when the displays change (the query is
    // slow on some systems, the check runs twice a second).
    RECT FScreens;
    HPOWERNOTIFY FDisplayNotification = nullptr;
    bool FSessionNotification = false;

    bool FScreenSaver = false;
    bool FSessionLocked = false;
    bool FSessionDisconnected = false;
    bool FDisplaysOff = false;
    bool FCovered = false;
    bool FFullScreenExclusive = false;
};

// The bounds of all screens together.
RECT VirtualScreen();

// The looked-at causes, one function each.
//
// The window is not topmost and the visible windows above it hide all of its bounds that lie on
// the screens (VirtualScreen). A window above counts where it is opaque: not minimized, not
// cloaked, not click-through, and layered only with full constant opacity; a shaped window
// counts by its shape.
bool WindowFullyCovered(HWND window, const RECT& screens);
// An application runs full-screen exclusive and its foreground window is on window's monitor.
bool FullScreenExclusiveOnMonitorOf(HWND window, bool fullScreenExclusiveRunning);
