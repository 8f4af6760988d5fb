// Feeds arbitrary bytes to the Dr. Halo decoder.
#include "picture_fuzzing.h"
#include "uCUTGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TCUTGraphic>(data, size); }
