// Truevision TGA pictures (tga, vda, vst, win, icb).
#pragma once

#include "uGraphics.h"

class TTargaGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TTargaGraphic"; }
    static constexpr const char* ShortName = "TGA";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
