// DrawTo with the draft resampler over chosen source and destination sizes, huge ones included
// (rows and columns past 2^24 pixels, where single-precision ratios round), with destination
// rectangles partly or wholly outside the destination and source rectangles overhanging.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "uDraftResampler.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {

// Takes the next four bytes (zeros past the end).
uint32_t Next(const uint8_t*& data, size_t& size) {
    uint8_t bytes[4] = {0, 0, 0, 0};
    const size_t n = size < 4 ? size : 4;
    std::memcpy(bytes, data, n);
    data += n;
    size -= n;
    return static_cast<uint32_t>(bytes[0]) | (static_cast<uint32_t>(bytes[1]) << 8) |
           (static_cast<uint32_t>(bytes[2]) << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// A length of 1 .. 2^25, small ones far more often than large ones.
int32_t Length(uint32_t bits) {
    const uint32_t magnitude = bits % 26;  // up to 2^25
    return static_cast<int32_t>((bits >> 5) % (uint32_t{1} << magnitude) + 1);
}

// A coordinate within +-2^25 of origin.
int32_t Offset(uint32_t bits) { return static_cast<int32_t>(bits % (uint32_t{1} << 26)) - (int32_t{1} << 25); }

constexpr int64_t MaxSourcePixels = int64_t{1} << 25;       // 128 MiB of pixels
constexpr int64_t MaxDestinationPixels = int64_t{1} << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int32_t sw = Length(Next(data, size)), sh = Length(Next(data, size));
    const int32_t dw = Length(Next(data, size)), dh = Length(Next(data, size));
    if (int64_t{sw} * sh > MaxSourcePixels || int64_t{dw} * dh > MaxDestinationPixels) return 0;
    const uint32_t shape = Next(data, size);

    TBitmap32 source, target;
    source.SetResamplerClassName("TDraftResampler");
    source.SetSize(sw, sh);
    // A pattern that makes every pixel differ from its neighbours, and the rest of the input.
    TColor32* pixels = source.Pixels();
    const size_t count = static_cast<size_t>(sw) * static_cast<size_t>(sh);
    for (size_t i = 0; i < count; i += 4099) pixels[i] = static_cast<TColor32>(i * 2654435761u);
    std::memcpy(pixels, data, size < count * 4 ? size : count * 4);
    target.SetSize(dw, dh);

    // Whole bitmaps, or a destination rectangle of its own size and place and a source
    // rectangle that may overhang the source.
    TRect dstRect = target.BoundsRect(), srcRect = source.BoundsRect();
    if (shape & 1) {
        const int32_t left = Offset(Next(data, size)) % (dw + 2), top = Offset(Next(data, size)) % (dh + 2);
        dstRect = Rect(left, top, left + Length(Next(data, size)), top + Length(Next(data, size)));
    }
    if (shape & 2) {
        const int32_t left = static_cast<int32_t>(Next(data, size) % 5) - 2;
        const int32_t top = static_cast<int32_t>(Next(data, size) % 5) - 2;
        srcRect = Rect(left, top, sw - left + static_cast<int32_t>(Next(data, size) % 5) - 2,
                       sh - top + static_cast<int32_t>(Next(data, size) % 5) - 2);
    }
    try {
        source.DrawTo(&target, dstRect, srcRect);
    } catch (const Exception&) {
    }
    return 0;
}
