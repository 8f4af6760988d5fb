// Message-driven timers: OnTimer runs on the main thread every Interval milliseconds while enabled.
#pragma once

#include <cstdint>
#include <functional>

class TTimer {
public:
    TTimer(uint32_t interval, bool enabled, std::function<void()> onTimer);
    ~TTimer();
    TTimer(const TTimer&) = delete;
    TTimer& operator=(const TTimer&) = delete;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t interval);

    std::function<void()> OnTimer;

private:
    void Update();
    void Fire();
    friend struct TTimerWindow;

    uint32_t FInterval;
    bool FEnabled;
    uintptr_t FId = 0;
};
