// Windows icons (ico): the largest, then deepest entry, stored as a DIB with its AND mask or as PNG.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uGraphics.h"

class TIcon : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TIcon"; }
    TGraphicKind Kind() const override { return TGraphicKind::Icon; }

    // On failure raises EInvalidGraphic "Icon image is not valid" and leaves the picture empty.
    // An entry with its own alpha (32-bit or PNG) is blended over the canvas. Other entries draw
    // their colour with alpha 0 where the AND mask is clear and leave the canvas as it was where it
    // is set, so that the assignment's two-background rule turns the mask into alpha.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    bool HasAlpha() const { return FHasAlpha; }

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
    void PictureCleared() override { FHasAlpha = false; }

private:
    // With alpha, the pixels are straight ARGB; without, alpha 255 marks the pixels the AND
    // mask leaves opaque and 0 those it leaves transparent.
    bool FHasAlpha = false;
};
