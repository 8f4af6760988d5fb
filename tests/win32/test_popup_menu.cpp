// The gadget's popup menu: its items, the check marks it refreshes before opening, what each
// command does, and the real menu opened and driven by the keyboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "gadget_fixture.h"

namespace {

class PopupMenu : public GadgetTest {
protected:
    std::vector<bool> SizeChecks() const {
        std::vector<bool> checks;
        for (int32_t i = 0; i < fmMain->miSize.Count(); ++i) checks.push_back(fmMain->miSize.Items(i).Checked);
        return checks;
    }
};

TEST_F(PopupMenu, ItemsAndSizeSubmenuAreBuiltAsDeclared) {
    std::vector<std::string> captions;
    for (int32_t i = 0; i < fmMain->PopupMenu.Items.Count(); ++i)
        captions.push_back(fmMain->PopupMenu.Items.Items(i).Caption);
    EXPECT_EQ(captions, (std::vector<std::string>{"动态", "显示倒影", "心脏大小", "-", "总在最前", "-",
                                                  "在Windows启动时运行", "-", "设置...", "-", "关于 Velmora...", "-",
                                                  "关闭"}));
    EXPECT_FALSE(fmMain->miAutorun.Visible);
    EXPECT_TRUE(fmMain->miClose.Default);
    EXPECT_EQ(fmMain->miAbout.ImageIndex, 0);
    EXPECT_EQ(fmMain->ilMenu.Count(), 1);
    ASSERT_EQ(fmMain->miSize.Count(), 5);
    const char* const captionsOfSizes[] = {"极小", "小   ", "中等  ", "大   ", "极大"};
    const int32_t tags[] = {25, 50, 100, 150, 200};
    for (int32_t i = 0; i < 5; ++i) {
        const TMenuItem& item = fmMain->miSize.Items(i);
        EXPECT_EQ(item.Caption, captionsOfSizes[i]);
        EXPECT_EQ(item.Tag, tags[i]);
        EXPECT_TRUE(item.RadioItem);
        EXPECT_EQ(item.GroupIndex, 2);
    }
}

TEST_F(PopupMenu, OpeningRefreshesTheCheckMarksFromTheState) {
    fmMain->SetZoom(1.5f);
    fmMain->SetReflection(false);
    fmMain->PopupMenuPopup();
    EXPECT_EQ(SizeChecks(), (std::vector<bool>{false, false, false, true, false}));
    EXPECT_FALSE(fmMain->miReflection.Checked);
    EXPECT_TRUE(fmMain->miPauseAnimation.Checked);
    EXPECT_TRUE(fmMain->miStayOnTop.Checked);
    EXPECT_FALSE(fmMain->miAutorun.Checked);

    fmMain->SetZoom(0.3f);  // only the registry can hold such a factor
    fmMain->PopupMenuPopup();
    EXPECT_EQ(SizeChecks(), (std::vector<bool>(5, false)));
}

TEST_F(PopupMenu, SmallestSizeShrinksTheWindowAroundTheSameCentre) {
    ASSERT_TRUE(WaitForFrames(2));
    const RECT before = fmMain->BoundsRect();
    fmMain->miSize.Items(0).Click();
    EXPECT_EQ(fmMain->FZoom, 0.25f);
    ASSERT_TRUE(WaitForFrames(2));
    const RECT after = fmMain->BoundsRect();
    EXPECT_EQ(after.right - after.left, 40);
    EXPECT_EQ(after.bottom - after.top, 62);
    EXPECT_EQ(after.left, before.left + 80 - 20);
    EXPECT_EQ(after.top, before.top + 125 - 31);
}

TEST_F(PopupMenu, ToggleItemsFlipTheirCheckBeforeTheCommandReadsIt) {
    fmMain->PopupMenuPopup();
    fmMain->miReflection.Click();
    EXPECT_FALSE(fmMain->miReflection.Checked);
    EXPECT_FALSE(fmMain->FReflection);
    EXPECT_FALSE(fmMain->FFire->Reflection);

    fmMain->miPauseAnimation.Click();
    EXPECT_FALSE(fmMain->FAnimated);

    fmMain->miStayOnTop.Click();
    EXPECT_FALSE(fmMain->IsStayOnTop());
    EXPECT_FALSE(GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(PopupMenu, SettingsAndAboutCountOpeningsUpToFive) {
    for (int i = 0; i < 5; ++i) fmMain->miSettings.Click();
    EXPECT_EQ(fmMain->FSettingsOpenCount, 5);
    fmMain->miAbout.Click();
    EXPECT_EQ(fmMain->FSettingsOpenCount, 5);
}

TEST_F(PopupMenu, CloseTwiceRestartsTheBurnOutSavesAndClosesOnce) {
    ASSERT_TRUE(WaitForFrames(1));
    fmMain->miClose.Click();
    ASSERT_TRUE(application.ProcessMessagesUntil([] { return fmMain->FFire->BurnOut < 33; }, kGadgetDeadline));
    fmMain->miClose.Click();
    EXPECT_EQ(fmMain->FFire->BurnOut, 35) << "the burn-out starts again";

    int destroyed = 0;
    HWND handle = fmMain->Handle();
    ASSERT_TRUE(application.ProcessMessagesUntil(
        [&] {
            if (!IsWindow(handle)) ++destroyed, handle = nullptr;
            return application.Terminated();
        },
        kGadgetDeadline));
    Pump(700);  // a second timer tick would fall here
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(fmMain->FFire, nullptr);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, Wide(std::string(SettingsBaseKey) + "\\Appearance").c_str(), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

// Runs inside the menu's modal loop: records the open menu window, then chooses the first item
// with the keyboard.
struct TMenuDriver {
    HWND MenuWindow = nullptr;
    RECT MenuRect{};
    int Step = 0;
};
TMenuDriver* driver = nullptr;

void CALLBACK DriveMenu(HWND, UINT, UINT_PTR, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (menu == nullptr || !IsWindowVisible(menu)) return;
    if (driver->Step == 0) {
        driver->MenuWindow = menu;
        GetWindowRect(menu, &driver->MenuRect);
        PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    } else if (driver->Step == 1) {
        PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    }
    ++driver->Step;
}

TEST_F(PopupMenu, ARightClickMenuOpensAtThePointAndTheKeyboardChoosesAnItem) {
    TMenuDriver state;
    driver = &state;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, &DriveMenu);
    SendMessageW(fmMain->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(fmMain->Handle()), MAKELPARAM(300, 200));
    KillTimer(nullptr, timer);
    driver = nullptr;

    ASSERT_NE(state.MenuWindow, nullptr) << "the menu did not open";
    EXPECT_NEAR(state.MenuRect.left, 300, 4);
    EXPECT_NEAR(state.MenuRect.top, 200, 4);
    EXPECT_FALSE(fmMain->PopupMenu.IsOpen());
    EXPECT_FALSE(fmMain->FAnimated) << "the first item, 动态, was chosen";
}

bool safetyReleased = false;
void CALLBACK SafetyRelease(HWND, UINT, UINT_PTR, DWORD) {
    safetyReleased = true;
    PostMessageW(fmMain->Handle(), WM_LBUTTONUP, 0, 0);
}

TEST_F(PopupMenu, TheMenuOfARightPressEndsTheDragItStarted) {
    TMenuDriver state;
    driver = &state;
    safetyReleased = false;
    const UINT_PTR menuTimer = SetTimer(nullptr, 0, 100, &DriveMenu);
    const UINT_PTR safetyTimer = SetTimer(nullptr, 0, 8000, &SafetyRelease);
    // The press starts the move loop; its release, waiting in the queue, opens the menu.
    PostMessageW(fmMain->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(80, 110));
    SendMessageW(fmMain->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(80, 110));
    KillTimer(nullptr, safetyTimer);
    KillTimer(nullptr, menuTimer);
    driver = nullptr;

    EXPECT_NE(state.MenuWindow, nullptr) << "the release opened the menu";
    EXPECT_FALSE(fmMain->FAnimated) << "the first item, 动态, was chosen";
    EXPECT_FALSE(safetyReleased) << "the window went on following the pointer after the menu";
}

}  // namespace
