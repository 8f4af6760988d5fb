// ZSoft PCX pictures (pcx, pcc, scr).
#pragma once

#include "uGraphics.h"

class TPCXGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPCXGraphic"; }
    static constexpr const char* ShortName = "PCX";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
