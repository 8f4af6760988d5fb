#include "uStdCtrls.h"

#include <commctrl.h>

#include "uWinUtils.h"

namespace {

const DWORD kContainerStyle = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    TBrushHandle brush(CreateSolidBrush(color));
    FillRect(dc, &rect, brush.Get());
}

void FrameSolid(HDC dc, const RECT& rect, COLORREF color) {
    TBrushHandle brush(CreateSolidBrush(color));
    FrameRect(dc, &rect, brush.Get());
}

void DrawFocus(HDC dc, RECT rect) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &rect);
}

// A push button face of the skin: its state colour, a frame, and the caption centred.
void DrawSkinnedButton(HDC dc, RECT rect, const std::wstring& caption, bool pressed, bool hot, bool focused,
                       bool enabled) {
    const TSkin& skin = *ActiveSkin();
    FillSolid(dc, rect, ToColorRef(pressed ? skin.ButtonDown : hot ? skin.ButtonHot : skin.ButtonFace));
    for (int i = 0; i < skin.ButtonFrameWidth; ++i) {
        FrameSolid(dc, rect, ToColorRef(focused ? skin.Focus : skin.Frame));
        InflateRect(&rect, -1, -1);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(enabled ? skin.ButtonText : skin.DisabledText));
    if (pressed) OffsetRect(&rect, 1, 1);
    DrawTextW(dc, caption.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

}  // namespace

// --- TPanel ---------------------------------------------------------------------------------------

void TPanel::Create(HWND parent, int left, int top, int width, int height) {
    CreatePlain(parent, "", kContainerStyle, WS_EX_CONTROLPARENT, left, top, width, height);
}

void TPanel::Paint(HDC dc, const RECT& client) { FillSolid(dc, client, SurfaceColor()); }

// --- TLabel ---------------------------------------------------------------------------------------

void TLabel::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    CreatePlain(parent, caption, WS_VISIBLE, 0, left, top, width, height);
}

void TLabel::AdjustSize() {
    HDC dc = GetDC(Handle());
    RECT r{0, 0, 0, 0};
    {
        TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
        DrawTextW(dc, WindowText(Handle()).c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    ReleaseDC(Handle(), dc);
    const RECT bounds = BoundsRect();
    SetBounds(bounds.left, bounds.top, r.right, r.bottom);
}

void TLabel::Paint(HDC dc, const RECT& client) {
    FillSolid(dc, client, ParentColor());
    TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, TextColor());
    const std::wstring text = WindowText(Handle());
    UINT flags = DT_NOPREFIX | (Centered ? DT_CENTER : DT_LEFT) | (WordWrap ? DT_WORDBREAK : 0);
    RECT r = client;
    if (CenteredLayout) {
        RECT measure = client;
        DrawTextW(dc, text.c_str(), -1, &measure, flags | DT_CALCRECT);
        const int textHeight = measure.bottom - measure.top;
        r.top = client.top + (client.bottom - client.top - textHeight) / 2;
        r.bottom = r.top + textHeight;
    }
    DrawTextW(dc, text.c_str(), -1, &r, flags);
}

LRESULT TLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        const LRESULT result = TCustomControl::WndProc(message, wParam, lParam);
        Invalidate();
        return result;
    }
    return TCustomControl::WndProc(message, wParam, lParam);
}

// --- TLinkLabel -----------------------------------------------------------------------------------

void TLinkLabel::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    TLabel::Create(parent, caption, left, top, width, height);
    Centered = true;
}

LRESULT TLinkLabel::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(LoadCursorW(nullptr, IDC_HAND));
            return TRUE;
        case WM_LBUTTONDOWN:
            FPressed = true;
            SetCapture(Handle());
            break;
        case WM_LBUTTONUP: {
            if (!FPressed) break;
            FPressed = false;
            ReleaseCapture();
            RECT client{};
            GetClientRect(Handle(), &client);
            const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (PtInRect(&client, at) && OnClick) OnClick(*this);
            return 0;
        }
        case WM_CAPTURECHANGED:
            FPressed = false;
            break;
        default:
            break;
    }
    return TLabel::WndProc(message, wParam, lParam);
}

// --- TSectionHeader -------------------------------------------------------------------------------

void TSectionHeader::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    CreatePlain(parent, caption, WS_VISIBLE, 0, left, top, width, height);
}

