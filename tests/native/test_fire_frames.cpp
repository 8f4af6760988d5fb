// The renderer's frames: Tick and Step, mesh renewal, pause, burn-out, the frame clock, the heart.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "test_fire_fixture.h"

namespace {

constexpr int W = TFire::PlaneWidth;

bool SameMesh(const TFire& a, const TFire::TMeshNode (&mesh)[12][14]) {
    return std::memcmp(a.Mesh, mesh, sizeof mesh) == 0;
}

}  // namespace

TEST_F(FireTest, TickCountsStepsAndReports) {
    int frames = 0;
    Fire->OnFrame = [&](TFire& sender) {
        EXPECT_EQ(&sender, Fire.get());
        ++frames;
    };
    for (int k = 0; k < 5; ++k) Fire->Tick();
    EXPECT_EQ(Fire->FrameCount, 5);
    EXPECT_EQ(frames, 5);
    EXPECT_EQ(Fire->OutputBitmap->Width(), 160);  // each tick stepped a frame
}

TEST_F(FireTest, MeshIsRenewedOnEvery2000thTick) {
    for (int count : {1998, 3998}) {
        Fire->FrameCount = count;
        Fire->Mesh[0][0].VX = 123.0;  // boundary velocities are only cleared by a renewal
        Fire->Tick();
        EXPECT_GT(Fire->Mesh[0][0].VX, 100.0) << count + 1;
        Fire->Tick();
        EXPECT_EQ(Fire->FrameCount, count + 2);
        EXPECT_LT(std::fabs(Fire->Mesh[0][0].VX), 1.0) << count + 2;
    }
}

TEST_F(FireTest, PausedTicksChangeNothing) {
    int frames = 0;
    Fire->OnFrame = [&](TFire&) { ++frames; };
    std::memset(Fire->Heat(), 90, 32000);
    Fire->Tick();
    Fire->FrameCount = 1999;
    Fire->SetPaused(true);
    std::vector<uint8_t> planes(Fire->Planes, Fire->Planes + 96000);
    TFire::TMeshNode mesh[12][14];
    std::memcpy(mesh, Fire->Mesh, sizeof mesh);
    for (int k = 0; k < 10; ++k) Fire->Tick();
    EXPECT_EQ(Fire->FrameCount, 1999);
    EXPECT_EQ(frames, 1);
    EXPECT_TRUE(SameMesh(*Fire, mesh));
    EXPECT_EQ(std::memcmp(Fire->Planes, planes.data(), planes.size()), 0);
    Fire->SetPaused(false);
    Fire->Tick();
    EXPECT_EQ(Fire->FrameCount, 2000);
    EXPECT_EQ(frames, 2);
}

TEST_F(FireTest, BurnOutRunsThirtyFourFramesWithoutTheHeart) {
    Fire->HeartBitmap->Clear(0xFFFFFFFF);
    Fire->Step();
    EXPECT_EQ(Fire->Heat()[199 * W + 80], 255);  // fed by the heart
    Fire->Extinguish();
    EXPECT_EQ(Fire->BurnOut, 35);
    int computed = 0;
    while (Fire->Step()) {
        ++computed;
        ASSERT_LE(computed, 34);
        // Rows 196..199 of Heat come from NextHeat (always 0) and only the heart raises them.
        for (int i = 196 * W; i < 32000; ++i) ASSERT_EQ(Fire->Heat()[i], 0) << computed;
    }
    EXPECT_EQ(computed, 34);
    EXPECT_EQ(Fire->BurnOut, 1);

    // Frozen: ticks still count and report, the picture and its size stay.
    int frames = 0;
    Fire->OnFrame = [&](TFire&) { ++frames; };
    const std::vector<TColor32> picture(Fire->OutputBitmap->Pixels(), Fire->OutputBitmap->Pixels() + 160 * 250);
    Fire->SetZoom(2.0f);
    for (int k = 0; k < 3; ++k) Fire->Tick();
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(Fire->FrameCount, 3);
    ASSERT_EQ(Fire->OutputBitmap->Width(), 160);
    EXPECT_EQ(std::memcmp(Fire->OutputBitmap->Pixels(), picture.data(), picture.size() * 4), 0);

    Fire->Extinguish();  // a second countdown
    EXPECT_TRUE(Fire->Step());
    EXPECT_EQ(Fire->BurnOut, 34);
}

TEST_F(FireTest, WithoutAHeartEverythingStaysDark) {
    Fire->Reflection = true;
    for (int k = 0; k < 20; ++k) Fire->Step();
    for (int i = 0; i < 96000 - 32000; ++i) ASSERT_EQ(Fire->Planes[i], 0) << i;
    for (int i = 0; i < 160 * 250; ++i) ASSERT_EQ(Fire->OutputBitmap->Pixels()[i], 0u) << i;
}

TEST(FireClock, FramesArriveOnTheMainThreadOnceStarted) {
    SetMainThread();
    std::atomic<uint32_t> now{0};
    auto fire = std::make_unique<TFire>([&] { return now.fetch_add(1); });  // 1 ms per reading
    int frames = 0;
    fire->OnFrame = [&](TFire& sender) {
        EXPECT_TRUE(IsMainThread());
        EXPECT_EQ(&sender, fire.get());
        ++frames;
    };
    const auto idle = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
    while (std::chrono::steady_clock::now() < idle) CheckSynchronize(5);
    EXPECT_EQ(frames, 0);
    fire->Start();
    EXPECT_TRUE(FireTest::PumpUntil([&] { return frames >= 5; }));
    EXPECT_EQ(fire->FrameCount, frames);
    fire.reset();
}

