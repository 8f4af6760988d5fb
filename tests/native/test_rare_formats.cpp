// The hand-written decoders of the rarer picture formats, checked against the sample corpus:
// every sample decodes to its listed size and to the pixels an independent decoder produces
// (composited over white, as the picture is shown), and broken input fails with the format's
// own message.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "test_picture_support.h"
#include "uAutodeskGraphic.h"
#include "uCUTGraphic.h"
#include "uPCDGraphic.h"
#include "uPCXGraphic.h"
#include "uPPMGraphic.h"
#include "uPSDGraphic.h"
#include "uPSPGraphic.h"
#include "uRLAGraphic.h"
#include "uSGIGraphic.h"
#include "uSysUtils.h"
#include "uTargaGraphic.h"

namespace {

const std::string Corpus = picture_test::CorpusRoot();

struct TFormatFamily {
    const char* ShortName;
    std::vector<std::string> Extensions;
    std::function<std::unique_ptr<TRasterGraphic>()> Create;
};

template <class T>
std::unique_ptr<TRasterGraphic> Make() {
    return std::make_unique<T>();
}

const std::vector<TFormatFamily>& Families() {
    static const std::vector<TFormatFamily> families = {
        {"TGA", {"tga", "vda", "vst", "win", "icb"}, Make<TTargaGraphic>},
        {"PCX", {"pcx", "pcc", "scr"}, Make<TPCXGraphic>},
        {"RLA", {"rla", "rpf"}, Make<TRLAGraphic>},
        {"SGI", {"sgi", "rgb", "rgba", "bw"}, Make<TSGIGraphic>},
        {"PSD", {"psd", "pdd"}, Make<TPSDGraphic>},
        {"PPM", {"ppm", "pgm", "pbm"}, Make<TPPMGraphic>},
        {"Autodesk", {"cel", "pic"}, Make<TAutodeskGraphic>},
        {"PCD", {"pcd"}, Make<TPCDGraphic>},
        {"CUT", {"cut"}, Make<TCUTGraphic>},
        {"PSP", {"psp"}, Make<TPSPGraphic>},
    };
    return families;
}

const TFormatFamily* FamilyOf(const std::string& extension) {
    for (const TFormatFamily& family : Families())
        for (const std::string& e : family.Extensions)
            if (e == extension) return &family;
    return nullptr;
}

// A scratch file of this test process, so that test runs in parallel do not share one.
std::string TempPath(const std::string& name) {
    return ::testing::TempDir() + "velmora-rare-" + std::to_string(::getpid()) + "-" + name;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The error message of decoding bytes, or "" when they decode.
std::string DecodeError(const TFormatFamily& family, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<TRasterGraphic> graphic = family.Create();
    TMemoryStream stream(bytes.data(), bytes.size());
    try {
        graphic->LoadFromStream(stream);
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(graphic->Empty()) << "a failed load leaves the picture empty";
        return e.what();
    }
    return "";
}

struct TCorpusEntry {
    std::string File;  // relative to the corpus
    std::string Extension;
    std::string Kind;
    int Width = 0;
    int Height = 0;
};

void PrintTo(const TCorpusEntry& entry, std::ostream* os) { *os << entry.File; }

std::vector<TCorpusEntry> CorpusEntries() {
    std::vector<TCorpusEntry> entries;
    std::ifstream index(Corpus + "/index.tsv");
    std::string line;
    std::getline(index, line);  // column names
    while (std::getline(index, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        std::string cell;
        while (std::getline(row, cell, '\t')) cells.push_back(cell);
        if (cells.size() < 5 || !FamilyOf(cells[1])) continue;
        const size_t dot = cells[0].rfind('.');
        if (dot == std::string::npos || cells[0].substr(dot + 1) != cells[1]) continue;  // companion files
        TCorpusEntry entry{cells[0], cells[1], cells[2], 0, 0};
        entry.Width = std::atoi(cells[3].c_str());
        entry.Height = std::atoi(cells[4].c_str());
        entries.push_back(entry);
    }
    // Without the sample pictures one placeholder stands for them, and is skipped.
    if (entries.empty()) entries.push_back(TCorpusEntry{"missing", "", "", 0, 0});
    return entries;
}

// A picture as RGB bytes over white, from an independent decoder.
struct TRgbPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Rgb;
};

std::optional<TRgbPicture> ParsePPM(const std::vector<uint8_t>& data) {
    std::string header;
    size_t pos = 0;
    int fields[3] = {0, 0, 0};
    if (data.size() < 2 || data[0] != 'P' || data[1] != '6') return std::nullopt;
    pos = 2;
    for (int& field : fields) {
        while (pos < data.size() && std::isspace(data[pos])) ++pos;
        while (pos < data.size() && std::isdigit(data[pos])) field = field * 10 + (data[pos++] - '0');
    }
    ++pos;
    TRgbPicture picture{fields[0], fields[1], {}};
    const size_t size = static_cast<size_t>(picture.Width) * picture.Height * 3;
    if (fields[2] != 255 || data.size() < pos + size) return std::nullopt;
    picture.Rgb.assign(data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(pos + size));
    return picture;
}

const char* PillowScript = R"(import sys
from PIL import Image
im = Image.open(sys.argv[1])
im.load()
if im.mode.startswith('I'):
    im = im.convert('I').point(lambda v: v * (1 / 257.0)).convert('L')
rgba = im.convert('RGBA')
white = Image.new('RGBA', im.size, (255, 255, 255, 255))
out = Image.alpha_composite(white, rgba).convert('RGB')
sys.stdout.buffer.write(b'P6 %d %d 255\n' % out.size + out.tobytes())
)";

enum class TReference { Pillow, ImageMagick };

std::optional<TRgbPicture> RunReference(TReference reference, const std::string& path) {
    const std::string output = TempPath("reference.ppm");
    std::string command;
    if (reference == TReference::Pillow) {
        const std::string script = TempPath("reference.py");
        std::ofstream(script) << PillowScript;
        command = "/usr/bin/python3 '" + script + "' '" + path + "' > '" + output + "' 2>/dev/null";
    } else {
        command = "/usr/bin/convert '" + path + "' -background white -alpha remove -depth 8 ppm:- > '" + output +
                  "' 2>/dev/null";
    }
    const bool decoded = picture_test::RunHostCommand(command) == 0;
    std::remove(TempPath("reference.py").c_str());
    const std::optional<TRgbPicture> picture = decoded ? ParsePPM(ReadFileBytes(output)) : std::nullopt;
    std::remove(output.c_str());
    // Pillow reads no 16-bit Photoshop files; ImageMagick does.
    if (!picture && reference == TReference::Pillow) return RunReference(TReference::ImageMagick, path);
    return picture;
}

// Which decoder (and which file, when the sample was made from another one) gives the expected pixels.
struct TReferenceChoice {
    TReference Decoder;
    std::string File;     // empty: the sample itself
    int Tolerance;        // per channel; negative: a mean difference of at most -Tolerance
};

std::optional<TReferenceChoice> ReferenceFor(const TCorpusEntry& entry) {
    static const std::map<std::string, TReferenceChoice> bySample = {
        // Pillow reads Photoshop bitmaps with black and white swapped.
        {"psd/kimageformats-bitmap.psd", {TReference::ImageMagick, "", 0}},
        // The same photograph as another rendition, not the same pixels.
        {"rla/graphicsmagick-input_rgb.rla", {TReference::Pillow, "win/graphicsmagick-input_24.win", -8}},
        {"rpf/handmade-rla-layout-basn2c08-rgb-32x32.rpf", {TReference::Pillow, "png/pngsuite-basn2c08.png", 0}},
        {"rpf/handmade-rla-layout-basn6a08-rgba-32x32.rpf", {TReference::Pillow, "png/pngsuite-basn6a08.png", 1}},
        {"cel/handmade-cel-basn3p04-32x32-at-10-20.cel", {TReference::Pillow, "png/pngsuite-basn3p04.png", 3}},
        {"pic/handmade-pic-basn3p08-32x32.pic", {TReference::Pillow, "png/pngsuite-basn3p08.png", 3}},
        {"cut/handmade-cut-basn3p08-32x32.cut", {TReference::ImageMagick, "", 0}},
        {"cut/handmade-cut-testorig-320x200.cut", {TReference::ImageMagick, "", 0}},
        {"psp/handmade-psp-v5-lz77-basn2c08-32x32.psp", {TReference::Pillow, "png/pngsuite-basn2c08.png", 0}},
        {"psp/handmade-psp-v5-rle-rgba-basn6a08-32x32.psp", {TReference::Pillow, "png/pngsuite-basn6a08.png", 1}},
    };
    const auto found = bySample.find(entry.File);
    if (found != bySample.end()) return found->second;
    const std::string family = FamilyOf(entry.Extension)->ShortName;
    if (family == "RLA" || family == "Autodesk" || family == "CUT" || family == "PSP") return std::nullopt;
    return TReferenceChoice{TReference::Pillow, "", family == "PCD" ? 12 : 1};
}

// Composites straight ARGB over white, as an assigned picture shows.
uint8_t OverWhite(TColor32 pixel, int shift) {
    const int a = static_cast<int>(pixel >> 24);
    const int c = static_cast<int>((pixel >> shift) & 0xFF);
    return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

void ExpectPixelsMatch(const TRasterGraphic& graphic, const TRgbPicture& expected, int tolerance) {
    ASSERT_EQ(graphic.Width(), expected.Width);
    ASSERT_EQ(graphic.Height(), expected.Height);
    size_t off = 0;
    double total = 0;
    std::string first;
    const std::vector<TColor32>& pixels = graphic.Pixels();
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int shifts[3] = {16, 8, 0};
        for (int c = 0; c < 3; ++c) {
            const int diff = std::abs(OverWhite(pixels[i], shifts[c]) - expected.Rgb[i * 3 + c]);
            total += diff;
            if (tolerance >= 0 && diff > tolerance) {
                if (off == 0)
                    first = "first at x=" + std::to_string(i % expected.Width) + " y=" + std::to_string(i / expected.Width) +
                            " channel " + std::to_string(c) + ": got " + std::to_string(OverWhite(pixels[i], shifts[c])) +
                            " expected " + std::to_string(expected.Rgb[i * 3 + c]);
                ++off;
                break;
            }
        }
    }
    if (tolerance < 0) {
        EXPECT_LE(total / (pixels.size() * 3.0), -tolerance) << "mean channel difference";
        return;
    }
    EXPECT_EQ(off, 0u) << "pixels off by more than " << tolerance << "; " << first;
}

class RareFormatSample : public ::testing::TestWithParam<TCorpusEntry> {};

TEST_P(RareFormatSample, DecodesLikeAnIndependentDecoder) {
    VELMORA_NEEDS_CORPUS();
    const TCorpusEntry& entry = GetParam();
    const TFormatFamily& family = *FamilyOf(entry.Extension);
    const std::string path = Corpus + "/" + entry.File;
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;

    if (entry.Kind.rfind("other format", 0) == 0) {
        EXPECT_EQ(DecodeError(family, bytes),
                  std::string("Cannot load image. Invalid or unexpected ") + family.ShortName + " image format.");
        return;
    }
    if (entry.Kind.rfind("truncated", 0) == 0) {
        EXPECT_EQ(DecodeError(family, bytes), std::string("Stream read error in ") + family.ShortName + " file.");
        return;
    }

    std::unique_ptr<TRasterGraphic> graphic = family.Create();
    graphic->LoadFromFile(path);
    EXPECT_EQ(graphic->Width(), entry.Width);
    EXPECT_EQ(graphic->Height(), entry.Height);
#if defined(_WIN32)
    return;  // the independent decoders are the build machine's: the pixels are compared natively
#endif

    const std::optional<TReferenceChoice> choice = ReferenceFor(entry);
    if (!choice) return;
    const std::optional<TRgbPicture> expected =
        RunReference(choice->Decoder, Corpus + "/" + (choice->File.empty() ? entry.File : choice->File));
    if (!expected) GTEST_SKIP() << "no independent decoder for " << entry.File;
    ExpectPixelsMatch(*graphic, *expected, choice->Tolerance);
}

TEST_P(RareFormatSample, TruncatedFileFailsWithStreamReadError) {
    VELMORA_NEEDS_CORPUS();
    const TCorpusEntry& entry = GetParam();
    if (entry.Kind.rfind("other format", 0) == 0 || entry.Kind.rfind("truncated", 0) == 0) return;
    const TFormatFamily& family = *FamilyOf(entry.Extension);
    std::vector<uint8_t> bytes = ReadFileBytes(Corpus + "/" + entry.File);
    if (bytes.size() < 100) return;  // a few pixels: the cut would fall into the footer
    // Cut in the pixel data, before any trailing palette or footer.
    bytes.resize(bytes.size() / 3);
    EXPECT_EQ(DecodeError(family, bytes), std::string("Stream read error in ") + family.ShortName + " file.");
}

std::string SampleName(const ::testing::TestParamInfo<TCorpusEntry>& info) {
    std::string name = info.param.File;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, RareFormatSample, ::testing::ValuesIn(CorpusEntries()), SampleName);


// A corpus sample with a few header bytes changed: each names a variant the format defines but
// this system does not read, or a colour layout the format does not define, or another
// format's content.
struct TPatchedSample {
    const char* File;
    size_t Offset;
    std::vector<uint8_t> Bytes;
    const char* Message;
};

void PrintTo(const TPatchedSample& sample, std::ostream* os) { *os << sample.File << " @" << sample.Offset; }

class RareFormatPatchedSample : public ::testing::TestWithParam<TPatchedSample> {};

TEST_P(RareFormatPatchedSample, FailsWithTheFormatsMessageAndLeavesThePictureEmpty) {
    VELMORA_NEEDS_CORPUS();
    const TPatchedSample& sample = GetParam();
    const std::string path = Corpus + "/" + sample.File;
    const TFormatFamily& family = *FamilyOf(path.substr(path.rfind('.') + 1));
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_GE(bytes.size(), sample.Offset + sample.Bytes.size());
    std::copy(sample.Bytes.begin(), sample.Bytes.end(), bytes.begin() + static_cast<long>(sample.Offset));

    // The picture held before the failed load does not survive it.
    std::unique_ptr<TRasterGraphic> graphic = family.Create();
    graphic->LoadFromFile(path);
    ASSERT_FALSE(graphic->Empty());
    TMemoryStream stream(bytes.data(), bytes.size());
    try {
        graphic->LoadFromStream(stream);
        ADD_FAILURE() << "loaded";
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), sample.Message);
    }
    EXPECT_TRUE(graphic->Empty());
    EXPECT_TRUE(graphic->Pixels().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Variants, RareFormatPatchedSample,
    ::testing::Values(
        TPatchedSample{"tga/imagemagick-input.tga", 2, {32}, "Cannot load image. Compression 32 not supported for TGA files."},
        TPatchedSample{"tga/imagemagick-input.tga", 16, {12}, "Invalid color format in TGA file."},
        TPatchedSample{"tga/imagemagick-input.tga", 2, {7}, "Cannot load image. Invalid or unexpected TGA image format."},
        TPatchedSample{"pcx/imagemagick-input.pcx", 2, {2}, "Cannot load image. Encoding 2 not supported for PCX files."},
        TPatchedSample{"pcx/imagemagick-input.pcx", 3, {3}, "Invalid color format in PCX file."},
        TPatchedSample{"pcx/imagemagick-input.pcx", 0, {0x0B}, "Cannot load image. Invalid or unexpected PCX image format."},
        TPatchedSample{"rla/graphicsmagick-input_rgb.rla", 18, {0, 1}, "Cannot load image. Storage type 1 not supported for RLA files."},
        TPatchedSample{"rpf/handmade-rla-layout-basn2c08-rgb-32x32.rpf", 658, {0, 16},
                       "Cannot load image. 16-bit channels not supported for RLA files."},
        TPatchedSample{"sgi/imagemagick-input.sgi", 2, {2}, "Cannot load image. Storage 2 not supported for SGI files."},
        TPatchedSample{"sgi/imagemagick-input.sgi", 104, {0, 0, 0, 3}, "Cannot load image. Colour map 3 not supported for SGI files."},
        TPatchedSample{"sgi/imagemagick-input.sgi", 3, {3}, "Invalid color format in SGI file."},
        TPatchedSample{"psd/pillow-hopper.psd", 24, {0, 7}, "Cannot load image. Color mode 7 not supported for PSD files."},
        TPatchedSample{"psd/pillow-hopper.psd", 22, {0, 7}, "Invalid color format in PSD file."},
        TPatchedSample{"psd/pillow-hopper.psd", 0, {'8', 'B', 'P', 'X'}, "Cannot load image. Invalid or unexpected PSD image format."},
        TPatchedSample{"ppm/pillow-hopper.ppm", 1, {'8'}, "Cannot load image. Invalid or unexpected PPM image format."},
        TPatchedSample{"ppm/pillow-hopper.ppm", 3, {'x'}, "Cannot load image. Invalid or unexpected PPM image format."},
        TPatchedSample{"cel/handmade-cel-testorig-64x40.cel", 11, {1}, "Cannot load image. Compression 1 not supported for Autodesk files."},
        TPatchedSample{"cel/handmade-cel-testorig-64x40.cel", 10, {4}, "Invalid color format in Autodesk file."},
        TPatchedSample{"pcd/pillow-hopper.pcd", 0x800, {'X'}, "Cannot load image. Invalid or unexpected PCD image format."},
        TPatchedSample{"cut/handmade-cut-basn3p08-32x32.cut", 4, {1}, "Cannot load image. Invalid or unexpected CUT image format."},
        TPatchedSample{"psp/handmade-psp-v5-lz77-basn2c08-32x32.psp", 32, {2, 0},
                       "Cannot load image. File format version 2 not supported for PSP files."},
        TPatchedSample{"psp/handmade-psp-v5-lz77-basn2c08-32x32.psp", 0, {'p'}, "Cannot load image. Invalid or unexpected PSP image format."}));

