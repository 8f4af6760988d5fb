#include "uDraftResampler.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Rounds to single precision even where the compiler keeps floats in wider registers, so that
// the maps come out the same on every platform.
inline float Single(float v) {
    volatile float rounded = v;
    return rounded;
}

constexpr int32_t Channels = 4;

// Horizontal pass of the enlargement: one source row through the column map, every channel
// kept in 16 bits.
void FilterRow(const TColor32* row, const TResampleTap* taps, int32_t count, uint16_t* out) {
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* a = reinterpret_cast<const uint8_t*>(row + taps[i].First);
        const uint8_t* b = reinterpret_cast<const uint8_t*>(row + taps[i].Second);
        const uint32_t wa = static_cast<uint32_t>(taps[i].Weight);
        const uint32_t wb = 256u - wa;
        for (int32_t ch = 0; ch < Channels; ++ch)
            out[Channels * i + ch] = static_cast<uint16_t>((wa * a[ch] + wb * b[ch]) >> 8);
    }
}

// Vertical pass: two filtered rows blended into one destination row.
void BlendRows(const uint16_t* upper, const uint16_t* lower, uint32_t weight, int32_t count, TColor32* out) {
    uint8_t* bytes = reinterpret_cast<uint8_t*>(out);
    const uint32_t wl = 256u - weight;
    for (int32_t k = 0; k < Channels * count; ++k)
        bytes[k] = static_cast<uint8_t>((weight * upper[k] + wl * lower[k]) >> 8);
}

}  // namespace

std::vector<TResampleTap> BilinearMap(int32_t srcStart, int32_t srcEnd, int32_t srcLimit, int32_t dstSize,
                                      int32_t first, int32_t end) {
    std::vector<TResampleTap> taps;
    taps.reserve(static_cast<size_t>(std::max(end - first, 0)));
    const int32_t srcSize = srcEnd - srcStart;
    const float scale = Single(static_cast<float>(srcSize) / static_cast<float>(dstSize));
    const float offset = Single(static_cast<float>(srcStart) - 0.5f);
    const float limit = static_cast<float>(srcLimit - 1);
    for (int32_t i = first; i < end; ++i) {
        float t = Single(Single(scale * Single(static_cast<float>(i) + 0.5f)) + offset);
        t = std::min(std::max(t, 0.0f), limit);
        const float whole = std::floor(t);
        const int32_t column = static_cast<int32_t>(whole);
        const int32_t weight = 256 - static_cast<int32_t>(std::nearbyint(Single(Single(t - whole) * 256.0f)));
        taps.push_back({column, std::min(column + 1, srcLimit - 1), weight});
    }
    if (srcSize >= 2) {
        // The last source column is taken whole, so that the neighbour always lies inside.
        for (auto tap = taps.rbegin(); tap != taps.rend() && tap->First == srcEnd - 1; ++tap) {
            tap->First = srcEnd - 2;
            tap->Second = srcEnd - 1;
            tap->Weight = 0;
        }
    } else {
        // Too narrow for two taps: the one source pixel is taken whole.
        for (TResampleTap& tap : taps) {
            tap.Second = tap.First;
            tap.Weight = 256;
        }
    }
    return taps;
}

std::vector<int32_t> BoxBounds(int32_t srcSize, int32_t dstSize) {
    const float ratio = Single(static_cast<float>(srcSize) / static_cast<float>(dstSize));
    const int64_t step = static_cast<int64_t>(Single(65536.0f * ratio));
    std::vector<int32_t> bounds(static_cast<size_t>(dstSize) + 1);
    for (int32_t k = 0; k <= dstSize; ++k) bounds[k] = static_cast<int32_t>((k * step) >> 16);
    return bounds;
}

// ---------------------------------------------------------------------------------------------

void TDraftResampler::Prepare(const TRect& dstRect, const TRect& clip, const TBitmap32& src, const TRect& srcRect,
                              bool enlarge) const {
    const TGeometry geometry{dstRect, clip, srcRect, src.Width(), src.Height()};
    if (geometry == FGeometry && enlarge == !FColumns.empty()) return;
    FGeometry = geometry;
    FColumns.clear();
    FRows.clear();
    FBoxX.clear();
    FBoxY.clear();
    const int32_t firstX = clip.Left - dstRect.Left, endX = clip.Right - dstRect.Left;
    const int32_t firstY = clip.Top - dstRect.Top, endY = clip.Bottom - dstRect.Top;
    if (enlarge) {
        FColumns = BilinearMap(srcRect.Left, srcRect.Right, src.Width(), dstRect.Width(), firstX, endX);
        FRows = BilinearMap(srcRect.Top, srcRect.Bottom, src.Height(), dstRect.Height(), firstY, endY);
        for (auto& row : FWideRows) row.assign(static_cast<size_t>(Channels) * FColumns.size(), 0);
    } else {
        FBoxX = BoxBounds(srcRect.Width(), dstRect.Width());
        FBoxY = BoxBounds(srcRect.Height(), dstRect.Height());
        const int32_t spanX = FBoxX[endX] - FBoxX[firstX];
        FSums.assign(static_cast<size_t>(Channels) * static_cast<size_t>(spanX), 0);
    }
}

