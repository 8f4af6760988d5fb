#include "uGdiObjects.h"

#include "uWinUtils.h"

HFONT CreateUiFont(const std::wstring& face, int height, bool bold, bool underline) {
    LOGFONTW font{};
    font.lfHeight = height;
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, face.c_str(), LF_FACESIZE);
    return CreateFontIndirectW(&font);
}

HFONT CreateSkinFont(const TSkinFont& font) { return CreateUiFont(Wide(font.Name), font.Height, font.Bold); }
