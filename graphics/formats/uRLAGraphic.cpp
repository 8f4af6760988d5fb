#include "uRLAGraphic.h"

#include <algorithm>

#include "uByteReader.h"

namespace {

constexpr size_t HeaderSize = 740;

// One channel of a scan line: a signed count byte n >= 0 repeats the next byte n + 1 times,
// n < 0 copies the next -n bytes.
void UnpackChannel(TByteReader& packed, uint8_t* out, size_t width) {
    size_t x = 0;
    while (x < width && !packed.AtEnd()) {
        const int8_t n = packed.S8();
        if (n >= 0) {
            const size_t count = std::min<size_t>(static_cast<size_t>(n) + 1, width - x);
            std::fill(out + x, out + x + count, packed.U8());
            x += count;
        } else {
            const size_t count = static_cast<size_t>(-n);
            const uint8_t* p = packed.Bytes(count);
            const size_t kept = std::min(count, width - x);
            std::copy(p, p + kept, out + x);
            x += kept;
        }
    }
    if (x < width) packed.FailRead();
}

}  // namespace

void TRLAGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (size < HeaderSize) reader.FailFormat();  // no picture is this short; there is no signature to tell
    const uint8_t* header = reader.Bytes(HeaderSize);
    auto s16 = [&](size_t at) { return static_cast<int16_t>((header[at] << 8) | header[at + 1]); };
    const int left = s16(8), right = s16(10), bottom = s16(12), top = s16(14);  // active window
    const int storage = s16(18);
    const int colorChannels = s16(20), matteChannels = s16(22), auxChannels = s16(24);
    const int channelBits = s16(658), matteBits = s16(662);
    if (right < left || top < bottom) reader.FailFormat();
    if (colorChannels < 0 || matteChannels < 0 || auxChannels < 0 || colorChannels + matteChannels + auxChannels > 64)
        reader.FailFormat();
    if (colorChannels != 1 && colorChannels != 3) reader.FailColorFormat();
    if (storage != 0) reader.FailUnsupported("Storage type " + std::to_string(storage));
    if (channelBits > 8 || matteBits > 8) reader.FailUnsupported(std::to_string(std::max(channelBits, matteBits)) + "-bit channels");
    const int width = right - left + 1, height = top - bottom + 1;
    const bool matte = matteChannels > 0;

    // Offsets of the scan lines, the bottom one first.
    std::vector<uint32_t> offsets(static_cast<size_t>(height));
    for (uint32_t& offset : offsets) offset = reader.U32BE();
    const size_t used = static_cast<size_t>(colorChannels) + (matte ? 1 : 0);
    // Each channel of a line has its length and runs of at most 128 bytes in 2 bytes.
    if ((uint64_t{static_cast<uint32_t>(width)} / 128 * 2 + 2) * used * static_cast<uint32_t>(height) > size)
        reader.FailRead();
    SetPictureSize(width, height, ShortName);

    std::vector<uint8_t> line(used * static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
        reader.Seek(offsets[static_cast<size_t>(y)]);
        for (size_t c = 0; c < used; ++c) {
            const size_t length = reader.U16BE();
            TByteReader packed(reader.Bytes(length), length, ShortName);
            // The matte channel follows all colour channels; it is the last one read here.
            UnpackChannel(packed, line.data() + c * static_cast<size_t>(width), static_cast<size_t>(width));
        }
        TColor32* row = Row(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = line.data() + x;
            const int a = matte ? p[colorChannels * width] : 255;
            row[x] = colorChannels == 3 ? Color32(p[0], p[width], p[2 * width], a) : Color32(p[0], p[0], p[0], a);
        }
    }
}
