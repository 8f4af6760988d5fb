#include "uGIFDecoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "uGraphics.h"
#include "uSysUtils.h"

namespace {

[[noreturn]] void RaiseGIF(const char* message) { throw EGIFError(message); }

// giflib's error codes in the decoder's own words where one applies.
[[noreturn]] void RaiseGIFCode(int code) {
    switch (code) {
        case D_GIF_ERR_NOT_GIF_FILE:
            RaiseGIF("Invalid GIF signature");
        case D_GIF_ERR_WRONG_RECORD:
            RaiseGIF("Unknown GIF block type");
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_NO_SCRN_DSCR:
        case D_GIF_ERR_NO_IMAG_DSCR:
        case D_GIF_ERR_DATA_TOO_BIG:
        case D_GIF_ERR_IMAGE_DEFECT:
        case D_GIF_ERR_EOF_TOO_SOON:
            RaiseGIF("Invalid GIF data");
        default: {
            const char* text = GifErrorString(code);
            RaiseGIF(text ? text : "Invalid GIF data");
        }
    }
}

// The stream giflib reads: the stream's first part (header, screen descriptor, global colour
// table), then the rest from a chosen offset, so that one frame can be read on its own.
struct TGIFSource {
    const std::vector<uint8_t>& Bytes;
    size_t HeadEnd;   // end of the first part
    size_t Resume;    // where reading goes on after it
    size_t Position;  // in the stream as giflib sees it
    // The offset in Bytes of the next byte giflib reads.
    size_t Offset() const { return Position < HeadEnd ? Position : Resume + (Position - HeadEnd); }
};

int ReadSource(GifFileType* gif, GifByteType* buffer, int count) {
    auto* source = static_cast<TGIFSource*>(gif->UserData);
    int done = 0;
    while (done < count) {
        const size_t offset = source->Offset();
        if (offset >= source->Bytes.size()) break;
        const size_t limit = source->Position < source->HeadEnd ? source->HeadEnd : source->Bytes.size();
        const size_t n = std::min<size_t>(static_cast<size_t>(count - done), limit - offset);
        std::memcpy(buffer + done, source->Bytes.data() + offset, n);
        done += static_cast<int>(n);
        source->Position += n;
    }
    return done;  // giflib sees a short read and reports it
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using TGifHandle = std::unique_ptr<GifFileType, TGifCloser>;

std::vector<TColor32> ColorTableOf(const ColorMapObject* map) {
    std::vector<TColor32> table;
    if (!map || !map->Colors || map->ColorCount <= 0) return table;
    table.reserve(static_cast<size_t>(map->ColorCount));
    for (int i = 0; i < map->ColorCount; ++i)
        table.push_back(Color32(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
    return table;
}

// Checks the six-byte header ourselves: giflib looks at "GIF" only.
void CheckSignature(const std::vector<uint8_t>& bytes) {
    const size_t n = std::min<size_t>(bytes.size(), 6);
    const char* header = reinterpret_cast<const char*>(bytes.data());
    if (n < 3 || std::memcmp(header, "GIF", 3) != 0) RaiseGIF("Invalid GIF signature");
    if (n < 6) RaiseGIF("Invalid GIF data");
    if (std::memcmp(header + 3, "87a", 3) != 0 && std::memcmp(header + 3, "89a", 3) != 0)
        RaiseGIF("Unsupported GIF version");
}

// The extensions met since the last frame; they belong to the next one.
struct TPendingExtensions {
    bool HasGraphicControl = false;
    int32_t Disposal = 0;
    bool Transparent = false;
    uint8_t TransparentIndex = 0;
    uint16_t Delay = 0;
    bool HasLoopExtension = false;
    uint16_t LoopCount = 0;
};

void ReadExtension(GifFileType* gif, TPendingExtensions& pending) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
    bool loopBlockNext = false;
    bool first = true;
    while (block) {
        const int length = block[0];
        const GifByteType* data = block + 1;
        if (code == GRAPHICS_EXT_FUNC_CODE && first && length >= 4) {
            pending.HasGraphicControl = true;
            pending.Disposal = (data[0] >> 2) & 0x07;
            pending.Transparent = (data[0] & 0x01) != 0;
            pending.Delay = static_cast<uint16_t>(data[1] | (data[2] << 8));
            pending.TransparentIndex = data[3];
        } else if (code == APPLICATION_EXT_FUNC_CODE && first) {
            loopBlockNext = length == 11 && std::memcmp(data, "NETSCAPE2.0", 11) == 0;
        } else if (loopBlockNext && length >= 3 && data[0] == 1) {
            if (!pending.HasLoopExtension) {
                pending.HasLoopExtension = true;
                pending.LoopCount = static_cast<uint16_t>(data[1] | (data[2] << 8));
            }
            loopBlockNext = false;
        }
        first = false;
        if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
    }
}

// Rows of an interlaced image in the order they are stored: every 8th from 0, every 8th from 4,
// every 4th from 2, every 2nd from 1.
std::vector<int32_t> InterlacedRowOrder(int32_t height) {
    std::vector<int32_t> order;
    order.reserve(static_cast<size_t>(height));
    static const int32_t start[4] = {0, 4, 2, 1};
    static const int32_t step[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int32_t y = start[pass]; y < height; y += step[pass]) order.push_back(y);
    return order;
}

TGifHandle OpenGIF(TGIFSource& source) {
    int error = 0;
    TGifHandle gif(DGifOpen(&source, ReadSource, &error));
    if (!gif) RaiseGIFCode(error);
    return gif;
}

// Reads an image descriptor and walks past the frame's data without decoding it.
TGIFFrame ReadFrame(GifFileType* gif, const TPendingExtensions& pending, int32_t screenWidth, int32_t screenHeight) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) RaiseGIFCode(gif->Error);
    const GifImageDesc& desc = gif->Image;
    TGIFFrame frame;
    frame.Left = desc.Left;
    frame.Top = desc.Top;
    frame.Width = desc.Width;
    frame.Height = desc.Height;
    frame.Interlaced = desc.Interlace;
    if (frame.Left < 0 || frame.Top < 0 || frame.Width < 0 || frame.Height < 0 ||
        int64_t{frame.Left} + frame.Width > screenWidth || int64_t{frame.Top} + frame.Height > screenHeight)
        RaiseGIF("Image exceeds Logical Screen size");
    frame.ColorTable = ColorTableOf(desc.ColorMap ? desc.ColorMap : gif->SColorMap);
    frame.HasGraphicControl = pending.HasGraphicControl;
    frame.Disposal = pending.Disposal;
    frame.Transparent = pending.Transparent;
    frame.TransparentIndex = pending.TransparentIndex;
    frame.Delay = pending.Delay;
    frame.HasLoopExtension = pending.HasLoopExtension;
    frame.LoopCount = pending.LoopCount;

    int codeSize = 0;
    GifByteType* block = nullptr;
    if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
    while (block)
        if (DGifGetCodeNext(gif, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
    if (frame.Width == 0 || frame.Height == 0) frame.Width = frame.Height = 0;  // nothing to show
    return frame;
}

}  // namespace

TGIFLayout ReadGIFLayout(const std::vector<uint8_t>& bytes) {
    CheckSignature(bytes);
    TGIFSource source{bytes, bytes.size(), bytes.size(), 0};
    TGifHandle gif = OpenGIF(source);

    TGIFLayout layout;
    layout.ScreenWidth = gif->SWidth;
    layout.ScreenHeight = gif->SHeight;
    layout.HeaderSize = source.Position;
    if (int64_t{layout.ScreenWidth} * layout.ScreenHeight > MaxPicturePixels)
        throw EGIFError(Format("GIF image too large (%d x %d)", layout.ScreenWidth, layout.ScreenHeight));

    TPendingExtensions pending;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) RaiseGIFCode(gif->Error);
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == EXTENSION_RECORD_TYPE) {
            ReadExtension(gif.get(), pending);
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            const size_t descriptor = source.Position - 1;  // the separator just read
            layout.Frames.push_back(ReadFrame(gif.get(), pending, layout.ScreenWidth, layout.ScreenHeight));
            layout.Frames.back().DescriptorOffset = descriptor;
            pending = TPendingExtensions{};
        } else {
            RaiseGIF("Unknown GIF block type");
        }
    }
    if (layout.Frames.empty()) RaiseGIF("Invalid GIF data");
    layout.Size = source.Position;
    return layout;
}

