#include "uButtons.h"

#include <commctrl.h>

#include "uApplication.h"
#include "uWinUtils.h"

namespace {
const UINT_PTR kSubclassId = 1;
}

TButton::TButton(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    FHandle = CreateWindowExW(0, L"BUTTON", Wide(caption).c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                              left, top, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (FHandle == nullptr) RaiseLastOSError();
    SetWindowSubclass(FHandle, &TButton::SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

TButton::~TButton() {
    if (FHandle == nullptr) return;
    RemoveWindowSubclass(FHandle, &TButton::SubclassProc, kSubclassId);
    DestroyWindow(FHandle);
}

RECT TButton::BoundsRect() const {
    RECT r{};
    GetWindowRect(FHandle, &r);
    MapWindowPoints(nullptr, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void TButton::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

int TButton::Width() const {
    const RECT r = BoundsRect();
    return r.right - r.left;
}

void TButton::SetFont(HFONT font) { SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

void TButton::SetDefault(bool value) {
    FDefault = value;
    SendMessageW(FHandle, BM_SETSTYLE, value ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::Click() {
    if (OnClick) OnClick();
}

LRESULT CALLBACK TButton::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                       DWORD_PTR data) {
    auto* button = reinterpret_cast<TButton*>(data);
    const bool pressKey = (wParam == VK_RETURN && button->FDefault) || (wParam == VK_ESCAPE && button->Cancel);
    if (message == WM_KEYDOWN && pressKey) {
        SafeCall([button] { button->Click(); });
        return 0;
    }
    // The characters of those keys would only beep.
    if (message == WM_CHAR && (wParam == L'\r' || wParam == 27) && pressKey) return 0;
    return DefSubclassProc(window, message, wParam, lParam);
}
