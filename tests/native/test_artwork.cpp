// The committed artwork has the structure the program relies on: the cooling map's bitmap
// layout and cooling values, the heart animation's GIF blocks and beat, the JPEG sizes, the
// logo's red-free title band and the menu icon's alpha.
#include <gtest/gtest.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>

#include "uClasses.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string ArtworkPath(const std::string& file) {
    return std::string(VELMORA_SOURCE_DIR) + "/resources/" + file;
}

Bytes ReadArtwork(const std::string& file) {
    std::ifstream in(ArtworkPath(file), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint16_t Le16(const Bytes& b, size_t at) { return uint16_t(b[at] | b[at + 1] << 8); }
uint32_t Le32(const Bytes& b, size_t at) { return uint32_t(Le16(b, at)) | uint32_t(Le16(b, at + 2)) << 16; }

constexpr int kPlaneWidth = 160;
constexpr int kPlaneHeight = 200;

// ---------------------------------------------------------------------------------------------
// Cooling map

constexpr size_t kBmpPixelsOffset = 14 + 40 + 256 * 4;

// Cooling values (grey div 32), row 0 at the top.
std::vector<int> CoolingFromBitmap(const Bytes& bmp) {
    std::vector<int> cooling(kPlaneWidth * kPlaneHeight);
    for (int y = 0; y < kPlaneHeight; ++y)
        for (int x = 0; x < kPlaneWidth; ++x)
            cooling[y * kPlaneWidth + x] = bmp[kBmpPixelsOffset + (kPlaneHeight - 1 - y) * kPlaneWidth + x] >> 5;
    return cooling;
}

TEST(Artwork, CoolingMapIsBottomUpGreyBitmap) {
    const Bytes bmp = ReadArtwork("coolingmap.bmp");
    ASSERT_EQ(bmp.size(), kBmpPixelsOffset + size_t(kPlaneWidth * kPlaneHeight));
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(Le32(bmp, 2), bmp.size());
    EXPECT_EQ(Le32(bmp, 10), kBmpPixelsOffset);
    EXPECT_EQ(Le32(bmp, 14), 40u);                             // info header size
    EXPECT_EQ(int32_t(Le32(bmp, 18)), kPlaneWidth);
    EXPECT_EQ(int32_t(Le32(bmp, 22)), kPlaneHeight);           // positive: bottom-up
    EXPECT_EQ(Le16(bmp, 26), 1);                               // planes
    EXPECT_EQ(Le16(bmp, 28), 8);                               // bits per pixel
    EXPECT_EQ(Le32(bmp, 30), 0u);                              // uncompressed
    const uint32_t used = Le32(bmp, 46);
    EXPECT_TRUE(used == 0 || used == 256) << used;
    for (int i = 0; i < 256; ++i) {
        const size_t at = 54 + size_t(i) * 4;
        ASSERT_EQ(bmp[at], i) << "palette entry " << i;
        ASSERT_EQ(bmp[at + 1], i) << "palette entry " << i;
        ASSERT_EQ(bmp[at + 2], i) << "palette entry " << i;
    }
}

TEST(Artwork, CoolingMapBandsBackgroundAndMotifs) {
    const Bytes bmp = ReadArtwork("coolingmap.bmp");
    ASSERT_EQ(bmp.size(), kBmpPixelsOffset + size_t(kPlaneWidth * kPlaneHeight));
    const std::vector<int> cooling = CoolingFromBitmap(bmp);
    auto at = [&](int x, int y) { return cooling[y * kPlaneWidth + x]; };

    for (int y = 0; y < kPlaneHeight; ++y)
        for (int x = 0; x < kPlaneWidth; ++x) {
            const bool band = y <= 6 || y >= 196 || x <= 5 || x >= 154;
            if (band) {
                ASSERT_EQ(at(x, y), 7) << x << "," << y;
            }
        }

    // Inside, beyond the softening of the band.
    int cells = 0, sum = 0, lowCells = 0;
    for (int y = 12; y <= 190; ++y)
        for (int x = 11; x <= 148; ++x) {
            ++cells;
            sum += at(x, y);
            if (at(x, y) <= 3) ++lowCells;
        }
    const double mean = double(sum) / cells;
    EXPECT_GE(mean, 1.0);
    EXPECT_LE(mean, 1.8);
    EXPECT_GE(lowCells, cells * 9 / 10);

    // The motifs stand out as cooling 0 where the plain background has hardly any.
    struct Region { const char* name; int x0, x1, y0, y1; bool motif; };
    const Region regions[] = {
        {"face, upper left", 12, 78, 12, 100, true},
        {"star, lower right", 84, 148, 118, 186, true},
        {"upper right", 88, 148, 12, 100, false},
        {"lower left", 12, 78, 118, 186, false},
    };
    for (const Region& r : regions) {
        int zeros = 0;
        for (int y = r.y0; y <= r.y1; ++y)
            for (int x = r.x0; x <= r.x1; ++x)
                if (at(x, y) == 0) ++zeros;
        if (r.motif)
            EXPECT_GE(zeros, 600) << r.name;
        else
            EXPECT_LT(zeros, 200) << r.name;
    }
}

TEST(Artwork, CoolingMapResourceIsTheBitmapWithoutFileHeader) {
    const Bytes bmp = ReadArtwork("coolingmap.bmp");
    const TResourceBytes res = FindResourceBytes(TResourceType::Bitmap, "COOLINGMAP");
    ASSERT_EQ(res.Size + 14, bmp.size());
    EXPECT_EQ(std::memcmp(res.Data, bmp.data() + 14, res.Size), 0);
}

// ---------------------------------------------------------------------------------------------
// Heart animation

constexpr int kHeartFrames = 14;
constexpr int kHeartTableSize = 128;
constexpr int kHeartTransparentIndex = 64;

// The GIF's blocks as the animation depends on them, read without a decoder.
struct HeartBlocks {
    bool globalTable = true;
    bool loopBeforeFrame0 = false;
    int loopCount = -1;
    struct Frame {
        bool control = false;
        int disposal = -1, delay = -1, transparentIndex = -1;
        bool transparent = false;
        int left = -1, top = -1, width = -1, height = -1;
        bool interlaced = true;
        int tableSize = 0;
        std::vector<uint8_t> table;  // RGB triples
    };
    std::vector<Frame> frames;
    bool trailer = false;
    std::string error;
};

HeartBlocks ParseHeartBlocks(const Bytes& gif) {
    HeartBlocks out;
    size_t pos = 0;
    auto need = [&](size_t n) {
        if (pos + n > gif.size()) {
            if (out.error.empty()) out.error = "truncated at " + std::to_string(pos);
            return false;
        }
        return true;
    };
    auto skipSubBlocks = [&]() {
        while (need(1)) {
            const size_t len = gif[pos++];
            if (len == 0) return true;
            if (!need(len)) return false;
            pos += len;
        }
        return false;
    };
    if (!need(13) || std::memcmp(gif.data(), "GIF89a", 6) != 0) {
        out.error = "no GIF89a header";
        return out;
    }
    if (Le16(gif, 6) != kPlaneWidth || Le16(gif, 8) != kPlaneHeight) out.error = "logical screen size";
    out.globalTable = (gif[10] & 0x80) != 0;
    pos = 13;
    if (out.globalTable) pos += size_t(3) << ((gif[10] & 7) + 1);
    HeartBlocks::Frame pending;
    while (out.error.empty() && need(1)) {
        const uint8_t introducer = gif[pos++];
        if (introducer == 0x3B) {
            out.trailer = true;
            break;
        }
        if (introducer == 0x21) {
            if (!need(2)) break;
            const uint8_t label = gif[pos++];
            if (label == 0xFF && gif[pos] == 11 && need(1 + 11 + 4) &&
                std::memcmp(&gif[pos + 1], "NETSCAPE2.0", 11) == 0 && gif[pos + 12] == 3 && gif[pos + 13] == 1) {
                out.loopCount = Le16(gif, pos + 14);
                out.loopBeforeFrame0 = out.frames.empty();
            } else if (label == 0xF9 && gif[pos] == 4 && need(5)) {
                const uint8_t packed = gif[pos + 1];
                pending.control = true;
                pending.disposal = (packed >> 2) & 7;
                pending.transparent = (packed & 1) != 0;
                pending.delay = Le16(gif, pos + 2);
                pending.transparentIndex = gif[pos + 4];
            }
            skipSubBlocks();
        } else if (introducer == 0x2C) {
            if (!need(9)) break;
            HeartBlocks::Frame frame = pending;
            pending = HeartBlocks::Frame();
            frame.left = Le16(gif, pos);
            frame.top = Le16(gif, pos + 2);
            frame.width = Le16(gif, pos + 4);
            frame.height = Le16(gif, pos + 6);
            const uint8_t packed = gif[pos + 8];
            frame.interlaced = (packed & 0x40) != 0;
            pos += 9;
            if (packed & 0x80) {
                frame.tableSize = 1 << ((packed & 7) + 1);
                if (!need(size_t(frame.tableSize) * 3)) break;
                frame.table.assign(gif.begin() + long(pos), gif.begin() + long(pos) + frame.tableSize * 3);
                pos += size_t(frame.tableSize) * 3;
            }
            if (!need(1)) break;
            ++pos;  // LZW minimum code size
            skipSubBlocks();
            out.frames.push_back(frame);
        } else {
            out.error = "unknown block " + std::to_string(introducer) + " at " + std::to_string(pos - 1);
        }
    }
    return out;
}

TEST(Artwork, HeartAnimationBlocks) {
    const HeartBlocks blocks = ParseHeartBlocks(ReadArtwork("liveheart.gif"));
    ASSERT_EQ(blocks.error, "");
    EXPECT_FALSE(blocks.globalTable);
    EXPECT_TRUE(blocks.loopBeforeFrame0);
    EXPECT_EQ(blocks.loopCount, 0);
    EXPECT_TRUE(blocks.trailer);
    ASSERT_EQ(blocks.frames.size(), size_t(kHeartFrames));
    for (int i = 0; i < kHeartFrames; ++i) {
        const HeartBlocks::Frame& f = blocks.frames[size_t(i)];
        SCOPED_TRACE("frame " + std::to_string(i));
        EXPECT_EQ(f.left, 0);
        EXPECT_EQ(f.top, 0);
        EXPECT_EQ(f.width, kPlaneWidth);
        EXPECT_EQ(f.height, kPlaneHeight);
        EXPECT_FALSE(f.interlaced);
        ASSERT_TRUE(f.control);
        EXPECT_EQ(f.disposal, 0);
        EXPECT_TRUE(f.transparent);
        EXPECT_EQ(f.transparentIndex, kHeartTransparentIndex);
        EXPECT_EQ(f.delay, i == kHeartFrames - 1 ? 50 : 2);
        ASSERT_EQ(f.tableSize, kHeartTableSize);
        // A grey ramp from 0 to 252 in steps of about 4, then black.
        for (int k = 0; k < kHeartTableSize; ++k) {
            const uint8_t r = f.table[size_t(k) * 3], g = f.table[size_t(k) * 3 + 1], b = f.table[size_t(k) * 3 + 2];
            ASSERT_TRUE(r == g && g == b) << "entry " << k;
            if (k >= 64) {
                ASSERT_EQ(r, 0) << "entry " << k;
            } else if (k > 0) {
                const int step = r - f.table[size_t(k - 1) * 3];
                ASSERT_GE(step, 3) << "entry " << k;
                ASSERT_LE(step, 5) << "entry " << k;
            }
        }
        EXPECT_EQ(f.table[0], 0);
        EXPECT_EQ(f.table[63 * 3], 252);
    }
}

TEST(Artwork, HeartAnimationBeatsTwiceWithinItsBounds) {
    int error = 0;
    GifFileType* gif = DGifOpenFileName(ArtworkPath("liveheart.gif").c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    ASSERT_EQ(gif->ImageCount, kHeartFrames);

    std::vector<std::vector<uint8_t>> pictures;  // distinct grey pictures in order of appearance
    std::vector<int> sequence;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        ASSERT_EQ(image.ImageDesc.Width, kPlaneWidth);
        ASSERT_EQ(image.ImageDesc.Height, kPlaneHeight);
        ASSERT_NE(image.ImageDesc.ColorMap, nullptr);
        const GifColorType* colours = image.ImageDesc.ColorMap->Colors;
        std::vector<uint8_t> grey(kPlaneWidth * kPlaneHeight);
        int litOutside = 0, usesTransparent = 0, brightest = 0;
        for (int p = 0; p < kPlaneWidth * kPlaneHeight; ++p) {
            const int index = image.RasterBits[p];
            if (index >= 64) ++usesTransparent;
            grey[size_t(p)] = colours[index].Red;
            const int x = p % kPlaneWidth, y = p / kPlaneWidth;
            if (grey[size_t(p)] != 0 && (x < 2 || x > 134 || y < 81)) ++litOutside;
            brightest = std::max(brightest, int(grey[size_t(p)]));
        }
        EXPECT_EQ(litOutside, 0);
        EXPECT_EQ(usesTransparent, 0);
        EXPECT_GE(brightest, 200);
        size_t id = 0;
        while (id < pictures.size() && pictures[id] != grey) ++id;
        if (id == pictures.size()) pictures.push_back(grey);
        sequence.push_back(int(id));
    }
    DGifCloseFile(gif, &error);

    // A B C D E D C B C D E D C B, the heart swelling from A to E.
    EXPECT_EQ(sequence, (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1, 2, 3, 4, 3, 2, 1}));
    ASSERT_EQ(pictures.size(), 5u);
    int previousLit = 0;
    for (const auto& picture : pictures) {
        const int lit = int(std::count_if(picture.begin(), picture.end(), [](uint8_t v) { return v != 0; }));
        EXPECT_GT(lit, previousLit);
        previousLit = lit;
    }
}

TEST(Artwork, HeartAnimationResourceIsTheFile) {
    const Bytes gif = ReadArtwork("liveheart.gif");
    const TResourceBytes res = FindResourceBytes(TResourceType::RawData, "LIVEHEART");
    ASSERT_EQ(res.Size, gif.size());
    EXPECT_EQ(std::memcmp(res.Data, gif.data(), res.Size), 0);
}

// ---------------------------------------------------------------------------------------------
// JPEG pictures

struct JpegErrorExit {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

struct RgbPicture {
    bool ok = false;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3]; }
};

