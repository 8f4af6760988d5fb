// The bitmap decoder and TBitmap32's assignment and loading rules.
#include <gtest/gtest.h>

#include <cstring>

#include "test_picture_support.h"
#include "uBitmapGraphic.h"
#include "uClasses.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

using namespace picture_test;

namespace {

struct TBmpCase {
    const char* Name;
    TBmpSpec Spec;
    std::vector<TColor32> Expected;  // top row first
};

std::vector<TBmpCase> BmpCases() {
    std::vector<TBmpCase> cases;
    auto add = [&](const char* name, TBmpSpec spec, std::vector<TColor32> expected) {
        cases.push_back({name, std::move(spec), std::move(expected)});
    };
    TBmpSpec s;
    s = {2, 2, 1, 0, {0x000000, 0xFFFFFF}, {}, {0x80, 0, 0, 0, 0x40, 0, 0, 0}};
    add("pal1", s, {0xFF000000, 0xFFFFFFFF, 0xFFFFFFFF, 0xFF000000});
    s = {2, 2, 4, 0, {0x112233, 0x445566, 0x778899}, {}, {0x21, 0, 0, 0, 0x02, 0, 0, 0}};
    add("pal4", s, {0xFF112233, 0xFF778899, 0xFF778899, 0xFF445566});
    // Top-down; index 7 lies outside the colour table and reads black.
    s = {2, -2, 8, 0, {0x0000FF, 0x00FF00, 0xFF0000}, {}, {0, 1, 0, 0, 2, 7, 0, 0}};
    add("pal8 top-down", s, {0xFF0000FF, 0xFF00FF00, 0xFFFF0000, 0xFF000000});
    s = {2, 2, 16, 0, {}, {}, {0x00, 0x7C, 0x1F, 0x00, 0xE0, 0x03, 0xFF, 0x7F}};
    add("rgb16 555", s, {0xFF00FF00, 0xFFFFFFFF, 0xFFFF0000, 0xFF0000FF});
    s = {2, 2, 16, 3, {}, {0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x00}};
    add("rgb16 565 bitfields", s, {0xFF0000FF, 0xFF000000, 0xFFFF0000, 0xFF00FF00});
    s = {2, 2, 24, 0, {}, {}, {1, 2, 3, 0x10, 0x20, 0x30, 0, 0, 0xAA, 0xBB, 0xCC, 0, 0, 0xFF, 0, 0}};
    add("rgb24 padded rows", s, {0xFFCCBBAA, 0xFFFF0000, 0xFF030201, 0xFF302010});
    s = {2, 2, 32, 0, {}, {}, {1, 2, 3, 0, 4, 5, 6, 0x80, 7, 8, 9, 0xFF, 0, 0, 0, 0}};
    add("rgb32 keeps the fourth byte", s, {0xFF090807, 0x00000000, 0x00030201, 0x80060504});
    s = {2, 2, 32, 3, {}, {0xFF000000, 0x00FF0000, 0x0000FF00},
         {0x00, 0x33, 0x22, 0x11, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0, 0}};
    add("rgb32 bitfields without alpha mask", s, {0xFF0000FF, 0xFF000000, 0xFF112233, 0xFFFF0000});
    // Masks that leave the fourth byte unused: it is alpha, as in plain 32-bit pixels.
    s = {2, 1, 32, 3, {}, {0x00FF0000, 0x0000FF00, 0x000000FF}, {0x10, 0x20, 0x30, 0x40, 1, 2, 3, 0}};
    add("rgb32 bitfields leaving the fourth byte", s, {0x40302010, 0x00030201});
    s = {1, 1, 32, 6, {}, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, {0x10, 0x20, 0x30, 0x40}};
    add("rgb32 alpha bitfields", s, {0x40302010});
    // Bottom row: absolute run of 3 (padded); end of line; top row: delta to x = 2, run of 1; end.
    s = {3, 2, 8, 1, {0x000000, 0xFF0000, 0x00FF00}, {}, {0, 3, 1, 2, 1, 0, 0, 0, 0, 2, 2, 0, 1, 2, 0, 1}};
    add("rle8 absolute delta eol", s, {0xFF000000, 0xFF000000, 0xFF00FF00, 0xFFFF0000, 0xFF00FF00, 0xFFFF0000});
    s = {5, 1, 4, 2, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}, {}, {0, 3, 0x12, 0x30, 2, 0x31, 0, 1}};
    add("rle4 absolute and run", s, {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000});
    return cases;
}

}  // namespace

