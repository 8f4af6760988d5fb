// Truevision TGA pictures (tga, vda, vst, win, icb).
#pragma once

#include "uGraphics.h"

class TTargaGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TTargaGraphic"; }
    static constexpr const char* ShortName = "TGA";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
