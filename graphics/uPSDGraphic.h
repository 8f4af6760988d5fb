// Photoshop pictures (psd, pdd): the composite image.
#pragma once

#include "uGraphics.h"

class TPSDGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TPSDGraphic"; }
    static constexpr const char* ShortName = "PSD";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
