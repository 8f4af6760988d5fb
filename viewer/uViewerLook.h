// The look of the picture viewer and of the open dialog's preview in one place: colours, font
// and frame metrics, until they are read from the skin.
#pragma once

#include <windows.h>

#include "uTBitmap32.h"

namespace ViewerLook {
// The viewer's window, panel and picture background.
constexpr COLORREF Background = RGB(85, 85, 85);
constexpr TColor32 PictureBackground = 0xFF555555u;  // opaque (85, 85, 85)
// The one-pixel frame of the viewer's panel.
constexpr COLORREF PanelFrame = RGB(0, 0, 0);
// The frame drawn round a decoded picture (not round the error picture).
constexpr TColor32 PictureFrame = 0xFF000000u;  // opaque black
// The dialogs' font: 宋体 12 px.
constexpr wchar_t FontName[] = L"宋体";
constexpr int FontHeight = 12;
}  // namespace ViewerLook
