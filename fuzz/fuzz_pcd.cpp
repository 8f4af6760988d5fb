// Feeds arbitrary bytes to the Photo-CD decoder.
#include "picture_fuzzing.h"
#include "uPCDGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TPCDGraphic>(data, size); }
