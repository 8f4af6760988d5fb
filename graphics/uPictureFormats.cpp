// The picture-format registry: file extension to decoder, and loading a picture file by extension.
#include <algorithm>

#include "uBitmapGraphic.h"
#include "uGraphics.h"
#include "uMetafile.h"
#include "uSysUtils.h"

namespace {

template <class T>
TGraphicFactory Factory() {
    return [] { return std::unique_ptr<TGraphic>(new T()); };
}

}  // namespace

void TFileFormatsList::Add(const std::string& extension, const std::string& description,
                           const std::string& graphicClassName, TGraphicFactory factory) {
    FEntries.push_back(TFileFormat{LowerCase(extension), description, graphicClassName, std::move(factory)});
}

const TFileFormat* TFileFormatsList::Find(const std::string& extension) const {
    const std::string key = LowerCase(extension);
    for (auto it = FEntries.rbegin(); it != FEntries.rend(); ++it)
        if (it->Extension == key) return &*it;
    return nullptr;
}

TFileFormatsList& FileFormats() {
    static TFileFormatsList* formats = [] {
        auto* list = new TFileFormatsList;
        list->Add("wmf", "Metafiles", "TMetafile", Factory<TMetafile>());
        list->Add("emf", "Enhanced Metafiles", "TMetafile", Factory<TMetafile>());
        list->Add("bmp", "Bitmaps", "TBitmap", Factory<TBitmap>());
        return list;
    }();
    return *formats;
}

void RegisterPictureFormats() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    TFileFormatsList& list = FileFormats();
    list.Add("bmp", "Windows bitmaps", "TBitmap", Factory<TBitmap>());
    list.Add("rle", "Run length encoded Windows bitmaps", "TBitmap", Factory<TBitmap>());
    list.Add("dib", "Device independant Windows bitmaps", "TBitmap", Factory<TBitmap>());
}

std::string ExtractPictureExtension(const std::string& path) {
    const size_t nameStart = path.find_last_of("/\\");
    const std::string name = nameStart == std::string::npos ? path : path.substr(nameStart + 1);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void TPicture::LoadFromFile(const std::string& path) {
    const std::string extension = ExtractPictureExtension(path);
    const TFileFormat* format = FileFormats().Find(extension);
    if (format == nullptr)
        throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", extension.c_str()));
    std::unique_ptr<TGraphic> graphic = format->Create();
    graphic->LoadFromFile(path);  // on failure the new picture goes and the holder keeps its own
    SetGraphic(std::move(graphic));
}
