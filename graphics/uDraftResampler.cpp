#include "uDraftResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VELMORA_NO_SIMD)
#include <emmintrin.h>
#define VELMORA_RESAMPLE_SSE2 1
#endif

namespace {

// Rounds to single precision even where the compiler keeps floats in wider registers, so that
// the maps come out the same on every platform.
inline float Single(float v) {
    volatile float rounded = v;
    return rounded;
}

constexpr int32_t Channels = 4;

// (wa * a + (256 - wa) * b) >> 8 on each byte of two pixels, two channels per 32-bit word.
inline TColor32 BlendPixel(TColor32 a, TColor32 b, uint32_t wa) {
    const uint32_t wb = 256u - wa;
    const uint32_t redBlue = (((a & 0x00FF00FFu) * wa + (b & 0x00FF00FFu) * wb) >> 8) & 0x00FF00FFu;
    const uint32_t alphaGreen = (((a >> 8) & 0x00FF00FFu) * wa + ((b >> 8) & 0x00FF00FFu) * wb) & 0xFF00FF00u;
    return redBlue | alphaGreen;
}

#ifdef VELMORA_RESAMPLE_SSE2
// floor((a + b) / 2) per byte, through the rounding-up average of the complements.
inline __m128i Inverted(__m128i v) { return _mm_xor_si128(v, _mm_set1_epi8(-1)); }

// The two quarter blends of a and b per byte: (192 a + 64 b) >> 8 and (64 a + 192 b) >> 8, each
// equal to the floor average of one side with the floor average of both.
inline void QuarterBlends(__m128i a, __m128i b, __m128i& nearA, __m128i& nearB) {
    const __m128i ia = Inverted(a), ib = Inverted(b);
    const __m128i mid = _mm_avg_epu8(ia, ib);
    nearA = Inverted(_mm_avg_epu8(ia, mid));
    nearB = Inverted(_mm_avg_epu8(ib, mid));
}
#endif

inline TColor32 QuarterBlend(TColor32 a, TColor32 b) { return BlendPixel(a, b, 192); }

// Vertical pass: two filtered rows blended into one destination row.
void BlendRows(const TColor32* upper, const TColor32* lower, uint32_t weight, int32_t count, TColor32* out) {
    if (weight == 256 || upper == lower) {
        std::copy(upper, upper + count, out);
        return;
    }
    if (weight == 0) {
        std::copy(lower, lower + count, out);
        return;
    }
    int32_t i = 0;
#ifdef VELMORA_RESAMPLE_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i wu = _mm_set1_epi16(static_cast<int16_t>(weight));
    const __m128i wl = _mm_set1_epi16(static_cast<int16_t>(256 - weight));
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i));
        const __m128i lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(a, zero), wu),
                                                        _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), wl)), 8);
        const __m128i hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(a, zero), wu),
                                                        _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), wl)), 8);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < count; ++i) out[i] = BlendPixel(upper[i], lower[i], weight);
}

// Two destination rows with row weights 192 and 64 between the same two filtered rows.
void QuarterBlendRows(const TColor32* upper, const TColor32* lower, int32_t count, TColor32* nearUpper,
                      TColor32* nearLower) {
    int32_t i = 0;
#ifdef VELMORA_RESAMPLE_SSE2
    for (; i + 4 <= count; i += 4) {
        __m128i a, b;
        QuarterBlends(_mm_loadu_si128(reinterpret_cast<const __m128i*>(upper + i)),
                      _mm_loadu_si128(reinterpret_cast<const __m128i*>(lower + i)), a, b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(nearUpper + i), a);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(nearLower + i), b);
    }
