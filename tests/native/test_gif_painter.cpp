// Painters that play a GIF animation into a bitmap, every draw handed to the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "gif_fixtures.h"
#include "uClasses.h"
#include "uGIFImage.h"
#include "uGIFPainter.h"
#include "uTBitmap32.h"
#include "uThreads.h"

namespace {

constexpr uint16_t AnimatedOptions = 1629;  // async, animate, loop, loop forever, direct, dither
constexpr uint16_t StillOptions = 1625;     // the same without animate

// Frame i of the animation is a solid 2 × 2 square of grey level Grey(i).
TColor32 Grey(int frame) { return Color32(40 * frame + 10, 40 * frame + 10, 40 * frame + 10); }

struct TFrameSpec {
    int Delay = 0;
    int Disposal = 0;
    bool WithLoop = false;
    uint16_t LoopCount = 0;
};

std::vector<uint8_t> Animation(const std::vector<TFrameSpec>& specs) {
    TGIFFixture fixture;
    fixture.Width = 2;
    fixture.Height = 2;
    for (size_t i = 0; i < specs.size(); ++i) fixture.GlobalTable.push_back(Grey(static_cast<int>(i)));
    for (size_t i = 0; i < specs.size(); ++i) {
        TGIFFixtureFrame frame = SolidFrame(0, 0, 2, 2, static_cast<uint8_t>(i));
        frame.WithControl = true;
        frame.Delay = specs[i].Delay;
        frame.Disposal = specs[i].Disposal;
        frame.WithLoop = specs[i].WithLoop;
        frame.LoopCount = specs[i].LoopCount;
        fixture.Frames.push_back(frame);
    }
    return EncodeGIF(fixture);
}

void Load(TGIFImage& image, const std::vector<uint8_t>& bytes) {
    TMemoryStream stream(bytes);
    image.LoadFromStream(stream);
}

// The frame a bitmap shows (by the grey of its first pixel); -1 for none.
int ShownFrame(const TBitmap32& bitmap) {
    const TColor32 color = bitmap.GetPixel(0, 0) & 0x00FFFFFFu;
    for (int i = 0; i < 6; ++i)
        if (color == (Grey(i) & 0x00FFFFFFu)) return i;
    return -1;
}

// Serves hand-offs until done() holds or a generous deadline passes, recording the frame shown
// after every served hand-off. Returns done().
bool PumpUntil(const TBitmap32& bitmap, std::vector<int>& shown, const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        if (CheckSynchronize(20)) shown.push_back(ShownFrame(bitmap));
    }
    return true;
}

class GIFPainter : public ::testing::Test {
protected:
    void SetUp() override {
        SetMainThread();
        Target.SetSize(2, 2);
    }
    TBitmap32 Target;
    std::vector<int> Shown;
};

