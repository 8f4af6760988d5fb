// The hover tip of the first uses: shown a second after the pointer rests on the gadget, below
// and left of it; hidden after four seconds, when the pointer leaves, or on any press (which
// also starts the window drag).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gadget_fixture.h"
#include "uTTip.h"

namespace {

class HoverTip : public GadgetTest {
protected:
    void SetUp() override {
        GadgetTest::SetUp();
        ASSERT_NE(fmMain->FTip, nullptr);
        // The heart's middle lies under (500, 300).
        fmMain->SetBounds(420, 190, 160, 250);
        ASSERT_TRUE(WaitForFrames(2));
        SetCursorPos(500, 300);
    }
    bool TipVisible() const {
        const TTipHint* window = fmMain->FTip->Window();
        return window != nullptr && window->HandleAllocated() && IsWindowVisible(window->Handle());
    }
    RECT TipRect() const {
        RECT r{};
        GetWindowRect(fmMain->FTip->Window()->Handle(), &r);
        return r;
    }
    void MouseEnters() { SendMessageW(fmMain->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(80, 110)); }
};

TEST_F(HoverTip, RestingShowsTheTwoLinesBelowLeftOfThePointerThenHides) {
    MouseEnters();
    EXPECT_TRUE(fmMain->tmShowTip.Enabled());
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return TipVisible(); }, kGadgetDeadline));
    const RECT r = TipRect();
    EXPECT_EQ(r.left, 480);
    EXPECT_EQ(r.top, 312);
    EXPECT_GT(r.right - r.left, 8);
    EXPECT_GT(r.bottom - r.top, 7);
    EXPECT_EQ(Narrow(fmMain->FTip->Window()->Text()), TipText);
    EXPECT_EQ(std::string(TipText).size(), 54u);
    const LONG style = GetWindowLongW(fmMain->FTip->Window()->Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_BORDER);
    EXPECT_TRUE(GetWindowLongW(fmMain->FTip->Window()->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetClassLongW(fmMain->FTip->Window()->Handle(), GCL_STYLE) & (CS_SAVEBITS | CS_DROPSHADOW),
              static_cast<DWORD>(CS_SAVEBITS | CS_DROPSHADOW));
    EXPECT_FALSE(fmMain->tmShowTip.Enabled());
    EXPECT_TRUE(fmMain->tmHideTip.Enabled());

    Pump(2000);
    EXPECT_TRUE(TipVisible()) << "shown for four seconds";
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return !TipVisible(); }, kGadgetDeadline));
    EXPECT_FALSE(fmMain->tmHideTip.Enabled());
}

TEST_F(HoverTip, LeavingWithinTheSecondShowsNothing) {
    MouseEnters();
    Pump(500);
    SendMessageW(fmMain->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(fmMain->tmShowTip.Enabled());
    Pump(1500);
    EXPECT_FALSE(TipVisible());
}

TEST_F(HoverTip, TheNoteStaysOnTheDesktop) {
    fmMain->FTip->Show(POINT{1270, 1020}, TipText);
    const RECT r = TipRect();
    EXPECT_EQ(r.right, 1280);
    EXPECT_EQ(r.bottom, 1024);
    fmMain->FTip->Show(POINT{-30, 10}, TipText);
    EXPECT_EQ(TipRect().left, 0);
}

// Records the system commands the main window receives.
std::vector<WPARAM>* systemCommands = nullptr;
LRESULT CALLBACK RecordSystemCommand(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && systemCommands != nullptr && message->message == WM_SYSCOMMAND &&
        message->hwnd == fmMain->Handle())
        systemCommands->push_back(message->wParam);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(HoverTip, EveryPressOfAnyButtonHidesTheTipAndStartsTheDrag) {
    struct Case {
        UINT Message;
        WPARAM WParam;
    };
    const Case cases[] = {
        {WM_LBUTTONDOWN, MK_LBUTTON},   {WM_RBUTTONDOWN, MK_RBUTTON},       {WM_MBUTTONDOWN, MK_MBUTTON},
        {WM_XBUTTONDOWN, MAKEWPARAM(MK_XBUTTON1, XBUTTON1)},                {WM_LBUTTONDBLCLK, MK_LBUTTON},
        {WM_RBUTTONDBLCLK, MK_RBUTTON}, {WM_XBUTTONDBLCLK, MAKEWPARAM(MK_XBUTTON2, XBUTTON2)},
    };
    std::vector<WPARAM> commands;
    systemCommands = &commands;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &RecordSystemCommand, nullptr, GetCurrentThreadId());
    ASSERT_NE(hook, nullptr);
    for (const Case& c : cases) {
        fmMain->tmShowTipTimer();
        ASSERT_TRUE(TipVisible());
        commands.clear();
        // The button's release, waiting in the queue, ends the move loop the press starts.
        PostMessageW(fmMain->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(80, 110));
        SendMessageW(fmMain->Handle(), c.Message, c.WParam, MAKELPARAM(80, 110));
        EXPECT_FALSE(TipVisible()) << std::hex << c.Message;
        EXPECT_FALSE(fmMain->tmHideTip.Enabled());
        EXPECT_EQ(commands, (std::vector<WPARAM>{0xF012})) << std::hex << c.Message;
        Pump(50);
    }
    UnhookWindowsHookEx(hook);
    systemCommands = nullptr;
}

}  // namespace