void TSectionHeader::Paint(HDC dc, const RECT& client) {
    FillSolid(dc, client, ParentColor());
    TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinColor(&TSkin::Text, COLOR_BTNTEXT));
    const std::wstring text = WindowText(Handle());
    RECT r = client;
    DrawTextW(dc, text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    RECT measure{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    const int y = (client.top + client.bottom) / 2;
    RECT rule{client.left + measure.right, y, client.right, y + 1};
    FillSolid(dc, rule, SkinColor(&TSkin::Rule, COLOR_BTNSHADOW));
}

// --- TCheckBox ------------------------------------------------------------------------------------

void TCheckBox::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    FSkinned = ActiveSkin() != nullptr;
    CreateHandle(parent, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | (FSkinned ? BS_OWNERDRAW : BS_AUTOCHECKBOX), 0,
                 left, top, width, height);
}

bool TCheckBox::Checked() const { return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TCheckBox::SetChecked(bool value) {
    SendMessageW(Handle(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

LRESULT TCheckBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (FSkinned) {
        // The owner-drawn box keeps its own state behind the usual messages.
        if (message == BM_GETCHECK) return FChecked ? BST_CHECKED : BST_UNCHECKED;
        if (message == BM_SETCHECK) {
            FChecked = wParam == BST_CHECKED;
            Invalidate();
            return 0;
        }
        // An owner-drawn button answers the dialog keys as a push button; a check box is none.
        if (message == WM_GETDLGCODE) return DLGC_BUTTON;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

bool TCheckBox::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND && (HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED)) {
        if (FSkinned) {
            FChecked = !FChecked;
            Invalidate();
        }
        if (OnClick) OnClick(*this);
        result = 0;
        return true;
    }
    if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, SkinColor(&TSkin::Text, COLOR_BTNTEXT));
        SetBkColor(dc, ParentColor());
        result = reinterpret_cast<LRESULT>(SolidBrush(ParentColor()));
        return true;
    }
    if (message == WM_DRAWITEM && FSkinned) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const TSkin& skin = *ActiveSkin();
        HDC dc = item->hDC;
        RECT client = item->rcItem;
        FillSolid(dc, client, ParentColor());
        const int size = skin.CheckBoxSize;
        RECT box{client.left, client.top + (client.bottom - client.top - size) / 2, 0, 0};
        box.right = box.left + size;
        box.bottom = box.top + size;
        FillSolid(dc, box, ToColorRef(skin.EditFace));
        FrameSolid(dc, box, ToColorRef((item->itemState & ODS_FOCUS) ? skin.Focus : skin.Frame));
        if (FChecked) {
            // A tick of two strokes, two pixels thick.
            TPenHandle pen(CreatePen(PS_SOLID, 2, ToColorRef(skin.Text)));
            TSelectObject selected(dc, pen.Get());
            const int x = box.left, y = box.top;
            MoveToEx(dc, x + 3, y + size / 2, nullptr);
            LineTo(dc, x + size / 2 - 1, y + size - 4);
            LineTo(dc, x + size - 3, y + 3);
        }
        RECT text = client;
        text.left = box.right + 4;
        TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ToColorRef((item->itemState & ODS_DISABLED) ? skin.DisabledText : skin.Text));
        const std::wstring caption = WindowText(Handle());
        DrawTextW(dc, caption.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        if (item->itemState & ODS_FOCUS) {
            RECT measure = text;
            DrawTextW(dc, caption.c_str(), -1, &measure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
            const int h = measure.bottom - measure.top;
            RECT focus{text.left - 1, text.top + (text.bottom - text.top - h) / 2 - 1, measure.right + 1, 0};
            focus.bottom = focus.top + h + 2;
            DrawFocus(dc, focus);
        }
        result = TRUE;
        return true;
    }
    return false;
}

// --- TComboBox ------------------------------------------------------------------------------------

void TComboBox::Create(HWND parent, int left, int top, int width, int height) {
    FSkinned = ActiveSkin() != nullptr;
    const DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_HASSTRINGS |
                        (FSkinned ? CBS_OWNERDRAWFIXED : 0);
    // The window's height includes the drop-down list; the selection field gets the given height.
    CreateHandle(parent, L"COMBOBOX", "", style, 0, left, top, width, height + 200);
    FFieldHeight = height;
    FitFieldHeight();
    if (FSkinned) SendMessageW(Handle(), CB_SETITEMHEIGHT, 0, ActiveSkin()->ListItemHeight);
}

// The field's frame differs between systems, and a new font resets the field: set a first guess,
// then correct it by what it gave.
void TComboBox::FitFieldHeight() {
    int field = FFieldHeight - 6;
    SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT shown{};
    GetWindowRect(Handle(), &shown);
    field += FFieldHeight - (shown.bottom - shown.top);
    if (field > 0) SendMessageW(Handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
}

// The skinned field: the selected item on the edit face, a frame, and the drop-down button.
void TComboBox::PaintSkinned(HDC dc) {
    const TSkin& skin = *ActiveSkin();
    RECT client{};
    GetClientRect(Handle(), &client);
    const bool focused = GetFocus() == Handle();
    FillSolid(dc, client, ToColorRef(skin.EditFace));
    FrameSolid(dc, client, ToColorRef(focused ? skin.Focus : skin.Frame));
    const int side = client.bottom - client.top - 2;
    RECT button{client.right - 1 - side, client.top + 1, client.right - 1, client.bottom - 1};
    FillSolid(dc, button, ToColorRef(skin.ButtonFace));
    TBrushHandle arrowBrush(CreateSolidBrush(ToColorRef(skin.ButtonText)));
    TPenHandle arrowPen(CreatePen(PS_SOLID, 1, ToColorRef(skin.ButtonText)));
    {
        TSelectObject brush(dc, arrowBrush.Get());
        TSelectObject pen(dc, arrowPen.Get());
        const int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
        const POINT arrow[3] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 2}};
        Polygon(dc, arrow, 3);
    }
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_COMBOBOX;
    item.itemID = static_cast<UINT>(ItemIndex());
    item.itemState = ODS_COMBOBOXEDIT | (focused ? ODS_SELECTED | ODS_FOCUS : 0);
    item.hwndItem = Handle();
    item.hDC = dc;
    item.rcItem = RECT{client.left + 2, client.top + 2, button.left - 1, client.bottom - 2};
    TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
    LRESULT ignored = 0;
    Reflect(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&item), ignored);
}

