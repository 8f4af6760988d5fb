#include "uPSDGraphic.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "uByteReader.h"

namespace {

enum TPSDMode { Bitmap = 0, Grey = 1, Indexed = 2, RGB = 3, CMYK = 4, Multichannel = 7, Duotone = 8, Lab = 9 };

// Unpacks one PackBits-coded row into exactly rowBytes bytes.
void UnpackBitsRow(TByteReader& packed, uint8_t* out, size_t rowBytes) {
    size_t i = 0;
    while (i < rowBytes) {
        const int8_t n = packed.S8();
        if (n >= 0) {
            const size_t count = static_cast<size_t>(n) + 1;
            if (count > rowBytes - i) packed.FailFormat();
            const uint8_t* p = packed.Bytes(count);
            std::copy(p, p + count, out + i);
            i += count;
        } else if (n != -128) {
            const size_t count = static_cast<size_t>(1 - n);
            if (count > rowBytes - i) packed.FailFormat();
            std::fill(out + i, out + i + count, packed.U8());
            i += count;
        }
    }
}

uint8_t Clamp255(double v) { return static_cast<uint8_t>(std::lround(std::min(255.0, std::max(0.0, v)))); }

// CIE L*a*b* (D50) to sRGB.
TColor32 LabToRGB(double l, double a, double b) {
    const double fy = (l + 16) / 116, fx = fy + a / 500, fz = fy - b / 200;
    auto inverse = [](double t) { return t > 6.0 / 29 ? t * t * t : 3 * (6.0 / 29) * (6.0 / 29) * (t - 4.0 / 29); };
    const double x = 0.9642 * inverse(fx), y = inverse(fy), z = 0.8249 * inverse(fz);
    // Bradford-adapted D50 XYZ to linear sRGB.
    const double rl = 3.1338561 * x - 1.6168667 * y - 0.4906146 * z;
    const double gl = -0.9787684 * x + 1.9161415 * y + 0.0334540 * z;
    const double bl = 0.0719453 * x - 0.2289914 * y + 1.4052427 * z;
    auto gamma = [](double v) {
        v = std::min(1.0, std::max(0.0, v));
        return 255 * (v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1 / 2.4) - 0.055);
    };
    return Color32(Clamp255(gamma(rl)), Clamp255(gamma(gl)), Clamp255(gamma(bl)));
}

}  // namespace

void TPSDGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (reader.U32BE() != 0x38425053) reader.FailFormat();  // "8BPS"
    const int version = reader.U16BE();
    if (version != 1 && version != 2) reader.FailFormat();
    const bool large = version == 2;
    reader.Skip(6);
    const size_t channels = reader.U16BE();
    const uint32_t height = reader.U32BE();
    const uint32_t width = reader.U32BE();
    const int depth = reader.U16BE();
    const int mode = reader.U16BE();
    if (channels < 1 || channels > 56 || width == 0 || height == 0) reader.FailFormat();
    if (width > (large ? 300000u : 30000u) || height > (large ? 300000u : 30000u)) reader.FailFormat();
    if (depth != 1 && depth != 8 && depth != 16 && depth != 32) reader.FailColorFormat();

    size_t colorChannels = 0;
    switch (mode) {
        case Bitmap: if (depth != 1) reader.FailColorFormat(); colorChannels = 1; break;
        case Grey: case Duotone: colorChannels = 1; break;
        case Indexed: if (depth != 8) reader.FailColorFormat(); colorChannels = 1; break;
        case RGB: case Lab: colorChannels = 3; break;
        case CMYK: colorChannels = 4; break;
        default: reader.FailUnsupported("Color mode " + std::to_string(mode));
    }
    if (depth == 1 && mode != Bitmap) reader.FailColorFormat();
    if (channels < colorChannels) reader.FailColorFormat();

    const uint32_t colorDataLength = reader.U32BE();
    const uint8_t* colorData = reader.Bytes(colorDataLength);
    if (mode == Indexed && colorDataLength < 768) reader.FailColorFormat();
    reader.Skip(reader.U32BE());  // image resources
    if (large) {
        const uint32_t high = reader.U32BE(), low = reader.U32BE();
        if (high != 0) reader.FailRead();
        reader.Skip(low);
    } else {
        reader.Skip(reader.U32BE());  // layers and masks
    }

    const int compression = reader.U16BE();
    if (compression > 1) reader.FailUnsupported("Compression " + std::to_string(compression));

    // The first extra channel of an RGB or greyscale composite is its transparency.
    const bool alpha = (mode == RGB || mode == Grey) && channels > colorChannels;
    const size_t used = colorChannels + (alpha ? 1 : 0);
    // Every size below is computed in 64 bits and checked against the file before anything is
    // allocated: a 32-bit size_t would wrap for large pictures of deep samples.
    const uint64_t rowBytes = (uint64_t{width} * static_cast<uint64_t>(depth) + 7) / 8;
    const uint64_t planeBytes = uint64_t{height} * rowBytes;
    const uint64_t pixelCount = uint64_t{width} * height;
    if (pixelCount > static_cast<uint64_t>(MaxPicturePixels)) reader.FailFormat();
    std::vector<uint32_t> counts;
    if (compression == 0) {
        reader.RequireBytes(planeBytes * used);
    } else {
        // Byte counts of every row of every channel, then the packed rows.
        reader.RequireBytes(uint64_t{channels} * height * (large ? 4 : 2));
        counts.resize(channels * static_cast<size_t>(height));
        for (uint32_t& n : counts) n = large ? reader.U32BE() : reader.U16BE();
        reader.RequireBytes(planeBytes * used / 128);  // runs of at most 128 bytes
    }
    SetPictureSize(static_cast<int32_t>(width), static_cast<int32_t>(height), ShortName);

    // Each used channel becomes a plane of 8-bit samples, one stored row at a time.
    const size_t pixels = static_cast<size_t>(pixelCount);
    std::vector<uint8_t> planes(used * pixels);
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes));
    auto sample = [&](const uint8_t* stored, size_t x) -> uint8_t {
        switch (depth) {
            case 8: return stored[x];
            case 16: return stored[x * 2];
            case 32: {
                const uint32_t bits = (static_cast<uint32_t>(stored[x * 4]) << 24) | (stored[x * 4 + 1] << 16) |
                                      (stored[x * 4 + 2] << 8) | stored[x * 4 + 3];
                float f;
                std::memcpy(&f, &bits, 4);
                return std::isnan(f) ? 0 : Clamp255(f * 255.0);
            }
            default: return ((stored[x >> 3] >> (7 - (x & 7))) & 1) ? 0 : 255;  // bitmap: 1 is black
        }
    };
    for (size_t c = 0; c < used; ++c) {
        for (size_t y = 0; y < height; ++y) {
            const uint8_t* stored;
            if (compression == 0) {
                stored = reader.Bytes(row.size());
            } else {
                const size_t n = counts[c * height + y];
                TByteReader packed(reader.Bytes(n), n, ShortName);
                UnpackBitsRow(packed, row.data(), row.size());
                stored = row.data();
            }
            uint8_t* out = planes.data() + c * pixels + y * width;
            for (size_t x = 0; x < width; ++x) out[x] = sample(stored, x);
        }
    }

    for (size_t y = 0; y < height; ++y) {
        TColor32* out = Row(static_cast<int32_t>(y));
        const size_t first = y * width;
        auto at = [&](size_t c, size_t x) { return planes[c * pixels + first + x]; };
        for (size_t x = 0; x < width; ++x) {
            const int a = alpha ? at(colorChannels, x) : 255;
            switch (mode) {
                case Bitmap:
                case Grey:
                case Duotone: {
                    const uint8_t g = at(0, x);
                    out[x] = Color32(g, g, g, a);
                    break;
                }
                case Indexed: {
                    const uint8_t i = at(0, x);
                    out[x] = Color32(colorData[i], colorData[256 + i], colorData[512 + i]);
                    break;
                }
                case RGB:
                    out[x] = Color32(at(0, x), at(1, x), at(2, x), a);
                    break;
                case CMYK: {
                    // Stored inverted: 255 is no ink.
                    const int k = at(3, x);
                    out[x] = Color32(at(0, x) * k / 255, at(1, x) * k / 255, at(2, x) * k / 255);
                    break;
                }
                default:
                    out[x] = LabToRGB(at(0, x) * 100.0 / 255, at(1, x) - 128.0, at(2, x) - 128.0);
                    break;
            }
        }
    }
}
