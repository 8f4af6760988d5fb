#include "uTickCount.h"

#include <chrono>

namespace {

uint64_t MonotonicMicroseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

uint32_t MillisecondTickCount() { return static_cast<uint32_t>(MonotonicMicroseconds() / 1000); }

uint32_t QuantisedTickCount() { return QuantiseToSystemTick(MonotonicMicroseconds()); }

uint32_t MicrosecondsPastNextSystemTick() { return MicrosecondsPastNextSystemTick(MonotonicMicroseconds()); }
