// Kodak Photo-CD pictures (pcd): the Base image.
#pragma once

#include "uGraphics.h"

class TPCDGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPCDGraphic"; }
    static constexpr const char* ShortName = "PCD";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
