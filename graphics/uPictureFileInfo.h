// Texts and numbers the picture open dialog shows about a file: its size, its type, the preview
// scale and the folder part of a path. Portable; the locale's separators are passed in.
#pragma once

#include <cstdint>
#include <string>

// The separators of the "#,0.00" number format.
struct TNumberSeparators {
    std::string Thousands = ",";
    std::string Decimal = ".";
};

// value with two decimals and thousands grouping, e.g. 1234.5 -> "1,234.50".
std::string FormatFixed2(double value, const TNumberSeparators& separators);

// Above 1,048,576 bytes the size in MB, otherwise in KB, with two decimals and no blank before
// the unit: 0 -> "0.00KB", 1,048,576 -> "1,024.00KB", 1,048,577 -> "1.00MB".
std::string FormatFileSize(uint64_t size, const TNumberSeparators& separators);

// The extension of the file name without its dot, ASCII letters in upper case; empty when the
// name (after the last path separator) has no dot.
std::string PictureTypeText(const std::string& path);

// The preview's scale: 96 % of the largest fit of the picture into the client area, at most 1.
float PreviewScale(int32_t clientWidth, int32_t clientHeight, int32_t bitmapWidth, int32_t bitmapHeight);

// Everything up to and including the last path separator or drive colon; empty when none.
std::string ExtractFilePath(const std::string& path);

// The preview's two-line caption: "文件类型: WxH  size  type" and "最后修改: modified" followed
// by six blanks.
std::string PreviewCaption(int32_t width, int32_t height, const std::string& sizeText, const std::string& typeText,
                           const std::string& modified);