LRESULT TComboBox::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (FSkinned && message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(Handle(), &ps);
        PaintSkinned(dc);
        EndPaint(Handle(), &ps);
        return 0;
    }
    if (FSkinned && message == WM_ERASEBKGND) return 1;
    const LRESULT result = TWinControl::WndProc(message, wParam, lParam);
    if (message == WM_SETFONT) FitFieldHeight();
    return result;
}

void TComboBox::AddItem(const std::string& text, int32_t value) {
    const LRESULT index = SendMessageW(Handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
    if (index >= 0) SendMessageW(Handle(), CB_SETITEMDATA, static_cast<WPARAM>(index), value);
}

int32_t TComboBox::Count() const { return static_cast<int32_t>(SendMessageW(Handle(), CB_GETCOUNT, 0, 0)); }

std::string TComboBox::Items(int32_t index) const {
    const LRESULT length = SendMessageW(Handle(), CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(Handle(), CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return Narrow(text);
}

int32_t TComboBox::ItemValue(int32_t index) const {
    return static_cast<int32_t>(SendMessageW(Handle(), CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
}

int32_t TComboBox::ItemIndex() const { return static_cast<int32_t>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0)); }

void TComboBox::SetItemIndex(int32_t index) { SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

bool TComboBox::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND) {
        if (HIWORD(wParam) == CBN_SELCHANGE && OnClick) OnClick(*this);
        result = 0;
        return true;
    }
    if (!FSkinned) return false;
    if (message == WM_CTLCOLORLISTBOX || message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const COLORREF face = SkinColor(&TSkin::EditFace, COLOR_WINDOW);
        SetTextColor(dc, SkinColor(&TSkin::EditText, COLOR_WINDOWTEXT));
        SetBkColor(dc, face);
        result = reinterpret_cast<LRESULT>(SolidBrush(face));
        return true;
    }
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        const TSkin& skin = *ActiveSkin();
        const bool selected = (item->itemState & ODS_SELECTED) != 0;
        RECT r = item->rcItem;
        FillSolid(item->hDC, r, ToColorRef(selected ? skin.Selection : skin.EditFace));
        if (item->itemID != static_cast<UINT>(-1)) {
            std::wstring text = Wide(Items(static_cast<int32_t>(item->itemID)));
            SetBkMode(item->hDC, TRANSPARENT);
            SetTextColor(item->hDC, ToColorRef(selected ? skin.SelectionText : skin.EditText));
            r.left += 3;
            DrawTextW(item->hDC, text.c_str(), -1, &r, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
        }
        if ((item->itemState & ODS_FOCUS) && !(item->itemState & ODS_COMBOBOXEDIT)) DrawFocus(item->hDC, item->rcItem);
        result = TRUE;
        return true;
    }
    return false;
}

// --- TEdit ----------------------------------------------------------------------------------------

void TEdit::Create(HWND parent, int left, int top, int width, int height) {
    CreateHandle(parent, L"EDIT", "", WS_VISIBLE | WS_TABSTOP | WS_BORDER | WS_CLIPCHILDREN | ES_AUTOHSCROLL, 0,
                 left, top, width, height);
}

LRESULT TEdit::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCPAINT && ActiveSkin() != nullptr) {
        // The one-pixel border in the skin's frame colour.
        HDC dc = GetWindowDC(Handle());
        RECT r{};
        GetWindowRect(Handle(), &r);
        OffsetRect(&r, -r.left, -r.top);
        FrameSolid(dc, r, SkinColor(&TSkin::Frame, COLOR_WINDOWFRAME));
        ReleaseDC(Handle(), dc);
        return 0;
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

bool TEdit::Reflect(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    if (message == WM_COMMAND) {
        if (HIWORD(wParam) == EN_CHANGE && OnChange) OnChange(*this);
        result = 0;
        return true;
    }
    if ((message == WM_CTLCOLOREDIT || message == WM_CTLCOLORSTATIC) && ActiveSkin() != nullptr) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        const COLORREF face = SkinColor(&TSkin::EditFace, COLOR_WINDOW);
        SetTextColor(dc, SkinColor(&TSkin::EditText, COLOR_WINDOWTEXT));
        SetBkColor(dc, face);
        result = reinterpret_cast<LRESULT>(SolidBrush(face));
        return true;
    }
    return false;
}

void TButtonedEdit::Create(HWND parent, int left, int top, int width, int height) {
    TEdit::Create(parent, left, top, width, height);
    RECT client{};
    GetClientRect(Handle(), &client);
    const int side = client.bottom - client.top;
    FButton.Create(Handle(), "...", client.right - side, 0, side, side);
    // The button takes no focus of its own: the edit keeps it.
    SetWindowLongW(FButton.Handle(), GWL_STYLE, GetWindowLongW(FButton.Handle(), GWL_STYLE) & ~WS_TABSTOP);
    SendMessageW(Handle(), EM_SETMARGINS, EC_RIGHTMARGIN, MAKELPARAM(0, side + 1));
    FButton.OnClick = [this](TWinControl&) {
        if (OnButtonClick) OnButtonClick(*this);
    };
}

// --- TButton --------------------------------------------------------------------------------------

void TButton::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    FSkinned = ActiveSkin() != nullptr;
    CreateHandle(parent, L"BUTTON", caption, WS_VISIBLE | WS_TABSTOP | (FSkinned ? BS_OWNERDRAW : BS_PUSHBUTTON), 0,
                 left, top, width, height);
}

