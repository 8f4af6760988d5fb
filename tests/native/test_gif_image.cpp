// Decoding GIF streams and drawing their still picture.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "gif_fixtures.h"
#include "test_picture_support.h"
#include "uClasses.h"
#include "uGIFImage.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

namespace {

const TColor32 Red = Color32(255, 0, 0), Green = Color32(0, 255, 0), Blue = Color32(0, 0, 255),
               Yellow = Color32(255, 255, 0), White = Color32(255, 255, 255);

// 4 × 4 screen, a global table of four colours and one full-screen frame; no extensions, so the
// image descriptor starts at byte 25 and the LZW code size is byte 35.
std::vector<uint8_t> PlainGIF() {
    TGIFFixture fixture;
    fixture.Width = 4;
    fixture.Height = 4;
    fixture.GlobalTable = {Red, Green, Blue, Yellow};
    TGIFFixtureFrame frame = SolidFrame(0, 0, 4, 4, 1);
    fixture.Frames = {frame};
    return EncodeGIF(fixture);
}

// 4 × 3 screen; frame 0 is 2 × 2 at (1, 1) with indices 0 1 / 2 3, 3 transparent.
std::vector<uint8_t> TransparentGIF() {
    TGIFFixture fixture;
    fixture.Width = 4;
    fixture.Height = 3;
    fixture.GlobalTable = {Red, Green, Blue, Yellow};
    TGIFFixtureFrame first = SolidFrame(1, 1, 2, 2, 0);
    first.Indices = {0, 1, 2, 3};
    first.WithControl = true;
    first.TransparentIndex = 3;
    fixture.Frames = {first, SolidFrame(0, 0, 4, 3, 2)};
    return EncodeGIF(fixture);
}

struct TLoadErrorCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Message;
};

std::vector<TLoadErrorCase> LoadErrorCases() {
    const std::vector<uint8_t> plain = PlainGIF();
    auto changed = [&](size_t offset, std::vector<uint8_t> replacement) {
        std::vector<uint8_t> bytes = plain;
        std::copy(replacement.begin(), replacement.end(), bytes.begin() + static_cast<ptrdiff_t>(offset));
        return bytes;
    };
    auto cut = [&](size_t length) { return std::vector<uint8_t>(plain.begin(), plain.begin() + static_cast<ptrdiff_t>(length)); };

    std::vector<uint8_t> unknownBlock = plain;
    unknownBlock.insert(unknownBlock.end() - 1, 0x42);

    TGIFFixture empty;
    empty.Width = 2;
    empty.Height = 2;
    empty.GlobalTable = {Red, Green};

    TGIFFixture offsetFrame;
    offsetFrame.Width = 4;
    offsetFrame.Height = 4;
    offsetFrame.GlobalTable = {Red, Green};
    offsetFrame.Frames = {SolidFrame(0, 0, 4, 4, 0), SolidFrame(2, 3, 2, 2, 1)};

    return {
        {"empty stream", {}, "Invalid GIF signature"},
        {"too short for a signature", {'G', 'I'}, "Invalid GIF signature"},
        {"bad signature", changed(0, {'J', 'I', 'F'}), "Invalid GIF signature"},
        {"unsupported version", changed(3, {'9', '0', 'a'}), "Unsupported GIF version"},
        {"header only", cut(6), "Invalid GIF data"},
        {"cut in the screen descriptor", cut(10), "Invalid GIF data"},
        {"cut in the colour table", cut(16), "Invalid GIF data"},
        {"cut in the image descriptor", cut(30), "Invalid GIF data"},
        {"cut in the image data", cut(plain.size() - 4), "Invalid GIF data"},
        {"no trailer", cut(plain.size() - 1), "Invalid GIF data"},
        {"bad LZW code size", changed(35, {12}), "Invalid GIF data"},
        {"frame wider than the screen", changed(6, {3, 0}), "Image exceeds Logical Screen size"},
        {"second frame beyond the screen", EncodeGIF(offsetFrame), "Image exceeds Logical Screen size"},
        {"unknown block", unknownBlock, "Unknown GIF block type"},
        {"no frames", EncodeGIF(empty), "Invalid GIF data"},
        {"huge screen", changed(6, {0xFF, 0xFF, 0xFF, 0xFF}), "GIF image too large (65535 x 65535)"},
    };
}

