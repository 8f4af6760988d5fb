// The frame clock: its loop against a fake tick counter, hand-offs and termination.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

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
    EXPECT_FALSE(timer->Enabled());
    EXPECT_EQ(timer->Interval(), 50);
    Now = 1000;  // long overdue, but disabled
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(Frames.load(), 0);
}

TEST_F(TimerThread, HandsOneFramePerIntervalAcrossTheWrap) {
    auto timer = MakeTimer();
    timer->SetEnabled(true);
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
    timer->SetInterval(2);
    timer->SetEnabled(true);
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
    timer->SetEnabled(true);
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
    timer->SetEnabled(true);
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
    timer->SetEnabled(true);
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
        timer->SetInterval(2);
        timer->SetEnabled(true);
        PumpFor(std::chrono::milliseconds(i % 3 == 0 ? 40 : 1));
        timer.reset();
    }
    SUCCEED();
}

// The clock with the quantised counter in a virtual time: every sleep until the next step moves
// the time there at once, and every frame costs its time (less than a step). The frames must come
// at exactly the ticks at which a clock reading the counter after every millisecond asks for them.
namespace {

struct TVirtualClockCase {
    uint64_t StartMicroseconds;
    int32_t Interval;
    uint64_t FrameMicroseconds;  // the time a frame takes on the main thread
};

std::vector<uint32_t> TicksOfTheMillisecondLoop(const TVirtualClockCase& c, size_t frames) {
    uint64_t now = c.StartMicroseconds;
    uint32_t last = 0;
    std::vector<uint32_t> ticks;
    while (ticks.size() < frames) {
        now += 1000;
        if (static_cast<int64_t>(static_cast<uint32_t>(QuantiseToSystemTick(now) - last)) < c.Interval) continue;
        last = QuantiseToSystemTick(now);
        ticks.push_back(last);
        now += c.FrameMicroseconds;
    }
    return ticks;
}

}  // namespace

TEST_F(TimerThread, FramesComeAtTheTicksOfTheMillisecondLoopAcrossTheWrap) {
    const uint64_t wrap = uint64_t{1} << 32;  // milliseconds
    const TVirtualClockCase cases[] = {
        {(wrap - 100) * 1000, 2, 0},      // every step, through the wrap of the counter
        {(wrap - 100) * 1000 + 777, 2, 4000},
        {(wrap - 400) * 1000, 50, 3000},  // every fourth step
        {(wrap - 60) * 1000 + 5000, 2, 12000},  // frames taking most of a step
    };
    const size_t frames = 30;
    for (const TVirtualClockCase& c : cases) {
        std::atomic<uint64_t> now{c.StartMicroseconds};
        std::vector<uint32_t> ticks;
        auto timer = std::make_unique<TTimerThread>(
            [&] {
                if (ticks.size() < frames) ticks.push_back(QuantiseToSystemTick(now));
                now += c.FrameMicroseconds;
            },
            [&] { return QuantiseToSystemTick(now); },
            [&] {
                now += MicrosecondsPastNextSystemTick(now);
                return std::chrono::microseconds(0);
            });
        timer->SetInterval(c.Interval);
        timer->SetEnabled(true);
        ASSERT_TRUE(PumpUntil([&] { return ticks.size() == frames; })) << c.StartMicroseconds;
        timer.reset();
        EXPECT_EQ(ticks, TicksOfTheMillisecondLoop(c, frames)) << c.StartMicroseconds << " " << c.FrameMicroseconds;
        EXPECT_LT(ticks.back(), ticks.front()) << "the case does not cross the wrap: " << c.StartMicroseconds;
    }
}

TEST_F(TimerThread, AnIdleClockNeitherReadsTheCounterNorHandsOverAndResumesWhenDue) {
    enum TIdle { Paused, Disabled };
    for (const TIdle idle : {Paused, Disabled}) {
        std::atomic<int> readings{0};
        auto timer = std::make_unique<TTimerThread>([this] { ++Frames; }, [&] {
            ++readings;
            return Now.load();
        });
        timer->SetInterval(2);
        timer->SetEnabled(true);
        Now += 1000;
        const int before = Frames.load();
        ASSERT_TRUE(PumpUntil([&] { return Frames.load() == before + 1; }));

        if (idle == Paused) timer->SetPaused(true);
        else timer->SetEnabled(false);
        // The loop round in progress ends (however slow the machine): the readings stand still.
        auto stillFor = [&](std::chrono::milliseconds span) {
            const int at = readings.load();
            PumpFor(span);
            return readings.load() == at;
        };
        ASSERT_TRUE(PumpUntil([&] { return stillFor(std::chrono::milliseconds(100)); }));
        const int readingsIdle = readings.load();
        const int framesIdle = Frames.load();
        Now += 1000;  // long due, but idle
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_EQ(readings.load(), readingsIdle) << idle;
        EXPECT_EQ(Frames.load(), framesIdle) << idle;

        if (idle == Paused) timer->SetPaused(false);
        else timer->SetEnabled(true);
        ASSERT_TRUE(PumpUntil([&] { return Frames.load() == framesIdle + 1; })) << idle;
        PumpFor(std::chrono::milliseconds(50));
        EXPECT_EQ(Frames.load(), framesIdle + 1) << idle;  // the counter stands: one frame only
    }
}

TEST_F(TimerThread, TerminationEndsEveryWaitAtOnce) {
    // Idle and waiting for a switch; sleeping towards a step an hour away.
    enum TWait { Paused, Disabled, LongStep };
    for (const TWait wait : {Paused, Disabled, LongStep}) {
        auto timer = std::make_unique<TTimerThread>([this] { ++Frames; }, [this] { return Now.load(); },
                                                    [] { return std::chrono::microseconds(3600000000LL); });
        timer->SetEnabled(wait != Disabled);
        timer->SetPaused(wait == Paused);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const auto start = Clock::now();
        timer.reset();
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(5)) << wait;
    }
    EXPECT_EQ(Frames.load(), 0);
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
    // A sleep to just after the next step: the margin past the boundary is kept.
    EXPECT_EQ(MicrosecondsPastNextSystemTick(0), 15625u + SystemTickWakeMargin);
    EXPECT_EQ(MicrosecondsPastNextSystemTick(15624), 1u + SystemTickWakeMargin);
    EXPECT_EQ(MicrosecondsPastNextSystemTick(31250 + 625), 15000u + SystemTickWakeMargin);
    const uint32_t a = QuantisedTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    const uint32_t b = QuantisedTickCount();
    EXPECT_GE(b - a, 15u);
    EXPECT_LT(b - a, 5000u);
}
