// The flame renderer's stages: propagation, ignition, edge fade, cooling map, mesh, warp,
// palette, reflection and output scaling.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "test_fire_fixture.h"
#include "uClasses.h"
#include "uSysUtils.h"

namespace {

constexpr int W = TFire::PlaneWidth;
constexpr int H = TFire::PlaneHeight;

void FillRandom(uint8_t* plane, size_t count, uint32_t seed, int limit = 256) {
    std::mt19937 random(seed);
    for (size_t i = 0; i < count; ++i) plane[i] = static_cast<uint8_t>(random() % limit);
}

// Mostly 0, with a random value in about one cell of every `every`.
void FillSparse(uint8_t* plane, size_t count, uint32_t seed, int every) {
    std::mt19937 random(seed);
    for (size_t i = 0; i < count; ++i) plane[i] = random() % every == 0 ? static_cast<uint8_t>(1 + random() % 255) : 0;
}

// The propagation rule, cell by cell.
std::vector<uint8_t> ReferencePropagate(const uint8_t* heat, const uint8_t* cooling) {
    std::vector<uint8_t> next(TFire::PlaneSize, 0);
    for (int i = 3 * W; i < 199 * W; ++i) {
        int s = (heat[i - 1] + heat[i + 1] + heat[i - W] + heat[i + W]) >> 2;
        if (s > 7) s -= 7;
        next[i - 3 * W] = static_cast<uint8_t>(std::max(s - cooling[i], 0));
    }
    return next;
}

// The edge fade band by band, in its order.
void ReferenceFade(uint8_t* p) {
    for (int k = 0; k < 16; ++k) {
        for (int x = 0; x < W; ++x) p[k * W + x] = static_cast<uint8_t>(p[k * W + x] * k / 16);
        for (int x = 0; x < W; ++x) p[(197 - k) * W + x] = static_cast<uint8_t>(p[(197 - k) * W + x] * k / 16);
        for (int y = 0; y < H; ++y) p[y * W + k] = static_cast<uint8_t>(p[y * W + k] * k / 16);
        for (int y = 0; y < H; ++y) p[y * W + 159 - k] = static_cast<uint8_t>(p[y * W + 159 - k] * k / 16);
    }
}

// The warp of one frame, cell by cell and pixel by pixel.
std::vector<uint8_t> ReferenceWarp(const TFire& fire, const std::vector<uint8_t>& heat) {
    std::vector<uint8_t> out = heat;
    const uint8_t* next = fire.Planes + TFire::PlaneSize;
    for (int cy = 0; cy < 12; ++cy)
        for (int cx = 0; cx < 10; ++cx) {
            const auto& a = fire.Mesh[cx][cy];
            const auto& b = fire.Mesh[cx + 1][cy];
            const auto& c = fire.Mesh[cx][cy + 1];
            const auto& d = fire.Mesh[cx + 1][cy + 1];
            double lx = a.X, ly = a.Y, rx = b.X, ry = b.Y;
            for (int v = 0; v < 16; ++v) {
                const double sx = (rx - lx) / 16, sy = (ry - ly) / 16;
                double px = lx, py = ly;
                for (int u = 0; u < 16; ++u) {
                    out[(16 * cy + v) * W + 16 * cx + u] = next[static_cast<int>(py) * W + static_cast<int>(px)];
                    px += sx;
                    py += sy;
                }
                lx += (c.X - a.X) / 16;
                ly += (c.Y - a.Y) / 16;
                rx += (d.X - b.X) / 16;
                ry += (d.Y - b.Y) / 16;
            }
        }
    return out;
}

}  // namespace

