#include "uGIFImage.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "uGIFPainter.h"
#include "uNearestDraw.h"
#include "uSysUtils.h"
#include "uThreads.h"
#include "uTickCount.h"

TGIFImage::TGIFImage() : Clock(MillisecondTickCount) {}

TGIFImage::~TGIFImage() { Clear(); }

int32_t TGIFImage::Width() const { return FLayout.Frames.empty() ? 0 : FLayout.ScreenWidth; }

int32_t TGIFImage::Height() const { return FLayout.Frames.empty() ? 0 : FLayout.ScreenHeight; }

void TGIFImage::Clear() {
    FPainters.StopAll();
    FPainters.ReleaseFinished();
    std::lock_guard<std::mutex> guard(FPictureLock);
    FPictures.clear();
    FLayout = TGIFLayout{};
    std::vector<uint8_t>().swap(FData);
}

void TGIFImage::ReadStream(TStream& stream) {
    Clear();
    const int64_t start = stream.Position();
    try {
        std::vector<uint8_t> bytes = stream.ReadRest();
        TGIFLayout layout = ReadGIFLayout(bytes);
        // The first frame is the still picture: its data must decode now.
        auto first = std::make_unique<std::vector<TColor32>>(DecodeGIFFrame(bytes, layout, 0));
        bytes.resize(layout.Size);  // whatever follows the trailer is not the picture's
        stream.SetPosition(start + static_cast<int64_t>(layout.Size));
        std::lock_guard<std::mutex> guard(FPictureLock);
        FData = std::move(bytes);
        FLayout = std::move(layout);
        FPictures.clear();
        FPictures.resize(FLayout.Frames.size());
        FPictures[0] = std::move(first);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
}

void TGIFImage::LoadFromResourceName(const std::string& name) {
    TResourceStream stream(TResourceType::RawData, name);
    LoadFromStream(stream);
}

const std::vector<TColor32>& TGIFImage::FramePicture(size_t index) const {
    std::lock_guard<std::mutex> guard(FPictureLock);
    std::unique_ptr<std::vector<TColor32>>& cached = FPictures[index];
    if (!cached) {
        // Called from painters too, which must go on: a frame that cannot be decoded or held
        // stays empty and draws nothing.
        auto picture = std::make_unique<std::vector<TColor32>>();
        try {
            *picture = DecodeGIFFrame(FData, FLayout, index);
        } catch (const Exception&) {
            picture->clear();
        } catch (const std::bad_alloc&) {
            picture->clear();
        } catch (const std::length_error&) {
            picture->clear();
        }
        cached = std::move(picture);
    }
    return *cached;
}

void TGIFImage::DrawFrame(TCanvas& canvas, const TRect& rect, size_t index, bool transparent) const {
    const int32_t screenWidth = FLayout.ScreenWidth, screenHeight = FLayout.ScreenHeight;
    if (index >= FLayout.Frames.size() || rect.IsEmpty() || screenWidth <= 0 || screenHeight <= 0) return;
    const TGIFFrame& frame = FLayout.Frames[index];
    if (frame.Width <= 0 || frame.Height <= 0) return;

    // The frame's place on the logical screen, mapped onto rect.
    const int64_t rw = rect.Width(), rh = rect.Height();
    const TRect target{static_cast<int32_t>(rect.Left + frame.Left * rw / screenWidth),
                       static_cast<int32_t>(rect.Top + frame.Top * rh / screenHeight),
                       static_cast<int32_t>(rect.Left + (int64_t{frame.Left} + frame.Width) * rw / screenWidth),
                       static_cast<int32_t>(rect.Top + (int64_t{frame.Top} + frame.Height) * rh / screenHeight)};
    if (target.IsEmpty()) return;

    canvas.Flush();
    TBitmap32& bitmap = canvas.Bitmap();
    const TRect clip = IntersectRect(target, bitmap.BoundsRect());
    if (clip.IsEmpty()) return;

    const std::vector<TColor32>& picture = FramePicture(index);
    if (picture.empty()) return;
    DrawNearest(bitmap, clip, picture.data(), static_cast<size_t>(frame.Width),
                TScaledIndex{target.Left, frame.Width, target.Width()}, TScaledIndex{target.Top, frame.Height, target.Height()},
                [transparent](TColor32 color, TColor32 out) {
                    return transparent && (color >> 24) == 0 ? out : color | 0xFF000000u;
                });
}

void TGIFImage::Draw(TCanvas& canvas, const TRect& rect) const { DrawFrame(canvas, rect, 0, true); }

TGIFPainter* TGIFImage::StartPaint(TCanvas& canvas, const TRect& rect, uint16_t options) {
    if (FLayout.Frames.empty() || rect.IsEmpty()) return nullptr;
    if (FLayout.Frames.size() == 1) options &= static_cast<uint16_t>(~(PaintAsync | PaintAnimate));
    if (!(options & PaintAsync)) {
        // Painting on the calling thread draws the first frame and ends.
        FPainters.ReleaseFinished();
        TThread::Synchronize([&] {
            DrawFrame(canvas, rect, 0, (options & PaintTransparent) != 0);
            canvas.Bitmap().Changed();
        });
        return nullptr;
    }
    return FPainters.Start(std::make_unique<TGIFPainter>(*this, canvas, rect, options));
}
