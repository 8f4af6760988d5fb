// The file dialogs of the settings dialog's browse button.
#pragma once

#include <windows.h>

#include <string>

// The folder part of a path: everything up to and including the last path separator or drive
// colon; empty when there is none.
std::string ExtractFilePath(const std::string& path);

// The standard open-file dialog, modal over owner, on filter ("Name|*.ext|Name|*.ext" pairs),
// opening in the folder of fileName with fileName preselected. On OK fileName becomes the chosen
// file and the result is true; on Cancel nothing changes.
bool BrowseForFile(HWND owner, const std::string& filter, std::string& fileName);

// The same for a picture, with the picture formats' filter.
bool BrowseForPicture(HWND owner, std::string& fileName);
