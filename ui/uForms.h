// Forms: top-level windows of the program with message dispatch to their handlers.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

enum TFormStyle { fsNormal, fsStayOnTop };
enum TMouseButton { mbLeft, mbRight, mbMiddle, mbExtra1, mbExtra2 };

class TPopupMenu;

class TForm {
public:
    // Registers the window class (once per class name, with CS_DBLCLKS and classStyle) and creates
    // the native window, owned by the application window, hidden.
    TForm(const std::wstring& className, const std::string& caption, DWORD style, DWORD exStyle,
          UINT classStyle = 0);
    virtual ~TForm();
    TForm(const TForm&) = delete;
    TForm& operator=(const TForm&) = delete;

    HWND Handle() const { return FHandle; }
    bool HandleAllocated() const { return FHandle != nullptr; }

    // Bounds as the window has them now.
    RECT BoundsRect() const;
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);
    void SetLeft(int left) { SetBounds(left, Top(), Width(), Height()); }
    void SetTop(int top) { SetBounds(Left(), top, Width(), Height()); }
    void SetWidth(int width) { SetBounds(Left(), Top(), width, Height()); }
    void SetHeight(int height) { SetBounds(Left(), Top(), Width(), height); }

    // While the form is being created, Show and Hide only record the wanted visibility; the
    // application shows its main form when the message loop starts.
    void Show();
    void Hide();
    bool Visible() const { return FVisible; }

    TFormStyle FormStyle() const { return FFormStyle; }
    // Changes the window's place in the z-order (topmost or not). The native window is kept, so
    // extended styles set on it survive the change.
    void SetFormStyle(TFormStyle style);

    // The menu a right click opens (WM_CONTEXTMENU), or nullptr; the form does not own it.
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu) { FPopupMenu = menu; }

    // Asks the form to close: OnClose handlers run, then the window is destroyed; closing the
    // application's main form ends the message loop.
    void Close();

protected:
    // Creation is over: from now on Show and Hide act on the window.
    void EndCreation() { FCreating = false; }
    // The message loop gives the form's key presses the dialog keys first: Tab and the arrows move
    // the focus, Enter sends IDOK (or the default button's command), Escape sends IDCANCEL.
    void SetDialogKeys(bool value);

    // Hook run whenever the form has been made visible.
    virtual void DoShow() {}
    virtual void DoClose() {}
    // The system asks the window to close (Alt+F4, the close box); the form closes unless a
    // derived form does something else (a dialog that only hides).
    virtual void CloseRequested() { Close(); }
    // Every press of any mouse button, the second press of a double click included.
    virtual void DoMouseDown(TMouseButton, int /*x*/, int /*y*/) {}
    // A left double click (after DoMouseDown for its second press).
    virtual void DoDblClick() {}
    // The pointer entered or left the window.
    virtual void DoMouseEnter() {}
    virtual void DoMouseLeave() {}
    // Any other message; return true when handled (result in result).
    virtual bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyZOrder();
    void ContextMenu(LPARAM lParam);
    void MouseMoved();

    HWND FHandle = nullptr;
    bool FCreating = true;
    bool FVisible = false;
    bool FClosing = false;
    bool FMouseInside = false;
    bool FInMoveLoop = false;  // inside the system's interactive move
    TPopupMenu* FPopupMenu = nullptr;
    TFormStyle FFormStyle = fsNormal;
};
