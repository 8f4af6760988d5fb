// Corpus files of the formats decoded here: sizes, clean failures, and pixels that agree with an
// independent decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

#include "test_picture_support.h"
#include "uGraphics.h"
#include "uSysUtils.h"
#include "uTBitmap32.h"

using namespace picture_test;

namespace {

struct TIndexEntry {
    std::string File;  // relative to the corpus, e.g. "bmp/x.bmp"
    std::string Kind;
    int Width = 0;
    int Height = 0;
    std::string Variant;
};

std::vector<TIndexEntry> ReadIndex() {
    std::vector<TIndexEntry> entries;
    std::ifstream in(CorpusPath("index.tsv"));
    std::string line;
    std::getline(in, line);  // column names
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t')) fields.push_back(field);
        if (fields.size() < 6) continue;
        TIndexEntry e;
        e.File = fields[0];
        e.Kind = fields[2];
        e.Width = std::atoi(fields[3].c_str());
        e.Height = std::atoi(fields[4].c_str());
        e.Variant = fields[5];
        entries.push_back(e);
    }
    return entries;
}

const std::vector<std::string> DecodedHere = {"bmp", "dib", "rle", "ico", "jpg", "jpeg", "jpe", "jfif",
                                               "png", "gif", "tif", "tiff", "fax", "eps"};

bool InFolders(const TIndexEntry& e) {
    const std::string folder = e.File.substr(0, e.File.find('/'));
    return std::find(DecodedHere.begin(), DecodedHere.end(), folder) != DecodedHere.end();
}

bool MustFail(const TIndexEntry& e) {
    const std::string name = e.File.substr(e.File.find('/') + 1);
    return name.rfind("bad-", 0) == 0 || name.rfind("foreign-", 0) == 0;
}

// Files whose index size is not the size of the picture data they hold.
const std::map<std::string, std::pair<int, int>> SizeOverrides = {
    // The directory claims 16x32; the bitmap it holds has 16 rows (and a 16-row mask).
    {"ico/pillow-hopper_unexpected.ico", {16, 16}},
};

// Valid files a decoder refuses by its own rule, with the message it gives.
const std::map<std::string, std::string> RefusedByRule = {
    {"gif/gdk-gifsuite-image-outside-bg.gif", "Image exceeds Logical Screen size"},
    // Reported to the GIF decoder's owner: ImageMagick reads it as a 100x100 picture.
    {"gif/gdk-gifsuite-max-codes.gif", "Invalid GIF data"},
};

// Files in compressions that the Windows build's libtiff leaves out (Debian's has them): they may
// also fail with the unsupported-variant message.
const std::map<std::string, std::string> OptionalCodec = {
    {"tif/pillow-hopper_lzma.tif", "Cannot load image. LZMA compression not supported for TIFF files."},
};

class PictureCorpus : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterPictureFormats(); }
};

}  // namespace

TEST_F(PictureCorpus, EveryFileLoadsWithItsSizeOrFailsCleanly) {
    VELMORA_NEEDS_CORPUS();
    int loaded = 0, failed = 0;
    std::string wrong;
    for (const TIndexEntry& e : ReadIndex()) {
        if (!InFolders(e)) continue;
        int width = e.Width, height = e.Height;
        if (const auto o = SizeOverrides.find(e.File); o != SizeOverrides.end()) std::tie(width, height) = o->second;
        TBitmap32 bitmap;
        try {
            bitmap.LoadFromFile(CorpusPath(e.File));
            ++loaded;
            if (MustFail(e) || bitmap.Width() != width || bitmap.Height() != height)
                wrong += Format("\n%s: loaded %dx%d, expected %s", e.File.c_str(), bitmap.Width(), bitmap.Height(),
                                MustFail(e) ? "an error" : Format("%dx%d", width, height).c_str());
        } catch (const Exception& error) {
            ++failed;
            const auto refused = RefusedByRule.find(e.File);
            if (refused != RefusedByRule.end() && refused->second == error.what()) continue;
            const auto optional = OptionalCodec.find(e.File);
            if (optional != OptionalCodec.end() && optional->second == error.what()) continue;
            if (!MustFail(e)) wrong += Format("\n%s: %s", e.File.c_str(), error.what());
        }
    }
    EXPECT_EQ(wrong, "");
    EXPECT_GT(loaded, 200);
    EXPECT_GT(failed, 0);
}

namespace {

// The straight RGBA bytes ImageMagick decodes, or empty when it cannot.
std::vector<uint8_t> DecodeWithImageMagick(const std::string& input) {
    const std::string command = "/usr/bin/convert '" + input + "' -depth 8 rgba:- 2>/dev/null";
    return CommandOutput(command);
}

// A copy of a PNG file without its colour-space chunks (gAMA, cHRM, sRGB, iCCP), so that an
// independent decoder returns the stored samples as ours does.
std::vector<uint8_t> WithoutColourSpace(const std::vector<uint8_t>& png) {
    if (png.size() < 8) return png;
    std::vector<uint8_t> out(png.begin(), png.begin() + 8);
    size_t p = 8;
    while (p + 12 <= png.size()) {
        const size_t length = (static_cast<size_t>(png[p]) << 24) | (png[p + 1] << 16) | (png[p + 2] << 8) | png[p + 3];
        if (length > png.size() - p - 12) break;
        const std::string type(png.begin() + static_cast<long>(p) + 4, png.begin() + static_cast<long>(p) + 8);
        if (type != "gAMA" && type != "cHRM" && type != "sRGB" && type != "iCCP")
            out.insert(out.end(), png.begin() + static_cast<long>(p), png.begin() + static_cast<long>(p + 12 + length));
        p += 12 + length;
    }
    return out;
}

struct TComparison {
    const char* Folder;
    const char* ImageMagickFormat;  // the reader to force, or "" for ImageMagick's own choice
    int Tolerance;                  // per channel
    bool CompareAlpha;
};

}  // namespace