TEST(FireClock, DestroyingRunsThePendingFrameWithTheBitmapsAlive) {
    SetMainThread();
    std::atomic<uint32_t> now{0};
    auto fire = std::make_unique<TFire>([&] { return now.fetch_add(1); });
    int frames = 0;
    fire->OnFrame = [&](TFire& sender) {
        EXPECT_TRUE(sender.FireBitmap && sender.OutputBitmap && sender.HeartBitmap && sender.HeartImage);
        EXPECT_EQ(sender.OutputBitmap->Width(), 160);
        ++frames;
    };
    fire->Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the clock now waits in its hand-off
    EXPECT_EQ(frames, 0);
    fire.reset();
    EXPECT_EQ(frames, 1);
}

// Paused, the renderer hands nothing to the main thread: neither its clock nor the heart's
// painter. Resumed, both go on.
TEST(FireClock, APausedRendererAndItsHeartHandNothingOverUntilResumed) {
    SetMainThread();
    auto fire = std::make_unique<TFire>();
    fire->LoadHeart();
    int frames = 0;
    fire->OnFrame = [&](TFire&) { ++frames; };
    fire->Start();
    ASSERT_TRUE(FireTest::PumpUntil([&] { return frames >= 3; }));

    fire->SetPaused(true);
    // The heart's wait in progress (600 ms at most) runs its course; then all is quiet.
    auto quietFor = [](std::chrono::milliseconds span) {
        const auto end = std::chrono::steady_clock::now() + span;
        while (std::chrono::steady_clock::now() < end)
            if (CheckSynchronize(10)) return false;
        return true;
    };
    ASSERT_TRUE(FireTest::PumpUntil([&] { return quietFor(std::chrono::milliseconds(700)); }));
    const std::vector<TColor32> heart(fire->HeartBitmap->Pixels(), fire->HeartBitmap->Pixels() + 160 * 200);
    const int pausedAt = frames;
    int handOffs = 0;
    const auto quiet = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    while (std::chrono::steady_clock::now() < quiet) handOffs += CheckSynchronize(10) ? 1 : 0;
    EXPECT_EQ(handOffs, 0);
    EXPECT_EQ(frames, pausedAt);
    EXPECT_EQ(fire->FrameCount, pausedAt);

    fire->SetPaused(false);
    ASSERT_TRUE(FireTest::PumpUntil([&] { return frames >= pausedAt + 3; }));
    ASSERT_TRUE(FireTest::PumpUntil([&] {
        return !std::equal(heart.begin(), heart.end(), fire->HeartBitmap->Pixels());
    }));  // the heart beats on
    fire.reset();
}

TEST(FireClock, ManyRenderersComeAndGo) {
    SetMainThread();
    for (int i = 0; i < 25; ++i) {
        auto fire = std::make_unique<TFire>();
        int frames = 0;
        fire->OnFrame = [&](TFire&) { ++frames; };
        fire->Start();
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(i % 5 == 0 ? 40 : 2);
        while (std::chrono::steady_clock::now() < end) CheckSynchronize(1);
        fire.reset();
    }
    SUCCEED();
}

// The heart's brightness is measured once per heart frame; every frame the painter draws must
// reach the flames, and a bitmap changed by hand is measured again once it says so.
TEST_F(FireTest, TheFlamesFollowEveryHeartFrame) {
    const TBitmap32& heart = *Fire->HeartBitmap;
    auto ignitedEqualsHeart = [&] {
        ClearPlanes();
        Fire->IgniteFromHeart();
        for (int i = 0; i < 32000; ++i)
            if (Fire->Heat()[i] != Intensity(heart.Pixels()[i])) return false;
        return true;
    };
    Fire->LoadHeart();
    std::vector<std::vector<TColor32>> seen;
    ASSERT_TRUE(PumpUntil([&] {
        const std::vector<TColor32> now(heart.Pixels(), heart.Pixels() + 32000);
        if (std::find(seen.begin(), seen.end(), now) != seen.end()) return false;
        seen.push_back(now);
        EXPECT_TRUE(ignitedEqualsHeart()) << "heart picture " << seen.size();
        return seen.size() >= 4;
    }));

    Fire->SetAnimated(false);
    ASSERT_TRUE(PumpUntil([&] { return std::equal(seen[1].begin(), seen[1].end(), heart.Pixels()); }));
    EXPECT_TRUE(ignitedEqualsHeart());
    Fire->HeartBitmap->Clear(0xFF808080);
    EXPECT_TRUE(ignitedEqualsHeart());
    Fire->HeartBitmap->Pixels()[5] = 0xFFFFFFFF;
    Fire->HeartBitmap->Changed();
    EXPECT_TRUE(ignitedEqualsHeart());
}

TEST_F(FireTest, HeartStillAndAnimated) {
    Fire->SetAnimated(false);  // nothing loaded yet: only recorded
    EXPECT_FALSE(Fire->Animated);
    const TBitmap32& heart = *Fire->HeartBitmap;
    auto lit = [&] {
        for (int i = 0; i < 32000; ++i)
            if (Intensity(heart.Pixels()[i]) != 0) return true;
        return false;
    };
    EXPECT_FALSE(lit());
    Fire->LoadHeart();
    ASSERT_TRUE(PumpUntil(lit));
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 160; ++x) {
            if (x >= 135 || y <= 80) {
                ASSERT_EQ(Intensity(heart.GetPixel(x, y)), 0u) << x << "," << y;
            }
        }
    Fire->SetAnimated(true);
    EXPECT_TRUE(Fire->Animated);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
    while (std::chrono::steady_clock::now() < end) CheckSynchronize(5);
    Fire.reset();  // while animating: the painter stops before the bitmap goes
}
