// The standard controls of the dialogs, each a thin owner of one platform control (or of one
// plain painted window where the platform has no such control), drawn from the skin in force and
// in the platform's own look when no skin is loaded. Events are typed handlers set by name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "uControls.h"
#include "uImageList.h"

// A plain surface of the skin's face (or strip) colour that holds other controls.
class TPanel : public TCustomControl {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    // The colour role of the surface: the dialogs' grey, or the dark strip.
    TSkinColor TSkin::*ColorRole = &TSkin::Face;
    int SystemColor = COLOR_BTNFACE;
    COLORREF SurfaceColor() const override { return SkinColor(ColorRole, SystemColor); }

protected:
    void Paint(HDC dc, const RECT& client) override;
};

// Text on its parent's surface. A width of 0 sizes the label to its one-line text.
class TLabel : public TCustomControl {
public:
    void Create(HWND parent, const std::string& caption, int left, int top, int width = 0, int height = 0);
    bool Centered = false;        // centred horizontally
    bool CenteredLayout = false;  // and vertically
    bool WordWrap = false;
    // Sizes the label to its text (one line) at its current place.
    void AdjustSize();

protected:
    void Paint(HDC dc, const RECT& client) override;
    virtual COLORREF TextColor() const { return SkinColor(&TSkin::Text, COLOR_BTNTEXT); }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A link: centred, with the hand cursor and the link colour (the font is bold and underlined);
// a left click runs OnClick, and the pointer leaving it runs OnMouseLeave.
class TLinkLabel : public TLabel {
public:
    void Create(HWND parent, const std::string& caption, int left, int top, int width, int height);
    TNotifyEvent OnClick;
    TNotifyEvent OnMouseLeave;

protected:
    COLORREF TextColor() const override { return SkinColor(&TSkin::Link, COLOR_HOTLIGHT); }
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void MouseLeft() override {
        if (OnMouseLeave) OnMouseLeave(*this);
    }

private:
    bool FPressed = false;
};

// A section header: its caption in the (bold) font, then a one-pixel rule to the right edge.
class TSectionHeader : public TCustomControl {
public:
    void Create(HWND parent, const std::string& caption, int left, int top, int width, int height);
    COLORREF SurfaceColor() const override { return ParentColor(); }

protected:
    void Paint(HDC dc, const RECT& client) override;
};

// A check box; OnClick runs after each change by the user, with the new state.
class TCheckBox : public TWinControl {
public:
    void Create(HWND parent, const std::string& caption, int left, int top, int width, int height);
    bool Checked() const;
    // Changes the check mark without running OnClick.
    void SetChecked(bool value);
    TNotifyEvent OnClick;

    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool FSkinned = false;
    bool FChecked = false;  // the state of the skinned (owner-drawn) box
};

// A drop-down list without typing; every item carries an integer. OnClick runs when the user
// selects an item.
class TComboBox : public TWinControl {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    void AddItem(const std::string& text, int32_t value);
    int32_t Count() const;
    std::string Items(int32_t index) const;
    int32_t ItemValue(int32_t index) const;
    int32_t ItemIndex() const;  // -1: no selection
    // Selects without running OnClick; -1 clears the selection.
    void SetItemIndex(int32_t index);
    TNotifyEvent OnClick;

    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void FitFieldHeight();
    void PaintSkinned(HDC dc);
    bool FSkinned = false;
    int FFieldHeight = 0;
};

// A one-line edit; OnChange runs whenever its text changes (typing or SetText).
class TEdit : public TWinControl {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    TNotifyEvent OnChange;

    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// A push button; OnClick runs when it is pressed (mouse, space bar, Enter as the default button).
class TButton : public TWinControl {
public:
    void Create(HWND parent, const std::string& caption, int left, int top, int width, int height);
    TNotifyEvent OnClick;
    // Presses the button as the user does.
    void Click();

    bool Reflect(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool FSkinned = false;
    bool FHot = false;
};

// An edit with a small browse button at its right end; the button runs OnButtonClick only.
class TButtonedEdit : public TEdit {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    TNotifyEvent OnButtonClick;
    TButton& Button() { return FButton; }

private:
    TButton FButton;
};

// A big toggle button: a picture above its caption. Buttons of one GroupIndex under one parent
// form a group in which exactly one is down. It never takes the keyboard focus; a press puts it
// down and runs OnClick.
class TToggleButton : public TCustomControl {
public:
    TToggleButton() : FGlyph(56, 56) {}
    void Create(HWND parent, const std::string& caption, int left, int top, int width, int height);
    int32_t GroupIndex = 1;
    bool Down() const { return FDown; }
    // Puts the button down (raising the others of its group) or up, without running OnClick.
    void SetDown(bool value);
    void Click();
    TImageList& Glyph() { return FGlyph; }
    TNotifyEvent OnClick;

protected:
    void Paint(HDC dc, const RECT& client) override;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void MouseLeft() override;

private:
    TImageList FGlyph;
    bool FDown = false;
    bool FHot = false;
};

// A picture shown at the top-left corner of the control (the control owns the bitmap).
class TImage : public TCustomControl {
public:
    ~TImage() override;
    void Create(HWND parent, int left, int top, int width, int height);
    void SetBitmap(HBITMAP bitmap);

protected:
    void Paint(HDC dc, const RECT& client) override;

private:
    HBITMAP FBitmap = nullptr;
};

// A control whose content its owner paints (OnPaint); opaque: nothing is drawn behind it.
class TPaintBox : public TCustomControl {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    std::function<void(TPaintBox& sender, HDC dc)> OnPaint;

protected:
    void Paint(HDC dc, const RECT& client) override;
};

// One page of a page control: a plain surface.
class TTabSheet : public TPanel {
public:
    bool TabVisible = true;  // the page control never draws tabs; kept for the pages' owner
};

// Pages on top of each other, one visible at a time, without tabs.
class TPageControl : public TPanel {
public:
    void Create(HWND parent, int left, int top, int width, int height);
    // Creates page on this control, filling it, and appends it.
    void AddPage(TTabSheet& page);
    int32_t PageCount() const { return static_cast<int32_t>(FPages.size()); }
    TTabSheet& Pages(int32_t index) { return *FPages.at(static_cast<size_t>(index)); }
    int32_t ActivePageIndex() const { return FActive; }
    void SetActivePageIndex(int32_t index);

private:
    std::vector<TTabSheet*> FPages;
    int32_t FActive = -1;
};
