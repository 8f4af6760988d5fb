// Alias/Wavefront RLA pictures (rla, rpf).
#pragma once

#include "uGraphics.h"

class TRLAGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TRLAGraphic"; }
    static constexpr const char* ShortName = "RLA";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
