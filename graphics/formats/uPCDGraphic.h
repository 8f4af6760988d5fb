// Kodak Photo-CD pictures (pcd): the Base image.
#pragma once

#include "uGraphics.h"

class TPCDGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPCDGraphic"; }
    static constexpr const char* ShortName = "PCD";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
