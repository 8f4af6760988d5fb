// Feeds arbitrary bytes to the portable any-map decoder.
#include "picture_fuzzing.h"
#include "uPPMGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TPPMGraphic>(data, size); }
