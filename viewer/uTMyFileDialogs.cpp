#include "uTMyFileDialogs.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "uApplication.h"
#include "uHourglass.h"
#include "uPictureFileInfo.h"
#include "uSysUtils.h"
#include "uWinUtils.h"

namespace {

const int kPlaceholderId = 1119;  // stc32: where the system puts its standard controls
const int kLabelHeight = 27;

std::wstring LocaleText(LCTYPE type, const wchar_t* fallback) {
    wchar_t buffer[16] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 16) <= 0) return fallback;
    return buffer;
}

// The modification time at the two-second resolution of file dates, in local time, as the
// user's short date and long time; the time is left out at midnight.
std::string FormatModified(const FILETIME& lastWrite) {
    FILETIME local{}, rounded{};
    WORD date = 0, time = 0;
    SYSTEMTIME st{};
    if (!FileTimeToLocalFileTime(&lastWrite, &local) || !FileTimeToDosDateTime(&local, &date, &time) ||
        !DosDateTimeToFileTime(date, time, &rounded) || !FileTimeToSystemTime(&rounded, &st))
        return std::string();
    wchar_t buffer[128] = {};
    std::wstring text;
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buffer, 128) > 0) text = buffer;
    if (st.wHour != 0 || st.wMinute != 0 || st.wSecond != 0) {
        if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 128) > 0) text += L" " + std::wstring(buffer);
    }
    return Narrow(text);
}

// Hides the application's hint windows, should one be showing as the dialog closes.
BOOL CALLBACK HideHintWindow(HWND window, LPARAM) {
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (lstrcmpW(className, L"TTipHint") == 0 && IsWindowVisible(window)) ShowWindow(window, SW_HIDE);
    return TRUE;
}

// The full path of the dialog's current selection. The file name box keeps the last file when a
// folder is selected in the list, so a selected folder is read from the list itself.
std::string SelectedPath(HWND parent) {
    wchar_t path[MAX_PATH] = {};
    const LRESULT length = SendMessageW(parent, CDM_GETFILEPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    const std::string filePath = length > 0 ? Narrow(path) : std::string();
    HWND view = FindWindowExW(parent, nullptr, L"SHELLDLL_DefView", nullptr);
    HWND list = view != nullptr ? FindWindowExW(view, nullptr, L"SysListView32", nullptr) : nullptr;
    if (list == nullptr) return filePath;
    const int selected = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (selected < 0) return filePath;
    wchar_t name[MAX_PATH] = {};
    LVITEMW item{};
    item.pszText = name;
    item.cchTextMax = MAX_PATH;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(&item));
    wchar_t folder[MAX_PATH] = {};
    if (name[0] == L'\0' || SendMessageW(parent, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder)) <= 0)
        return filePath;
    std::wstring candidate = folder;
    if (!candidate.empty() && candidate.back() != L'\\') candidate += L'\\';
    candidate += name;
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return Narrow(candidate);
    return filePath;
}

}  // namespace

bool PathExists(const std::string& path) { return GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES; }

