// The picture viewer: one window that shows one picture file, fitted within three quarters of
// monitor 0, or the built-in error picture when the file cannot be decoded. Closing hides it.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "uStdCtrls.h"
#include "uForms.h"
#include "uImage32.h"
#include "uPanels.h"

// Posted by ShowImage to itself: raise the window to the top of the z-order.
constexpr UINT WM_BRING_TO_FRONT = WM_USER + 100;

// The viewer's window is never smaller than this, in either direction.
constexpr int ViewerMinimumSize = 300;

class TfmImageViewer : public TForm {
public:
    TfmImageViewer();
    ~TfmImageViewer() override;

    // Loads the picture file at path and shows the window fitted to it; a visible window already
    // showing that exact path is left as it is.
    void ShowImage(const std::string& path);

    // Bounds of monitor 0, the first of the system's monitor list. Replaceable so that tests can
    // stand for another display.
    std::function<RECT()> FirstMonitorBounds;

    std::unique_ptr<TFramePanel> pnMain;
    std::unique_ptr<TImage32> Image;
    std::unique_ptr<TButton> btnClose;

    std::string FImagePath;
    bool FLoaded = false;

    // The frame's limits: the minimum is fixed; a maximum of 0 means none. When not sizeable,
    // the frame's borders do not resize the window.
    int MaxWidth() const { return FMaxWidth; }
    int MaxHeight() const { return FMaxHeight; }
    bool Sizeable() const { return FSizeable; }

    void btnCloseClick();

protected:
    void DoMouseDown(TMouseButton button, int x, int y) override;
    void DoDblClick() override { btnCloseClick(); }
    // The close box, Alt+F4 or a WM_CLOSE only hide the viewer; it lives until the program ends.
    void CloseRequested() override { btnCloseClick(); }
    bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FormCreate();
    void FormResize();
    void MouseDownToEasyMove();
    void ImageMouseDown(TMouseButton button, int x, int y);
    void ImageInitStages(TCustomImage32& sender);
    void ImagePaintStage(TCustomImage32& sender, TBitmap32& buffer, int32_t stage);
    void LayOut(int clientWidth, int clientHeight);
    void LoadPicture(const std::string& path);
    void CentreOnFirstShowing();

    HFONT FFont = nullptr;
    HBRUSH FBackground = nullptr;
    int FMaxWidth = 0;
    int FMaxHeight = 0;
    bool FSizeable = true;
    bool FShownBefore = false;
};

// The one viewer, made on first use by the main window's ViewImage.
extern TfmImageViewer* fmImageViewer;