TEST(PictureBitmap, DecodesEveryDepthAndCompression) {
    for (const TBmpCase& c : BmpCases()) {
        SCOPED_TRACE(c.Name);
        for (bool fileHeader : {true, false}) {
            TBmpSpec spec = c.Spec;
            spec.FileHeader = fileHeader;
            const std::vector<uint8_t> bytes = MakeBmp(spec);
            TBitmap bitmap;
            bitmap.LoadFromBytes(bytes.data(), bytes.size());
            ASSERT_EQ(bitmap.Width(), spec.Width);
            ASSERT_EQ(bitmap.Height(), std::abs(spec.Height));
            EXPECT_EQ(bitmap.PixelFormatBits(), spec.BitCount);
            EXPECT_EQ(bitmap.Pixels(), c.Expected);
        }
    }
}

TEST(PictureBitmap, RejectsInvalidFilesAndStaysEmpty) {
    const TBmpSpec good{2, 2, 24, 0, {}, {}, std::vector<uint8_t>(16, 0x55)};
    struct TCase {
        const char* Name;
        std::vector<uint8_t> Bytes;
    };
    std::vector<TCase> cases;
    auto variant = [&](const char* name, auto change) {
        TBmpSpec s = good;
        change(s);
        cases.push_back({name, MakeBmp(s)});
    };
    variant("planes 2", [](TBmpSpec& s) { s.Planes = 2; });
    variant("width 0", [](TBmpSpec& s) { s.Width = 0; });
    variant("negative width", [](TBmpSpec& s) { s.Width = -2; });
    variant("height 0", [](TBmpSpec& s) { s.Height = 0; });
    variant("7 bits per pixel", [](TBmpSpec& s) { s.BitCount = 7; });
    variant("rle8 with 24 bits", [](TBmpSpec& s) { s.Compression = 1; });
    variant("jpeg compression", [](TBmpSpec& s) { s.Compression = 4; });
    variant("bitfields with 24 bits", [](TBmpSpec& s) { s.Compression = 3; });
    variant("pixels cut short", [](TBmpSpec& s) { s.Bits.resize(10); });
    variant("huge size, tiny file", [](TBmpSpec& s) { s.Width = 50000; s.Height = 50000; });
    variant("over the pixel limit", [](TBmpSpec& s) { s.Width = 1 << 15; s.Height = 1 << 14; });
    variant("rle8 without end", [](TBmpSpec& s) {
        s.BitCount = 8;
        s.Compression = 1;
        s.Palette = {0, 0xFFFFFF};
        s.Bits = {2, 1, 0, 0, 2, 1};
    });
    variant("rle8 absolute run cut short", [](TBmpSpec& s) {
        s.BitCount = 8;
        s.Compression = 1;
        s.Palette = {0};
        s.Bits = {0, 200, 1, 2};
    });
    variant("top-down rle", [](TBmpSpec& s) {
        s.Height = -2;
        s.BitCount = 8;
        s.Compression = 1;
        s.Palette = {0};
        s.Bits = {0, 1};
    });
    std::vector<uint8_t> badHeader = MakeBmp(good);
    badHeader[14] = 5;  // information header size
    cases.push_back({"header size 5", badHeader});
    const std::vector<uint8_t> whole = MakeBmp(good);
    cases.push_back({"file header only", std::vector<uint8_t>(whole.begin(), whole.begin() + 14)});
    cases.push_back({"empty", {}});

    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap bitmap;
        try {
            bitmap.LoadFromBytes(c.Bytes.data(), c.Bytes.size());
            ADD_FAILURE() << "loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Bitmap image is not valid");
        }
        EXPECT_TRUE(bitmap.Empty());
        EXPECT_TRUE(bitmap.Pixels().empty());
    }
}

