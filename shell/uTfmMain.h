// The main window: the gadget itself. A borderless layered window without a taskbar button whose
// whole content is the renderer's latest frame; it holds the options the menu and the settings
// change, and closes in three beats (burn-out, save, close).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "uForms.h"
#include "uStringList.h"
#include "uTimers.h"

class TFire;
class TBitmap32;
class TPauseCauses;

// Identifiers of the double-click actions used by the start-up defaults.
constexpr int32_t ActionViewImage = 1000000;
constexpr int32_t ActionOpenWebPage = 3000000;

class TfmMain : public TForm {
public:
    // Creates the window and runs the start-up sequence (FormCreate).
    TfmMain();
    ~TfmMain() override;

    // State operations.
    void SetReflection(bool value);
    void SetAnimated(bool value);
    void SetZoom(float value);
    bool IsStayOnTop() const;
    void SetStayOnTop(bool value);

    // Presentation.
    void FireFrame(TFire& sender);
    void ShowFrame(TBitmap32& bitmap);

    // The Close command: the flames burn out, and half a second later the settings are saved and
    // the window closes.
    void CloseCommand();

    // Settings store.
    void LoadSettings();
    void SaveSettings();

    // Asks the system whether a screen saver is running; false when the query fails. Replaceable
    // so that tests can answer for the system.
    std::function<bool()> ScreenSaverRunning;

    std::unique_ptr<TFire> FFire;
    bool FReflection = false;
    bool FAnimated = false;
    float FZoom = 0.0f;
    std::unique_ptr<TStringList> FActions;
    int32_t FActiveAction = 0;
    int32_t FSettingsOpenCount = 0;

    TTimer tmScreensaver;
    TTimer tmExit;

    // Everything that keeps the flames from being seen; drives the renderer's Paused.
    std::unique_ptr<TPauseCauses> FPauseCauses;

protected:
    void DoShow() override;
    void DoClose() override;
    void DoMouseDown(TMouseButton button, int x, int y) override;
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FormCreate();
    void FormClose();
    void FormMouseDown();
    void tmScreensaverTimer();
    void tmExitTimer();
    void PlaceOnFirstMonitor();
};

extern TfmMain* fmMain;

// The maker's home page: the default parameter of the open-web-page action.
extern const char* const MakerHomePage;
