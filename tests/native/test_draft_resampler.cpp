// The draft resampler: bilinear enlarging and box-average shrinking, bit-exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "uDraftResampler.h"
#include "uTBitmap32.h"

namespace {

std::unique_ptr<TBitmap32> RandomBitmap(int32_t w, int32_t h, uint32_t seed) {
    auto bitmap = std::make_unique<TBitmap32>();
    bitmap->SetSize(w, h);
    std::mt19937 random(seed);
    for (int32_t i = 0; i < w * h; ++i) bitmap->Pixels()[i] = random();
    bitmap->SetResamplerClassName("TDraftResampler");
    return bitmap;
}

uint32_t Channel(TColor32 c, int ch) { return (c >> (8 * ch)) & 0xFF; }

// Straight evaluation of the bilinear rule for one destination pixel from its two taps.
TColor32 BilinearPixel(const TBitmap32& s, const TResampleTap& col, const TResampleTap& row) {
    TColor32 out = 0;
    for (int ch = 0; ch < 4; ++ch) {
        const uint32_t wx = col.Weight, wy = row.Weight;
        const uint32_t top = (wx * Channel(s.GetPixel(col.First, row.First), ch) +
                              (256 - wx) * Channel(s.GetPixel(col.First + 1, row.First), ch)) >> 8;
        const uint32_t bottom = (wx * Channel(s.GetPixel(col.First, row.First + 1), ch) +
                                 (256 - wx) * Channel(s.GetPixel(col.First + 1, row.First + 1), ch)) >> 8;
        out |= ((wy * top + (256 - wy) * bottom) >> 8) << (8 * ch);
    }
    return out;
}

// Straight evaluation of the box rule for a whole-bitmap shrink.
std::vector<TColor32> BoxShrink(const TBitmap32& s, int32_t dw, int32_t dh) {
    const auto bx = BoxBounds(s.Width(), dw), by = BoxBounds(s.Height(), dh);
    std::vector<TColor32> out;
    for (int32_t l = 0; l < dh; ++l)
        for (int32_t k = 0; k < dw; ++k) {
            const uint64_t n = uint64_t(bx[k + 1] - bx[k]) * uint64_t(by[l + 1] - by[l]);
            TColor32 pixel = 0;
            for (int ch = 0; ch < 4; ++ch) {
                uint64_t sum = 0;
                for (int32_t y = by[l]; y < by[l + 1]; ++y)
                    for (int32_t x = bx[k]; x < bx[k + 1]; ++x) sum += Channel(s.GetPixel(x, y), ch);
                pixel |= static_cast<TColor32>((sum * ((uint64_t{1} << 24) / n)) >> 24) << (8 * ch);
            }
            out.push_back(pixel);
        }
    return out;
}

std::vector<std::pair<int32_t, int32_t>> Pairs(const std::vector<TResampleTap>& taps) {
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (const TResampleTap& t : taps) pairs.emplace_back(t.First, t.Weight);
    return pairs;
}

using Pair = std::pair<int32_t, int32_t>;

}  // namespace

TEST(DraftResampler, RegisteredUnderItsNames) {
    TBitmap32 bitmap;
    for (const char* name : {"TDraftResampler", "TLinearResampler", "TKernelResampler"}) {
        bitmap.SetResamplerClassName(name);
        EXPECT_EQ(bitmap.ResamplerClassName(), name);
    }
}

TEST(DraftResampler, WorkedMapsOfTheZooms) {
    const auto zoom2 = Pairs(BilinearMap(0, 160, 160, 320, 0, 320));
    EXPECT_EQ(std::vector<Pair>(zoom2.begin(), zoom2.begin() + 6),
              (std::vector<Pair>{{0, 256}, {0, 192}, {0, 64}, {1, 192}, {1, 64}, {2, 192}}));
    EXPECT_EQ(std::vector<Pair>(zoom2.end() - 3, zoom2.end()), (std::vector<Pair>{{158, 192}, {158, 64}, {158, 0}}));
    const auto rows2 = Pairs(BilinearMap(0, 250, 250, 500, 0, 500));
    EXPECT_EQ(std::vector<Pair>(rows2.end() - 3, rows2.end()), (std::vector<Pair>{{248, 192}, {248, 64}, {248, 0}}));

    const auto zoom15 = Pairs(BilinearMap(0, 160, 160, 240, 0, 240));
    EXPECT_EQ(std::vector<Pair>(zoom15.begin(), zoom15.begin() + 7),
              (std::vector<Pair>{{0, 256}, {0, 128}, {1, 213}, {1, 43}, {2, 128}, {3, 213}, {3, 43}}));
    EXPECT_EQ(std::vector<Pair>(zoom15.end() - 4, zoom15.end()),
              (std::vector<Pair>{{157, 213}, {157, 43}, {158, 128}, {158, 0}}));
    const auto rows15 = Pairs(BilinearMap(0, 250, 250, 375, 0, 375));
    EXPECT_EQ(std::vector<Pair>(rows15.begin(), rows15.begin() + 3), (std::vector<Pair>{{0, 256}, {0, 128}, {1, 213}}));
    EXPECT_EQ(std::vector<Pair>(rows15.end() - 4, rows15.end()),
              (std::vector<Pair>{{247, 213}, {247, 43}, {248, 128}, {248, 0}}));

    // Zoom 0.25 rows: 61 blocks of 4 and one of 5 (row 31 covers 124..128); row 249 is left out.
    const auto rows025 = BoxBounds(250, 62);
    EXPECT_EQ(rows025[31], 124);
    EXPECT_EQ(rows025[32], 129);
    EXPECT_EQ(rows025[62], 249);
    for (int32_t k = 0; k < 62; ++k) EXPECT_EQ(rows025[k + 1] - rows025[k], k == 31 ? 5 : 4) << k;
}

