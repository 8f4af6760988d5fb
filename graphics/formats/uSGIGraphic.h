// SGI pictures (sgi, rgb, rgba, bw).
#pragma once

#include "uGraphics.h"

class TSGIGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TSGIGraphic"; }
    static constexpr const char* ShortName = "SGI";

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
};
