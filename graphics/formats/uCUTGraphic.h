// Dr. Halo pictures (cut) with their .pal palette.
#pragma once

#include <string>

#include "uGraphics.h"

// The colours come from the palette file beside the picture (same path, extension ".pal").
// Without a readable palette the indices show as grey levels, never as colours from elsewhere.
class TCUTGraphic : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TCUTGraphic"; }
    static constexpr const char* ShortName = "CUT";
    // Loads the picture with the palette file that belongs to path.
    void LoadFromFile(const std::string& path) override;
    // The palette file LoadFromStream reads; empty for none.
    void SetPalettePath(const std::string& path) { FPalettePath = path; }

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;

private:
    std::string FPalettePath;
};
