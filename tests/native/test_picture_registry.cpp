// The picture-format registry and loading a picture file by its extension.
#include <gtest/gtest.h>

#include <set>

#include <jpeglib.h>
#include <jerror.h>

#include "test_picture_support.h"
#include "uBitmapGraphic.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

using namespace picture_test;

namespace {
class PictureRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPictureFormats(); }
};
}  // namespace

TEST_F(PictureRegistry, HoldsEveryEntryInOrder) {
    RegisterPictureFormats();  // a second call adds nothing
    const char* const expected[][3] = {
        {"wmf", "Metafiles", "TMetafile"},
        {"emf", "Enhanced Metafiles", "TMetafile"},
        {"ico", "Icons", "TIcon"},
        {"bmp", "Bitmaps", "TBitmap"},
        {"gif", "GIF Image", "TGIFImage"},
        {"jpeg", "JPEG Image File", "TJPEGImage"},
        {"jpg", "JPEG Image File", "TJPEGImage"},
        {"bmp", "Windows bitmaps", "TBitmap"},
        {"ico", "Windows icons", "TIcon"},
        {"wmf", "Windows metafiles", "TMetafile"},
        {"emf", "Windows enhanced meta files", "TMetafile"},
        {"jfif", "JFIF images", "TJPEGImage"},
        {"jpg", "JPG images", "TJPEGImage"},
        {"jpe", "JPE images", "TJPEGImage"},
        {"jpeg", "JPEG images", "TJPEGImage"},
        {"rle", "Run length encoded Windows bitmaps", "TBitmap"},
        {"dib", "Device independant Windows bitmaps", "TBitmap"},
        {"win", "Truevision images", "TTargaGraphic"},
        {"vst", "Truevision images", "TTargaGraphic"},
        {"vda", "Truevision images", "TTargaGraphic"},
        {"tga", "Truevision images", "TTargaGraphic"},
        {"icb", "Truevision images", "TTargaGraphic"},
        {"tiff", "Macintosh TIFF images", "TTIFFGraphic"},
        {"tif", "PC TIF images", "TTIFFGraphic"},
        {"fax", "GFI fax images", "TTIFFGraphic"},
        {"eps", "Encapsulated Postscript images", "TEPSGraphic"},
        {"pcx", "ZSoft Paintbrush images", "TPCXGraphic"},
        {"pcc", "ZSoft Paintbrush images", "TPCXGraphic"},
        {"scr", "Word 5.x screen capture images", "TPCXGraphic"},
        {"rpf", "Alias/Wavefront images", "TRLAGraphic"},
        {"rla", "Alias/Wavefront images", "TRLAGraphic"},
        {"sgi", "SGI true color images", "TSGIGraphic"},
        {"rgba", "SGI true color images with alpha", "TSGIGraphic"},
        {"rgb", "SGI true color images", "TSGIGraphic"},
        {"bw", "SGI black/white images", "TSGIGraphic"},
        {"psd", "Photoshop images", "TPSDGraphic"},
        {"pdd", "Photoshop images", "TPSDGraphic"},
        {"ppm", "Portable pixel map images", "TPPMGraphic"},
        {"pgm", "Portable gray map images", "TPPMGraphic"},
        {"pbm", "Portable bitmap images", "TPPMGraphic"},
        {"cel", "Autodesk images", "TAutodeskGraphic"},
        {"pic", "Autodesk images", "TAutodeskGraphic"},
        {"pcd", "Kodak Photo-CD images", "TPCDGraphic"},
        {"cut", "Dr. Halo images", "TCUTGraphic"},
        {"psp", "Paintshop Pro images", "TPSPGraphic"},
        {"png", "Portable Network Graphics", "TPNGObject"},
    };
    const auto& entries = FileFormats().Entries();
    ASSERT_EQ(entries.size(), std::size(expected));
    std::set<std::string> distinct;
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].Extension, expected[i][0]);
        EXPECT_EQ(entries[i].Description, expected[i][1]);
        EXPECT_EQ(entries[i].GraphicClassName, expected[i][2]);
        // Every entry creates a picture of its own class.
        EXPECT_STREQ(entries[i].Create()->ClassName(), expected[i][2]);
        distinct.insert(entries[i].Extension);
    }
    const std::set<std::string> dialogFilter = {
        "bmp", "jpg", "jpeg", "gif", "png", "tif", "tiff", "psd", "pdd", "ico", "wmf", "emf", "jpe", "jfif",
        "psp", "cut", "pcd", "pic", "cel", "pbm", "pgm", "ppm", "bw", "rgb", "rgba", "sgi", "rla", "rpf",
        "scr", "pcc", "pcx", "eps", "fax", "icb", "tga", "vda", "vst", "win", "dib", "rle"};
    EXPECT_EQ(distinct, dialogFilter);
    EXPECT_EQ(distinct.size(), 40u);
}

