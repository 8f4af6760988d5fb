// Windows metafiles (wmf, with or without the placeable header) and enhanced metafiles (emf).
// Windows plays them through the canvas's device context; natively they cannot be read.
#pragma once

#include <memory>

#include "uGraphics.h"

class TMetafile : public TGraphic {
public:
    TMetafile();
    ~TMetafile() override;
    const char* ClassName() const override { return "TMetafile"; }
    TGraphicKind Kind() const override { return TGraphicKind::Metafile; }
    int32_t Width() const override;
    int32_t Height() const override;

    // Plays the metafile into rect of the canvas.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

protected:
    // On failure raises EInvalidGraphic "Metafile is not valid" and leaves the picture empty.
    void ReadStream(TStream& stream) override;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};
