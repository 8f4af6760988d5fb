// TBitmap32::LoadFromFile: bitmap files by their content, every other file by its extension.
#include <cstdint>

#include "uBitmapGraphic.h"
#include "uClasses.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {
constexpr size_t BitmapHeadersSize = 54;  // file header (14) + information header (40)
}  // namespace

void TBitmap32::LoadFromFile(const std::string& path) {
    // The picture is decoded and assigned to a scratch bitmap first, so that any failure on the
    // way, running out of memory included, leaves this bitmap as it was.
    TBitmap32 loaded;
    bool bitmapFile = false;
    {
        TFileStream stream(path);
        uint8_t header[BitmapHeadersSize] = {0};
        const size_t got = stream.Read(header, sizeof header);
        bitmapFile = got >= 2 && header[0] == 'B' && header[1] == 'M';
        // A bitmap file needs both headers; any other (possibly tiny) file goes to its decoder.
        if (bitmapFile && got < sizeof header) throw EReadError("Stream read error");
        if (bitmapFile) {
            // Whatever the extension. Uncompressed 32-bit pixels keep their fourth byte as alpha.
            stream.SetPosition(0);
            TBitmap bitmap;
            bitmap.LoadFromStream(stream);
            ReadingPicture([&] { loaded.Assign(&bitmap); });
        }
    }
    if (!bitmapFile) {
        TPicture picture;
        picture.LoadFromFile(path);
        ReadingPicture([&] { loaded.Assign(&picture); });
    }
    TakePixelsOf(loaded);
}