// A picture of another format under each family's extension is rejected as not that format.
TEST(RareFormats, ForeignContentIsAnInvalidFormat) {
    VELMORA_NEEDS_CORPUS();
    const std::vector<uint8_t> png = ReadFileBytes(Corpus + "/png/pngsuite-basn2c08.png");
    const std::vector<uint8_t> jpeg = ReadFileBytes(Corpus + "/jpg/libjpeg-turbo-testorig.jpg");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(jpeg.empty());
    for (const TFormatFamily& family : Families()) {
        for (const std::vector<uint8_t>* foreign : {&png, &jpeg}) {
            EXPECT_EQ(DecodeError(family, *foreign),
                      std::string("Cannot load image. Invalid or unexpected ") + family.ShortName + " image format.")
                << family.ShortName;
        }
    }
}

// Formats with a signature or header fields to check report a missing header as the file
// ending early; RLA and Photo-CD, which have none at the start, as not their format.
TEST(RareFormats, EmptyInputFails) {
    for (const TFormatFamily& family : Families()) {
        const std::string name = family.ShortName;
        EXPECT_EQ(DecodeError(family, {}), name == "RLA" || name == "PCD"
                                               ? "Cannot load image. Invalid or unexpected " + name + " image format."
                                               : "Stream read error in " + name + " file.");
    }
}