// A packed 8-bit DIB with a grey colour table, like the renderer's cooling map.
#if !defined(_WIN32)  // test resources are registered natively; Windows reads its own module
TEST(PictureAssign, GreyBitmapResourceLoadsOpaqueGrey) {
    TBmpSpec s{3, 2, 8, 0, {}, {}, {10, 128, 255, 0, 0, 77, 200, 0}, false};
    for (uint32_t i = 0; i < 256; ++i) s.Palette.push_back(i * 0x010101u);
    static const std::vector<uint8_t> dib = MakeBmp(s);
    RegisterResourceBytes(TResourceType::Bitmap, "TEST_GREYMAP", dib.data(), dib.size());

    TBitmap32 bitmap;
    bitmap.LoadFromResourceName("TEST_GREYMAP");
    ASSERT_EQ(bitmap.Width(), 3);
    ASSERT_EQ(bitmap.Height(), 2);
    const uint32_t expected[] = {0, 77, 200, 10, 128, 255};
    for (int i = 0; i < 6; ++i) {
        const TColor32 p = bitmap.Pixels()[i];
        EXPECT_EQ(p, 0xFF000000u | expected[i] * 0x010101u) << i;
        EXPECT_EQ(Intensity(p), expected[i]);
    }
    EXPECT_THROW(bitmap.LoadFromResourceName("NO_SUCH_BITMAP"), EResNotFound);
    EXPECT_EQ(bitmap.Width(), 3);
}
#endif

TEST(PictureAssign, BitmapCopiesPixelsAndSettings) {
    TBitmap32 source;
    source.SetSize(2, 1);
    source.SetPixel(0, 0, 0x12345678);
    source.SetPixel(1, 0, 0x00ABCDEF);
    source.DrawMode = dmBlend;
    source.CombineMode = cmMerge;
    source.WrapMode = wmMirror;
    source.MasterAlpha = 77;
    source.OuterColor = 0xFF00FF00;
    TBitmap32 target;
    int changes = 0;
    TColor32 seenAtChange = 0;
    target.OnChange = [&](TBitmap32& b) {
        ++changes;
        if (!b.Empty()) seenAtChange = b.GetPixel(1, 0);
    };
    target.Assign(&source);
    EXPECT_EQ(target.Width(), 2);
    EXPECT_EQ(target.GetPixel(0, 0), 0x12345678u);
    EXPECT_EQ(target.GetPixel(1, 0), 0x00ABCDEFu);
    EXPECT_EQ(seenAtChange, 0x00ABCDEFu);  // the last notification sees the copied pixels
    EXPECT_GE(changes, 1);
    EXPECT_EQ(target.DrawMode, dmBlend);
    EXPECT_EQ(target.CombineMode, cmMerge);
    EXPECT_EQ(target.WrapMode, wmMirror);
    EXPECT_EQ(target.MasterAlpha, 77);
    EXPECT_EQ(target.OuterColor, 0xFF00FF00u);
    EXPECT_EQ(target.ResamplerClassName(), source.ResamplerClassName());

    target.Assign(nullptr);
    EXPECT_TRUE(target.Empty());
}

namespace {

class TStranger : public TPersistent {
public:
    const char* ClassName() const override { return "TStranger"; }
};

// A picture of a chosen kind that paints pixel (0, 0) opaque red, pixel (1, 0) with the given
// word, and leaves pixel (2, 0) alone.
class TProbeGraphic : public TGraphic {
public:
    TProbeGraphic(TGraphicKind kind, TColor32 second) : FKind(kind), FSecond(second) {}
    const char* ClassName() const override { return "TProbeGraphic"; }
    TGraphicKind Kind() const override { return FKind; }
    int32_t Width() const override { return 3; }
    int32_t Height() const override { return 1; }
    void Draw(TCanvas& canvas, const TRect&) const override {
        canvas.Bitmap().SetPixel(0, 0, 0xFFFF0000);
        canvas.Bitmap().SetPixel(1, 0, FSecond);
    }

protected:
    void ReadStream(TStream&) override {}

private:
    TGraphicKind FKind;
    TColor32 FSecond;
};

}  // namespace

