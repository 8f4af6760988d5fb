#include "uGIFImage.h"

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "uGIFPainter.h"
#include "uSysUtils.h"
#include "uThreads.h"
#include "uTickCount.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Reading through giflib

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

int ReadFromStream(GifFileType* gif, GifByteType* buffer, int count) {
    if (count <= 0) return 0;
    try {
        return static_cast<int>(static_cast<TStream*>(gif->UserData)->Read(buffer, static_cast<size_t>(count)));
    } catch (...) {
        return 0;  // giflib sees a short read and reports it
    }
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
void CheckSignature(TStream& stream) {
    char header[6] = {};
    const size_t n = stream.Read(header, sizeof header);
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

TGIFFrame ReadFrame(GifFileType* gif, const TPendingExtensions& pending, int32_t screenWidth, int32_t screenHeight) {
    if (DGifGetImageDesc(gif) == GIF_ERROR) RaiseGIFCode(gif->Error);
    const GifImageDesc& desc = gif->Image;
    TGIFFrame frame;
    frame.Left = desc.Left;
    frame.Top = desc.Top;
    frame.Width = desc.Width;
    frame.Height = desc.Height;
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

    if (frame.Width == 0 || frame.Height == 0) {
        // Nothing to show; skip the image data.
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif, &codeSize, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
        while (block)
            if (DGifGetCodeNext(gif, &block) == GIF_ERROR) RaiseGIFCode(gif->Error);
        frame.Width = frame.Height = 0;
        return frame;
    }

    // Rows are appended as they are decoded, so that a short stream never makes us hold more
    // than the data it really carries.
    const size_t width = static_cast<size_t>(frame.Width);
    std::vector<GifPixelType> line(width);
    std::vector<uint8_t> stored;
    for (int32_t y = 0; y < frame.Height; ++y) {
        if (DGifGetLine(gif, line.data(), frame.Width) == GIF_ERROR) RaiseGIFCode(gif->Error);
        stored.insert(stored.end(), line.begin(), line.end());
    }
    if (desc.Interlace) {
        frame.Indices.resize(stored.size());
        const std::vector<int32_t> order = InterlacedRowOrder(frame.Height);
        for (size_t i = 0; i < order.size(); ++i)
            std::memcpy(frame.Indices.data() + static_cast<size_t>(order[i]) * width, stored.data() + i * width, width);
    } else {
        frame.Indices = std::move(stored);
    }
    return frame;
}

struct TDecodedGIF {
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    std::vector<TGIFFrame> Frames;
};

TDecodedGIF ReadGIF(TStream& stream) {
    const int64_t start = stream.Position();
    CheckSignature(stream);
    stream.SetPosition(start);

    int error = 0;
    TGifHandle gif(DGifOpen(&stream, ReadFromStream, &error));
    if (!gif) RaiseGIFCode(error);

    TDecodedGIF result;
    result.ScreenWidth = gif->SWidth;
    result.ScreenHeight = gif->SHeight;
    if (int64_t{result.ScreenWidth} * result.ScreenHeight > MaxPicturePixels)
        throw EGIFError(Format("GIF image too large (%d x %d)", result.ScreenWidth, result.ScreenHeight));

    TPendingExtensions pending;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR) RaiseGIFCode(gif->Error);
        if (record == TERMINATE_RECORD_TYPE) break;
        if (record == EXTENSION_RECORD_TYPE) {
            ReadExtension(gif.get(), pending);
        } else if (record == IMAGE_DESC_RECORD_TYPE) {
            result.Frames.push_back(ReadFrame(gif.get(), pending, result.ScreenWidth, result.ScreenHeight));
            pending = TPendingExtensions{};
        } else {
            RaiseGIF("Unknown GIF block type");
        }
    }
    if (result.Frames.empty()) RaiseGIF("Invalid GIF data");
    return result;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TGIFImage

TGIFImage::TGIFImage() : Clock(MillisecondTickCount) {}

TGIFImage::~TGIFImage() {
    StopPaint();
    ReleaseFinishedPainters();
}

int32_t TGIFImage::Width() const { return FFrames.empty() ? 0 : FScreenWidth; }

int32_t TGIFImage::Height() const { return FFrames.empty() ? 0 : FScreenHeight; }

void TGIFImage::Clear() {
    StopPaint();
    ReleaseFinishedPainters();
    std::lock_guard<std::mutex> guard(FPictureLock);
    FPictures.clear();
    FFrames.clear();
    FScreenWidth = 0;
    FScreenHeight = 0;
}

void TGIFImage::LoadFromStream(TStream& stream) {
    Clear();
    const int64_t start = stream.Position();
    TDecodedGIF decoded;
    try {
        decoded = ReadGIF(stream);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
    std::lock_guard<std::mutex> guard(FPictureLock);
    FScreenWidth = decoded.ScreenWidth;
    FScreenHeight = decoded.ScreenHeight;
    FFrames = std::move(decoded.Frames);
    FPictures.resize(FFrames.size());
}

void TGIFImage::LoadFromResourceName(const std::string& name) {
    TResourceStream stream(TResourceType::RawData, name);
    LoadFromStream(stream);
}

const std::vector<TColor32>& TGIFImage::FramePicture(size_t index) const {
    std::lock_guard<std::mutex> guard(FPictureLock);
    std::unique_ptr<std::vector<TColor32>>& cached = FPictures[index];
    if (!cached) {
        const TGIFFrame& frame = FFrames[index];
        auto picture = std::make_unique<std::vector<TColor32>>(frame.Indices.size());
        const size_t tableSize = frame.ColorTable.size();
        for (size_t i = 0; i < frame.Indices.size(); ++i) {
            const uint8_t entry = frame.Indices[i];
            // An index beyond the table shows black.
            TColor32 color = entry < tableSize ? frame.ColorTable[entry] : Color32(0, 0, 0);
            if (frame.Transparent && entry == frame.TransparentIndex) color &= 0x00FFFFFFu;
            (*picture)[i] = color;
        }
        cached = std::move(picture);
    }
    return *cached;
}

void TGIFImage::DrawFrame(TCanvas& canvas, const TRect& rect, size_t index, bool transparent) const {
    if (index >= FFrames.size() || rect.IsEmpty() || FScreenWidth <= 0 || FScreenHeight <= 0) return;
    const TGIFFrame& frame = FFrames[index];
    if (frame.Width <= 0 || frame.Height <= 0) return;

    // The frame's place on the logical screen, mapped onto rect.
    const int64_t rw = rect.Width(), rh = rect.Height();
    const TRect target{static_cast<int32_t>(rect.Left + frame.Left * rw / FScreenWidth),
                       static_cast<int32_t>(rect.Top + frame.Top * rh / FScreenHeight),
                       static_cast<int32_t>(rect.Left + (int64_t{frame.Left} + frame.Width) * rw / FScreenWidth),
                       static_cast<int32_t>(rect.Top + (int64_t{frame.Top} + frame.Height) * rh / FScreenHeight)};
    if (target.IsEmpty()) return;

    canvas.Flush();
    TBitmap32& bitmap = canvas.Bitmap();
    const TRect clip = IntersectRect(target, bitmap.BoundsRect());
    if (clip.IsEmpty()) return;

    const std::vector<TColor32>& picture = FramePicture(index);
    const int64_t tw = target.Width(), th = target.Height();
    TColor32* pixels = bitmap.Pixels();
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const int64_t sy = (y - target.Top) * int64_t{frame.Height} / th;
        const TColor32* source = picture.data() + sy * frame.Width;
        TColor32* out = pixels + static_cast<size_t>(y) * static_cast<size_t>(bitmap.Width());
        for (int32_t x = clip.Left; x < clip.Right; ++x) {
            const int64_t sx = tw == frame.Width ? x - target.Left : (x - target.Left) * int64_t{frame.Width} / tw;
            const TColor32 color = source[sx];
            if (transparent && (color >> 24) == 0) continue;
            out[x] = color | 0xFF000000u;
        }
    }
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) const { DrawFrame(canvas, rect, 0, true); }

TGIFPainter* TGIFImage::StartPaint(TCanvas& canvas, const TRect& rect, uint16_t options) {
    if (FFrames.empty() || rect.IsEmpty()) return nullptr;
    ReleaseFinishedPainters();
    if (FFrames.size() == 1) options &= static_cast<uint16_t>(~(PaintAsync | PaintAnimate));
    if (!(options & PaintAsync)) {
        // Painting on the calling thread draws the first frame and ends.
        TThread::Synchronize([&] { DrawFrame(canvas, rect, 0, (options & PaintTransparent) != 0); });
        return nullptr;
    }
    auto painter = std::make_unique<TGIFPainter>(*this, canvas, rect, options);
    TGIFPainter* result = painter.get();
    {
        std::lock_guard<std::mutex> guard(FPaintersLock);
        FPainters.push_back(result);
    }
    FOwned.push_back(std::move(painter));
    result->Start();
    return result;
}

void TGIFImage::StopPaint() {
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(FPaintersLock);
            if (FPainters.empty()) break;
            for (TGIFPainter* painter : FPainters) painter->Stop();
        }
        // A painter may be waiting for the main thread to carry out its draw.
        if (IsMainThread())
            CheckSynchronize(1);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TGIFImage::PainterFinished(TGIFPainter* painter) {
    std::lock_guard<std::mutex> guard(FPaintersLock);
    FPainters.erase(std::remove(FPainters.begin(), FPainters.end(), painter), FPainters.end());
}

void TGIFImage::ReleaseFinishedPainters() {
    std::vector<std::unique_ptr<TGIFPainter>> finished;
    {
        std::lock_guard<std::mutex> guard(FPaintersLock);
        auto running = [this](const std::unique_ptr<TGIFPainter>& p) {
            return std::find(FPainters.begin(), FPainters.end(), p.get()) != FPainters.end();
        };
        auto split = std::stable_partition(FOwned.begin(), FOwned.end(), running);
        std::move(split, FOwned.end(), std::back_inserter(finished));
        FOwned.erase(split, FOwned.end());
    }
    finished.clear();  // joins their threads, which have left their work already
}
