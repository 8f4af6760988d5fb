// The common body of the raster decoders' fuzz targets: load arbitrary bytes and, when they
// decode, check the picture's shape and draw it scaled into a small bitmap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "uClasses.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

template <class TDecoder>
int FuzzRasterDecoder(const uint8_t* data, size_t size) {
    TMemoryStream stream(data, size);
    TDecoder picture;
    try {
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
        if (!picture.Empty() || !picture.Pixels().empty()) std::abort();  // a failed load leaves nothing behind
        return 0;
    }
    if (picture.Empty() ||
        picture.Pixels().size() != static_cast<size_t>(picture.Width()) * static_cast<size_t>(picture.Height()))
        std::abort();
    TBitmap32 bitmap;
    bitmap.SetSize(std::min(picture.Width(), 64), std::min(picture.Height(), 64));
    bitmap.Clear(0xFFFFFFFFu);
    picture.Draw(bitmap.Canvas(), bitmap.BoundsRect());
    return 0;
}
