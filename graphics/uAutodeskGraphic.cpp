#include "uAutodeskGraphic.h"

#include "uByteReader.h"

void TAutodeskGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    std::vector<uint8_t> bytes = stream.ReadRest();
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
