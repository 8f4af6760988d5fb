// The look of the picture viewer and of the open dialog's preview in one place: the grey comes
// from the skin (the platform's face colour without one); the frames and the font are the
// viewer's own design.
#pragma once

#include <windows.h>

#include "uGdiObjects.h"
#include "uSkin.h"
#include "uTBitmap32.h"

namespace ViewerLook {
// The viewer's window, panel and picture background.
inline COLORREF Background() {
    const TSkin* skin = ActiveSkin();
    return skin != nullptr ? ToColorRef(skin->Face) : GetSysColor(COLOR_BTNFACE);
}
inline TColor32 PictureBackground() {
    const COLORREF c = Background();
    return Color32(GetRValue(c), GetGValue(c), GetBValue(c));
}
// The one-pixel frame of the viewer's panel.
constexpr COLORREF PanelFrame = RGB(0, 0, 0);
// The frame drawn round a decoded picture (not round the error picture).
constexpr TColor32 PictureFrame = 0xFF000000u;  // opaque black
// The dialogs' font: 宋体 12 px.
constexpr wchar_t FontName[] = L"宋体";
constexpr int FontHeight = 12;
}  // namespace ViewerLook