// Two 32-bit pixels with alpha bytes 0 and 128: the alpha bits of the descriptor decide
// whether the fourth byte is transparency.
TEST(RareFormats, TargaKeepsAlphaOnlyWhereTheFileDeclaresIt) {
    struct TCase {
        uint8_t Descriptor;
        TColor32 Left, Right;
    };
    for (const TCase& c : {TCase{0x20, 0xFF102030u, 0xFF405060u}, TCase{0x28, 0x00102030u, 0x80405060u}}) {
        std::vector<uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 0, 32, c.Descriptor};
        for (uint8_t b : {0x30, 0x20, 0x10, 0x00, 0x60, 0x50, 0x40, 0x80}) tga.push_back(b);
        TTargaGraphic graphic;
        TMemoryStream stream(tga.data(), tga.size());
        graphic.LoadFromStream(stream);
        ASSERT_EQ(graphic.Pixels().size(), 2u);
        EXPECT_EQ(graphic.Pixels()[0], c.Left) << int(c.Descriptor);
        EXPECT_EQ(graphic.Pixels()[1], c.Right) << int(c.Descriptor);
    }
}

// A colour map that starts at index 2 with 15-bit entries: pixel values 2 and 3 name its two
// entries, a value below the map is black.
TEST(RareFormats, TargaColourMapWithFirstEntryOffset) {
    const std::vector<uint8_t> tga = {0, 1, 1, 2, 0, 2, 0, 15, 0, 0, 0, 0, 3, 0, 1, 0, 8, 0x20,
                                      0x00, 0x7C,  // red
                                      0x1F, 0x00,  // blue
                                      3, 2, 0};
    TTargaGraphic graphic;
    TMemoryStream stream(tga.data(), tga.size());
    graphic.LoadFromStream(stream);
    EXPECT_EQ(graphic.Pixels(), (std::vector<TColor32>{Color32(0, 0, 255), Color32(255, 0, 0), Color32(0, 0, 0)}));
}

