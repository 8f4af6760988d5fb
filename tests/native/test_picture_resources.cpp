// Built-in JPEG pictures decoded from raw-data resources.
#include <gtest/gtest.h>

#include "test_picture_support.h"
#include "uClasses.h"
#include "uGraphicUtils.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

using namespace picture_test;

TEST(PictureResources, JpegResourceLoadsOpaqueAndErrorsLeaveTheTarget) {
    VELMORA_NEEDS_CORPUS();
    static const std::vector<uint8_t> jpeg = ReadFileBytes(CorpusPath("jpe/imagemagick-objects.jpe"));
    static const std::vector<uint8_t> png = ReadFileBytes(CorpusPath("png/sdl2-image-sample.png"));
    ASSERT_FALSE(jpeg.empty());
    RegisterResourceBytes(TResourceType::RawData, "TEST_JPEG", jpeg.data(), jpeg.size());
    RegisterResourceBytes(TResourceType::RawData, "TEST_NOT_JPEG", png.data(), png.size());

    TBitmap32 bitmap;
    LoadJpegResource(bitmap, "TEST_JPEG");
    ASSERT_EQ(bitmap.Width(), 256);
    ASSERT_EQ(bitmap.Height(), 171);
    const TColor32* p = bitmap.Pixels();
    for (int i = 0; i < 256 * 171; ++i) {
        ASSERT_EQ(p[i] >> 24, 255u) << i;
        // A greyscale JPEG: R = G = B.
        ASSERT_EQ((p[i] >> 16) & 0xFF, p[i] & 0xFF) << i;
        ASSERT_EQ((p[i] >> 8) & 0xFF, p[i] & 0xFF) << i;
    }

    const TColor32 first = bitmap.GetPixel(0, 0);
    try {
        LoadJpegResource(bitmap, "NO_SUCH_PICTURE");
        ADD_FAILURE() << "loaded";
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NO_SUCH_PICTURE not found");
    }
    EXPECT_THROW(LoadJpegResource(bitmap, "TEST_NOT_JPEG"), EJPEG);
    EXPECT_EQ(bitmap.Width(), 256);
    EXPECT_EQ(bitmap.GetPixel(0, 0), first);
}

// The program's own pictures decode to their sizes; the cooling map to opaque greys.
TEST(PictureResources, BuiltInPicturesDecode) {
    struct TCase {
        const char* Name;
        int Width, Height;
    };
    const TCase cases[] = {{"IMAGE_ERROR", 300, 150}, {"LOGO0", 130, 120}, {"LOGO5", 130, 120}};
    for (const TCase& c : cases) {
        TBitmap32 bitmap;
        LoadJpegResource(bitmap, c.Name);
        EXPECT_EQ(bitmap.Width(), c.Width) << c.Name;
        EXPECT_EQ(bitmap.Height(), c.Height) << c.Name;
    }
    TBitmap32 cooling;
    cooling.LoadFromResourceName("COOLINGMAP");
    ASSERT_FALSE(cooling.Empty());
    for (int i = 0; i < cooling.Width() * cooling.Height(); ++i) {
        const TColor32 c = cooling.Pixels()[i];
        ASSERT_EQ(c >> 24, 255u);
        ASSERT_EQ(Intensity(c), c & 0xFF);
        ASSERT_EQ((c >> 16) & 0xFF, c & 0xFF);
    }
}
