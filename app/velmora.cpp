// The program's entry: the application object, its title and hint settings, the main window and
// the message loop.
#include <windows.h>

#include "uApplication.h"
#include "uGraphics.h"
#include "uTTip.h"
#include "uTfmMain.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    TApplication application;
    try {
        application.Initialize();
        application.SetTitle("Velmora");
        application.HintHidePause = 5000;
        // Switching hints off and on makes the application recreate its hint window from the
        // hover tip's class.
        application.HintWindowClass = [] { return std::unique_ptr<THintWindow>(new TTipHint); };
        application.SetShowHint(false);
        application.SetShowHint(true);
        RegisterPictureFormats();
        fmMain = new TfmMain;
        application.Run();
    } catch (const std::exception& error) {
        application.HandleException(error);
    }
    delete fmMain;
    fmMain = nullptr;
    return 0;
}
