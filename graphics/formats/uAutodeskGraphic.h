// Autodesk Animator pictures (cel, pic).
#pragma once

#include "uGraphics.h"

class TAutodeskGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TAutodeskGraphic"; }
    static constexpr const char* ShortName = "Autodesk";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
