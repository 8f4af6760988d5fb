// The 32-bit ARGB bitmap through which all rendering and picture display goes. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "uPersistent.h"

using TColor32 = uint32_t;

struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;

    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect& other) const {
        return Left == other.Left && Top == other.Top && Right == other.Right && Bottom == other.Bottom;
    }
};

inline TRect Rect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return TRect{left, top, right, bottom}; }

// Intersection of two rectangles; empty (all zero) when they do not overlap.
TRect IntersectRect(const TRect& a, const TRect& b);

// (R·61 + G·174 + B·21) >> 8; alpha is ignored. A grey (v, v, v) gives v.
inline uint32_t Intensity(TColor32 color) {
    return (((color >> 16) & 0xFF) * 61 + ((color >> 8) & 0xFF) * 174 + (color & 0xFF) * 21) >> 8;
}

// (a << 24) | (r << 16) | (g << 8) | b, each argument reduced to its low byte.
inline TColor32 Color32(int32_t r, int32_t g, int32_t b, int32_t a = 255) {
    return (static_cast<TColor32>(a & 0xFF) << 24) | (static_cast<TColor32>(r & 0xFF) << 16) |
           (static_cast<TColor32>(g & 0xFF) << 8) | static_cast<TColor32>(b & 0xFF);
}

enum TDrawMode { dmOpaque, dmBlend, dmCustom, dmTransparent };
enum TCombineMode { cmBlend, cmMerge };
enum TWrapMode { wmClamp, wmRepeat, wmMirror };

class TBitmap32;
class TGraphic;
class TPicture;

// Draws a source rectangle of a bitmap into a destination rectangle of another size.
class TCustomResampler {
public:
    virtual ~TCustomResampler() = default;
    virtual const char* ClassName() const = 0;
    // Writes every pixel of clip (a part of dstRect inside dst) from srcRect of src.
    virtual void Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                          const TRect& srcRect) const = 0;
};

// Creates a resampler of a registered class name; nullptr for an unknown name.
std::unique_ptr<TCustomResampler> CreateResampler(const std::string& className);
// Registers a resampler class so that ResamplerClassName can select it.
void RegisterResampler(const std::string& className, std::function<std::unique_ptr<TCustomResampler>()> factory);

struct TBitmapSurface;  // pixel memory plus the platform's drawing context over it

// The drawing surface of a bitmap. It stays valid across size changes and always addresses the
// bitmap's current pixels. On Windows Handle() is a memory device context with the bitmap's
// 32-bit top-down DIB section selected into it; natively there is no context and Handle() is null.
class TCanvas {
public:
    explicit TCanvas(TBitmap32& owner) : FOwner(owner) {}
    TBitmap32& Bitmap() const { return FOwner; }
    void* Handle() const;
    // Finishes pending platform drawing so that the pixels can be read directly.
    void Flush() const;

private:
    TBitmap32& FOwner;
};

class TBitmap32 : public TPersistent {
public:
    TBitmap32();
    ~TBitmap32() override;
    TBitmap32(const TBitmap32&) = delete;
    TBitmap32& operator=(const TBitmap32&) = delete;

    const char* ClassName() const override { return "TBitmap32"; }

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    bool Empty() const { return FWidth == 0 || FHeight == 0; }

    // A negative value counts as 0. The same size keeps the pixels and raises nothing; a new size
    // makes new pixels, all 0, resets the clip rectangle and raises OnChange. Raises
    // EOutOfResources when the pixel store or its surface cannot be made (the bitmap is then empty).
    void SetSize(int32_t width, int32_t height);

    // Unchecked access: the caller keeps 0 <= x < Width and 0 <= y < Height.
    TColor32 GetPixel(int32_t x, int32_t y) const { return FBits[y * FWidth + x]; }
    void SetPixel(int32_t x, int32_t y, TColor32 color) { FBits[y * FWidth + x] = color; }
    // The pixel words, row-major, row 0 at the top; valid until the next size change.
    TColor32* Pixels() { return FBits; }
    const TColor32* Pixels() const { return FBits; }

    TRect BoundsRect() const { return TRect{0, 0, FWidth, FHeight}; }
    TRect ClipRect() const { return FClipRect; }

    void Clear(TColor32 color);
    void ResetAlpha();
    void FrameRect(const TRect& rect, TColor32 color);

    // Draws srcRect of this bitmap into dstRect of dst, resampling when the sizes differ.
    // Raises EBitmapException "Destination bitmap is nil" for a missing destination.
    void DrawTo(TBitmap32* dst, const TRect& dstRect, const TRect& srcRect) const;
    void DrawTo(TBitmap32* dst, const TRect& dstRect) const { DrawTo(dst, dstRect, BoundsRect()); }

    TCanvas& Canvas() { return FCanvas; }

    std::string ResamplerClassName() const;
    // A different, registered name replaces the resampler; an unknown name is ignored.
    void SetResamplerClassName(const std::string& className);
    const TCustomResampler& Resampler() const { return *FResampler; }

    TDrawMode DrawMode = dmOpaque;
    TCombineMode CombineMode = cmBlend;
    uint8_t MasterAlpha = 255;
    TColor32 OuterColor = 0;
    TWrapMode WrapMode = wmClamp;

    // Raised after operations that change the bitmap.
    std::function<void(TBitmap32&)> OnChange;
    void Changed() {
        if (OnChange) OnChange(*this);
    }

    // Picture assignment and loading.
    void Assign(const TPersistent* source);
    void LoadFromResourceName(const std::string& name);  // bitmap resource of the program's module
    void LoadFromFile(const std::string& path);

    // The platform drawing context of the current surface (see TCanvas::Handle).
    void* SurfaceHandle() const;

private:
    // Takes the size, pixels and surface of source, which is left empty, and raises OnChange.
    void TakePixelsOf(TBitmap32& source);

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    TColor32* FBits = nullptr;
    std::unique_ptr<TBitmapSurface> FSurface;
    TRect FClipRect;
    TCanvas FCanvas;
    std::unique_ptr<TCustomResampler> FResampler;
};
