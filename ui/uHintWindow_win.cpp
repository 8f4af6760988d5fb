#include "uHintWindow.h"

#include "uWinUtils.h"

THintWindow::THintWindow(const std::wstring& className, UINT classStyle) : FClassName(className) {
    RegisterWindowClass(className.c_str(), &THintWindow::WindowProc, classStyle);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        FFont.Reset(CreateFontIndirectW(&metrics.lfStatusFont));
}

THintWindow::~THintWindow() { ReleaseHandle(); }

void THintWindow::HandleNeeded() {
    if (FHandle != nullptr) return;
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, FClassName.c_str(), L"", Style(), 0, 0, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (FHandle == nullptr) RaiseLastOSError();
}

void THintWindow::ReleaseHandle() {
    if (FHandle == nullptr) return;
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
    FHandle = nullptr;
}

void THintWindow::ActivateHint(RECT rect, const std::string& text) {
    HandleNeeded();
    FText = Wide(text);
    SetWindowTextW(FHandle, FText.c_str());
    rect.bottom += 4;
    // Keep the note on the desktop: up or left to end at its bottom or right edge, right when it
    // would start left of it.
    const int desktopLeft = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int desktopTop = GetSystemMetrics(SM_YVIRTUALSCREEN);
    const int desktopRight = desktopLeft + GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int desktopBottom = desktopTop + GetSystemMetrics(SM_CYVIRTUALSCREEN);
    if (rect.bottom > desktopBottom) OffsetRect(&rect, 0, desktopBottom - rect.bottom);
    if (rect.right > desktopRight) OffsetRect(&rect, desktopRight - rect.right, 0);
    if (rect.left < desktopLeft) OffsetRect(&rect, desktopLeft - rect.left, 0);
    SetWindowPos(FHandle, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                 SWP_NOACTIVATE);

    const ULONGLONG now = GetTickCount64();
    BOOL animate = FALSE, fade = FALSE;
    if (now - FLastActivation > 250 && text.size() < 100 &&
        SystemParametersInfoW(SPI_GETTOOLTIPANIMATION, 0, &animate, 0) && animate) {
        SystemParametersInfoW(SPI_GETTOOLTIPFADE, 0, &fade, 0);
        AnimateWindow(FHandle, 100, fade ? AW_BLEND : (AW_SLIDE | AW_VER_POSITIVE));
    }
    FLastActivation = now;
    ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    InvalidateRect(FHandle, nullptr, TRUE);
    UpdateWindow(FHandle);
}

void THintWindow::Paint(HDC dc, const RECT& client) {
    RECT r = client;
    InflateRect(&r, -2, -2);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    DrawTextW(dc, FText.c_str(), static_cast<int>(FText.size()), &r, DT_WORDBREAK | DT_NOPREFIX);
}

LRESULT CALLBACK THintWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<THintWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
            case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
            case WM_NCHITTEST: return HTTRANSPARENT;
            case WM_ERASEBKGND: {
                RECT client;
                GetClientRect(window, &client);
                TBrushHandle brush(CreateSolidBrush(self->Color));
                FillRect(reinterpret_cast<HDC>(wParam), &client, brush.Get());
                return 1;
            }
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(window, &paint);
                RECT client;
                GetClientRect(window, &client);
                TSelectObject font(dc, self->Font());
                self->Paint(dc, client);
                EndPaint(window, &paint);
                return 0;
            }
            default: break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
