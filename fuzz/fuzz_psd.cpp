// Feeds arbitrary bytes to the Photoshop decoder.
#include "picture_fuzzing.h"
#include "uPSDGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TPSDGraphic>(data, size); }
