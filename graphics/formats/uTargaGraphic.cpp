#include "uTargaGraphic.h"

#include <algorithm>

#include "uByteReader.h"

namespace {

enum class TTargaColors { Mapped, TrueColor, Grey };

struct TTargaHeader {
    uint8_t IdLength, ColorMapType, ImageType;
    uint16_t MapFirst, MapLength;
    uint8_t MapEntryBits;
    uint16_t Width, Height;
    uint8_t PixelBits, Descriptor;
};

// One stored colour value (a pixel or a colour-map entry) of 15, 16, 24 or 32 bits.
TColor32 DecodeTrueColor(const uint8_t* p, int bits, bool keepAlpha) {
    switch (bits) {
        case 15:
        case 16: {
            const int v = p[0] | (p[1] << 8);
            const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            const int a = (bits == 16 && keepAlpha) ? ((v & 0x8000) ? 255 : 0) : 255;
            return Color32((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2), a);
        }
        case 24:
            return Color32(p[2], p[1], p[0]);
        default:
            return Color32(p[2], p[1], p[0], keepAlpha ? p[3] : 255);
    }
}

}  // namespace

void TTargaGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);

    TTargaHeader h{};
    h.IdLength = reader.U8();
    h.ColorMapType = reader.U8();
    h.ImageType = reader.U8();
    h.MapFirst = reader.U16LE();
    h.MapLength = reader.U16LE();
    h.MapEntryBits = reader.U8();
    reader.Skip(4);  // x and y origin of the picture on its screen
    h.Width = reader.U16LE();
    h.Height = reader.U16LE();
    h.PixelBits = reader.U8();
    h.Descriptor = reader.U8();

    if (h.ColorMapType > 1) reader.FailFormat();
    TTargaColors colors;
    bool rle = false;
    switch (h.ImageType) {
        case 1: case 9: colors = TTargaColors::Mapped; break;
        case 2: case 10: colors = TTargaColors::TrueColor; break;
        case 3: case 11: colors = TTargaColors::Grey; break;
        case 32: case 33: reader.FailUnsupported("Compression " + std::to_string(h.ImageType));
        default: reader.FailFormat();
    }
    rle = h.ImageType >= 9;
    if (h.Width == 0 || h.Height == 0) reader.FailFormat();
    if (h.Descriptor & 0xC0) reader.FailFormat();  // interleaving codes are reserved/obsolete

    const int alphaBits = h.Descriptor & 0x0F;
    const bool keepAlpha = alphaBits > 0;
    const int bits = h.PixelBits;
    switch (colors) {
        case TTargaColors::Mapped:
            if (h.ColorMapType != 1 || (bits != 8 && bits != 16)) reader.FailColorFormat();
            break;
        case TTargaColors::TrueColor:
            if (bits != 15 && bits != 16 && bits != 24 && bits != 32) reader.FailColorFormat();
            break;
        case TTargaColors::Grey:
            if (bits != 1 && bits != 8 && bits != 16) reader.FailColorFormat();
            if (bits == 1 && rle) reader.FailUnsupported("Run-length compressed 1-bit greyscale");
            break;
    }

    reader.Skip(h.IdLength);

    // The colour map precedes the pixels whenever one is present, also for true-colour pictures.
    std::vector<TColor32> map;
    if (h.ColorMapType == 1) {
        const int entryBits = h.MapEntryBits;
        if (entryBits != 15 && entryBits != 16 && entryBits != 24 && entryBits != 32) reader.FailColorFormat();
        const size_t entryBytes = (entryBits + 7) / 8;
        const uint8_t* entries = reader.Bytes(entryBytes * h.MapLength);
        if (colors == TTargaColors::Mapped) {
            map.resize(h.MapLength);
            for (size_t i = 0; i < h.MapLength; ++i) map[i] = DecodeTrueColor(entries + i * entryBytes, entryBits, keepAlpha);
        }
    }

    const size_t pixelBytes = (bits + 7) / 8;
    {
        // In 64 bits: 65535 x 65535 pixels of 4 bytes wrap a 32-bit size_t.
        const uint64_t pixels = uint64_t{h.Width} * h.Height;
        if (bits == 1) reader.RequireBytes((uint64_t{h.Width} + 7) / 8 * h.Height);
        else if (!rle) reader.RequireBytes(pixels * pixelBytes);
        else reader.RequireBytes((pixels + 127) / 128 * (1 + pixelBytes));  // runs of at most 128 pixels
    }
    SetPictureSize(h.Width, h.Height, ShortName);  // at most MaxPicturePixels from here on
    const size_t width = h.Width, height = h.Height;
    const size_t count = width * height;

    auto decode = [&](const uint8_t* p) -> TColor32 {
        switch (colors) {
            case TTargaColors::Mapped: {
                const size_t value = bits == 8 ? p[0] : static_cast<size_t>(p[0] | (p[1] << 8));
                if (value < h.MapFirst || value - h.MapFirst >= map.size()) return Color32(0, 0, 0);
                return map[value - h.MapFirst];
            }
            case TTargaColors::Grey:
                return Color32(p[0], p[0], p[0], (bits == 16 && keepAlpha) ? p[1] : 255);
            default:
                return DecodeTrueColor(p, bits, keepAlpha);
        }
    };

    // Pixels in stored order; placed by the origin bits afterwards.
    std::vector<TColor32> stored(count);
    if (bits == 1) {
        const size_t rowBytes = (width + 7) / 8;
        for (size_t y = 0; y < height; ++y) {
            const uint8_t* row = reader.Bytes(rowBytes);
            for (size_t x = 0; x < width; ++x) {
                const int v = (row[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0;
                stored[y * width + x] = Color32(v, v, v);
            }
        }
    } else if (!rle) {
        const uint8_t* p = reader.Bytes(count * pixelBytes);
        for (size_t i = 0; i < count; ++i) stored[i] = decode(p + i * pixelBytes);
    } else {
        // Packets may run across row ends but never past the picture.
        size_t i = 0;
        while (i < count) {
            const uint8_t packet = reader.U8();
            const size_t n = std::min<size_t>((packet & 0x7F) + 1, count - i);
            if (packet & 0x80) {
                const TColor32 c = decode(reader.Bytes(pixelBytes));
                for (size_t k = 0; k < n; ++k) stored[i++] = c;
            } else {
                const uint8_t* p = reader.Bytes(pixelBytes * ((packet & 0x7F) + 1));
                for (size_t k = 0; k < n; ++k) stored[i++] = decode(p + k * pixelBytes);
            }
        }
    }

    // A picture that declares alpha but leaves every pixel fully transparent carries no real alpha.
    if (keepAlpha) {
        bool anyVisible = false;
        for (TColor32 c : stored) {
            if (c >> 24) { anyVisible = true; break; }
        }
        if (!anyVisible) {
            for (TColor32& c : stored) c |= 0xFF000000u;
        }
    }

    const bool topDown = (h.Descriptor & 0x20) != 0;
    const bool rightToLeft = (h.Descriptor & 0x10) != 0;
    for (size_t sy = 0; sy < height; ++sy) {
        TColor32* out = Row(static_cast<int32_t>(topDown ? sy : height - 1 - sy));
        const TColor32* in = stored.data() + sy * width;
        for (size_t sx = 0; sx < width; ++sx) out[rightToLeft ? width - 1 - sx : sx] = in[sx];
    }
}
