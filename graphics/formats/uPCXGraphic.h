// ZSoft PCX pictures (pcx, pcc, scr).
#pragma once

#include "uGraphics.h"

class TPCXGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPCXGraphic"; }
    static constexpr const char* ShortName = "PCX";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
