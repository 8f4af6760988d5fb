// Hint windows: popup notes without caption that show a text, never take the keyboard focus and
// are created on demand. A kind of hint window registers its own window class.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "uGdiObjects.h"

class THintWindow {
public:
    // className: the window class of this kind; classStyle: its class style bits.
    THintWindow(const std::wstring& className, UINT classStyle);
    virtual ~THintWindow();
    THintWindow(const THintWindow&) = delete;
    THintWindow& operator=(const THintWindow&) = delete;

    HWND Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }
    // Creates the native window (hidden) when there is none.
    void HandleNeeded();
    // Destroys the native window; the object stays.
    void ReleaseHandle();

    HFONT Font() const { return FFont.Get(); }
    void SetFont(HFONT font) { FFont.Reset(font); }  // takes ownership
    COLORREF Color = GetSysColor(COLOR_INFOBK);
    const std::wstring& Text() const { return FText; }

    // Shows text in rect (screen coordinates) as every hint window does: the bottom grows by 4
    // pixels, the window is kept inside the desktop, placed topmost without activation, and
    // shown (with the system's tooltip animation when the system has one switched on).
    void ActivateHint(RECT rect, const std::string& text);

protected:
    // Window style bits of this kind (a popup with a border by default).
    virtual DWORD Style() const { return WS_POPUP | WS_BORDER; }
    // Paints the text; the background has already been filled with Color.
    virtual void Paint(HDC dc, const RECT& client);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::wstring FClassName;
    HWND FHandle = nullptr;
    TFontHandle FFont;
    std::wstring FText;
    ULONGLONG FLastActivation = 0;
};
