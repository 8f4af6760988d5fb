#include "uForms.h"

#include "uApplication.h"
#include "uControls.h"
#include "uMenus.h"
#include "uWinUtils.h"

TForm::TForm(const std::wstring& className, const std::string& caption, DWORD style, DWORD exStyle,
             UINT classStyle) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(className.c_str(), &TForm::WindowProc, CS_DBLCLKS | classStyle);
    HWND owner = Application != nullptr ? Application->Handle() : nullptr;
    FHandle = CreateWindowExW(exStyle, className.c_str(), Wide(caption).c_str(), style, 0, 0, 0, 0, owner, nullptr,
                              instance, this);
    if (FHandle == nullptr) RaiseLastOSError();
    if (Application != nullptr) Application->SetMainForm(this);
}

TForm::~TForm() {
    if (FHandle != nullptr) {
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
        DestroyWindow(FHandle);
    }
    if (Application != nullptr && Application->MainForm() == this) Application->SetMainForm(nullptr);
}

RECT TForm::BoundsRect() const {
    RECT r{};
    GetWindowRect(FHandle, &r);
    return r;
}
int TForm::Left() const { return BoundsRect().left; }
int TForm::Top() const { return BoundsRect().top; }
int TForm::Width() const {
    const RECT r = BoundsRect();
    return r.right - r.left;
}
int TForm::Height() const {
    const RECT r = BoundsRect();
    return r.bottom - r.top;
}

void TForm::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TForm::Show() {
    FVisible = true;
    if (FCreating) return;
    ShowWindow(FHandle, SW_SHOWNOACTIVATE);
    // The z-order asked for while the window was hidden holds once it is visible.
    ApplyZOrder();
    DoShow();
}

void TForm::Hide() {
    FVisible = false;
    if (FCreating) return;
    ShowWindow(FHandle, SW_HIDE);
}

void TForm::SetFormStyle(TFormStyle style) {
    FFormStyle = style;
    ApplyZOrder();
}

void TForm::ApplyZOrder() {
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    if (FFormStyle == fsStayOnTop) {
        SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, flags);
        return;
    }
    // An owned window can stay topmost after HWND_NOTOPMOST on some systems (Wine among them);
    // without its owner for the moment of the change it always leaves the topmost band.
    HWND owner = GetWindow(FHandle, GW_OWNER);
    if (owner != nullptr) SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, 0);
    SetWindowPos(FHandle, HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    if (owner != nullptr) SetWindowLongPtrW(FHandle, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
}

void TForm::Close() {
    if (FClosing || FHandle == nullptr) return;
    FClosing = true;
    SafeCall([this] { DoClose(); });
    const bool wasMain = Application != nullptr && Application->MainForm() == this;
    HWND handle = FHandle;
    FHandle = nullptr;
    SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
    DestroyWindow(handle);
    if (wasMain) Application->Terminate();
}

void TForm::SetDialogKeys(bool value) {
    if (value)
        SetPropW(FHandle, DialogKeysProperty, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(FHandle, DialogKeysProperty);
}

bool TForm::HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT CALLBACK TForm::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<TForm*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    return form->Dispatch(window, message, wParam, lParam);
}

LRESULT TForm::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    bool handled = false;
    SafeCall([&] {
        const int x = static_cast<short>(LOWORD(lParam));
        const int y = static_cast<short>(HIWORD(lParam));
        const TMouseButton extra = HIWORD(wParam) == XBUTTON2 ? mbExtra2 : mbExtra1;
        switch (message) {
            case WM_LBUTTONDOWN: DoMouseDown(mbLeft, x, y); handled = true; break;
            case WM_RBUTTONDOWN:
            case WM_RBUTTONDBLCLK: DoMouseDown(mbRight, x, y); handled = true; break;
            case WM_MBUTTONDOWN:
            case WM_MBUTTONDBLCLK: DoMouseDown(mbMiddle, x, y); handled = true; break;
            case WM_XBUTTONDOWN:
            case WM_XBUTTONDBLCLK: DoMouseDown(extra, x, y); result = TRUE; handled = true; break;
            case WM_LBUTTONDBLCLK:
                DoMouseDown(mbLeft, x, y);
                DoDblClick();
                handled = true;
                break;
            case WM_MOUSEMOVE: MouseMoved(); break;
            case WM_MOUSELEAVE:
                FMouseInside = false;
                DoMouseLeave();
                handled = true;
                break;
            case WM_ENTERSIZEMOVE: FInMoveLoop = true; break;
            case WM_EXITSIZEMOVE: FInMoveLoop = false; break;
            case WM_CONTEXTMENU:
                if (FPopupMenu != nullptr) {
                    ContextMenu(lParam);
                    handled = true;
                }
                break;
            case WM_MEASUREITEM:
            case WM_DRAWITEM:
                handled = (FPopupMenu != nullptr && FPopupMenu->HandleOwnerMessage(message, wParam, lParam, result)) ||
                          TWinControl::ReflectNotification(window, message, wParam, lParam, result);
                break;
            case WM_CLOSE: CloseRequested(); handled = true; break;
            default:
                // A control's notification goes back to the control (ReflectNotification knows which).
                handled = TWinControl::ReflectNotification(window, message, wParam, lParam, result);
                break;
        }
        if (!handled) handled = HandleMessage(message, wParam, lParam, result);
    });
    if (handled) return result;
    return DefWindowProcW(window, message, wParam, lParam);
}

// The first move over the window is the mouse entering it; the system reports the leave.
void TForm::MouseMoved() {
    if (FMouseInside) return;
    FMouseInside = true;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = FHandle;
    TrackMouseEvent(&track);
    DoMouseEnter();
}

// Opens the popup menu at the click, or at the pointer when the keyboard asked for it.
void TForm::ContextMenu(LPARAM lParam) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    if (at.x == -1 && at.y == -1) GetCursorPos(&at);
    FPopupMenu->Popup(FHandle, at.x, at.y);
    // A right press starts the window's move loop, and the release that opened the menu does not
    // end it on every system (the loop waits for a left release): end it here, where it stands,
    // so the window does not follow the pointer after the menu has closed.
    if (FInMoveLoop) PostMessageW(FHandle, WM_KEYDOWN, VK_RETURN, 0);
}
