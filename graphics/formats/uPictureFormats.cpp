// The picture-format registry: file extension to decoder, and loading a picture file by extension.
#include <algorithm>

#include "uAutodeskGraphic.h"
#include "uBitmapGraphic.h"
#include "uCUTGraphic.h"
#include "uEPSGraphic.h"
#include "uGIFImage.h"
#include "uGraphics.h"
#include "uIconGraphic.h"
#include "uJPEGImage.h"
#include "uMetafile.h"
#include "uPCDGraphic.h"
#include "uPCXGraphic.h"
#include "uPNGImage.h"
#include "uPPMGraphic.h"
#include "uPSDGraphic.h"
#include "uPSPGraphic.h"
#include "uRLAGraphic.h"
#include "uSGIGraphic.h"
#include "uSysUtils.h"
#include "uTIFFGraphic.h"
#include "uTargaGraphic.h"

namespace {

template <class T>
void Register(TFileFormatsList& list, const char* extension, const char* description) {
    T probe;
    list.Add(extension, description, probe.ClassName(), [] { return std::unique_ptr<TGraphic>(new T()); });
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
        Register<TMetafile>(*list, "wmf", "Metafiles");
        Register<TMetafile>(*list, "emf", "Enhanced Metafiles");
        Register<TIcon>(*list, "ico", "Icons");
        Register<TBitmap>(*list, "bmp", "Bitmaps");
        return list;
    }();
    return *formats;
}

void RegisterPictureFormats() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    TFileFormatsList& list = FileFormats();
    Register<TGIFImage>(list, "GIF", "GIF Image");
    Register<TJPEGImage>(list, "jpeg", "JPEG Image File");
    Register<TJPEGImage>(list, "jpg", "JPEG Image File");

    Register<TBitmap>(list, "bmp", "Windows bitmaps");
    Register<TIcon>(list, "ico", "Windows icons");
    Register<TMetafile>(list, "wmf", "Windows metafiles");
    Register<TMetafile>(list, "emf", "Windows enhanced meta files");
    Register<TJPEGImage>(list, "jfif", "JFIF images");
    Register<TJPEGImage>(list, "jpg", "JPG images");
    Register<TJPEGImage>(list, "jpe", "JPE images");
    Register<TJPEGImage>(list, "jpeg", "JPEG images");
    Register<TBitmap>(list, "rle", "Run length encoded Windows bitmaps");
    Register<TBitmap>(list, "dib", "Device independant Windows bitmaps");
    for (const char* extension : {"win", "vst", "vda", "tga", "icb"})
        Register<TTargaGraphic>(list, extension, "Truevision images");
    Register<TTIFFGraphic>(list, "tiff", "Macintosh TIFF images");
    Register<TTIFFGraphic>(list, "tif", "PC TIF images");
    Register<TTIFFGraphic>(list, "fax", "GFI fax images");
    Register<TEPSGraphic>(list, "eps", "Encapsulated Postscript images");
    Register<TPCXGraphic>(list, "pcx", "ZSoft Paintbrush images");
    Register<TPCXGraphic>(list, "pcc", "ZSoft Paintbrush images");
    Register<TPCXGraphic>(list, "scr", "Word 5.x screen capture images");
    Register<TRLAGraphic>(list, "rpf", "Alias/Wavefront images");
    Register<TRLAGraphic>(list, "rla", "Alias/Wavefront images");
    Register<TSGIGraphic>(list, "sgi", "SGI true color images");
    Register<TSGIGraphic>(list, "rgba", "SGI true color images with alpha");
    Register<TSGIGraphic>(list, "rgb", "SGI true color images");
    Register<TSGIGraphic>(list, "bw", "SGI black/white images");
    Register<TPSDGraphic>(list, "psd", "Photoshop images");
    Register<TPSDGraphic>(list, "pdd", "Photoshop images");
    Register<TPPMGraphic>(list, "ppm", "Portable pixel map images");
    Register<TPPMGraphic>(list, "pgm", "Portable gray map images");
    Register<TPPMGraphic>(list, "pbm", "Portable bitmap images");
    Register<TAutodeskGraphic>(list, "cel", "Autodesk images");
    Register<TAutodeskGraphic>(list, "pic", "Autodesk images");
    Register<TPCDGraphic>(list, "pcd", "Kodak Photo-CD images");
    Register<TCUTGraphic>(list, "cut", "Dr. Halo images");
    Register<TPSPGraphic>(list, "psp", "Paintshop Pro images");

    Register<TPNGObject>(list, "PNG", "Portable Network Graphics");
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
