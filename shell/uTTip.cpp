#include "uTTip.h"

#include "uGdiObjects.h"
#include "uWinUtils.h"

const char* const TipText = "Double-Click - Execute Action\r\nRight Click - Show Menu";

namespace {

const COLORREF kTipYellow = RGB(255, 255, 0);
const COLORREF kTipRed = RGB(255, 0, 0);

// "MS Sans Serif" 8 points; where the face is missing the system substitutes a plain sans serif.
HFONT CreateTipFont() {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(8, screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96, 72);
    if (screen != nullptr) ReleaseDC(nullptr, screen);
    return CreateUiFont(L"MS Sans Serif", height, false);
}

}  // namespace

TTipHint::TTipHint() : THintWindow(L"TTipHint", CS_SAVEBITS | CS_DROPSHADOW) {
    SetFont(CreateTipFont());
    Color = kTipYellow;
}

void TTipHint::Paint(HDC dc, const RECT& client) {
    SetTextColor(dc, kTipRed);
    SetBkMode(dc, TRANSPARENT);
    RECT text{client.left + 4, client.top + 3, client.right - 4, client.bottom - 1};
    const std::wstring wide = Text();
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &text, DT_WORDBREAK | DT_NOPREFIX);
    // One connected line over the outermost row and column on all four sides.
    TPenHandle pen(CreatePen(PS_SOLID, 1, kTipRed));
    TSelectObject selectPen(dc, pen.Get());
    MoveToEx(dc, client.left, client.bottom, nullptr);
    LineTo(dc, client.left, client.top);
    LineTo(dc, client.right - 1, client.top);
    LineTo(dc, client.right - 1, client.bottom - 1);
    LineTo(dc, client.left - 1, client.bottom - 1);
}

void TTip::Show(POINT p, const std::string& text) {
    Hide();
    FWindow.reset();
    FWindow = std::make_unique<TTipHint>();
    FWindow->HandleNeeded();

    // Break the text into lines within 350 pixels, measured with the window's font.
    RECT measured{0, 0, 350, 0};
    const std::wstring wide = Wide(text);
    HDC dc = GetDC(FWindow->Handle());
    {
        TSelectObject font(dc, FWindow->Font());
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    }
    ReleaseDC(FWindow->Handle(), dc);
    const int w = measured.right - measured.left, h = measured.bottom - measured.top;

    FWindow->ActivateHint(RECT{p.x, p.y, p.x + w + 8, p.y + h + 3}, text);
    // Above the topmost gadget.
    SetWindowPos(FWindow->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TTip::Hide() {
    if (FWindow) FWindow->ReleaseHandle();
}