TEST_F(FireTest, ConstructionState) {
    EXPECT_EQ(Fire->NextHeat(), Fire->Planes + 32000);
    EXPECT_EQ(Fire->CoolingMap(), Fire->Planes + 64000);
    EXPECT_EQ(Fire->FireBitmap->Width(), 160);
    EXPECT_EQ(Fire->FireBitmap->Height(), 250);
    EXPECT_EQ(Fire->FireBitmap->ResamplerClassName(), "TDraftResampler");
    EXPECT_EQ(Fire->HeartBitmap->Width(), 160);
    EXPECT_EQ(Fire->HeartBitmap->Height(), 200);
    EXPECT_TRUE(Fire->OutputBitmap->Empty());
    EXPECT_EQ(Fire->OutputWidth, 160);
    EXPECT_EQ(Fire->OutputHeight, 250);
    EXPECT_EQ(Fire->Clock->Interval(), 2);
    EXPECT_FALSE(Fire->Clock->Enabled());
    EXPECT_TRUE(Fire->Animated);
    EXPECT_FALSE(Fire->Paused());
    EXPECT_EQ(Fire->BurnOut, 0);
    EXPECT_EQ(Fire->FrameCount, 0);
    // The built-in cooling map: 0..7, with a full band of 7 along the edges.
    for (int i = 0; i < 32000; ++i) ASSERT_LE(Fire->CoolingMap()[i], 7) << i;
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(Fire->CoolingMap()[x], 7);
        EXPECT_EQ(Fire->CoolingMap()[199 * W + x], 7);
    }
    for (int y = 0; y < H; ++y) {
        EXPECT_EQ(Fire->CoolingMap()[y * W], 7);
        EXPECT_EQ(Fire->CoolingMap()[y * W + 159], 7);
    }
}

#if !defined(_WIN32)  // test resources are registered natively; Windows reads its own module
namespace {

// A 160 x 200 8-bit grey bitmap resource (no file header), rows stored bottom-up.
std::vector<uint8_t> GreyBitmapResource(const std::vector<uint8_t>& greyTopDown) {
    std::vector<uint8_t> bytes(40 + 1024 + W * H, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int k = 0; k < 4; ++k) bytes[at + k] = static_cast<uint8_t>(v >> (8 * k));
    };
    put32(0, 40);
    put32(4, W);
    put32(8, H);
    bytes[12] = 1;
    bytes[14] = 8;
    put32(32, 256);
    for (int i = 0; i < 256; ++i)
        for (int k = 0; k < 3; ++k) bytes[40 + 4 * i + k] = static_cast<uint8_t>(i);
    for (int y = 0; y < H; ++y) std::memcpy(&bytes[40 + 1024 + (H - 1 - y) * W], &greyTopDown[y * W], W);
    return bytes;
}

}  // namespace

TEST_F(FireTest, CoolingMapIsTheGreyDividedBy32) {
    const TResourceBytes original = FindResourceBytes(TResourceType::Bitmap, "COOLINGMAP");
    std::vector<uint8_t> grey(W * H, 0);
    grey[0] = 31;        // top left: the loader turns the stored rows around
    grey[1] = 32;
    grey[2] = 255;
    grey[W * H - 1] = 224;
    const std::vector<uint8_t> resource = GreyBitmapResource(grey);
    RegisterResourceBytes(TResourceType::Bitmap, "COOLINGMAP", resource.data(), resource.size());
    std::unique_ptr<TFire> fire;
    try {
        fire = std::make_unique<TFire>([] { return 0u; });
    } catch (...) {
        RegisterResourceBytes(TResourceType::Bitmap, "COOLINGMAP", original.Data, original.Size);
        throw;
    }
    RegisterResourceBytes(TResourceType::Bitmap, "COOLINGMAP", original.Data, original.Size);
    EXPECT_EQ(fire->CoolingMap()[0], 0);
    EXPECT_EQ(fire->CoolingMap()[1], 1);
    EXPECT_EQ(fire->CoolingMap()[2], 7);
    EXPECT_EQ(fire->CoolingMap()[3], 0);
    EXPECT_EQ(fire->CoolingMap()[W * H - 1], 7);
}
#endif

TEST_F(FireTest, PropagateUniformFields) {
    struct Case {
        uint8_t heat, cooling, expected;
    } cases[] = {{100, 0, 93}, {6, 2, 4}, {6, 7, 0}, {8, 7, 0}, {12, 7, 0}, {255, 7, 241}, {7, 0, 7}};
    for (const Case& c : cases) {
        ClearPlanes();
        std::memset(Fire->Heat(), c.heat, 32000);
        std::memset(Fire->CoolingMap(), c.cooling, 32000);
        Fire->Propagate();
        for (int i = 0; i < 196 * W; ++i) ASSERT_EQ(Fire->NextHeat()[i], c.expected) << int(c.heat) << " at " << i;
        for (int i = 196 * W; i < 32000; ++i) ASSERT_EQ(Fire->NextHeat()[i], 0) << i;
    }
}

