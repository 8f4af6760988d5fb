// The seam between TBitmap32 and the platform: pixel memory with a drawing context over it.
// Windows: a 32-bit top-down DIB section selected into a memory DC. Native: plain memory.
#pragma once

#include <cstdint>
#include <memory>

struct TBitmapSurface {
    virtual ~TBitmapSurface() = default;
    virtual uint32_t* Bits() = 0;
    virtual void* Handle() = 0;  // HDC on Windows, nullptr natively
    virtual void Flush() {}

    // Makes a surface of width x height pixels, all 0. Raises EOutOfResources with the
    // specification's messages when the memory or context cannot be made.
    static std::unique_ptr<TBitmapSurface> Create(int32_t width, int32_t height);
};
