// GIF pictures: decoding with giflib, the still picture of the first frame, and painters that
// play the animation into a drawing surface on a thread of their own. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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

    const char* ClassName() const override { return "TGIFImage"; }
    int32_t Width() const override;   // logical screen
    int32_t Height() const override;
    size_t FrameCount() const;

    // Clears the image (stopping its painters), then reads a GIF87a or GIF89a stream. On failure
    // the stream is put back where it started, the image is empty and the GIF error passes on.
    void LoadFromStream(TStream& stream) override;
    // Reads the raw-data resource of that name from the program's module.
    void LoadFromResourceName(const std::string& name);
    void Clear();

    // The first frame on the logical screen; transparent pixels leave the canvas as it was.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Starts a painter that draws into rect of canvas (every draw handed to the main thread).
    // Returns nullptr when the image or the rectangle is empty or the painter ran synchronously.
    TGIFPainter* StartPaint(TCanvas& canvas, const TRect& rect, uint16_t options);
    // Stops every painter of the image and waits for those on their own threads, serving
    // hand-offs meanwhile when called on the main thread.
    void StopPaint();

    // The millisecond clock painters time their frames with (tests replace it).
    std::function<uint32_t()> Clock;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
    friend class TGIFPainter;
};
