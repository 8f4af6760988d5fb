#include "uPPMGraphic.h"

#include <algorithm>
#include <cstring>

#include "uByteReader.h"

namespace {

// The text of a portable any-map header and of its plain-text samples: numbers separated by
// white space, with comments from '#' to the end of the line.
class TAnyMapText {
public:
    explicit TAnyMapText(TByteReader& reader) : FReader(reader) {}

    void SkipSpaceAndComments() {
        while (!FReader.AtEnd()) {
            const uint8_t c = Peek();
            if (c == '#') {
                while (!FReader.AtEnd() && Peek() != '\n' && Peek() != '\r') FReader.Skip(1);
            } else if (IsSpace(c)) {
                FReader.Skip(1);
            } else {
                return;
            }
        }
    }
    // A decimal number of at most limit; anything else is not this format.
    uint32_t Number(uint32_t limit) {
        SkipSpaceAndComments();
        if (FReader.AtEnd()) FReader.FailRead();
        if (!IsDigit(Peek())) FReader.FailFormat();
        uint64_t value = 0;
        while (!FReader.AtEnd() && IsDigit(Peek())) {
            value = value * 10 + (FReader.U8() - '0');
            if (value > limit) FReader.FailFormat();
        }
        return static_cast<uint32_t>(value);
    }
    // A plain-text bitmap sample: a single 0 or 1, which need not be separated from the next.
    uint32_t Bit() {
        SkipSpaceAndComments();
        const uint8_t c = FReader.U8();
        if (c != '0' && c != '1') FReader.FailFormat();
        return c - '0';
    }
    // A word of the arbitrary-map header (letters, digits and underscores).
    std::string Word() {
        SkipSpaceAndComments();
        std::string word;
        while (!FReader.AtEnd() && !IsSpace(Peek()) && word.size() < 64) word += static_cast<char>(FReader.U8());
        if (word.empty()) FReader.FailRead();
        return word;
    }
    void SkipLine() {
        while (!FReader.AtEnd() && FReader.U8() != '\n') {
        }
    }

private:
    static bool IsSpace(uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
    static bool IsDigit(uint8_t c) { return c >= '0' && c <= '9'; }
    uint8_t Peek() {
        const uint8_t c = FReader.U8();
        FReader.Seek(FReader.Position() - 1);
        return c;
    }
    TByteReader& FReader;
};

constexpr uint32_t MaxDimension = 0x7FFFFFFF;

}  // namespace

void TPPMGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    TAnyMapText text(reader);
    if (reader.U8() != 'P') reader.FailFormat();
    const int kind = reader.U8() - '0';
    if (kind < 1 || kind > 7) reader.FailFormat();

    uint32_t width = 0, height = 0, maxValue = 1;
    int channels = 1;  // samples per pixel: 1 grey, 2 grey+alpha, 3 RGB, 4 RGB+alpha
    bool bitmap = kind == 1 || kind == 4;
    if (kind == 7) {
        // Arbitrary map: keyword lines up to ENDHDR.
        text.SkipLine();
        std::string tupleType;
        uint32_t depth = 0;
        for (int line = 0;; ++line) {
            if (line > 1000) reader.FailFormat();
            const std::string key = text.Word();
            if (key == "ENDHDR") break;
            if (key == "WIDTH") width = text.Number(MaxDimension);
            else if (key == "HEIGHT") height = text.Number(MaxDimension);
            else if (key == "DEPTH") depth = text.Number(16);
            else if (key == "MAXVAL") maxValue = text.Number(65535);
            else if (key == "TUPLTYPE") tupleType = text.Word();
            else reader.FailFormat();
        }
        text.SkipLine();
        if (depth < 1 || depth > 4) reader.FailUnsupported("Depth " + std::to_string(depth));
        channels = static_cast<int>(depth);
        bitmap = tupleType.rfind("BLACKANDWHITE", 0) == 0;
        if (bitmap && maxValue != 1) reader.FailColorFormat();
    } else {
        width = text.Number(MaxDimension);
        height = text.Number(MaxDimension);
        if (!bitmap) maxValue = text.Number(65535);
        channels = (kind == 3 || kind == 6) ? 3 : 1;
        // Raw samples begin after a single white-space character.
        if (kind >= 4) reader.Skip(1);
    }
    if (width == 0 || height == 0 || maxValue == 0) reader.FailFormat();
    const bool plainText = kind <= 3;
    const uint64_t samples = uint64_t{width} * height * static_cast<uint64_t>(channels);
    if (kind == 4) reader.RequireBytes((uint64_t{width} + 7) / 8 * height);
    else if (kind == 1) reader.RequireBytes(samples);                            // a digit per pixel
    else if (plainText) reader.RequireBytes(samples * 2 - 1);                   // digits and separators
    else reader.RequireBytes(samples * (maxValue > 255 ? 2 : 1));
    SetPictureSize(static_cast<int32_t>(width), static_cast<int32_t>(height), ShortName);

    const bool plain = kind <= 3;
    const bool wide = maxValue > 255;
    auto scale = [&](uint32_t v) -> int {
        v = std::min(v, maxValue);
        return static_cast<int>((v * 255 + maxValue / 2) / maxValue);
    };
    auto sample = [&]() -> uint32_t {
        if (plain) return text.Number(65535);
        return wide ? reader.U16BE() : reader.U8();
    };

    for (uint32_t y = 0; y < height; ++y) {
        TColor32* row = Row(static_cast<int32_t>(y));
        if (kind == 4) {
            // Packed bits, each row padded to a byte; 1 is black.
            const uint8_t* bits = reader.Bytes((width + 7) / 8);
            for (uint32_t x = 0; x < width; ++x) {
                const bool black = (bits[x >> 3] >> (7 - (x & 7))) & 1;
                row[x] = black ? Color32(0, 0, 0) : Color32(255, 255, 255);
            }
            continue;
        }
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t s[4] = {0, 0, 0, 0};
            if (kind == 1) {
                s[0] = text.Bit() ? 0 : 1;  // 1 is black
            } else {
                for (int c = 0; c < channels; ++c) s[c] = sample();
            }
            if (bitmap && kind != 7) {
                row[x] = s[0] ? Color32(255, 255, 255) : Color32(0, 0, 0);
                continue;
            }
            switch (channels) {
                case 1: { const int g = scale(s[0]); row[x] = Color32(g, g, g); break; }
                case 2: { const int g = scale(s[0]); row[x] = Color32(g, g, g, scale(s[1])); break; }
                case 3: row[x] = Color32(scale(s[0]), scale(s[1]), scale(s[2])); break;
                default: row[x] = Color32(scale(s[0]), scale(s[1]), scale(s[2]), scale(s[3])); break;
            }
        }
    }
}
