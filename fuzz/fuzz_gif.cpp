// Feeds arbitrary bytes to the GIF decoder and draws the still picture of what loads.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "uClasses.h"
#include "uGIFImage.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream stream(data, size);
    TGIFImage image;
    try {
        image.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    // Large screens are drawn scaled down, so that the target stays small.
    TBitmap32 bitmap;
    bitmap.SetSize(std::min(image.Width(), 512), std::min(image.Height(), 512));
    bitmap.Clear(0xFFFFFFFFu);
    image.Draw(bitmap.Canvas(), bitmap.BoundsRect());
    for (size_t i = 0; i < image.FrameCount(); ++i) image.DrawFrame(bitmap.Canvas(), bitmap.BoundsRect(), i, false);
    return 0;
}
