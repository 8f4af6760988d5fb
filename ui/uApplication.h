// The application object: title, hint settings, the standard error box and the message loop.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uHintWindow.h"

class TForm;

// Window property of the forms that take the dialog keys (TForm::SetDialogKeys).
extern const wchar_t DialogKeysProperty[];

class TApplication {
public:
    TApplication();
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    // Makes the hidden application window and hooks the main-thread hand-off into the loop.
    void Initialize();

    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title);

    int HintHidePause = 2500;  // milliseconds a hint stays up
    bool ShowHint() const { return FShowHint; }
    // Switching hints on makes the application's hint window anew from HintWindowClass.
    void SetShowHint(bool value);
    // Makes the application's hint window; a plain hint window when empty.
    std::function<std::unique_ptr<THintWindow>()> HintWindowClass;
    THintWindow* HintWindow() const { return FHintWindow.get(); }

    // The hidden owner window of the program's top-level windows (it carries the taskbar button).
    HWND Handle() const { return FHandle; }

    // The form whose closing ends the message loop (the first one registered).
    TForm* MainForm() const { return FMainForm; }
    void SetMainForm(TForm* form);
    // Keeps a form made on demand until the application ends; returns it.
    TForm* AdoptForm(std::unique_ptr<TForm> form);

    // Shows the main form and runs the message loop until it has closed or Terminate was called.
    void Run();
    // Handles every message waiting in the queue, then returns.
    void ProcessMessages();
    // Runs the loop until done() is true or timeoutMs has passed; returns done(). For tests and
    // for waiting on the main thread without blocking it.
    template <typename Pred>
    bool ProcessMessagesUntil(Pred done, DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (!done()) {
            if (GetTickCount64() >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            ProcessMessages();
        }
        return true;
    }
    void Terminate();
    bool Terminated() const { return FTerminated; }

    // The standard error box for an exception that left an event handler.
    void HandleException(const std::exception& error);
    void ShowErrorMessage(const std::string& message);
    // Replaces the error box (tests record the messages instead of showing them).
    std::function<void(const std::string&)> OnShowError;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::string FTitle;
    bool FShowHint = true;
    std::unique_ptr<THintWindow> FHintWindow;
    HWND FHandle = nullptr;
    TForm* FMainForm = nullptr;
    std::vector<std::unique_ptr<TForm>> FForms;
    bool FTerminated = false;
};

// The one application object of the process.
extern TApplication* Application;

// Runs handler, sending an exception that leaves it to the application's error box.
template <typename F>
void SafeCall(F&& handler) {
    try {
        handler();
    } catch (const std::exception& error) {
        if (Application != nullptr) Application->HandleException(error);
    }
}
