#include "uSGIGraphic.h"

#include <algorithm>

#include "uByteReader.h"

void TSGIGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (reader.U16BE() != 474) reader.FailFormat();
    const int storage = reader.U8();
    const int sampleBytes = reader.U8();
    const int dimension = reader.U16BE();
    const size_t width = reader.U16BE();
    size_t height = reader.U16BE();
    size_t channels = reader.U16BE();
    reader.Skip(4 + 4 + 4 + 80);  // minimum and maximum sample, unused, name
    const uint32_t colorMap = reader.U32BE();
    if (storage > 1) reader.FailUnsupported("Storage " + std::to_string(storage));
    if (sampleBytes != 1 && sampleBytes != 2) reader.FailColorFormat();
    if (dimension < 1 || dimension > 3) reader.FailFormat();
    if (dimension == 1) height = 1;
    if (dimension < 3) channels = 1;
    if (colorMap != 0) reader.FailUnsupported("Colour map " + std::to_string(colorMap));
    if (width == 0 || height == 0 || channels == 0) reader.FailFormat();
    reader.Seek(512);

    const size_t shown = std::min<size_t>(channels, 4);  // grey, grey+alpha, RGB, RGBA
    const size_t rowCount = height * channels;
    std::vector<uint32_t> starts, lengths;
    if (storage == 1) {
        reader.RequireBytes(uint64_t{rowCount} * 8);  // the offset and length tables
        starts.resize(rowCount);
        lengths.resize(rowCount);
        for (uint32_t& s : starts) s = reader.U32BE();
        for (uint32_t& l : lengths) l = reader.U32BE();
    }
    const uint64_t samples = uint64_t{width} * rowCount;
    if (storage == 0) reader.RequireBytes(samples * sampleBytes);
    else if (samples / 127 * 2 * sampleBytes > size) reader.FailRead();  // runs of at most 127 samples
    SetPictureSize(static_cast<int32_t>(width), static_cast<int32_t>(height), ShortName);

    // Each row of each channel, unpacked to 8-bit samples (the high byte of 16-bit ones).
    std::vector<uint8_t> planes(shown * height * width);
    for (size_t c = 0; c < shown; ++c) {
        for (size_t y = 0; y < height; ++y) {
            uint8_t* out = planes.data() + (c * height + y) * width;
            if (storage == 0) {
                reader.Seek(512 + ((c * height + y) * width) * sampleBytes);
                const uint8_t* p = reader.Bytes(width * sampleBytes);
                for (size_t x = 0; x < width; ++x) out[x] = p[x * sampleBytes];
                continue;
            }
            const size_t index = c * height + y;
            if (starts[index] > size || lengths[index] > size - starts[index]) reader.FailRead();
            TByteReader run(data + starts[index], lengths[index], ShortName);
            size_t x = 0;
            for (;;) {
                const unsigned code = sampleBytes == 1 ? run.U8() : run.U16BE();
                const size_t count = code & 0x7F;
                if (count == 0) break;
                if (count > width - x) reader.FailFormat();
                if (code & 0x80) {
                    for (size_t k = 0; k < count; ++k) out[x++] = sampleBytes == 1 ? run.U8() : run.U16BE() >> 8;
                } else {
                    const uint8_t v = sampleBytes == 1 ? run.U8() : run.U16BE() >> 8;
                    std::fill(out + x, out + x + count, v);
                    x += count;
                }
                if (x == width && run.AtEnd()) break;
            }
        }
    }

    // Rows are stored bottom-up.
    for (size_t y = 0; y < height; ++y) {
        TColor32* row = Row(static_cast<int32_t>(height - 1 - y));
        auto sample = [&](size_t c, size_t x) { return planes[(c * height + y) * width + x]; };
        for (size_t x = 0; x < width; ++x) {
            switch (shown) {
                case 1: row[x] = Color32(sample(0, x), sample(0, x), sample(0, x)); break;
                case 2: row[x] = Color32(sample(0, x), sample(0, x), sample(0, x), sample(1, x)); break;
                case 3: row[x] = Color32(sample(0, x), sample(1, x), sample(2, x)); break;
                default: row[x] = Color32(sample(0, x), sample(1, x), sample(2, x), sample(3, x)); break;
            }
        }
    }
}
