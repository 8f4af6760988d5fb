#include <gtest/gtest.h>

#include "uSysUtils.h"
#include "uTBitmap32.h"

TEST(Bitmap32, SizeEmptyAndClear) {
    TBitmap32 bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Pixels(), nullptr);

    bitmap.SetSize(-5, 10);
    EXPECT_EQ(bitmap.Width(), 0);
    EXPECT_EQ(bitmap.Height(), 10);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Pixels(), nullptr);

    int changes = 0;
    bitmap.OnChange = [&](TBitmap32&) { ++changes; };
    bitmap.SetSize(3, 2);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(bitmap.BoundsRect(), Rect(0, 0, 3, 2));
    EXPECT_EQ(bitmap.ClipRect(), Rect(0, 0, 3, 2));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bitmap.Pixels()[i], 0u);

    bitmap.Clear(0x12345678);
    EXPECT_EQ(changes, 2);
    bitmap.SetSize(3, 2);  // same size: pixels kept, no notification
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(bitmap.GetPixel(2, 1), 0x12345678u);

    bitmap.SetSize(2, 3);  // new size: all pixels 0 again
    EXPECT_EQ(changes, 3);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(bitmap.Pixels()[i], 0u);

    bitmap.SetPixel(1, 2, 0x00ABCDEF);
    EXPECT_EQ(bitmap.Pixels()[5], 0x00ABCDEFu);
    bitmap.ResetAlpha();
    EXPECT_EQ(bitmap.GetPixel(1, 2), 0xFFABCDEFu);
    EXPECT_EQ(bitmap.GetPixel(0, 0), 0xFF000000u);
}

TEST(Bitmap32, CanvasSurvivesSizeChanges) {
    TBitmap32 bitmap;
    TCanvas* canvas = &bitmap.Canvas();
    bitmap.SetSize(4, 4);
    EXPECT_EQ(&canvas->Bitmap(), &bitmap);
    bitmap.SetSize(8, 2);
    EXPECT_EQ(&bitmap.Canvas(), canvas);
    EXPECT_EQ(canvas->Bitmap().Width(), 8);
}

TEST(Bitmap32, ColourFunctions) {
    EXPECT_EQ(Intensity(0xFF808080), 128u);
    EXPECT_EQ(Intensity(0x00FFFFFF), 255u);
    EXPECT_EQ(Intensity(0xFF0000FF), 20u);
    EXPECT_EQ(Intensity(0xFFFF0000), 60u);
    EXPECT_EQ(Intensity(0xFF00FF00), 173u);
    for (uint32_t v = 0; v < 256; ++v) EXPECT_EQ(Intensity(Color32(v, v, v, 0)), v);
    EXPECT_EQ(Color32(300, 1, 2, 255), 0xFF2C0102u);
    EXPECT_EQ(Color32(-1, 0, 0, 0), 0x00FF0000u);
}

TEST(Bitmap32, FrameRect) {
    struct Case {
        TRect Rect;
        int Expected;
    };
    const Case cases[] = {
        {Rect(10, 10, 11, 11), 1}, {Rect(10, 10, 12, 12), 4},  {Rect(10, 10, 13, 13), 8},
        {Rect(10, 10, 10, 12), 0}, {Rect(30, 30, 40, 40), 0},  {Rect(10, 10, 15, 11), 5},
        {Rect(10, 10, 11, 15), 5}, {Rect(-2, -2, 3, 3), 5},     // clipped: only the part of the outline on the bitmap
    };
    for (const Case& c : cases) {
        TBitmap32 bitmap;
        bitmap.SetSize(20, 20);
        bitmap.FrameRect(c.Rect, 0xFFFF0000);
        int set = 0;
        for (int i = 0; i < 400; ++i) set += bitmap.Pixels()[i] == 0xFFFF0000 ? 1 : 0;
        EXPECT_EQ(set, c.Expected) << c.Rect.Left << "," << c.Rect.Top << "," << c.Rect.Right << "," << c.Rect.Bottom;
    }
}

TEST(Bitmap32, DrawToEqualSizeCopiesAllChannels) {
    TBitmap32 source, target;
    source.SetSize(5, 4);
    for (int i = 0; i < 20; ++i) source.Pixels()[i] = 0x01020304u * static_cast<uint32_t>(i) + 0x00FF0000u * (i % 3);
    target.SetSize(5, 4);
    source.DrawTo(&target, target.BoundsRect());
    for (int i = 0; i < 20; ++i) EXPECT_EQ(target.Pixels()[i], source.Pixels()[i]);

    // A part into another place; the rest is untouched.
    TBitmap32 big;
    big.SetSize(10, 10);
    big.Clear(0xAAAAAAAA);
    source.DrawTo(&big, Rect(6, 7, 9, 9), Rect(1, 1, 4, 3));
    EXPECT_EQ(big.GetPixel(6, 7), source.GetPixel(1, 1));
    EXPECT_EQ(big.GetPixel(8, 8), source.GetPixel(3, 2));
    EXPECT_EQ(big.GetPixel(5, 7), 0xAAAAAAAAu);
    EXPECT_EQ(big.GetPixel(9, 9), 0xAAAAAAAAu);

    // Clipped at the destination's edge.
    source.DrawTo(&big, Rect(8, 8, 13, 12));
    EXPECT_EQ(big.GetPixel(9, 9), source.GetPixel(1, 1));
}

TEST(Bitmap32, DrawToErrorsAndEmptyCases) {
    TBitmap32 source, target;
    source.SetSize(2, 2);
    EXPECT_THROW(source.DrawTo(nullptr, Rect(0, 0, 2, 2)), EBitmapException);
    try {
        source.DrawTo(nullptr, Rect(0, 0, 2, 2));
    } catch (const EBitmapException& e) {
        EXPECT_EQ(e.Message(), "Destination bitmap is nil");
    }
    int changes = 0;
    target.OnChange = [&](TBitmap32&) { ++changes; };
    source.DrawTo(&target, Rect(0, 0, 2, 2));  // empty destination: nothing drawn
    EXPECT_EQ(changes, 0);
}

TEST(Bitmap32, ResamplerClassName) {
    TBitmap32 bitmap;
    EXPECT_EQ(bitmap.ResamplerClassName(), "TNearestResampler");
    bitmap.SetResamplerClassName("TNoSuchResampler");
    EXPECT_EQ(bitmap.ResamplerClassName(), "TNearestResampler");
}
