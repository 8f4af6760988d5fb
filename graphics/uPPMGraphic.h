// Portable any-map pictures (pbm, pgm, ppm).
#pragma once

#include "uGraphics.h"

class TPPMGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPPMGraphic"; }
    static constexpr const char* ShortName = "PPM";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
