// GIF pictures: the still picture of the first frame, every frame decoded when it is first
// needed, and painters that play the animation into a drawing surface on a thread of their own.
// Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "uGIFDecoder.h"
#include "uGIFPainterList.h"
#include "uGraphics.h"

// Draw options of a painter, bit n = 2^n.
enum TGIFPaintOption : uint16_t {
    PaintAsync = 1u << 0,
    PaintTransparent = 1u << 1,
    PaintAnimate = 1u << 2,
    PaintLoop = 1u << 3,
    PaintLoopForever = 1u << 4,
    PaintValidateCanvas = 1u << 5,
    PaintDirect = 1u << 6,
    PaintClearOnLoop = 1u << 7,
    PaintTile = 1u << 8,
    PaintDither = 1u << 9,
    PaintAutoDither = 1u << 10,
};

class TGIFPainter;

class TGIFImage : public TGraphic {
public:
    TGIFImage();
    ~TGIFImage() override;  // stops its painters first
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    const char* ClassName() const override { return "TGIFImage"; }
    int32_t Width() const override;  // logical screen; 0 while there are no frames
    int32_t Height() const override;
    size_t FrameCount() const { return FLayout.Frames.size(); }
    // The frame's place, colour table and control values.
    const TGIFFrame& Frame(size_t index) const { return FLayout.Frames[index]; }

    // LoadFromStream clears the image (stopping its painters), then reads a GIF87a or GIF89a
    // stream: the layout of every frame, and the first frame's pixels. On failure the stream is put
    // back where it started, the image is empty and an EGIFError passes on; on success the stream
    // stands after the trailer.

    // Reads the raw-data resource of that name from the program's module.
    void LoadFromResourceName(const std::string& name);
    void Clear();

    // The first frame on the logical screen; transparent pixels leave the canvas as it was.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Draws one frame into rect of the canvas, the logical screen mapped onto rect. With
    // transparent set, pixels of the transparent index are left undrawn; otherwise every pixel
    // gets the colour of its table entry. Writes opaque pixels. A frame whose data is damaged
    // draws nothing.
    void DrawFrame(TCanvas& canvas, const TRect& rect, size_t index, bool transparent) const;

    // The frame decoded into straight ARGB pixels (Width × Height of the frame; pixels of the
    // transparent index have alpha 0): decoded on first use and kept until the image is cleared;
    // empty for a frame whose data is damaged or cannot be held. Safe to call from a painter's
    // thread.
    const std::vector<TColor32>& FramePicture(size_t index) const;

    // Starts a painter that draws into rect of canvas (every draw handed to the main thread).
    // Returns nullptr when the image or the rectangle is empty or the painting ran on the
    // calling thread. The painter belongs to the image; the pointer stays valid while it runs.
    TGIFPainter* StartPaint(TCanvas& canvas, const TRect& rect, uint16_t options);
    // Stops every painter of the image and waits for those on their own threads, serving
    // hand-offs meanwhile when called on the main thread.
    void StopPaint() { FPainters.StopAll(); }

    // The millisecond clock painters time their frames with (tests replace it). A painter
    // copies it when it is started.
    std::function<uint32_t()> Clock;
    // Called on a painter's thread with every wait it computes, just before it waits
    // (for timing checks). Copied like Clock.
    std::function<void(int32_t waitMs)> OnPainterWait;

protected:
    void ReadStream(TStream& stream) override;

private:
    friend class TGIFPainter;
    void PainterFinished(TGIFPainter* painter) { FPainters.Finished(painter); }

    std::vector<uint8_t> FData;  // the stream's bytes, from which frames are decoded
    TGIFLayout FLayout;

    mutable std::mutex FPictureLock;  // guards the decoded-frame cache
    mutable std::vector<std::unique_ptr<std::vector<TColor32>>> FPictures;

    TGIFPainterList FPainters;
};