TEST(PictureAssign, AlphaFollowsThePictureKind) {
    struct TCase {
        const char* Name;
        TGraphicKind Kind;
        TColor32 Second;
        TColor32 Expected[3];
    };
    const TCase cases[] = {
        // Metafile: equal over white and red → opaque; the untouched pixel → transparent white.
        {"metafile", TGraphicKind::Metafile, 0x0000FF00, {0xFFFF0000, 0xFF00FF00, 0x00FFFFFF}},
        // Icon with alpha: kept as drawn over transparent black.
        {"icon with alpha", TGraphicKind::Icon, 0x8000FF00, {0xFFFF0000, 0x8000FF00, 0x00000000}},
        // Other pictures: over opaque white, then opaque.
        {"other", TGraphicKind::Other, 0x0000FF00, {0xFFFF0000, 0xFF00FF00, 0xFFFFFFFF}},
        // Plain bitmap without 32 bits: over transparent black, then opaque.
        {"plain bitmap", TGraphicKind::PlainBitmap, 0x0000FF00, {0xFFFF0000, 0xFF00FF00, 0xFF000000}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TProbeGraphic probe(c.Kind, c.Second);
        TBitmap32 bitmap;
        bitmap.Assign(&probe);
        ASSERT_EQ(bitmap.Width(), 3);
        for (int x = 0; x < 3; ++x) EXPECT_EQ(bitmap.GetPixel(x, 0), c.Expected[x]) << x;
    }
    // An icon whose drawing leaves every alpha 0 falls back to the two-background rule.
    class TMaskIcon : public TProbeGraphic {
    public:
        TMaskIcon() : TProbeGraphic(TGraphicKind::Icon, 0) {}
        void Draw(TCanvas& canvas, const TRect&) const override {
            canvas.Bitmap().SetPixel(0, 0, (canvas.Bitmap().GetPixel(0, 0) & 0xFF000000) | 0x00123456);
        }
    } maskIcon;
    TBitmap32 bitmap;
    bitmap.Assign(&maskIcon);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF123456u);
    EXPECT_EQ(bitmap.GetPixel(1, 0), 0x00FFFFFFu);
}

TEST(PictureAssign, PlainBitmapTransparentColourAndPictureHolder) {
    TBmpSpec s{2, 1, 24, 0, {}, {}, {0x00, 0x00, 0xFF, 0x00, 0xFF, 0x00, 0, 0}};
    const std::vector<uint8_t> bytes = MakeBmp(s);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromBytes(bytes.data(), bytes.size());
    bitmap->Transparent = true;
    bitmap->TransparentColor = 0x0000FF00;
    TPicture picture;
    picture.SetGraphic(std::move(bitmap));
    TBitmap32 target;
    target.Assign(&picture);
    EXPECT_EQ(target.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(target.GetPixel(1, 0), 0x0000FF00u);

    TPicture emptyHolder;
    target.Assign(&emptyHolder);
    EXPECT_TRUE(target.Empty());

    TStranger stranger;
    try {
        target.Assign(&stranger);
        ADD_FAILURE() << "assigned";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TStranger to a TBitmap32");
    }
}

TEST(PictureAssign, RasterPictureBlendsOverWhite) {
    class THalf : public TRasterGraphic {
    public:
        const char* ClassName() const override { return "THalf"; }
        void DecodeBytes(const uint8_t*, size_t) override {
            SetPictureSize(2, 1, "test");
            FPixels = {0x80000000, 0x00FF0000};
        }
    } half;
    TMemoryStream none(nullptr, 0);
    half.LoadFromStream(none);
    TBitmap32 target;
    target.Assign(&half);
    EXPECT_EQ(target.GetPixel(0, 0), 0xFF7F7F7Fu);
    EXPECT_EQ(target.GetPixel(1, 0), 0xFFFFFFFFu);
}

TEST(PictureLoadFile, ThirtyTwoBitBmpIsReadDirectlyWithItsAlpha) {
    TTempDir dir;
    // Bottom-up: the first stored row is the bottom row. All fourth bytes 0.
    TBmpSpec s{2, 2, 32, 0, {}, {}, {1, 2, 3, 0, 4, 5, 6, 0, 7, 8, 9, 0, 10, 11, 12, 0}};
    TBitmap32 bitmap;
    bitmap.LoadFromFile(dir.Write("up.bmp", MakeBmp(s)));
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0x00090807u);
    EXPECT_EQ(bitmap.GetPixel(1, 0), 0x000C0B0Au);
    EXPECT_EQ(bitmap.GetPixel(0, 1), 0x00030201u);
    // Top-down, and under a name that suggests another format.
    s.Height = -2;
    bitmap.LoadFromFile(dir.Write("down.jpg", MakeBmp(s)));
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0x00030201u);
    EXPECT_EQ(bitmap.GetPixel(1, 1), 0x000C0B0Au);
    // Other BMP content under a .jpg name goes through the bitmap decoder.
    TBmpSpec pal{1, 1, 8, 0, {0x336699}, {}, {0, 0, 0, 0}};
    bitmap.LoadFromFile(dir.Write("palette.jpg", MakeBmp(pal)));
    EXPECT_EQ(bitmap.Width(), 1);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF336699u);
}

