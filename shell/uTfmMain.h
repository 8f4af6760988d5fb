// The main window: the gadget itself. A borderless layered window without a taskbar button whose
// whole content is the renderer's latest frame; it holds the options the menu and the settings
// change, and closes in three beats (burn-out, save, close).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "uForms.h"
#include "uImageList.h"
#include "uMenus.h"
#include "uSkin.h"
#include "uShellUtils.h"
#include "uStringList.h"
#include "uTimers.h"

class TFire;
class TBitmap32;
class TTip;

// The heart sizes of the popup menu and the settings dialog: caption and percent of the zoom.
struct THeartSize {
    const char* Caption;
    int32_t Percent;
};
extern const THeartSize HeartSizes[5];
class TPauseCauses;

// Identifiers of the double-click actions used by the start-up defaults.
constexpr int32_t ActionViewImage = 1000000;
constexpr int32_t ActionOpenWebPage = 3000000;

// Double-click actions.
constexpr int32_t ActionOpenFile = 2000000;
constexpr int32_t ActionRunProgram = 4000000;
constexpr int32_t ActionStartScreenSaver = 5000000;
constexpr int32_t ActionLogOff = 6000000;
constexpr int32_t ActionShutDown = 7000000;

struct TActionTableRow {
    int32_t Id;
    const char* Caption;  // trailing blanks are part of it
};
constexpr int ActionTableCount = 7;
// The actions in the order the settings dialog lists them.
extern const TActionTableRow ActionTable[ActionTableCount];

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

    // Settings store. A load applies every stored value it can read; the values it cannot read
    // keep their state and are raised together in one error afterwards.
    void LoadSettings();
    void SaveSettings();
    bool IsAutorun() const;
    void SetAutorun(bool value);

    // Popup menu.
    void PopupMenuPopup();
    void MenuItemClick(TMenuItem& sender);

    // Hover tip.
    void tmShowTipTimer();
    void tmHideTipTimer();

    // Asks the system whether a screen saver is running; false when the query fails. Replaceable
    // so that tests can answer for the system.
    std::function<bool()> ScreenSaverRunning;

    // Components, in the order the form declares them.
    TPopupMenu PopupMenu;
    TSkinData spSkinData;
    TImageList ilMenu{16, 17};

    TMenuItem& miPauseAnimation;
    TMenuItem& miReflection;
    TMenuItem& miSize;
    TMenuItem& N6;
    TMenuItem& miStayOnTop;
    TMenuItem& N7;
    TMenuItem& miAutorun;
    TMenuItem& N8;
    TMenuItem& miSettings;
    TMenuItem& N9;
    TMenuItem& miAbout;
    TMenuItem& N10;
    TMenuItem& miClose;

    std::unique_ptr<TFire> FFire;
    bool FReflection = false;
    bool FAnimated = false;
    float FZoom = 0.0f;
    std::unique_ptr<TStringList> FActions;
    int32_t FActiveAction = 0;
    std::unique_ptr<TTip> FTip;
    int32_t FSettingsOpenCount = 0;

    TTimer tmScreensaver;
    TTimer tmShowTip;
    TTimer tmHideTip;
    TTimer tmExit;

    // Double-click actions.
    // The parameter of the active action; empty when it has none.
    std::string GetActionParam() const;
    // Sets the active action's parameter, adding an entry for it when there is none.
    void SetActionParam(const std::string& value);
    // Shows the picture at path in the viewer, creating the viewer on first use.
    void ViewImage(const std::string& path);
    // The left double click: runs the active action; an unknown action does nothing.
    void FormDblClick();
    // The system commands the actions run (tests stand in for the ones that end the session).
    TSystemCommands SystemCommands;
    // Everything that keeps the flames from being seen; drives the renderer's Paused.
    std::unique_ptr<TPauseCauses> FPauseCauses;

protected:
    void DoShow() override;
    void DoClose() override;
    void DoMouseDown(TMouseButton button, int x, int y) override;
    void DoMouseEnter() override;
    void DoMouseLeave() override;
    void DoDblClick() override { FormDblClick(); }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FormCreate();
    void FormClose();
    void FormMouseDown();
    void tmScreensaverTimer();
    void tmExitTimer();
    void PlaceOnFirstMonitor();
    void spSkinDataLoadData(TSkinData& sender);
    // Settings and About: counts the opening and opens the settings dialog on that page.
    void OpenSettings(TMenuItem& sender);
    TMenuItem& AddMenuItem(const char* caption, int32_t groupIndex = 0);
};

extern TfmMain* fmMain;

// The maker's home page: the default parameter of the open-web-page action.
extern const char* const MakerHomePage;
