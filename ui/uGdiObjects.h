// Owned GDI objects (fonts, brushes, pens) and the conversion of skin colours to GDI colours.
#pragma once

#include <windows.h>

#include <string>

#include "uSkin.h"

inline COLORREF ToColorRef(TSkinColor color) {
    return RGB((color >> 16) & 0xFF, (color >> 8) & 0xFF, color & 0xFF);
}

// One owned GDI object of type Handle, deleted with it.
template <typename Handle>
class TGdiObject {
public:
    TGdiObject() = default;
    explicit TGdiObject(Handle handle) : FHandle(handle) {}
    ~TGdiObject() { Reset(); }
    TGdiObject(TGdiObject&& other) noexcept : FHandle(other.FHandle) { other.FHandle = nullptr; }
    TGdiObject& operator=(TGdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            FHandle = other.FHandle;
            other.FHandle = nullptr;
        }
        return *this;
    }
    TGdiObject(const TGdiObject&) = delete;
    TGdiObject& operator=(const TGdiObject&) = delete;

    Handle Get() const { return FHandle; }
    void Reset(Handle handle = nullptr) {
        if (FHandle != nullptr) DeleteObject(FHandle);
        FHandle = handle;
    }

private:
    Handle FHandle = nullptr;
};

using TFontHandle = TGdiObject<HFONT>;
using TBrushHandle = TGdiObject<HBRUSH>;
using TPenHandle = TGdiObject<HPEN>;

// A font by face, height (negative: character height in pixels; positive: cell height), weight
// and underline.
HFONT CreateUiFont(const std::wstring& face, int height, bool bold, bool underline = false);
HFONT CreateSkinFont(const TSkinFont& font);

// Selects an object into a device context for the lifetime of this object.
class TSelectObject {
public:
    TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(SelectObject(dc, object)) {}
    ~TSelectObject() { SelectObject(FDC, FOld); }
    TSelectObject(const TSelectObject&) = delete;
    TSelectObject& operator=(const TSelectObject&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};
