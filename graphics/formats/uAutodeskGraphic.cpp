#include "uAutodeskGraphic.h"

#include <algorithm>

#include "uByteReader.h"

namespace {
constexpr uint16_t AnimatorMagic = 0x9119;
constexpr size_t PaletteSize = 768;
}  // namespace

// Header: magic, width, height, x, y (position on the screen, not used), depth, compression,
// size of the pixel data, 16 reserved bytes; then a 256-entry palette of 6-bit VGA levels and
// one byte per pixel, top row first. A picture stored without a palette shows its indices as grey levels.
void TAutodeskGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (reader.U16LE() != AnimatorMagic) reader.FailFormat();
    const uint16_t width = reader.U16LE();
    const uint16_t height = reader.U16LE();
    reader.Skip(4);
    const uint8_t depth = reader.U8();
    const uint8_t compression = reader.U8();
    const uint32_t dataSize = reader.U32LE();
    reader.Skip(16);
    if (width == 0 || height == 0) reader.FailFormat();
    if (depth != 8) reader.FailColorFormat();
    if (compression != 0) reader.FailUnsupported("Compression " + std::to_string(compression));
    const size_t pixelCount = static_cast<size_t>(width) * height;
    if (dataSize != 0 && dataSize < pixelCount) reader.FailFormat();

    reader.RequireBytes(pixelCount);
    std::vector<TColor32> palette(256);
    if (reader.Remaining() >= PaletteSize + pixelCount) {
        const uint8_t* p = reader.Bytes(PaletteSize);
        for (size_t i = 0; i < 256; ++i) {
            auto level = [&](size_t k) { return (std::min<int>(p[i * 3 + k], 63) * 255 + 31) / 63; };
            palette[i] = Color32(level(0), level(1), level(2));
        }
    } else {
        for (int i = 0; i < 256; ++i) palette[i] = Color32(i, i, i);
    }

    SetPictureSize(width, height, ShortName);
    const uint8_t* indices = reader.Bytes(pixelCount);
    for (size_t i = 0; i < pixelCount; ++i) FPixels[i] = palette[indices[i]];
}
