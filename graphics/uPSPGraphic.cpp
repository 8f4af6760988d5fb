#include "uPSPGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TPSPGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    try {
        Decode(bytes);
    } catch (...) {
        ClearPicture();
        throw;
    }
}

void TPSPGraphic::Decode(const std::vector<uint8_t>& bytes) {
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
