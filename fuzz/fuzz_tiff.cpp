// TIFF pictures, then their assignment to a 32-bit bitmap. Pictures of more than 4 million
// pixels are skipped before decoding: decoding them is correct but slow, and fuzzing wants many
// short runs.
#include <cstddef>
#include <cstdint>

#include "picture_fuzzing.h"
#include "uSysUtils.h"
#include "uTIFFGraphic.h"

namespace {

bool SmallEnough(const uint8_t* data, size_t size) {
    uint32_t width = 0, height = 0;
    if (!TTIFFGraphic::PictureSize(data, size, width, height)) return true;  // the decoder's error path
    return static_cast<uint64_t>(width) * height <= (uint64_t{1} << 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!SmallEnough(data, size)) return 0;
    return FuzzRasterDecoder<TTIFFGraphic>(data, size);
}
