#include "uEPSGraphic.h"

#include <vector>

#include "uByteReader.h"

namespace {
constexpr uint8_t DosEpsSignature[4] = {0xC5, 0xD0, 0xD3, 0xC6};
constexpr size_t DosEpsHeaderSize = 30;
}  // namespace

void TEPSGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader r(data, size, ShortName);
    if (size < DosEpsHeaderSize) r.FailFormat();
    for (uint8_t expected : DosEpsSignature)
        if (r.U8() != expected) r.FailFormat();
    r.Seek(20);
    const uint32_t tiffOffset = r.U32LE();
    const uint32_t tiffLength = r.U32LE();
    if (tiffLength == 0 || tiffOffset < DosEpsHeaderSize || tiffOffset > size || tiffLength > size - tiffOffset)
        r.FailFormat();
    TTIFFGraphic::DecodeBytes(data + tiffOffset, tiffLength);
}