TEST(GIFImageLoad, ErrorsLeaveTheImageEmptyAndTheStreamWhereItWas) {
    for (const TLoadErrorCase& c : LoadErrorCases()) {
        SCOPED_TRACE(c.Name);
        TGIFImage image;
        TMemoryStream good(PlainGIF());
        image.LoadFromStream(good);
        ASSERT_EQ(image.FrameCount(), 1u);

        std::vector<uint8_t> bytes = {'x', 'y', 'z'};  // the picture starts at position 3
        bytes.insert(bytes.end(), c.Bytes.begin(), c.Bytes.end());
        TMemoryStream stream(bytes);
        stream.SetPosition(3);
        try {
            image.LoadFromStream(stream);
            ADD_FAILURE() << "loaded";
        } catch (const EGIFError& e) {
            EXPECT_STREQ(e.what(), c.Message);
        }
        EXPECT_EQ(stream.Position(), 3);
        EXPECT_EQ(image.FrameCount(), 0u);
        EXPECT_TRUE(image.Empty());
        EXPECT_EQ(image.Width(), 0);
    }
}

TEST(GIFImageLoad, ReadsFramesWithTheirTablesControlValuesAndLoopCount) {
    TGIFFixture fixture;
    fixture.Width = 5;
    fixture.Height = 10;
    fixture.GlobalTable = {Red, Green, Blue, Yellow};

    TGIFFixtureFrame first = SolidFrame(0, 0, 5, 10, 1);
    first.LocalTable = {White, Blue};
    first.WithLoop = true;
    first.LoopCount = 5;
    first.WithControl = true;
    first.Delay = 7;
    first.Disposal = 2;
    first.TransparentIndex = 0;

    TGIFFixtureFrame placed = SolidFrame(1, 2, 2, 1, 3);
    placed.Indices = {3, 2};

    TGIFFixtureFrame interlaced = SolidFrame(4, 0, 1, 10, 0);
    for (int y = 0; y < 10; ++y) interlaced.Indices[static_cast<size_t>(y)] = static_cast<uint8_t>(y % 4);
    interlaced.Interlaced = true;
    interlaced.WithControl = true;
    interlaced.Disposal = 3;
    fixture.Frames = {first, placed, interlaced};

    TGIFImage image;
    TMemoryStream stream(EncodeGIF(fixture));
    image.LoadFromStream(stream);
    ASSERT_EQ(image.FrameCount(), 3u);
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 10);

    const TGIFFrame& f0 = image.Frame(0);
    EXPECT_EQ(f0.ColorTable, (std::vector<TColor32>{White, Blue}));
    EXPECT_TRUE(f0.HasLoopExtension);
    EXPECT_EQ(f0.LoopCount, 5);
    EXPECT_TRUE(f0.HasGraphicControl);
    EXPECT_EQ(f0.Delay, 7);
    EXPECT_EQ(f0.Disposal, 2);
    EXPECT_TRUE(f0.Transparent);
    EXPECT_EQ(f0.TransparentIndex, 0);

    const TGIFFrame& f1 = image.Frame(1);
    EXPECT_EQ((std::vector<int32_t>{f1.Left, f1.Top, f1.Width, f1.Height}), (std::vector<int32_t>{1, 2, 2, 1}));
    EXPECT_EQ(f1.ColorTable, fixture.GlobalTable);
    EXPECT_EQ(image.FramePicture(1), (std::vector<TColor32>{Yellow, Blue}));
    EXPECT_FALSE(f1.HasGraphicControl);
    EXPECT_FALSE(f1.HasLoopExtension);  // extensions belong to the frame they precede
    EXPECT_FALSE(f1.Transparent);

    const TGIFFrame& f2 = image.Frame(2);
    std::vector<TColor32> rows;  // back in top-to-bottom order
    for (int y = 0; y < 10; ++y) rows.push_back(fixture.GlobalTable[static_cast<size_t>(y % 4)]);
    EXPECT_EQ(image.FramePicture(2), rows);
    EXPECT_EQ(f2.Disposal, 3);
}

