#include "uMenus.h"

#include <algorithm>

#include "uGdiObjects.h"
#include "uImageList.h"
#include "uSkin.h"
#include "uWinUtils.h"

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
    FItems.push_back(std::move(item));
    return *FItems.back();
}

void TMenuItem::Click() {
    if (AutoCheck) Checked = !Checked;
    if (OnClick) OnClick(*this);
}

TPopupMenu::~TPopupMenu() { DestroyMenu(); }

void TPopupMenu::DestroyMenu() {
    if (FMenu != nullptr) ::DestroyMenu(FMenu);  // submenus go with it
    FMenu = nullptr;
    FCommands.clear();
}

// Appends the visible items of parent; runs of separators (left by hidden items) show as one line,
// and none starts or ends the menu.
HMENU TPopupMenu::Build(const TMenuItem& parent, bool ownerDraw) {
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr) return nullptr;
    bool lastWasLine = true;
    int appended = 0;
    for (int32_t i = 0; i < parent.Count(); ++i) {
        const TMenuItem& item = parent.Items(i);
        if (!item.Visible || (item.IsLine() && lastWasLine)) continue;
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
        info.dwItemData = reinterpret_cast<ULONG_PTR>(&item);
        std::wstring caption = Wide(item.Caption);
        if (item.IsLine()) {
            info.fType = MFT_SEPARATOR;
        } else {
            FCommands.push_back(&item);
            info.wID = static_cast<UINT>(FCommands.size());
            info.fState = (item.Checked ? MFS_CHECKED : 0) | (item.Enabled ? 0 : MFS_DISABLED) |
                          (item.Default ? MFS_DEFAULT : 0);
            if (item.RadioItem) info.fType |= MFT_RADIOCHECK;
            if (!ownerDraw) {
                info.fMask |= MIIM_STRING;
                info.dwTypeData = caption.data();
                if (item.ImageIndex >= 0 && Images != nullptr && item.ImageIndex < Images->Count()) {
                    info.fMask |= MIIM_BITMAP;
                    info.hbmpItem = Images->Bitmap(item.ImageIndex);
                }
            }
            if (item.Count() > 0) {
                info.fMask |= MIIM_SUBMENU;
                info.hSubMenu = Build(item, ownerDraw);
            }
        }
        if (ownerDraw) info.fType |= MFT_OWNERDRAW;
        InsertMenuItemW(menu, static_cast<UINT>(appended), TRUE, &info);
        ++appended;
        lastWasLine = item.IsLine();
    }
    if (appended > 0 && lastWasLine) DeleteMenu(menu, static_cast<UINT>(appended - 1), MF_BYPOSITION);
    if (ownerDraw) {
        if (const TSkin* skin = ActiveSkin()) {
            // The menu's own background (its border area) in the skin's colour; the system keeps
            // the brush only while the menu exists, so it is made per menu and freed with it below.
            MENUINFO menuInfo{};
            menuInfo.cbSize = sizeof menuInfo;
            menuInfo.fMask = MIM_BACKGROUND;
            menuInfo.hbrBack = CreateSolidBrush(ToColorRef(skin->MenuFace));
            SetMenuInfo(menu, &menuInfo);
        }
    }
    return menu;
}

void TPopupMenu::Popup(HWND owner, int x, int y) {
    if (FMenu != nullptr) return;  // already open
    if (OnPopup) OnPopup();
    const bool ownerDraw = ActiveSkin() != nullptr;
    FMenu = Build(Items, ownerDraw);
    if (FMenu == nullptr) return;
    FOwner = owner;
    // The owner must be the foreground window, or the menu would not close when the user clicks
    // elsewhere; the posted message lets the menu loop end cleanly.
    SetForegroundWindow(owner);
    const UINT command = static_cast<UINT>(
        TrackPopupMenuEx(FMenu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, x, y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    const TMenuItem* chosen = command >= 1 && command <= FCommands.size() ? FCommands[command - 1] : nullptr;
    // Free the brushes that Build gave the menus, then the menus.
    std::vector<HMENU> pending{FMenu};
    while (!pending.empty()) {
        HMENU menu = pending.back();
        pending.pop_back();
        MENUINFO menuInfo{};
        menuInfo.cbSize = sizeof menuInfo;
        menuInfo.fMask = MIM_BACKGROUND;
        if (GetMenuInfo(menu, &menuInfo) && menuInfo.hbrBack != nullptr) {
            DeleteObject(menuInfo.hbrBack);
            menuInfo.hbrBack = nullptr;
            SetMenuInfo(menu, &menuInfo);
        }
        for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i)
            if (HMENU sub = GetSubMenu(menu, i)) pending.push_back(sub);
    }
    DestroyMenu();
    FOwner = nullptr;
    if (chosen != nullptr) const_cast<TMenuItem*>(chosen)->Click();
}

bool TPopupMenu::HandleOwnerMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (FMenu == nullptr) return false;
    if (message == WM_MEASUREITEM) {
        auto* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (measure->CtlType != ODT_MENU) return false;
        MeasureItem(*measure);
        result = TRUE;
        return true;
    }
    if (message == WM_DRAWITEM) {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw->CtlType != ODT_MENU) return false;
        DrawItem(*draw);
        result = TRUE;
        return true;
    }
    return false;
}

