// Paint Shop Pro pictures (psp).
#pragma once

#include "uGraphics.h"

class TPSPGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPSPGraphic"; }
    static constexpr const char* ShortName = "PSP";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
