// JPEG pictures (jpg, jpeg, jpe, jfif), decoded with libjpeg at full size into 24-bit colour.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uGraphics.h"

class TJPEGImage : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TJPEGImage"; }
    // On failure raises EJPEG "JPEG error #%d" with the decoder's message number and leaves the
    // picture empty.

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