RgbPicture DecodeJpeg(const Bytes& data) {
    RgbPicture out;
    jpeg_decompress_struct cinfo;
    JpegErrorExit err;
    cinfo.err = jpeg_std_error(&err.base);
    err.base.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JpegErrorExit*>(c->err)->jump, 1); };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return RgbPicture();
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = int(cinfo.output_width);
    out.height = int(cinfo.output_height);
    out.rgb.resize(size_t(out.width) * size_t(out.height) * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rgb[size_t(cinfo.output_scanline) * size_t(out.width) * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out.ok = true;
    return out;
}

TEST(Artwork, JpegPicturesDecodeAtTheirSizes) {
    struct Case { const char* file; const char* resource; int width, height; };
    const Case cases[] = {
        {"image_error.jpg", "IMAGE_ERROR", 300, 150},
        {"logo0.jpg", "LOGO0", 130, 120},
        {"logo1.jpg", "LOGO1", 130, 120},
        {"logo2.jpg", "LOGO2", 130, 120},
        {"logo3.jpg", "LOGO3", 130, 120},
        {"logo4.jpg", "LOGO4", 130, 120},
        {"logo5.jpg", "LOGO5", 130, 120},
        {"about_bear.jpg", "ABOUT_BEAR", 135, 110},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes data = ReadArtwork(c.file);
        const RgbPicture picture = DecodeJpeg(data);
        ASSERT_TRUE(picture.ok);
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
        const TResourceBytes res = FindResourceBytes(TResourceType::RawData, c.resource);
        ASSERT_EQ(res.Size, data.size());
        EXPECT_EQ(std::memcmp(res.Data, data.data(), res.Size), 0);
    }
}

TEST(Artwork, SamplePictureIsAJpegFile) {
    const RgbPicture picture = DecodeJpeg(ReadArtwork("sample.jpg"));
    ASSERT_TRUE(picture.ok);
    EXPECT_EQ(picture.width, 640);
    EXPECT_EQ(picture.height, 480);
}

TEST(Artwork, ErrorPictureIsLightTextOnDialogGrey) {
    const RgbPicture picture = DecodeJpeg(ReadArtwork("image_error.jpg"));
    ASSERT_TRUE(picture.ok);
    ASSERT_EQ(picture.width, 300);
    ASSERT_EQ(picture.height, 150);
    const int corners[][2] = {{2, 2}, {297, 2}, {2, 147}, {297, 147}};
    for (const auto& xy : corners)
        for (int ch = 0; ch < 3; ++ch) EXPECT_NEAR(picture.At(xy[0], xy[1])[ch], 85, 3) << xy[0] << "," << xy[1];
    int lightText = 0;  // the message, right of the glyph
    for (int y = 0; y < 150; ++y)
        for (int x = 110; x < 300; ++x)
            if (picture.At(x, y)[0] > 200 && picture.At(x, y)[1] > 200 && picture.At(x, y)[2] > 200) ++lightText;
    EXPECT_GT(lightText, 300);
}

TEST(Artwork, LogoTitleBandHasNoRedAndTheHeartGrows) {
    int previousHeart = 0;
    for (int n = 0; n <= 5; ++n) {
        SCOPED_TRACE("logo" + std::to_string(n));
        const RgbPicture picture = DecodeJpeg(ReadArtwork("logo" + std::to_string(n) + ".jpg"));
        ASSERT_TRUE(picture.ok);
        ASSERT_EQ(picture.width, 130);
        ASSERT_EQ(picture.height, 120);
        int bandRed = 0, heart = 0;
        for (int y = 0; y < picture.height; ++y)
            for (int x = 0; x < picture.width; ++x) {
                const int red = picture.At(x, y)[0];
                if (y < 25 && red > 100) ++bandRed;
                if (y > 25 && x > 38 && red > 100) ++heart;  // what the hover test takes for the heart
            }
        EXPECT_EQ(bandRed, 0);
        EXPECT_GT(heart, previousHeart);
        previousHeart = heart;
        // The grey background around the heart is not taken for it.
        EXPECT_LE(picture.At(42, 40)[0], 100);
        EXPECT_LE(picture.At(126, 30)[0], 100);
    }
}

// ---------------------------------------------------------------------------------------------
// Menu icon

TEST(Artwork, MenuHeartIsRedWithAlpha) {
    const Bytes data = ReadArtwork("menu_heart.png");
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_memory(&image, data.data(), data.size())) << image.message;
    EXPECT_EQ(image.width, 16u);
    EXPECT_EQ(image.height, 17u);
    EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) << image.message;
    auto px = [&](int x, int y) { return &rgba[(size_t(y) * image.width + size_t(x)) * 4]; };
    EXPECT_EQ(px(0, 16)[3], 0);   // outside the heart's tip
    EXPECT_EQ(px(15, 16)[3], 0);
    const uint8_t* centre = px(8, 8);
    EXPECT_EQ(centre[3], 255);
    EXPECT_GT(centre[0], 2 * centre[1]);
    EXPECT_GT(centre[0], 2 * centre[2]);
    const TResourceBytes res = FindResourceBytes(TResourceType::RawData, "MENU_HEART");
    EXPECT_EQ(res.Size, data.size());
}

