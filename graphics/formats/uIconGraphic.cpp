#include "uIconGraphic.h"

#include <algorithm>
#include <new>
#include <vector>

#include "uBitmapGraphic.h"
#include "uByteReader.h"
#include "uNearestDraw.h"
#include "uPNGImage.h"
#include "uSysUtils.h"

namespace {

[[noreturn]] void FailIcon() { throw EInvalidGraphic("Icon image is not valid"); }

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

struct TIconEntry {
    size_t Offset = 0;
    size_t Size = 0;
    bool Png = false;
    int64_t Width = 0;
    int64_t Height = 0;
    int BitCount = 0;
};

// Reads the picture's own size and depth from the entry's data; false when it has none.
bool InspectEntry(const uint8_t* p, size_t size, TIconEntry& e) {
    TByteReader header(p, size, "ICO");
    if (size >= 26 && std::equal(PngSignature, PngSignature + 8, p)) {
        e.Png = true;
        header.Seek(16);  // the IHDR chunk's width and height
        e.Width = header.U32BE();
        e.Height = header.U32BE();
        const int channels[] = {1, 0, 3, 1, 2, 0, 4};
        const int colorType = p[25];
        e.BitCount = p[24] * (colorType <= 6 ? channels[colorType] : 0);
        return e.Width > 0 && e.Height > 0 && e.Width <= MaxPicturePixels && e.Height <= MaxPicturePixels &&
               e.Width * e.Height <= MaxPicturePixels;
    }
    if (size < 40) return false;
    const uint32_t headerSize = header.U32LE();
    if (headerSize < 40 || headerSize > size) return false;
    e.Width = header.S32LE();
    e.Height = header.S32LE() / 2;  // colour rows, then the AND mask
    header.Skip(2);                 // planes
    e.BitCount = header.U16LE();
    return e.Width > 0 && e.Height > 0 && e.Width * e.Height <= MaxPicturePixels;
}

}  // namespace

void TIcon::DecodeBytes(const uint8_t* data, size_t size) {
    try {
        TByteReader r(data, size, "ICO");
        if (r.U16LE() != 0) FailIcon();
        const uint16_t type = r.U16LE();
        const uint16_t count = r.U16LE();
        if ((type != 1 && type != 2) || count == 0) FailIcon();
        // The largest entry, and among equally large ones the deepest.
        bool found = false;
        TIconEntry best;
        for (uint16_t i = 0; i < count; ++i) {
            r.Seek(6 + static_cast<size_t>(i) * 16 + 8);
            TIconEntry e;
            e.Size = r.U32LE();
            e.Offset = r.U32LE();
            if (e.Offset > size || e.Size > size - e.Offset) continue;
            if (!InspectEntry(data + e.Offset, e.Size, e)) continue;
            if (!found || e.Width * e.Height > best.Width * best.Height ||
                (e.Width * e.Height == best.Width * best.Height && e.BitCount > best.BitCount)) {
                best = e;
                found = true;
            }
        }
        if (!found) FailIcon();
        const uint8_t* p = data + best.Offset;
        if (best.Png) {
            TPNGObject png;
            png.LoadFromBytes(p, best.Size);
            TakePicture(png);
            FHasAlpha = true;
            return;
        }

        // The colour part: the DIB with its height halved.
        std::vector<uint8_t> dib(p, p + best.Size);
        const int32_t rows = static_cast<int32_t>(best.Height);
        for (int i = 0; i < 4; ++i) dib[8 + i] = static_cast<uint8_t>(static_cast<uint32_t>(rows) >> (8 * i));
        TBitmap colour;
        colour.LoadFromDIB(dib.data(), dib.size());
        const int32_t width = colour.Width();
        const int colourBits = colour.PixelFormatBits();
        if (colour.Height() != rows) FailIcon();
        TakePicture(colour);

        if (colourBits == 32) {
            for (TColor32 pixel : FPixels)
                if ((pixel >> 24) != 0) {
                    FHasAlpha = true;
                    return;
                }
        }
        // The AND mask follows the colour rows: 1 bit per pixel, bottom-up, rows padded to 32 bits.
        TByteReader header(p, best.Size, "ICO");
        const uint32_t headerSize = header.U32LE();
        header.Seek(16);
        const uint32_t compression = header.U32LE();
        header.Seek(32);
        const uint32_t colorsUsed = header.U32LE();  // the entry holds at least a 40-byte header
        const uint64_t bpp = static_cast<uint64_t>(colourBits);
        const uint64_t paletteEntries = colorsUsed != 0 ? colorsUsed : (bpp <= 8 ? (1u << bpp) : 0);
        const uint64_t masks = (compression == 3 && headerSize == 40) ? 12 : 0;
        const uint64_t colourStride = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4;
        const uint64_t maskStart = headerSize + masks + paletteEntries * 4 + colourStride * rows;
        const uint64_t maskStride = ((static_cast<uint64_t>(width) + 31) / 32) * 4;
        const bool hasMask = compression == 0 && maskStart <= best.Size && maskStride * rows <= best.Size - maskStart;
        for (int32_t y = 0; y < rows; ++y) {
            const uint8_t* maskRow = hasMask ? p + maskStart + static_cast<size_t>(rows - 1 - y) * maskStride : nullptr;
            TColor32* out = Row(y);
            for (int32_t x = 0; x < width; ++x) {
                const bool transparent = maskRow != nullptr && ((maskRow[x >> 3] >> (7 - (x & 7))) & 1) != 0;
                out[x] = transparent ? (out[x] & 0x00FFFFFFu) : (out[x] | 0xFF000000u);
            }
        }
    } catch (const EInvalidGraphic&) {
        FailIcon();
    }
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect) const {
    if (FHasAlpha) {
        TRasterGraphic::Draw(canvas, rect);
        return;
    }
    TBitmap32& target = canvas.Bitmap();
    if (FPixels.empty() || target.Empty() || rect.IsEmpty()) return;
    canvas.Flush();
    // Covered pixels get their colour with alpha 0; the others keep the canvas as it was.
    DrawNearest(target, IntersectRect(rect, target.BoundsRect()), FPixels.data(), static_cast<size_t>(FWidth),
                TScaledIndex{rect.Left, FWidth, rect.Width()}, TScaledIndex{rect.Top, FHeight, rect.Height()},
                [](TColor32 in, TColor32 out) { return (in >> 24) != 0 ? in & 0x00FFFFFFu : out; });
}
