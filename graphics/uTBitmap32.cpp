#include "uTBitmap32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "uBitmapSurface.h"
#include "uNearestDraw.h"
#include "uSysUtils.h"

TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    if (r.IsEmpty()) return TRect{};
    return r;
}

// ---------------------------------------------------------------------------------------------
// Resampler registry

namespace {

struct TResamplerRegistry {
    std::mutex Lock;
    std::map<std::string, std::function<std::unique_ptr<TCustomResampler>()>> Factories;
};

TResamplerRegistry& Resamplers();

// Nearest-neighbour: each destination pixel takes the source pixel under its centre.
class TNearestResampler : public TCustomResampler {
public:
    const char* ClassName() const override { return "TNearestResampler"; }
    void Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                  const TRect& srcRect) const override {
        const double sx = static_cast<double>(srcRect.Width()) / dstRect.Width();
        const double sy = static_cast<double>(srcRect.Height()) / dstRect.Height();
        DrawNearest(
            dst, clip, src.Pixels(), static_cast<size_t>(src.Width()),
            [&](int32_t x) { return std::clamp(srcRect.Left + static_cast<int32_t>((x - dstRect.Left + 0.5) * sx), 0, src.Width() - 1); },
            [&](int32_t y) { return std::clamp(srcRect.Top + static_cast<int32_t>((y - dstRect.Top + 0.5) * sy), 0, src.Height() - 1); },
            [](TColor32 in, TColor32) { return in; });
    }
};

TResamplerRegistry& Resamplers() {
    static TResamplerRegistry* registry = [] {
        auto* r = new TResamplerRegistry;
        r->Factories["TNearestResampler"] = [] { return std::make_unique<TNearestResampler>(); };
        return r;
    }();
    return *registry;
}

}  // namespace

void RegisterResampler(const std::string& className, std::function<std::unique_ptr<TCustomResampler>()> factory) {
    std::lock_guard<std::mutex> guard(Resamplers().Lock);
    Resamplers().Factories[className] = std::move(factory);
}

std::unique_ptr<TCustomResampler> CreateResampler(const std::string& className) {
    std::function<std::unique_ptr<TCustomResampler>()> factory;
    {
        std::lock_guard<std::mutex> guard(Resamplers().Lock);
        const auto found = Resamplers().Factories.find(className);
        if (found == Resamplers().Factories.end()) return nullptr;
        factory = found->second;
    }
    return factory();
}

// ---------------------------------------------------------------------------------------------
// Canvas

void* TCanvas::Handle() const { return FOwner.SurfaceHandle(); }

void TCanvas::Flush() const { FOwner.SurfaceHandle(); }

// ---------------------------------------------------------------------------------------------
// TBitmap32

TBitmap32::TBitmap32() : FCanvas(*this), FResampler(CreateResampler("TNearestResampler")) {}

TBitmap32::~TBitmap32() = default;

void* TBitmap32::SurfaceHandle() const {
    if (!FSurface) return nullptr;
    FSurface->Flush();
    return FSurface->Handle();
}

void TBitmap32::SetSize(int32_t width, int32_t height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    FSurface.reset();
    FBits = nullptr;
    FWidth = 0;
    FHeight = 0;
    FClipRect = TRect{};
    if (width > 0 && height > 0) {
        FSurface = TBitmapSurface::Create(width, height);  // raises: the bitmap stays empty
        FBits = FSurface->Bits();
    }
    FWidth = width;
    FHeight = height;
    FClipRect = BoundsRect();
    Changed();
}

void TBitmap32::TakePixelsOf(TBitmap32& source) {
    FSurface = std::move(source.FSurface);
    FBits = source.FBits;
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    FClipRect = BoundsRect();
    source.FBits = nullptr;
    source.FWidth = source.FHeight = 0;
    source.FClipRect = TRect{};
    Changed();
}

void TBitmap32::Clear(TColor32 color) {
    if (Empty()) return;
    std::fill_n(FBits, static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight), color);
    Changed();
}

void TBitmap32::ResetAlpha() {
    const size_t count = Empty() ? 0 : static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight);
    for (size_t i = 0; i < count; ++i) FBits[i] |= 0xFF000000u;
}

void TBitmap32::FrameRect(const TRect& rect, TColor32 color) {
    const int32_t x1 = rect.Left, y1 = rect.Top, x2 = rect.Right, y2 = rect.Bottom;
    if (x2 <= x1 || y2 <= y1) return;
    if (IntersectRect(rect, FClipRect).IsEmpty()) return;
    auto put = [&](int32_t x, int32_t y) {
        if (x >= FClipRect.Left && x < FClipRect.Right && y >= FClipRect.Top && y < FClipRect.Bottom)
            FBits[static_cast<size_t>(y) * FWidth + x] = color;
    };
    for (int32_t x = x1; x < x2; ++x) put(x, y1);
    if (y2 - 1 > y1)
        for (int32_t x = x1; x < x2; ++x) put(x, y2 - 1);
    if (y2 - 2 >= y1 + 1) {
        for (int32_t y = y1 + 1; y <= y2 - 2; ++y) {
            put(x1, y);
            if (x2 - 1 > x1) put(x2 - 1, y);
        }
    }
    Changed();
}

void TBitmap32::DrawTo(TBitmap32* dst, const TRect& dstRect, const TRect& srcRect) const {
    if (dst == nullptr) throw EBitmapException("Destination bitmap is nil");
    TRect dr = dstRect;
    TRect sr = srcRect;
    // Cut a source overhang off and shorten the destination in proportion.
    if (sr.Width() > 0 && sr.Height() > 0 && dr.Width() != 0 && dr.Height() != 0) {
        const float rx = static_cast<float>(dr.Width()) / static_cast<float>(sr.Width());
        const float ry = static_cast<float>(dr.Height()) / static_cast<float>(sr.Height());
        if (sr.Left < 0) {
            dr.Left += static_cast<int32_t>(std::ceil(-sr.Left * rx));
            sr.Left = 0;
        }
        if (sr.Top < 0) {
            dr.Top += static_cast<int32_t>(std::ceil(-sr.Top * ry));
            sr.Top = 0;
        }
        if (sr.Right > FWidth) {
            dr.Right -= static_cast<int32_t>(std::floor((sr.Right - FWidth) * rx));
            sr.Right = FWidth;
        }
        if (sr.Bottom > FHeight) {
            dr.Bottom -= static_cast<int32_t>(std::floor((sr.Bottom - FHeight) * ry));
            sr.Bottom = FHeight;
        }
    }
    if (Empty() || dst->Empty() || sr.IsEmpty()) return;
    const TRect clip = IntersectRect(IntersectRect(dst->ClipRect(), dst->BoundsRect()), dr);
    if (clip.IsEmpty()) return;
    if (sr.Width() == dr.Width() && sr.Height() == dr.Height()) {
        const int32_t count = clip.Width();
        for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
            const TColor32* in = FBits + static_cast<size_t>(sr.Top + y - dr.Top) * FWidth + (sr.Left + clip.Left - dr.Left);
            std::memmove(dst->FBits + static_cast<size_t>(y) * dst->FWidth + clip.Left, in, count * sizeof(TColor32));
        }
    } else {
        FResampler->Resample(*dst, dr, clip, *this, sr);
    }
    dst->Changed();
}

std::string TBitmap32::ResamplerClassName() const { return FResampler->ClassName(); }

void TBitmap32::SetResamplerClassName(const std::string& className) {
    if (className == FResampler->ClassName()) return;
    if (auto resampler = CreateResampler(className)) FResampler = std::move(resampler);
}
