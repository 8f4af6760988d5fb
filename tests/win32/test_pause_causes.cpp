// The gadget's pauses beyond the screen saver, under Wine on the 1280×1024 test display: the
// session and display notifications the system sends, real windows covering the gadget, and a
// full-screen exclusive application on its monitor. Each stops the frames; its end resumes them.
#include <gtest/gtest.h>
#include <windows.h>
#include <wtsapi32.h>

#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "uApplication.h"
#include "uTFire.h"
#include "uTPauseCauses.h"
#include "uTfmMain.h"

namespace {

const DWORD kDeadline = 15000;  // generous: a loaded two-core machine under Wine
const DWORD kTwoChecks = 1200;  // longer than two rounds of the 500 ms check

class PauseCauses : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        application.SetTitle("Velmora");
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
        fmMain = new TfmMain;
        fmMain->Show();
        fmMain->ScreenSaverRunning = [] { return false; };
        fmMain->FPauseCauses->FullScreenExclusiveRunning = [] { return false; };
        ASSERT_TRUE(WaitForFrames(2));
    }
    void TearDown() override {
        for (HWND window : covers) DestroyWindow(window);
        delete fmMain;
        fmMain = nullptr;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }

    bool WaitForFrames(int count) {
        const int target = fmMain->FFire->FrameCount + count;
        return application.ProcessMessagesUntil([&] { return fmMain->FFire->FrameCount >= target; }, kDeadline);
    }
    void Pump(DWORD ms) { application.ProcessMessagesUntil([] { return false; }, ms); }
    bool Paused() const { return fmMain->FFire->Paused(); }

    // Paused, and no frame comes while it stays so.
    void ExpectFrozen() {
        ASSERT_TRUE(Paused());
        const int frozenAt = fmMain->FFire->FrameCount;
        Pump(700);
        EXPECT_EQ(fmMain->FFire->FrameCount, frozenAt);
    }

    // An opaque window of another kind over the given screen rectangle, above the gadget. It is
    // topmost: under Wine a window that is not rises above ordinary windows whenever its layered
    // content changes, so ordinary windows would not stay above a burning gadget.
    HWND Cover(const RECT& r, BYTE alpha = 255) {
        static const wchar_t* className = [] {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            wc.lpszClassName = L"PauseTestCover";
            RegisterClassExW(&wc);
            return L"PauseTestCover";
        }();
        HWND window = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | (alpha != 255 ? WS_EX_LAYERED : 0), className, L"", WS_POPUP,
                                      r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        if (alpha != 255) SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
        ShowWindow(window, SW_SHOWNOACTIVATE);
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        covers.push_back(window);
        return window;
    }
    void Uncover() {
        for (HWND window : covers) DestroyWindow(window);
        covers.clear();
    }

    TApplication application;
    std::vector<std::string> errors;
    std::vector<HWND> covers;
};

// A display-state notification as the system sends it: 0 off, 1 on, 2 dimmed.
LRESULT SendDisplayState(DWORD state) {
    struct {
        POWERBROADCAST_SETTING Setting;
        BYTE Rest[sizeof(DWORD)];
    } message{};
    message.Setting.PowerSetting = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    message.Setting.DataLength = sizeof state;
    std::memcpy(message.Setting.Data, &state, sizeof state);
    return SendMessageW(fmMain->Handle(), WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
                        reinterpret_cast<LPARAM>(&message.Setting));
}

TEST_F(PauseCauses, NotifiedCausesStopTheFramesAtOnceAndTheirEndResumesThem) {
    struct Case {
        const char* Name;
        WPARAM Begin, End;  // session events; 0 for the display
    };
    const Case cases[] = {
        {"session locked", WTS_SESSION_LOCK, WTS_SESSION_UNLOCK},
        {"console given to another session", WTS_CONSOLE_DISCONNECT, WTS_CONSOLE_CONNECT},
        {"remote connection ended", WTS_REMOTE_DISCONNECT, WTS_REMOTE_CONNECT},
        {"displays off", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Begin != 0) SendMessageW(fmMain->Handle(), WM_WTSSESSION_CHANGE, c.Begin, WTSGetActiveConsoleSessionId());
        else SendDisplayState(0);
        ExpectFrozen();
        Pump(kTwoChecks);  // the half-second check leaves a notified cause alone
        EXPECT_TRUE(Paused());

        if (c.End != 0) SendMessageW(fmMain->Handle(), WM_WTSSESSION_CHANGE, c.End, WTSGetActiveConsoleSessionId());
        else SendDisplayState(1);
        EXPECT_FALSE(Paused());
        EXPECT_TRUE(WaitForFrames(2));
    }
}

