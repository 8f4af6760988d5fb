// Popup menus: items with captions, tags, check and radio marks, icons from an image list, a bold
// default item and submenus. Drawn from the skin when one is loaded, else in the platform's look;
// keyboard and mouse work as in any popup menu.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TImageList;

class TMenuItem {
public:
    explicit TMenuItem(std::string caption = std::string(), int32_t tag = 0)
        : Caption(std::move(caption)), Tag(tag) {}
    TMenuItem(const TMenuItem&) = delete;
    TMenuItem& operator=(const TMenuItem&) = delete;

    std::string Caption;   // "-" makes a separator line
    int32_t Tag = 0;
    bool Checked = false;
    bool AutoCheck = false;  // a click flips Checked before OnClick runs
    bool RadioItem = false;  // a check mark drawn as a dot
    bool Visible = true;
    bool Enabled = true;
    bool Default = false;    // drawn in bold
    int32_t GroupIndex = 0;
    int32_t ImageIndex = -1;  // picture of the menu's image list, or -1
    std::function<void(TMenuItem& sender)> OnClick;

    bool IsLine() const { return Caption == "-"; }

    // Appends a submenu item owned by this one; returns it.
    TMenuItem& Add(std::unique_ptr<TMenuItem> item);
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TMenuItem& Items(int32_t index) const { return *FItems.at(static_cast<size_t>(index)); }

    // What choosing the item does: flips an auto-check item, then runs OnClick.
    void Click();

private:
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TPopupMenu {
public:
    TPopupMenu() = default;
    ~TPopupMenu();
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;

    TMenuItem Items;                  // the top-level items are its submenu
    TImageList* Images = nullptr;     // pictures of the items' ImageIndex
    std::function<void()> OnPopup;    // runs just before the menu opens

    // Runs OnPopup and shows the menu with its top-left corner at the screen point (x, y); owner
    // receives the menu's drawing messages and must pass them to HandleOwnerMessage. Returns once
    // the menu has closed, after the chosen item's Click.
    void Popup(HWND owner, int x, int y);
    // True while the menu is open.
    bool IsOpen() const { return FMenu != nullptr; }
    // WM_MEASUREITEM and WM_DRAWITEM of the menu's items; true when handled.
    bool HandleOwnerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    HMENU Build(const TMenuItem& parent, bool ownerDraw);
    void MeasureItem(MEASUREITEMSTRUCT& measure) const;
    void DrawItem(const DRAWITEMSTRUCT& draw) const;
    void DestroyMenu();

    HMENU FMenu = nullptr;
    HWND FOwner = nullptr;
    std::vector<const TMenuItem*> FCommands;   // command id - 1 -> item
    std::vector<HBITMAP> FIconBitmaps;          // owned by Images
};
