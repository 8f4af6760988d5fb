// JPEG pictures, then their assignment to a 32-bit bitmap.
#include "picture_fuzzing.h"
#include "uJPEGImage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TJPEGImage>(data, size); }