void TButton::Click() { SendMessageW(Handle(), BM_CLICK, 0, 0); }

LRESULT TButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (FSkinned && message == WM_MOUSEMOVE && !FHot) {
        FHot = true;
        Invalidate();
    }
    if (FSkinned && message == WM_MOUSELEAVE) {
        FHot = false;
        Invalidate();
    }
    return TWinControl::WndProc(message, wParam, lParam);
}

bool TButton::Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == WM_COMMAND) {
        if ((HIWORD(wParam) == BN_CLICKED || HIWORD(wParam) == BN_DOUBLECLICKED) && OnClick) OnClick(*this);
        result = 0;
        return true;
    }
    if (message == WM_DRAWITEM && FSkinned) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        TSelectObject font(item->hDC,
                           Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
        DrawSkinnedButton(item->hDC, item->rcItem, Wide(Text()), (item->itemState & ODS_SELECTED) != 0, FHot,
                          (item->itemState & ODS_FOCUS) != 0, (item->itemState & ODS_DISABLED) == 0);
        result = TRUE;
        return true;
    }
    if (message == WM_CTLCOLORBTN) {
        result = reinterpret_cast<LRESULT>(SolidBrush(ParentColor()));
        return true;
    }
    return false;
}

// --- TToggleButton --------------------------------------------------------------------------------

void TToggleButton::Create(HWND parent, const std::string& caption, int left, int top, int width, int height) {
    CreatePlain(parent, caption, WS_VISIBLE, 0, left, top, width, height);
}

