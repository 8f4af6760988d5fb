#include "uPCXGraphic.h"

#include <algorithm>

#include "uByteReader.h"

namespace {

// The run-length coding of the scan lines: a byte with its top two bits set repeats the next
// byte (low six bits) times; any other byte stands for itself. Runs may continue on the next line.
class TPCXRunReader {
public:
    TPCXRunReader(TByteReader& reader, bool compressed) : FReader(reader), FCompressed(compressed) {}
    void ReadLine(uint8_t* line, size_t count) {
        if (!FCompressed) {
            const uint8_t* p = FReader.Bytes(count);
            std::copy(p, p + count, line);
            return;
        }
        size_t i = 0;
        while (i < count) {
            if (FRunLeft == 0) {
                const uint8_t b = FReader.U8();
                if ((b & 0xC0) == 0xC0) {
                    FRunLeft = b & 0x3F;
                    FRunValue = FReader.U8();
                    continue;
                }
                line[i++] = b;
                continue;
            }
            const size_t n = std::min(FRunLeft, count - i);
            std::fill(line + i, line + i + n, FRunValue);
            i += n;
            FRunLeft -= n;
        }
    }

private:
    TByteReader& FReader;
    bool FCompressed;
    size_t FRunLeft = 0;
    uint8_t FRunValue = 0;
};

// The 16 colours of the EGA, for files of versions that carry no palette.
const uint8_t DefaultEGAPalette[16][3] = {
    {0, 0, 0},     {0, 0, 170},    {0, 170, 0},    {0, 170, 170},  {170, 0, 0},    {170, 0, 170},
    {170, 85, 0},  {170, 170, 170}, {85, 85, 85},  {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
    {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

}  // namespace

void TPCXGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    const uint8_t* header = reader.Bytes(128);
    auto u16 = [&](size_t at) { return header[at] | (header[at + 1] << 8); };
    const int version = header[1], encoding = header[2], bits = header[3];
    if (header[0] != 0x0A || (version != 0 && version != 2 && version != 3 && version != 4 && version != 5))
        reader.FailFormat();
    if (encoding > 1) reader.FailUnsupported("Encoding " + std::to_string(encoding));
    const int xMin = u16(4), yMin = u16(6), xMax = u16(8), yMax = u16(10);
    const int planes = header[65];
    const size_t lineBytes = u16(66);
    if (xMax < xMin || yMax < yMin) reader.FailFormat();
    const int width = xMax - xMin + 1, height = yMax - yMin + 1;

    const bool planar = bits == 1 && planes >= 1 && planes <= 4;
    const bool packed = (bits == 2 || bits == 4 || bits == 8) && planes == 1;
    const bool trueColor = bits == 8 && (planes == 3 || planes == 4);
    if (!planar && !packed && !trueColor) reader.FailColorFormat();
    if (lineBytes == 0 || lineBytes * 8 < static_cast<size_t>(width) * bits) reader.FailFormat();

    // Colours of indexed pictures: the header's 16 entries, or the 256 entries after the pixels.
    std::vector<TColor32> palette(256, Color32(0, 0, 0));
    if (bits == 1 && planes == 1) {
        palette[0] = Color32(0, 0, 0);
        palette[1] = Color32(255, 255, 255);
    } else if (bits == 8 && planes == 1) {
        if (size >= 128 + 769 && data[size - 769] == 0x0C) {
            const uint8_t* p = data + size - 768;
            for (int i = 0; i < 256; ++i) palette[i] = Color32(p[i * 3], p[i * 3 + 1], p[i * 3 + 2]);
        } else {
            for (int i = 0; i < 256; ++i) palette[i] = Color32(i, i, i);  // no palette: grey levels
        }
    } else if ((version == 0 || version == 3) && bits * planes == 4) {
        // Versions 2.5 and 2.8 without palette information show the standard 16 colours.
        for (int i = 0; i < 16; ++i)
            palette[i] = Color32(DefaultEGAPalette[i][0], DefaultEGAPalette[i][1], DefaultEGAPalette[i][2]);
    } else {
        for (int i = 0; i < 16; ++i) palette[i] = Color32(header[16 + i * 3], header[17 + i * 3], header[18 + i * 3]);
    }

    const uint64_t decodedBytes = uint64_t{lineBytes} * planes * static_cast<uint64_t>(height);
    reader.RequireBytes(encoding == 1 ? decodedBytes / 63 * 2 : decodedBytes);  // runs of at most 63 bytes
    SetPictureSize(width, height, ShortName);
    TPCXRunReader runs(reader, encoding == 1);
    std::vector<uint8_t> line(lineBytes * planes);
    for (int y = 0; y < height; ++y) {
        runs.ReadLine(line.data(), line.size());
        TColor32* row = Row(y);
        for (int x = 0; x < width; ++x) {
            if (trueColor) {
                const uint8_t* p = line.data() + x;
                row[x] = Color32(p[0], p[lineBytes], p[2 * lineBytes], planes == 4 ? p[3 * lineBytes] : 255);
            } else if (planar) {
                int index = 0;
                for (int plane = 0; plane < planes; ++plane)
                    index |= ((line[plane * lineBytes + (x >> 3)] >> (7 - (x & 7))) & 1) << plane;
                row[x] = palette[index];
            } else {
                const int perByte = 8 / bits;
                const int shift = 8 - bits * (x % perByte + 1);
                row[x] = palette[(line[x / perByte] >> shift) & ((1 << bits) - 1)];
            }
        }
    }
}
