#include "uImage32.h"

#include "uApplication.h"
#include "uWinUtils.h"

namespace {
const wchar_t kImageClass[] = L"TImage32";
}  // namespace

TCustomImage32::TCustomImage32(HWND parent, int left, int top, int width, int height)
    : FBitmap(std::make_unique<TBitmap32>()) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(kImageClass, &TCustomImage32::WindowProc, CS_DBLCLKS);
    FHandle = CreateWindowExW(0, kImageClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, left, top, width, height,
                              parent, nullptr, instance, this);
    if (FHandle == nullptr) RaiseLastOSError();
    FBitmap->OnChange = [this](TBitmap32&) { Changed(); };
}

TCustomImage32::~TCustomImage32() {
    FBitmap->OnChange = nullptr;
    if (FHandle != nullptr) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
}

void TCustomImage32::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TCustomImage32::ClientWidth() const {
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.right;
}

int TCustomImage32::ClientHeight() const {
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TCustomImage32::InitStages() {
    FStages = TPaintStages();
    FStagesBuilt = true;
    if (OnInitStages) OnInitStages(*this);
    Changed();
}

TRect TCustomImage32::GetBitmapRect() const {
    if (FBitmap->Empty()) return TRect{};
    return ShownRect(ClientWidth(), ClientHeight());
}

void TCustomImage32::Changed() {
    if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, FALSE);
}

void TCustomImage32::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(FHandle, &ps);
    if (dc == nullptr) return;
    const int width = ClientWidth(), height = ClientHeight();
    try {
        if (!FStagesBuilt) {
            FStages = TPaintStages();
            FStagesBuilt = true;
            if (OnInitStages) OnInitStages(*this);
        }
        FBuffer.SetSize(width, height);
        TDisplayPaint paint;
        paint.Bitmap = FBitmap.get();
        paint.Shown = GetBitmapRect();
        paint.Color = Color;
        if (OnPaintStage)
            paint.OnPaintStage = [this](TBitmap32& buffer, int32_t stage) { OnPaintStage(*this, buffer, stage); };
        PaintDisplayStages(FBuffer, FStages, paint);
        if (!FBuffer.Empty())
            BitBlt(dc, 0, 0, width, height, static_cast<HDC>(FBuffer.Canvas().Handle()), 0, 0, SRCCOPY);
    } catch (...) {
        EndPaint(FHandle, &ps);
        throw;
    }
    EndPaint(FHandle, &ps);
}

LRESULT CALLBACK TCustomImage32::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* control = reinterpret_cast<TCustomImage32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (control == nullptr || control->FHandle != window) return DefWindowProcW(window, message, wParam, lParam);
    return control->Dispatch(message, wParam, lParam);
}

LRESULT TCustomImage32::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    LRESULT result = 0;
    bool handled = true;
    SafeCall([&] {
        switch (message) {
            case WM_ERASEBKGND: result = 1; break;
            case WM_PAINT: Paint(); break;
            case WM_SIZE:
                Resized();
                Changed();
                handled = false;
                break;
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN: {
                const TMouseButton button =
                    message == WM_LBUTTONDOWN ? mbLeft : message == WM_RBUTTONDOWN ? mbRight : mbMiddle;
                if (OnMouseDown) OnMouseDown(button, x, y);
                break;
            }
            case WM_LBUTTONDBLCLK:
                if (OnDblClick) OnDblClick();
                break;
            default: handled = false; break;
        }
    });
    if (handled) return result;
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

TRect TImage32::ShownRect(int32_t clientWidth, int32_t clientHeight) const {
    const TShownSize shown =
        ShownSize(ScaleMode, Scale, Bitmap().Width(), Bitmap().Height(), clientWidth, clientHeight);
    return AlignedRect(BitmapAlign, clientWidth, clientHeight, shown);
}

TImgView32::TImgView32(HWND parent, int left, int top, int width, int height)
    : TCustomImage32(parent, left, top, width, height) {
    SetWindowLongW(Handle(), GWL_STYLE, GetWindowLongW(Handle(), GWL_STYLE) | WS_HSCROLL | WS_VSCROLL);
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    UpdateScrollBars();
}

void TImgView32::SetScale(float value) {
    FScale = ClampViewScale(value);
    UpdateScrollBars();
    Changed();
}

void TImgView32::SetScrollBars(TScrollBarVisibility value) {
    FScrollBars = value;
    UpdateScrollBars();
    Changed();
}

void TImgView32::UpdateScrollBars() {
    bool horizontal = FScrollBars == svAlways, vertical = FScrollBars == svAlways;
    if (FScrollBars == svAuto && !Bitmap().Empty()) {
        RECT r{};
        GetWindowRect(Handle(), &r);  // the whole control: the view without scroll bars
        const TShownSize shown = ShownSize(smScale, FScale, Bitmap().Width(), Bitmap().Height(), 1, 1);
        horizontal = shown.Width > r.right - r.left;
        vertical = shown.Height > r.bottom - r.top;
    }
    ShowScrollBar(Handle(), SB_HORZ, horizontal);
    ShowScrollBar(Handle(), SB_VERT, vertical);
}

TRect TImgView32::ShownRect(int32_t clientWidth, int32_t clientHeight) const {
    return ViewRect(clientWidth, clientHeight, Bitmap().Width(), Bitmap().Height(), FScale, Centered);
}
