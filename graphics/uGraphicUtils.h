// Decoding of the program's built-in JPEG pictures (raw-data resources). Portable.
#pragma once

#include <string>

#include "uTBitmap32.h"

// Decodes the raw-data resource of that name into target: sized to the picture, fully opaque.
// Raises EResNotFound "Resource %s not found" for a missing resource and EJPEG for bad data;
// target keeps its content on failure.
void LoadJpegResource(TBitmap32& target, const std::string& name);
