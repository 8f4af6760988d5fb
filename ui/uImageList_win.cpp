#include "uImageList.h"

#include <cstring>

#include "uClasses.h"
#include "uPNGImage.h"
#include "uSysUtils.h"
#include "uWinUtils.h"

TImageList::~TImageList() {
    for (HBITMAP bitmap : FBitmaps) DeleteObject(bitmap);
}

int32_t TImageList::Add(const std::vector<TColor32>& pixels) {
    if (pixels.size() != static_cast<size_t>(FWidth) * static_cast<size_t>(FHeight))
        throw EInvalidGraphic(Format("Image list pictures must be %dx%d", FWidth, FHeight));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = FWidth;
    info.bmiHeader.biHeight = -FHeight;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap == nullptr) RaiseLastOSError();
    auto* out = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t c = pixels[i], a = c >> 24;
        const uint32_t r = ((c >> 16) & 0xFF) * a / 255, g = ((c >> 8) & 0xFF) * a / 255, b = (c & 0xFF) * a / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    FBitmaps.push_back(bitmap);
    return Count() - 1;
}

int32_t TImageList::AddPngResource(const std::string& name) {
    const TResourceBytes bytes = FindResourceBytes(TResourceType::RawData, name);
    TPNGObject png;
    png.LoadFromBytes(bytes.Data, bytes.Size);
    return Add(png.Pixels());
}

void TImageList::Draw(HDC dc, int32_t x, int32_t y, int32_t index) const {
    if (index < 0 || index >= Count()) return;
    HDC source = CreateCompatibleDC(dc);
    if (source == nullptr) return;
    HGDIOBJ old = SelectObject(source, FBitmaps[static_cast<size_t>(index)]);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, x, y, FWidth, FHeight, source, 0, 0, FWidth, FHeight, blend);
    SelectObject(source, old);
    DeleteDC(source);
}
