#include "uTTimerThread.h"

#include <utility>

#include "uTickCount.h"

namespace {

// The reading period of a counter whose steps the clock is not told.
constexpr std::chrono::microseconds UnknownStepWait{1000};

}  // namespace

TTimerThread::TTimerThread(std::function<void()> onTimer, TTickCounter tickCounter, TStepWait stepWait)
    : TThread(true),  // started below, once this object is complete
      FOnTimer(std::move(onTimer)) {
    if (tickCounter) {
        FTickCount = std::move(tickCounter);
        FStepWait = stepWait ? std::move(stepWait) : TStepWait([] { return UnknownStepWait; });
    } else {
        FTickCount = QuantisedTickCount;
        FStepWait = stepWait ? std::move(stepWait)
                             : TStepWait([] { return std::chrono::microseconds(MicrosecondsPastNextSystemTick()); });
    }
    Start();
}

TTimerThread::~TTimerThread() { TerminateAndWait(); }

void TTimerThread::SetEnabled(bool enabled) {
    if (FEnabled.exchange(enabled, std::memory_order_relaxed) != enabled) Wake();
}

void TTimerThread::SetPaused(bool paused) {
    if (FPaused.exchange(paused, std::memory_order_relaxed) != paused) Wake();
}

void TTimerThread::Wake() {
    {
        std::lock_guard<std::mutex> guard(FWakeLock);
        FWoken = true;
    }
    FWakeSignal.notify_all();
}

void TTimerThread::WaitWhileIdle() {
    std::unique_lock<std::mutex> lock(FWakeLock);
    FWakeSignal.wait(lock, [this] { return !Idle() || Terminated(); });
}

void TTimerThread::SleepUntilNextStep() {
    const std::chrono::microseconds wait = FStepWait();
    std::unique_lock<std::mutex> lock(FWakeLock);
    if (wait.count() > 0) FWakeSignal.wait_for(lock, wait, [this] { return FWoken || Terminated(); });
    FWoken = false;
}

bool TTimerThread::FrameDue() {
    const uint32_t elapsed = FTickCount() - FLastTick;  // unsigned: survives the wrap at 2^32
    return static_cast<int64_t>(elapsed) >= Interval();
}

// The loop of a clock that asks for a frame whenever the counter has moved on by Interval since
// the last one. The counter only moves in steps, so no frame can become due between two steps:
// the clock sleeps from one step to just after the next instead of polling. A frame that is due
// already (the last one outlasted its step) is asked for at once.
void TTimerThread::Execute() {
    while (!Terminated()) {
        WaitWhileIdle();
        if (!FrameDue()) {
            SleepUntilNextStep();
            if (!FrameDue()) continue;
        }
        FLastTick = FTickCount();
        if (FOnTimer && !Idle() && !Terminated()) Synchronize(FOnTimer);
    }
}
