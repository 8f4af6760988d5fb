#include "uBrowseDialogs.h"

#include <commdlg.h>

#include <algorithm>

#include <vector>

#include "uWinUtils.h"

std::string ExtractFilePath(const std::string& path) {
    const size_t end = path.find_last_of("\\/:");
    return end == std::string::npos ? std::string() : path.substr(0, end + 1);
}

bool BrowseForFile(HWND owner, const std::string& filter, std::string& fileName) {
    // The filter's pairs separated by NULs, ending in two.
    std::wstring filters = Wide(filter);
    for (wchar_t& c : filters)
        if (c == L'|') c = L'\0';
    filters.push_back(L'\0');
    filters.push_back(L'\0');
    const std::wstring initialDir = Wide(ExtractFilePath(fileName));
    std::vector<wchar_t> name(32768, L'\0');
    const std::wstring preset = Wide(fileName);
    preset.copy(name.data(), std::min(preset.size(), name.size() - 1));

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    if (!GetOpenFileNameW(&ofn)) return false;
    fileName = Narrow(name.data());
    return true;
}

bool BrowseForPicture(HWND owner, std::string& fileName) {
    return BrowseForFile(owner,
                         "Pictures|*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.ico;*.pcx;*.tga;*.psd|"
                         "All files|*.*",
                         fileName);
}
