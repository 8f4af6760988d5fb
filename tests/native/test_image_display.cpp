// The picture display controls' arithmetic and painting, and the open dialog's file texts.
#include <gtest/gtest.h>

#include <vector>

#include "uDraftResampler.h"
#include "uImageDisplay.h"
#include "uPictureFileInfo.h"

namespace {

struct FitCase {
    int32_t bitmapWidth, bitmapHeight;
    int32_t shownWidth, shownHeight, left, top;
};

TEST(ImageDisplay, OptimalScaleFitsLargePicturesAndCentresThem) {
    const FitCase cases[] = {
        {100, 50, 100, 50, 88, 176},    // smaller than the control: own size, centred
        {800, 600, 277, 208, 0, 97},    // wider: rx = 277/800 < ry; 600 * 0.34625 = 207.75
        {277, 402, 277, 402, 0, 0},     // exactly the control
        {300, 2000, 60, 402, 108, 0},   // taller: ry = 402/2000, 300 * 0.201 = 60.3
        {5000, 1, 277, 0, 0, 201},      // a side below one pixel becomes 0
    };
    for (const FitCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bitmapWidth << "x" << c.bitmapHeight);
        const TShownSize shown = ShownSize(smOptimal, 1.0f, c.bitmapWidth, c.bitmapHeight, 277, 402);
        EXPECT_EQ(shown.Width, c.shownWidth);
        EXPECT_EQ(shown.Height, c.shownHeight);
        const TRect r = AlignedRect(baCenter, 277, 402, shown);
        EXPECT_EQ(r.Left, c.left);
        EXPECT_EQ(r.Top, c.top);
    }
    EXPECT_EQ(ShownSize(smOptimal, 1.0f, 0, 0, 277, 402), TShownSize{});
    EXPECT_EQ(ShownSize(smOptimal, 1.0f, 100, 50, 0, 402), TShownSize{});
    EXPECT_EQ(ShownSize(smScale, 0.5f, 101, 50, 277, 402), (TShownSize{50, 25}));  // 50.5 ties to even
}

TEST(ImageDisplay, ViewScaleHasAFloorAndCentresByRounding) {
    EXPECT_FLOAT_EQ(ClampViewScale(0.0001f), 0.001f);
    EXPECT_FLOAT_EQ(ClampViewScale(-1.0f), 0.001f);
    EXPECT_FLOAT_EQ(ClampViewScale(0.5f), 0.5f);
    // 4000 x 3000 at the floor: 4 x 3, centred in 145 x 139 at round(70.5) = 70, round(68) = 68.
    EXPECT_EQ(ViewRect(145, 139, 4000, 3000, 0.0001f, true), Rect(70, 68, 74, 71));
    // 4000 x 3000 at 0.0348 in 145 x 139: 139 x 104 at (3, round(17.5) = 18).
    EXPECT_EQ(ViewRect(145, 139, 4000, 3000, 0.0348f, true), Rect(3, 18, 142, 122));
    EXPECT_EQ(ViewRect(145, 139, 32, 32, 1.0f, false), Rect(0, 0, 32, 32));
    EXPECT_EQ(ViewRect(10, 10, 32, 32, 1.0f, true), Rect(0, 0, 32, 32));  // larger than the view
}

TEST(ImageDisplay, BackgroundBandsSurroundTheShownRectangle) {
    const std::vector<TRect> bands = BackgroundBands(277, 402, Rect(88, 176, 188, 226));
    const std::vector<TRect> expected = {Rect(0, 0, 277, 176), Rect(0, 226, 277, 402), Rect(0, 176, 88, 226),
                                         Rect(188, 176, 277, 226)};
    EXPECT_EQ(bands, expected);
    EXPECT_TRUE(BackgroundBands(277, 402, Rect(0, 0, 277, 402)).empty());
    EXPECT_EQ(BackgroundBands(277, 402, Rect(0, 97, 277, 305)).size(), 2u);
    EXPECT_EQ(BackgroundBands(10, 10, Rect(20, 20, 30, 30)), std::vector<TRect>{Rect(0, 0, 10, 10)});
}

// A control of 40 x 30 showing a 10 x 6 picture: the stages paint the background bands, the
// picture and then an inserted custom stage, in list order.
class DisplayPainting : public testing::Test {
protected:
    void SetUp() override {
        RegisterDraftResamplers();
        buffer.SetSize(40, 30);
        buffer.Clear(0x12345678);
        picture.SetSize(10, 6);
        picture.Clear(Color32(200, 0, 0));
        paint.Bitmap = &picture;
        paint.Color = Color32(85, 85, 85, 0);  // alpha is made opaque
        paint.Shown = AlignedRect(baCenter, 40, 30, ShownSize(smOptimal, 1.0f, 10, 6, 40, 30));
    }
    TBitmap32 buffer, picture;
    TDisplayPaint paint;
    TPaintStages stages;
};

