// The painter of a GIF animation: a thread that times the frames and hands each draw into the
// target surface to the main thread. Portable.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "uGIFImage.h"
#include "uThreads.h"

// An auto-reset event: SetEvent wakes one wait (or the next one), which resets it.
class TWakeupEvent {
public:
    void SetEvent();
    // Waits at most timeoutMs; true when the event was set (and is reset again).
    bool WaitFor(int32_t timeoutMs);

private:
    std::mutex FLock;
    std::condition_variable FSignal;
    bool FSet = false;
};

class TGIFPainter : public TThread {
public:
    // Created suspended; the image starts it and keeps it on its painter list.
    TGIFPainter(TGIFImage& image, TCanvas& canvas, const TRect& rect, uint16_t options);
    ~TGIFPainter() override;

    // Asks the painter to end: no further draws, and a pending wait ends at once.
    void Stop();
    bool Stopped() const { return FStopped.load(std::memory_order_relaxed); }
    // A paused painter asks for no draw: it sleeps before its next frame until it is resumed
    // (or stopped), and then times its frames afresh from there.
    void SetPaused(bool paused);
    bool Paused() const { return FPaused.load(std::memory_order_relaxed); }
    uint16_t Options() const { return FOptions; }
    size_t ActiveFrame() const { return FActiveFrame.load(std::memory_order_relaxed); }

protected:
    void Execute() override;

private:
    void Paint();
    // Waits before the active frame; false when the painter was stopped meanwhile.
    bool WaitBeforeFrame(int32_t delay);
    void WaitWhilePaused();
    void DrawActiveFrame();

    TGIFImage& FImage;
    TCanvas& FCanvas;
    const TRect FRect;
    const uint16_t FOptions;
    std::function<uint32_t()> FClock;
    std::function<void(int32_t)> FOnWait;

    std::atomic<size_t> FActiveFrame{0};
    std::atomic<bool> FStopped{false};
    std::atomic<bool> FPaused{false};
    TWakeupEvent FWakeup;
    uint32_t FWaitStart = 0;
    int32_t FLastWait = 0;
};