// A run that reaches past the picture's last pixel is cut at the picture's end.
TEST(RareFormats, TargaRunsStopAtThePictureEnd) {
    const std::vector<uint8_t> tga = {0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0x20, 0xFF, 0x7F};
    TTargaGraphic graphic;
    TMemoryStream stream(tga.data(), tga.size());
    graphic.LoadFromStream(stream);
    EXPECT_EQ(graphic.Pixels(), std::vector<TColor32>(4, 0xFF7F7F7Fu));
}

// Without its palette file a Dr. Halo picture shows its indices as grey levels.
TEST(RareFormats, CutWithoutUsablePaletteShowsGreyIndices) {
    VELMORA_NEEDS_CORPUS();
    const std::string source = Corpus + "/cut/handmade-cut-testorig-320x200";
    TCUTGraphic withPalette;
    withPalette.LoadFromFile(source + ".cut");

    const std::string folder = TempPath("cut/");
    std::filesystem::create_directories(folder);
    const std::vector<uint8_t> cut = ReadFileBytes(source + ".cut");
    std::ofstream(folder + "alone.cut", std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), static_cast<long>(cut.size()));
    std::ofstream(folder + "broken.cut", std::ios::binary).write(reinterpret_cast<const char*>(cut.data()), static_cast<long>(cut.size()));
    std::ofstream(folder + "broken.pal", std::ios::binary) << "AH not really a palette";
    std::remove((folder + "alone.pal").c_str());

    for (const char* name : {"alone.cut", "broken.cut"}) {
        TCUTGraphic graphic;
        graphic.LoadFromFile(folder + name);
        ASSERT_EQ(graphic.Width(), 320);
        ASSERT_EQ(graphic.Height(), 200);
        std::map<TColor32, TColor32> paletteOfGrey;  // grey level -> colour of the same index
        for (size_t i = 0; i < graphic.Pixels().size(); ++i) {
            const TColor32 grey = graphic.Pixels()[i];
            ASSERT_EQ(grey & 0xFF, (grey >> 8) & 0xFF) << name;
            ASSERT_EQ(grey & 0xFF, (grey >> 16) & 0xFF) << name;
            const auto entry = paletteOfGrey.emplace(grey, withPalette.Pixels()[i]);
            ASSERT_EQ(entry.first->second, withPalette.Pixels()[i]) << "one index, one grey level";
        }
        EXPECT_GT(paletteOfGrey.size(), 100u) << name;
    }
    for (const char* name : {"alone.cut", "broken.cut", "broken.pal"}) std::remove((folder + name).c_str());
    std::remove(folder.c_str());
}

