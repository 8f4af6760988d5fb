#include "uGIFPainter.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// A paused painter's sleep is one wait on its event; the limit only bounds a single wait.
constexpr int32_t PausedWaitMs = 60 * 60 * 1000;

}  // namespace

void TWakeupEvent::SetEvent() {
    {
        std::lock_guard<std::mutex> guard(FLock);
        FSet = true;
    }
    FSignal.notify_one();
}

bool TWakeupEvent::WaitFor(int32_t timeoutMs) {
    std::unique_lock<std::mutex> lock(FLock);
    const bool set = FSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return FSet; });
    FSet = false;
    return set;
}

TGIFPainter::TGIFPainter(TGIFImage& image, TCanvas& canvas, const TRect& rect, uint16_t options)
    : TThread(true),
      FImage(image),
      FCanvas(canvas),
      FRect(rect),
      FOptions(options),
      FClock(image.Clock),
      FOnWait(image.OnPainterWait) {}

TGIFPainter::~TGIFPainter() {
    Stop();
    TerminateAndWait();
}

void TGIFPainter::Stop() {
    FStopped.store(true, std::memory_order_relaxed);
    FWakeup.SetEvent();
}

void TGIFPainter::SetPaused(bool paused) {
    // Pausing lets a wait in progress run its course; resuming ends the sleep of a paused painter.
    if (FPaused.exchange(paused, std::memory_order_relaxed) && !paused) FWakeup.SetEvent();
}

void TGIFPainter::WaitWhilePaused() {
    if (!Paused()) return;
    while (Paused() && !Stopped()) FWakeup.WaitFor(PausedWaitMs);
    FLastWait = 0;
    FWaitStart = FClock();
}

void TGIFPainter::Execute() {
    if (!Stopped() && !Terminated()) {
        try {
            Paint();
        } catch (...) {
            // A frame that cannot be drawn ends the painting.
        }
    }
    FImage.PainterFinished(this);
}

bool TGIFPainter::WaitBeforeFrame(int32_t delay) {
    if (delay < 1) {
        std::this_thread::yield();
        WaitWhilePaused();
        return !Stopped();
    }
    FImage.FramePicture(FActiveFrame);  // decoding counts as time spent outside waiting
    const uint32_t now = FClock();
    // Shorten the wait by half of the time spent since the previous wait should have ended.
    // (64-bit, so that no clock jump can overflow; the result is kept within ±2^30.)
    const int64_t overrun = int64_t{static_cast<int32_t>(now - FWaitStart)} - FLastWait;
    const int32_t wait = static_cast<int32_t>(std::clamp<int64_t>(12 * int64_t{delay} - overrun / 2, -(1 << 30), 1 << 30));
    FLastWait = wait;
    FWaitStart = now;
    if (FOnWait) FOnWait(wait);
    if (wait > 0 && FWakeup.WaitFor(wait)) {
        FLastWait = 0;
        FWaitStart = FClock();
    }
    WaitWhilePaused();
    return !Stopped();
}

void TGIFPainter::DrawActiveFrame() {
    if (Stopped()) return;
    TThread::Synchronize([this] {
        // The stop may have come while the draw was waiting for the main thread.
        if (Stopped()) return;
        FImage.DrawFrame(FCanvas, FRect, FActiveFrame, (FOptions & PaintTransparent) != 0);
        FCanvas.Bitmap().Changed();  // whoever watches the target learns of every new frame
    });
}

void TGIFPainter::Paint() {
    const bool animate = (FOptions & PaintAnimate) != 0;
    const bool loop = (FOptions & PaintLoop) != 0;
    const bool loopForever = (FOptions & PaintLoopForever) != 0;
    const size_t frameCount = FImage.FrameCount();

    int32_t delay = 0;
    int32_t loopCount = 1;
    size_t loopStart = 0;
    bool loopSeen = false;
    FWaitStart = FClock();
    FLastWait = 0;
    FActiveFrame = 0;

    for (;;) {
        while (FActiveFrame < frameCount) {
            if (!WaitBeforeFrame(delay)) return;
            const TGIFFrame& frame = FImage.Frame(FActiveFrame);
            if (frame.HasLoopExtension && !loopSeen) {
                loopSeen = true;
                loopCount = (frame.LoopCount == 0 || loopForever) ? -1 : frame.LoopCount;
                loopStart = FActiveFrame;
            }
            // Frames are drawn over one another whatever their disposal asks for.
            DrawActiveFrame();
            delay = frame.Delay != 0 ? frame.Delay : 10;
            if (delay < 3) delay = 3;
            FActiveFrame = FActiveFrame + 1;
            if (!animate) return;
        }
        if (loopCount > 0) --loopCount;
        if (!(loop && (loopCount != 0 || loopForever)) || Stopped()) return;
        FActiveFrame = loopStart;
    }
}
