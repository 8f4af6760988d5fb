// The gadget's main window under Wine, on the 1280×1024 test display: placement, styles,
// re-centring on zoom, stay-on-top, the screen-saver pause and the close sequence.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <vector>

#include "uApplication.h"
#include "uTBitmap32.h"
#include "uTFire.h"
#include "uTfmMain.h"
#include "uWinUtils.h"
#include "gadget_fixture.h"

namespace {

const DWORD kDeadline = kGadgetDeadline;

class MainWindow : public GadgetTest {
protected:

    static RECT WindowRect() {
        RECT r{};
        GetWindowRect(fmMain->Handle(), &r);
        return r;
    }
};

void ExpectRect(const RECT& r, int left, int top, int width, int height) {
    EXPECT_EQ(r.left, left);
    EXPECT_EQ(r.top, top);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
}

TEST_F(MainWindow, FirstRunSitsBottomRightOfMonitorZeroTopmostLayeredToolWindow) {
    ASSERT_TRUE(WaitForFrames(3));
    ExpectRect(WindowRect(), 1120, 774, 160, 250);

    const LONG exStyle = GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(GetWindowLongW(application.Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(IsWindowVisible(fmMain->Handle()));

    wchar_t className[64] = {};
    GetClassNameW(fmMain->Handle(), className, 64);
    EXPECT_STREQ(className, L"VelmoraClass");
    wchar_t caption[64] = {};
    GetWindowTextW(fmMain->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Velmora");

    EXPECT_TRUE(fmMain->FReflection);
    EXPECT_TRUE(fmMain->FAnimated);
    EXPECT_FLOAT_EQ(fmMain->FZoom, 1.0f);
    EXPECT_TRUE(fmMain->IsStayOnTop());
    EXPECT_EQ(fmMain->FActiveAction, ActionViewImage);
    ASSERT_EQ(fmMain->FActions->Count(), 2);
    EXPECT_EQ(fmMain->FActions->Objects(0), ActionViewImage);
    const std::string picture = fmMain->FActions->Strings(0);
    EXPECT_EQ(picture.substr(picture.size() - 11), "\\sample.jpg");
    EXPECT_EQ(fmMain->FActions->Objects(1), ActionOpenWebPage);
    EXPECT_EQ(fmMain->FActions->Strings(1), MakerHomePage);
}

TEST_F(MainWindow, ZoomTwoGrowsTheWindowAroundItsCentreWithTheNextFrame) {
    ASSERT_TRUE(WaitForFrames(2));
    fmMain->SetZoom(2.0f);
    EXPECT_EQ(fmMain->FFire->OutputWidth, 320);
    EXPECT_EQ(fmMain->FFire->OutputHeight, 500);
    ASSERT_TRUE(WaitForFrames(2));
    ExpectRect(WindowRect(), 1120 - 80, 774 - 125, 320, 500);
}

TEST_F(MainWindow, ShowFrameCentresTheBitmapOnTheWindowsCentre) {
    fmMain->FFire->SetPaused(true);  // keep the renderer's frames out of the way
    fmMain->ScreenSaverRunning = [] { return true; };
    TBitmap32 bitmap;
    bitmap.SetSize(41, 20);
    struct Case {
        int Width;
        int ExpectedLeft;
    };
    for (const Case c : {Case{160, 160}, Case{161, 160}}) {
        fmMain->SetBounds(100, 300, c.Width, 250);
        fmMain->ShowFrame(bitmap);
        ExpectRect(WindowRect(), c.ExpectedLeft, 300 + 125 - 10, 41, 20);
    }
}

std::vector<int>* shownEvents = nullptr;
HWND watchedWindow = nullptr;

LRESULT CALLBACK RecordShowWindow(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->hwnd == watchedWindow && message->message == WM_SHOWWINDOW && shownEvents)
        shownEvents->push_back(message->wParam ? 1 : 0);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(MainWindow, StayOnTopHidesAndShowsEvenWhenUnchanged) {
    ASSERT_TRUE(WaitForFrames(1));
    std::vector<int> events;
    shownEvents = &events;
    watchedWindow = fmMain->Handle();
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &RecordShowWindow, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);

    fmMain->SetStayOnTop(true);
    EXPECT_EQ(events, (std::vector<int>{0, 1}));
    EXPECT_TRUE(GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    events.clear();
    fmMain->SetStayOnTop(false);
    EXPECT_EQ(events, (std::vector<int>{0, 1}));
    const LONG exStyle = GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE);
    EXPECT_FALSE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_LAYERED);
    EXPECT_FALSE(fmMain->IsStayOnTop());
    EXPECT_TRUE(IsWindowVisible(fmMain->Handle()));

    UnhookWindowsHookEx(hook);
    shownEvents = nullptr;
}

TEST_F(MainWindow, ScreenSaverStopsFramesAndItsEndResumesThem) {
    std::atomic<bool> saverRunning{true};
    fmMain->ScreenSaverRunning = [&] { return saverRunning.load(); };
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return fmMain->FFire->Paused(); }, kDeadline));

    const int frozenAt = fmMain->FFire->FrameCount;
    application.ProcessMessagesUntil([] { return false; }, 700);
    EXPECT_EQ(fmMain->FFire->FrameCount, frozenAt);

    saverRunning = false;
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return !fmMain->FFire->Paused(); }, kDeadline));
    EXPECT_TRUE(WaitForFrames(2));
}

TEST_F(MainWindow, CloseBurnsOutThenSavesClosesAndFreesEverything) {
    ASSERT_TRUE(WaitForFrames(1));
    HWND handle = fmMain->Handle();
    fmMain->CloseCommand();
    EXPECT_TRUE(fmMain->tmExit.Enabled());
    EXPECT_EQ(fmMain->FFire->BurnOut, 35);
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return application.Terminated(); }, kDeadline));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(fmMain->FFire, nullptr);
    EXPECT_EQ(fmMain->FActions, nullptr);
    EXPECT_FALSE(fmMain->tmExit.Enabled());
}

}  // namespace
