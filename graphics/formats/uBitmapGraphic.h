// Windows device-independent bitmaps (bmp, dib, rle): files with a BITMAPFILEHEADER and packed
// DIBs that start with the information header. Portable decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "uGraphics.h"

class TBitmap : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TBitmap"; }
    TGraphicKind Kind() const override { return TGraphicKind::PlainBitmap; }

    // LoadFromStream and LoadFromBytes read a bitmap file ("BM" header) or a packed DIB. On
    // failure they raise EInvalidGraphic "Bitmap image is not valid" and leave the picture empty.
    // A packed DIB: information header, colour table and pixels, without a file header
    // (the layout of a bitmap resource).
    void LoadFromDIB(const uint8_t* data, size_t size);

    // Bits per pixel of the stored picture (1, 4, 8, 16, 24 or 32); 0 while empty.
    int PixelFormatBits() const { return FBitsPerPixel; }

    // Pixels whose colour equals TransparentColor become transparent when assigned.
    bool Transparent = false;
    TColor32 TransparentColor = 0;

    // Copies the colour bytes into rect; 32-bit pictures also copy their fourth byte.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

protected:
    void DecodeBytes(const uint8_t* data, size_t size) override;
    void PictureCleared() override { FBitsPerPixel = 0; }

private:
    void Decode(const uint8_t* data, size_t size, bool withFileHeader);
    int FBitsPerPixel = 0;
};
