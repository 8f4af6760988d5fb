#include "uGraphicUtils_win.h"

#include <cstring>

#include "uClasses.h"
#include "uJPEGImage.h"
#include "uSysUtils.h"

HBITMAP LoadJpegResourceToHBITMAP(const std::string& name) {
    TJPEGImage jpeg;
    {
        TResourceStream stream(TResourceType::RawData, name);
        jpeg.LoadFromStream(stream);
    }
    const int32_t width = jpeg.Width();
    const int32_t height = jpeg.Height();
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr || bits == nullptr) {
        if (bitmap != nullptr) DeleteObject(bitmap);
        throw EOutOfResources("Can't allocate the DIB handle");
    }
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const TColor32* in = jpeg.Pixels().data();
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* out = static_cast<uint8_t*>(bits) + static_cast<size_t>(y) * stride;
        for (int32_t x = 0; x < width; ++x, ++in, out += 3) {
            out[0] = static_cast<uint8_t>(*in);
            out[1] = static_cast<uint8_t>(*in >> 8);
            out[2] = static_cast<uint8_t>(*in >> 16);
        }
    }
    GdiFlush();
    return bitmap;
}

void LoadJpegResource(HBITMAP& target, const std::string& name) {
    HBITMAP bitmap = LoadJpegResourceToHBITMAP(name);
    if (target != nullptr) DeleteObject(target);
    target = bitmap;
}
