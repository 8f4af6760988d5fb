// Decoded pictures, the picture holder and the picture-format registry. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "uClasses.h"
#include "uPersistent.h"
#include "uTBitmap32.h"

// How TBitmap32::Assign turns a picture into 32-bit pixels.
enum class TGraphicKind {
    PlainBitmap,  // drawn over transparent black; alpha 255 unless 32 bits per pixel
    Icon,         // drawn over transparent black; all-zero alpha falls back to the metafile rule
    Metafile,     // drawn over white and over red; equal colours opaque, others transparent
    Other,        // drawn over opaque white, then alpha 255 everywhere
};

// A decoded picture of known size that can draw itself into a drawing surface.
class TGraphic : public TPersistent {
public:
    virtual TGraphicKind Kind() const { return TGraphicKind::Other; }
    virtual int32_t Width() const = 0;
    virtual int32_t Height() const = 0;
    bool Empty() const { return Width() <= 0 || Height() <= 0; }

    // Reads the picture. On failure raises the decoder's error, or EOutOfResources "Out of memory"
    // when the memory for it cannot be had, and leaves the picture empty.
    void LoadFromStream(TStream& stream);
    virtual void LoadFromFile(const std::string& path);

    // Draws the picture into rect of the canvas. Writes the colour channels of the pixels it
    // covers; what it leaves in their alpha bytes is the picture kind's matter (see TGraphicKind).
    virtual void Draw(TCanvas& canvas, const TRect& rect) const = 0;

protected:
    // The picture kind's own reading of a stream (LoadFromStream turns a failed allocation in it
    // into the out-of-memory error).
    virtual void ReadStream(TStream& stream) = 0;
};

// Runs one step of reading a picture; a failed allocation in it raises EOutOfResources
// "Out of memory", the error every caller of a load can show, instead of std::bad_alloc.
void ReadingPicture(const std::function<void()>& step);

// A picture decoded into straight (not premultiplied) ARGB pixels, row 0 at the top. The
// portable decoders all yield one of these. Drawing blends each pixel over the canvas by its
// alpha (scaled to the rectangle by nearest neighbour when the sizes differ).
class TRasterGraphic : public TGraphic {
public:
    int32_t Width() const override { return FWidth; }
    int32_t Height() const override { return FHeight; }
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    const std::vector<TColor32>& Pixels() const { return FPixels; }

    // Decodes a whole file's bytes. On failure raises as LoadFromStream does and leaves the
    // picture empty.
    void LoadFromBytes(const uint8_t* data, size_t size);

protected:
    // Reads the rest of the stream and decodes it with LoadFromBytes.
    void ReadStream(TStream& stream) final;
    // The format's decoder: fills the picture from the file's bytes or raises its error. Size
    // computations are made in 64 bits and checked against MaxPicturePixels and the file's
    // length before anything is allocated.
    virtual void DecodeBytes(const uint8_t* data, size_t size) = 0;
    // Runs decode on an emptied picture; any failure leaves the picture empty and passes on.
    void Decoding(const std::function<void()>& decode);

    // Sizes the pixel store (all 0) after checking the size against MaxPicturePixels; raises
    // EInvalidGraphic "Cannot load image. Invalid or unexpected %s image format." when too large.
    void SetPictureSize(int32_t width, int32_t height, const char* formatName);
    // Takes over another picture's size and pixels without copying them, leaving it empty: a
    // picture at the size limit is held once, not twice.
    void TakePicture(TRasterGraphic& source);
    void ClearPicture();
    // Called whenever the picture is emptied, for the kinds that keep more than pixels.
    virtual void PictureCleared() {}
    TColor32* Row(int32_t y) { return FPixels.data() + static_cast<size_t>(y) * static_cast<size_t>(FWidth); }

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    std::vector<TColor32> FPixels;
};

// Largest picture any decoder accepts: 2^28 pixels (1 GiB of 32-bit pixels).
constexpr int64_t MaxPicturePixels = int64_t{1} << 28;

// Holder of at most one decoded picture; the format registry's container.
class TPicture : public TPersistent {
public:
    const char* ClassName() const override { return "TPicture"; }
    TGraphic* Graphic() const { return FGraphic.get(); }
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // Replaces the held picture by the file's, chosen by extension. On any failure the holder
    // keeps its previous picture and the error passes on unchanged.
    void LoadFromFile(const std::string& path);
    std::function<void(TPicture&)> OnChange;

private:
    std::unique_ptr<TGraphic> FGraphic;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

struct TFileFormat {
    std::string Extension;  // lower-case, without the dot
    std::string Description;
    std::string GraphicClassName;
    TGraphicFactory Create;
};

// The ordered list of registered extensions, looked up from the last entry backwards.
class TFileFormatsList {
public:
    void Add(const std::string& extension, const std::string& description, const std::string& graphicClassName,
             TGraphicFactory factory);
    const TFileFormat* Find(const std::string& extension) const;  // case-insensitive; nullptr if none
    const std::vector<TFileFormat>& Entries() const { return FEntries; }

private:
    std::vector<TFileFormat> FEntries;
};

// The registry, created on first use with its four built-in entries (wmf, emf, ico, bmp) and
// then extended by RegisterPictureFormats.
TFileFormatsList& FileFormats();
// Adds every decoder family in the registry's order. Called once at start-up; later calls do nothing.
void RegisterPictureFormats();

// The extension of a file name as written: the part after the last dot, empty when none.
std::string ExtractPictureExtension(const std::string& path);
