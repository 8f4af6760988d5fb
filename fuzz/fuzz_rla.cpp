// Feeds arbitrary bytes to the RLA decoder.
#include "picture_fuzzing.h"
#include "uRLAGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TRLAGraphic>(data, size); }
