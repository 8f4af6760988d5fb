#include "uTfmImageViewer.h"

#include <algorithm>

#include "uApplication.h"
#include "uGraphicUtils.h"
#include "uHourglass.h"
#include "uScreen.h"
#include "uViewerLook.h"
#include "uWinUtils.h"

TfmImageViewer* fmImageViewer = nullptr;

namespace {

const UINT kMoveByCaption = 0xF012;  // SC_MOVE combined with the caption hit code
const DWORD kViewerStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;

// Design sizes: the client area, the panel's distance to the client's bottom, the picture's
// place in the panel, and the button.
const int kDesignClientWidth = 292, kDesignClientHeight = 475;
const int kPanelBottomGap = 51;
const int kImageInset = 6, kImageRightGap = 9, kImageBottomGap = 16;
const int kButtonBottomGap = 44, kButtonWidth = 85, kButtonHeight = 26;

RECT FirstMonitorBoundsOfSystem() { return FirstMonitor().Bounds; }

}  // namespace

TfmImageViewer::TfmImageViewer()
    : TForm(L"TfmImageViewer", "Velmora 图像浏览器", kViewerStyle, 0), FirstMonitorBounds(&FirstMonitorBoundsOfSystem) {
    FormCreate();
    EndCreation();
}

TfmImageViewer::~TfmImageViewer() {
    // The controls go before the window they live in.
    btnClose.reset();
    Image.reset();
    pnMain.reset();
    if (FFont != nullptr) DeleteObject(FFont);
    if (FBackground != nullptr) DeleteObject(FBackground);
    if (fmImageViewer == this) fmImageViewer = nullptr;
}

void TfmImageViewer::FormCreate() {
    // A drop shadow on the window class, and a taskbar button of its own although the window is
    // owned by the application window.
    SetClassLongPtrW(Handle(), GCL_STYLE, GetClassLongPtrW(Handle(), GCL_STYLE) | CS_DROPSHADOW);
    SetWindowLongW(Handle(), GWL_EXSTYLE, GetWindowLongW(Handle(), GWL_EXSTYLE) | WS_EX_APPWINDOW);

    FBackground = CreateSolidBrush(ViewerLook::Background());
    FFont = CreateFontW(-ViewerLook::FontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, ViewerLook::FontName);
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);

    pnMain = std::make_unique<TFramePanel>(Handle(), 0, 0, kDesignClientWidth, kDesignClientHeight - kPanelBottomGap);
    pnMain->Color = ViewerLook::Background();
    pnMain->SingleFrame = true;
    pnMain->FrameColor = ViewerLook::PanelFrame;
    pnMain->BevelOuter = bvNone;
    pnMain->OnMouseDown = [this](TMouseButton, int, int) { MouseDownToEasyMove(); };
    pnMain->OnDblClick = [this] { btnCloseClick(); };

    Image = std::make_unique<TImage32>(pnMain->Handle(), kImageInset, kImageInset, 277, 402);
    Image->ScaleMode = smOptimal;
    Image->BitmapAlign = baCenter;
    Image->Scale = 1.0f;
    Image->RepaintMode = rmOptimizer;
    Image->Color = ViewerLook::PictureBackground();
    Image->Bitmap().SetResamplerClassName("TDraftResampler");
    Image->OnInitStages = [this](TCustomImage32& sender) { ImageInitStages(sender); };
    Image->OnPaintStage = [this](TCustomImage32& sender, TBitmap32& buffer, int32_t stage) {
        ImagePaintStage(sender, buffer, stage);
    };
    Image->OnMouseDown = [this](TMouseButton button, int x, int y) { ImageMouseDown(button, x, y); };
    Image->OnDblClick = [this] { btnCloseClick(); };

    btnClose = std::make_unique<TButton>();
    btnClose->Create(Handle(), "确定", 101, kDesignClientHeight - kButtonBottomGap, kButtonWidth, kButtonHeight);
    btnClose->SetFont(FFont);
    btnClose->OnClick = [this](TWinControl&) { btnCloseClick(); };
    // Enter and Escape, wherever the focus is, close the viewer as OK does.
    SetDialogKeys(true);

    RECT frame{0, 0, kDesignClientWidth, kDesignClientHeight};
    AdjustWindowRectEx(&frame, kViewerStyle, FALSE, GetWindowLongW(Handle(), GWL_EXSTYLE));
    SetBounds(Left(), Top(), frame.right - frame.left, frame.bottom - frame.top);
    RECT client{};
    GetClientRect(Handle(), &client);
    LayOut(client.right, client.bottom);
    FormResize();
}

void TfmImageViewer::LoadPicture(const std::string& path) {
    try {
        Image->Bitmap().LoadFromFile(path);
        FLoaded = true;
    } catch (...) {
        // Any failure (a missing or corrupt file, an unknown format, memory) shows the error picture.
        FLoaded = false;
        try {
            LoadJpegResource(Image->Bitmap(), "IMAGE_ERROR");
        } catch (...) {
            Image->Bitmap().SetSize(0, 0);
        }
    }
}

