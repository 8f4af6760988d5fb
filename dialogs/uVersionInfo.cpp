#include "uVersionInfo.h"

#include <windows.h>

#include <vector>

#include "uWinUtils.h"

void GetFileVersion(const std::string& fileName, int32_t& major, int32_t& minor, int32_t& release, int32_t& build) {
    const std::wstring name = Wide(fileName);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0) return;
    std::vector<BYTE> buffer(size);  // freed on every path
    if (!GetFileVersionInfoW(name.c_str(), 0, size, buffer.data())) return;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(buffer.data(), L"\\", reinterpret_cast<void**>(&info), &length) || info == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO))
        return;
    major = static_cast<int32_t>(HIWORD(info->dwFileVersionMS));
    minor = static_cast<int32_t>(LOWORD(info->dwFileVersionMS));
    release = static_cast<int32_t>(HIWORD(info->dwFileVersionLS));
    build = static_cast<int32_t>(LOWORD(info->dwFileVersionLS));
}

std::string FormatShortVersion(int32_t major, int32_t minor, int32_t release) {
    return std::to_string(major) + "." + std::to_string(minor) + std::to_string(release);
}

namespace {
std::string RunningProgramVersion() {
    int32_t major = 0, minor = 0, release = 0, build = 0;
    GetFileVersion(ExecutablePath(), major, minor, release, build);
    return FormatShortVersion(major, minor, release);
}
}  // namespace

const std::string ShortVersion = RunningProgramVersion();
