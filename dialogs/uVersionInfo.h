// The program's version from its own version resource.
#pragma once

#include <cstdint>
#include <string>

// Reads the fixed file version of fileName: major and minor from the most significant word,
// release and build from the least significant one. Without version information the outputs
// stay as they were.
void GetFileVersion(const std::string& fileName, int32_t& major, int32_t& minor, int32_t& release, int32_t& build);

// "major.minorrelease": 2, 2, 0 gives "2.20"; 3, 1, 4 gives "3.14".
std::string FormatShortVersion(int32_t major, int32_t minor, int32_t release);

// The running program's short version, computed once at start-up ("0.00" without a resource).
extern const std::string ShortVersion;