TEST(DraftResampler, EnlargingMatchesTheBilinearRule) {
    // The renderer's two enlargements plus an odd sub-rectangle with a clipped destination.
    struct Case {
        int32_t dw, dh;
        TRect src, dst;
    } cases[] = {
        {320, 500, Rect(0, 0, 160, 250), Rect(0, 0, 320, 500)},
        {240, 375, Rect(0, 0, 160, 250), Rect(0, 0, 240, 375)},
        {97, 61, Rect(13, 7, 50, 40), Rect(-20, -9, 110, 70)},
    };
    for (const Case& c : cases) {
        auto source = RandomBitmap(160, 250, 7);
        TBitmap32 target;
        target.SetSize(c.dw, c.dh);
        source->DrawTo(&target, c.dst, c.src);
        const auto cols = BilinearMap(c.src.Left, c.src.Right, 160, c.dst.Width(), 0, c.dst.Width());
        const auto rows = BilinearMap(c.src.Top, c.src.Bottom, 250, c.dst.Height(), 0, c.dst.Height());
        int32_t wrong = 0;
        for (int32_t y = std::max(c.dst.Top, 0); y < std::min(c.dst.Bottom, c.dh); ++y)
            for (int32_t x = std::max(c.dst.Left, 0); x < std::min(c.dst.Right, c.dw); ++x)
                if (target.GetPixel(x, y) != BilinearPixel(*source, cols[x - c.dst.Left], rows[y - c.dst.Top])) ++wrong;
        EXPECT_EQ(wrong, 0) << c.dw << "x" << c.dh;
    }
}

TEST(DraftResampler, EnlargingEdgeCases) {
    TBitmap32 source, target;
    source.SetResamplerClassName("TDraftResampler");
    source.SetSize(160, 250);
    source.SetPixel(0, 0, 0xFF000000);
    source.SetPixel(1, 0, 0xFFFFFFFF);
    target.SetSize(320, 500);
    source.DrawTo(&target, target.BoundsRect());
    EXPECT_EQ(target.GetPixel(1, 0), 0xFF3F3F3Fu);

    // Output column 0 and row 0 take source column 0 and row 0 whole; column 319 and row 499
    // take column 159 and row 249 whole.
    auto random = RandomBitmap(160, 250, 11);
    random->DrawTo(&target, target.BoundsRect());
    EXPECT_EQ(target.GetPixel(0, 0), random->GetPixel(0, 0));
    EXPECT_EQ(target.GetPixel(319, 0), random->GetPixel(159, 0));
    EXPECT_EQ(target.GetPixel(0, 499), random->GetPixel(0, 249));
    EXPECT_EQ(target.GetPixel(319, 499), random->GetPixel(159, 249));

    // A one-pixel-wide source is stretched without reading beside it.
    TBitmap32 narrow, wide;
    narrow.SetResamplerClassName("TDraftResampler");
    narrow.SetSize(1, 3);
    for (int32_t y = 0; y < 3; ++y) narrow.SetPixel(0, y, 0xFF102030);
    wide.SetSize(5, 7);
    narrow.DrawTo(&wide, wide.BoundsRect());
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(wide.GetPixel(x, y), 0xFF102030u);
}

