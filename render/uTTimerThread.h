// The renderer's frame clock: a worker that hands one frame request at a time to the main thread.
// Portable.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "uThreads.h"

class TTimerThread : public TThread {
public:
    using TTickCounter = std::function<uint32_t()>;

    // Starts looping at once, disabled, with an interval of 50 ms. onTimer runs on the main
    // thread for every due frame; tickCounter is the millisecond counter the loop reads.
    explicit TTimerThread(std::function<void()> onTimer, TTickCounter tickCounter = TTickCounter());
    // Terminates the loop and waits for it, serving pending hand-offs meanwhile, so a frame
    // already requested runs to completion before the destructor returns.
    ~TTimerThread() override;

    // Written by the main thread, read by the loop (relaxed is enough: plain switches).
    std::atomic<bool> Enabled{false};
    std::atomic<int32_t> Interval{50};

protected:
    void Execute() override;

private:
    uint32_t FLastTick = 0;
    std::function<void()> FOnTimer;
    TTickCounter FTickCount;
};
