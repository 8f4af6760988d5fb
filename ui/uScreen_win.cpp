#include "uScreen.h"

namespace {
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        reinterpret_cast<std::vector<TMonitor>*>(data)->push_back(TMonitor{monitor, info.rcMonitor, info.rcWork});
    }
    return TRUE;
}
}  // namespace

std::vector<TMonitor> Monitors() {
    std::vector<TMonitor> monitors;
    EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    return monitors;
}

TMonitor FirstMonitor() {
    const std::vector<TMonitor> monitors = Monitors();
    if (!monitors.empty()) return monitors.front();
    TMonitor fallback;
    fallback.Bounds = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    fallback.WorkArea = fallback.Bounds;
    return fallback;
}
