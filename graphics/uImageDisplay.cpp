#include "uImageDisplay.h"

#include <algorithm>
#include <cmath>

int32_t RoundEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

namespace {
int32_t AtLeastOne(int32_t side) { return side < 1 ? 0 : side; }
}  // namespace

TShownSize ShownSize(TScaleMode mode, float scale, int32_t bitmapWidth, int32_t bitmapHeight, int32_t viewWidth,
                     int32_t viewHeight) {
    if (bitmapWidth <= 0 || bitmapHeight <= 0 || viewWidth <= 0 || viewHeight <= 0) return {};
    TShownSize size{bitmapWidth, bitmapHeight};
    switch (mode) {
        case smNormal: break;
        case smStretch: size = {viewWidth, viewHeight}; break;
        case smScale:
            size = {RoundEven(static_cast<float>(bitmapWidth) * scale), RoundEven(static_cast<float>(bitmapHeight) * scale)};
            break;
        case smOptimal:
            if (bitmapWidth > viewWidth || bitmapHeight > viewHeight) {
                const float rx = static_cast<float>(viewWidth) / static_cast<float>(bitmapWidth);
                const float ry = static_cast<float>(viewHeight) / static_cast<float>(bitmapHeight);
                if (rx >= ry)
                    size = {RoundEven(static_cast<float>(bitmapWidth) * ry), viewHeight};
                else
                    size = {viewWidth, RoundEven(static_cast<float>(bitmapHeight) * rx)};
            }
            break;
    }
    return {AtLeastOne(size.Width), AtLeastOne(size.Height)};
}

TRect AlignedRect(TBitmapAlign align, int32_t controlWidth, int32_t controlHeight, TShownSize shown) {
    int32_t left = 0, top = 0;
    if (align == baCenter) {
        left = (controlWidth - shown.Width) / 2;
        top = (controlHeight - shown.Height) / 2;
    }
    return Rect(left, top, left + shown.Width, top + shown.Height);
}

float ClampViewScale(float scale) { return scale >= MinViewScale ? scale : MinViewScale; }

TRect ViewRect(int32_t viewWidth, int32_t viewHeight, int32_t bitmapWidth, int32_t bitmapHeight, float scale,
               bool centered) {
    const TShownSize shown = ShownSize(smScale, ClampViewScale(scale), bitmapWidth, bitmapHeight, 1, 1);
    int32_t left = 0, top = 0;
    if (centered && shown.Width < viewWidth) left = RoundEven((viewWidth - shown.Width) / 2.0);
    if (centered && shown.Height < viewHeight) top = RoundEven((viewHeight - shown.Height) / 2.0);
    return Rect(left, top, left + shown.Width, top + shown.Height);
}

std::vector<TRect> BackgroundBands(int32_t controlWidth, int32_t controlHeight, const TRect& shown) {
    const TRect area = Rect(0, 0, controlWidth, controlHeight);
    const TRect inside = IntersectRect(shown, area);
    std::vector<TRect> bands;
    auto add = [&](const TRect& band) {
        if (!band.IsEmpty()) bands.push_back(band);
    };
    if (inside.IsEmpty()) {
        add(area);
        return bands;
    }
    add(Rect(0, 0, controlWidth, inside.Top));
    add(Rect(0, inside.Bottom, controlWidth, controlHeight));
    add(Rect(0, inside.Top, inside.Left, inside.Bottom));
    add(Rect(inside.Right, inside.Top, controlWidth, inside.Bottom));
    return bands;
}

TPaintStages::TPaintStages() {
    FItems = {
        {PST_CLEAR_BACKGND, false, true}, {PST_CONTROL_FRAME, true, false}, {PST_DRAW_BITMAP, false, true},
        {PST_BITMAP_FRAME, true, false},  {PST_DRAW_LAYERS, false, true},
    };
}

TPaintStage& TPaintStages::Insert(int32_t index) {
    index = std::clamp(index, 0, Count());
    return *FItems.insert(FItems.begin() + index, TPaintStage{PST_CUSTOM, false, true});
}

namespace {
void FillRect(TBitmap32& buffer, const TRect& rect, TColor32 color) {
    const TRect r = IntersectRect(rect, buffer.BoundsRect());
    for (int32_t y = r.Top; y < r.Bottom; ++y) std::fill_n(buffer.Pixels() + static_cast<size_t>(y) * buffer.Width() + r.Left, r.Width(), color);
}
}  // namespace

void PaintDisplayStages(TBitmap32& buffer, const TPaintStages& stages, const TDisplayPaint& paint) {
    if (buffer.Empty()) return;
    const bool hasPicture = paint.Bitmap != nullptr && !paint.Bitmap->Empty() && !paint.Shown.IsEmpty();
    const TColor32 color = paint.Color | 0xFF000000u;
    for (int32_t i = 0; i < stages.Count(); ++i) {
        const TPaintStage& stage = stages[i];
        if (!stage.RunTime) continue;
        switch (stage.Stage) {
            case PST_CLEAR_BACKGND:
                if (!hasPicture || paint.Bitmap->DrawMode != dmOpaque) {
                    FillRect(buffer, buffer.BoundsRect(), color);
                } else {
                    for (const TRect& band : BackgroundBands(buffer.Width(), buffer.Height(), paint.Shown))
                        FillRect(buffer, band, color);
                }
                break;
            case PST_DRAW_BITMAP:
                if (hasPicture) paint.Bitmap->DrawTo(&buffer, paint.Shown);
                break;
            case PST_CUSTOM:
                if (paint.OnPaintStage) paint.OnPaintStage(buffer, i);
                break;
            case PST_CONTROL_FRAME:
            case PST_BITMAP_FRAME:
            case PST_DRAW_LAYERS:
                break;
        }
    }
}
