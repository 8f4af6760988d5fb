// Base of the controls: a child window of the platform's own kind, owned by its object, that
// receives back the notifications its parent gets about it (WM_COMMAND, WM_NOTIFY, WM_CTLCOLOR*,
// WM_DRAWITEM, WM_MEASUREITEM), so a form's code is its handlers and nothing else.
#pragma once

#include <windows.h>

class TWinControl {
public:
    TWinControl() = default;
    virtual ~TWinControl();
    TWinControl(const TWinControl&) = delete;
    TWinControl& operator=(const TWinControl&) = delete;

    HWND Handle() const { return FHandle; }

    // A notification the parent received from this control; true when handled (result set).
    virtual bool Reflect(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/, LRESULT& /*result*/) {
        return false;
    }

    // The control object behind a child window, or nullptr.
    static TWinControl* FromHandle(HWND window);
    // Sends a parent's notification to the control that sent it; false when none takes it.
    static bool ReflectNotification(HWND parent, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    // Takes ownership of a created child window and links it to this object.
    void Attach(HWND window);
    void DestroyHandle();

private:
    HWND FHandle = nullptr;
};