// Only the first frame is decoded on loading; the others when they are first drawn. So a long
// animation whose later data is damaged still shows its first frame.
TEST(GIFImageLoad, LaterFramesAreDecodedWhenFirstNeeded) {
    TGIFFixture fixture;
    fixture.Width = 4;
    fixture.Height = 4;
    fixture.GlobalTable = {Red, Green, Blue, Yellow};
    fixture.Frames = {SolidFrame(0, 0, 4, 4, 1), SolidFrame(0, 0, 4, 4, 2), SolidFrame(0, 0, 4, 4, 3)};
    std::vector<uint8_t> bytes = EncodeGIF(fixture);
    // The last frame's data: one sub-block before the terminator and the trailer. Codes of all
    // ones are beyond the LZW table.
    size_t block = 0;
    for (size_t i = bytes.size() - 3; i > 0 && block == 0; --i)
        if (i + 1 + bytes[i] == bytes.size() - 2 && bytes[i - 1] == 2) block = i;
    ASSERT_NE(block, 0u);
    std::fill(bytes.begin() + static_cast<ptrdiff_t>(block) + 1, bytes.end() - 2, 0xFF);
    bytes.push_back('!');  // after the trailer: not the picture's

    TMemoryStream stream(bytes);
    TGIFImage image;
    image.LoadFromStream(stream);
    ASSERT_EQ(image.FrameCount(), 3u);
    EXPECT_EQ(stream.Position(), static_cast<int64_t>(bytes.size()) - 1);  // just after the trailer
    TBitmap32 bitmap;
    bitmap.Assign(&image);
    EXPECT_EQ(bitmap.GetPixel(3, 3), Green);
    EXPECT_EQ(image.FramePicture(1), std::vector<TColor32>(16, Blue));
    EXPECT_TRUE(image.FramePicture(2).empty());  // damaged: draws nothing
    bitmap.Clear(White);
    image.DrawFrame(bitmap.Canvas(), bitmap.BoundsRect(), 2, false);
    EXPECT_EQ(bitmap.GetPixel(0, 0), White);
}

TEST(GIFImageLoad, ReadsEverySampleFile) {
    VELMORA_NEEDS_CORPUS();
    const std::map<std::string, const char*> Refused = {
        // giflib reads LZW code sizes up to 8 bits only; this sample starts with 11.
        {"gif/gdk-gifsuite-max-codes.gif", "Invalid GIF data"},
        {"gif/gdk-gifsuite-image-outside-bg.gif", "Image exceeds Logical Screen size"},
    };
    // index.tsv: path, kind, origin, width, height, description ("... N frame(s) ..."), ...
    std::ifstream index(picture_test::CorpusPath("index.tsv"));
    ASSERT_TRUE(index.good());
    std::string line;
    int checked = 0;
    while (std::getline(index, line)) {
        std::vector<std::string> fields;
        std::stringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        if (fields.size() < 6 || fields[1] != "gif") continue;
        SCOPED_TRACE(fields[0]);
        std::ifstream file(picture_test::CorpusPath(fields[0]), std::ios::binary);
        std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        TMemoryStream stream(bytes);
        TGIFImage image;
        const auto refused = Refused.find(fields[0]);
        if (refused != Refused.end()) {
            try {
                image.LoadFromStream(stream);
                ADD_FAILURE() << "loaded";
            } catch (const EGIFError& e) {
                EXPECT_STREQ(e.what(), refused->second);
            }
            continue;
        }
        ASSERT_NO_THROW(image.LoadFromStream(stream));
        EXPECT_EQ(image.Width(), std::stoi(fields[3]));
        EXPECT_EQ(image.Height(), std::stoi(fields[4]));
        const size_t frames = fields[5].rfind(" frame(s)");
        if (frames != std::string::npos) {
            const size_t start = fields[5].rfind(' ', frames - 1) + 1;
            EXPECT_EQ(image.FrameCount(), std::stoul(fields[5].substr(start, frames - start)));
        }
        TBitmap32 bitmap;
        bitmap.SetSize(image.Width(), image.Height());
        image.Draw(bitmap.Canvas(), bitmap.BoundsRect());
        ++checked;
    }
    EXPECT_GT(checked, 20);
}