// Portable any-map variants the corpus lacks: 16-bit samples, plain-text bitmaps written
// without separators, and the arbitrary map with alpha.
TEST(RareFormats, AnyMapVariants) {
    using namespace std::string_literals;
    struct TCase {
        std::string Text;
        std::vector<TColor32> Pixels;
    };
    const std::vector<TCase> cases = {
        {"P5 2 1 65535\n\xFF\xFF\x80\x00"s, {0xFFFFFFFFu, 0xFF808080u}},
        {"P1\n# comment\n3 1\n101", {0xFF000000u, 0xFFFFFFFFu, 0xFF000000u}},
        {"P3 1 1 15 15 0 7", {Color32(255, 0, 119)}},
        {"P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n\x01\x02\x03\x04"s,
         {Color32(1, 2, 3, 4)}},
    };
    for (const TCase& c : cases) {
        TPPMGraphic graphic;
        TMemoryStream stream(c.Text.data(), c.Text.size());
        graphic.LoadFromStream(stream);
        EXPECT_EQ(graphic.Pixels(), c.Pixels) << c.Text;
    }
}


// Variants the corpus lacks, written at test time by an independent encoder from its built-in
// photograph (which carries no gamma to convert) and compared with that encoder's own pixels.
struct TGeneratedSample {
    const char* Picture;    // the encoder's input: the photograph, possibly given transparency
    const char* Encoding;   // options that pick the variant
    const char* Netpbm;     // or, when set, the netpbm converter that writes the variant from the pixels
    const char* Output;     // file name; the extension picks the decoder
    int Tolerance;
};

void PrintTo(const TGeneratedSample& sample, std::ostream* os) { *os << sample.Output; }

class RareFormatGeneratedSample : public ::testing::TestWithParam<TGeneratedSample> {};

