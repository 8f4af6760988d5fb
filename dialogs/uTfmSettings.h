// The settings dialog: a modeless two-page window that edits the gadget's options and its
// double-click action (every change reaches the main window at once), and the About page with
// the beating logo, the version and the links. Hidden rather than closed; it lives until the
// program ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "uForms.h"
#include "uImageList.h"
#include "uStdCtrls.h"
#include "uThreads.h"
#include "uVCLTools.h"

// Positions of the logo's one sweep (two beats) in the image list; it ends on the smallest heart.
extern const int32_t LogoFrameSequence[21];

// Plays sweeps of the logo: one when asked, or again and again while the mouse rests on the heart
// or a link. Each frame is painted on the main thread, at least 20 ms after the one before.
class TLogoThread : public TThread {
public:
    // frame: the position in LogoFrameSequence the owner paints; repaintLogo runs on the main
    // thread after each change; tickCount is the millisecond counter that paces the frames.
    TLogoThread(std::atomic<int32_t>& frame, std::function<void()> repaintLogo,
                std::function<uint32_t()> tickCount);
    ~TLogoThread() override { TerminateAndWait(); }

    // Once: one sweep (ending a hover loop); otherwise keep playing sweeps.
    void Animate(bool once) {
        FPlayOnce.store(once);
        FLooping.store(!once);
    }
    // Ends the loop after the sweep in progress; a single sweep asked for still plays.
    void StopAnimation() { FLooping.store(false); }

    std::atomic<bool> FPlayOnce{false};
    std::atomic<bool> FLooping{false};

protected:
    void Execute() override;

private:
    std::atomic<int32_t>& FFrame;
    std::function<void()> FRepaintLogo;
    std::function<uint32_t()> FTickCount;
};

class TfmSettings : public TForm {
public:
    TfmSettings();
    ~TfmSettings() override;

    void ShowOptions();
    void ShowAbout();

    // Opens a link; replaceable so that tests can see the address instead of a browser.
    std::function<void(const std::string& url)> URLOpener;

    // Components, in the order of the window's tab order and layering.
    TPanel pnTasks;
    TToggleButton btnOptions;
    TToggleButton btnAbout;
    TPageControl pcSettings;
    TTabSheet tsOptions;
    TPanel pnOptions;
    TSectionHeader hdAppearance;
    TSectionHeader hdDoubleClick;
    TSectionHeader hdAutorun;
    TCheckBox cbShowReflection;
    TCheckBox cbAnimated;
    TCheckBox cbStayOnTop;
    TLabel lbHeartSize;
    TComboBox cbHeartSize;
    TLabel lbOnDoubleClick;
    TComboBox cbActions;
    TLabel lbPath;
    TButtonedEdit edPathButtoned;
    TEdit edPath;
    TCheckBox cbAutorun;
    TTabSheet tsAbout;
    TPanel pnAbout;
    TSectionHeader hdAbout;
    VCLTools::TPaintBox pbLogo;
    TLabel Label3;
    TLabel lbVersion;
    TLinkLabel lbURLSite;
    TSectionHeader hdSupport;
    TLabel Label6;
    TLinkLabel lbURLContact;
    TLinkLabel lbURLMoreSoftware;
    TImage imBear;
    TButton btnClose;
    TImageList ilLogo{130, 120};

    bool FUpdating = false;
    std::unique_ptr<TLogoThread> FLogoThread;
    std::atomic<int32_t> FLogoFrame{0};
    std::string FSupportURL;
    std::string FWebsiteURL;

protected:
    void DoShow() override { FormShow(); }
    void DoMouseDown(TMouseButton, int, int) override { MouseDownToEasyMove(); }
    void CloseRequested() override { Hide(); }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void CreateControls();
    void FormCreate();
    void FormDestroy();
    void FormShow();
    void FormKeyPress(wchar_t& key);
    void ShowDialog();
    void Activate();
    void SelectPage(int32_t index);
    void LoadControls();
    void ShowActionParam(const std::string& value);
    std::string GetEditorParam() const;
    int32_t SelectedAction() const;
    void OnClickAndChange(TWinControl& sender);
    void edPathButtonedButtonClick();
    void MouseDownToEasyMove();
    void LoadURLs();
    void OpenURL(const std::string& url);
    void LoadLogoFrames();
    void pbLogoPaint(HDC dc);
    void pbLogoMouseMove(TWinControl& sender, int x, int y);
    void pbLogoMouseLeave();
    void RepaintLogo();

    TFontHandle FFont;
    TFontHandle FBoldFont;
    TFontHandle FLinkFont;
    bool FShownBefore = false;
};

extern TfmSettings* fmSettings;

// The default addresses of the About page's links.
extern const char* const DefaultSupportURL;
extern const char* const DefaultWebsiteURL;
