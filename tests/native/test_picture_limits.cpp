// Pictures that declare more than their files hold, sizes that wrap a 32-bit size_t, and running
// out of memory: each ends in an error the caller can show, and nothing is allocated for pixel
// data that is not there.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "test_picture_support.h"
#include "uBitmapGraphic.h"
#include "uClasses.h"
#include "uGIFImage.h"
#include "uGraphics.h"
#include "uIconGraphic.h"
#include "uPNGImage.h"
#include "uPSDGraphic.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"
#include "uTIFFGraphic.h"

using namespace picture_test;

namespace {

constexpr int32_t Huge = 16384;                      // 16384 x 16384 = 2^28 pixels, the limit
constexpr size_t SmallAllocation = size_t{16} << 20;  // far below a picture of that size

void PutU16BE(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void PutU32BE(std::vector<uint8_t>& out, uint32_t v) {
    PutU16BE(out, v >> 16);
    PutU16BE(out, v & 0xFFFF);
}

// A little-endian TIFF of one 8-bit grey strip with the given compression and strip place.
std::vector<uint8_t> GreyTiff(uint32_t width, uint32_t height, uint16_t compression, uint32_t stripOffset,
                              uint32_t stripBytes, const std::vector<uint8_t>& strip = {}) {
    std::vector<uint8_t> t = {'I', 'I', 42, 0};
    PutU32(t, 8);
    const uint32_t entries[][3] = {{256, 4, width}, {257, 4, height},      {258, 3, 8},           {259, 3, compression},
                                   {262, 3, 1},     {273, 4, stripOffset}, {277, 3, 1},           {278, 4, height},
                                   {279, 4, stripBytes}};
    PutU16(t, sizeof entries / sizeof entries[0]);
    for (const auto& e : entries) {
        PutU16(t, e[0]);
        PutU16(t, e[1]);
        PutU32(t, 1);
        if (e[1] == 3) {
            PutU16(t, e[2]);
            PutU16(t, 0);
        } else {
            PutU32(t, e[2]);
        }
    }
    PutU32(t, 0);
    t.insert(t.end(), strip.begin(), strip.end());
    return t;
}

// A PNG of the given size and colour type whose image data is a few deflated zero bytes.
std::vector<uint8_t> ShortPng(uint32_t width, uint32_t height) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    auto chunk = [&](const char* type, const std::vector<uint8_t>& data) {
        PutU32BE(png, static_cast<uint32_t>(data.size()));
        std::vector<uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        PutU32BE(png, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
    };
    std::vector<uint8_t> header;
    PutU32BE(header, width);
    PutU32BE(header, height);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA
    chunk("IHDR", header);
    const uint8_t zeros[64] = {};
    std::vector<uint8_t> packed(compressBound(sizeof zeros));
    uLongf packedSize = packed.size();
    compress(packed.data(), &packedSize, zeros, sizeof zeros);
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return png;
}

struct TDeclaredCase {
    const char* Name;
    std::function<void()> Load;
    const char* Message;
};

}  // namespace

// A few header bytes claim a picture at the pixel limit; the decoders find the data missing before
// they reserve memory for it.
TEST(PictureLimits, MissingDataIsFoundBeforeThePictureIsAllocated) {
    if (!TLargestAllocation::Available()) GTEST_SKIP() << "allocations are seen only under AddressSanitizer";
    const std::vector<uint8_t> bmp24 = MakeBmp({Huge, Huge, 24, 0, {}, {}, {0, 0, 0, 0}});
    // RLE8: one run, then the data ends without an end-of-bitmap code.
    const std::vector<uint8_t> rle8 = MakeBmp({Huge, Huge, 8, 1, {0, 0xFFFFFF}, {}, {4, 1}});
    const std::vector<uint8_t> rawTiff = GreyTiff(Huge, Huge, 1, 122, uint32_t{Huge} * Huge);
    const std::vector<uint8_t> packedTiff = GreyTiff(Huge, Huge, 32773, 4000, 100);
    const std::vector<uint8_t> png = ShortPng(Huge, Huge);
    const TDeclaredCase cases[] = {
        {"24-bit bitmap", [&] { TBitmap().LoadFromBytes(bmp24.data(), bmp24.size()); }, "Bitmap image is not valid"},
        {"RLE8 bitmap", [&] { TBitmap().LoadFromBytes(rle8.data(), rle8.size()); }, "Bitmap image is not valid"},
        {"uncompressed TIFF",
         [&] { TTIFFGraphic().LoadFromBytes(rawTiff.data(), rawTiff.size()); }, "Stream read error in TIFF file."},
        {"PackBits TIFF with its strip beyond the file",
         [&] { TTIFFGraphic().LoadFromBytes(packedTiff.data(), packedTiff.size()); }, "Stream read error in TIFF file."},
        {"PNG", [&] { TPNGObject().LoadFromBytes(png.data(), png.size()); }, "Read Error"},
    };
    for (const TDeclaredCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TLargestAllocation probe;
        try {
            c.Load();
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_LT(probe.Bytes(), SmallAllocation);
    }
}

// The same checks let pictures through whose files really hold them.
TEST(PictureLimits, PicturesThatHoldTheirDataStillLoad) {
    // RLE8 that ends at once: every pixel keeps index 0.
    const std::vector<uint8_t> rle8 = MakeBmp({2048, 2048, 8, 1, {0x123456, 0xFFFFFF}, {}, {0, 1}});
    TBitmap bitmap;
    bitmap.LoadFromBytes(rle8.data(), rle8.size());
    ASSERT_EQ(bitmap.Width(), 2048);
    EXPECT_EQ(bitmap.Pixels().back(), 0xFF123456u);

    std::vector<uint8_t> rows(size_t{1024} * 1024, 0x80);
    const std::vector<uint8_t> rawTiff = GreyTiff(1024, 1024, 1, 122, 1024 * 1024, rows);
    TTIFFGraphic tiff;
    tiff.LoadFromBytes(rawTiff.data(), rawTiff.size());
    ASSERT_EQ(tiff.Height(), 1024);
    EXPECT_EQ(tiff.Pixels().back(), 0xFF808080u);
}

// An icon's picture is decoded once and kept, not copied: a picture near the size limit fits
// the memory a bitmap of its size would need.
TEST(PictureLimits, IconsHoldTheirPictureOnce) {
    if (!TLargestAllocation::Available()) GTEST_SKIP() << "allocations are seen only under AddressSanitizer";
    // A 4096 x 4096 RLE8 colour part (declared at twice the height, with its mask) that ends at once.
    TBmpSpec dib{4096, 2 * 4096, 8, 1, {0x123456, 0xFFFFFF}, {}, {0, 1}};
    dib.FileHeader = false;
    const std::vector<uint8_t> bits = MakeBmp(dib);
    std::vector<uint8_t> ico = {0, 0, 1, 0, 1, 0, 0, 0, 2, 0, 1, 0, 8, 0};
    PutU32(ico, static_cast<uint32_t>(bits.size()));
    PutU32(ico, 22);
    ico.insert(ico.end(), bits.begin(), bits.end());
    const size_t pictureBytes = size_t{4096} * 4096 * sizeof(TColor32);

    TLargestAllocation probe;
    TIcon icon;
    icon.LoadFromBytes(ico.data(), ico.size());
    ASSERT_EQ(icon.Width(), 4096);
    ASSERT_EQ(icon.Height(), 4096);
    EXPECT_EQ(icon.Pixels().back() & 0x00FFFFFFu, 0x123456u);
    EXPECT_LT(probe.PeakBytes(), pictureBytes + pictureBytes / 2);
}

namespace {

// Picture kinds whose reading runs out of memory, as a decoder does when a picture is too large
// for the process.
class TStarvedRaster : public TRasterGraphic {
public:
    const char* ClassName() const override { return "TStarvedRaster"; }

protected:
    void DecodeBytes(const uint8_t*, size_t) override {
        SetPictureSize(4, 4, "test");
        throw std::bad_alloc();
    }
};

class TStarvedGraphic : public TGraphic {
public:
    const char* ClassName() const override { return "TStarvedGraphic"; }
    int32_t Width() const override { return 0; }
    int32_t Height() const override { return 0; }
    void Draw(TCanvas&, const TRect&) const override {}

protected:
    void ReadStream(TStream&) override { std::vector<uint8_t>().reserve(SIZE_MAX / 2 + 1); }
};

}  // namespace

TEST(PictureLimits, RunningOutOfMemoryIsAnErrorTheCallerCanShow) {
    const uint8_t bytes[4] = {1, 2, 3, 4};
    TStarvedRaster raster;
    TMemoryStream stream(bytes, sizeof bytes);
    EXPECT_THROW(
        try { raster.LoadFromStream(stream); } catch (const EOutOfResources& e) {
            EXPECT_STREQ(e.what(), "Out of memory");
            throw;
        },
        EOutOfResources);
    EXPECT_TRUE(raster.Empty());
    EXPECT_TRUE(raster.Pixels().empty());
    EXPECT_THROW(raster.LoadFromBytes(bytes, sizeof bytes), EOutOfResources);

    TStarvedGraphic graphic;  // a kind with a reading of its own, like GIF
    TMemoryStream again(bytes, sizeof bytes);
    EXPECT_THROW(graphic.LoadFromStream(again), EOutOfResources);
}

// 4 channels of 32-bit samples at 16384 x 16384 make planes of 2^32 bytes, which wrap a 32-bit
// size_t to 0. Only the 32-bit program can show it: there the picture now loads or fails with the
// out-of-memory error, never writes through a wrapped buffer.
TEST(PictureLimits, DeepPhotoshopPlanesDoNotWrapA32BitSize) {
    if (sizeof(size_t) > 4) GTEST_SKIP() << "needs a 32-bit size_t (the i686 program)";
    std::vector<uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
    PutU16BE(psd, 4);  // channels: RGB and alpha
    PutU32BE(psd, Huge);
    PutU32BE(psd, Huge);
    PutU16BE(psd, 32);
    PutU16BE(psd, 3);  // RGB
    PutU32BE(psd, 0);  // colour data, image resources, layers
    PutU32BE(psd, 0);
    PutU32BE(psd, 0);
    PutU16BE(psd, 1);  // PackBits
    // Every row: 512 runs of 128 zero bytes, 2 bytes each.
    const uint32_t rowBytes = 512 * 2;
    for (int i = 0; i < 4 * Huge; ++i) PutU16BE(psd, rowBytes);
    std::vector<uint8_t> row;
    for (int run = 0; run < 512; ++run) row.insert(row.end(), {0x81, 0});
    for (int i = 0; i < 4 * Huge; ++i) psd.insert(psd.end(), row.begin(), row.end());
    TPSDGraphic picture;
    try {
        picture.LoadFromBytes(psd.data(), psd.size());
        EXPECT_EQ(picture.Width(), Huge);
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Out of memory");
    }
}

namespace {

// A stream of zeros that claims 4 GB and 16 bytes, more than a 32-bit process can address.
class TBeyondAddressSpace : public TStream {
public:
    size_t Read(void* buffer, size_t count) override {
        std::memset(buffer, 0, count);
        FPosition += static_cast<int64_t>(count);
        return count;
    }
    int64_t Size() const override { return (int64_t{1} << 32) + 16; }
    int64_t Position() const override { return FPosition; }
    void SetPosition(int64_t position) override { FPosition = position; }

private:
    int64_t FPosition = 0;
};

}  // namespace

// Such a file is the out-of-memory error for every picture kind, never a read of the 16 bytes
// its size keeps when narrowed to 32 bits.
TEST(PictureLimits, FilesBeyondTheAddressSpaceAreOutOfMemory) {
    if (sizeof(size_t) > 4) GTEST_SKIP() << "needs a 32-bit size_t (the i686 program)";
    const std::vector<std::pair<const char*, std::function<void(TStream&)>>> readers = {
        {"stream", [](TStream& stream) { stream.ReadRest(); }},
        {"bitmap", [](TStream& stream) { TBitmap().LoadFromStream(stream); }},
        {"GIF", [](TStream& stream) { TGIFImage().LoadFromStream(stream); }},
    };
    for (const auto& [name, read] : readers) {
        SCOPED_TRACE(name);
        TBeyondAddressSpace stream;
        try {
            read(stream);
            ADD_FAILURE() << "read without an error";
        } catch (const EOutOfResources& e) {
            EXPECT_STREQ(e.what(), "Out of memory");
        }
    }
}
