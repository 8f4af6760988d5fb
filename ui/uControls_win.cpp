#include "uControls.h"

namespace {
const wchar_t kControlProperty[] = L"VelmoraControl";
}

TWinControl::~TWinControl() { DestroyHandle(); }

void TWinControl::Attach(HWND window) {
    DestroyHandle();
    FHandle = window;
    if (FHandle != nullptr) SetPropW(FHandle, kControlProperty, this);
}

void TWinControl::DestroyHandle() {
    if (FHandle == nullptr) return;
    RemovePropW(FHandle, kControlProperty);
    DestroyWindow(FHandle);
    FHandle = nullptr;
}

TWinControl* TWinControl::FromHandle(HWND window) {
    return window != nullptr ? static_cast<TWinControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

bool TWinControl::ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    HWND sender = nullptr;
    switch (message) {
        case WM_COMMAND:
            sender = reinterpret_cast<HWND>(lParam);
            break;
        case WM_NOTIFY:
            sender = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
            break;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORSCROLLBAR:
            sender = reinterpret_cast<HWND>(lParam);
            break;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_MENU) sender = item->hwndItem;
            break;
        }
        case WM_MEASUREITEM: {
            const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_MENU) sender = GetDlgItem(parent, static_cast<int>(item->CtlID));
            break;
        }
        default:
            return false;
    }
    TWinControl* control = FromHandle(sender);
    return control != nullptr && control->Reflect(message, wParam, lParam, result);
}
