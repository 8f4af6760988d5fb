// Autodesk Animator pictures (cel, pic).
#pragma once

#include "uGraphics.h"

class TAutodeskGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TAutodeskGraphic"; }
    static constexpr const char* ShortName = "Autodesk";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
