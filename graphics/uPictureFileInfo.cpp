#include "uPictureFileInfo.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "uSysUtils.h"

std::string FormatFixed2(double value, const TNumberSeparators& separators) {
    char digits[64];
    std::snprintf(digits, sizeof digits, "%.2f", value);
    std::string text = digits;
    const size_t point = text.find('.');
    std::string whole = text.substr(0, point), fraction = text.substr(point + 1);
    std::string sign;
    if (!whole.empty() && whole[0] == '-') {
        sign = "-";
        whole.erase(0, 1);
    }
    std::string grouped;
    for (size_t i = 0; i < whole.size(); ++i) {
        if (i != 0 && (whole.size() - i) % 3 == 0) grouped += separators.Thousands;
        grouped += whole[i];
    }
    return sign + grouped + separators.Decimal + fraction;
}

std::string FormatFileSize(uint64_t size, const TNumberSeparators& separators) {
    const uint64_t megabyte = 1048576;
    if (size > megabyte) return FormatFixed2(static_cast<double>(size) / 1048576.0, separators) + "MB";
    return FormatFixed2(static_cast<double>(size) / 1024.0, separators) + "KB";
}

std::string PictureTypeText(const std::string& path) {
    const size_t separator = path.find_last_of("\\/:");
    const size_t nameStart = separator == std::string::npos ? 0 : separator + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return std::string();
    std::string type = path.substr(dot + 1);
    std::transform(type.begin(), type.end(), type.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; });
    return type;
}

float PreviewScale(int32_t clientWidth, int32_t clientHeight, int32_t bitmapWidth, int32_t bitmapHeight) {
    if (bitmapWidth <= 0 || bitmapHeight <= 0) return 1.0f;
    const double byHeight = static_cast<double>(clientHeight) / bitmapHeight * 0.96;
    const double byWidth = static_cast<double>(clientWidth) / bitmapWidth * 0.96;
    return static_cast<float>(std::min({byHeight, byWidth, 1.0}));
}

std::string ExtractFilePath(const std::string& path) {
    const size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

std::string PreviewCaption(int32_t width, int32_t height, const std::string& sizeText, const std::string& typeText,
                           const std::string& modified) {
    return Format("文件类型: %" PRId32 "x%" PRId32 "  %s  %s\r\n最后修改: %s      ", width, height, sizeText.c_str(),
                  typeText.c_str(), modified.c_str());
}
