// Monitors of the desktop, in the system's order (monitor 0 is the first one listed).
#pragma once

#include <windows.h>

#include <vector>

struct TMonitor {
    HMONITOR Handle = nullptr;
    RECT Bounds{};    // full bounds, taskbar included
    RECT WorkArea{};
};

std::vector<TMonitor> Monitors();
// Monitor 0; the primary screen's bounds when the list cannot be read.
TMonitor FirstMonitor();
