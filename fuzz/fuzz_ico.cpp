// Icons, then their assignment to a 32-bit bitmap.
#include <cstddef>
#include <cstdint>

#include "uIconGraphic.h"
#include "picture_fuzzing.h"
#include "uSysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    try {
        TIcon picture;
        picture.LoadFromBytes(data, size);
        AssignPicture(picture);
    } catch (const Exception&) {
    }
    return 0;
}