TEST_F(FireTest, PropagateWrapsAtTheRowEnds) {
    ClearPlanes();
    Fire->Heat()[199 * W] = 200;  // right neighbour of row 198, column 159
    Fire->Propagate();
    EXPECT_EQ(Fire->NextHeat()[195 * W + 159], 43);  // (200 >> 2) - 7
    Fire->Heat()[199 * W] = 0;
    Fire->Heat()[3 * W - 1] = 40;  // left neighbour of row 3, column 0
    Fire->Propagate();
    EXPECT_EQ(Fire->NextHeat()[0], 3);  // (40 >> 2) - 7
}

TEST_F(FireTest, PropagateMatchesTheRuleOnRandomPlanes) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        FillRandom(Fire->Heat(), 32000, seed);
        FillRandom(Fire->CoolingMap(), 32000, seed + 100, 8);
        std::memset(Fire->NextHeat(), 0, 32000);
        const std::vector<uint8_t> expected = ReferencePropagate(Fire->Heat(), Fire->CoolingMap());
        Fire->Propagate();
        ASSERT_EQ(std::memcmp(Fire->NextHeat(), expected.data(), 32000), 0) << seed;
    }
}

TEST_F(FireTest, IgniteRaisesHeatToTheHeartsBrightness) {
    struct Case {
        TColor32 heart;
        uint8_t heat, expected;
    } cases[] = {{0xFFFFFFFF, 0, 255}, {0xFFFF0000, 0, 60}, {0xFF00FF00, 0, 173}, {0xFF0000FF, 0, 20},
                 {0xFF000000, 77, 77}, {0x00808080, 200, 200}, {0x00808080, 100, 128}};
    ClearPlanes();
    TColor32* heart = Fire->HeartBitmap->Pixels();
    for (int i = 0; i < 32000; ++i) {
        const Case& c = cases[i % 7];
        heart[i] = c.heart;
        Fire->Heat()[i] = c.heat;
    }
    Fire->HeartBitmap->Changed();
    Fire->IgniteFromHeart();
    for (int i = 0; i < 32000; ++i) ASSERT_EQ(Fire->Heat()[i], cases[i % 7].expected) << i;

    // Random hearts, dense and mostly black (with stray alpha that must not count).
    for (int every : {1, 40}) {
        std::mt19937 random(9 + every);
        for (int i = 0; i < 32000; ++i) heart[i] = random() % every == 0 ? random() : random() & 0xFF000000u;
        Fire->HeartBitmap->Changed();
        FillRandom(Fire->Heat(), 32000, 10);
        std::vector<uint8_t> expected(Fire->Heat(), Fire->Heat() + 32000);
        for (int i = 0; i < 32000; ++i) expected[i] = static_cast<uint8_t>(std::max<uint32_t>(expected[i], Intensity(heart[i])));
        Fire->IgniteFromHeart();
        EXPECT_EQ(std::memcmp(Fire->Heat(), expected.data(), 32000), 0) << every;
    }

    // Hearts lit in a few cells only (at the plane's ends, in its middle, nowhere): exactly those
    // cells are raised, the first and the last of them included.
    const std::vector<int> litCells[] = {{0}, {31999}, {5000, 5001, 20000}, {}};
    for (const std::vector<int>& lit : litCells) {
        std::fill_n(heart, 32000, 0xFF000000u);
        for (int i : lit) heart[i] = 0xFFFFFFFFu;
        Fire->HeartBitmap->Changed();
        FillRandom(Fire->Heat(), 32000, 12);
        std::vector<uint8_t> expected(Fire->Heat(), Fire->Heat() + 32000);
        for (int i : lit) expected[i] = 255;
        Fire->IgniteFromHeart();
        EXPECT_EQ(std::memcmp(Fire->Heat(), expected.data(), 32000), 0) << (lit.empty() ? -1 : lit.front());
    }

    // A heart of another size lights nothing, and is not read past its end.
    Fire->HeartBitmap->SetSize(10, 10);
    Fire->HeartBitmap->Clear(0xFFFFFFFF);
    FillRandom(Fire->Heat(), 32000, 11);
    const std::vector<uint8_t> before(Fire->Heat(), Fire->Heat() + 32000);
    Fire->IgniteFromHeart();
    EXPECT_EQ(std::memcmp(Fire->Heat(), before.data(), 32000), 0);
}

