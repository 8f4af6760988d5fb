// The push button: the platform's button control with RAII ownership and a click handler.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

class TButton {
public:
    TButton(HWND parent, const std::string& caption, int left, int top, int width, int height);
    ~TButton();
    TButton(const TButton&) = delete;
    TButton& operator=(const TButton&) = delete;

    HWND Handle() const { return FHandle; }
    RECT BoundsRect() const;  // in the parent's client coordinates
    void SetBounds(int left, int top, int width, int height);
    int Width() const;
    void SetFont(HFONT font);

    // Default: Enter presses it while it has the focus (and it looks like the default button);
    // Cancel: Escape presses it while it has the focus.
    void SetDefault(bool value);
    bool Cancel = false;

    std::function<void()> OnClick;
    // Runs OnClick, as a press of the button does. The parent passes its BN_CLICKED here.
    void Click();

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR data);
    HWND FHandle = nullptr;
    bool FDefault = false;
};