uint64_t GetFileSize64(const std::string& path) {
    WIN32_FIND_DATAW data{};
    HANDLE search = FindFirstFileW(Wide(path).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return 0;
    FindClose(search);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::string FormatFileSize(uint64_t size) {
    TNumberSeparators separators;
    separators.Thousands = Narrow(LocaleText(LOCALE_STHOUSAND, L","));
    separators.Decimal = Narrow(LocaleText(LOCALE_SDECIMAL, L"."));
    return FormatFileSize(size, separators);
}

void TSilentPaintPanel::Paint(HDC dc) {
    try {
        TFramePanel::Paint(dc);
    } catch (...) {
        SetCaption(std::string());
    }
}

const char* const PictureFilterParts[31] = {
    "All(*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif;*.tiff;*.psd;*.pdd;*.ico;*.wmf;*.emf;*.jpe;*.jfif;*.psp;*.cut;*.pcd;"
    "*.pic;*.cel;*.pbm;*.pgm;*.ppm;*.bw;*.rgb;*.rgba;*.sgi;*.rla;*.rpf;*.scr;*.pcc;*.pcx;*.eps;*.fax;*.icb;*.tga;"
    "*.vda;*.vst;*.win;*.dib;*.rle)|*.bmp;*.jpg;*.jpeg;*.gif;*.png;*.tif;*.tiff;*.psd;*.pdd;*.ico;*.wmf;*.emf;*.jpe;"
    "*.jfif;*.psp;*.cut;*.pcd;*.pic;*.cel;*.pbm;*.pgm;*.ppm;*.bw;*.rgb;*.rgba;*.sgi;*.rla;*.rpf;*.scr;*.pcc;*.pcx;"
    "*.eps;*.fax;*.icb;*.tga;*.vda;*.vst;*.win;*.dib;*.rle|",
    "Windows bitmaps (*.bmp)|*.bmp|",
    "JPEG images (*.jpg;*.jpeg)|*.jpg;*.jpeg|",
    "GIF images (*.gif)|*.gif|",
    "Portable network graphic images (*.png)|*.png|",
    "PC TIF images (*.tif)|*.tif|",
    "Photoshop images (*.psd;*.pdd)|*.psd;*.pdd|",
    "Windows icons (*.ico)|*.ico|",
    "Windows metafiles (*.wmf)|*.wmf|",
    "Windows enhanced meta files (*.emf)|*.emf|",
    "Macintosh TIFF images (*.tiff)|*.tiff|",
    "JPE images (*.jpe)|*.jpe|",
    "JFIF images (*.jfif)|*.jfif|",
    "Paintshop Pro images (*.psp)|*.psp|",
    "Dr. Halo images (*.cut)|*.cut|",
    "Kodak Photo-CD images (*.pcd)|*.pcd|",
    "Autodesk images (*.pic;*.cel)|*.pic;*.cel|",
    "Portable bitmap images (*.pbm)|*.pbm|",
    "Portable gray map images (*.pgm)|*.pgm|",
    "Portable pixel map images (*.ppm)|*.ppm|",
    "SGI black/white images (*.bw)|*.bw|",
    "SGI true color images (*.rgb;*.sgi)|*.rgb;*.sgi|",
    "SGI true color images with alpha (*.rgba)|*.rgba|",
    "Alias/Wavefront images (*.rla;*.rpf)|*.rla;*.rpf|",
    "Word 5.x screen capture images (*.scr)|*.scr|",
    "ZSoft Paintbrush images (*.pcx;*.pcc)|*.pcx;*.pcc|",
    "Encapsulated Postscript images (*.eps)|*.eps|",
    "GFI fax images (*.fax)|*.fax|",
    "Truevision images (*.tga;*.vda;*.vst;*.win;*.icb)|*.tga;*.vda;*.vst;*.win;*.icb|",
    "Device independant Windows bitmaps (*.dib)|*.dib|",
    "Run length encoded Windows bitmaps (*.rle)|*.rle",
};

TMyOpenPictureDialog::TMyOpenPictureDialog(HWND owner) : FOwner(owner) {
    // The preview waits in a hidden window of its own until a dialog shows it.
    FParking = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                               nullptr);
    if (FParking == nullptr) RaiseLastOSError();

    PicturePanel = std::make_unique<TFramePanel>(FParking, 204, 5, 169, 200);
    PicturePanel->BevelOuter = bvNone;
    PicturePanel->BorderWidth = 6;
    PictureLabel1 = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 6, 16, 157,
                                    kLabelHeight, PicturePanel->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    if (PictureLabel1 == nullptr) RaiseLastOSError();
    PaintPanel = std::make_unique<TSilentPaintPanel>(PicturePanel->Handle(), 6, 29, 157, 145);
    PaintPanel->BevelInner = bvRaised;
    PaintPanel->BevelOuter = bvLowered;
    const RECT inner = PaintPanel->InnerRect();
    PaintBox = std::make_unique<TImgView32>(PaintPanel->Handle(), inner.left, inner.top, inner.right - inner.left,
                                            inner.bottom - inner.top);
    PaintBox->Centered = true;
    PaintBox->Bitmap().SetResamplerClassName("TDraftResampler");
    PaintBox->Color = Color32(GetRValue(PaintPanel->Color), GetGValue(PaintPanel->Color), GetBValue(PaintPanel->Color));
    PicturePanel->OnResize = [this] { LayOutPicturePanel(); };
    PaintPanel->OnResize = [this] {
        const RECT r = PaintPanel->InnerRect();
        PaintBox->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
    };
    LayOutPicturePanel();

    FFilterParts.reserve(32);
    FFilterParts.emplace_back();
    for (const char* part : PictureFilterParts) FFilterParts.emplace_back(part);
    for (const std::string& part : FFilterParts) Filter += part;
}

TMyOpenPictureDialog::~TMyOpenPictureDialog() {
    PaintBox.reset();
    PaintPanel.reset();
    PicturePanel.reset();
    if (FParking != nullptr) DestroyWindow(FParking);
}

void TMyOpenPictureDialog::LayOutPicturePanel() {
    const RECT inner = PicturePanel->InnerRect();
    const int width = inner.right - inner.left, height = inner.bottom - inner.top;
    SetWindowPos(PictureLabel1, nullptr, inner.left, inner.top, width, kLabelHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    if (PaintPanel)
        PaintPanel->SetBounds(inner.left, inner.top + kLabelHeight, width, std::max(height - kLabelHeight, 0));
}

std::string TMyOpenPictureDialog::PictureLabelCaption() const {
    const int length = GetWindowTextLengthW(PictureLabel1);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(PictureLabel1, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}

void TMyOpenPictureDialog::SetLabelCaption(const std::string& text) {
    SetWindowTextW(PictureLabel1, Wide(text).c_str());
}

bool TMyOpenPictureDialog::Execute() {
    std::wstring filter = Wide(Filter);
    for (wchar_t& c : filter)
        if (c == L'|') c = L'\0';
    filter.append(2, L'\0');
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring name = Wide(FileName);
    std::copy_n(name.begin(), std::min(name.size(), file.size() - 1), file.begin());
    const std::wstring initialDir = Wide(InitialDir), title = Wide(Title);

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = FOwner;
    ofn.hInstance = GetModuleHandleW(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.Flags = Options;
    if (!OldStyleDialog) {
        ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
        ofn.lpTemplateName = L"SMOOTHDLGTEMPLATE";
        ofn.lpfnHook = &TMyOpenPictureDialog::HookProc;
        ofn.lCustData = reinterpret_cast<LPARAM>(this);
    }
    const bool confirmed = GetOpenFileNameW(&ofn) != FALSE;
    if (confirmed) {
        FileName = Narrow(file.data());
        FilterIndex = static_cast<int>(ofn.nFilterIndex);
    }
    return confirmed;
}

UINT_PTR CALLBACK TMyOpenPictureDialog::HookProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* ofn = reinterpret_cast<OPENFILENAMEW*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, ofn->lCustData);
        return 0;
    }
    auto* self = reinterpret_cast<TMyOpenPictureDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (self == nullptr) return 0;
    SafeCall([&] {
        switch (message) {
            case WM_NOTIFY:
                switch (reinterpret_cast<OFNOTIFYW*>(lParam)->hdr.code) {
                    case CDN_INITDONE: self->DoShow(dialog); break;
                    case CDN_SELCHANGE: self->DoSelectionChange(dialog); break;
                    default: break;
                }
                break;
            case WM_SIZE:
                if (self->FDialog == dialog) self->PlacePreview(dialog);
                break;
            case WM_DESTROY:
                if (self->FDialog == dialog) self->DoClose(dialog);
                break;
            default: break;
        }
    });
    return 0;
}

// The preview takes the dialog's client area right of the standard controls' placeholder, 4
// pixels below its top; without a placeholder it gets no width.
void TMyOpenPictureDialog::PlacePreview(HWND dialog) {
    RECT area{};
    GetClientRect(dialog, &area);
    HWND placeholder = GetDlgItem(dialog, kPlaceholderId);
    RECT standard{};
    if (placeholder != nullptr && GetWindowRect(placeholder, &standard)) {
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&standard), 2);
        area.left = standard.right;
    } else {
        area.left = area.right;
    }
    area.top += 4;
    PicturePanel->SetBounds(area);
}