TEST_P(RareFormatGeneratedSample, DecodesToTheEncodedPixels) {
    const TGeneratedSample& sample = GetParam();
    const std::string output = TempPath(sample.Output);
    const std::string reference = TempPath("generated-reference.ppm");
    const std::string show = std::string("/usr/bin/convert ") + sample.Picture +
                             " -background white -alpha remove -depth 8 ppm:- > '" + reference + "' 2>/dev/null";
    const std::string encode = sample.Netpbm ? std::string(sample.Netpbm) + " '" + reference + "' > '" + output + "' 2>/dev/null"
                                             : std::string("/usr/bin/convert ") + sample.Picture + " " + sample.Encoding +
                                                   " '" + output + "' 2>/dev/null";
    if (picture_test::RunHostCommand(show) != 0 || picture_test::RunHostCommand(encode) != 0) GTEST_SKIP() << "no encoder for " << sample.Output;
    const std::optional<TRgbPicture> expected = ParsePPM(ReadFileBytes(reference));
    std::remove(reference.c_str());
    ASSERT_TRUE(expected);

    const std::string name = sample.Output;
    const std::string extension = name.substr(name.rfind('.') + 1);
    std::unique_ptr<TRasterGraphic> graphic = extension == "psb"   ? std::make_unique<TPSDGraphic>()
                                              : extension == "pam" ? std::make_unique<TPPMGraphic>()
                                                                   : FamilyOf(extension)->Create();
    graphic->LoadFromFile(output);
    std::remove(output.c_str());
    ExpectPixelsMatch(*graphic, *expected, sample.Tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Generated, RareFormatGeneratedSample,
    ::testing::Values(
        TGeneratedSample{"rose:", "-colorspace CMYK", nullptr, "rare-cmyk.psd", 1},
        TGeneratedSample{"rose:", "", nullptr, "rare-large-document.psb", 0},
        TGeneratedSample{"rose: -alpha set -channel A -evaluate set 40% +channel", "", nullptr, "rare-alpha.psd", 1},
        TGeneratedSample{"rose: -alpha set -channel A -evaluate set 40% +channel", "", nullptr, "rare-alpha.pam", 1},
        TGeneratedSample{"rose: -alpha set -channel A -evaluate set 40% +channel", "", nullptr, "rare-alpha.sgi", 1},
        TGeneratedSample{"rose:", "-depth 16", nullptr, "rare-16bit.sgi", 1},
        TGeneratedSample{"rose: -colorspace Gray", "-depth 16 -compress none", nullptr, "rare-16bit-plain.pgm", 1},
        TGeneratedSample{"rose:", "-compress none", nullptr, "rare-plain.ppm", 0},
        TGeneratedSample{"rose: -colors 4", "", "/usr/bin/ppmtopcx -packed", "rare-2bit.pcx", 0},
        TGeneratedSample{"rose: -colors 16", "", "/usr/bin/ppmtopcx -packed", "rare-4bit.pcx", 0},
        TGeneratedSample{"rose: -colors 8", "", "/usr/bin/ppmtopcx", "rare-3-planes.pcx", 0}));


// Paint Shop Pro blocks for the fixtures below: "~BK\0", identifier, length, contents.
void AppendLE(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

std::vector<uint8_t> PSPBlock(uint16_t id, const std::vector<uint8_t>& contents) {
    std::vector<uint8_t> block = {'~', 'B', 'K', 0};
    AppendLE(block, id, 2);
    AppendLE(block, static_cast<uint32_t>(contents.size()), 4);
    block.insert(block.end(), contents.begin(), contents.end());
    return block;
}

// A composite image bank holding one 24-bit deflated composite of a single colour.
std::vector<uint8_t> PSPCompositeBank(int32_t width, int32_t height, uint16_t type, const uint8_t rgb[3]) {
    std::vector<uint8_t> attributes;
    AppendLE(attributes, 24, 4);
    AppendLE(attributes, static_cast<uint32_t>(width), 4);
    AppendLE(attributes, static_cast<uint32_t>(height), 4);
    AppendLE(attributes, 24, 2);       // bits per pixel
    AppendLE(attributes, 2, 2);        // deflate
    AppendLE(attributes, 1, 2);        // planes
    AppendLE(attributes, 1u << 24, 4);  // colours
    AppendLE(attributes, type, 2);
    std::vector<uint8_t> image = {8, 0, 0, 0, 1, 0, 3, 0};
    for (int c = 0; c < 3; ++c) {
        std::vector<uint8_t> plane(static_cast<size_t>(width) * height, rgb[c]);
        uLongf packedSize = compressBound(plane.size());
        std::vector<uint8_t> packed(packedSize);
        compress(packed.data(), &packedSize, plane.data(), plane.size());
        packed.resize(packedSize);
        std::vector<uint8_t> channel;
        AppendLE(channel, 16, 4);
        AppendLE(channel, static_cast<uint32_t>(packed.size()), 4);
        AppendLE(channel, static_cast<uint32_t>(plane.size()), 4);
        AppendLE(channel, 0, 2);      // image bitmap
        AppendLE(channel, c + 1, 2);  // red, green, blue
        channel.insert(channel.end(), packed.begin(), packed.end());
        const std::vector<uint8_t> block = PSPBlock(5, channel);
        image.insert(image.end(), block.begin(), block.end());
    }
    std::vector<uint8_t> bank = {8, 0, 0, 0, 1, 0, 0, 0};
    for (const std::vector<uint8_t>& block : {PSPBlock(17, attributes), PSPBlock(9, image)})
        bank.insert(bank.end(), block.begin(), block.end());
    return PSPBlock(16, bank);
}

// A full-size composite is the picture; a thumbnail is not, and the layers show instead.
TEST(RareFormats, PaintShopProPrefersTheFullSizeComposite) {
    VELMORA_NEEDS_CORPUS();
    const std::string path = Corpus + "/psp/handmade-psp-v5-lz77-basn2c08-32x32.psp";
    TPSPGraphic layersOnly;
    layersOnly.LoadFromFile(path);
    const uint8_t rgb[3] = {10, 20, 30};
    struct TCase {
        int32_t Size;
        uint16_t Type;
        bool ShowsComposite;
    };
    for (const TCase& c : {TCase{32, 0, true}, TCase{32, 1, false}, TCase{16, 0, false}}) {
        std::vector<uint8_t> bytes = ReadFileBytes(path);
        const std::vector<uint8_t> bank = PSPCompositeBank(c.Size, c.Size, c.Type, rgb);
        bytes.insert(bytes.end(), bank.begin(), bank.end());
        TPSPGraphic graphic;
        TMemoryStream stream(bytes.data(), bytes.size());
        graphic.LoadFromStream(stream);
        if (c.ShowsComposite)
            EXPECT_EQ(graphic.Pixels(), std::vector<TColor32>(32 * 32, Color32(10, 20, 30)));
        else
            EXPECT_EQ(graphic.Pixels(), layersOnly.Pixels()) << c.Size << " " << c.Type;
    }
}


// 16-colour files of the versions without palette information show the standard EGA colours,
// whatever their header's colour table holds.
TEST(RareFormats, PcxWithoutPaletteInformationUsesTheEGAColours) {
    VELMORA_NEEDS_CORPUS();
    std::vector<uint8_t> bytes = ReadFileBytes(Corpus + "/scr/gen-netpbm-640x350-16col-4plane.scr");
    ASSERT_GT(bytes.size(), 128u);
    bytes[1] = 3;
    std::fill(bytes.begin() + 16, bytes.begin() + 64, 0x12);
    TPCXGraphic graphic;
    TMemoryStream stream(bytes.data(), bytes.size());
    graphic.LoadFromStream(stream);
    std::map<TColor32, size_t> colours;
    for (TColor32 pixel : graphic.Pixels()) ++colours[pixel];
    EXPECT_GT(colours.size(), 4u);
    for (const auto& colour : colours) {
        for (int shift : {0, 8, 16}) {
            const int level = static_cast<int>((colour.first >> shift) & 0xFF);
            EXPECT_TRUE(level == 0 || level == 85 || level == 170 || level == 255) << std::hex << colour.first;
        }
    }
}


// A 3 x 1 Lab composite: white, black and mid-grey (L* 50) come out as their sRGB greys.
TEST(RareFormats, PhotoshopLabComposite) {
    std::vector<uint8_t> psd = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 3, 0, 8, 0, 9};
    psd.insert(psd.end(), 12, 0);     // no colour data, resources, layers
    psd.insert(psd.end(), {0, 0});    // uncompressed
    psd.insert(psd.end(), {255, 0, 128, 128, 128, 128, 128, 128, 128});  // L*, a*, b* planes
    TPSDGraphic graphic;
    TMemoryStream stream(psd.data(), psd.size());
    graphic.LoadFromStream(stream);
    ASSERT_EQ(graphic.Pixels().size(), 3u);
    const int expected[3] = {255, 0, 119};
    for (size_t i = 0; i < 3; ++i) {
        for (int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>((graphic.Pixels()[i] >> shift) & 0xFF), expected[i], 1) << i;
    }
}

// A Photo-CD scan is turned upright by the orientation in its image pack's header: the one bright
// pixel of the scan's top-left corner ends where the turn puts it.
TEST(RareFormats, PhotoCdIsTurnedUprightByItsOrientation) {
    std::vector<uint8_t> pcd(0x30000 + 768 * 3 * 256, 0);
    std::memcpy(pcd.data() + 0x800, "PCD_IPI", 7);
    for (size_t pair = 0; pair < 256; ++pair) {
        uint8_t* chroma = pcd.data() + 0x30000 + pair * 768 * 3 + 2 * 768;
        std::fill(chroma, chroma + 384, 156);        // neutral chroma
        std::fill(chroma + 384, chroma + 768, 137);
    }
    pcd[0x30000] = 188;  // luma of the scan's pixel (0, 0): white
    struct TCase {
        uint8_t Orientation;
        int32_t Width, Height, X, Y;
    };
    const TCase cases[] = {{0, 768, 512, 0, 0}, {1, 512, 768, 0, 767}, {2, 768, 512, 767, 511}, {3, 512, 768, 511, 0}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Orientation));
        pcd[0xE02] = static_cast<uint8_t>(0xF0 | c.Orientation);  // only the low two bits count
        TPCDGraphic picture;
        picture.LoadFromBytes(pcd.data(), pcd.size());
        ASSERT_EQ(picture.Width(), c.Width);
        ASSERT_EQ(picture.Height(), c.Height);
        const auto at = [&](int32_t x, int32_t y) { return picture.Pixels()[static_cast<size_t>(y) * c.Width + x]; };
        EXPECT_EQ(at(c.X, c.Y), 0xFFFFFFFFu);
        EXPECT_EQ(at(c.Width / 2, c.Height / 2), 0xFF000000u);
    }
}