#endif
    for (; i < count; ++i) {
        nearUpper[i] = QuarterBlend(upper[i], lower[i]);
        nearLower[i] = QuarterBlend(lower[i], upper[i]);
    }
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
        // Past 2^24 the float limit itself can round up beyond the last column.
        const int32_t column = std::min(static_cast<int32_t>(whole), srcLimit - 1);
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
    // From 2^24 pixels on, the float ratio can round up so far that the last blocks would end
    // beyond the source: each bound is kept where the blocks after it still get a pixel each.
    for (int32_t k = 0; k <= dstSize; ++k)
        bounds[k] = static_cast<int32_t>(std::min<int64_t>((k * step) >> 16, int64_t{srcSize} - dstSize + k));
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
        for (auto& row : FFilteredRows) row.assign(FColumns.size(), 0);
        FDoublingRuns.clear();
        const int32_t count = static_cast<int32_t>(FColumns.size());
        // Per output: the weights of its two source pixels, repeated for the four channels.
        FTapWeights.assign(static_cast<size_t>(count) * 8, 0);
        FAdjacentTaps = true;
        for (int32_t i = 0; i < count; ++i) {
            FAdjacentTaps = FAdjacentTaps && FColumns[i].Second == FColumns[i].First + 1;
            for (int32_t ch = 0; ch < Channels; ++ch) {
                FTapWeights[8 * i + ch] = static_cast<int16_t>(FColumns[i].Weight);
                FTapWeights[8 * i + 4 + ch] = static_cast<int16_t>(256 - FColumns[i].Weight);
            }
        }
        auto pairAt = [&](int32_t i, int32_t column) {
            return i + 1 < count && FColumns[i].First == column && FColumns[i].Weight == 192 &&
                   FColumns[i + 1].First == column && FColumns[i + 1].Weight == 64 &&
                   FColumns[i].Second == column + 1 && FColumns[i + 1].Second == column + 1;
        };
        for (int32_t i = 0; i < count;) {
            int32_t pairs = 0;
            while (pairAt(i + 2 * pairs, FColumns[i].First + pairs)) ++pairs;
            if (pairs >= 4) {
                FDoublingRuns.push_back({i, FColumns[i].First, pairs});
                i += 2 * pairs;
            } else {
                ++i;
            }
        }
    } else {
        FBoxX = BoxBounds(srcRect.Width(), dstRect.Width());
        FBoxY = BoxBounds(srcRect.Height(), dstRect.Height());
        const int32_t spanX = FBoxX[endX] - FBoxX[firstX];
        FSums.assign(static_cast<size_t>(Channels) * static_cast<size_t>(spanX), 0);
        FSmallSums.assign(static_cast<size_t>(Channels) * static_cast<size_t>(spanX) + 8, 0);
        int32_t widest = 0, tallest = 0;
        for (size_t k = 0; k + 1 < FBoxX.size(); ++k) widest = std::max(widest, FBoxX[k + 1] - FBoxX[k]);
        for (size_t k = 0; k + 1 < FBoxY.size(); ++k) tallest = std::max(tallest, FBoxY[k + 1] - FBoxY[k]);
        FSmallBlocks = int64_t{widest} * tallest <= 257;  // 257 x 255 < 65536
    }
}

void TDraftResampler::Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                               const TRect& srcRect) const {
    if (srcRect.Width() < dstRect.Width() || srcRect.Height() < dstRect.Height())
        Enlarge(dst, dstRect, clip, src, srcRect);
    else
        Shrink(dst, dstRect, clip, src, srcRect);
}

void TDraftResampler::FilterRow(const TColor32* row, TColor32* out) const {
    const int32_t count = static_cast<int32_t>(FColumns.size());
    const TResampleTap* taps = FColumns.data();
    int32_t i = 0;
    auto plain = [&](int32_t end) {
#ifdef VELMORA_RESAMPLE_SSE2
        // Two outputs at a time: each reads its two neighbouring source pixels with one load and
        // weighs all eight bytes with one multiplication.
        const __m128i zero = _mm_setzero_si128();
        auto weights = [&](int32_t k) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(FTapWeights.data() + 8 * k)); };
        for (; i + 2 <= end && FAdjacentTaps; i += 2) {
            const __m128i a = _mm_mullo_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + taps[i].First)), zero), weights(i));
            const __m128i b = _mm_mullo_epi16(
                _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + taps[i + 1].First)), zero),
                weights(i + 1));
            const __m128i sum = _mm_srli_epi16(_mm_add_epi16(_mm_unpacklo_epi64(a, b), _mm_unpackhi_epi64(a, b)), 8);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(sum, sum));
        }
#endif
        for (; i < end; ++i) out[i] = BlendPixel(row[taps[i].First], row[taps[i].Second], static_cast<uint32_t>(taps[i].Weight));
    };
    for (const TDoublingRun& run : FDoublingRuns) {
        plain(run.First);
        const TColor32* source = row + run.Column;
        TColor32* target = out + run.First;
        int32_t k = 0;
#ifdef VELMORA_RESAMPLE_SSE2
        for (; k + 4 <= run.Pairs; k += 4) {
            __m128i nearLeft, nearRight;
            QuarterBlends(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k)),
                          _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + k + 1)), nearLeft, nearRight);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 2 * k), _mm_unpacklo_epi32(nearLeft, nearRight));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + 2 * k + 4), _mm_unpackhi_epi32(nearLeft, nearRight));
        }
#endif
        for (; k < run.Pairs; ++k) {
            target[2 * k] = QuarterBlend(source[k], source[k + 1]);
            target[2 * k + 1] = QuarterBlend(source[k + 1], source[k]);
        }
        i = run.First + 2 * run.Pairs;
    }
    plain(count);
}

