// The frame panel: a child window that fills itself with a colour, draws an optional one-pixel frame,
// bevels and a centred caption, and lays nothing out itself (its owner places the children).
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "uForms.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TFramePanel {
public:
    TFramePanel(HWND parent, int left, int top, int width, int height);
    virtual ~TFramePanel();
    TFramePanel(const TFramePanel&) = delete;
    TFramePanel& operator=(const TFramePanel&) = delete;

    HWND Handle() const { return FHandle; }
    void SetBounds(int left, int top, int width, int height);
    void SetBounds(const RECT& bounds) { SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top); }
    RECT BoundsRect() const;  // in the parent's client coordinates
    int Width() const;
    int Height() const;
    // Makes another window the panel's parent.
    void SetParentWindow(HWND parent);

    const std::string& Caption() const { return FCaption; }
    void SetCaption(const std::string& caption);

    COLORREF Color;                  // the system's face colour unless set
    bool SingleFrame = false;        // a one-pixel frame in FrameColor on the edge
    COLORREF FrameColor = RGB(0, 0, 0);
    TBevelCut BevelOuter = bvRaised;
    TBevelCut BevelInner = bvNone;
    int BorderWidth = 0;             // room between the bevels and the children

    // The area left for children inside the frame, the bevels and the border width.
    RECT InnerRect() const;

    std::function<void(TMouseButton button, int x, int y)> OnMouseDown;
    std::function<void()> OnDblClick;
    std::function<void()> OnResize;

    void Invalidate();

protected:
    // Paints the whole panel; the default fills, frames, bevels and writes the caption.
    virtual void Paint(HDC dc);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND FHandle = nullptr;
    std::string FCaption;
};
