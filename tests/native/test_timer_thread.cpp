// The frame clock: its loop against a fake tick counter, hand-offs and termination.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

#include "uTTimerThread.h"
#include "uThreads.h"
#include "uTickCount.h"

namespace {

using Clock = std::chrono::steady_clock;

class TimerThread : public ::testing::Test {
protected:
    void SetUp() override { SetMainThread(); }

    // Serves hand-offs until pred holds or the deadline passes.
    template <typename Pred>
    bool PumpUntil(Pred pred, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        const auto end = Clock::now() + deadline;
        while (!pred()) {
            if (Clock::now() > end) return false;
            CheckSynchronize(10);
        }
        return true;
    }
    // Serves hand-offs for a while (long enough for many loop rounds).
    void PumpFor(std::chrono::milliseconds duration) {
        const auto end = Clock::now() + duration;
        while (Clock::now() < end) CheckSynchronize(5);
    }

    std::atomic<uint32_t> Now{0};
    std::atomic<int> Frames{0};
    std::unique_ptr<TTimerThread> MakeTimer() {
        return std::make_unique<TTimerThread>([this] { ++Frames; }, [this] { return Now.load(); });
    }
};

}  // namespace

TEST_F(TimerThread, StartsDisabledWithFiftyMilliseconds) {
    auto timer = MakeTimer();
    EXPECT_FALSE(timer->Enabled.load());
    EXPECT_EQ(timer->Interval.load(), 50);
    Now = 1000;  // long overdue, but disabled
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(Frames.load(), 0);
}

TEST_F(TimerThread, HandsOneFramePerIntervalAcrossTheWrap) {
    auto timer = MakeTimer();
    timer->Enabled = true;
    // (start, last tick that is not yet due, first due tick): the third case wraps at 2^32.
    const uint32_t starts[] = {1000u, 5000u, 0xFFFFFFE0u};
    for (uint32_t start : starts) {
        Now = start;  // far from the last frame: due at once
        const int before = Frames.load();
        ASSERT_TRUE(PumpUntil([&] { return Frames.load() == before + 1; }));
        Now = start + 49;
        PumpFor(std::chrono::milliseconds(60));
        EXPECT_EQ(Frames.load(), before + 1) << start;
        Now = start + 50;
        ASSERT_TRUE(PumpUntil([&] { return Frames.load() == before + 2; })) << start;
        PumpFor(std::chrono::milliseconds(60));
        EXPECT_EQ(Frames.load(), before + 2) << start;
    }
}

TEST_F(TimerThread, ShortIntervalFollowsTheCounter) {
    auto timer = MakeTimer();
    timer->Interval = 2;
    timer->Enabled = true;
    for (uint32_t t = 2; t <= 20; t += 2) {
        Now = t;
        ASSERT_TRUE(PumpUntil([&] { return Frames.load() == static_cast<int>(t / 2); })) << t;
        Now = t + 1;
        PumpFor(std::chrono::milliseconds(20));
        ASSERT_EQ(Frames.load(), static_cast<int>(t / 2)) << t;
    }
}

TEST_F(TimerThread, DestroyingRunsThePendingFrameAndNoOther) {
    auto timer = MakeTimer();
    timer->Enabled = true;
    Now = 1000;
    // Not served yet: the clock blocks in its hand-off.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(Frames.load(), 0);
    Now = 5000;  // a second frame would be due
    timer.reset();
    EXPECT_EQ(Frames.load(), 1);
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(Frames.load(), 1);
}

TEST_F(TimerThread, TerminationComesBeforeTheNextHandOff) {
    auto timer = MakeTimer();
    timer->Enabled = true;
    // Termination ends the wait for the next tick at once; the loop then passes the hand-off,
    // which it must skip because termination has begun.
    timer.reset();
    EXPECT_EQ(Frames.load(), 0);
}

TEST_F(TimerThread, AnErrorInAFrameEndsTheLoop) {
    std::atomic<int> calls{0};
    auto timer = std::make_unique<TTimerThread>(
        [&] {
            ++calls;
            throw std::runtime_error("frame failed");
        },
        [this] { return Now.load(); });
    timer->Enabled = true;
    Now = 1000;
    ASSERT_TRUE(PumpUntil([&] { return timer->Finished(); }));
    Now = 2000;
    PumpFor(std::chrono::milliseconds(60));
    EXPECT_EQ(calls.load(), 1);
}

TEST_F(TimerThread, ManyTimersComeAndGoWithTheRealClock) {
    for (int i = 0; i < 30; ++i) {
        std::atomic<int> frames{0};
        auto timer = std::make_unique<TTimerThread>([&] { ++frames; });
        timer->Interval = 2;
        timer->Enabled = true;
        PumpFor(std::chrono::milliseconds(i % 3 == 0 ? 40 : 1));
        timer.reset();
    }
    SUCCEED();
}

TEST(TickCount, QuantisedToSystemTicks) {
    EXPECT_EQ(QuantiseToSystemTick(0), 0u);
    EXPECT_EQ(QuantiseToSystemTick(15624), 0u);
    EXPECT_EQ(QuantiseToSystemTick(15625), 15u);
    EXPECT_EQ(QuantiseToSystemTick(31250), 31u);
    EXPECT_EQ(QuantiseToSystemTick(46875), 46u);
    EXPECT_EQ(QuantiseToSystemTick(1000000), 1000u);  // 64 ticks a second
    // Wraps at 2^32 milliseconds: the tick that starts 0.875 ms after 2^32 ms reads 0.
    EXPECT_EQ(QuantiseToSystemTick((uint64_t{4294967296} + 16) * 1000), 0u);
    const uint32_t a = QuantisedTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    const uint32_t b = QuantisedTickCount();
    EXPECT_GE(b - a, 15u);
    EXPECT_LT(b - a, 5000u);
}