void TDraftResampler::Enlarge(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                              const TRect& srcRect) const {
    Prepare(dstRect, clip, src, srcRect, true);
    const int32_t count = static_cast<int32_t>(FColumns.size());
    const TColor32* pixels = src.Pixels();
    int32_t filtered[2] = {-1, -1};  // source row held by each filtered row
    auto filteredRow = [&](int32_t sourceRow) -> const TColor32* {
        for (int32_t k = 0; k < 2; ++k)
            if (filtered[k] == sourceRow) return FFilteredRows[k].data();
        // Replace the row that is not the other one needed now (rows only move downwards).
        const int32_t slot = filtered[0] < filtered[1] ? 0 : 1;
        FilterRow(pixels + static_cast<size_t>(sourceRow) * src.Width(), FFilteredRows[slot].data());
        filtered[slot] = sourceRow;
        return FFilteredRows[slot].data();
    };
    const int32_t rows = clip.Bottom - clip.Top;
    for (int32_t k = 0; k < rows; ++k) {
        const TResampleTap& tap = FRows[k];
        TColor32* out = dst.Pixels() + static_cast<size_t>(clip.Top + k) * dst.Width() + clip.Left;
        const TColor32* upper = filteredRow(tap.First);
        const TColor32* lower = tap.Second == tap.First ? upper : filteredRow(tap.Second);
        if (k + 1 < rows && tap.Weight == 192 && FRows[k + 1].Weight == 64 && FRows[k + 1].First == tap.First &&
            FRows[k + 1].Second == tap.Second && tap.Second == tap.First + 1) {
            QuarterBlendRows(upper, lower, count, out, out + dst.Width());
            ++k;
        } else {
            BlendRows(upper, lower, static_cast<uint32_t>(tap.Weight), count, out);
        }
    }
}

void TDraftResampler::Shrink(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                             const TRect& srcRect) const {
    Prepare(dstRect, clip, src, srcRect, false);
    const int32_t firstX = clip.Left - dstRect.Left, endX = clip.Right - dstRect.Left;
    const int32_t firstY = clip.Top - dstRect.Top;
    const int32_t sourceLeft = srcRect.Left + FBoxX[firstX];
    const int32_t span = FBoxX[endX] - FBoxX[firstX];
    const int32_t lanes = Channels * span;
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const int32_t l = firstY + (y - clip.Top);
        const int32_t top = srcRect.Top + FBoxY[l], bottom = srcRect.Top + FBoxY[l + 1];
        uint8_t* out = reinterpret_cast<uint8_t*>(dst.Pixels() + static_cast<size_t>(y) * dst.Width() + clip.Left);
        auto sourceRow = [&](int32_t r) {
            return reinterpret_cast<const uint8_t*>(src.Pixels() + static_cast<size_t>(r) * src.Width() + sourceLeft);
        };
#ifdef VELMORA_RESAMPLE_SSE2
        if (FSmallBlocks) {
            // Column sums of the block row, then block sums, all in 16-bit lanes.
            uint16_t* sums = FSmallSums.data();
            std::fill(FSmallSums.begin(), FSmallSums.end(), uint16_t{0});
            const __m128i zero = _mm_setzero_si128();
            for (int32_t r = top; r < bottom; ++r) {
                const uint8_t* bytes = sourceRow(r);
                int32_t k = 0;
                for (; k + 16 <= lanes; k += 16) {
                    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + k));
                    __m128i* lo = reinterpret_cast<__m128i*>(sums + k);
                    __m128i* hi = reinterpret_cast<__m128i*>(sums + k + 8);
                    _mm_storeu_si128(lo, _mm_add_epi16(_mm_loadu_si128(lo), _mm_unpacklo_epi8(v, zero)));
                    _mm_storeu_si128(hi, _mm_add_epi16(_mm_loadu_si128(hi), _mm_unpackhi_epi8(v, zero)));
                }
                for (; k < lanes; ++k) sums[k] = static_cast<uint16_t>(sums[k] + bytes[k]);
            }
            for (int32_t k = firstX; k < endX; ++k, out += Channels) {
                const int32_t from = FBoxX[k] - FBoxX[firstX], to = FBoxX[k + 1] - FBoxX[firstX];
                const uint32_t n = static_cast<uint32_t>((to - from) * (bottom - top));
                __m128i s = _mm_setzero_si128();
                for (int32_t c = from; c < to; ++c)
                    s = _mm_add_epi16(s, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(sums + Channels * c)));
                if ((n & (n - 1)) == 0) {
                    // floor(s / n) is what the reciprocal gives for a power of two.
                    int32_t shift = 0;
                    while ((1u << shift) < n) ++shift;
                    const int32_t pixel = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_srl_epi16(s, _mm_cvtsi32_si128(shift)), zero));
                    std::memcpy(out, &pixel, sizeof pixel);
                } else {
                    alignas(16) uint16_t channel[8];
                    _mm_store_si128(reinterpret_cast<__m128i*>(channel), s);
                    const uint64_t reciprocal = (uint64_t{1} << 24) / n;
                    for (int32_t ch = 0; ch < Channels; ++ch) out[ch] = static_cast<uint8_t>((channel[ch] * reciprocal) >> 24);
                }
            }
            continue;
        }
#endif
        std::fill(FSums.begin(), FSums.end(), 0u);
        for (int32_t r = top; r < bottom; ++r) {
            const uint8_t* bytes = sourceRow(r);
            for (int32_t k = 0; k < lanes; ++k) FSums[k] += bytes[k];
        }
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
