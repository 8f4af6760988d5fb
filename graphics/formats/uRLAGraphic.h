// Alias/Wavefront RLA pictures (rla, rpf).
#pragma once

#include "uGraphics.h"

class TRLAGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TRLAGraphic"; }
    static constexpr const char* ShortName = "RLA";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
