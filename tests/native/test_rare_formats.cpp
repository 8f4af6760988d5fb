// The hand-written decoders of the rarer picture formats, checked against the sample corpus:
// every sample decodes to its listed size and to the pixels an independent decoder produces
// (composited over white, as the picture is shown), and broken input fails with the format's
// own message.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

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

const std::string Corpus = VELMORA_CORPUS;

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
    const std::string output = ::testing::TempDir() + "rare_reference.ppm";
    std::string command;
    if (reference == TReference::Pillow) {
        const std::string script = ::testing::TempDir() + "rare_reference.py";
        std::ofstream(script) << PillowScript;
        command = "/usr/bin/python3 '" + script + "' '" + path + "' > '" + output + "' 2>/dev/null";
    } else {
        command = "/usr/bin/convert '" + path + "' -background white -alpha remove -depth 8 ppm:- > '" + output +
                  "' 2>/dev/null";
    }
    if (std::system(command.c_str()) != 0) {
        // Pillow reads no 16-bit Photoshop files; ImageMagick does.
        if (reference == TReference::Pillow) return RunReference(TReference::ImageMagick, path);
        return std::nullopt;
    }
    return ParsePPM(ReadFileBytes(output));
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

    const std::optional<TReferenceChoice> choice = ReferenceFor(entry);
    if (!choice) return;
    const std::optional<TRgbPicture> expected =
        RunReference(choice->Decoder, Corpus + "/" + (choice->File.empty() ? entry.File : choice->File));
    if (!expected) GTEST_SKIP() << "no independent decoder for " << entry.File;
    ExpectPixelsMatch(*graphic, *expected, choice->Tolerance);
}

TEST_P(RareFormatSample, TruncatedFileFailsWithStreamReadError) {
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

}  // namespace
