#include "uPSPGraphic.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "uByteReader.h"

namespace {

const char Signature[] = "Paint Shop Pro Image File\n\x1a";
constexpr size_t SignatureSize = 32;

enum TBlockId : uint16_t {
    ImageAttributesBlock = 0,
    ColorPaletteBlock = 2,
    LayerStartBlock = 3,
    LayerBlock = 4,
    ChannelBlock = 5,
    CompositeImageBlock = 9,
    CompositeBankBlock = 16,
    CompositeAttributesBlock = 17,
};
enum TCompression { Uncompressed = 0, RunLength = 1, LZ77 = 2 };
enum TBitmapType { ImageBitmap = 0, TransparencyMask = 1 };

struct TRect32 {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    int64_t Width() const { return int64_t{Right} - Left; }
    int64_t Height() const { return int64_t{Bottom} - Top; }
};

// A block: its identifier and a reader over its contents.
struct TBlock {
    uint16_t Id;
    TByteReader Body;
};

// The blocks one after another. Files of format 3 carry an extra initial-data length.
class TBlockReader {
public:
    TBlockReader(TByteReader& reader, int major) : FReader(reader), FMajor(major) {}
    bool AtEnd() const { return FReader.Remaining() < (FMajor <= 3 ? 14u : 10u); }
    TBlock Next() {
        if (FReader.U32LE() != 0x004B427E) FReader.FailFormat();  // "~BK\0"
        const uint16_t id = FReader.U16LE();
        if (FMajor <= 3) FReader.Skip(4);
        const uint32_t length = FReader.U32LE();
        return TBlock{id, TByteReader(FReader.Bytes(length), length, FReader.FormatName())};
    }

private:
    TByteReader& FReader;
    int FMajor;
};

// Skips the rest of a chunk that started at start and declared its own length.
void EndChunk(TByteReader& body, size_t start, uint32_t length) {
    if (length < body.Position() - start) body.FailFormat();
    body.Seek(start + length);
}

TRect32 ReadRect(TByteReader& r) {
    TRect32 rect;
    rect.Left = r.S32LE();
    rect.Top = r.S32LE();
    rect.Right = r.S32LE();
    rect.Bottom = r.S32LE();
    return rect;
}

// Expands one channel's data into exactly size bytes.
std::vector<uint8_t> ExpandChannel(TByteReader& r, size_t packedLength, size_t size, int compression) {
    const uint8_t* packed = r.Bytes(packedLength);
    // Runs expand at most 127 times, deflate about a thousand times.
    const uint64_t ratio = compression == Uncompressed ? 1 : compression == RunLength ? 64 : 1100;
    if (uint64_t{packedLength} * ratio < size) r.FailRead();
    std::vector<uint8_t> out(size);
    switch (compression) {
        case Uncompressed:
            if (packedLength < size) r.FailRead();
            std::copy(packed, packed + size, out.begin());
            break;
        case RunLength: {
            // A count above 128 repeats the next byte count - 128 times; others copy count bytes.
            TByteReader runs(packed, packedLength, r.FormatName());
            size_t i = 0;
            while (i < size) {
                const uint8_t n = runs.U8();
                if (n > 128) {
                    const size_t count = std::min<size_t>(n - 128, size - i);
                    std::fill(out.begin() + static_cast<ptrdiff_t>(i), out.begin() + static_cast<ptrdiff_t>(i + count), runs.U8());
                    i += count;
                } else {
                    const uint8_t* p = runs.Bytes(n);
                    const size_t count = std::min<size_t>(n, size - i);
                    std::copy(p, p + count, out.begin() + static_cast<ptrdiff_t>(i));
                    i += count;
                }
            }
            break;
        }
        default: {
            z_stream z{};
            if (inflateInit(&z) != Z_OK) r.FailFormat();
            z.next_in = const_cast<Bytef*>(packed);
            z.avail_in = static_cast<uInt>(packedLength);
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(size);
            const int result = inflate(&z, Z_FINISH);
            const size_t produced = size - z.avail_out;
            inflateEnd(&z);
            if (produced < size) {
                if (result == Z_BUF_ERROR || result == Z_OK) r.FailRead();
                r.FailFormat();
            }
            break;
        }
    }
    return out;
}

struct TLayer {
    TRect32 Image, Saved;
    int Opacity = 255;
    bool Visible = true;
    bool Raster = true;
    std::vector<uint8_t> Channels[3];  // red, green, blue, or one index/grey plane
    std::vector<uint8_t> Mask;         // transparency mask
};

// The channel blocks of a layer or composite image, each channel of size bytes.
void ReadChannels(TByteReader& body, int major, size_t channelCount, size_t size, int compression, int depth,
                  TLayer& into) {
    TBlockReader channelBlocks(body, major);
    for (size_t c = 0; c < channelCount && !channelBlocks.AtEnd(); ++c) {
        TBlock channel = channelBlocks.Next();
        if (channel.Id != ChannelBlock) continue;
        TByteReader& ch = channel.Body;
        const size_t start = ch.Position();
        const uint32_t chunk = major >= 4 ? ch.U32LE() : 0;
        const uint32_t packedLength = ch.U32LE();
        const uint32_t length = ch.U32LE();
        const int bitmapType = ch.U16LE();
        const int channelType = ch.U16LE();
        if (major >= 4) EndChunk(ch, start, chunk);
        if (bitmapType != ImageBitmap && bitmapType != TransparencyMask) continue;
        if (depth < 8 && bitmapType == ImageBitmap) body.FailUnsupported(std::to_string(depth) + "-bit layers");
        if (length != size) body.FailFormat();
        std::vector<uint8_t> plane = ExpandChannel(ch, packedLength, size, compression);
        if (bitmapType == TransparencyMask) {
            into.Mask = std::move(plane);
        } else if (channelType <= 3) {
            into.Channels[channelType == 0 ? 0 : channelType - 1] = std::move(plane);
        }
    }
}

// The full-size composite image of a composite image bank, when the bank holds one that fits
// the picture; thumbnails and composites of another size are passed over.
bool ReadComposite(TByteReader& bank, int major, int32_t width, int32_t height, int compression, int depth,
                   TLayer& composite) {
    const size_t start = bank.Position();
    EndChunk(bank, start, bank.U32LE());
    TBlockReader blocks(bank, major);
    bool fits = false;
    while (!blocks.AtEnd()) {
        TBlock block = blocks.Next();
        TByteReader& body = block.Body;
        if (block.Id == CompositeAttributesBlock) {
            const size_t attributesStart = body.Position();
            const uint32_t chunk = body.U32LE();
            const int32_t w = body.S32LE(), h = body.S32LE();
            const int bits = body.U16LE();
            const int packing = body.U16LE();
            body.Skip(2 + 4);  // planes, colours
            const int type = body.U16LE();
            EndChunk(body, attributesStart, chunk);
            fits = type == 0 && w == width && h == height && bits == depth && packing == compression;
        } else if (block.Id == CompositeImageBlock && fits) {
            const size_t imageStart = body.Position();
            const uint32_t chunk = body.U32LE();
            body.Skip(2);  // bitmap count
            const size_t channelCount = body.U16LE();
            EndChunk(body, imageStart, chunk);
            composite.Image = composite.Saved = TRect32{0, 0, width, height};
            ReadChannels(body, major, channelCount, static_cast<size_t>(width) * static_cast<size_t>(height), compression,
                         depth, composite);
            return !composite.Channels[0].empty();
        }
    }
    return false;
}

}  // namespace

void TPSPGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (std::memcmp(reader.Bytes(SignatureSize), Signature, sizeof(Signature) - 1) != 0) reader.FailFormat();
    const int major = reader.U16LE();
    reader.Skip(2);
    if (major < 3) reader.FailUnsupported("File format version " + std::to_string(major));

    TBlockReader blocks(reader, major);
    int32_t width = 0, height = 0;
    int compression = 0, depth = 0;
    bool grey = false, haveAttributes = false;
    std::vector<TColor32> palette;
    std::vector<TLayer> layers;
    TLayer composite;
    bool haveComposite = false;

    while (!blocks.AtEnd()) {
        TBlock block = blocks.Next();
        TByteReader& body = block.Body;
        if (block.Id == ImageAttributesBlock) {
            const size_t start = body.Position();
            const uint32_t chunk = major >= 4 ? body.U32LE() : 0;
            width = body.S32LE();
            height = body.S32LE();
            body.Skip(8 + 1);  // resolution and its unit
            compression = body.U16LE();
            depth = body.U16LE();
            body.Skip(2 + 4);  // planes, colours
            grey = body.U8() != 0;
            if (major >= 4) EndChunk(body, start, chunk);
            if (width <= 0 || height <= 0 || int64_t{width} * height > MaxPicturePixels) reader.FailFormat();
            if (compression > LZ77) reader.FailUnsupported("Compression " + std::to_string(compression));
            if (depth != 1 && depth != 4 && depth != 8 && depth != 24) reader.FailColorFormat();
            haveAttributes = true;
        } else if (block.Id == ColorPaletteBlock) {
            const size_t start = body.Position();
            const uint32_t chunk = major >= 4 ? body.U32LE() : 0;
            const uint32_t count = body.U32LE();
            if (major >= 4) EndChunk(body, start, chunk);
            if (count > 256) reader.FailColorFormat();
            palette.assign(256, Color32(0, 0, 0));
            for (uint32_t i = 0; i < count; ++i) {
                const uint8_t* q = body.Bytes(4);  // blue, green, red, reserved
                palette[i] = Color32(q[2], q[1], q[0]);
            }
        } else if (block.Id == LayerStartBlock) {
            if (!haveAttributes) reader.FailFormat();
            TBlockReader layerBlocks(body, major);
            while (!layerBlocks.AtEnd()) {
                TBlock layerBlock = layerBlocks.Next();
                if (layerBlock.Id != LayerBlock) continue;
                TByteReader& l = layerBlock.Body;
                TLayer layer;
                size_t channelCount = 0;
                if (major >= 4) {
                    const size_t start = l.Position();
                    const uint32_t chunk = l.U32LE();
                    l.Skip(l.U16LE());  // name
                    layer.Raster = l.U8() <= 2;  // undefined, raster or floating raster
                    layer.Image = ReadRect(l);
                    layer.Saved = ReadRect(l);
                    layer.Opacity = l.U8();
                    l.Skip(1);  // blend mode
                    layer.Visible = l.U8() != 0;
                    EndChunk(l, start, chunk);
                    const size_t bitmapStart = l.Position();
                    const uint32_t bitmapChunk = l.U32LE();
                    l.Skip(2);  // bitmap count
                    channelCount = l.U16LE();
                    EndChunk(l, bitmapStart, bitmapChunk);
                } else {
                    l.Skip(256);  // name
                    layer.Raster = l.U8() <= 1;
                    layer.Image = ReadRect(l);
                    layer.Saved = ReadRect(l);
                    layer.Opacity = l.U8();
                    l.Skip(1);
                    layer.Visible = l.U8() != 0;
                    l.Skip(2 + 16 + 16 + 3 + 2 + 40);  // protection, group, mask rects, mask flags, blend ranges
                    l.Skip(2);
                    channelCount = l.U16LE();
                }
                const int64_t w = layer.Saved.Width(), h = layer.Saved.Height();
                if (w < 0 || h < 0 || w * h > MaxPicturePixels) reader.FailFormat();
                ReadChannels(l, major, channelCount, static_cast<size_t>(w * h), compression, depth, layer);
                layers.push_back(std::move(layer));
            }
        } else if (block.Id == CompositeBankBlock && haveAttributes && major >= 4 && !haveComposite) {
            // Files that carry the merged picture are shown by it. A composite that cannot be
            // read is passed over: the layers still make the picture.
            try {
                haveComposite = ReadComposite(body, major, width, height, compression, depth, composite);
            } catch (const EInvalidGraphic&) {
                composite = TLayer();
            }
        }
    }
    if (haveComposite) {
        layers.clear();
        layers.push_back(std::move(composite));
    }
    if (!haveAttributes) reader.FailFormat();

    // Flatten the visible raster layers, bottom first, onto a transparent canvas. Even a blank
    // layer covering the canvas takes a thousandth of its size when deflated.
    if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > uint64_t{size} * 1100) reader.FailRead();
    SetPictureSize(width, height, ShortName);
    for (const TLayer& layer : layers) {
        if (!layer.Raster || !layer.Visible || layer.Channels[0].empty()) continue;
        const bool rgb = depth == 24;
        if (rgb && (layer.Channels[1].empty() || layer.Channels[2].empty())) continue;
        const int64_t w = layer.Saved.Width(), h = layer.Saved.Height();
        const int64_t left = int64_t{layer.Image.Left} + layer.Saved.Left;
        const int64_t top = int64_t{layer.Image.Top} + layer.Saved.Top;
        for (int64_t y = std::max<int64_t>(0, -top); y < h && top + y < height; ++y) {
            TColor32* row = Row(static_cast<int32_t>(top + y));
            for (int64_t x = std::max<int64_t>(0, -left); x < w && left + x < width; ++x) {
                const size_t i = static_cast<size_t>(y * w + x);
                TColor32 c;
                if (rgb) {
                    c = Color32(layer.Channels[0][i], layer.Channels[1][i], layer.Channels[2][i]);
                } else {
                    const uint8_t v = layer.Channels[0][i];
                    c = (!palette.empty() && !grey) ? palette[v] : Color32(v, v, v);
                }
                const int a = (layer.Mask.empty() ? 255 : layer.Mask[i]) * layer.Opacity / 255;
                TColor32& out = row[left + x];
                // Straight-alpha "over" of the layer pixel onto what lies below.
                const int below = static_cast<int>(out >> 24);
                const int result = a + below * (255 - a) / 255;
                if (result == 0) continue;
                auto mix = [&](int shift) {
                    const int top8 = static_cast<int>((c >> shift) & 0xFF), low8 = static_cast<int>((out >> shift) & 0xFF);
                    return (top8 * a + low8 * below * (255 - a) / 255 + result / 2) / result;
                };
                out = Color32(mix(16), mix(8), mix(0), result);
            }
        }
    }
}
