#include "uRLAGraphic.h"

#include "uByteReader.h"

void TRLAGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    std::vector<uint8_t> bytes = stream.ReadRest();
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
