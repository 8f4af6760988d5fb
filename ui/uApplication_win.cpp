#include "uApplication.h"

#include "uForms.h"
#include "uThreads.h"
#include "uWinUtils.h"

TApplication* Application = nullptr;
const wchar_t DialogKeysProperty[] = L"VelmoraDialogKeys";

namespace {
const wchar_t kApplicationClass[] = L"VelmoraApplication";
const UINT WM_SYNCHRONIZE = WM_APP + 0x100;
// Keyboard messages for a form that takes the dialog keys are handled as a dialog handles them.
bool IsDialogKeyMessage(MSG& msg) {
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST || msg.hwnd == nullptr) return false;
    HWND root = GetAncestor(msg.hwnd, GA_ROOT);
    return root != nullptr && GetPropW(root, DialogKeysProperty) != nullptr && IsDialogMessageW(root, &msg);
}

}  // namespace

TApplication::TApplication() {
    if (Application == nullptr) Application = this;
}

TApplication::~TApplication() {
    // The forms made on demand go first, the last made first.
    while (!FForms.empty()) FForms.pop_back();
    FHintWindow.reset();
    SetSynchronizeWakeup(nullptr);
    if (FHandle != nullptr) DestroyWindow(FHandle);
    if (Application == this) Application = nullptr;
}

void TApplication::Initialize() {
    if (FHandle != nullptr) return;
    SetMainThread();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TApplication::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kApplicationClass;
    RegisterClassExW(&wc);
    // A zero-size, never shown popup: the owner of every top-level window of the program.
    FHandle = CreateWindowExW(0, kApplicationClass, Wide(FTitle).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU |
                              WS_MINIMIZEBOX, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (FHandle == nullptr) RaiseLastOSError();
    HWND handle = FHandle;
    SetSynchronizeWakeup([handle] { PostMessageW(handle, WM_SYNCHRONIZE, 0, 0); });
}

void TApplication::SetTitle(const std::string& title) {
    FTitle = title;
    if (FHandle != nullptr) SetWindowTextW(FHandle, Wide(title).c_str());
}

void TApplication::SetShowHint(bool value) {
    FShowHint = value;
    FHintWindow.reset();
    if (!value) return;
    FHintWindow = HintWindowClass ? HintWindowClass()
                                  : std::make_unique<THintWindow>(L"VelmoraHint", CS_SAVEBITS | CS_DROPSHADOW);
    FHintWindow->Color = GetSysColor(COLOR_INFOBK);
}

void TApplication::SetMainForm(TForm* form) {
    if (FMainForm == nullptr || form == nullptr) FMainForm = form;
}

TForm* TApplication::AdoptForm(std::unique_ptr<TForm> form) {
    FForms.push_back(std::move(form));
    return FForms.back().get();
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SYNCHRONIZE) {
        // Hand-offs run here, so they are served inside modal loops (menus, moves, message boxes) too.
        CheckSynchronize(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            FTerminated = true;
            break;
        }
        if (IsDialogKeyMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CheckSynchronize(0);
}

void TApplication::Run() {
    if (FMainForm != nullptr) FMainForm->Show();
    while (!FTerminated) {
        MSG msg;
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            FTerminated = true;
            break;
        }
        if (IsDialogKeyMessage(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    PostQuitMessage(0);
}

void TApplication::ShowErrorMessage(const std::string& message) {
    std::string text = message;
    if (!text.empty() && text.back() != '.' && text.back() != '!' && text.back() != '?' && text.back() != '\n')
        text += '.';
    if (OnShowError) {
        OnShowError(text);
        return;
    }
    HWND owner = FMainForm != nullptr && FMainForm->HandleAllocated() ? FMainForm->Handle() : FHandle;
    MessageBoxW(owner, Wide(text).c_str(), Wide(FTitle).c_str(), MB_OK | MB_ICONSTOP);
}

void TApplication::HandleException(const std::exception& error) { ShowErrorMessage(error.what()); }
