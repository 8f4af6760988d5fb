#include "uAutodeskGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TAutodeskGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    try {
        Decode(bytes);
    } catch (...) {
        ClearPicture();
        throw;
    }
}

void TAutodeskGraphic::Decode(const std::vector<uint8_t>& bytes) {
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
