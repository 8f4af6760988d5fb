#include "uPPMGraphic.h"

#include "uByteReader.h"

void TPPMGraphic::LoadFromStream(TStream& stream) {
    ClearPicture();
    std::vector<uint8_t> bytes = stream.ReadRest();
    TByteReader reader(bytes, ShortName);
    reader.FailFormat();
}