TEST(DraftResampler, ShrinkingAveragesWholeBlocks) {
    TBitmap32 source, target;
    source.SetResamplerClassName("TDraftResampler");
    source.SetSize(2, 2);
    source.SetPixel(0, 0, 0xFF000000);
    source.SetPixel(1, 0, 0xFF000001);
    source.SetPixel(0, 1, 0xFF000001);
    source.SetPixel(1, 1, 0xFF000001);
    target.SetSize(1, 1);
    source.DrawTo(&target, target.BoundsRect());
    EXPECT_EQ(target.GetPixel(0, 0), 0xFF000000u);

    // Zoom 0.5: every byte the truncated mean of its 2 x 2 block.
    auto random = RandomBitmap(160, 250, 3);
    TBitmap32 half;
    half.SetSize(80, 125);
    random->DrawTo(&half, half.BoundsRect());
    int32_t wrong = 0;
    for (int32_t y = 0; y < 125; ++y)
        for (int32_t x = 0; x < 80; ++x) {
            TColor32 expected = 0;
            for (int ch = 0; ch < 4; ++ch) {
                uint32_t s = 0;
                for (int32_t dy = 0; dy < 2; ++dy)
                    for (int32_t dx = 0; dx < 2; ++dx) s += Channel(random->GetPixel(2 * x + dx, 2 * y + dy), ch);
                expected |= (s / 4) << (8 * ch);
            }
            if (half.GetPixel(x, y) != expected) ++wrong;
        }
    EXPECT_EQ(wrong, 0);

    // Zoom 0.25: row 31 averages a 4 x 5 block (255 gives 254); source row 249 is never read.
    TBitmap32 white, quarter, quarterAgain;
    white.SetResamplerClassName("TDraftResampler");
    white.SetSize(160, 250);
    white.Clear(0xFFFFFFFF);
    for (int32_t x = 0; x < 160; ++x) white.SetPixel(x, 249, 0);
    quarter.SetSize(40, 62);
    white.DrawTo(&quarter, quarter.BoundsRect());
    EXPECT_EQ(quarter.GetPixel(5, 31), 0xFEFEFEFEu);
    EXPECT_EQ(quarter.GetPixel(5, 30), 0xFFFFFFFFu);
    EXPECT_EQ(quarter.GetPixel(5, 61), 0xFFFFFFFFu);
}

TEST(DraftResampler, ShrinkingMatchesTheBoxRule) {
    // Blocks of 3 x 3 and 3 x 4, and blocks too large for 16-bit sums.
    auto random = RandomBitmap(160, 250, 13);
    for (auto size : {std::make_pair(53, 71), std::make_pair(3, 2), std::make_pair(40, 62)}) {
        TBitmap32 target;
        target.SetSize(size.first, size.second);
        random->DrawTo(&target, target.BoundsRect());
        const std::vector<TColor32> expected = BoxShrink(*random, size.first, size.second);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), target.Pixels())) << size.first;
    }
}

TEST(DraftResampler, ShrinkingAClippedDestinationMatchesTheWholeResult) {
    auto random = RandomBitmap(160, 250, 5);
    TBitmap32 whole, part;
    whole.SetSize(53, 71);
    random->DrawTo(&whole, whole.BoundsRect());
    part.SetSize(30, 40);
    random->DrawTo(&part, Rect(-10, -20, 43, 51));  // the same 53 x 71 rectangle, shifted
    for (int32_t y = 0; y < 40; ++y)
        for (int32_t x = 0; x < 30; ++x) ASSERT_EQ(part.GetPixel(x, y), whole.GetPixel(x + 10, y + 20)) << x << "," << y;
}

// From 2^24 pixels on, single-precision ratios and limits round: no map may reach past the source.
TEST(DraftResampler, HugeSourcesStayInsideTheirBounds) {
    for (const auto& size : {std::make_pair(16777219, 1024), std::make_pair(1073741827, 536870911),
                             std::make_pair(2147483647, 3), std::make_pair(33554435, 33554433)}) {
        // Half a billion bounds (2 GB) do not fit a 32-bit process; that case runs in 64-bit ones.
        if (sizeof(void*) < 8 && size.second > (1 << 28)) continue;
        const std::vector<int32_t> bounds = BoxBounds(size.first, size.second);
        EXPECT_EQ(bounds.front(), 0);
        EXPECT_LE(bounds.back(), size.first) << size.first << " to " << size.second;
        bool everyBlockFilled = true;
        for (size_t k = 0; k + 1 < bounds.size(); ++k) everyBlockFilled = everyBlockFilled && bounds[k + 1] > bounds[k];
        EXPECT_TRUE(everyBlockFilled) << size.first << " to " << size.second;
    }
    // 33554435 is not a float: the clamp limit rounds up to 33554436, one past the last column.
    const std::vector<TResampleTap> taps = BilinearMap(33554400, 33554436, 33554436, 100, 0, 100);
    for (const TResampleTap& tap : taps) {
        EXPECT_LT(tap.First, 33554436);
        EXPECT_LT(tap.Second, 33554436);
    }

    // The sanitizers see any read past the 16,777,219-pixel row.
    TBitmap32 row, target;
    row.SetResamplerClassName("TDraftResampler");
    row.SetSize(16777219, 1);
    row.Clear(0xFF808080u);
    target.SetSize(1024, 1);
    row.DrawTo(&target, target.BoundsRect());
    EXPECT_EQ(target.GetPixel(1023, 0), 0xFF808080u);
}