#if !defined(_WIN32)  // test resources are registered natively; Windows reads its own module
TEST(GIFImageLoad, FromResourceName) {
    const std::vector<uint8_t> bytes = TransparentGIF();
    RegisterResourceBytes(TResourceType::RawData, "TEST_GIF_IMAGE", bytes.data(), bytes.size());
    TGIFImage image;
    image.LoadFromResourceName("TEST_GIF_IMAGE");
    EXPECT_EQ(image.FrameCount(), 2u);
    EXPECT_THROW(image.LoadFromResourceName("TEST_GIF_MISSING"), EResNotFound);
}
#endif

// The pixels of a bitmap as rows of colours.
std::vector<std::vector<TColor32>> PixelRows(const TBitmap32& bitmap) {
    std::vector<std::vector<TColor32>> rows;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        rows.emplace_back();
        for (int32_t x = 0; x < bitmap.Width(); ++x) rows.back().push_back(bitmap.GetPixel(x, y));
    }
    return rows;
}

TEST(GIFImageDraw, FirstFrameOnTheScreenWithTransparencyOverWhite) {
    TGIFImage image;
    TMemoryStream stream(TransparentGIF());
    image.LoadFromStream(stream);

    TBitmap32 bitmap;
    bitmap.SetSize(4, 3);
    bitmap.Clear(White);
    image.Draw(bitmap.Canvas(), bitmap.BoundsRect());
    const std::vector<std::vector<TColor32>> expected = {
        {White, White, White, White},
        {White, Red, Green, White},
        {White, Blue, White, White},  // index 3 is transparent
    };
    EXPECT_EQ(PixelRows(bitmap), expected);
}

TEST(GIFImageDraw, MapsTheScreenOntoTheRectangleAndClipsToTheBitmap) {
    TGIFImage image;
    TMemoryStream stream(TransparentGIF());
    image.LoadFromStream(stream);

    struct Case {
        const char* name;
        TRect rect;
        std::vector<std::vector<TColor32>> expected;
    } cases[] = {
        // Only the lower right quarter lies on the bitmap: the frame covers (-2, -1)..(2, 3), each
        // of its pixels 2 × 2.
        {"twice the screen size", Rect(-4, -3, 4, 3),
         {{Green, Green, White, White}, {White, White, White, White}, {White, White, White, White}}},
        // The frame covers (-1, 0)..(1, 2).
        {"its own size, a column off the left edge", Rect(-2, -1, 2, 2),
         {{Green, White, White, White}, {White, White, White, White}, {White, White, White, White}}},
    };
    TBitmap32 bitmap;
    bitmap.SetSize(4, 3);
    for (const Case& c : cases) {
        bitmap.Clear(White);
        image.Draw(bitmap.Canvas(), c.rect);
        EXPECT_EQ(PixelRows(bitmap), c.expected) << c.name;
    }

    bitmap.Clear(White);
    image.Draw(bitmap.Canvas(), Rect(2, 1, 2, 3));  // empty rectangle
    image.Draw(bitmap.Canvas(), Rect(10, 10, 14, 13));  // beside the bitmap
    EXPECT_EQ(PixelRows(bitmap), std::vector<std::vector<TColor32>>(3, std::vector<TColor32>(4, White)));
}

TEST(GIFImageDraw, AssignedToABitmapShowsOpaqueWhiteWhereTransparent) {
    TGIFImage image;
    TMemoryStream stream(TransparentGIF());
    image.LoadFromStream(stream);
    TBitmap32 bitmap;
    bitmap.SetSize(1, 1);
    bitmap.Clear(0);
    bitmap.Assign(&image);
    ASSERT_EQ(bitmap.Width(), 4);
    ASSERT_EQ(bitmap.Height(), 3);
    const std::vector<std::vector<TColor32>> expected = {
        {White, White, White, White},
        {White, Red, Green, White},
        {White, Blue, White, White},
    };
    EXPECT_EQ(PixelRows(bitmap), expected);  // Color32 makes alpha 255
}

TEST(GIFImageDraw, FramePictureKeepsTableColoursAndMarksTransparentPixels) {
    TGIFImage image;
    TMemoryStream stream(TransparentGIF());
    image.LoadFromStream(stream);
    const std::vector<TColor32>& picture = image.FramePicture(0);
    EXPECT_EQ(picture, (std::vector<TColor32>{Red, Green, Blue, Yellow & 0x00FFFFFFu}));
    EXPECT_EQ(&image.FramePicture(0), &picture);  // decoded once
}

}  // namespace
