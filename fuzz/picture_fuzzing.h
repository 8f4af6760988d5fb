// Shared by the picture decoders' fuzz targets. A decoded picture takes the road every picture
// takes to the screen: assignment to a 32-bit bitmap (large pictures are drawn into a small bitmap
// instead, to keep each run short).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "uClasses.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

inline void AssignPicture(const TGraphic& picture) {
    TBitmap32 bitmap;
    if (static_cast<int64_t>(picture.Width()) * picture.Height() <= (int64_t{1} << 20)) {
        bitmap.Assign(&picture);
    } else {
        bitmap.SetSize(64, 64);
        bitmap.Clear(0xFFFFFFFFu);
        picture.Draw(bitmap.Canvas(), bitmap.BoundsRect());
    }
}

// Loads arbitrary bytes with a raster decoder. A failed load must leave nothing behind; a
// successful one must have a pixel for every place of its size, and is then assigned.
template <class TDecoder>
int FuzzRasterDecoder(const uint8_t* data, size_t size) {
    TMemoryStream stream(data, size);
    TDecoder picture;
    try {
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
        if (!picture.Empty() || !picture.Pixels().empty()) std::abort();
        return 0;
    }
    if (picture.Empty() ||
        picture.Pixels().size() != static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()))
        std::abort();
    AssignPicture(picture);
    return 0;
}
