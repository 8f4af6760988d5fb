// Base of the controls: a child window of the platform's own kind (or of the program's plain
// control class), owned by its object. Its window procedure is the object's: mouse presses and
// moves become typed events, entering and leaving are hooks, and the notifications a container
// receives about its children (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*, WM_DRAWITEM, WM_MEASUREITEM)
// go back to the child that sent them, so a form's code is its handlers and nothing else.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "uForms.h"
#include "uGdiObjects.h"
#include "uSkin.h"

class TWinControl;

using TNotifyEvent = std::function<void(TWinControl& sender)>;
using TMouseEvent = std::function<void(TWinControl& sender, TMouseButton button, int x, int y)>;
using TMouseMoveEvent = std::function<void(TWinControl& sender, int x, int y)>;

// A colour of the skin in force, or the platform's colour index when no skin is loaded.
inline COLORREF SkinColor(TSkinColor TSkin::*role, int systemColor) {
    const TSkin* skin = ActiveSkin();
    return skin != nullptr ? ToColorRef(skin->*role) : GetSysColor(systemColor);
}

class TWinControl {
public:
    TWinControl() = default;
    virtual ~TWinControl();
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;

    HWND Handle() const { return FHandle; }

    // Bounds within the parent's client area, as the window has them now.
    RECT BoundsRect() const;
    void SetBounds(int left, int top, int width, int height);
    int Left() const { return BoundsRect().left; }
    int Top() const { return BoundsRect().top; }
    void SetTop(int top);

    bool Visible() const;
    void SetVisible(bool value);
    std::string Text() const;
    // Setting a different text raises the control's change event where it has one.
    void SetText(const std::string& text);
    void SetFont(HFONT font);
    HFONT Font() const { return FFont; }
    void Invalidate();
    // Paints the control at once (the pending update region).
    void Repaint();

    // The colour of the control's surface, which transparent children paint behind them.
    virtual COLORREF SurfaceColor() const { return SkinColor(&TSkin::Face, COLOR_BTNFACE); }

    int32_t Tag = 0;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;

    // A notification the parent received from this control; true when handled (result set).
    virtual bool Reflect(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) {
        return false;
    }

    // The control object behind a child window, or nullptr.
    static TWinControl* FromHandle(HWND window);
    // Sends a parent's notification to the control that sent it; false when none takes it.
    static bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // Creates the child window and takes it over (parent may be a form's or a control's window).
    // className nullptr: the program's plain control class, which paints nothing by itself.
    void CreateHandle(HWND parent, const wchar_t* className, const std::string& text, DWORD style, DWORD exStyle,
                      int left, int top, int width, int height);
    // Takes ownership of a created child window and links it to this object.
    void Attach(HWND window);
    void DestroyHandle();

    // The control's messages; the base turns the mouse into events, sends its children's
    // notifications back to them and leaves the rest to the window's own procedure.
    virtual LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultHandler(UINT message, WPARAM wParam, LPARAM lParam);
    // The pointer entered or left the control (controls that report it publish their own events).
    virtual void MouseEntered() {}
    virtual void MouseLeft() {}

    // The parent's surface colour (the control object behind the parent window, else the face).
    COLORREF ParentColor() const;
    // A brush of the given colour kept by the control (for WM_CTLCOLOR* answers).
    HBRUSH SolidBrush(COLORREF color);

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    WNDPROC FDefaultProc = nullptr;
    HFONT FFont = nullptr;
    bool FMouseInside = false;
    TBrushHandle FBrush;
    COLORREF FBrushColor = CLR_INVALID;
};

// A control of the program's plain class that paints itself: Paint draws the whole client area
// (the background is not erased first, so repaints do not flicker).
class TCustomControl : public TWinControl {
protected:
    void CreatePlain(HWND parent, const std::string& text, DWORD style, DWORD exStyle, int left, int top, int width,
                     int height) {
        CreateHandle(parent, nullptr, text, style, exStyle, left, top, width, height);
    }
    virtual void Paint(HDC dc, const RECT& client) = 0;
    LRESULT WndProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