// The pixels start where the file header says: after a larger information header (V5, 124 bytes)
// or any gap.
TEST(PictureLoadFile, ThirtyTwoBitPixelsAreReadAtTheFilesOffset) {
    TTempDir dir;
    const std::vector<uint8_t> pixels = {1, 2, 3, 0x40, 4, 5, 6, 0x80};
    const std::vector<uint8_t> plain = MakeBmp({2, 1, 32, 0, {}, {}, pixels});
    auto withOffset = [](std::vector<uint8_t> file, uint32_t offset) {
        for (int i = 0; i < 4; ++i) file[10 + i] = static_cast<uint8_t>(offset >> (8 * i));
        for (int i = 0; i < 4; ++i) file[2 + i] = static_cast<uint8_t>(file.size() >> (8 * i));
        return file;
    };
    // A gap of 8 bytes between the headers and the pixels.
    std::vector<uint8_t> gap = plain;
    gap.insert(gap.begin() + 54, {0xEE, 0xEE, 0xEE, 0xEE, 0xDD, 0xDD, 0xDD, 0xDD});
    gap = withOffset(gap, 62);
    // A V5 header: 124 bytes, the fields past the first 40 (masks, colour space) all zero.
    std::vector<uint8_t> v5 = plain;
    v5[14] = 124;
    v5.insert(v5.begin() + 54, 84, 0xCC);
    v5 = withOffset(v5, 14 + 124);
    // An offset past the end of the file.
    const std::vector<uint8_t> beyond = withOffset(plain, 4096);
    for (const auto& [name, bytes] : {std::make_pair("gap", gap), std::make_pair("v5", v5)}) {
        SCOPED_TRACE(name);
        TBitmap32 bitmap;
        bitmap.LoadFromFile(dir.Write(std::string(name) + ".bmp", bytes));
        ASSERT_EQ(bitmap.Width(), 2);
        EXPECT_EQ(bitmap.GetPixel(0, 0), 0x40030201u);
        EXPECT_EQ(bitmap.GetPixel(1, 0), 0x80060504u);
    }
    TBitmap32 bitmap;
    EXPECT_THROW(bitmap.LoadFromFile(dir.Write("beyond.bmp", beyond)), EInvalidGraphic);
}

TEST(PictureLoadFile, FailuresKeepThePreviousContent) {
    TTempDir dir;
    TBmpSpec s{2, 2, 32, 0, {}, {}, std::vector<uint8_t>(16, 0x11)};
    std::vector<uint8_t> truncated = MakeBmp(s);
    truncated.resize(truncated.size() - 1);
    std::vector<uint8_t> huge = MakeBmp(s);
    huge[18] = 0xFF;  // width 255
    huge[19] = 0xFF;  // width 65535
    TBmpSpec corrupt{2, 2, 24, 0, {}, {}, std::vector<uint8_t>(4, 0)};
    struct TCase {
        const char* Name;
        std::string Path;
        std::string Message;
    };
    const TCase cases[] = {
        {"shorter than the headers", dir.Write("short.bmp", {'B', 'M', 1, 2, 3}), "Stream read error"},
        {"32-bit pixels cut short", dir.Write("cut.bmp", truncated), "Bitmap image is not valid"},
        {"32-bit size beyond the file", dir.Write("huge.bmp", huge), "Bitmap image is not valid"},
        {"other bitmap cut short", dir.Write("corrupt.bmp", MakeBmp(corrupt)), "Bitmap image is not valid"},
        {"unknown extension", dir.Write("notes.txt", std::vector<uint8_t>(60, 'x')),
         "Unknown picture file extension (.txt)"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap32 bitmap;
        bitmap.SetSize(1, 1);
        bitmap.SetPixel(0, 0, 0x01020304);
        try {
            bitmap.LoadFromFile(c.Path);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
        ASSERT_EQ(bitmap.Width(), 1);
        EXPECT_EQ(bitmap.GetPixel(0, 0), 0x01020304u);
    }
    TBitmap32 bitmap;
    EXPECT_THROW(bitmap.LoadFromFile(dir.Path() + "/missing.bmp"), EFOpenError);
}
