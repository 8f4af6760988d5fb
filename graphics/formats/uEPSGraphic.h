// Encapsulated PostScript with a binary DOS EPS header: the TIFF preview it carries.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uTIFFGraphic.h"

class TEPSGraphic : public TTIFFGraphic {
public:
    const char* ClassName() const override { return "TEPSGraphic"; }
    static constexpr const char* ShortName = "EPS";
    // Anything but a DOS EPS file with a TIFF preview raises EInvalidGraphic
    // "Cannot load image. Invalid or unexpected EPS image format.".

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