TEST_F(PictureRegistry, FindsFromTheLastEntryIgnoringCase) {
    EXPECT_EQ(FileFormats().Find("JPG")->Description, "JPG images");
    EXPECT_EQ(FileFormats().Find("Bmp")->Description, "Windows bitmaps");
    EXPECT_EQ(FileFormats().Find("gif")->Description, "GIF Image");
    EXPECT_EQ(FileFormats().Find("txt"), nullptr);
    EXPECT_EQ(FileFormats().Find(""), nullptr);

    const std::pair<const char*, const char*> names[] = {
        {"photo.JPG", "JPG"}, {"dir.d/README", ""}, {"archive.tar.GZ", "GZ"},
        {"C:\\pics\\a.Png", "Png"}, {"name.", ""}, {"/x/.hidden", "hidden"},
    };
    for (const auto& [path, extension] : names) EXPECT_EQ(ExtractPictureExtension(path), extension) << path;
}

TEST_F(PictureRegistry, LoadsByExtensionAsWritten) {
    VELMORA_NEEDS_CORPUS();
    TTempDir dir;
    const std::vector<uint8_t> jpeg = ReadFileBytes(CorpusPath("jpg/sdl2-image-sample.jpg"));
    ASSERT_FALSE(jpeg.empty());
    for (const char* name : {"photo.JPG", "photo.jpg", "photo.Jpg"}) {
        TPicture picture;
        int changes = 0;
        picture.OnChange = [&](TPicture&) { ++changes; };
        picture.LoadFromFile(dir.Write(name, jpeg));
        ASSERT_NE(picture.Graphic(), nullptr) << name;
        EXPECT_STREQ(picture.Graphic()->ClassName(), "TJPEGImage") << name;
        EXPECT_EQ(changes, 1);
    }

    const std::pair<const char*, const char*> unknown[] = {
        {"notes.txt", "Unknown picture file extension (.txt)"},
        {"README", "Unknown picture file extension (.)"},
        {"photo.XYZ", "Unknown picture file extension (.XYZ)"},
    };
    const std::vector<uint8_t> png = ReadFileBytes(CorpusPath("png/sdl2-image-sample.png"));
    for (const auto& [name, message] : unknown) {
        TPicture picture;
        picture.LoadFromFile(dir.Write("keep.png", png));
        const TGraphic* before = picture.Graphic();
        try {
            picture.LoadFromFile(dir.Write(name, jpeg));
            ADD_FAILURE() << name;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), message);
        }
        EXPECT_EQ(picture.Graphic(), before);  // the holder keeps its picture
    }
}

TEST_F(PictureRegistry, ContentUnderAnotherNameFollowsTheRules) {
    VELMORA_NEEDS_CORPUS();
    TTempDir dir;
    // PNG content named .jpg reaches the JPEG decoder, which refuses it.
    TPicture picture;
    try {
        picture.LoadFromFile(dir.Write("png.jpg", ReadFileBytes(CorpusPath("png/sdl2-image-sample.png"))));
        ADD_FAILURE() << "loaded";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Message(), Format("JPEG error #%d", JERR_NO_SOI));
    }
    EXPECT_EQ(picture.Graphic(), nullptr);
    TBitmap32 bitmap;
    EXPECT_THROW(bitmap.LoadFromFile(dir.Path() + "/png.jpg"), EJPEG);

    // BMP content named .jpg is recognised before the extension is consulted.
    bitmap.LoadFromFile(dir.Write("bmp.jpg", ReadFileBytes(CorpusPath("bmp/bmpsuite-g-pal8.bmp"))));
    EXPECT_EQ(bitmap.Width(), 127);
    EXPECT_EQ(bitmap.Height(), 64);
    // But through the registry alone it is a JPEG file.
    EXPECT_THROW(picture.LoadFromFile(dir.Path() + "/bmp.jpg"), EJPEG);
}