void TDraftResampler::Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                               const TRect& srcRect) const {
    if (srcRect.Width() < dstRect.Width() || srcRect.Height() < dstRect.Height())
        Enlarge(dst, dstRect, clip, src, srcRect);
    else
        Shrink(dst, dstRect, clip, src, srcRect);
}

void TDraftResampler::Enlarge(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                              const TRect& srcRect) const {
    Prepare(dstRect, clip, src, srcRect, true);
    const int32_t count = static_cast<int32_t>(FColumns.size());
    const TColor32* pixels = src.Pixels();
    int32_t filtered[2] = {-1, -1};  // source row held by each wide row
    auto wideRow = [&](int32_t sourceRow) -> const uint16_t* {
        for (int32_t k = 0; k < 2; ++k)
            if (filtered[k] == sourceRow) return FWideRows[k].data();
        // Replace the row that is not the other one needed now (rows only move downwards).
        const int32_t slot = filtered[0] < filtered[1] ? 0 : 1;
        FilterRow(pixels + static_cast<size_t>(sourceRow) * src.Width(), FColumns.data(), count,
                  FWideRows[slot].data());
        filtered[slot] = sourceRow;
        return FWideRows[slot].data();
    };
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const TResampleTap& tap = FRows[y - clip.Top];
        const uint16_t* upper = wideRow(tap.First);
        const uint16_t* lower = wideRow(tap.Second);
        if (tap.First == tap.Second) lower = upper;
        BlendRows(upper, lower, static_cast<uint32_t>(tap.Weight), count,
                  dst.Pixels() + static_cast<size_t>(y) * dst.Width() + clip.Left);
    }
}

void TDraftResampler::Shrink(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                             const TRect& srcRect) const {
    Prepare(dstRect, clip, src, srcRect, false);
    const int32_t firstX = clip.Left - dstRect.Left, endX = clip.Right - dstRect.Left;
    const int32_t firstY = clip.Top - dstRect.Top;
    const int32_t sourceLeft = srcRect.Left + FBoxX[firstX];
    const int32_t span = FBoxX[endX] - FBoxX[firstX];
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const int32_t l = firstY + (y - clip.Top);
        const int32_t top = srcRect.Top + FBoxY[l], bottom = srcRect.Top + FBoxY[l + 1];
        std::fill(FSums.begin(), FSums.end(), 0u);
        for (int32_t r = top; r < bottom; ++r) {
            const uint8_t* bytes = reinterpret_cast<const uint8_t*>(src.Pixels() + static_cast<size_t>(r) * src.Width() + sourceLeft);
            for (int32_t k = 0; k < Channels * span; ++k) FSums[k] += bytes[k];
        }
        uint8_t* out = reinterpret_cast<uint8_t*>(dst.Pixels() + static_cast<size_t>(y) * dst.Width() + clip.Left);
        for (int32_t k = firstX; k < endX; ++k) {
            const int32_t from = FBoxX[k] - FBoxX[firstX], to = FBoxX[k + 1] - FBoxX[firstX];
            const uint64_t n = static_cast<uint64_t>(to - from) * static_cast<uint64_t>(bottom - top);
            const uint64_t reciprocal = (uint64_t{1} << 24) / n;
            for (int32_t ch = 0; ch < Channels; ++ch) {
                uint64_t s = 0;
                for (int32_t c = from; c < to; ++c) s += FSums[Channels * c + ch];
                *out++ = static_cast<uint8_t>((s * reciprocal) >> 24);
            }
        }
    }
}

void TLinearResampler::Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                                const TRect& srcRect) const {
    Enlarge(dst, dstRect, clip, src, srcRect);
}

void RegisterDraftResamplers() {
    static const bool registered = [] {
        RegisterResampler("TDraftResampler", [] { return std::make_unique<TDraftResampler>(); });
        RegisterResampler("TLinearResampler", [] { return std::make_unique<TLinearResampler>(); });
        RegisterResampler("TKernelResampler", [] { return std::make_unique<TKernelResampler>(); });
        return true;
    }();
    (void)registered;
}

namespace {
// Registered at start-up wherever this unit is linked in.
const struct TDraftResamplerRegistration {
    TDraftResamplerRegistration() { RegisterDraftResamplers(); }
} draftResamplerRegistration;
}  // namespace
