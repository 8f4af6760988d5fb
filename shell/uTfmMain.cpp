#include "uTfmMain.h"

#include <windows.h>

#include "uApplication.h"
#include "uScreen.h"
#include "uTBitmap32.h"
#include "uTFire.h"
#include "uTPauseCauses.h"
#include "uWinUtils.h"

TfmMain* fmMain = nullptr;
const char* const MakerHomePage = "https://www.norvect.com/";

namespace {

const UINT kMoveByCaption = 0xF012;  // SC_MOVE combined with the caption hit code

void OrExtendedStyle(HWND window, LONG bits) {
    SetWindowLongW(window, GWL_EXSTYLE, GetWindowLongW(window, GWL_EXSTYLE) | bits);
}

std::string ExecutableDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return Narrow(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1));
}

bool QueryScreenSaverRunning() {
    BOOL running = FALSE;
    if (!SystemParametersInfoW(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return false;
    return running != FALSE;
}

}  // namespace

TfmMain::TfmMain()
    : TForm(L"VelmoraClass", "Velmora", WS_POPUP, 0),
      ScreenSaverRunning(&QueryScreenSaverRunning),
      tmScreensaver(500, true, [this] { tmScreensaverTimer(); }),
      tmExit(500, false, [this] { tmExitTimer(); }) {
    FormCreate();
    EndCreation();
}

TfmMain::~TfmMain() {
    // Stop the frame clock before the window goes, should the window be destroyed without closing.
    FFire.reset();
    if (fmMain == this) fmMain = nullptr;
}

void TfmMain::FormCreate() {
    // Extended styles: layered here; tool window on the application's hidden owner window, which
    // carries the taskbar button, and on this window. The program therefore has no taskbar button.
    OrExtendedStyle(Handle(), WS_EX_LAYERED);
    if (Application != nullptr) OrExtendedStyle(Application->Handle(), WS_EX_TOOLWINDOW);
    OrExtendedStyle(Handle(), WS_EX_TOOLWINDOW);

    FFire = std::make_unique<TFire>();
    FFire->LoadHeart();
    FFire->OnFrame = [this](TFire& sender) { FireFrame(sender); };
    FPauseCauses = std::make_unique<TPauseCauses>(Handle(), [this](bool paused) {
        if (FFire) FFire->SetPaused(paused);
    });

    SetBounds(Left(), Top(), FFire->OutputWidth, FFire->OutputHeight);

    // Bottom-right corner of monitor 0: its full bounds, so the window may cover the taskbar; the
    // monitor's origin is not added.
    const TMonitor first = FirstMonitor();
    SetTop((first.Bounds.bottom - first.Bounds.top) - Height());
    SetLeft((first.Bounds.right - first.Bounds.left) - Width());

    if (Application != nullptr) Application->ProcessMessages();

    SetReflection(true);
    SetStayOnTop(true);
    SetAnimated(true);
    SetZoom(1.0f);

    FActions = std::make_unique<TStringList>();
    FActions->AddObject(ExecutableDirectory() + "sample.jpg", ActionViewImage);
    FActions->AddObject(MakerHomePage, ActionOpenWebPage);
    FActiveAction = ActionViewImage;

    // A stored value that cannot be read is reported, and start-up goes on with what was read
    // before it: the window still shows frames.
    try {
        LoadSettings();
    } catch (const std::exception& error) {
        if (Application != nullptr) Application->HandleException(error);
    }

    FFire->Start();
}

void TfmMain::SetReflection(bool value) {
    FReflection = value;
    FFire->Reflection = value;
}

void TfmMain::SetAnimated(bool value) {
    FAnimated = value;
    FFire->SetAnimated(value);
}

void TfmMain::SetZoom(float value) {
    FZoom = value;
    FFire->SetZoom(value);
}

bool TfmMain::IsStayOnTop() const { return FormStyle() == fsStayOnTop; }

void TfmMain::SetStayOnTop(bool value) {
    Hide();
    SetFormStyle(value ? fsStayOnTop : fsNormal);
    OrExtendedStyle(Handle(), WS_EX_LAYERED);
    Show();
}

// The sender is the renderer: a frame that was already due when the renderer began to be freed
// still runs, while FFire no longer points at it.
void TfmMain::FireFrame(TFire& sender) { ShowFrame(*sender.OutputBitmap); }

void TfmMain::ShowFrame(TBitmap32& bitmap) {
    SIZE size{bitmap.Width(), bitmap.Height()};
    const RECT bounds = BoundsRect();
    POINT destination{bounds.left + (bounds.right - bounds.left) / 2 - size.cx / 2,
                      bounds.top + (bounds.bottom - bounds.top) / 2 - size.cy / 2};
    POINT source{0, 0};
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    UpdateLayeredWindow(Handle(), screen, &destination, &size, static_cast<HDC>(bitmap.Canvas().Handle()), &source,
                        0, &blend, ULW_ALPHA);
    ReleaseDC(nullptr, screen);
}

void TfmMain::DoMouseDown(TMouseButton, int, int) { FormMouseDown(); }

void TfmMain::FormMouseDown() {
    ReleaseCapture();
    SendMessageW(Handle(), WM_SYSCOMMAND, kMoveByCaption, 0);
}

void TfmMain::tmScreensaverTimer() {
    if (FPauseCauses) FPauseCauses->Check(ScreenSaverRunning ? ScreenSaverRunning() : false);
}

bool TfmMain::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
    if (FPauseCauses) FPauseCauses->HandleMessage(message, wParam, lParam);
    return false;
}

void TfmMain::CloseCommand() {
    FFire->Extinguish();
    tmExit.SetEnabled(true);
}

void TfmMain::tmExitTimer() {
    // One attempt: a failed save is reported once and the gadget closes all the same, instead of
    // retrying (and reporting) every half second.
    tmExit.SetEnabled(false);
    try {
        SaveSettings();
    } catch (const std::exception& error) {
        if (Application != nullptr) Application->HandleException(error);
    }
    Close();
}

void TfmMain::DoClose() { FormClose(); }

void TfmMain::FormClose() {
    FFire.reset();
    FActions.reset();
}

void TfmMain::DoShow() { PlaceOnFirstMonitor(); }

void TfmMain::PlaceOnFirstMonitor() {
    const TMonitor first = FirstMonitor();
    HMONITOR current = MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST);
    if (current == nullptr || current == first.Handle) return;
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(current, &info)) return;
    const RECT bounds = BoundsRect();
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    int left = first.Bounds.left + (bounds.left - info.rcMonitor.left);
    int top = first.Bounds.top + (bounds.top - info.rcMonitor.top);
    if (left + width > first.Bounds.right) left = first.Bounds.right - width;
    if (top + height > first.Bounds.bottom) top = first.Bounds.bottom - height;
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The settings store fills these in; until then the defaults of the start-up stand.
void TfmMain::LoadSettings() {}
void TfmMain::SaveSettings() {}
