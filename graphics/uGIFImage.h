// GIF pictures: decoding with giflib, the still picture of the first frame, and painters that
// play the animation into a drawing surface on a thread of their own. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

// One image of a GIF stream with the control values and extensions that precede it.
struct TGIFFrame {
    int32_t Left = 0;  // position and size on the logical screen
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<TColor32> ColorTable;  // the local table, else the global one; opaque colours
    std::vector<uint8_t> Indices;      // Width × Height colour indices, row 0 at the top

    // Graphic control block.
    bool HasGraphicControl = false;
    int32_t Disposal = 0;
    bool Transparent = false;
    uint8_t TransparentIndex = 0;
    uint16_t Delay = 0;  // hundredths of a second

    // "NETSCAPE2.0" application extension.
    bool HasLoopExtension = false;
    uint16_t LoopCount = 0;  // 0: repeat forever
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
    size_t FrameCount() const { return FFrames.size(); }
    const TGIFFrame& Frame(size_t index) const { return FFrames[index]; }

    // Clears the image (stopping its painters), then reads a GIF87a or GIF89a stream. On failure
    // the stream is put back where it started, the image is empty and an EGIFError passes on.
    void LoadFromStream(TStream& stream) override;
    // Reads the raw-data resource of that name from the program's module.
    void LoadFromResourceName(const std::string& name);
    void Clear();

    // The first frame on the logical screen; transparent pixels leave the canvas as it was.
    void Draw(TCanvas& canvas, const TRect& rect) const override;

    // Draws one frame into rect of the canvas, the logical screen mapped onto rect. With
    // transparent set, pixels of the transparent index are left undrawn; otherwise every pixel
    // gets the colour of its table entry. Writes opaque pixels.
    void DrawFrame(TCanvas& canvas, const TRect& rect, size_t index, bool transparent) const;

    // The frame decoded into straight ARGB pixels (Width × Height of the frame; pixels of the
    // transparent index have alpha 0). Built on first use, kept until the image is cleared.
    // Safe to call from a painter's thread.
    const std::vector<TColor32>& FramePicture(size_t index) const;

    // Starts a painter that draws into rect of canvas (every draw handed to the main thread).
    // Returns nullptr when the image or the rectangle is empty or the painting ran on the
    // calling thread. The painter belongs to the image; the pointer stays valid while it runs.
    TGIFPainter* StartPaint(TCanvas& canvas, const TRect& rect, uint16_t options);
    // Stops every painter of the image and waits for those on their own threads, serving
    // hand-offs meanwhile when called on the main thread.
    void StopPaint();

    // The millisecond clock painters time their frames with (tests replace it). A painter
    // copies it when it is started.
    std::function<uint32_t()> Clock;
    // Called on a painter's thread with every wait it computes, just before it waits
    // (for timing checks). Copied like Clock.
    std::function<void(int32_t waitMs)> OnPainterWait;

private:
    friend class TGIFPainter;
    void PainterFinished(TGIFPainter* painter);  // called by a painter as its thread ends
    void ReleaseFinishedPainters();

    int32_t FScreenWidth = 0;
    int32_t FScreenHeight = 0;
    std::vector<TGIFFrame> FFrames;

    mutable std::mutex FPictureLock;  // guards the decoded-frame cache
    mutable std::vector<std::unique_ptr<std::vector<TColor32>>> FPictures;

    std::mutex FPaintersLock;                            // guards FPainters
    std::vector<TGIFPainter*> FPainters;                 // painters whose thread still runs
    std::vector<std::unique_ptr<TGIFPainter>> FOwned;    // every painter not yet released
};
