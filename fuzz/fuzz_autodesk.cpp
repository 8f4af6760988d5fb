// Feeds arbitrary bytes to the Autodesk Animator decoder.
#include "picture_fuzzing.h"
#include "uAutodeskGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TAutodeskGraphic>(data, size); }
