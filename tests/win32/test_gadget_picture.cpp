// What the gadget shows on the screen at each of the five sizes, with and without reflection,
// read back from the X server's screen under Wine.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <vector>

#include "uApplication.h"
#include "uTFire.h"
#include "uTfmMain.h"
#include "gadget_fixture.h"

namespace {

const DWORD kDeadline = 20000;

// The screen's pixels inside rect, row 0 at the top, as 0x00RRGGBB.
std::vector<uint32_t> CaptureScreen(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = source[i] & 0x00FFFFFF;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

struct TRowStats {
    int Lit = 0;     // pixels that are not black
    int Bright = 0;  // pixels with strong red: burning flames
};

TRowStats CountRows(const std::vector<uint32_t>& pixels, int width, int fromRow, int toRow) {
    TRowStats stats;
    for (int y = fromRow; y < toRow; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            if (p != 0) ++stats.Lit;
            if (((p >> 16) & 0xFF) > 160) ++stats.Bright;
        }
    return stats;
}

class GadgetPicture : public testing::TestWithParam<float> {
protected:
    void SetUp() override {
        ClearGadgetSettings();
        application.Initialize();
        application.SetTitle("Velmora");
        fmMain = new TfmMain;
        fmMain->Show();
    }
    void TearDown() override {
        delete fmMain;
        fmMain = nullptr;
    }
    bool WaitForFrames(int count) {
        const int target = fmMain->FFire->FrameCount + count;
        return application.ProcessMessagesUntil([&] { return fmMain->FFire->FrameCount >= target; }, kDeadline);
    }
    TApplication application;
};

TEST_P(GadgetPicture, ShowsBurningHeartAndReflectionAtEverySize) {
    const float zoom = GetParam();
    const int width = static_cast<int>(std::nearbyint(160.0 * zoom));
    const int height = static_cast<int>(std::nearbyint(250.0 * zoom));
    // Well inside the screen at every size: the window grows around its centre.
    fmMain->SetBounds(400, 300, 160, 250);
    fmMain->SetZoom(zoom);
    for (const bool reflection : {true, false}) {
        SCOPED_TRACE(reflection ? "reflection on" : "reflection off");
        fmMain->SetReflection(reflection);
        ASSERT_TRUE(WaitForFrames(60));  // the flames take a few dozen frames to build up
        RECT rect{};
        GetWindowRect(fmMain->Handle(), &rect);
        ASSERT_EQ(rect.right - rect.left, width);
        ASSERT_EQ(rect.bottom - rect.top, height);
        const std::vector<uint32_t> pixels = CaptureScreen(rect);

        // The heart burns in the lower part of the flame area.
        const TRowStats flames = CountRows(pixels, width, height * 80 / 250, height * 196 / 250);
        EXPECT_GT(flames.Bright, width * height / 200);
        // The reflection lies between rows 197 and 245 of the full-size frame.
        const TRowStats mirror = CountRows(pixels, width, height * 203 / 250, height * 240 / 250);
        if (reflection) {
            EXPECT_GT(mirror.Lit, 0);
            EXPECT_EQ(mirror.Bright, 0);  // dimmed to at most 94/256
        } else {
            EXPECT_EQ(mirror.Lit, 0);
        }
        // Nothing at all in the last rows, and nothing at the outer columns (faded to 0).
        EXPECT_EQ(CountRows(pixels, width, height - std::max(1, height / 125), height).Lit, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Zooms, GadgetPicture, testing::Values(0.25f, 0.5f, 1.0f, 1.5f, 2.0f),
                         [](const testing::TestParamInfo<float>& param) {
                             return "Percent" + std::to_string(static_cast<int>(param.param * 100));
                         });

}  // namespace