// An Animator picture stored without its palette shows its indices as grey levels.
TEST(RareFormats, AutodeskPictureWithoutPaletteShowsGreyIndices) {
    VELMORA_NEEDS_CORPUS();
    std::vector<uint8_t> bytes = ReadFileBytes(Corpus + "/pic/handmade-pic-basn3p08-32x32.pic");
    ASSERT_EQ(bytes.size(), 32u + 768 + 32 * 32);
    std::vector<uint8_t> withoutPalette(bytes.begin(), bytes.begin() + 32);
    withoutPalette.insert(withoutPalette.end(), bytes.begin() + 32 + 768, bytes.end());
    TAutodeskGraphic graphic;
    TMemoryStream stream(withoutPalette.data(), withoutPalette.size());
    graphic.LoadFromStream(stream);
    ASSERT_EQ(graphic.Pixels().size(), 32u * 32);
    for (size_t i = 0; i < graphic.Pixels().size(); ++i) {
        const int index = bytes[32 + 768 + i];
        EXPECT_EQ(graphic.Pixels()[i], Color32(index, index, index)) << i;
    }
}


// File format 3 (Paint Shop Pro 5) stores the same picture with 14-byte block headers (an
// initial-data length before the total), no chunk sizes, and a fixed 256-byte layer name.
std::vector<uint8_t> PSPBlockV3(uint16_t id, const std::vector<uint8_t>& contents) {
    std::vector<uint8_t> block = {'~', 'B', 'K', 0};
    AppendLE(block, id, 2);
    AppendLE(block, static_cast<uint32_t>(contents.size()), 4);
    AppendLE(block, static_cast<uint32_t>(contents.size()), 4);
    block.insert(block.end(), contents.begin(), contents.end());
    return block;
}

