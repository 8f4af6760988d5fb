#include "uTTimerThread.h"

#include <chrono>
#include <thread>
#include <utility>

#include "uTickCount.h"

TTimerThread::TTimerThread(std::function<void()> onTimer, TTickCounter tickCounter)
    : TThread(true),  // started below, once this object is complete
      FOnTimer(std::move(onTimer)),
      FTickCount(tickCounter ? std::move(tickCounter) : TTickCounter(QuantisedTickCount)) {
    Start();
}

TTimerThread::~TTimerThread() { TerminateAndWait(); }

void TTimerThread::Execute() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const uint32_t elapsed = FTickCount() - FLastTick;  // unsigned: survives the wrap at 2^32
        if (static_cast<int64_t>(elapsed) < Interval.load(std::memory_order_relaxed) && !Terminated()) continue;
        FLastTick = FTickCount();
        if (FOnTimer && Enabled.load(std::memory_order_relaxed) && !Terminated()) Synchronize(FOnTimer);
        if (Terminated()) return;
    }
}
