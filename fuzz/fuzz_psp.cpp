// Feeds arbitrary bytes to the Paint Shop Pro decoder.
#include "picture_fuzzing.h"
#include "uPSPGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TPSPGraphic>(data, size); }
