// PNG pictures, decoded with libpng into straight ARGB (every colour type and depth, interlaced,
// tRNS, 16-bit reduced to 8).
#pragma once

#include <cstddef>
#include <cstdint>

#include "uGraphics.h"

class TPNGObject : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPNGObject"; }
    // On failure raises EPNGError with libpng's message and leaves the picture empty.

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