void TToggleButton::SetDown(bool value) {
    if (value == FDown) return;
    FDown = value;
    if (value) {
        HWND parent = GetParent(Handle());
        for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
            auto* other = dynamic_cast<TToggleButton*>(FromHandle(child));
            if (other != nullptr && other != this && other->GroupIndex == GroupIndex) other->SetDown(false);
        }
    }
    Invalidate();
}

void TToggleButton::Click() {
    SetDown(true);
    if (OnClick) OnClick(*this);
}

LRESULT TToggleButton::WndProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        // A page button acts at the press, as a tab does; the press that activates the window
        // counts too.
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            Click();
            return 0;
        case WM_MOUSEMOVE:
            if (!FHot) {
                FHot = true;
                Invalidate();
            }
            break;
        case BM_CLICK:
            Click();
            return 0;
        case BM_GETCHECK:
            return FDown ? BST_CHECKED : BST_UNCHECKED;
        default:
            break;
    }
    return TCustomControl::WndProc(message, wParam, lParam);
}

void TToggleButton::MouseLeft() {
    FHot = false;
    Invalidate();
}

void TToggleButton::Paint(HDC dc, const RECT& client) {
    const TSkin* skin = ActiveSkin();
    const bool sunken = FDown;
    COLORREF face = ParentColor();
    if (skin != nullptr) {
        if (sunken)
            face = ToColorRef(skin->ButtonDown);
        else if (FHot)
            face = ToColorRef(skin->ButtonHot);
    }
    FillSolid(dc, client, face);
    if (skin != nullptr) {
        if (sunken) FrameSolid(dc, client, ToColorRef(skin->Frame));
    } else if (sunken || FHot) {
        RECT edge = client;
        DrawEdge(dc, &edge, sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    const int offset = sunken ? 1 : 0;
    const int glyphLeft = (client.right - client.left - FGlyph.Width()) / 2 + offset;
    FGlyph.Draw(dc, glyphLeft, 4 + offset, 0);
    RECT text{client.left + 2 + offset, 4 + FGlyph.Height() + 3 + offset, client.right - 2 + offset,
              client.bottom - 2 + offset};
    TSelectObject font(dc, Font() != nullptr ? static_cast<HGDIOBJ>(Font()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SkinColor(&TSkin::ButtonText, COLOR_BTNTEXT));
    DrawTextW(dc, WindowText(Handle()).c_str(), -1, &text, DT_CENTER | DT_TOP | DT_NOPREFIX);
}

// --- TImage ---------------------------------------------------------------------------------------

TImage::~TImage() {
    DestroyHandle();
    if (FBitmap != nullptr) DeleteObject(FBitmap);
}

void TImage::Create(HWND parent, int left, int top, int width, int height) {
    CreatePlain(parent, "", WS_VISIBLE, 0, left, top, width, height);
}

void TImage::SetBitmap(HBITMAP bitmap) {
    if (FBitmap != nullptr) DeleteObject(FBitmap);
    FBitmap = bitmap;
    Invalidate();
}

void TImage::Paint(HDC dc, const RECT& client) {
    FillSolid(dc, client, ParentColor());
    if (FBitmap == nullptr) return;
    BITMAP info{};
    GetObjectW(FBitmap, sizeof info, &info);
    HDC source = CreateCompatibleDC(dc);
    if (source == nullptr) return;
    HGDIOBJ old = SelectObject(source, FBitmap);
    BitBlt(dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

// --- TPaintBox ------------------------------------------------------------------------------------

void TPaintBox::Create(HWND parent, int left, int top, int width, int height) {
    CreatePlain(parent, "", WS_VISIBLE, 0, left, top, width, height);
}

void TPaintBox::Paint(HDC dc, const RECT& client) {
    if (OnPaint) {
        OnPaint(*this, dc);
        return;
    }
    FillSolid(dc, client, ParentColor());
}

// --- TPageControl ---------------------------------------------------------------------------------

void TPageControl::Create(HWND parent, int left, int top, int width, int height) {
    TPanel::Create(parent, left, top, width, height);
}

void TPageControl::AddPage(TTabSheet& page) {
    RECT client{};
    GetClientRect(Handle(), &client);
    page.Create(Handle(), 0, 0, client.right, client.bottom);
    FPages.push_back(&page);
    if (FActive < 0)
        FActive = 0;
    else
        page.SetVisible(false);
}

void TPageControl::SetActivePageIndex(int32_t index) {
    if (index < 0 || index >= PageCount()) return;
    FActive = index;
    for (int32_t i = 0; i < PageCount(); ++i)
        if (i != index) Pages(i).SetVisible(false);
    Pages(index).SetVisible(true);
}
