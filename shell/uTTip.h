// The hover tip: a yellow note with red text and frame that explains the gadget for its first
// uses, and its hint window class.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "uHintWindow.h"

// The tip's two lines.
extern const char* const TipText;

// Hint window without border: red text on yellow inside a one-pixel red frame, with a drop shadow.
class TTipHint : public THintWindow {
public:
    TTipHint();

protected:
    DWORD Style() const override { return WS_POPUP; }
    void Paint(HDC dc, const RECT& client) override;
};

class TTip {
public:
    // Shows text in a new window whose top-left corner is p.
    void Show(POINT p, const std::string& text);
    // Takes the current window off the screen, if there is one.
    void Hide();
    // The window of the current or last show (tests read it).
    TTipHint* Window() const { return FWindow.get(); }

private:
    std::unique_ptr<TTipHint> FWindow;
};
