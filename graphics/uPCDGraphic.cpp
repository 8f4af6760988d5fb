#include "uPCDGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TPCDGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    try {
        Decode(bytes);
    } catch (...) {
        ClearPicture();
        throw;
    }
}

void TPCDGraphic::Decode(const std::vector<uint8_t>& bytes) {
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