TEST_F(GIFPainter, TimesFramesByTheirDelaysShortenedByHalfTheOverrun) {
    TGIFImage image;
    Load(image, Animation({{2, 0, true, 0}, {0}, {50}}));

    // Clock readings in the order the painter takes them: at set-up, then one before each wait.
    const std::vector<uint32_t> readings = {1000, 1010, 1020, 2150, 3250, 3251};
    size_t reading = 0;
    uint32_t last = 0;
    image.Clock = [&] {
        last = reading < readings.size() ? readings[reading++] : last + 1;
        return last;
    };
    // Each wait with the frame the target shows when it is computed (the painter has handed over
    // that frame's draw and the main thread has finished it).
    std::mutex waitsLock;
    std::vector<std::pair<int32_t, int>> waits;
    image.OnPainterWait = [&](int32_t wait) {
        std::lock_guard<std::mutex> guard(waitsLock);
        waits.emplace_back(wait, ShownFrame(Target));
    };

    int changes = 0;
    Target.OnChange = [&](TBitmap32&) { ++changes; };
    ASSERT_NE(image.StartPaint(Target.Canvas(), Target.BoundsRect(), AnimatedOptions), nullptr);
    ASSERT_TRUE(PumpUntil(Target, Shown, [&] { return Shown.size() == 6; }));
    image.StopPaint();

    EXPECT_EQ(Shown, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(changes, 6);  // the target announces every frame drawn into it
    ASSERT_GE(waits.size(), 5u);
    // Frame 0 at once, then before each further frame 12 × the previous frame's delay (2 and 0
    // raised to 3 and 10) minus half of (now − waitStart − lastWait), truncated toward zero:
    // 36 − 10/2; 120 − (−21)/2; 600 − 1000/2; 36 − 1000/2; 120 − 465/2.
    const std::vector<std::pair<int32_t, int>> expected = {{31, 0}, {130, 1}, {100, 2}, {-464, 0}, {-112, 1}};
    const std::vector<std::pair<int32_t, int>> firstWaits(waits.begin(), waits.begin() + 5);
    EXPECT_EQ(firstWaits, expected);
}

TEST_F(GIFPainter, StillOptionsDrawFrameZeroOnceAtFullStrength) {
    TGIFImage image;
    TGIFFixture fixture;
    fixture.Width = 2;
    fixture.Height = 2;
    fixture.GlobalTable = {Grey(0), Grey(1), Grey(2)};
    TGIFFixtureFrame first = SolidFrame(0, 0, 2, 2, 0);
    first.Indices = {0, 1, 2, 1};
    first.WithControl = true;
    first.TransparentIndex = 2;
    first.Delay = 2;
    fixture.Frames = {first, SolidFrame(0, 0, 2, 2, 1)};
    Load(image, EncodeGIF(fixture));

    TGIFPainter* painter = image.StartPaint(Target.Canvas(), Target.BoundsRect(), StillOptions);
    ASSERT_NE(painter, nullptr);
    ASSERT_TRUE(PumpUntil(Target, Shown, [&] { return painter->Finished(); }));
    CheckSynchronize(0);
    EXPECT_EQ(Shown.size(), 1u);
    // The pixel of the transparent index gets its table colour too.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Target.Pixels()[i] & 0x00FFFFFFu, Grey(first.Indices[static_cast<size_t>(i)]) & 0x00FFFFFFu) << i;
    image.StopPaint();
}

struct TLoopCase {
    const char* Name;
    std::vector<TFrameSpec> Frames;
    uint16_t Options;
    std::vector<int> Shown;
};

TEST_F(GIFPainter, LoopsAsTheLoopExtensionAndOptionsSay) {
    const uint16_t loopOnce = PaintAsync | PaintAnimate | PaintLoop;
    const std::vector<TLoopCase> cases = {
        {"count 2: two passes", {{2, 2, true, 2}, {2, 3}}, loopOnce, {0, 1, 0, 1}},
        {"no loop extension: one pass", {{2}, {2, 2}}, loopOnce, {0, 1}},
        {"without PaintLoop: one pass", {{2, 3, true, 0}, {2}}, PaintAsync | PaintAnimate, {0, 1}},
        {"loop extension on frame 1 starts the loop there", {{2}, {2, 0, true, 2}}, loopOnce, {0, 1, 1}},
    };
    for (const TLoopCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage image;
        Load(image, Animation(c.Frames));
        Shown.clear();
        TGIFPainter* painter = image.StartPaint(Target.Canvas(), Target.BoundsRect(), c.Options);
        ASSERT_NE(painter, nullptr);
        ASSERT_TRUE(PumpUntil(Target, Shown, [&] { return painter->Finished(); }));
        if (CheckSynchronize(0)) Shown.push_back(ShownFrame(Target));
        EXPECT_EQ(Shown, c.Shown);
    }
}

TEST_F(GIFPainter, StopEndsALongWaitAndARestartBeginsAtFrameZero) {
    TGIFImage image;
    Load(image, Animation({{2, 0, true, 0}, {65535}, {2}}));  // frame 1 stays for 13 minutes
    ASSERT_NE(image.StartPaint(Target.Canvas(), Target.BoundsRect(), AnimatedOptions), nullptr);
    ASSERT_TRUE(PumpUntil(Target, Shown, [&] { return Shown.size() == 2; }));
    EXPECT_EQ(Shown, (std::vector<int>{0, 1}));

    image.StopPaint();  // returns although the painter was in its long wait
    EXPECT_FALSE(CheckSynchronize(200));  // and it asks for no further draw

    Shown.clear();
    ASSERT_NE(image.StartPaint(Target.Canvas(), Target.BoundsRect(), AnimatedOptions), nullptr);
    ASSERT_TRUE(PumpUntil(Target, Shown, [&] { return Shown.size() == 1; }));
    EXPECT_EQ(Shown, (std::vector<int>{0}));
    image.StopPaint();
}

TEST_F(GIFPainter, DestroyingTheImageWhileADrawIsPendingDrawsNothingMore) {
    auto image = std::make_unique<TGIFImage>();
    auto target = std::make_unique<TBitmap32>();
    target->SetSize(2, 2);
    Load(*image, Animation({{2, 0, true, 0}, {2}}));
    ASSERT_NE(image->StartPaint(target->Canvas(), target->BoundsRect(), AnimatedOptions), nullptr);
    ASSERT_TRUE(PumpUntil(*target, Shown, [&] { return Shown.size() == 1; }));

    // The painter's 36 ms wait ends and it hands over the draw of frame 1, which nobody serves.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    image.reset();
    EXPECT_EQ(ShownFrame(*target), 0);  // the pending draw was dropped, not carried out
    target.reset();
    EXPECT_FALSE(CheckSynchronize(200));  // nothing left to touch the released bitmap
}

TEST_F(GIFPainter, NothingToPaint) {
    TGIFImage empty;
    empty.StopPaint();  // no painters: returns at once
    EXPECT_EQ(empty.StartPaint(Target.Canvas(), Target.BoundsRect(), AnimatedOptions), nullptr);

    TGIFImage image;
    Load(image, Animation({{2}, {2}}));
    image.StopPaint();
    EXPECT_EQ(image.StartPaint(Target.Canvas(), Rect(0, 0, 0, 2), AnimatedOptions), nullptr);
    EXPECT_FALSE(CheckSynchronize(100));
    EXPECT_EQ(ShownFrame(Target), -1);

    // A single frame is painted on the calling thread before StartPaint returns.
    TGIFImage single;
    Load(single, Animation({{2}}));
    int changes = 0;
    Target.OnChange = [&](TBitmap32&) { ++changes; };
    EXPECT_EQ(single.StartPaint(Target.Canvas(), Target.BoundsRect(), AnimatedOptions), nullptr);
    EXPECT_EQ(ShownFrame(Target), 0);
    EXPECT_EQ(changes, 1);
}

// The program's heart animation: 14 frames, 36 ms each for frames 0-12 and 600 ms for frame 13,
// repeating forever. A clock that moves on by exactly each wait leaves the nominal waits.
TEST_F(GIFPainter, LiveHeartPlaysItsCycle) {
    TGIFImage image;
    image.LoadFromResourceName("LIVEHEART");
    ASSERT_EQ(image.FrameCount(), 14u);
    ASSERT_EQ(image.Width(), 160);
    ASSERT_EQ(image.Height(), 200);

    std::atomic<uint32_t> now{5000};
    std::mutex waitsLock;
    std::vector<int32_t> waits;
    image.Clock = [&] { return now.load(); };
    image.OnPainterWait = [&](int32_t wait) {
        now += static_cast<uint32_t>(wait);
        std::lock_guard<std::mutex> guard(waitsLock);
        waits.push_back(wait);
    };

    TBitmap32 heart;
    heart.SetSize(160, 200);
    auto shows = [&](size_t frame) {
        const std::vector<TColor32>& picture = image.FramePicture(frame);
        for (size_t i = 0; i < picture.size(); ++i)
            if ((heart.Pixels()[i] ^ picture[i]) & 0x00FFFFFFu) return false;
        return true;
    };
    std::vector<bool> drawnAsExpected;
    ASSERT_NE(image.StartPaint(heart.Canvas(), heart.BoundsRect(), AnimatedOptions), nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (drawnAsExpected.size() < 15 && std::chrono::steady_clock::now() < deadline)
        if (CheckSynchronize(20)) drawnAsExpected.push_back(shows(drawnAsExpected.size() % 14));
    image.StopPaint();

    EXPECT_EQ(drawnAsExpected, std::vector<bool>(15, true));
    std::vector<int32_t> expected(13, 36);
    expected.push_back(600);
    ASSERT_GE(waits.size(), 14u);
    EXPECT_EQ(std::vector<int32_t>(waits.begin(), waits.begin() + 14), expected);
}

TEST_F(GIFPainter, LiveHeartStillIsFrameZeroInGreyLevels) {
    TGIFImage image;
    image.LoadFromResourceName("LIVEHEART");
    TBitmap32 heart;
    heart.SetSize(160, 200);
    TGIFPainter* painter = image.StartPaint(heart.Canvas(), heart.BoundsRect(), StillOptions);
    ASSERT_NE(painter, nullptr);
    std::vector<int> draws;
    ASSERT_TRUE(PumpUntil(heart, draws, [&] { return painter->Finished(); }));
    CheckSynchronize(0);
    EXPECT_EQ(draws.size(), 1u);

    int lit = 0;
    for (int32_t y = 0; y < 200; ++y)
        for (int32_t x = 0; x < 160; ++x) {
            const TColor32 pixel = heart.GetPixel(x, y);
            const uint32_t grey = pixel & 0xFF;
            ASSERT_EQ(pixel & 0x00FFFFFFu, grey * 0x010101u) << x << "," << y;
            ASSERT_EQ(Intensity(pixel), grey);
            ASSERT_LE(grey, 252u);
            if (x >= 135 || y <= 80) {
                ASSERT_EQ(grey, 0u) << x << "," << y;
            }
            lit += grey > 0;
        }
    EXPECT_GT(lit, 1000);
    image.StopPaint();
}

}  // namespace
