// The file dialogs of the settings dialog's browse button.
#pragma once

#include <windows.h>

#include <string>

// The standard open-file dialog, modal over owner, on filter ("Name|*.ext|Name|*.ext" pairs),
// opening in the folder of fileName with fileName preselected. On OK fileName becomes the chosen
// file and the result is true; on Cancel nothing changes.
bool BrowseForFile(HWND owner, const std::string& filter, std::string& fileName);

// The picture open dialog with its preview and its own picture filter, preset the same way.
bool BrowseForPicture(HWND owner, std::string& fileName);
