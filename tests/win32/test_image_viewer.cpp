// The picture viewer under Wine: fitting to monitor 0, the minimum and maximum sizes, the error
// picture, the frame round the picture, the same path again, and hiding by every means.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "picture_files.h"
#include "uApplication.h"
#include "uGraphics.h"
#include "uSkin.h"
#include "uTfmImageViewer.h"

namespace {

const DWORD kDeadline = 15000;

class ImageViewer : public testing::Test {
protected:
    TSkinData skin;
    void SetUp() override {
        application.Initialize();
        application.SetTitle("Velmora");
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
        RegisterPictureFormats();
        ASSERT_TRUE(skin.LoadFromResource("SKDEFAULT"));  // the program's look, as the gadget loads it
        viewer = new TfmImageViewer;
    }
    void TearDown() override {
        delete viewer;
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
    void Settle() {
        application.ProcessMessagesUntil([] { return false; }, 200);
        UpdateWindow(viewer->Handle());
        RedrawWindow(viewer->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
    void StandForDisplay(int width, int height) {
        viewer->FirstMonitorBounds = [width, height] { return RECT{0, 0, width, height}; };
    }
    SIZE WindowSize() const {
        RECT r{};
        GetWindowRect(viewer->Handle(), &r);
        return SIZE{r.right - r.left, r.bottom - r.top};
    }
    // Where the picture control shows the picture, in the control's client coordinates.
    TRect Shown() const { return viewer->Image->GetBitmapRect(); }

    TApplication application;
    std::vector<std::string> errors;
    TfmImageViewer* viewer = nullptr;
    TScratchFolder folder{"velmora_viewer"};
};

TEST_F(ImageViewer, LargePictureFitsThreeQuartersOfMonitorZero) {
    StandForDisplay(1680, 1050);
    WriteBmp(folder / "wide.bmp", 1920, 1200, 0x3060A0);
    viewer->ShowImage(folder / "wide.bmp");
    Settle();
    const SIZE size = WindowSize();
    EXPECT_EQ(size.cx, 1260);  // 1680 * 0.75
    EXPECT_EQ(size.cy, 787);   // 1050 * 0.75 = 787.5, truncated
    EXPECT_TRUE(viewer->FLoaded);
    EXPECT_TRUE(viewer->Sizeable());
    EXPECT_EQ(viewer->MaxWidth(), 1260);
    EXPECT_EQ(viewer->MaxHeight(), 787);
    EXPECT_TRUE(IsWindowVisible(viewer->Handle()));
    // Scaled down to the control's height or width, centred.
    const TRect shown = Shown();
    const int controlWidth = viewer->Image->ClientWidth(), controlHeight = viewer->Image->ClientHeight();
    EXPECT_TRUE(shown.Width() == controlWidth || shown.Height() == controlHeight);
    EXPECT_LE(shown.Width(), controlWidth);
    EXPECT_LE(shown.Height(), controlHeight);
    EXPECT_EQ(shown.Left, (controlWidth - shown.Width()) / 2);

    // A later showing is placed by monitor 0's size, its origin not added.
    WriteBmp(folder / "other.bmp", 1920, 1200, 0x3060A0);
    viewer->ShowImage(folder / "other.bmp");
    RECT r{};
    GetWindowRect(viewer->Handle(), &r);
    EXPECT_EQ(r.left, 1680 / 2 - 1260 / 2);
    EXPECT_EQ(r.top, 1050 / 2 - 787 / 2);
}

TEST_F(ImageViewer, SmallPictureGetsTheMinimumSizeAndAFrameInTheMiddle) {
    WriteBmp(folder / "small.bmp", 40, 30, 0xC02020);
    viewer->ShowImage(folder / "small.bmp");
    Settle();
    const SIZE size = WindowSize();
    EXPECT_EQ(size.cx, ViewerMinimumSize);
    EXPECT_EQ(size.cy, ViewerMinimumSize);
    const TRect shown = Shown();
    EXPECT_EQ(shown.Width(), 40);
    EXPECT_EQ(shown.Height(), 30);
    EXPECT_EQ(shown.Left, (viewer->Image->ClientWidth() - 40) / 2);
    EXPECT_EQ(shown.Top, (viewer->Image->ClientHeight() - 30) / 2);
    HWND image = viewer->Image->Handle();
    EXPECT_EQ(ScreenPixel(image, shown.Left, shown.Top), 0x000000u);             // the frame
    EXPECT_EQ(ScreenPixel(image, shown.Right - 1, shown.Bottom - 1), 0x000000u);
    EXPECT_EQ(ScreenPixel(image, shown.Left + 5, shown.Top + 5), 0xC02020u);      // the picture
    EXPECT_EQ(ScreenPixel(image, shown.Left - 1, shown.Top), 0x555555u);          // the background
}

TEST_F(ImageViewer, EmptyPathShowsTheErrorPictureWithoutFrameAtAFixedSize) {
    viewer->ShowImage("");
    Settle();
    EXPECT_FALSE(viewer->FLoaded);
    EXPECT_FALSE(viewer->Sizeable());
    EXPECT_EQ(viewer->Image->Bitmap().Width(), 300);
    EXPECT_EQ(viewer->Image->Bitmap().Height(), 150);
    const TRect shown = Shown();
    EXPECT_NE(ScreenPixel(viewer->Image->Handle(), shown.Left, shown.Top), 0x000000u);
    // The borders do not resize: the hit test reports a plain border.
    RECT r{};
    GetWindowRect(viewer->Handle(), &r);
    const LRESULT hit = SendMessageW(viewer->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2));
    EXPECT_EQ(hit, HTBORDER);

    // A decodable picture makes it sizeable again.
    WriteBmp(folder / "fine.bmp", 400, 350, 0x102030);
    viewer->ShowImage(folder / "fine.bmp");
    GetWindowRect(viewer->Handle(), &r);
    EXPECT_EQ(SendMessageW(viewer->Handle(), WM_NCHITTEST, 0, MAKELPARAM(r.right - 1, (r.top + r.bottom) / 2)),
              HTRIGHT);
}

TEST_F(ImageViewer, UndecodableFileShowsTheErrorPicture) {
    WriteBytes(folder / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F'});
    viewer->ShowImage(folder / "broken.jpg");
    EXPECT_FALSE(viewer->FLoaded);
    EXPECT_EQ(viewer->Image->Bitmap().Width(), 300);
    EXPECT_EQ(viewer->FImagePath, folder / "broken.jpg");
}

TEST_F(ImageViewer, SamePathWhileVisibleChangesNothingNotEvenTheZOrder) {
    WriteBmp(folder / "a.bmp", 40, 30, 0xC02020);
    viewer->ShowImage(folder / "a.bmp");
    Settle();
    // Another window of the program above the viewer.
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    Settle();
    auto above = [&](HWND upper, HWND lower) {
        for (HWND w = GetWindow(upper, GW_HWNDNEXT); w != nullptr; w = GetWindow(w, GW_HWNDNEXT))
            if (w == lower) return true;
        return false;
    };
    ASSERT_TRUE(above(other, viewer->Handle()));
    WriteBmp(folder / "a.bmp", 60, 50, 0x20C020);
    viewer->ShowImage(folder / "a.bmp");
    Settle();
    EXPECT_EQ(viewer->Image->Bitmap().Width(), 40);  // not reloaded
    EXPECT_TRUE(above(other, viewer->Handle()));

    // After hiding, the same path reloads the changed file and raises the window.
    viewer->btnCloseClick();
    EXPECT_FALSE(IsWindowVisible(viewer->Handle()));
    viewer->ShowImage(folder / "a.bmp");
    Settle();
    EXPECT_TRUE(IsWindowVisible(viewer->Handle()));
    EXPECT_EQ(viewer->Image->Bitmap().Width(), 60);
    EXPECT_TRUE(above(viewer->Handle(), other));
    DestroyWindow(other);
}

// A double click as the system reports it: its second press starts the window drag, which the
// release waiting in the queue ends.
void DoubleClick(HWND window) {
    PostMessageW(window, WM_LBUTTONUP, 0, 0);
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
}

TEST_F(ImageViewer, EnterEscapeOkAndDoubleClickHideIt) {
    WriteBmp(folder / "a.bmp", 40, 30, 0xC02020);
    HWND button = viewer->btnClose->Handle();
    const struct {
        const char* how;
        std::function<void()> act;
    } ways[] = {
        {"Enter", [&] { PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0); }},
        {"Escape", [&] { PostMessageW(button, WM_KEYDOWN, VK_ESCAPE, 0); }},
        {"OK", [&] { SendMessageW(button, BM_CLICK, 0, 0); }},
        {"double click on the picture", [&] { DoubleClick(viewer->Image->Handle()); }},
        {"double click on the panel", [&] { DoubleClick(viewer->pnMain->Handle()); }},
        {"double click on the window", [&] { DoubleClick(viewer->Handle()); }},
        {"close box", [&] { SendMessageW(viewer->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        viewer->ShowImage(folder / "a.bmp");
        Settle();
        ASSERT_TRUE(IsWindowVisible(viewer->Handle()));
        way.act();
        Settle();
        EXPECT_FALSE(IsWindowVisible(viewer->Handle()));
        EXPECT_TRUE(IsWindow(viewer->Handle()));
    }
}

LRESULT CALLBACK RecordMove(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_SYSCOMMAND && wParam == 0xF012) {
        ++*reinterpret_cast<int*>(data);
        return 0;  // the move loop itself needs a real mouse
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST_F(ImageViewer, AnyButtonOnThePictureOrPanelStartsAWindowMove) {
    WriteBmp(folder / "a.bmp", 40, 30, 0xC02020);
    viewer->ShowImage(folder / "a.bmp");
    int moves = 0;
    SetWindowSubclass(viewer->Handle(), &RecordMove, 1, reinterpret_cast<DWORD_PTR>(&moves));
    SendMessageW(viewer->Image->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    SendMessageW(viewer->Image->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(viewer->Image->Handle(), WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
    SendMessageW(viewer->pnMain->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
    SendMessageW(viewer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 470));
    RemoveWindowSubclass(viewer->Handle(), &RecordMove, 1);
    EXPECT_EQ(moves, 5);
}

TEST_F(ImageViewer, FrameKeepsTheFittedMaximumAndTheMinimumAndCentresTheButton) {
    WriteBmp(folder / "a.bmp", 500, 400, 0xC02020);
    viewer->ShowImage(folder / "a.bmp");
    Settle();
    const SIZE fitted = WindowSize();
    RECT client{};
    GetClientRect(viewer->pnMain->Handle(), &client);
    EXPECT_EQ(client.right, 520);   // the picture plus 20
    EXPECT_EQ(client.bottom, 420);
    const struct {
        int width, height, wantWidth, wantHeight;
    } cases[] = {
        {fitted.cx + 200, fitted.cy + 100, fitted.cx, fitted.cy},
        {100, 50, ViewerMinimumSize, ViewerMinimumSize},
        {fitted.cx - 101, fitted.cy - 33, fitted.cx - 101, fitted.cy - 33},
    };
    for (const auto& c : cases) {
        SetWindowPos(viewer->Handle(), nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
        const SIZE size = WindowSize();
        EXPECT_EQ(size.cx, c.wantWidth);
        EXPECT_EQ(size.cy, c.wantHeight);
        GetClientRect(viewer->Handle(), &client);
        const RECT button = viewer->btnClose->BoundsRect();
        EXPECT_EQ(button.left, client.right / 2 - 85 / 2);
        EXPECT_EQ(button.bottom, client.bottom - 44 + 26);
    }
}

TEST_F(ImageViewer, OwnTaskbarButtonDropShadowAndCaption) {
    EXPECT_TRUE(GetWindowLongW(viewer->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(GetClassLongW(viewer->Handle(), GCL_STYLE) & CS_DROPSHADOW);
    wchar_t caption[64] = {};
    GetWindowTextW(viewer->Handle(), caption, 64);
    EXPECT_STREQ(caption, L"Velmora 图像浏览器");
    EXPECT_EQ(GetWindow(viewer->Handle(), GW_OWNER), application.Handle());
    EXPECT_FALSE(GetWindowLongW(viewer->Handle(), GWL_STYLE) & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
}

}  // namespace
