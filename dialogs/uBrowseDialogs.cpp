#include "uBrowseDialogs.h"

#include <commdlg.h>

#include <algorithm>

#include <vector>

#include "uPictureFileInfo.h"
#include "uTMyFileDialogs.h"
#include "uWinUtils.h"

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
    TMyOpenPictureDialog dialog(owner);
    dialog.FileName = fileName;
    dialog.InitialDir = ExtractFilePath(fileName);
    if (!dialog.Execute()) return false;
    fileName = dialog.FileName;
    return true;
}
