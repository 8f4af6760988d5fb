// TBitmap32's assignment from bitmaps and decoded pictures, and its loading from bitmap
// resources: above all, what ends up in the alpha byte.
#include <cstring>
#include <vector>

#include "uBitmapGraphic.h"
#include "uClasses.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {

size_t PixelCount(const TBitmap32& bitmap) {
    return bitmap.Empty() ? 0 : static_cast<size_t>(bitmap.Width()) * static_cast<size_t>(bitmap.Height());
}

// Draws the picture once over opaque white into target and once over opaque red into a scratch
// bitmap: where both agree the picture covers the pixel (alpha 255), elsewhere it lets the
// background through (alpha 0). The colour is the one drawn over white.
void AssignByTwoBackgrounds(TBitmap32& target, const TGraphic& graphic) {
    target.Clear(0xFFFFFFFFu);
    graphic.Draw(target.Canvas(), target.BoundsRect());
    target.Canvas().Flush();
    TBitmap32 overRed;
    overRed.SetSize(target.Width(), target.Height());
    overRed.Clear(0xFFFF0000u);
    graphic.Draw(overRed.Canvas(), overRed.BoundsRect());
    overRed.Canvas().Flush();
    TColor32* white = target.Pixels();
    const TColor32* red = overRed.Pixels();
    for (size_t i = 0, n = PixelCount(target); i < n; ++i) {
        const TColor32 colour = white[i] & 0x00FFFFFFu;
        white[i] = colour == (red[i] & 0x00FFFFFFu) ? (colour | 0xFF000000u) : colour;
    }
}

void AssignGraphic(TBitmap32& target, const TGraphic& graphic) {
    if (graphic.Empty()) {
        target.SetSize(0, 0);
        return;
    }
    target.SetSize(graphic.Width(), graphic.Height());
    switch (graphic.Kind()) {
        case TGraphicKind::PlainBitmap: {
            target.Clear(0);
            graphic.Draw(target.Canvas(), target.BoundsRect());
            target.Canvas().Flush();
            const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic);
            if (bitmap == nullptr || bitmap->PixelFormatBits() != 32) target.ResetAlpha();
            if (bitmap != nullptr && bitmap->Transparent) {
                const TColor32 key = bitmap->TransparentColor & 0x00FFFFFFu;
                TColor32* p = target.Pixels();
                for (size_t i = 0, n = PixelCount(target); i < n; ++i)
                    if ((p[i] & 0x00FFFFFFu) == key) p[i] &= 0x00FFFFFFu;
            }
            break;
        }
        case TGraphicKind::Icon: {
            target.Clear(0);
            graphic.Draw(target.Canvas(), target.BoundsRect());
            target.Canvas().Flush();
            const TColor32* p = target.Pixels();
            bool anyAlpha = false;
            for (size_t i = 0, n = PixelCount(target); i < n && !anyAlpha; ++i) anyAlpha = (p[i] >> 24) != 0;
            if (!anyAlpha) AssignByTwoBackgrounds(target, graphic);
            break;
        }
        case TGraphicKind::Metafile:
            AssignByTwoBackgrounds(target, graphic);
            break;
        case TGraphicKind::Other:
            target.Clear(0xFFFFFFFFu);
            graphic.Draw(target.Canvas(), target.BoundsRect());
            target.Canvas().Flush();
            target.ResetAlpha();
            break;
    }
}

}  // namespace

void TBitmap32::Assign(const TPersistent* source) {
    if (source == this) return;
    if (source == nullptr) {
        SetSize(0, 0);
    } else if (const auto* bitmap = dynamic_cast<const TBitmap32*>(source)) {
        SetSize(bitmap->Width(), bitmap->Height());
        if (!Empty()) std::memcpy(FBits, bitmap->FBits, PixelCount(*this) * sizeof(TColor32));
        DrawMode = bitmap->DrawMode;
        CombineMode = bitmap->CombineMode;
        WrapMode = bitmap->WrapMode;
        MasterAlpha = bitmap->MasterAlpha;
        OuterColor = bitmap->OuterColor;
        SetResamplerClassName(bitmap->ResamplerClassName());
    } else if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
        if (picture->Graphic() == nullptr)
            SetSize(0, 0);
        else
            AssignGraphic(*this, *picture->Graphic());
    } else if (const auto* graphic = dynamic_cast<const TGraphic*>(source)) {
        AssignGraphic(*this, *graphic);
    } else {
        throw EConvertError(Format("Cannot assign a %s to a TBitmap32", source->ClassName()));
    }
    Changed();
}

void TBitmap32::LoadFromResourceName(const std::string& name) {
    const TResourceBytes resource = FindResourceBytes(TResourceType::Bitmap, name);
    TBitmap bitmap;
    bitmap.LoadFromDIB(resource.Data, resource.Size);
    Assign(&bitmap);
}