// The decoders' straight ARGB pixels agree with ImageMagick's. Colours are compared only where
// the picture is not fully transparent; ImageMagick's known differences are left out.
TEST_F(PictureCorpus, PixelsAgreeWithAnIndependentDecoder) {
    VELMORA_NEEDS_CORPUS();
    if (!HostTool("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
    // Bitmaps: ImageMagick widens 5- and 6-bit channels by bit replication (we round), and reads
    // the fourth byte of 32-bit bitmaps as it likes; only colours are compared there.
    const TComparison comparisons[] = {
        {"bmp", "bmp", 1, false},   {"dib", "", 1, false},      {"rle", "bmp", 0, true}, {"jpg", "", 0, true},
        {"jpeg", "", 0, true},      {"jpe", "jpeg", 0, true},   {"jfif", "jpeg", 0, true}, {"png", "", 1, true},
        {"tif", "", 2, true},       {"tiff", "", 2, true},      {"fax", "tiff", 0, true},
    };
    auto skipped = [](const TIndexEntry& e) {
        static const char* const quirks[] = {
            "orientation",          // orientation tags: ImageMagick leaves them as stored
            "input_JPG_old.tif",    // old-style JPEG in TIFF: ImageMagick's colours are wrong
            "hopper.Lab.tif",       // CIE L*a*b*: another conversion to RGB
            "minisblack-2c-8b-alpha",  // separate alpha plane: ImageMagick reads it as opaque
        };
        for (const char* quirk : quirks)
            if (e.File.find(quirk) != std::string::npos) return true;
        return false;
    };
    TTempDir dir;
    int compared = 0;
    std::string wrong;
    const std::vector<TIndexEntry> index = ReadIndex();
    for (const TComparison& c : comparisons) {
        for (const TIndexEntry& e : index) {
            if (e.File.rfind(std::string(c.Folder) + "/", 0) != 0 || MustFail(e) || skipped(e)) continue;
            const std::string path = CorpusPath(e.File);
            const TFileFormat* format = FileFormats().Find(ExtractPictureExtension(path));
            ASSERT_NE(format, nullptr);
            std::unique_ptr<TGraphic> graphic = format->Create();
            try {
                graphic->LoadFromFile(path);
            } catch (const Exception& error) {
                wrong += Format("\n%s: %s", e.File.c_str(), error.what());
                continue;
            }
            const auto* raster = dynamic_cast<const TRasterGraphic*>(graphic.get());
            if (raster == nullptr) continue;
            // ImageMagick would turn gamma-tagged samples into sRGB: it gets them untagged.
            const std::string source =
                std::string(c.Folder) == "png" ? dir.Write("untagged.png", WithoutColourSpace(ReadFileBytes(path))) : path;
            const std::string input =
                c.ImageMagickFormat[0] ? std::string(c.ImageMagickFormat) + ":" + source + "[0]" : source + "[0]";
            const std::vector<uint8_t> expected = DecodeWithImageMagick(input);
            if (expected.empty()) continue;  // ImageMagick cannot read it
            if (expected.size() != raster->Pixels().size() * 4) {
                wrong += Format("\n%s: ImageMagick gives %u bytes for %dx%d", e.File.c_str(), static_cast<unsigned>(expected.size()),
                                raster->Width(), raster->Height());
                continue;
            }
            ++compared;
            int worst = 0;
            size_t worstAt = 0;
            for (size_t i = 0; i < raster->Pixels().size(); ++i) {
                const TColor32 p = raster->Pixels()[i];
                const uint8_t* q = expected.data() + i * 4;
                const int a = static_cast<int>(p >> 24);
                int d = c.CompareAlpha ? std::abs(a - q[3]) : 0;
                if (!c.CompareAlpha || (a != 0 && q[3] != 0)) {
                    d = std::max({d, std::abs(static_cast<int>((p >> 16) & 0xFF) - q[0]),
                                  std::abs(static_cast<int>((p >> 8) & 0xFF) - q[1]),
                                  std::abs(static_cast<int>(p & 0xFF) - q[2])});
                }
                if (d > worst) {
                    worst = d;
                    worstAt = i;
                }
            }
            if (worst > c.Tolerance) {
                const uint8_t* q = expected.data() + worstAt * 4;
                wrong += Format("\n%s: pixel %u is %08X, ImageMagick %02X%02X%02X%02X", e.File.c_str(), static_cast<unsigned>(worstAt),
                                raster->Pixels()[worstAt], q[3], q[0], q[1], q[2]);
            }
        }
    }
    EXPECT_EQ(wrong, "");
    EXPECT_GT(compared, 100);
}