TEST_F(DisplayPainting, DefaultStagesPaintBackgroundAndPicture) {
    ASSERT_EQ(stages.Count(), 5);
    EXPECT_FALSE(stages[1].RunTime);
    EXPECT_TRUE(stages[1].DsgnTime);
    PaintDisplayStages(buffer, stages, paint);
    EXPECT_EQ(paint.Shown, Rect(15, 12, 25, 18));
    EXPECT_EQ(buffer.GetPixel(0, 0), Color32(85, 85, 85));
    EXPECT_EQ(buffer.GetPixel(39, 29), Color32(85, 85, 85));
    EXPECT_EQ(buffer.GetPixel(14, 12), Color32(85, 85, 85));
    EXPECT_EQ(buffer.GetPixel(15, 12), Color32(200, 0, 0));
    EXPECT_EQ(buffer.GetPixel(24, 17), Color32(200, 0, 0));
    EXPECT_EQ(buffer.GetPixel(25, 17), Color32(85, 85, 85));
}

TEST_F(DisplayPainting, EmptyBitmapShowsTheColourEverywhere) {
    picture.SetSize(0, 0);
    PaintDisplayStages(buffer, stages, paint);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(buffer.GetPixel(x, y), Color32(85, 85, 85));
}

TEST_F(DisplayPainting, CustomStageAtFourRunsAfterThePictureBeforeTheLayers) {
    std::vector<int32_t> calls;
    stages.Insert(4);
    ASSERT_EQ(stages.Count(), 6);
    EXPECT_EQ(stages[4].Stage, PST_CUSTOM);
    EXPECT_TRUE(stages[4].RunTime);
    EXPECT_FALSE(stages[4].DsgnTime);
    EXPECT_EQ(stages[5].Stage, PST_DRAW_LAYERS);
    paint.OnPaintStage = [&](TBitmap32& target, int32_t stage) {
        calls.push_back(stage);
        EXPECT_EQ(target.GetPixel(15, 12), Color32(200, 0, 0));  // the picture is already there
        target.FrameRect(paint.Shown, Color32(0, 0, 0));
    };
    PaintDisplayStages(buffer, stages, paint);
    EXPECT_EQ(calls, std::vector<int32_t>{4});
    EXPECT_EQ(buffer.GetPixel(15, 12), Color32(0, 0, 0));
    EXPECT_EQ(buffer.GetPixel(24, 17), Color32(0, 0, 0));
    EXPECT_EQ(buffer.GetPixel(16, 13), Color32(200, 0, 0));
}

TEST(PictureFileInfo, FileSizeInKilobytesUpToOneMegabyte) {
    const TNumberSeparators english;
    const struct {
        uint64_t size;
        const char* text;
    } cases[] = {
        {0, "0.00KB"},          {1023, "1.00KB"},        {1048576, "1,024.00KB"},
        {1048577, "1.00MB"},    {5368709120, "5,120.00MB"}, {1234567890123, "1,177,375.69MB"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.size, english), c.text) << c.size;
    const TNumberSeparators german{".", ","};
    EXPECT_EQ(FormatFileSize(1048576, german), "1.024,00KB");
    const TNumberSeparators none{"", "."};
    EXPECT_EQ(FormatFileSize(1048576, none), "1024.00KB");
}

TEST(PictureFileInfo, TypeTextIsTheUpperCaseExtension) {
    const struct {
        const char* path;
        const char* type;
    } cases[] = {
        {"C:\\pictures\\photo.jpeg", "JPEG"}, {"C:\\pictures\\photo.Jpg", "JPG"}, {"C:\\pictures\\README", ""},
        {"C:\\my.pictures\\README", ""},      {"C:\\pictures\\archive.tar.gz", "GZ"}, {"C:\\图片\\照片.png", "PNG"},
        {"C:\\pictures\\trailing.", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PictureTypeText(c.path), c.type) << c.path;
}

TEST(PictureFileInfo, PreviewScaleShrinksToNinetySixPercentAndNeverEnlarges) {
    EXPECT_NEAR(PreviewScale(145, 139, 4000, 3000), 0.0348f, 1e-6f);
    EXPECT_FLOAT_EQ(PreviewScale(145, 139, 32, 32), 1.0f);
    EXPECT_NEAR(PreviewScale(145, 139, 100, 1000), 139.0f / 1000 * 0.96f, 1e-6f);
}

TEST(PictureFileInfo, DirectoryPartEndsWithTheLastSeparatorOrDriveColon) {
    const struct {
        const char* path;
        const char* folder;
    } cases[] = {
        {"C:\\Program Files\\Velmora\\sample.jpg", "C:\\Program Files\\Velmora\\"},
        {"D:photo.jpg", "D:"},
        {"photo.jpg", ""},
        {"", ""},
        {"\\\\server\\share\\图片\\a.png", "\\\\server\\share\\图片\\"},
        {"Z:/work/pictures/a.png", "Z:/work/pictures/"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
}

TEST(PictureFileInfo, CaptionKeepsItsBlanks) {
    EXPECT_EQ(PreviewCaption(4000, 3000, "1.00MB", "", "2026/12/10 9:30:00"),
              "文件类型: 4000x3000  1.00MB  \r\n最后修改: 2026/12/10 9:30:00      ");
}

}  // namespace
