// Photoshop pictures (psd, pdd): the composite image.
#pragma once

#include "uGraphics.h"

class TPSDGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPSDGraphic"; }
    static constexpr const char* ShortName = "PSD";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
