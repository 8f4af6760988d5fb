#include "uGraphicUtils.h"

#include "uClasses.h"
#include "uJPEGImage.h"

void LoadJpegResource(TBitmap32& target, const std::string& name) {
    TJPEGImage jpeg;
    {
        TResourceStream stream(TResourceType::RawData, name);
        jpeg.LoadFromStream(stream);
    }
    target.Assign(&jpeg);
}
