// SGI pictures (sgi, rgb, rgba, bw).
#pragma once

#include "uGraphics.h"

class TSGIGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TSGIGraphic"; }
    static constexpr const char* ShortName = "SGI";
    void LoadFromStream(TStream& stream) override;

private:
    void Decode(const std::vector<uint8_t>& bytes);
};