void TfmImageViewer::ShowImage(const std::string& path) {
    if (IsWindowVisible(Handle()) && path == FImagePath) return;
    {
        THourglass hourglass;
        LoadPicture(path);

        FMaxWidth = 0;
        FMaxHeight = 0;

        const RECT monitor = FirstMonitorBounds();
        const int monitorWidth = monitor.right - monitor.left, monitorHeight = monitor.bottom - monitor.top;
        const int capHeight = static_cast<int>(monitorHeight * 0.75);
        const int wantedHeight = Height() - pnMain->BoundsRect().bottom + pnMain->BoundsRect().top +
                                 Image->Bitmap().Height() + 20;
        SetHeight(std::max(std::min(capHeight, wantedHeight), ViewerMinimumSize));
        const int capWidth = static_cast<int>(monitorWidth * 0.75);
        const int wantedWidth = Width() - pnMain->BoundsRect().right + pnMain->BoundsRect().left +
                                Image->Bitmap().Width() + 20;
        SetWidth(std::max(std::min(capWidth, wantedWidth), ViewerMinimumSize));

        FMaxWidth = Width();
        FMaxHeight = Height();
        SetBounds(monitorWidth / 2 - Width() / 2, monitorHeight / 2 - Height() / 2, Width(), Height());
        FSizeable = FLoaded;

        if (!FShownBefore) CentreOnFirstShowing();
        Show();
        SetForegroundWindow(Handle());
        RedrawWindow(Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);

        RECT client{};
        GetClientRect(Handle(), &client);
        SendMessageW(Handle(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    FImagePath = path;
    PostMessageW(Handle(), WM_BRING_TO_FRONT, 0, 0);
}

// As the window becomes visible for the first time it is centred on the primary screen, moved
// to the monitor of the application's active window when that is another one.
void TfmImageViewer::CentreOnFirstShowing() {
    FShownBefore = true;
    int left = (GetSystemMetrics(SM_CXSCREEN) - Width()) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - Height()) / 2;
    HWND active = GetForegroundWindow();
    DWORD process = 0;
    if (active != nullptr && GetWindowThreadProcessId(active, &process) != 0 && process == GetCurrentProcessId()) {
        MONITORINFO there{}, primary{};
        there.cbSize = primary.cbSize = sizeof(MONITORINFO);
        HMONITOR activeMonitor = MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
        HMONITOR primaryMonitor = MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        if (activeMonitor != primaryMonitor && GetMonitorInfoW(activeMonitor, &there) &&
            GetMonitorInfoW(primaryMonitor, &primary)) {
            left += there.rcMonitor.left - primary.rcMonitor.left;
            top += there.rcMonitor.top - primary.rcMonitor.top;
        }
    }
    SetBounds(left, top, Width(), Height());
}

void TfmImageViewer::btnCloseClick() { Hide(); }

void TfmImageViewer::LayOut(int clientWidth, int clientHeight) {
    if (!pnMain || !Image || !btnClose) return;
    const int panelWidth = clientWidth, panelHeight = std::max(clientHeight - kPanelBottomGap, 0);
    pnMain->SetBounds(0, 0, panelWidth, panelHeight);
    Image->SetBounds(kImageInset, kImageInset, std::max(panelWidth - kImageInset - kImageRightGap, 0),
                     std::max(panelHeight - kImageInset - kImageBottomGap, 0));
    const RECT button = btnClose->BoundsRect();
    btnClose->SetBounds(button.left, clientHeight - kButtonBottomGap, kButtonWidth, kButtonHeight);
}

void TfmImageViewer::FormResize() {
    if (!btnClose) return;
    RECT client{};
    GetClientRect(Handle(), &client);
    const RECT button = btnClose->BoundsRect();
    btnClose->SetBounds(client.right / 2 - (button.right - button.left) / 2, button.top, button.right - button.left,
                        button.bottom - button.top);
}

void TfmImageViewer::DoMouseDown(TMouseButton, int, int) { MouseDownToEasyMove(); }

void TfmImageViewer::ImageMouseDown(TMouseButton, int, int) { MouseDownToEasyMove(); }

void TfmImageViewer::MouseDownToEasyMove() {
    ReleaseCapture();
    SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TfmImageViewer::ImageInitStages(TCustomImage32& sender) { sender.PaintStages().Insert(4); }

void TfmImageViewer::ImagePaintStage(TCustomImage32& sender, TBitmap32& buffer, int32_t) {
    if (!FLoaded) return;
    buffer.FrameRect(sender.GetBitmapRect(), ViewerLook::PictureFrame);
}

bool TfmImageViewer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SIZE:
            LayOut(LOWORD(lParam), HIWORD(lParam));
            FormResize();
            return true;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT{ViewerMinimumSize, ViewerMinimumSize};
            if (FMaxWidth > 0) info->ptMaxTrackSize.x = info->ptMaxSize.x = FMaxWidth;
            if (FMaxHeight > 0) info->ptMaxTrackSize.y = info->ptMaxSize.y = FMaxHeight;
            return true;
        }
        case WM_NCHITTEST:
            result = DefWindowProcW(Handle(), message, wParam, lParam);
            // A window that is not sizeable keeps its borders but they do not resize it.
            if (!FSizeable && result >= HTLEFT && result <= HTBOTTOMRIGHT) result = HTBORDER;
            return true;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                btnCloseClick();
                return true;
            }
            return (wParam & 0xFFF0) == SC_SIZE && !FSizeable;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                btnCloseClick();
                return true;
            }
            return false;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
                btnCloseClick();
                return true;
            }
            return false;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && btnClose) {
                SetFocus(btnClose->Handle());
                return true;
            }
            return false;
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(Handle(), &client);
            FillRect(reinterpret_cast<HDC>(wParam), &client, FBackground);
            result = 1;
            return true;
        }
        case WM_CTLCOLORBTN:
            result = reinterpret_cast<LRESULT>(FBackground);
            return true;
        case WM_BRING_TO_FRONT:
            BringWindowToTop(Handle());
            return true;
        default: return false;
    }
}
