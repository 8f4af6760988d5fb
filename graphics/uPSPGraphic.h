// Paint Shop Pro pictures (psp).
#pragma once

#include "uGraphics.h"

class TPSPGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPSPGraphic"; }
    static constexpr const char* ShortName = "PSP";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
