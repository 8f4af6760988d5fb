// The renderer's frame clock: a worker that hands one frame request at a time to the main thread.
// It sleeps until its tick counter can next have moved on, and while it is disabled or paused it
// sleeps until that changes, so an idle clock costs nothing. Portable.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "uThreads.h"

class TTimerThread : public TThread {
public:
    using TTickCounter = std::function<uint32_t()>;
    // How long to sleep, from now, until just after the tick counter's next step.
    using TStepWait = std::function<std::chrono::microseconds()>;

    // Starts looping at once, disabled, with an interval of 50 ms. onTimer runs on the main
    // thread for every due frame. tickCounter is the millisecond counter the loop reads and
    // stepWait tells it how long the counter stays where it is; by default the counter quantised
    // to system ticks and its steps. A counter given without a step wait is read every millisecond.
    explicit TTimerThread(std::function<void()> onTimer, TTickCounter tickCounter = TTickCounter(),
                          TStepWait stepWait = TStepWait());
    // Terminates the loop and waits for it, serving pending hand-offs meanwhile, so a frame
    // already requested runs to completion before the destructor returns.
    ~TTimerThread() override;

    // The switches, written by the main thread. Frames are handed over only while the clock is
    // enabled and not paused.
    bool Enabled() const { return FEnabled.load(std::memory_order_relaxed); }
    void SetEnabled(bool enabled);
    bool Paused() const { return FPaused.load(std::memory_order_relaxed); }
    void SetPaused(bool paused);
    // The least distance of the tick counter between two frames, in milliseconds.
    int32_t Interval() const { return FInterval.load(std::memory_order_relaxed); }
    void SetInterval(int32_t interval) { FInterval.store(interval, std::memory_order_relaxed); }

protected:
    void Execute() override;
    void TerminationRequested() override { Wake(); }

private:
    bool Idle() const { return !Enabled() || Paused(); }
    // The counter has moved on by Interval since the last frame.
    bool FrameDue();
    // Sleeps as long as the clock is idle and not terminated.
    void WaitWhileIdle();
    // Sleeps until just after the counter's next step; a change of a switch or termination ends
    // the sleep early.
    void SleepUntilNextStep();
    void Wake();

    std::atomic<bool> FEnabled{false};
    std::atomic<bool> FPaused{false};
    std::atomic<int32_t> FInterval{50};
    uint32_t FLastTick = 0;
    std::function<void()> FOnTimer;
    TTickCounter FTickCount;
    TStepWait FStepWait;

    std::mutex FWakeLock;
    std::condition_variable FWakeSignal;
    bool FWoken = false;  // a switch changed or termination began since the last sleep
};
