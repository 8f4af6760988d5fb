// The picture open dialog: the system's open-file dialog widened by a preview of the selected
// picture with its size, file size, type and last modification.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uImage32.h"
#include "uPanels.h"

// True when the system returns attributes for the path.
bool PathExists(const std::string& path);
// The size of the file from a directory search; 0 when the search fails.
uint64_t GetFileSize64(const std::string& path);
// The size in KB or MB with the user's thousands and decimal separators.
std::string FormatFileSize(uint64_t size);

// A panel whose painting never reports an error: a failure empties its caption instead.
class TSilentPaintPanel : public TFramePanel {
public:
    using TFramePanel::TFramePanel;

protected:
    void Paint(HDC dc) override;
};

// The pieces of the picture filter, in order; the dialog's filter is their concatenation.
extern const char* const PictureFilterParts[31];

class TMyOpenPictureDialog {
public:
    explicit TMyOpenPictureDialog(HWND owner);
    ~TMyOpenPictureDialog();
    TMyOpenPictureDialog(const TMyOpenPictureDialog&) = delete;
    TMyOpenPictureDialog& operator=(const TMyOpenPictureDialog&) = delete;

    // The standard open dialog's interface.
    std::string FileName;
    std::string InitialDir;
    std::string Title;
    std::string Filter;
    int FilterIndex = 1;
    DWORD Options = OFN_HIDEREADONLY | OFN_ENABLESIZING;
    bool OldStyleDialog = false;  // the caller may ask for the dialog without the preview
    // Runs the dialog modally; true when the user confirmed a file (then in FileName).
    bool Execute();

    // The standard notifications, raised after the preview's own handling.
    std::function<void(HWND dialog)> OnShow;
    std::function<void(HWND dialog)> OnSelectionChange;
    std::function<void(HWND dialog)> OnClose;

    std::unique_ptr<TFramePanel> PicturePanel;
    HWND PictureLabel1 = nullptr;  // a child of PicturePanel, freed with it
    std::unique_ptr<TSilentPaintPanel> PaintPanel;
    std::unique_ptr<TImgView32> PaintBox;
    std::string FPreviewedFile;
    std::vector<std::string> FFilterParts;

    // How many times the preview decoded a file.
    int PreviewDecodes = 0;

    std::string PictureLabelCaption() const;

private:
    static UINT_PTR CALLBACK HookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    void DoShow(HWND dialog);
    void DoSelectionChange(HWND dialog);
    void DoClose(HWND dialog);
    void PlacePreview(HWND dialog);
    void LayOutPicturePanel();
    void SetLabelCaption(const std::string& text);

    HWND FOwner = nullptr;
    HWND FParking = nullptr;  // holds the preview while no dialog is shown
    HWND FDialog = nullptr;
};