TEST_F(FireTest, FadeEdges) {
    ClearPlanes();
    std::memset(Fire->NextHeat(), 255, 198 * W);
    Fire->FadeEdges();
    const uint8_t* next = Fire->NextHeat();
    for (int x = 16; x < 144; ++x) EXPECT_EQ(next[15 * W + x], 239) << x;
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(next[x], 0);
        EXPECT_EQ(next[197 * W + x], 0);
    }
    for (int y = 0; y < H; ++y) {
        EXPECT_EQ(next[y * W], 0);
        EXPECT_EQ(next[y * W + 159], 0);
    }
    EXPECT_EQ(next[100 * W + 80], 255);

    // Corners are scaled twice, smaller factor first, rows before columns.
    FillRandom(Fire->NextHeat(), 32000, 21);
    std::vector<uint8_t> expected(Fire->NextHeat(), Fire->NextHeat() + 32000);
    ReferenceFade(expected.data());
    Fire->FadeEdges();
    EXPECT_EQ(std::memcmp(Fire->NextHeat(), expected.data(), 32000), 0);
}

TEST_F(FireTest, ResetMeshShapes) {
    auto check = [&] {
        for (int x = 0; x <= 10; ++x)
            for (int y = 0; y <= 12; ++y) {
                const auto& n = Fire->Mesh[x][y];
                EXPECT_EQ(n.VX, 0.0);
                EXPECT_EQ(n.VY, 0.0);
                if (x == 0 || y == 0 || x == 10 || y == 12) {
                    EXPECT_EQ(n.X, 16.0 * x);
                    EXPECT_EQ(n.Y, 16.0 * y);
                } else {
                    EXPECT_LE(std::fabs(n.X - 16.0 * x), 8.0);
                    EXPECT_LE(std::fabs(n.Y - 16.0 * y), 8.0);
                }
            }
    };
    check();
    const double before = Fire->Mesh[5][5].X;
    for (int k = 0; k < 50; ++k) Fire->StepMesh();
    Fire->ResetMesh();
    check();
    EXPECT_NE(Fire->Mesh[5][5].X, before);  // every renewal gives a new shape
}

TEST_F(FireTest, StepMeshSprings) {
    RestMesh();
    Fire->StepMesh();
    // At rest only the diagonal springs push, by (22.627424 - 16 sqrt 2) * 16 * 0.001.
    const double push = (22.627424 - std::sqrt(512.0)) * 16.0 * 0.001;
    EXPECT_NEAR(push, 1.12e-7, 0.01e-7);
    EXPECT_NEAR(Fire->Mesh[1][1].VX, -push * 0.9998, 1e-15);  // from its one interior diagonal (2, 2)
    EXPECT_NEAR(Fire->Mesh[1][1].X, 16.0 - push, 1e-15);
    EXPECT_NEAR(Fire->Mesh[1][1].VY, -push * 0.9998, 1e-15);
    for (int x = 0; x <= 10; ++x) {
        EXPECT_EQ(Fire->Mesh[x][0].X, 16.0 * x);  // boundary nodes never move
        EXPECT_EQ(Fire->Mesh[x][12].Y, 192.0);
    }

    // A horizontal spring compressed to 14 pixels pushes 0.028 away.
    RestMesh();
    Fire->Mesh[5][5].X = 78.0;
    Fire->StepMesh();
    EXPECT_NEAR(Fire->Mesh[4][5].X, 64.0 - 0.028, 1e-6);
    EXPECT_NEAR(Fire->Mesh[4][5].VX, -0.028 * 0.9998, 1e-6);
}

TEST_F(FireTest, WarpThroughRestAndShiftedMeshes) {
    ClearPlanes();
    FillRandom(Fire->NextHeat(), 32000, 31);
    std::memset(Fire->Heat(), 0xAB, 32000);
    RestMesh();
    Fire->WarpFlameField();
    EXPECT_EQ(std::memcmp(Fire->Heat(), Fire->NextHeat(), 192 * W), 0);
    for (int i = 192 * W; i < 32000; ++i) ASSERT_EQ(Fire->Heat()[i], 0xAB) << i;

    // Interior nodes shifted by +0.5 and +1: cells whose four corners are interior.
    for (double shift : {0.5, 1.0}) {
        RestMesh();
        for (int x = 1; x <= 9; ++x)
            for (int y = 1; y <= 11; ++y) {
                Fire->Mesh[x][y].X += shift;
                Fire->Mesh[x][y].Y += shift;
            }
        Fire->WarpFlameField();
        const int offset = static_cast<int>(shift);
        for (int y = 16; y < 176; ++y)
            for (int x = 16; x < 144; ++x)
                ASSERT_EQ(Fire->Heat()[y * W + x], Fire->NextHeat()[(y + offset) * W + x + offset]) << shift << " " << x << "," << y;
    }
}

