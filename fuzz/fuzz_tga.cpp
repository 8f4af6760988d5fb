// Feeds arbitrary bytes to the TGA decoder.
#include "picture_fuzzing.h"
#include "uTargaGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TTargaGraphic>(data, size); }
