// TBitmap32::LoadFromFile on a file of chosen extension: the first byte picks the extension, the
// rest is the file (bitmap files take the direct 32-bit road or the bitmap decoder whatever the
// extension; others go through the registry).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include <unistd.h>

#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {
const char* const Extensions[] = {"bmp", "dib", "rle", "ico", "jpg", "jpeg", "jpe", "jfif", "png", "gif",
                                  "tif", "tiff", "fax", "eps", "txt", "JPG", ""};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (RegisterPictureFormats(), true);
    (void)registered;
    if (size == 0) return 0;
    const char* extension = Extensions[data[0] % (sizeof Extensions / sizeof Extensions[0])];
    const std::string path = "/tmp/velmora-fuzz-load-" + std::to_string(getpid()) + (*extension ? "." : "") + extension;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data + 1, 1, size - 1, f);
        std::fclose(f);
    } else {
        return 0;
    }
    TBitmap32 bitmap;
    try {
        bitmap.LoadFromFile(path);
    } catch (const Exception&) {
    }
    std::remove(path.c_str());
    return 0;
}
