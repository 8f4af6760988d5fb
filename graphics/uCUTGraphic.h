// Dr. Halo pictures (cut) with their .pal palette.
#pragma once

#include "uGraphics.h"

class TCUTGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TCUTGraphic"; }
    static constexpr const char* ShortName = "CUT";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
