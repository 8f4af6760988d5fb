#include "uCUTGraphic.h"

#include <algorithm>
#include <optional>

#include "uByteReader.h"

namespace {

constexpr size_t PaletteHeaderSize = 40;
constexpr size_t PaletteBlockSize = 512;

// A Dr. Halo palette file: "AH", version, size, file type 0x0A, subtype, board, mode, the
// largest index, the largest red, green and blue values, a 20-byte name; then 16-bit red,
// green and blue per entry, never split across a 512-byte block.
std::optional<std::vector<TColor32>> ReadHaloPalette(const std::string& path) {
    std::vector<uint8_t> bytes;
    try {
        TFileStream stream(path);
        bytes = stream.ReadRest();
    } catch (const Exception&) {
        return std::nullopt;
    }
    try {
        TByteReader reader(bytes, "CUT");
        if (reader.U8() != 'A' || reader.U8() != 'H') return std::nullopt;
        reader.Skip(4);  // version, size
        if (reader.U8() != 0x0A) return std::nullopt;
        reader.Skip(5);  // subtype, board, graphics mode
        const size_t lastIndex = reader.U16LE();
        const int maxima[3] = {reader.U16LE(), reader.U16LE(), reader.U16LE()};
        if (lastIndex > 255 || maxima[0] == 0 || maxima[1] == 0 || maxima[2] == 0) return std::nullopt;
        reader.Seek(PaletteHeaderSize);
        std::vector<TColor32> palette(256, Color32(0, 0, 0));
        for (size_t i = 0; i <= lastIndex; ++i) {
            if (reader.Position() % PaletteBlockSize > PaletteBlockSize - 6)
                reader.Skip(PaletteBlockSize - reader.Position() % PaletteBlockSize);
            int rgb[3];
            for (int c = 0; c < 3; ++c) rgb[c] = (std::min<int>(reader.U16LE(), maxima[c]) * 255 + maxima[c] / 2) / maxima[c];
            palette[i] = Color32(rgb[0], rgb[1], rgb[2]);
        }
        return palette;
    } catch (const EInvalidGraphic&) {
        return std::nullopt;
    }
}

std::string PalettePathOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    const size_t dot = path.rfind('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? path.substr(0, dot) : path) + ".pal";
}

}  // namespace

void TCUTGraphic::LoadFromFile(const std::string& path) {
    FPalettePath = PalettePathOf(path);
    TGraphic::LoadFromFile(path);
}

// Header: width, height, reserved (16-bit each); then per line a 16-bit byte count and the
// line's runs: a byte n with the top bit set repeats the next byte n & 0x7F times, any other
// non-zero n copies the next n bytes, 0 ends the line.
void TCUTGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    const uint16_t width = reader.U16LE();
    const uint16_t height = reader.U16LE();
    if (reader.U16LE() != 0 || width == 0 || height == 0) reader.FailFormat();

    std::vector<TColor32> palette;
    if (!FPalettePath.empty()) {
        if (std::optional<std::vector<TColor32>> read = ReadHaloPalette(FPalettePath)) palette = std::move(*read);
    }
    if (palette.empty()) {
        palette.resize(256);
        for (int i = 0; i < 256; ++i) palette[i] = Color32(i, i, i);
    }

    // Every line has its count and end byte; a run covers at most 127 pixels in 2 bytes.
    reader.RequireBytes(uint64_t{height} * 3 + uint64_t{width} * height / 127 * 2);
    SetPictureSize(width, height, ShortName);
    for (int y = 0; y < height; ++y) {
        const size_t length = reader.U16LE();
        TByteReader line(reader.Bytes(length), length, ShortName);
        TColor32* row = Row(y);
        size_t x = 0;
        while (!line.AtEnd()) {
            const uint8_t n = line.U8();
            if (n == 0) break;
            const size_t count = n & 0x7F;
            if (count > width - x) reader.FailFormat();
            if (n & 0x80) {
                std::fill(row + x, row + x + count, palette[line.U8()]);
            } else {
                const uint8_t* p = line.Bytes(count);
                for (size_t k = 0; k < count; ++k) row[x + k] = palette[p[k]];
            }
            x += count;
        }
        // Pixels a short line leaves out stay index 0.
        std::fill(row + x, row + width, palette[0]);
    }
}
