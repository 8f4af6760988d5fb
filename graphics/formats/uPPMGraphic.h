// Portable any-map pictures (pbm, pgm, ppm).
#pragma once

#include "uGraphics.h"

class TPPMGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPPMGraphic"; }
    static constexpr const char* ShortName = "PPM";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
