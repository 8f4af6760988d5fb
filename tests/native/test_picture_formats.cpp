// What the individual decoders deliver: opaque JPEG and GIF pictures, PNG transparency over
// white, icons with their masks, EPS previews, TIFF variants, and clean failures on damaged files.
#include <gtest/gtest.h>

#include <jpeglib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "test_picture_support.h"
#include "uEPSGraphic.h"
#include "uGraphics.h"
#include "uIconGraphic.h"
#include "uJPEGImage.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"
#include "uTIFFGraphic.h"

using namespace picture_test;

namespace {

class PictureFormats : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPictureFormats(); }
};

// RGB bytes of a picture flattened over white by ImageMagick; empty when it is not installed.
std::vector<uint8_t> FlattenedByImageMagick(const std::string& path) {
    if (!HostTool("/usr/bin/convert")) return {};
    const std::string command =
        "/usr/bin/convert '" + path + "[0]' -background white -alpha remove -alpha off -depth 8 rgb:- 2>/dev/null";
    return CommandOutput(command);
}

int WorstDifference(const TBitmap32& bitmap, const std::vector<uint8_t>& rgb) {
    int worst = 0;
    for (int i = 0; i < bitmap.Width() * bitmap.Height(); ++i) {
        const TColor32 p = bitmap.Pixels()[i];
        worst = std::max({worst, std::abs(static_cast<int>((p >> 16) & 0xFF) - rgb[i * 3]),
                          std::abs(static_cast<int>((p >> 8) & 0xFF) - rgb[i * 3 + 1]),
                          std::abs(static_cast<int>(p & 0xFF) - rgb[i * 3 + 2])});
    }
    return worst;
}

bool AllOpaque(const TBitmap32& bitmap) {
    const TColor32* p = bitmap.Pixels();
    return std::all_of(p, p + bitmap.Width() * bitmap.Height(), [](TColor32 c) { return (c >> 24) == 255; });
}

}  // namespace

TEST_F(PictureFormats, DecodedPicturesAssignOpaqueOverWhite) {
    VELMORA_NEEDS_CORPUS();
    const char* const files[] = {
        "jpg/sdl2-image-sample.jpg",      // JPEG
        "jpe/imagemagick-objects.jpe",    // greyscale JPEG
        "gif/giflib-x-trans.gif",         // GIF with a transparent colour
        "gif/gdk-gifsuite-transparent.gif",
        "png/gdk-test-image.png",         // PNG with partial alpha
        "png/libpng-gray-1-tRNS.png",     // PNG with a transparent grey
        "tiff/gdk-dpi.tiff",              // TIFF with unassociated alpha
    };
    for (const char* file : files) {
        SCOPED_TRACE(file);
        TBitmap32 bitmap;
        bitmap.LoadFromFile(CorpusPath(file));
        ASSERT_FALSE(bitmap.Empty());
        EXPECT_TRUE(AllOpaque(bitmap));
        const std::vector<uint8_t> expected = FlattenedByImageMagick(CorpusPath(file));
        if (expected.size() == static_cast<size_t>(bitmap.Width()) * bitmap.Height() * 3) {
            EXPECT_LE(WorstDifference(bitmap, expected), 2);
        }
    }
    // The transparent GIF shows white where it is transparent.
    TBitmap32 gif;
    gif.LoadFromFile(CorpusPath("gif/giflib-x-trans.gif"));
    const TColor32* p = gif.Pixels();
    EXPECT_TRUE(std::any_of(p, p + gif.Width() * gif.Height(), [](TColor32 c) { return c == 0xFFFFFFFFu; }));
}

