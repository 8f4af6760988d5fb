// The settings dialog opened from the gadget's menu and driven through its controls' messages:
// its window and layout, the options reaching the main window at once, the action editors, the
// dialog keys, and the browse dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <atomic>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "gadget_fixture.h"
#include "uBrowseDialogs.h"
#include "uTfmSettings.h"

namespace {

RECT BoundsInParent(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class SettingsDialog : public GadgetTest {
protected:
    TfmSettings& OpenOptions() {
        fmMain->miSettings.Click();
        Pump(50);
        return *fmSettings;
    }
    // Selects an item as the user does: the list changes, then tells its parent.
    static void Select(TComboBox& box, int index) {
        SendMessageW(box.Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(box.Handle()), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(box.Handle()), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(box.Handle()));
    }
    static int IndexOfValue(TComboBox& box, int32_t value) {
        for (int i = 0; i < box.Count(); ++i)
            if (box.ItemValue(i) == value) return i;
        return -1;
    }
    static void ClickPlain(HWND window) {
        SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    static bool Shown(TWinControl& control) { return IsWindowVisible(control.Handle()) != FALSE; }
    // A key pressed while control has the focus, through the message loop.
    void PressKey(HWND control, WPARAM key) {
        SetFocus(control);
        PostMessageW(control, WM_KEYDOWN, key, 1);
        PostMessageW(control, WM_KEYUP, key, 0xC0000001);
        Pump(60);
    }
};

TEST_F(SettingsDialog, WindowIsAToolWindowOfTheGivenClientSizeCentredWithItsOwnTaskbarButton) {
    TfmSettings& dialog = OpenOptions();
    HWND window = dialog.Handle();
    EXPECT_TRUE(IsWindowVisible(window));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 512);
    EXPECT_EQ(client.bottom, 374);
    wchar_t caption[64]{};
    GetWindowTextW(window, caption, 64);
    EXPECT_EQ(Narrow(caption), "Velmora");
    const LONG style = GetWindowLongW(window, GWL_STYLE), exStyle = GetWindowLongW(window, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_TRUE(GetClassLongPtrW(window, GCL_STYLE) & CS_DROPSHADOW);
    const RECT bounds = dialog.BoundsRect();
    EXPECT_NEAR((bounds.left + bounds.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((bounds.top + bounds.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    // A later showing keeps the place the user left it at.
    dialog.SetBounds(30, 40, bounds.right - bounds.left, bounds.bottom - bounds.top);
    dialog.btnClose.Click();
    EXPECT_FALSE(IsWindowVisible(window));
    fmMain->miAbout.Click();
    EXPECT_EQ(fmSettings, &dialog);
    EXPECT_EQ(dialog.Left(), 30);
    EXPECT_EQ(dialog.Top(), 40);
}

TEST_F(SettingsDialog, EveryControlLiesAtItsBounds) {
    TfmSettings& d = OpenOptions();
    struct Case {
        const char* name;
        TWinControl* control;
        RECT bounds;  // left, top, right, bottom; right 0: only the place is given
    };
    const Case cases[] = {
        {"pnTasks", &d.pnTasks, {0, 0, 100, 374}},
        {"btnOptions", &d.btnOptions, {5, 5, 95, 90}},
        {"btnAbout", &d.btnAbout, {5, 96, 95, 192}},
        {"pcSettings", &d.pcSettings, {101, 0, 512, 318}},
        {"pnOptions", &d.pnOptions, {0, 0, 411, 318}},
        {"hdAppearance", &d.hdAppearance, {5, 6, 394, 21}},
        {"hdDoubleClick", &d.hdDoubleClick, {5, 124, 394, 139}},
        {"hdAutorun", &d.hdAutorun, {5, 235, 394, 250}},
        {"cbShowReflection", &d.cbShowReflection, {24, 27, 132, 50}},
        {"cbAnimated", &d.cbAnimated, {24, 48, 132, 71}},
        {"cbStayOnTop", &d.cbStayOnTop, {24, 69, 132, 92}},
        {"lbHeartSize", &d.lbHeartSize, {168, 53, 0, 0}},
        {"cbHeartSize", &d.cbHeartSize, {222, 48, 372, 68}},
        {"lbOnDoubleClick", &d.lbOnDoubleClick, {29, 153, 0, 0}},
        {"cbActions", &d.cbActions, {145, 148, 372, 168}},
        {"lbPath", &d.lbPath, {29, 180, 0, 0}},
        {"edPathButtoned", &d.edPathButtoned, {92, 176, 372, 194}},
        {"edPath", &d.edPath, {92, 176, 372, 194}},
        {"cbAutorun", &d.cbAutorun, {24, 256, 179, 279}},
        {"btnClose", &d.btnClose, {404, 326, 494, 352}},
        {"pnAbout", &d.pnAbout, {0, 0, 411, 318}},
        {"hdAbout", &d.hdAbout, {5, 6, 394, 21}},
        {"pbLogo", &d.pbLogo, {29, 29, 159, 149}},
        {"Label3", &d.Label3, {162, 43, 383, 57}},
        {"lbVersion", &d.lbVersion, {162, 66, 383, 93}},
        {"lbURLSite", &d.lbURLSite, {193, 98, 353, 115}},
        {"hdSupport", &d.hdSupport, {5, 164, 394, 179}},
        {"Label6", &d.Label6, {36, 196, 216, 223}},
        {"lbURLContact", &d.lbURLContact, {66, 232, 186, 246}},
        {"lbURLMoreSoftware", &d.lbURLMoreSoftware, {41, 246, 211, 260}},
        {"imBear", &d.imBear, {242, 184, 377, 294}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RECT r = BoundsInParent(c.control->Handle());
        EXPECT_EQ(r.left, c.bounds.left);
        EXPECT_EQ(r.top, c.bounds.top);
        if (c.bounds.right != 0) {
            EXPECT_EQ(r.right, c.bounds.right);
            EXPECT_EQ(r.bottom, c.bounds.bottom);
        }
    }
}

// The skin's colours as the screen shows them: the strip and page greys, the rules, the links.
TEST_F(SettingsDialog, SurfacesAreDrawnFromTheSkin) {
    TfmSettings& d = OpenOptions();
    const auto shown = [](TWinControl& control, int x, int y) {
        UpdateWindow(control.Handle());
        HDC dc = GetDC(control.Handle());
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(control.Handle(), dc);
        return colour;
    };
    Pump(100);
    EXPECT_EQ(shown(d.pnTasks, 50, 300), RGB(32, 32, 32));
    EXPECT_EQ(shown(d.pnOptions, 200, 300), RGB(85, 85, 85));
    EXPECT_EQ(shown(d.hdAppearance, 380, 7), RGB(255, 255, 255));  // the rule
    fmMain->miAbout.Click();
    Pump(100);
    EXPECT_EQ(shown(d.pnAbout, 300, 150), RGB(85, 85, 85));
    UpdateWindow(d.lbURLSite.Handle());
    HDC dc = GetDC(d.lbURLSite.Handle());
    int yellow = 0;
    for (int x = 0; x < 160; ++x)
        for (int y = 0; y < 17; ++y) yellow += GetPixel(dc, x, y) == RGB(255, 255, 0) ? 1 : 0;
    ReleaseDC(d.lbURLSite.Handle(), dc);
    EXPECT_GT(yellow, 40);
}

TEST_F(SettingsDialog, ListsHoldTheSizesAndTheActionsInTableOrder) {
    TfmSettings& d = OpenOptions();
    ASSERT_EQ(d.cbHeartSize.Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d.cbHeartSize.Items(i), HeartSizes[i].Caption);
        EXPECT_EQ(d.cbHeartSize.ItemValue(i), HeartSizes[i].Percent);
    }
    const int32_t identifiers[] = {1000000, 3000000, 2000000, 4000000, 5000000, 6000000, 7000000};
    ASSERT_EQ(d.cbActions.Count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(d.cbActions.ItemValue(i), identifiers[i]);
        EXPECT_EQ(d.cbActions.Items(i), ActionTable[i].Caption);
    }
    EXPECT_EQ(d.cbActions.Items(4), "启动默认屏保             ");
}

TEST_F(SettingsDialog, OpeningShowsTheMainWindowsStateAndNeverWritesItBack) {
    fmMain->SetZoom(1.5f);
    fmMain->SetReflection(false);
    fmMain->SetAnimated(false);
    TfmSettings& d = OpenOptions();
    EXPECT_EQ(d.cbHeartSize.ItemIndex(), 3);
    EXPECT_FALSE(d.cbShowReflection.Checked());
    EXPECT_FALSE(d.cbAnimated.Checked());
    EXPECT_TRUE(d.cbStayOnTop.Checked());
    EXPECT_FALSE(d.cbAutorun.Checked());
    EXPECT_EQ(d.cbActions.ItemIndex(), 0);
    EXPECT_EQ(d.edPathButtoned.Text(), ExecutableDirectory() + "sample.jpg");
    d.btnClose.Click();

    // The editor now holds the picture's path; an action without a parameter empties it while
    // the dialog loads, and that change must not reach the action list.
    fmMain->FActiveAction = 2000000;
    fmMain->SetZoom(0.3f);  // no row: no selection
    const int32_t entries = fmMain->FActions->Count();
    fmMain->miSettings.Click();
    EXPECT_EQ(d.edPathButtoned.Text(), "");
    EXPECT_EQ(fmMain->FActions->Count(), entries);
    EXPECT_EQ(fmMain->FActions->IndexOfObject(2000000), -1);
    EXPECT_EQ(d.cbHeartSize.ItemIndex(), -1);
    EXPECT_EQ(fmMain->FZoom, 0.3f);
    EXPECT_FALSE(fmMain->FReflection);
    EXPECT_FALSE(fmMain->FAnimated);

    // An identifier outside the list: no selection, no editor, no target label.
    d.btnClose.Click();
    fmMain->FActiveAction = 1234;
    fmMain->miSettings.Click();
    EXPECT_EQ(d.cbActions.ItemIndex(), -1);
    EXPECT_FALSE(Shown(d.edPathButtoned));
    EXPECT_FALSE(Shown(d.edPath));
    EXPECT_FALSE(Shown(d.lbPath));
}

TEST_F(SettingsDialog, EachOptionTakesEffectAtOnce) {
    TfmSettings& d = OpenOptions();
    SendMessageW(d.cbShowReflection.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(fmMain->FReflection);
    EXPECT_FALSE(fmMain->FFire->Reflection);
    SendMessageW(d.cbAnimated.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(fmMain->FAnimated);
    Select(d.cbHeartSize, 4);
    EXPECT_EQ(fmMain->FZoom, 2.0f);
    Select(d.cbHeartSize, 0);
    EXPECT_EQ(fmMain->FZoom, 0.25f);

    ASSERT_TRUE(GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    SendMessageW(d.cbStayOnTop.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(IsWindowVisible(d.Handle()));
    EXPECT_FALSE(GetWindowLongW(fmMain->Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_FALSE(fmMain->IsStayOnTop());
    EXPECT_TRUE(IsWindowVisible(fmMain->Handle()));

    SendMessageW(d.cbAutorun.Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(fmMain->IsAutorun());
    SendMessageW(d.cbAutorun.Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(fmMain->IsAutorun());
}

TEST_F(SettingsDialog, EachActionShowsItsEditor) {
    TfmSettings& d = OpenOptions();
    struct Case {
        int32_t action;
        bool buttoned, plain;
    };
    const Case cases[] = {
        {1000000, true, false}, {3000000, false, true}, {2000000, true, false}, {4000000, true, false},
        {5000000, false, false}, {6000000, false, false}, {7000000, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        Select(d.cbActions, IndexOfValue(d.cbActions, c.action));
        EXPECT_EQ(fmMain->FActiveAction, c.action);
        EXPECT_EQ(Shown(d.edPathButtoned), c.buttoned);
        EXPECT_EQ(Shown(d.edPath), c.plain);
        EXPECT_EQ(Shown(d.lbPath), c.buttoned || c.plain);
    }
    Select(d.cbActions, IndexOfValue(d.cbActions, 3000000));
    EXPECT_EQ(d.edPath.Text(), MakerHomePage);
}

TEST_F(SettingsDialog, EditingStoresTheActiveActionsParameter) {
    TfmSettings& d = OpenOptions();
    // Open file has no parameter yet: its editor empties, and an empty parameter is stored.
    Select(d.cbActions, IndexOfValue(d.cbActions, 2000000));
    EXPECT_EQ(d.edPathButtoned.Text(), "");
    const int32_t entry = fmMain->FActions->IndexOfObject(2000000);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(fmMain->FActions->Strings(entry), "");

    SetWindowTextW(d.edPathButtoned.Handle(), L"C:\\docs\\报告.txt");
    EXPECT_EQ(fmMain->GetActionParam(), "C:\\docs\\报告.txt");
    Select(d.cbActions, IndexOfValue(d.cbActions, 3000000));
    SetWindowTextW(d.edPath.Handle(), L"http://example.org/");
    EXPECT_EQ(fmMain->GetActionParam(), "http://example.org/");
    // Each action keeps its own parameter.
    Select(d.cbActions, IndexOfValue(d.cbActions, 2000000));
    EXPECT_EQ(d.edPathButtoned.Text(), "C:\\docs\\报告.txt");
    Select(d.cbActions, IndexOfValue(d.cbActions, 1000000));
    EXPECT_EQ(d.edPathButtoned.Text(), ExecutableDirectory() + "sample.jpg");
}

TEST_F(SettingsDialog, EscapeFromAnyControlHidesTheDialogAndKeepsTheChanges) {
    TfmSettings& d = OpenOptions();
    SendMessageW(d.cbAnimated.Handle(), BM_CLICK, 0, 0);
    for (TWinControl* control : std::initializer_list<TWinControl*>{&d.cbShowReflection, &d.cbHeartSize,
                                                                     &d.cbActions, &d.edPathButtoned, &d.btnClose}) {
        fmMain->miSettings.Click();
        ASSERT_TRUE(IsWindowVisible(d.Handle()));
        PressKey(control->Handle(), VK_ESCAPE);
        EXPECT_FALSE(IsWindowVisible(d.Handle())) << GetDlgCtrlID(control->Handle());
    }
    EXPECT_FALSE(fmMain->FAnimated);
    // Enter presses OK.
    fmMain->miSettings.Click();
    PressKey(d.cbShowReflection.Handle(), VK_RETURN);
    EXPECT_FALSE(IsWindowVisible(d.Handle()));
}

TEST_F(SettingsDialog, OpenedFromTheMenuItTakesTheKeyboard) {
    TfmSettings& d = OpenOptions();
    EXPECT_EQ(GetForegroundWindow(), d.Handle());
    ASSERT_EQ(GetFocus(), d.cbShowReflection.Handle());
    PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    Pump(60);
    EXPECT_FALSE(IsWindowVisible(d.Handle()));
    fmMain->miAbout.Click();
    Pump(50);
    EXPECT_EQ(GetFocus(), d.btnClose.Handle());
}

TEST_F(SettingsDialog, TabMovesThroughTheControlsInOrder) {
    TfmSettings& d = OpenOptions();
    const HWND order[] = {d.cbShowReflection.Handle(), d.cbAnimated.Handle(), d.cbStayOnTop.Handle(),
                          d.cbHeartSize.Handle(),      d.cbActions.Handle(),  d.edPathButtoned.Handle(),
                          d.cbAutorun.Handle(),        d.btnClose.Handle(),   d.cbShowReflection.Handle()};
    SetFocus(order[0]);
    for (size_t i = 1; i < std::size(order); ++i) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 1);
        Pump(40);
        EXPECT_EQ(GetFocus(), order[i]) << i;
    }
}

TEST_F(SettingsDialog, BigButtonsSwitchThePageAndNeverTakeTheFocus) {
    TfmSettings& d = OpenOptions();
    EXPECT_TRUE(d.btnOptions.Down());
    EXPECT_TRUE(Shown(d.tsOptions));
    SetFocus(d.cbAnimated.Handle());
    ClickPlain(d.btnAbout.Handle());
    EXPECT_TRUE(d.btnAbout.Down());
    EXPECT_FALSE(d.btnOptions.Down());
    EXPECT_TRUE(Shown(d.tsAbout));
    EXPECT_FALSE(Shown(d.tsOptions));
    EXPECT_NE(GetFocus(), d.btnAbout.Handle());
    ClickPlain(d.btnOptions.Handle());
    EXPECT_TRUE(d.btnOptions.Down());
    EXPECT_FALSE(d.btnAbout.Down());
    EXPECT_TRUE(Shown(d.tsOptions));
    EXPECT_NE(GetFocus(), d.btnOptions.Handle());
}

TEST_F(SettingsDialog, MenuCountsTheOpeningsUpToFiveAndMakesTheDialogOnce) {
    fmMain->miSettings.Click();
    TfmSettings* first = fmSettings;
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 5; ++i) fmMain->miSettings.Click();
    fmMain->miAbout.Click();
    EXPECT_EQ(fmMain->FSettingsOpenCount, 5);
    EXPECT_EQ(fmSettings, first);
    EXPECT_TRUE(Shown(first->tsAbout));
    EXPECT_TRUE(first->btnAbout.Down());
}

// Without a skin the controls keep the platform's own kinds and colours.
TEST(SettingsDialogWithoutSkin, ControlsKeepThePlatformLook) {
    TApplication application;
    application.Initialize();
    ASSERT_EQ(ActiveSkin(), nullptr);
    TfmSettings d;
    const auto kind = [](TWinControl& control) { return GetWindowLongW(control.Handle(), GWL_STYLE) & BS_TYPEMASK; };
    EXPECT_EQ(kind(d.cbAnimated), BS_AUTOCHECKBOX);
    EXPECT_EQ(kind(d.btnClose), BS_PUSHBUTTON);
    EXPECT_FALSE(GetWindowLongW(d.cbActions.Handle(), GWL_STYLE) & CBS_OWNERDRAWFIXED);
    d.cbAnimated.SetChecked(true);
    EXPECT_EQ(SendMessageW(d.cbAnimated.Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    d.Show();
    UpdateWindow(d.pnTasks.Handle());
    HDC dc = GetDC(d.pnTasks.Handle());
    EXPECT_EQ(GetPixel(dc, 50, 300), GetSysColor(COLOR_BTNSHADOW));
    ReleaseDC(d.pnTasks.Handle(), dc);
    EXPECT_EQ(fmSettings, &d);
}

// The open-file dialog of the browse button, seen from a watcher that reads it and cancels it.
struct TOpenDialogSeen {
    std::string folder, fileName, filter;
    bool found = false;
};

BOOL CALLBACK FindOpenDialog(HWND window, LPARAM found) {
    wchar_t name[32]{};
    GetClassNameW(window, name, 32);
    if (IsWindowVisible(window) && std::wstring(name) == L"#32770") {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

TEST_F(SettingsDialog, BrowseOpensInTheTargetsFolderWithTheFilePreselected) {
    const std::string folder = ExecutableDirectory();
    struct Case {
        int32_t action;
        std::string target;
        const char* filter;
    };
    const Case cases[] = {{2000000, folder + "notes.txt", "All files"},
                          {4000000, folder + "win32_tests.exe", "Executables"}};
    TfmSettings& d = OpenOptions();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        Select(d.cbActions, IndexOfValue(d.cbActions, c.action));
        SetWindowTextW(d.edPathButtoned.Handle(), Wide(c.target).c_str());
        TOpenDialogSeen seen;
        const DWORD thread = GetCurrentThreadId();
        std::thread watcher([&] {
            HWND dialog = nullptr;
            const DWORD end = GetTickCount() + kGadgetDeadline;
            while (dialog == nullptr && GetTickCount() < end) {
                Sleep(100);
                EnumThreadWindows(thread, &FindOpenDialog, reinterpret_cast<LPARAM>(&dialog));
            }
            if (dialog == nullptr) return;
            Sleep(300);  // the dialog fills its lists after it appears
            wchar_t text[MAX_PATH]{};
            SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(text));
            seen.folder = Narrow(text);
            text[0] = 0;
            SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(text));
            seen.fileName = Narrow(text);
            text[0] = 0;
            GetDlgItemTextW(dialog, 0x470 /* cmb1, the file types */, text, MAX_PATH);
            seen.filter = Narrow(text);
            seen.found = true;
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        SendMessageW(d.edPathButtoned.Button().Handle(), BM_CLICK, 0, 0);
        watcher.join();
        ASSERT_TRUE(seen.found);
        EXPECT_EQ(LowerCase(seen.folder + "\\"), LowerCase(folder));
        EXPECT_EQ(LowerCase(seen.fileName), LowerCase(c.target.substr(folder.size())));
        EXPECT_EQ(seen.filter, c.filter);
        // Cancelled: nothing changed.
        EXPECT_EQ(fmMain->GetActionParam(), c.target);
    }
}

}  // namespace