TEST_F(FireTest, WarpMatchesTheRuleOnSwingingMeshes) {
    // Dense planes, and sparse ones where most cells sample only cold cells.
    for (int every : {1, 300, 3000}) {
        ClearPlanes();
        FillSparse(Fire->NextHeat(), 32000, 41 + every, every);
        std::memset(Fire->Heat(), 0x5A, 32000);
        for (int frame = 0; frame < 300; ++frame) {
            Fire->StepMesh();
            if (frame % 60 != 0) continue;
            const std::vector<uint8_t> heat(Fire->Heat(), Fire->Heat() + 32000);
            const std::vector<uint8_t> expected = ReferenceWarp(*Fire, heat);
            Fire->WarpFlameField();
            ASSERT_EQ(std::memcmp(Fire->Heat(), expected.data(), 32000), 0) << every << " " << frame;
        }
        Fire->ResetMesh();
    }
}

TEST_F(FireTest, WarpClampsSamplesToThePlane) {
    ClearPlanes();
    FillRandom(Fire->NextHeat(), 32000, 51);
    RestMesh();
    Fire->Mesh[5][5].X = 1e9;
    Fire->Mesh[5][6].Y = -1e9;
    Fire->Mesh[3][3].X = std::nan("");
    Fire->Mesh[7][7].Y = std::numeric_limits<double>::infinity();
    Fire->WarpFlameField();  // no read outside NextHeat (checked by the address sanitizer)
    EXPECT_EQ(Fire->Heat()[0], Fire->NextHeat()[0]);
}

TEST_F(FireTest, PaletteEntries) {
    struct Case {
        int index;
        TColor32 colour;
    } cases[] = {{0, 0x00000000}, {1, 0x02010000}, {32, 0x403C0000}, {64, 0x80780600},
                 {127, 0xFEEF4F07}, {128, 0xFFF05408}, {192, 0xFFF8BC28}, {255, 0xFFF8F058}};
    for (const Case& c : cases) EXPECT_EQ(Fire->Palette[c.index], c.colour) << c.index;
    for (int i = 0; i < 256; ++i) {
        const TColor32 p = Fire->Palette[i];
        const uint32_t a = p >> 24;
        EXPECT_EQ(a, std::min(2u * i, 255u));
        EXPECT_LE((p >> 16) & 0xFF, a);
        EXPECT_LE((p >> 8) & 0xFF, a);
        EXPECT_LE(p & 0xFF, a);
    }
    // Every shown cell is coloured through the palette.
    ClearPlanes();
    FillRandom(Fire->NextHeat(), 196 * W, 81);
    Fire->RenderOutput();
    for (int i = 0; i < 196 * W; ++i) ASSERT_EQ(Fire->FireBitmap->Pixels()[i], Fire->Palette[Fire->NextHeat()[i]]) << i;

    // The bases step by one at their listed first indices.
    EXPECT_EQ((Fire->Palette[43] >> 8) & 0xFF, 0u);
    EXPECT_EQ((Fire->Palette[44] >> 8) & 0xFF, 1u * 4 * 88 / 255);
    EXPECT_EQ(Fire->Palette[250], Color32(62 * 4, 60 * 4, 11 * 8 - 8, 255));
    EXPECT_EQ(Fire->Palette[251], Color32(62 * 4, 60 * 4, 11 * 8, 255));
    EXPECT_EQ(Fire->Palette[164] >> 16 & 0xFF, 240u);
    EXPECT_EQ(Fire->Palette[165] >> 16 & 0xFF, 244u);
    EXPECT_EQ(Fire->Palette[175] >> 16 & 0xFF, 248u);
}

