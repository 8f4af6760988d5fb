// Feeds arbitrary bytes to the PCX decoder.
#include "picture_fuzzing.h"
#include "uPCXGraphic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return FuzzRasterDecoder<TPCXGraphic>(data, size); }