// The settings dialog's page-button pictures: 56 x 56 with alpha, transparent corners, an opaque
// middle, embedded as they are.
TEST(Artwork, PageButtonPicturesHaveAlpha) {
    struct Case { const char* file; const char* resource; };
    for (const Case& c : {Case{"btn_options.png", "BTN_OPTIONS"}, Case{"btn_about.png", "BTN_ABOUT"}}) {
        SCOPED_TRACE(c.file);
        const Bytes data = ReadArtwork(c.file);
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        ASSERT_TRUE(png_image_begin_read_from_memory(&image, data.data(), data.size())) << image.message;
        EXPECT_EQ(image.width, 56u);
        EXPECT_EQ(image.height, 56u);
        EXPECT_TRUE(image.format & PNG_FORMAT_FLAG_ALPHA);
        image.format = PNG_FORMAT_RGBA;
        std::vector<uint8_t> rgba(PNG_IMAGE_SIZE(image));
        ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgba.data(), 0, nullptr)) << image.message;
        auto alpha = [&](int x, int y) { return rgba[(size_t(y) * image.width + size_t(x)) * 4 + 3]; };
        EXPECT_EQ(alpha(0, 0), 0);
        EXPECT_EQ(alpha(55, 0), 0);
        EXPECT_EQ(alpha(0, 55), 0);
        EXPECT_EQ(alpha(18, 28), 255);
        const TResourceBytes res = FindResourceBytes(TResourceType::RawData, c.resource);
        EXPECT_EQ(res.Size, data.size());
    }
}

}  // namespace
