// Scratch folders and small picture files for the Windows tests of the viewer and the dialog.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

#include "uWinUtils.h"

// A folder of its own under the temporary folder, removed with everything in it at the end.
class TScratchFolder {
public:
    explicit TScratchFolder(const std::string& name) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        FPath = Narrow(temp) + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
        Remove();
        CreateDirectoryW(Wide(FPath).c_str(), nullptr);
    }
    ~TScratchFolder() { Remove(); }
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::string& Path() const { return FPath; }
    std::string operator/(const std::string& name) const { return FPath + name; }

private:
    void Remove() {
        std::wstring from = Wide(FPath);
        from.pop_back();
        from.append(2, L'\0');
        SHFILEOPSTRUCTW op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NO_UI;
        SHFileOperationW(&op);
    }
    std::string FPath;
};

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = CreateFileW(Wide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

// A 24-bit bottom-up Windows bitmap file of one colour (0xRRGGBB).
inline void WriteBmp(const std::string& path, int width, int height, uint32_t rgb) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * static_cast<uint32_t>(height);
    std::vector<uint8_t> bytes(54 + imageSize, 0);
    auto put16 = [&](size_t at, uint32_t v) {
        bytes[at] = static_cast<uint8_t>(v);
        bytes[at + 1] = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&](size_t at, uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    put16(26, 1);
    put16(28, 24);
    put32(34, imageSize);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t at = 54 + static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3;
            bytes[at] = static_cast<uint8_t>(rgb);
            bytes[at + 1] = static_cast<uint8_t>(rgb >> 8);
            bytes[at + 2] = static_cast<uint8_t>(rgb >> 16);
        }
    WriteBytes(path, bytes);
}

// The colour (0xRRGGBB) of a pixel of a window's client area as the screen shows it.
inline uint32_t ScreenPixel(HWND window, int x, int y) {
    POINT p{x, y};
    ClientToScreen(window, &p);
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}
