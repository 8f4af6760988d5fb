// Pictures Windows draws: metafiles played through the canvas's device context, and the
// built-in JPEG pictures as plain bitmaps.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "uClasses.h"
#include "uGraphicUtils_win.h"
#include "uGraphics.h"
#include "uMetafile.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {

// An enhanced metafile of about 40 x 20 pixels whose left half is a solid blue rectangle.
std::vector<uint8_t> MakeEnhMetafile() {
    HDC screen = GetDC(nullptr);
    const int mmX = GetDeviceCaps(screen, HORZSIZE), pxX = GetDeviceCaps(screen, HORZRES);
    const int mmY = GetDeviceCaps(screen, VERTSIZE), pxY = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
    const RECT frame{0, 0, MulDiv(40, mmX * 100, pxX), MulDiv(20, mmY * 100, pxY)};
    HDC dc = CreateEnhMetaFileW(nullptr, nullptr, &frame, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    const RECT left{0, 0, 20, 20};
    FillRect(dc, &left, brush);
    DeleteObject(brush);
    HENHMETAFILE metafile = CloseEnhMetaFile(dc);
    std::vector<uint8_t> bytes(GetEnhMetaFileBits(metafile, 0, nullptr));
    GetEnhMetaFileBits(metafile, static_cast<UINT>(bytes.size()), bytes.data());
    DeleteEnhMetaFile(metafile);
    return bytes;
}

}  // namespace

TEST(PictureWindows, MetafileCoverageBecomesAlpha) {
    const std::vector<uint8_t> bytes = MakeEnhMetafile();
    TMetafile metafile;
    TMemoryStream stream(bytes.data(), bytes.size());
    metafile.LoadFromStream(stream);
    ASSERT_GE(metafile.Width(), 38);
    ASSERT_GE(metafile.Height(), 18);
    TBitmap32 bitmap;
    bitmap.Assign(&metafile);
    ASSERT_EQ(bitmap.Width(), metafile.Width());
    EXPECT_EQ(bitmap.GetPixel(5, bitmap.Height() / 2), 0xFF0000FFu);          // drawn: opaque blue
    EXPECT_EQ(bitmap.GetPixel(bitmap.Width() - 3, 2), 0x00FFFFFFu);           // untouched: transparent
}

TEST(PictureWindows, MetafileFilesLoadOrFailCleanly) {
    if (!VELMORA_CORPUS_PRESENT) GTEST_SKIP() << "sample pictures not found at " << VELMORA_CORPUS;
    RegisterPictureFormats();
    const char* const files[] = {"wmf/pillow-drawing.wmf", "wmf/imagemagick-clock.wmf", "emf/pillow-drawing.emf",
                                 "emf/libemf2svg-test-007.emf", "emf/libemf2svg-test-030.emf"};
    int loaded = 0;
    for (const char* file : files) {
        TBitmap32 bitmap;
        try {
            bitmap.LoadFromFile(std::string(VELMORA_CORPUS) + "/" + file);
            ++loaded;
            EXPECT_FALSE(bitmap.Empty()) << file;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), "Metafile is not valid") << file;
        }
    }
    EXPECT_GE(loaded, 3);
    const uint8_t junk[] = {1, 0, 9, 0, 0, 3, 0xFF, 0xFF, 0xFF, 0xFF};
    TMetafile metafile;
    TMemoryStream stream(junk, sizeof junk);
    EXPECT_THROW(metafile.LoadFromStream(stream), EInvalidGraphic);
    EXPECT_EQ(metafile.Width(), 0);
}

TEST(PictureWindows, JpegResourceAsPlainBitmap) {
    HBITMAP bitmap = nullptr;
    LoadJpegResource(bitmap, "LOGO0");
    ASSERT_NE(bitmap, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBm.bmWidth, 130);
    EXPECT_EQ(section.dsBm.bmHeight, 120);
    EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
    EXPECT_THROW(LoadJpegResource(bitmap, "NO_SUCH_PICTURE"), EResNotFound);
    EXPECT_NE(bitmap, nullptr);  // kept
    DeleteObject(bitmap);
}