TEST_F(PauseCauses, DimmedDisplaysAndOtherSessionEventsKeepTheFlamesBurning) {
    SendDisplayState(2);
    SendMessageW(fmMain->Handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOGON, WTSGetActiveConsoleSessionId());
    SendMessageW(fmMain->Handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_REMOTE_CONTROL, WTSGetActiveConsoleSessionId());
    EXPECT_FALSE(Paused());
    EXPECT_TRUE(WaitForFrames(2));
}

TEST_F(PauseCauses, WindowsCoveringTheWholeGadgetStopTheFramesAndUncoveringResumesThem) {
    struct Case {
        const char* Name;
        std::vector<RECT> Covers;  // relative to the gadget's bounds: left, top, right, bottom
        BYTE Alpha;
        bool StayOnTop;
        bool Pauses;
    };
    const LONG w = fmMain->Width(), h = fmMain->Height();
    const Case cases[] = {
        {"one window over all of it", {{-20, -20, w + 20, h + 20}}, 255, false, true},
        {"two windows, each over a half", {{0, 0, w / 2, h}, {w / 2, -5, w, h + 5}}, 255, false, true},
        {"all but one column", {{0, 0, w - 1, h}}, 255, false, false},
        {"a translucent window over all of it", {{0, 0, w, h}}, 128, false, false},
        {"over all of it while the gadget stays on top", {{0, 0, w, h}}, 255, true, false},
        {"over all of it, the gadget on top again", {{0, 0, w, h}}, 255, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        fmMain->SetStayOnTop(c.StayOnTop);
        const RECT bounds = fmMain->BoundsRect();
        for (const RECT& r : c.Covers)
            Cover({bounds.left + r.left, bounds.top + r.top, bounds.left + r.right, bounds.top + r.bottom}, c.Alpha);
        if (c.Pauses) {
            ASSERT_TRUE(application.ProcessMessagesUntil([&] { return Paused(); }, kDeadline));
            ExpectFrozen();
        } else {
            const int before = fmMain->FFire->FrameCount;
            Pump(kTwoChecks);
            EXPECT_FALSE(Paused());
            EXPECT_GT(fmMain->FFire->FrameCount, before);  // a partly covered gadget keeps burning
        }
        Uncover();
        ASSERT_TRUE(application.ProcessMessagesUntil([&] { return !Paused(); }, kDeadline));
        EXPECT_TRUE(WaitForFrames(2));
    }
}

TEST_F(PauseCauses, FullScreenExclusiveApplicationOnTheGadgetsMonitorStopsTheFrames) {
    std::atomic<bool> running{false};
    fmMain->FPauseCauses->FullScreenExclusiveRunning = [&] { return running.load(); };
    HWND foreground = Cover({0, 0, 200, 200});  // on the gadget's monitor, not over it
    SetForegroundWindow(foreground);
    ASSERT_EQ(GetForegroundWindow(), foreground);
    Pump(kTwoChecks);
    EXPECT_FALSE(Paused());  // the foreground window alone is no reason

    running = true;
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return Paused(); }, kDeadline));
    ExpectFrozen();
    running = false;
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return !Paused(); }, kDeadline));
    EXPECT_TRUE(WaitForFrames(2));
}

TEST_F(PauseCauses, NoCauseChangesTheSettings) {
    fmMain->SetStayOnTop(false);
    Cover(fmMain->BoundsRect());
    SendMessageW(fmMain->Handle(), WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, WTSGetActiveConsoleSessionId());
    SendDisplayState(0);
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return Paused(); }, kDeadline));
    Pump(kTwoChecks);
    EXPECT_TRUE(fmMain->FReflection);
    EXPECT_TRUE(fmMain->FAnimated);
    EXPECT_FLOAT_EQ(fmMain->FZoom, 1.0f);
    EXPECT_FALSE(fmMain->IsStayOnTop());
    EXPECT_TRUE(fmMain->FFire->Animated);
    EXPECT_TRUE(fmMain->FFire->Reflection);
}

}  // namespace
