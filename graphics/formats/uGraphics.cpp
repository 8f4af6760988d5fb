#include "uGraphics.h"

#include <cstdint>
#include <new>
#include <stdexcept>

#include "uNearestDraw.h"
#include "uSysUtils.h"

void ReadingPicture(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Out of memory");
    } catch (const std::length_error&) {
        throw EOutOfResources("Out of memory");
    }
}

void TGraphic::LoadFromStream(TStream& stream) {
    ReadingPicture([&] { ReadStream(stream); });
}

void TGraphic::LoadFromFile(const std::string& path) {
    TFileStream stream(path);
    LoadFromStream(stream);
}

void TRasterGraphic::SetPictureSize(int32_t width, int32_t height, const char* formatName) {
    if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > MaxPicturePixels)
        throw EInvalidGraphic(Format("Cannot load image. Invalid or unexpected %s image format.", formatName));
    std::vector<TColor32> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
    FPixels.swap(pixels);
    FWidth = width;
    FHeight = height;
}

void TRasterGraphic::TakePicture(TRasterGraphic& source) {
    FPixels.swap(source.FPixels);
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    source.ClearPicture();
}

void TRasterGraphic::ClearPicture() {
    std::vector<TColor32>().swap(FPixels);
    FWidth = 0;
    FHeight = 0;
    PictureCleared();
}

namespace {

// Straight-alpha "over": the source pixel covers the destination by its alpha.
inline TColor32 BlendOver(TColor32 src, TColor32 dst) {
    const uint32_t sa = src >> 24;
    if (sa == 255) return src;
    if (sa == 0) return dst;
    const uint32_t da = dst >> 24;
    // Destination weight in 1/255^2 units, so that the sum of both weights is outA * 255.
    const uint32_t dw = da * (255 - sa);
    const uint32_t outA255 = sa * 255 + dw;  // = outA * 255
    if (outA255 == 0) return 0;
    auto channel = [&](int shift) {
        const uint32_t s = (src >> shift) & 0xFF;
        const uint32_t d = (dst >> shift) & 0xFF;
        return (s * sa * 255 + d * dw + outA255 / 2) / outA255;
    };
    const uint32_t outA = (outA255 + 127) / 255;
    return (outA << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

}  // namespace

void TRasterGraphic::Draw(TCanvas& canvas, const TRect& rect) const {
    TBitmap32& target = canvas.Bitmap();
    if (FPixels.empty() || target.Empty() || rect.IsEmpty()) return;
    canvas.Flush();
    DrawNearest(target, IntersectRect(rect, target.BoundsRect()), FPixels.data(), static_cast<size_t>(FWidth),
                TScaledIndex{rect.Left, FWidth, rect.Width()}, TScaledIndex{rect.Top, FHeight, rect.Height()},
                BlendOver);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (OnChange) OnChange(*this);
}

void TRasterGraphic::ReadStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    LoadFromBytes(bytes.data(), bytes.size());
}

void TRasterGraphic::LoadFromBytes(const uint8_t* data, size_t size) {
    Decoding([&] { DecodeBytes(data, size); });
}

void TRasterGraphic::Decoding(const std::function<void()>& decode) {
    ClearPicture();
    try {
        ReadingPicture(decode);
    } catch (...) {
        ClearPicture();
        throw;
    }
}
