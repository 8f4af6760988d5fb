// TBitmap32's assignment from bitmaps and decoded pictures, and its loading from resources and
// files: above all, what ends up in the alpha byte.
#include <cstring>
#include <vector>

#include "uBitmapGraphic.h"
#include "uByteReader.h"
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

constexpr size_t BitmapHeadersSize = 54;  // file header (14) + information header (40)

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

void TBitmap32::LoadFromFile(const std::string& path) {
    {
        TFileStream stream(path);
        uint8_t header[BitmapHeadersSize] = {0};
        const size_t got = stream.Read(header, sizeof header);
        const bool bitmapFile = got >= 2 && header[0] == 'B' && header[1] == 'M';
        // A bitmap file needs both headers; any other (possibly tiny) file goes to its decoder.
        if (bitmapFile && got < sizeof header) throw EReadError("Stream read error");
        if (bitmapFile) {
            TByteReader info(header, sizeof header, "BMP");
            info.Seek(18);  // past the file header and the information header's size
            const int32_t width = info.S32LE();
            const int32_t height = info.S32LE();
            const uint16_t planes = info.U16LE();
            const uint16_t bitCount = info.U16LE();
            const int32_t compression = info.S32LE();
            if (bitCount == 32 && planes == 1 && compression == 0) {
                // Uncompressed 32-bit: the words follow the headers directly, the fourth byte of
                // each is kept as alpha.
                if (width <= 0 || height == 0 || height == INT32_MIN) throw EInvalidGraphic("Bitmap image is not valid");
                const int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
                const int64_t count = static_cast<int64_t>(width) * rows;
                if (count > MaxPicturePixels || stream.Size() - static_cast<int64_t>(BitmapHeadersSize) < count * 4)
                    throw EInvalidGraphic("Bitmap image is not valid");
                std::vector<uint8_t> stored(static_cast<size_t>(count) * 4);
                stream.ReadBuffer(stored.data(), stored.size());
                SetSize(width, static_cast<int32_t>(rows));
                for (int64_t s = 0; s < rows; ++s) {
                    const int64_t y = height > 0 ? rows - 1 - s : s;
                    const uint8_t* in = stored.data() + static_cast<size_t>(s * width * 4);
                    TColor32* out = FBits + static_cast<size_t>(y * width);
                    for (int32_t x = 0; x < width; ++x, in += 4)  // B, G, R and the fourth byte as alpha
                        out[x] = static_cast<TColor32>(in[0]) | (static_cast<TColor32>(in[1]) << 8) |
                                 (static_cast<TColor32>(in[2]) << 16) | (static_cast<TColor32>(in[3]) << 24);
                }
                Changed();
                return;
            }
            stream.SetPosition(0);
            const std::vector<uint8_t> bytes = stream.ReadRest();
            TBitmap bitmap;
            bitmap.LoadFromBytes(bytes.data(), bytes.size());
            Assign(&bitmap);
            return;
        }
    }
    TPicture picture;
    picture.LoadFromFile(path);
    Assign(&picture);
}
