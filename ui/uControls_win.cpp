#include "uControls.h"

#include "uApplication.h"
#include "uWinUtils.h"

namespace {

const wchar_t kControlProperty[] = L"VelmoraControl";
const wchar_t kPlainControlClass[] = L"VelmoraControl";

void RegisterPlainControlClass() { RegisterWindowClass(kPlainControlClass, &DefWindowProcW, 0); }

TMouseButton ButtonOf(UINT message, WPARAM wParam) {
    switch (message) {
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK: return mbRight;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK: return mbMiddle;
        case WM_XBUTTONDOWN:
        case WM_XBUTTONDBLCLK: return HIWORD(wParam) == XBUTTON2 ? mbExtra2 : mbExtra1;
        default: return mbLeft;
    }
}

}  // namespace

TWinControl::~TWinControl() { DestroyHandle(); }

void TWinControl::CreateHandle(HWND parent, const wchar_t* className, const std::string& text, DWORD style,
                               DWORD exStyle, int left, int top, int width, int height) {
    if (className == nullptr) {
        RegisterPlainControlClass();
        className = kPlainControlClass;
    }
    // Child identifiers start above the dialog commands (IDOK, IDCANCEL, ...).
    static int nextId = 1000;
    HWND window = CreateWindowExW(exStyle, className, Wide(text).c_str(), style | WS_CHILD, left, top, width, height,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(nextId++)),
                                  GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) RaiseLastOSError();
    Attach(window);
}

void TWinControl::Attach(HWND window) {
    DestroyHandle();
    FHandle = window;
    if (FHandle == nullptr) return;
    SetPropW(FHandle, kControlProperty, this);
    FDefaultProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinControl::SubclassProc)));
}

void TWinControl::DestroyHandle() {
    if (FHandle == nullptr) return;
    HWND window = FHandle;
    FHandle = nullptr;
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FDefaultProc));
    RemovePropW(window, kControlProperty);
    DestroyWindow(window);
}

TWinControl* TWinControl::FromHandle(HWND window) {
    return window != nullptr ? static_cast<TWinControl*>(GetPropW(window, kControlProperty)) : nullptr;
}

LRESULT CALLBACK TWinControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TWinControl* control = FromHandle(window);
    if (control == nullptr || control->FHandle != window) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    bool handled = false;
    SafeCall([&] {
        result = control->WndProc(message, wParam, lParam);
        handled = true;
    });
    return handled ? result : control->DefaultHandler(message, wParam, lParam);
}

LRESULT TWinControl::DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(FDefaultProc, FHandle, message, wParam, lParam);
}

LRESULT TWinControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_XBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
        case WM_XBUTTONDBLCLK:
            if (OnMouseDown) {
                OnMouseDown(*this, ButtonOf(message, wParam), x, y);
                return message == WM_XBUTTONDOWN || message == WM_XBUTTONDBLCLK ? TRUE : 0;
            }
            break;
        case WM_MOUSEMOVE:
            if (!FMouseInside) {
                FMouseInside = true;
                TRACKMOUSEEVENT track{};
                track.cbSize = sizeof track;
                track.dwFlags = TME_LEAVE;
                track.hwndTrack = FHandle;
                TrackMouseEvent(&track);
                MouseEntered();
            }
            if (OnMouseMove) OnMouseMove(*this, x, y);
            break;
        case WM_MOUSELEAVE:
            FMouseInside = false;
            MouseLeft();
            break;
        default: {
            // A child's notification goes back to the child (ReflectNotification knows which).
            LRESULT result = 0;
            if (ReflectNotification(FHandle, message, wParam, lParam, result)) return result;
            break;
        }
    }
    return DefaultHandler(message, wParam, lParam);
}

RECT TWinControl::BoundsRect() const {
    RECT r{};
    GetWindowRect(FHandle, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetTop(int top) {
    const RECT r = BoundsRect();
    SetBounds(r.left, top, r.right - r.left, r.bottom - r.top);
}

bool TWinControl::Visible() const { return (GetWindowLongW(FHandle, GWL_STYLE) & WS_VISIBLE) != 0; }

void TWinControl::SetVisible(bool value) { ShowWindow(FHandle, value ? SW_SHOWNA : SW_HIDE); }

std::string TWinControl::Text() const {
    const int length = GetWindowTextLengthW(FHandle);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(FHandle, text.data(), length + 1)));
    return Narrow(text);
}

void TWinControl::SetText(const std::string& text) {
    if (Text() == text) return;
    SetWindowTextW(FHandle, Wide(text).c_str());
}

void TWinControl::SetFont(HFONT font) {
    FFont = font;
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void TWinControl::Invalidate() { InvalidateRect(FHandle, nullptr, TRUE); }

void TWinControl::Repaint() {
    InvalidateRect(FHandle, nullptr, FALSE);
    UpdateWindow(FHandle);
}

COLORREF TWinControl::ParentColor() const {
    const TWinControl* parent = FromHandle(GetParent(FHandle));
    return parent != nullptr ? parent->SurfaceColor() : SkinColor(&TSkin::Face, COLOR_BTNFACE);
}

HBRUSH TWinControl::SolidBrush(COLORREF color) {
    if (FBrush.Get() == nullptr || FBrushColor != color) {
        FBrush.Reset(CreateSolidBrush(color));
        FBrushColor = color;
    }
    return FBrush.Get();
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
            // The drop-down list of a combo box belongs to the combo box.
            if (message == WM_CTLCOLORLISTBOX && FromHandle(sender) == nullptr) {
                COMBOBOXINFO info{};
                info.cbSize = sizeof info;
                for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
                    if (GetComboBoxInfo(child, &info) && info.hwndList == sender) sender = child;
            }
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

LRESULT TCustomControl::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            RECT client{};
            GetClientRect(Handle(), &client);
            Paint(dc, client);
            EndPaint(Handle(), &ps);
            return 0;
        }
        case WM_PRINTCLIENT: {
            RECT client{};
            GetClientRect(Handle(), &client);
            Paint(reinterpret_cast<HDC>(wParam), client);
            return 0;
        }
        default:
            return TWinControl::WndProc(message, wParam, lParam);
    }
}