std::vector<TColor32> DecodeGIFFrame(const std::vector<uint8_t>& bytes, const TGIFLayout& layout, size_t index) {
    const TGIFFrame& frame = layout.Frames.at(index);
    std::vector<TColor32> picture;
    if (frame.Width == 0 || frame.Height == 0) return picture;

    TGIFSource source{bytes, layout.HeaderSize, frame.DescriptorOffset, 0};
    TGifHandle gif = OpenGIF(source);
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) RaiseGIFCode(gif->Error);
    if (record != IMAGE_DESC_RECORD_TYPE) RaiseGIF("Invalid GIF data");
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR) RaiseGIFCode(gif->Error);

    // Stored rows, in the order of the interlace passes where the frame is interlaced.
    const size_t width = static_cast<size_t>(frame.Width);
    std::vector<int32_t> rows;
    if (frame.Interlaced) {
        rows = InterlacedRowOrder(frame.Height);
    } else {
        rows.resize(static_cast<size_t>(frame.Height));
        for (int32_t y = 0; y < frame.Height; ++y) rows[static_cast<size_t>(y)] = y;
    }
    picture.resize(width * static_cast<size_t>(frame.Height));
    std::vector<GifPixelType> line(width);
    const size_t tableSize = frame.ColorTable.size();
    for (const int32_t y : rows) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) RaiseGIFCode(gif->Error);
        TColor32* out = picture.data() + static_cast<size_t>(y) * width;
        for (size_t x = 0; x < width; ++x) {
            const uint8_t entry = line[x];
            // An index beyond the table shows black.
            TColor32 color = entry < tableSize ? frame.ColorTable[entry] : Color32(0, 0, 0);
            if (frame.Transparent && entry == frame.TransparentIndex) color &= 0x00FFFFFFu;
            out[x] = color;
        }
    }
    return picture;
}
