// TIFF pictures (tif, tiff, fax): the first page, decoded with libtiff into straight ARGB.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uGraphics.h"

class TTIFFGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TTIFFGraphic"; }
    static constexpr const char* ShortName = "TIFF";
    // On failure raises EInvalidGraphic and leaves the picture empty.
    // The first page's size as the file declares it, without decoding; false when unreadable.
    static bool PictureSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height);

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