TEST_F(FireTest, ReflectionRows) {
    ClearPlanes();
    FillSparse(Fire->NextHeat(), 196 * W, 62, 20);
    std::memset(Fire->NextHeat() + 192 * W, 255, W);
    FillRandom(Fire->NextHeat() + 8 * W, W, 61);
    Fire->Reflection = true;
    Fire->RenderOutput();
    const TBitmap32& fire = *Fire->FireBitmap;
    for (int x = 0; x < W; ++x) {
        EXPECT_EQ(fire.GetPixel(x, 192), 0xFFF8F058u);
        EXPECT_EQ(fire.GetPixel(x, 197), 0x5D5B5820u);
        EXPECT_EQ(fire.GetPixel(x, 244), 0u);
        EXPECT_EQ(fire.GetPixel(x, 245), 0u);
        const TColor32 row8 = fire.GetPixel(x, 8);
        TColor32 expected = 0;
        for (int ch = 0; ch < 4; ++ch) expected |= (((row8 >> (8 * ch)) & 0xFF) * 2 >> 8) << (8 * ch);
        EXPECT_EQ(fire.GetPixel(x, 243), expected);
        for (int y = 246; y < 250; ++y) EXPECT_EQ(fire.GetPixel(x, y), 0u);
    }
    for (int i = 0; i < 196 * W; ++i) ASSERT_EQ(fire.Pixels()[i], Fire->Palette[Fire->NextHeat()[i]]) << i;
    // Zoom 1: the output is the frame itself.
    for (int i = 0; i < 160 * 250; ++i) ASSERT_EQ(Fire->OutputBitmap->Pixels()[i], fire.Pixels()[i]) << i;

    Fire->Reflection = false;
    Fire->RenderOutput();
    for (int y = 196; y < 250; ++y)
        for (int x = 0; x < W; ++x) ASSERT_EQ(fire.GetPixel(x, y), 0u) << x << "," << y;
}

TEST_F(FireTest, ZoomSizes) {
    struct Case {
        float zoom;
        int width, height;
    } cases[] = {{0.25f, 40, 62}, {0.5f, 80, 125}, {1.0f, 160, 250}, {1.5f, 240, 375}, {2.0f, 320, 500}, {0.0f, 0, 0}};
    for (const Case& c : cases) {
        Fire->SetZoom(c.zoom);
        EXPECT_EQ(Fire->Zoom, c.zoom);
        EXPECT_EQ(Fire->OutputWidth, c.width) << c.zoom;
        EXPECT_EQ(Fire->OutputHeight, c.height) << c.zoom;
        Fire->Step();
        EXPECT_EQ(Fire->OutputBitmap->Width(), c.width);
        EXPECT_EQ(Fire->OutputBitmap->Height(), c.height);
    }
    Fire->SetZoom(-1.0f);
    Fire->Step();
    EXPECT_TRUE(Fire->OutputBitmap->Empty());

    Fire->SetZoom(2.0f);
    try {
        Fire->SetZoom(std::nanf(""));
        FAIL() << "no error";
    } catch (const EInvalidOp& e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    EXPECT_THROW(Fire->SetZoom(1e30f), EInvalidOp);
    EXPECT_EQ(Fire->OutputWidth, 320);
}

TEST_F(FireTest, ScaledOutputAtTheSmallAndLargeZooms) {
    // Zoom 2 edges take the frame's edge pixels whole; zoom 0.5 is the 2 x 2 mean.
    ClearPlanes();
    FillRandom(Fire->Heat(), 32000, 71);
    Fire->Reflection = true;
    Fire->SetZoom(2.0f);
    Fire->Step();
    const TBitmap32& fire = *Fire->FireBitmap;
    const TBitmap32& out = *Fire->OutputBitmap;
    for (int y = 0; y < 500; y += 37) {
        EXPECT_EQ(out.GetPixel(0, 0), fire.GetPixel(0, 0));
        EXPECT_EQ(out.GetPixel(319, 499), fire.GetPixel(159, 249));
    }
    Fire->SetZoom(0.5f);
    Fire->Step();
    for (int y = 0; y < 125; y += 7)
        for (int x = 0; x < 80; x += 3) {
            TColor32 expected = 0;
            for (int ch = 0; ch < 4; ++ch) {
                uint32_t s = 0;
                for (int k = 0; k < 4; ++k) s += (fire.GetPixel(2 * x + k % 2, 2 * y + k / 2) >> (8 * ch)) & 0xFF;
                expected |= (s / 4) << (8 * ch);
            }
            ASSERT_EQ(out.GetPixel(x, y), expected) << x << "," << y;
        }
}
