// Bitmap files and packed DIBs, then their assignment to a 32-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "uBitmapGraphic.h"
#include "picture_fuzzing.h"
#include "uSysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (bool packed : {false, true}) {
        try {
            TBitmap picture;
            if (packed)
                picture.LoadFromDIB(data, size);
            else
                picture.LoadFromBytes(data, size);
            AssignPicture(picture);
        } catch (const Exception&) {
        }
    }
    return 0;
}
