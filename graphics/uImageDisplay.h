// The arithmetic and painting of the picture display controls: the size at which a bitmap is
// shown, where it is placed, and the paint stages the controls run into their back buffer.
// Portable; the windows around it are in ui/uImage32.h.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "uTBitmap32.h"

enum TScaleMode { smNormal, smStretch, smScale, smOptimal };
enum TBitmapAlign { baTopLeft, baCenter };
enum TRepaintMode { rmFull, rmOptimizer };

struct TShownSize {
    int32_t Width = 0;
    int32_t Height = 0;
    bool operator==(const TShownSize& other) const { return Width == other.Width && Height == other.Height; }
};

// Round to the nearest integer, ties to even.
int32_t RoundEven(double value);

// Shown size of a width x height bitmap in a viewport of the control's size. smOptimal fits a
// bitmap wider or taller than the viewport (single-precision ratios) and leaves a smaller one at
// its own size; smScale multiplies by scale; smStretch fills the viewport; smNormal is the
// bitmap's own size. An empty bitmap or viewport shows nothing; a side below 1 becomes 0.
TShownSize ShownSize(TScaleMode mode, float scale, int32_t bitmapWidth, int32_t bitmapHeight, int32_t viewWidth,
                     int32_t viewHeight);

// Where a shown picture lies in a control of that size: baCenter centres it with truncating
// division, baTopLeft puts it at the origin.
TRect AlignedRect(TBitmapAlign align, int32_t controlWidth, int32_t controlHeight, TShownSize shown);

// The scrolling view's scale: values below 0.001 (and non-numbers) become 0.001.
constexpr float MinViewScale = 0.001f;
float ClampViewScale(float scale);

// The scrolling view's shown rectangle with its scroll bars hidden: the bitmap at scale, placed
// at round((view - shown) / 2) (ties to even) in each direction where it is smaller than the view
// when centred, at the origin otherwise.
TRect ViewRect(int32_t viewWidth, int32_t viewHeight, int32_t bitmapWidth, int32_t bitmapHeight, float scale,
               bool centered);

// The parts of a control's area around a shown rectangle that the background fill covers:
// above it across the full width, below it across the full width, then left and right of it
// between those two. Empty bands are left out; a rectangle covering the control leaves none.
std::vector<TRect> BackgroundBands(int32_t controlWidth, int32_t controlHeight, const TRect& shown);

// Paint stages: what the control paints into its back buffer, in list order.
enum TPaintStageKind {
    PST_CUSTOM,         // the owner's OnPaintStage
    PST_CLEAR_BACKGND,  // the control's colour around (or under) the picture
    PST_CONTROL_FRAME,  // design-time frame of the control
    PST_DRAW_BITMAP,    // the picture itself
    PST_BITMAP_FRAME,   // design-time frame of the picture
    PST_DRAW_LAYERS,    // layers above the picture (none are used)
};

struct TPaintStage {
    TPaintStageKind Stage = PST_CUSTOM;
    bool DsgnTime = false;
    bool RunTime = true;
};

class TPaintStages {
public:
    // The default list: clear background, control frame (design time), draw bitmap, bitmap
    // frame (design time), draw layers.
    TPaintStages();
    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    const TPaintStage& operator[](int32_t index) const { return FItems.at(static_cast<size_t>(index)); }
    // A new stage at index (clamped to the list), runnable at run time only, of the custom kind
    // until the caller changes it.
    TPaintStage& Insert(int32_t index);
    void Clear() { FItems.clear(); }

private:
    std::vector<TPaintStage> FItems;
};

// What one painting of a control needs besides its stages.
struct TDisplayPaint {
    const TBitmap32* Bitmap = nullptr;  // the shown picture (may be empty)
    TRect Shown;                        // its shown rectangle in the buffer
    TColor32 Color = 0;                 // the control's background colour
    std::function<void(TBitmap32& buffer, int32_t stage)> OnPaintStage;
};

// Runs the run-time stages into buffer (already sized to the control): the background is the
// whole buffer in Color when the bitmap is empty or not drawn opaquely, otherwise the bands
// around the shown rectangle; the bitmap is drawn with its own resampler; custom stages call
// OnPaintStage with their index.
void PaintDisplayStages(TBitmap32& buffer, const TPaintStages& stages, const TDisplayPaint& paint);
