// Feeds arbitrary bytes to the SGI decoder.
#include "picture_fuzzing.h"
#include "uSGIGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TSGIGraphic>(data, size); }
