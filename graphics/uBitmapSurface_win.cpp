#include <windows.h>

#include "uBitmapSurface.h"
#include "uSysUtils.h"

namespace {
class TDIBSurface : public TBitmapSurface {
public:
    TDIBSurface(int32_t width, int32_t height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down: row 0 first in memory
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        FBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (FBitmap == nullptr || bits == nullptr) {
            if (FBitmap != nullptr) DeleteObject(FBitmap);
            throw EOutOfResources("Can't allocate the DIB handle");
        }
        FBits = static_cast<uint32_t*>(bits);
        FDC = CreateCompatibleDC(nullptr);
        if (FDC == nullptr) {
            DeleteObject(FBitmap);
            throw EOutOfResources("Can't create compatible DC");
        }
        FOldBitmap = SelectObject(FDC, FBitmap);
        if (FOldBitmap == nullptr || FOldBitmap == HGDI_ERROR) {
            DeleteDC(FDC);
            DeleteObject(FBitmap);
            throw EOutOfResources("Can't select an object into DC");
        }
    }
    ~TDIBSurface() override {
        SelectObject(FDC, FOldBitmap);
        DeleteDC(FDC);
        DeleteObject(FBitmap);
    }
    uint32_t* Bits() override { return FBits; }
    void* Handle() override { return FDC; }
    void Flush() override { GdiFlush(); }

private:
    HBITMAP FBitmap = nullptr;
    HDC FDC = nullptr;
    HGDIOBJ FOldBitmap = nullptr;
    uint32_t* FBits = nullptr;
};
}  // namespace

std::unique_ptr<TBitmapSurface> TBitmapSurface::Create(int32_t width, int32_t height) {
    return std::make_unique<TDIBSurface>(width, height);
}
