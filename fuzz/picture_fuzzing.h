// Shared by the picture decoders' fuzz targets: assigns a decoded picture to a 32-bit bitmap,
// the road every picture takes to the screen. Large pictures are drawn into a small bitmap
// instead, to keep each run short.
#pragma once

#include <cstdint>

#include "uGraphics.h"
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