void TPopupMenu::MeasureItem(MEASUREITEMSTRUCT& measure) const {
    const auto* item = reinterpret_cast<const TMenuItem*>(measure.itemData);
    const TSkin* skin = ActiveSkin();
    if (item == nullptr || skin == nullptr) return;
    if (item->IsLine()) {
        measure.itemWidth = 1;
        measure.itemHeight = static_cast<UINT>(skin->MenuSeparatorHeight);
        return;
    }
    HDC dc = GetDC(FOwner);
    TFontHandle font(CreateUiFont(Wide(skin->MenuFont.Name), skin->MenuFont.Height, skin->MenuFont.Bold || item->Default));
    SIZE size{};
    {
        TSelectObject select(dc, font.Get());
        const std::wstring caption = Wide(item->Caption);
        GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    }
    ReleaseDC(FOwner, dc);
    int width = skin->MenuGutterWidth + size.cx + skin->MenuTextRightMargin;
    if (item->Count() > 0) width += skin->MenuSubmenuArrowWidth;
    measure.itemWidth = static_cast<UINT>(width);
    measure.itemHeight = static_cast<UINT>(std::max<int>(skin->MenuItemHeight, size.cy + 4));
}

void TPopupMenu::DrawItem(const DRAWITEMSTRUCT& draw) const {
    const auto* item = reinterpret_cast<const TMenuItem*>(draw.itemData);
    const TSkin* skin = ActiveSkin();
    if (item == nullptr || skin == nullptr) return;
    HDC dc = draw.hDC;
    const RECT r = draw.rcItem;
    const bool disabled = (draw.itemState & (ODS_DISABLED | ODS_GRAYED)) != 0;
    const bool selected = (draw.itemState & ODS_SELECTED) != 0 && !disabled && !item->IsLine();

    TBrushHandle face(CreateSolidBrush(ToColorRef(selected ? skin->MenuHighlight : skin->MenuFace)));
    FillRect(dc, &r, face.Get());

    if (item->IsLine()) {
        const int y = (r.top + r.bottom) / 2;
        TPenHandle pen(CreatePen(PS_SOLID, 1, ToColorRef(skin->MenuSeparator)));
        TSelectObject selectPen(dc, pen.Get());
        MoveToEx(dc, r.left + 4, y, nullptr);
        LineTo(dc, r.right - 4, y);
    } else {
        const COLORREF ink =
            ToColorRef(disabled ? skin->MenuDisabledText : selected ? skin->MenuHighlightText : skin->MenuText);
        const int cx = r.left + skin->MenuGutterWidth / 2, cy = (r.top + r.bottom) / 2;
        if (item->ImageIndex >= 0 && Images != nullptr && item->ImageIndex < Images->Count()) {
            Images->Draw(dc, cx - Images->Width() / 2, cy - Images->Height() / 2, item->ImageIndex);
        } else if (item->Checked && item->RadioItem) {
            TBrushHandle dot(CreateSolidBrush(selected ? ink : ToColorRef(skin->MenuCheck)));
            TPenHandle none(CreatePen(PS_NULL, 0, 0));
            TSelectObject selectBrush(dc, dot.Get());
            TSelectObject selectPen(dc, none.Get());
            Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
        } else if (item->Checked) {
            TPenHandle tick(CreatePen(PS_SOLID, 2, selected ? ink : ToColorRef(skin->MenuCheck)));
            TSelectObject selectPen(dc, tick.Get());
            const POINT points[3] = {{cx - 4, cy}, {cx - 1, cy + 3}, {cx + 4, cy - 3}};
            Polyline(dc, points, 3);
        }

        TFontHandle font(
            CreateUiFont(Wide(skin->MenuFont.Name), skin->MenuFont.Height, skin->MenuFont.Bold || item->Default));
        TSelectObject selectFont(dc, font.Get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, ink);
        RECT text = r;
        text.left += skin->MenuGutterWidth;
        std::wstring caption = Wide(item->Caption);
        DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);

        if (item->Count() > 0) {
            // The submenu arrow, in the item's ink.
            TBrushHandle arrowBrush(CreateSolidBrush(ink));
            TPenHandle none(CreatePen(PS_NULL, 0, 0));
            TSelectObject selectBrush(dc, arrowBrush.Get());
            TSelectObject selectPen(dc, none.Get());
            const int ax = r.right - skin->MenuSubmenuArrowWidth;
            const POINT arrow[3] = {{ax, cy - 4}, {ax + 4, cy}, {ax, cy + 4}};
            Polygon(dc, arrow, 3);
        }
    }
    // Keeps the system from drawing its own check mark or submenu arrow over the item.
    ExcludeClipRect(dc, r.left, r.top, r.right, r.bottom);
}
