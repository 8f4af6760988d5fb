#include "uCUTGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TCUTGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    try {
        Decode(bytes);
    } catch (...) {
        ClearPicture();
        throw;
    }
}

void TCUTGraphic::Decode(const std::vector<uint8_t>& bytes) {
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
