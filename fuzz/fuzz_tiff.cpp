// TIFF pictures, then their assignment to a 32-bit bitmap. Pictures of more than 4 million
// pixels are skipped before decoding: decoding them is correct but slow, and fuzzing wants many
// short runs.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include <tiffio.h>

#include "picture_fuzzing.h"
#include "uSysUtils.h"
#include "uTIFFGraphic.h"

namespace {

struct TSource {
    const uint8_t* Data;
    toff_t Size;
    toff_t Position;
};

tmsize_t Read(thandle_t h, void* buffer, tmsize_t count) {
    auto* s = static_cast<TSource*>(h);
    if (count <= 0 || s->Position >= s->Size) return 0;
    const toff_t n = count < static_cast<tmsize_t>(s->Size - s->Position) ? static_cast<toff_t>(count) : s->Size - s->Position;
    std::memcpy(buffer, s->Data + s->Position, n);
    s->Position += n;
    return static_cast<tmsize_t>(n);
}
tmsize_t Write(thandle_t, void*, tmsize_t) { return 0; }
toff_t Seek(thandle_t h, toff_t offset, int whence) {
    auto* s = static_cast<TSource*>(h);
    const int64_t base = whence == SEEK_CUR ? static_cast<int64_t>(s->Position) : whence == SEEK_END ? static_cast<int64_t>(s->Size) : 0;
    const int64_t target = base + static_cast<int64_t>(offset);
    if (target < 0) return static_cast<toff_t>(-1);
    return s->Position = static_cast<toff_t>(target);
}
int Close(thandle_t) { return 0; }
toff_t Size(thandle_t h) { return static_cast<TSource*>(h)->Size; }
int Map(thandle_t, void**, toff_t*) { return 0; }
void Unmap(thandle_t, void*, toff_t) {}

bool SmallEnough(const uint8_t* data, size_t size) {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    TSource source{data, size, 0};
    TIFF* tif = TIFFClientOpen("fuzz", "rm", &source, Read, Write, Seek, Close, Size, Map, Unmap);
    if (tif == nullptr) return true;  // the decoder's error path
    uint32_t width = 0, height = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFClose(tif);
    return static_cast<uint64_t>(width) * height <= (uint64_t{1} << 22);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (!SmallEnough(data, size)) return 0;
    try {
        TTIFFGraphic picture;
        picture.LoadFromBytes(data, size);
        AssignPicture(picture);
    } catch (const Exception&) {
    }
    return 0;
}