TEST(RareFormats, PaintShopProFileFormat3) {
    VELMORA_NEEDS_CORPUS();
    TPSPGraphic modern;
    modern.LoadFromFile(Corpus + "/psp/handmade-psp-v5-rle-rgba-basn6a08-32x32.psp");
    ASSERT_EQ(modern.Width(), 32);

    std::vector<uint8_t> attributes;
    AppendLE(attributes, 32, 4);
    AppendLE(attributes, 32, 4);
    attributes.insert(attributes.end(), 8, 0);  // resolution
    attributes.push_back(1);
    AppendLE(attributes, 0, 2);   // uncompressed
    AppendLE(attributes, 24, 2);  // bits per pixel
    AppendLE(attributes, 1, 2);
    AppendLE(attributes, 1u << 24, 4);
    attributes.push_back(0);
    AppendLE(attributes, 32 * 32 * 3, 4);
    AppendLE(attributes, 0, 4);
    AppendLE(attributes, 1, 2);

    std::vector<uint8_t> layer(256, 0);  // name
    layer.push_back(0);                  // normal layer
    for (int rect = 0; rect < 2; ++rect)
        for (uint32_t v : {0u, 0u, 32u, 32u}) AppendLE(layer, v, 4);
    layer.insert(layer.end(), {255, 0, 1, 0, 0});
    layer.insert(layer.end(), 32 + 3, 0);  // mask rectangles and flags
    AppendLE(layer, 5, 2);
    layer.insert(layer.end(), 40, 0xFF);  // blend ranges
    AppendLE(layer, 2, 2);                // bitmaps
    AppendLE(layer, 4, 2);                // channels
    const std::vector<TColor32>& pixels = modern.Pixels();
    for (int c = 0; c < 4; ++c) {
        std::vector<uint8_t> channel;
        AppendLE(channel, 32 * 32, 4);
        AppendLE(channel, 32 * 32, 4);
        AppendLE(channel, c == 3 ? 1 : 0, 2);      // image or transparency mask
        AppendLE(channel, c == 3 ? 0 : c + 1, 2);  // red, green, blue
        for (TColor32 pixel : pixels) channel.push_back(static_cast<uint8_t>(pixel >> (c == 3 ? 24 : 16 - 8 * c)));
        const std::vector<uint8_t> block = PSPBlockV3(5, channel);
        layer.insert(layer.end(), block.begin(), block.end());
    }

    std::vector<uint8_t> file = {'P', 'a', 'i', 'n', 't', ' ', 'S', 'h', 'o', 'p', ' ', 'P', 'r', 'o', ' ', 'I',
                                 'm', 'a', 'g', 'e', ' ', 'F', 'i', 'l', 'e', '\n', 0x1A, 0, 0, 0, 0, 0, 3, 0, 0, 0};
    for (const std::vector<uint8_t>& block : {PSPBlockV3(0, attributes), PSPBlockV3(3, PSPBlockV3(4, layer))})
        file.insert(file.end(), block.begin(), block.end());
    TPSPGraphic old;
    TMemoryStream stream(file.data(), file.size());
    old.LoadFromStream(stream);
    EXPECT_EQ(old.Pixels(), modern.Pixels());
}

}  // namespace
