// The picture open dialog under Wine, driven from a timer inside its modal loop: the preview of
// a picture, a folder, an undecodable file, and the same file twice (decoded once).
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <functional>
#include <string>
#include <vector>

#include "picture_files.h"
#include "uApplication.h"
#include "uGraphics.h"
#include "uPictureFileInfo.h"
#include "uTMyFileDialogs.h"

namespace {

const DWORD kDeadline = 15000;

std::function<void()>* gScript = nullptr;

void CALLBACK RunScript(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (gScript != nullptr) (*gScript)();
}

struct ClassSearch {
    const wchar_t* name;
    HWND found;
};

BOOL CALLBACK MatchChildClass(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ClassSearch*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (lstrcmpiW(name, search->name) != 0) return TRUE;
    search->found = window;
    return FALSE;
}

HWND FindChildOfClass(HWND parent, const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumChildWindows(parent, MatchChildClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Runs messages (inside the dialog's modal loop) until done() or the deadline.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = kDeadline) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= end) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    return true;
}

class PictureDialog : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
        RegisterPictureFormats();
        WriteBmp(folder / "pic.bmp", 64, 48, 0x2080C0);
        WriteBmp(folder / "big.bmp", 800, 600, 0xC08020);
        WriteBytes(folder / "broken.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'});
        CopyFileW(Wide(std::string(VELMORA_SOURCE_DIR) + "/resources/sample.jpg").c_str(),
                  Wide(folder / "样例.jpeg").c_str(), FALSE);
        CreateDirectoryW(Wide(folder / "子目录").c_str(), nullptr);
    }
    void TearDown() override { EXPECT_TRUE(errors.empty()) << errors.front(); }

    // Runs the dialog; script runs inside its modal loop once the file list has filled.
    bool RunDialog(TMyOpenPictureDialog& dialog, const std::function<void(HWND parent, HWND list)>& script) {
        dialog.InitialDir = folder.Path();
        std::function<void()> body = [&] {
            HWND parent = GetParent(child);
            HWND list = nullptr;
            PumpUntil([&] {
                list = FindChildOfClass(parent, L"SysListView32");
                return list != nullptr && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= 5;
            });
            if (list != nullptr) script(parent, list);
            PostMessageW(parent, WM_COMMAND, IDCANCEL, 0);
        };
        gScript = &body;
        dialog.OnShow = [&](HWND dialogWindow) {
            child = dialogWindow;
            SetTimer(nullptr, 0, 50, &RunScript);
        };
        const bool confirmed = dialog.Execute();
        gScript = nullptr;
        return confirmed;
    }

    // Selects the list item showing name (with or without its extension), alone.
    static bool Select(HWND list, const std::string& name) {
        std::wstring wide = Wide(name);
        LVFINDINFOW find{};
        find.flags = LVFI_STRING;
        find.psz = wide.c_str();
        int index = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        if (index < 0 && wide.find(L'.') != std::wstring::npos) {
            wide = wide.substr(0, wide.rfind(L'.'));
            find.psz = wide.c_str();
            index = static_cast<int>(SendMessageW(list, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
        }
        if (index < 0) return false;
        LVITEMW none{};
        none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        return true;
    }

    TApplication application;
    std::vector<std::string> errors;
    TScratchFolder folder{"velmora_dialog"};
    HWND child = nullptr;
};

TEST_F(PictureDialog, PreviewFollowsTheSelectionAndDecodesEachNewPathOnce) {
    TMyOpenPictureDialog dialog(nullptr);
    bool closed = false;
    dialog.OnClose = [&](HWND) { closed = true; };
    std::vector<std::string> failures;
    auto check = [&](bool ok, const std::string& what) {
        if (!ok) failures.push_back(what);
    };
    auto waitCaption = [&](const std::function<bool()>& done) { return PumpUntil(done, 5000); };

    const bool confirmed = RunDialog(dialog, [&](HWND, HWND list) {
        // The preview sits right of the standard controls, 4 pixels down, inside the dialog.
        HWND placeholder = GetDlgItem(child, 1119);
        check(placeholder != nullptr, "placeholder 1119");
        RECT standard{};
        GetWindowRect(placeholder, &standard);
        MapWindowPoints(nullptr, child, reinterpret_cast<POINT*>(&standard), 2);
        const RECT panel = dialog.PicturePanel->BoundsRect();
        check(GetParent(dialog.PicturePanel->Handle()) == child, "panel in the dialog");
        check(panel.left == standard.right && panel.top == 4, "panel place");
        check(panel.right > panel.left + 100, "panel width");

        check(Select(list, "pic.bmp"), "select pic.bmp");
        check(waitCaption([&] { return dialog.PreviewDecodes == 1; }), "pic.bmp decoded");
        const std::string caption = dialog.PictureLabelCaption();
        check(caption.rfind("文件类型: 64x48  9.05KB  BMP\r\n最后修改: ", 0) == 0, "caption: " + caption);
        check(caption.size() > 6 && caption.substr(caption.size() - 6) == "      ", "six blanks: " + caption);
        check(dialog.PaintBox->Bitmap().Width() == 64, "pic.bmp width");
        check(dialog.PaintBox->Scale() == 1.0f, "natural size");
        check(dialog.PaintBox->ScrollBars() == svHidden, "scroll bars hidden");

        // The same path again: no second decode.
        OFNOTIFYW again{};
        again.hdr.hwndFrom = GetParent(child);
        again.hdr.code = CDN_SELCHANGE;
        SendMessageW(child, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&again));
        check(dialog.PreviewDecodes == 1, "decoded once");

        check(Select(list, "big.bmp"), "select big.bmp");
        check(waitCaption([&] { return dialog.PreviewDecodes == 2; }), "big.bmp decoded");
        const float scale = PreviewScale(dialog.PaintBox->ClientWidth(), dialog.PaintBox->ClientHeight(), 800, 600);
        check(scale < 1.0f && dialog.PaintBox->Scale() == scale, "big.bmp scale");

        check(Select(list, "子目录"), "select folder");
        check(waitCaption([&] { return dialog.PictureLabelCaption().empty(); }), "folder clears the caption");
        check(dialog.PaintBox->Bitmap().Empty(), "folder clears the preview");
        check(dialog.PreviewDecodes == 2, "a folder is not decoded");

        check(Select(list, "broken.jpg"), "select broken.jpg");
        check(waitCaption([&] { return dialog.PreviewDecodes == 3; }), "broken.jpg tried");
        check(dialog.PictureLabelCaption().empty() && dialog.PaintBox->Bitmap().Empty(), "broken.jpg: empty preview");

        check(Select(list, "样例.jpeg"), "select 样例.jpeg");
        check(waitCaption([&] { return dialog.PreviewDecodes == 4; }), "样例.jpeg decoded");
        const std::string jpeg = dialog.PictureLabelCaption();
        check(jpeg.rfind("文件类型: 640x480  ", 0) == 0 && jpeg.find("KB  JPEG\r\n") != std::string::npos,
              "jpeg caption: " + jpeg);

        check(Select(list, "pic.bmp"), "select pic.bmp again");
        check(waitCaption([&] { return dialog.PreviewDecodes == 5; }), "pic.bmp decoded again");
    });
    EXPECT_FALSE(confirmed);
    EXPECT_TRUE(closed);
    EXPECT_NE(GetParent(dialog.PicturePanel->Handle()), child);
    for (const std::string& failure : failures) ADD_FAILURE() << failure;
}

TEST_F(PictureDialog, ConfirmedFileNameComesBack) {
    TMyOpenPictureDialog dialog(nullptr);
    const bool confirmed = RunDialog(dialog, [&](HWND parent, HWND) {
        SendMessageW(parent, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(L"pic.bmp"));
        SendMessageW(parent, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(L"pic.bmp"));
        PostMessageW(parent, WM_COMMAND, IDOK, 0);
        PumpUntil([&] { return !IsWindow(parent); }, 5000);
    });
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(dialog.FileName, folder / "pic.bmp");
}

TEST(PictureDialogParts, FilterHasItsThirtyOneParts) {
    TApplication application;
    application.Initialize();
    TMyOpenPictureDialog dialog(nullptr);
    ASSERT_EQ(dialog.FFilterParts.size(), 32u);
    EXPECT_EQ(dialog.FFilterParts[0], "");
    EXPECT_EQ(dialog.FFilterParts[2], "Windows bitmaps (*.bmp)|*.bmp|");
    EXPECT_EQ(dialog.FFilterParts[31], "Run length encoded Windows bitmaps (*.rle)|*.rle");
    EXPECT_EQ(dialog.FilterIndex, 1);
    EXPECT_EQ(dialog.Options & (OFN_HIDEREADONLY | OFN_ENABLESIZING), DWORD(OFN_HIDEREADONLY | OFN_ENABLESIZING));
    int bars = 0;
    for (char c : dialog.Filter) bars += c == '|';
    EXPECT_EQ(bars, 61);
}

TEST(PictureDialogParts, FileSizeTextAndSizeQuery) {
    TScratchFolder folder("velmora_sizes");
    WriteBytes(folder / "one.bin", std::vector<uint8_t>(1048576, 7));
    WriteBytes(folder / "more.bin", std::vector<uint8_t>(1048577, 7));
    WriteBytes(folder / "empty.bin", {});
    EXPECT_EQ(FormatFileSize(GetFileSize64(folder / "one.bin")), "1,024.00KB");
    EXPECT_EQ(FormatFileSize(GetFileSize64(folder / "more.bin")), "1.00MB");
    EXPECT_EQ(FormatFileSize(GetFileSize64(folder / "empty.bin")), "0.00KB");
    EXPECT_EQ(GetFileSize64(folder / "missing.bin"), 0u);
    EXPECT_TRUE(PathExists(folder / "one.bin"));
    EXPECT_TRUE(PathExists(folder.Path()));
    EXPECT_FALSE(PathExists(folder / "missing.bin"));
}

// The child template as the executable holds it.
TEST(PictureDialogParts, TemplateHasThePlaceholderAndItsFont) {
    HRSRC found = FindResourceW(nullptr, L"SMOOTHDLGTEMPLATE", MAKEINTRESOURCEW(5));
    ASSERT_NE(found, nullptr);
    const auto* words = static_cast<const WORD*>(LockResource(LoadResource(nullptr, found)));
    ASSERT_NE(words, nullptr);
    const auto* header = reinterpret_cast<const DLGTEMPLATE*>(words);
    EXPECT_EQ(header->style, DWORD(WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | DS_3DLOOK | DS_CONTROL | DS_SETFONT));
    EXPECT_EQ(header->dwExtendedStyle, 0u);
    EXPECT_EQ(header->cdit, 1);
    EXPECT_EQ(header->x, 0);
    EXPECT_EQ(header->y, 0);
    EXPECT_EQ(header->cx, 380);
    EXPECT_EQ(header->cy, 76);
    const WORD* p = words + 9;  // after the 18-byte header: menu, class, title
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 0);
    p += 3;
    EXPECT_EQ(p[0], 9);  // points
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(p + 1), L"宋体");
    p += 1 + 3;
    p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
    EXPECT_EQ(item->style, DWORD(WS_CHILD | WS_GROUP));
    EXPECT_EQ(item->dwExtendedStyle, 0u);
    EXPECT_EQ(item->x, 0);
    EXPECT_EQ(item->y, 0);
    EXPECT_EQ(item->cx, 204);
    EXPECT_EQ(item->cy, 76);
    EXPECT_EQ(item->id, 1119);
    const WORD* rest = reinterpret_cast<const WORD*>(item + 1);
    EXPECT_EQ(rest[0], 0xFFFF);
    EXPECT_EQ(rest[1], 0x0082);
    EXPECT_EQ(rest[2], 0);  // empty text
    EXPECT_EQ(rest[3], 0);  // no creation data
}

}  // namespace
