// Small GIF streams made in memory with giflib's encoder, for the GIF tests.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "uTBitmap32.h"

struct TGIFFixtureFrame {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Width = 1;
    int32_t Height = 1;
    std::vector<uint8_t> Indices;      // Width × Height, row 0 at the top
    std::vector<TColor32> LocalTable;  // empty: the frame uses the global table
    bool Interlaced = false;
    bool WithControl = false;          // a graphic control block before the frame
    int Disposal = 0;
    int TransparentIndex = -1;         // -1: no transparency
    int Delay = 0;                     // hundredths of a second
    bool WithLoop = false;             // a "NETSCAPE2.0" block before the frame
    uint16_t LoopCount = 0;
};

struct TGIFFixture {
    int32_t Width = 1;
    int32_t Height = 1;
    std::vector<TColor32> GlobalTable;  // empty: none
    std::vector<TGIFFixtureFrame> Frames;
};

namespace gif_fixtures {

inline int AppendBytes(GifFileType* gif, const GifByteType* data, int length) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + length);
    return length;
}

struct TColorMap {
    ColorMapObject* Map = nullptr;
    explicit TColorMap(const std::vector<TColor32>& colors) {
        if (colors.empty()) return;
        int size = 2;
        while (size < static_cast<int>(colors.size())) size *= 2;
        std::vector<GifColorType> entries(static_cast<size_t>(size), GifColorType{0, 0, 0});
        for (size_t i = 0; i < colors.size(); ++i)
            entries[i] = GifColorType{static_cast<GifByteType>(colors[i] >> 16), static_cast<GifByteType>(colors[i] >> 8),
                                      static_cast<GifByteType>(colors[i])};
        Map = GifMakeMapObject(size, entries.data());
    }
    ~TColorMap() { GifFreeMapObject(Map); }
    TColorMap(const TColorMap&) = delete;
    TColorMap& operator=(const TColorMap&) = delete;
};

inline void Check(int result) {
    if (result == GIF_ERROR) throw std::runtime_error("GIF fixture could not be encoded");
}

}  // namespace gif_fixtures

// Encodes the fixture as a GIF89a stream.
inline std::vector<uint8_t> EncodeGIF(const TGIFFixture& fixture) {
    using namespace gif_fixtures;
    std::vector<uint8_t> bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, AppendBytes, &error);
    if (!gif) throw std::runtime_error("GIF fixture could not be encoded");
    EGifSetGifVersion(gif, true);
    TColorMap global(fixture.GlobalTable);
    Check(EGifPutScreenDesc(gif, fixture.Width, fixture.Height, 8, 0, global.Map));
    for (const TGIFFixtureFrame& frame : fixture.Frames) {
        if (frame.WithLoop) {
            const GifByteType loop[3] = {1, static_cast<GifByteType>(frame.LoopCount & 0xFF),
                                         static_cast<GifByteType>(frame.LoopCount >> 8)};
            Check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
            Check(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"));
            Check(EGifPutExtensionBlock(gif, 3, loop));
            Check(EGifPutExtensionTrailer(gif));
        }
        if (frame.WithControl) {
            GraphicsControlBlock control{};
            control.DisposalMode = frame.Disposal;
            control.DelayTime = frame.Delay;
            control.TransparentColor = frame.TransparentIndex;
            GifByteType block[4];
            const size_t length = EGifGCBToExtension(&control, block);
            Check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), block));
        }
        TColorMap local(frame.LocalTable);
        Check(EGifPutImageDesc(gif, frame.Left, frame.Top, frame.Width, frame.Height, frame.Interlaced, local.Map));
        std::vector<int32_t> rows;
        if (frame.Interlaced) {
            const int32_t start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int32_t y = start[pass]; y < frame.Height; y += step[pass]) rows.push_back(y);
        } else {
            for (int32_t y = 0; y < frame.Height; ++y) rows.push_back(y);
        }
        for (int32_t y : rows) {
            std::vector<GifPixelType> line(frame.Indices.begin() + y * frame.Width,
                                           frame.Indices.begin() + (y + 1) * frame.Width);
            Check(EGifPutLine(gif, line.data(), frame.Width));
        }
        // The encoder keeps its own copy of a local table and does not always release it.
        GifFreeMapObject(gif->Image.ColorMap);
        gif->Image.ColorMap = nullptr;
    }
    if (EGifCloseFile(gif, &error) == GIF_ERROR) throw std::runtime_error("GIF fixture could not be encoded");
    return bytes;
}

// A frame covering (left, top, width, height) with every pixel of one index.
inline TGIFFixtureFrame SolidFrame(int32_t left, int32_t top, int32_t width, int32_t height, uint8_t index) {
    TGIFFixtureFrame frame;
    frame.Left = left;
    frame.Top = top;
    frame.Width = width;
    frame.Height = height;
    frame.Indices.assign(static_cast<size_t>(width) * static_cast<size_t>(height), index);
    return frame;
}
