#include "uPanels.h"

#include "uApplication.h"
#include "uWinUtils.h"

namespace {
const wchar_t kPanelClass[] = L"TFramePanel";

int BevelWidth(TBevelCut cut) { return cut == bvNone ? 0 : 1; }

void DrawBevel(HDC dc, RECT& r, TBevelCut cut) {
    if (cut == bvNone) return;
    DrawEdge(dc, &r, cut == bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
}
}  // namespace

TFramePanel::TFramePanel(HWND parent, int left, int top, int width, int height) : Color(GetSysColor(COLOR_BTNFACE)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(kPanelClass, &TFramePanel::WindowProc, CS_DBLCLKS);
    FHandle = CreateWindowExW(0, kPanelClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, left,
                              top, width, height, parent, nullptr, instance, this);
    if (FHandle == nullptr) RaiseLastOSError();
}

TFramePanel::~TFramePanel() {
    if (FHandle == nullptr) return;
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    DestroyWindow(FHandle);
}

void TFramePanel::SetBounds(int left, int top, int width, int height) {
    SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT TFramePanel::BoundsRect() const {
    RECT r{};
    GetWindowRect(FHandle, &r);
    MapWindowPoints(nullptr, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int TFramePanel::Width() const {
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.right;
}

int TFramePanel::Height() const {
    RECT r{};
    GetClientRect(FHandle, &r);
    return r.bottom;
}

void TFramePanel::SetParentWindow(HWND parent) { SetParent(FHandle, parent); }

void TFramePanel::SetCaption(const std::string& caption) {
    if (caption == FCaption) return;
    FCaption = caption;
    Invalidate();
}

RECT TFramePanel::InnerRect() const {
    RECT r{0, 0, Width(), Height()};
    const int inset = (SingleFrame ? 1 : 0) + BevelWidth(BevelOuter) + BevelWidth(BevelInner) + BorderWidth;
    InflateRect(&r, -inset, -inset);
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

void TFramePanel::Invalidate() {
    if (FHandle != nullptr) InvalidateRect(FHandle, nullptr, TRUE);
}

void TFramePanel::Paint(HDC dc) {
    RECT r{0, 0, Width(), Height()};
    HBRUSH fill = CreateSolidBrush(Color);
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    if (SingleFrame) {
        HBRUSH frame = CreateSolidBrush(FrameColor);
        FrameRect(dc, &r, frame);
        DeleteObject(frame);
        InflateRect(&r, -1, -1);
    }
    DrawBevel(dc, r, BevelOuter);
    DrawBevel(dc, r, BevelInner);
    if (!FCaption.empty()) {
        HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(GetParent(FHandle), WM_GETFONT, 0, 0)));
        SetBkMode(dc, TRANSPARENT);
        const std::wstring text = Wide(FCaption);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(dc, oldFont);
    }
}

LRESULT CALLBACK TFramePanel::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* panel = reinterpret_cast<TFramePanel*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (panel == nullptr || panel->FHandle != window) return DefWindowProcW(window, message, wParam, lParam);
    return panel->Dispatch(message, wParam, lParam);
}

LRESULT TFramePanel::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(FHandle, &ps);
            SafeCall([&] { Paint(dc); });
            EndPaint(FHandle, &ps);
            return 0;
        }
        case WM_SIZE:
            Invalidate();
            SafeCall([&] {
                if (OnResize) OnResize();
            });
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            SafeCall([&] {
                const TMouseButton button =
                    message == WM_LBUTTONDOWN ? mbLeft : message == WM_RBUTTONDOWN ? mbRight : mbMiddle;
                if (OnMouseDown) OnMouseDown(button, x, y);
            });
            return 0;
        case WM_LBUTTONDBLCLK:
            SafeCall([&] {
                if (OnDblClick) OnDblClick();
            });
            return 0;
        // Notifications of child controls go to the panel's parent, which owns their handlers.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetParent(FHandle), message, wParam, lParam);
        default: return DefWindowProcW(FHandle, message, wParam, lParam);
    }
}
