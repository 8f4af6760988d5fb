#include "uPPMGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TPPMGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    try {
        Decode(bytes);
    } catch (...) {
        ClearPicture();
        throw;
    }
}

void TPPMGraphic::Decode(const std::vector<uint8_t>& bytes) {
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