void TMyOpenPictureDialog::DoShow(HWND dialog) {
    FDialog = dialog;
    PicturePanel->SetParentWindow(dialog);
    PlacePreview(dialog);
    PaintBox->Bitmap().SetSize(0, 0);
    FPreviewedFile.clear();
    PaintPanel->SetCaption(std::string());
    ShowWindow(PicturePanel->Handle(), SW_SHOW);
    SendMessageW(PictureLabel1, WM_SETFONT, SendMessageW(dialog, WM_GETFONT, 0, 0), TRUE);
    if (OnShow) OnShow(dialog);
}

void TMyOpenPictureDialog::DoSelectionChange(HWND dialog) {
    const std::string name = SelectedPath(GetParent(dialog));
    PaintBox->SetScrollBars(svHidden);
    if (name != FPreviewedFile) {
        FPreviewedFile = name;
        const std::wstring widePath = Wide(name);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        bool ok = !name.empty() && GetFileAttributesExW(widePath.c_str(), GetFileExInfoStandard, &data) &&
                  (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && PathExists(name);
        if (ok) {
            try {
                THourglass hourglass;
                ++PreviewDecodes;
                TBitmap32& bitmap = PaintBox->Bitmap();
                bitmap.LoadFromFile(name);
                if (bitmap.Empty()) throw EInvalidGraphic("Empty picture");
                PaintBox->SetScale(
                    PreviewScale(PaintBox->ClientWidth(), PaintBox->ClientHeight(), bitmap.Width(), bitmap.Height()));
                const std::string modified = FormatModified(data.ftLastWriteTime);
                const std::string sizeText = FormatFileSize(GetFileSize64(name));
                SetLabelCaption(PreviewCaption(bitmap.Width(), bitmap.Height(), sizeText, PictureTypeText(name), modified));
                PaintPanel->SetCaption(std::string());
            } catch (...) {
                ok = false;
            }
        }
        if (!ok) {
            SetLabelCaption(std::string());
            PaintBox->Bitmap().SetSize(0, 0);
            PaintPanel->SetCaption(std::string());
        }
    }
    if (OnSelectionChange) OnSelectionChange(dialog);
}

void TMyOpenPictureDialog::DoClose(HWND dialog) {
    // The preview goes back to its own window before the dialog's children are destroyed.
    ShowWindow(PicturePanel->Handle(), SW_HIDE);
    PicturePanel->SetParentWindow(FParking);
    FDialog = nullptr;
    if (OnClose) OnClose(dialog);
    EnumThreadWindows(GetCurrentThreadId(), &HideHintWindow, 0);
}
