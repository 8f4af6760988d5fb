#include "uPNGImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <png.h>

#include "uSysUtils.h"

namespace {

struct TPngSource {
    const uint8_t* Data;
    size_t Size;
    size_t Position;
};

// libpng reports errors through this function, which must not return: it keeps the message
// and jumps back to the decoding step that made the call.
struct TPngError {
    char Message[256];
};

void ErrorFn(png_structp png, png_const_charp message) {
    auto* error = static_cast<TPngError*>(png_get_error_ptr(png));
    std::snprintf(error->Message, sizeof error->Message, "%s", message != nullptr ? message : "PNG error");
    png_longjmp(png, 1);
}

void WarningFn(png_structp, png_const_charp) {}

void ReadFn(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<TPngSource*>(png_get_io_ptr(png));
    if (count > source->Size - source->Position) png_error(png, "Read Error");
    std::memcpy(out, source->Data + source->Position, count);
    source->Position += count;
}

// Owns the read and info structures; destroyed on every path.
struct TPngDecoder {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    TPngError Error{};
    TPngSource Source{};

    ~TPngDecoder() {
        if (Png != nullptr) png_destroy_read_struct(&Png, Info != nullptr ? &Info : nullptr, nullptr);
    }
};

// The steps that call into libpng hold no object with a destructor, so that a jump out of
// libpng skips nothing. Each returns false after an error (message in the decoder).
bool ReadHeader(TPngDecoder& d, png_uint_32& width, png_uint_32& height, uint64_t& storedBytes) {
    if (setjmp(png_jmpbuf(d.Png))) return false;
    png_set_read_fn(d.Png, &d.Source, ReadFn);
    // Only the image matters: text, profiles and other ancillary data (whose compressed chunks
    // could expand enormously) are skipped unread.
    static const png_byte ignored[] = "tEXt\0zTXt\0iTXt\0iCCP\0sPLT\0eXIf\0tIME\0pCAL\0sCAL\0hIST\0oFFs\0pHYs\0";
    png_set_keep_unknown_chunks(d.Png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(d.Png, PNG_HANDLE_CHUNK_NEVER, ignored, static_cast<int>((sizeof ignored - 1) / 5));
    png_set_chunk_malloc_max(d.Png, 1u << 20);
    png_read_info(d.Png, d.Info);
    int bitDepth = 0, colorType = 0, interlace = 0;
    png_get_IHDR(d.Png, d.Info, &width, &height, &bitDepth, &colorType, &interlace, nullptr, nullptr);
    // The filtered rows as stored, each with its filter byte (interlaced pictures store more).
    storedBytes = (uint64_t{png_get_rowbytes(d.Png, d.Info)} + 1) * height;
    // Everything becomes 8-bit BGRA with straight alpha: in memory, the bytes of TColor32.
    png_set_expand(d.Png);
    if (bitDepth == 16) png_set_scale_16(d.Png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(d.Png);
    png_set_filler(d.Png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(d.Png);
    png_set_interlace_handling(d.Png);
    png_read_update_info(d.Png, d.Info);
    if (png_get_rowbytes(d.Png, d.Info) != static_cast<size_t>(width) * 4) png_error(d.Png, "Unexpected row size");
    return true;
}

bool ReadRows(TPngDecoder& d, png_bytepp rows) {
    if (setjmp(png_jmpbuf(d.Png))) return false;
    png_read_image(d.Png, rows);
    png_read_end(d.Png, nullptr);
    return true;
}

}  // namespace

void TPNGObject::DecodeBytes(const uint8_t* data, size_t size) {
    TPngDecoder d;
    d.Source = TPngSource{data, size, 0};
    d.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &d.Error, ErrorFn, WarningFn);
    if (d.Png == nullptr) throw EPNGError("Out of memory");
    d.Info = png_create_info_struct(d.Png);
    if (d.Info == nullptr) throw EPNGError("Out of memory");
    png_uint_32 width = 0, height = 0;
    uint64_t storedBytes = 0;
    if (!ReadHeader(d, width, height, storedBytes)) throw EPNGError(d.Error.Message);
    if (static_cast<uint64_t>(width) * height > static_cast<uint64_t>(MaxPicturePixels))
        throw EPNGError("Image is too large");
    // Deflate packs at most 1032 bytes into one: a file too short for its rows is refused before
    // the picture is allocated.
    if (storedBytes / 1032 > size) throw EPNGError("Read Error");

    SetPictureSize(static_cast<int32_t>(width), static_cast<int32_t>(height), "PNG");
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = reinterpret_cast<png_bytep>(Row(static_cast<int32_t>(y)));
    static_assert(sizeof(TColor32) == 4, "four bytes per pixel");
    if (!ReadRows(d, rows.data())) throw EPNGError(d.Error.Message);
}
