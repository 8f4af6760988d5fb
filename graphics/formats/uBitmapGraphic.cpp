#include "uBitmapGraphic.h"

#include <algorithm>
#include <vector>

#include "uByteReader.h"
#include "uNearestDraw.h"
#include "uSysUtils.h"

namespace {

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;
constexpr uint32_t BI_ALPHABITFIELDS = 6;

[[noreturn]] void FailBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// One colour channel of a BI_BITFIELDS pixel: the bits under the mask, scaled to 0..255.
struct TChannelMask {
    uint32_t Mask = 0;
    int Shift = 0;
    uint32_t Max = 0;

    explicit TChannelMask(uint32_t mask = 0) : Mask(mask) {
        if (mask == 0) return;
        while (((mask >> Shift) & 1u) == 0) ++Shift;
        Max = mask >> Shift;
    }
    uint32_t Extract(uint32_t value) const {
        if (Max == 0) return 0;
        const uint64_t v = (value & Mask) >> Shift;
        return static_cast<uint32_t>((v * 255 + Max / 2) / Max);
    }
};

struct TBitmapHeader {
    int64_t Width = 0;
    int64_t Height = 0;  // rows, always positive
    bool TopDown = false;
    uint32_t Planes = 0;
    uint32_t BitCount = 0;
    uint32_t Compression = BI_RGB;
    uint32_t ColorsUsed = 0;
    uint32_t Masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
    bool HasMasks = false;
};

// Decodes the pixel rows of an RLE8 or RLE4 stream into palette indices (row 0 = first stored).
// Without indices it only walks the codes, so that a stream that ends early is found before
// anything is allocated for it.
void DecodeRle(TByteReader r, const TBitmapHeader& h, uint8_t* indices) {
    const bool four = h.Compression == BI_RLE4;
    const int64_t width = h.Width, rows = h.Height;
    int64_t x = 0, y = 0;
    auto put = [&](uint8_t index) {
        if (indices != nullptr && x < width && y < rows) indices[static_cast<size_t>(y * width + x)] = index;
        ++x;
    };
    for (;;) {
        if (y >= rows) return;
        const uint8_t count = r.U8();
        const uint8_t value = r.U8();
        if (count != 0) {
            for (int i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            continue;
        }
        switch (value) {
            case 0:  // end of line
                x = 0;
                ++y;
                break;
            case 1:  // end of bitmap
                return;
            case 2:  // delta
                x += r.U8();
                y += r.U8();
                break;
            default: {  // absolute run of `value` pixels, padded to a word
                const size_t bytes = four ? (value + 1u) / 2u : value;
                const uint8_t* p = r.Bytes(bytes);
                for (int i = 0; i < value; ++i) put(four ? ((i & 1) ? (p[i / 2] & 0x0F) : (p[i / 2] >> 4)) : p[i]);
                if (bytes & 1u) r.Skip(1);
                break;
            }
        }
    }
}

}  // namespace

void TBitmap::DecodeBytes(const uint8_t* data, size_t size) {
    const bool withFileHeader = size >= 2 && data[0] == 'B' && data[1] == 'M';
    Decode(data, size, withFileHeader);
}

void TBitmap::LoadFromDIB(const uint8_t* data, size_t size) {
    Decoding([&] { Decode(data, size, false); });
}

void TBitmap::Decode(const uint8_t* data, size_t size, bool withFileHeader) {
    try {
        TByteReader r(data, size, "BMP");
        size_t dibStart = 0;
        uint32_t pixelOffset = 0;
        if (withFileHeader) {
            r.Skip(10);
            pixelOffset = r.U32LE();
            dibStart = 14;
        }
        const uint32_t headerSize = r.U32LE();
        TBitmapHeader h;
        size_t paletteEntrySize = 4;
        if (headerSize == 12) {
            h.Width = r.U16LE();
            h.Height = r.U16LE();
            h.Planes = r.U16LE();
            h.BitCount = r.U16LE();
            paletteEntrySize = 3;
        } else if (headerSize >= 16 && headerSize <= 4096) {
            if (headerSize - 4 > r.Remaining()) FailBitmap();
            const size_t fields = r.Position();
            h.Width = r.S32LE();
            const int32_t height = r.S32LE();
            h.Planes = r.U16LE();
            h.BitCount = r.U16LE();
            if (headerSize >= 20) h.Compression = r.U32LE();
            if (headerSize >= 36) {
                r.Seek(fields + 28);
                h.ColorsUsed = r.U32LE();
            }
            if (headerSize >= 52) {
                r.Seek(fields + 36);
                for (int i = 0; i < 3; ++i) h.Masks[i] = r.U32LE();
                h.HasMasks = true;
            }
            if (headerSize >= 56) h.Masks[3] = r.U32LE();
            // OS/2 2.x headers (64 bytes) use 3 and 4 for Huffman and RLE24 coding.
            if (headerSize == 64 && h.Compression >= 3) FailBitmap();
            if (height == INT32_MIN) FailBitmap();
            h.TopDown = height < 0;
            h.Height = height < 0 ? -static_cast<int64_t>(height) : height;
            r.Seek(dibStart + headerSize);
            if (headerSize == 40 && (h.Compression == BI_BITFIELDS || h.Compression == BI_ALPHABITFIELDS)) {
                const int count = h.Compression == BI_ALPHABITFIELDS ? 4 : 3;
                for (int i = 0; i < count; ++i) h.Masks[i] = r.U32LE();
                h.HasMasks = true;
            }
        } else {
            FailBitmap();
        }

        // Validate before anything is allocated.
        if (h.Planes != 1 || h.Width <= 0 || h.Height <= 0) FailBitmap();
        if (h.Width * h.Height > MaxPicturePixels) FailBitmap();
        const uint32_t bpp = h.BitCount;
        switch (h.Compression) {
            case BI_RGB:
                if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) FailBitmap();
                break;
            case BI_RLE8:
                if (bpp != 8 || h.TopDown) FailBitmap();
                break;
            case BI_RLE4:
                if (bpp != 4 || h.TopDown) FailBitmap();
                break;
            case BI_BITFIELDS:
            case BI_ALPHABITFIELDS:
                if ((bpp != 16 && bpp != 32) || !h.HasMasks) FailBitmap();
                break;
            default:
                FailBitmap();
        }

        // Colour table.
        const size_t paletteStart = r.Position();
        const uint64_t tableEntries = (bpp <= 8) ? (h.ColorsUsed != 0 ? h.ColorsUsed : (1u << bpp)) : h.ColorsUsed;
        std::vector<TColor32> palette;
        if (bpp <= 8) {
            const uint64_t used = std::min<uint64_t>(tableEntries, 1u << bpp);
            if (used * paletteEntrySize > r.Remaining()) FailBitmap();
            palette.resize(1u << bpp, 0xFF000000u);
            for (uint64_t i = 0; i < used; ++i) {
                const uint8_t* p = r.Bytes(paletteEntrySize);
                palette[i] = Color32(p[2], p[1], p[0], 255);
            }
        }
        size_t pixelStart = 0;
        if (withFileHeader && pixelOffset >= paletteStart) {
            // The pixels start where the file header says (after a larger header or a gap).
            if (pixelOffset > size) FailBitmap();
            pixelStart = pixelOffset;
        } else {
            const uint64_t afterTable = paletteStart + tableEntries * paletteEntrySize;
            if (afterTable > size) FailBitmap();
            pixelStart = static_cast<size_t>(afterTable);
        }
        r.Seek(pixelStart);

        const int64_t width = h.Width, rows = h.Height;
        const bool rle = h.Compression == BI_RLE8 || h.Compression == BI_RLE4;
        // The file must hold the pixels before they are allocated: every stored row, or RLE
        // codes that run to their end.
        const uint64_t rowBits = static_cast<uint64_t>(width) * bpp;
        const uint64_t stride = ((rowBits + 31) / 32) * 4;
        const uint64_t storedBytes = (static_cast<uint64_t>(rows) - 1) * stride + (rowBits + 7) / 8;
        if (rle)
            DecodeRle(r, h, nullptr);
        else if (storedBytes > r.Remaining())
            FailBitmap();

        std::vector<TColor32> pixels(static_cast<size_t>(width * rows));
        auto outRow = [&](int64_t stored) {
            const int64_t y = h.TopDown ? stored : rows - 1 - stored;
            return pixels.data() + static_cast<size_t>(y * width);
        };

        if (rle) {
            std::vector<uint8_t> indices(static_cast<size_t>(width * rows), 0);
            DecodeRle(r, h, indices.data());
            for (int64_t s = 0; s < rows; ++s) {
                TColor32* out = outRow(s);
                const uint8_t* in = indices.data() + s * width;
                for (int64_t x = 0; x < width; ++x) out[x] = palette[in[x]];
            }
        } else {
            const uint8_t* bits = r.Bytes(static_cast<size_t>(storedBytes));
            const bool masked = h.Compression != BI_RGB;
            const TChannelMask red(masked ? h.Masks[0] : (bpp == 16 ? 0x7C00u : 0));
            const TChannelMask green(masked ? h.Masks[1] : (bpp == 16 ? 0x03E0u : 0));
            const TChannelMask blue(masked ? h.Masks[2] : (bpp == 16 ? 0x001Fu : 0));
            const TChannelMask alpha(masked ? h.Masks[3] : 0);
            // 32-bit masks that leave the fourth byte unused keep it as alpha, as plain 32-bit
            // pixels do; masks that use it for colour leave the pixels opaque.
            const bool fourthByteAlpha =
                bpp == 32 && alpha.Mask == 0 && ((h.Masks[0] | h.Masks[1] | h.Masks[2]) & 0xFF000000u) == 0;
            for (int64_t s = 0; s < rows; ++s) {
                const uint8_t* in = bits + s * stride;
                TColor32* out = outRow(s);
                for (int64_t x = 0; x < width; ++x) {
                    switch (bpp) {
                        case 1: out[x] = palette[(in[x >> 3] >> (7 - (x & 7))) & 1]; break;
                        case 4: out[x] = palette[(in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F]; break;
                        case 8: out[x] = palette[in[x]]; break;
                        case 24: out[x] = Color32(in[x * 3 + 2], in[x * 3 + 1], in[x * 3], 255); break;
                        case 16:
                        case 32: {
                            const uint8_t* p = in + x * (bpp / 8);
                            uint32_t v = p[0] | (p[1] << 8);
                            if (bpp == 32) v |= (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
                            if (bpp == 32 && !masked) {
                                out[x] = v;  // B, G, R and the fourth byte as alpha
                            } else {
                                const uint32_t a = alpha.Mask != 0 ? alpha.Extract(v) : fourthByteAlpha ? v >> 24 : 255;
                                out[x] = Color32(red.Extract(v), green.Extract(v), blue.Extract(v), a);
                            }
                            break;
                        }
                    }
                }
            }
        }
        FPixels.swap(pixels);
        FWidth = static_cast<int32_t>(width);
        FHeight = static_cast<int32_t>(rows);
        FBitsPerPixel = static_cast<int>(bpp);
    } catch (const EInvalidGraphic&) {
        FailBitmap();
    }
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect) const {
    TBitmap32& target = canvas.Bitmap();
    if (FPixels.empty() || target.Empty() || rect.IsEmpty()) return;
    canvas.Flush();
    const TColor32 keep = FBitsPerPixel == 32 ? 0u : 0xFF000000u;
    DrawNearest(target, IntersectRect(rect, target.BoundsRect()), FPixels.data(), static_cast<size_t>(FWidth),
                TScaledIndex{rect.Left, FWidth, rect.Width()}, TScaledIndex{rect.Top, FHeight, rect.Height()},
                [keep](TColor32 in, TColor32 out) { return (out & keep) | (in & ~keep); });
}
