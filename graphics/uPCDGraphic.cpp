#include "uPCDGraphic.h"

#include "uByteReader.h"

void TPCDGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    std::vector<uint8_t> bytes = stream.ReadRest();
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