TEST_F(PictureFormats, CmykJpegIsConvertedToRgb) {
    VELMORA_NEEDS_CORPUS();
    if (!HostTool("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
    TTempDir dir;
    const std::string path = dir.Path() + "/cmyk.jpg";
    ASSERT_EQ(RunHostCommand("/usr/bin/convert '" + CorpusPath("jpg/sdl2-image-sample.jpg") +
                             "' -colorspace CMYK -quality 95 '" + path + "' 2>/dev/null"),
              0);
    TBitmap32 bitmap;
    bitmap.LoadFromFile(path);
    ASSERT_EQ(bitmap.Width(), 23);
    EXPECT_TRUE(AllOpaque(bitmap));
    const std::vector<uint8_t> expected = FlattenedByImageMagick(path);
    ASSERT_EQ(expected.size(), static_cast<size_t>(23 * 42 * 3));
    EXPECT_LE(WorstDifference(bitmap, expected), 1);
}

namespace {

// A 2 x 1 CMYK JPEG in the inverted convention (255 = no ink), with or without an Adobe marker.
std::vector<uint8_t> InvertedCmykJpeg(bool adobeMarker) {
    jpeg_compress_struct info;
    jpeg_error_mgr error;
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 2;
    info.image_height = 1;
    info.input_components = 4;
    info.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    info.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    // Red (no cyan, full magenta and yellow, no black), then white.
    unsigned char row[8] = {255, 0, 0, 255, 255, 255, 255, 255};
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&info, rows, 1);
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

}  // namespace

// Practically every CMYK JPEG is inverted, also those without an Adobe marker.
TEST_F(PictureFormats, CmykJpegIsReadInvertedWithOrWithoutAdobeMarker) {
    for (bool marker : {true, false}) {
        SCOPED_TRACE(marker ? "Adobe marker" : "no marker");
        const std::vector<uint8_t> bytes = InvertedCmykJpeg(marker);
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(bytes.data(), bytes.size());
        ASSERT_EQ(jpeg.Width(), 2);
        const auto near = [](TColor32 a, TColor32 b) {
            for (int shift = 0; shift < 24; shift += 8)
                if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8) return false;
            return true;
        };
        EXPECT_TRUE(near(jpeg.Pixels()[0], 0xFFFF0000u)) << std::hex << jpeg.Pixels()[0];
        EXPECT_TRUE(near(jpeg.Pixels()[1], 0xFFFFFFFFu)) << std::hex << jpeg.Pixels()[1];
    }
}

namespace {

// An icon file with one 2x2 24-bit entry whose AND mask hides the bottom-right pixel, and a
// smaller 1x1 32-bit entry that must not be chosen.
std::vector<uint8_t> MakeIcon(bool withAlphaEntryOnly, uint8_t alpha, uint8_t secondAlpha = 0xFF) {
    auto dibEntry = [](int32_t w, int32_t h, uint16_t bpp, std::vector<uint8_t> colour, std::vector<uint8_t> mask) {
        TBmpSpec s{w, h * 2, bpp, 0, {}, {}, std::move(colour), false};
        std::vector<uint8_t> dib = MakeBmp(s);
        dib.insert(dib.end(), mask.begin(), mask.end());
        return dib;
    };
    std::vector<std::vector<uint8_t>> entries;
    std::vector<std::pair<int, int>> sizes;
    if (withAlphaEntryOnly) {
        // 2x1, 32-bit: blue and red with the given alphas; AND mask all clear.
        entries.push_back(dibEntry(2, 1, 32, {0xFF, 0, 0, alpha, 0, 0, 0xFF, secondAlpha}, {0, 0, 0, 0}));
        sizes.push_back({2, 1});
    } else {
        // Bottom row: green, blue; top row: red, white. Mask bottom row 0x40 hides the blue pixel.
        entries.push_back(dibEntry(2, 2, 24, {0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0},
                                   {0x40, 0, 0, 0, 0x00, 0, 0, 0}));
        sizes.push_back({2, 2});
        entries.push_back(dibEntry(1, 1, 32, {1, 2, 3, 0x80}, {0, 0, 0, 0}));
        sizes.push_back({1, 1});
    }
    std::vector<uint8_t> file;
    PutU16(file, 0);
    PutU16(file, 1);
    PutU16(file, static_cast<uint32_t>(entries.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        file.push_back(static_cast<uint8_t>(sizes[i].first));
        file.push_back(static_cast<uint8_t>(sizes[i].second));
        file.push_back(0);
        file.push_back(0);
        PutU16(file, 1);
        PutU16(file, 24);
        PutU32(file, static_cast<uint32_t>(entries[i].size()));
        PutU32(file, offset);
        offset += static_cast<uint32_t>(entries[i].size());
    }
    for (const auto& e : entries) file.insert(file.end(), e.begin(), e.end());
    return file;
}

}  // namespace

TEST_F(PictureFormats, IconMaskAndAlphaDecideTransparency) {
    TTempDir dir;
    TBitmap32 bitmap;
    bitmap.LoadFromFile(dir.Write("masked.ico", MakeIcon(false, 0)));
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bitmap.GetPixel(1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(bitmap.GetPixel(0, 1), 0xFF00FF00u);
    EXPECT_EQ(bitmap.GetPixel(1, 1) >> 24, 0u);  // hidden by the mask

    bitmap.LoadFromFile(dir.Write("alpha.ico", MakeIcon(true, 0x80)));
    ASSERT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0x800000FFu);  // its own alpha, unblended
    EXPECT_EQ(bitmap.GetPixel(1, 0), 0xFFFF0000u);

    // A 32-bit entry whose alpha is all 0 is masked by its AND mask instead: all opaque here.
    bitmap.LoadFromFile(dir.Write("zero.ico", MakeIcon(true, 0, 0)));
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(bitmap.GetPixel(1, 0), 0xFFFF0000u);

    TIcon icon;
    std::vector<uint8_t> broken = MakeIcon(false, 0);
    broken[6 + 12] = 0xF0;  // first entry's offset far beyond the file
    broken[6 + 16 + 12] = 0xF0;
    try {
        icon.LoadFromBytes(broken.data(), broken.size());
        ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Icon image is not valid");
    }
    EXPECT_TRUE(icon.Empty());

    // A PNG entry that declares an enormous picture is refused before anything is decoded.
    std::vector<uint8_t> huge = {0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 1, 0, 32, 0};
    PutU32(huge, 33);
    PutU32(huge, 22);
    huge.insert(huge.end(), {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                             0xFF, 0xFF, 0xB2, 0xB2, 0xB2, 0xB2, 0xB2, 0xB2, 8, 6, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(icon.LoadFromBytes(huge.data(), huge.size()), EInvalidGraphic);
    EXPECT_TRUE(icon.Empty());
}

TEST_F(PictureFormats, EpsShowsItsTiffPreviewOnly) {
    VELMORA_NEEDS_CORPUS();
    const std::vector<uint8_t> tiff = ReadFileBytes(CorpusPath("tiff/sdl2-image-sample.tiff"));
    ASSERT_FALSE(tiff.empty());
    auto wrap = [&](uint32_t offset, uint32_t length) {
        std::vector<uint8_t> eps = {0xC5, 0xD0, 0xD3, 0xC6};
        PutU32(eps, static_cast<uint32_t>(30 + tiff.size()));  // PostScript after the preview
        PutU32(eps, 4);
        PutU32(eps, 0);
        PutU32(eps, 0);
        PutU32(eps, offset);
        PutU32(eps, length);
        PutU16(eps, 0xFFFF);
        eps.insert(eps.end(), tiff.begin(), tiff.end());
        eps.insert(eps.end(), {'%', '!', 'P', 'S'});
        return eps;
    };
    TEPSGraphic eps;
    const std::vector<uint8_t> good = wrap(30, static_cast<uint32_t>(tiff.size()));
    eps.LoadFromBytes(good.data(), good.size());
    EXPECT_EQ(eps.Width(), 23);
    EXPECT_EQ(eps.Height(), 42);

    const std::string epsMessage = "Cannot load image. Invalid or unexpected EPS image format.";
    const std::string plain = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n";
    const std::vector<std::vector<uint8_t>> bad = {
        std::vector<uint8_t>(plain.begin(), plain.end()),             // plain-text EPS
        wrap(30, static_cast<uint32_t>(tiff.size()) + 5),             // preview runs past the end
        wrap(0xFFFFFFF0u, 0x20),                                      // offset wraps around
        wrap(30, 0),                                                  // no preview
        wrap(10, 20),                                                 // preview inside the header
        std::vector<uint8_t>(good.begin(), good.begin() + 20),        // header cut short
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        try {
            eps.LoadFromBytes(bad[i].data(), bad[i].size());
            ADD_FAILURE() << i;
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message(), epsMessage) << i;
        }
        EXPECT_TRUE(eps.Empty());
    }
    TBitmap32 bitmap;
    try {
        bitmap.LoadFromFile(CorpusPath("eps/pillow-1.eps"));
        EXPECT_EQ(bitmap.Width(), 72);
    } catch (const Exception& e) {
        ADD_FAILURE() << e.what();
    }
}

TEST_F(PictureFormats, TiffWithAnUnknownCompressionIsUnsupported) {
    VELMORA_NEEDS_CORPUS();
    std::vector<uint8_t> tiff = ReadFileBytes(CorpusPath("tiff/sdl2-image-sample.tiff"));
    ASSERT_GE(tiff.size(), 8u);
    ASSERT_EQ(tiff[0], 'I');
    const uint32_t ifd = tiff[4] | (tiff[5] << 8) | (tiff[6] << 16) | (static_cast<uint32_t>(tiff[7]) << 24);
    const uint16_t count = static_cast<uint16_t>(tiff[ifd] | (tiff[ifd + 1] << 8));
    bool patched = false;
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t* entry = tiff.data() + ifd + 2 + 12 * i;
        if ((entry[0] | (entry[1] << 8)) == 259) {  // Compression
            entry[8] = 12345 & 0xFF;
            entry[9] = 12345 >> 8;
            patched = true;
        }
    }
    ASSERT_TRUE(patched);
    TTIFFGraphic picture;
    try {
        picture.LoadFromBytes(tiff.data(), tiff.size());
        ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Cannot load image. Compression scheme 12345 not supported for TIFF files.");
    }
    EXPECT_TRUE(picture.Empty());
}

// Every sample of the formats decoded here, cut short at several lengths and with a damaged
// header, fails with an Exception or loads a picture of sane size: never a crash.
TEST_F(PictureFormats, DamagedFilesFailCleanly) {
    VELMORA_NEEDS_CORPUS();
    const char* const folders[] = {"bmp", "dib", "rle", "ico", "jpg", "jpeg", "jpe", "jfif",
                                   "png", "gif", "tif", "tiff", "fax", "eps"};
    TTempDir dir;
    int failures = 0, loads = 0;
    std::string halfLoads;
    for (const char* folder : folders) {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::directory_iterator(CorpusPath(folder)))
            files.push_back(entry.path().string());
        std::sort(files.begin(), files.end());
        if (files.size() > 6) files.resize(6);
        for (const std::string& file : files) {
            const std::vector<uint8_t> whole = ReadFileBytes(file);
            const std::string extension = ExtractPictureExtension(file);
            std::vector<std::pair<std::string, std::vector<uint8_t>>> variants;
            for (size_t length : {size_t{0}, size_t{1}, size_t{7}, size_t{20}, size_t{53}, size_t{60},
                                  whole.size() / 3, whole.size() / 2, whole.size() - 1}) {
                if (length < whole.size())
                    variants.push_back({"cut at " + std::to_string(length),
                                        std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<long>(length))});
            }
            std::vector<uint8_t> damaged = whole;
            for (size_t i = 8; i < std::min<size_t>(damaged.size(), 40); i += 3) damaged[i] ^= 0xA5;
            variants.push_back({"damaged header", damaged});
            for (const auto& [what, bytes] : variants) {
                SCOPED_TRACE(file + " " + what);
                TBitmap32 bitmap;
                try {
                    bitmap.LoadFromFile(dir.Write("sample." + extension, bytes));
                    ++loads;
                    EXPECT_LE(static_cast<int64_t>(bitmap.Width()) * bitmap.Height(), MaxPicturePixels);
                    if (what == "cut at " + std::to_string(whole.size() / 2)) halfLoads += "\n" + file;
                } catch (const Exception&) {
                    ++failures;
                }
            }
        }
    }
    EXPECT_GT(failures, 500);
    std::printf("damaged files: %d failed, %d loaded; cut in half and still loaded:%s\n", failures, loads,
                halfLoads.c_str());
}
