// A list of same-sized pictures with alpha, kept as premultiplied 32-bit device-independent
// bitmaps ready for the platform's alpha blending (menu icons, dialog pictures).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "uTBitmap32.h"

class TImageList {
public:
    TImageList(int32_t width, int32_t height) : FWidth(width), FHeight(height) {}
    ~TImageList();
    TImageList(const TImageList&) = delete;
    TImageList& operator=(const TImageList&) = delete;

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int32_t Count() const { return static_cast<int32_t>(FBitmaps.size()); }

    // Adds straight-alpha ARGB pixels of the list's size (row 0 at the top); returns the index.
    int32_t Add(const std::vector<TColor32>& pixels);
    // Adds a PNG kept as a raw-data resource of the program; raises when it is missing or damaged.
    int32_t AddPngResource(const std::string& name);

    // Blends picture index over dc with its top-left corner at (x, y).
    void Draw(HDC dc, int32_t x, int32_t y, int32_t index) const;
    // The premultiplied bitmap itself (the list keeps owning it).
    HBITMAP Bitmap(int32_t index) const { return FBitmaps.at(static_cast<size_t>(index)); }

private:
    int32_t FWidth;
    int32_t FHeight;
    std::vector<HBITMAP> FBitmaps;
};
