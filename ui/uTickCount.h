// Millisecond tick counters of the workers. Portable.
#pragma once

#include <cstdint>

// Length of one classic desktop system tick (1000/64 ms), in microseconds. The frame clock's
// counter moves in steps of this size, so the flames advance about 64 times a second wherever
// the program runs.
constexpr uint32_t SystemTickMicroseconds = 15625;

// A monotonic millisecond counter that wraps at 2^32.
uint32_t MillisecondTickCount();

// The monotonic millisecond counter quantised to whole system ticks (wraps at 2^32).
uint32_t QuantisedTickCount();

// Microseconds from now until just after the quantised counter's next step: a sleep of this
// length ends with the counter moved on by one step.
uint32_t MicrosecondsPastNextSystemTick();

// The same from a given microsecond time: to the next step boundary, plus a small margin so that
// a timer that rounds to whole milliseconds still wakes after the boundary, not before it.
constexpr uint32_t SystemTickWakeMargin = 1000;
constexpr uint32_t MicrosecondsPastNextSystemTick(uint64_t microseconds) {
    return static_cast<uint32_t>(SystemTickMicroseconds - microseconds % SystemTickMicroseconds) + SystemTickWakeMargin;
}

// The quantisation itself: the millisecond value of the last whole system tick at or before
// the given microsecond time.
constexpr uint32_t QuantiseToSystemTick(uint64_t microseconds) {
    return static_cast<uint32_t>(microseconds / SystemTickMicroseconds * SystemTickMicroseconds / 1000);
}
