// Built-in JPEG pictures as plain Windows bitmaps (for image lists).
#pragma once

#include <windows.h>

#include <string>

// Decodes the raw-data resource of that name into a new 24-bit DIB section of the picture's
// size; the caller owns the handle (DeleteObject). Raises as LoadJpegResource does, or
// EOutOfResources when the section cannot be made.
HBITMAP LoadJpegResourceToHBITMAP(const std::string& name);

// The same into target: its previous bitmap is deleted only once the new one is made.
void LoadJpegResource(HBITMAP& target, const std::string& name);
