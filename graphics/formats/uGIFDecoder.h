// Reading GIF streams with giflib: the structure of the whole stream first, each frame's pixels
// when they are needed. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "uTBitmap32.h"

// One image of a GIF stream with the control values and extensions that precede it.
struct TGIFFrame {
    int32_t Left = 0;  // position and size on the logical screen
    int32_t Top = 0;
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<TColor32> ColorTable;  // the local table, else the global one; opaque colours
    bool Interlaced = false;
    size_t DescriptorOffset = 0;  // where the image descriptor starts in the stream

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

// The stream's layout: every block is walked and every frame's place noted, but no image data is
// decoded.
struct TGIFLayout {
    int32_t ScreenWidth = 0;
    int32_t ScreenHeight = 0;
    size_t HeaderSize = 0;  // header, screen descriptor and global colour table
    size_t Size = 0;        // up to and including the trailer
    std::vector<TGIFFrame> Frames;
};

// Reads the layout of a GIF87a or GIF89a stream; raises EGIFError with the decoder's messages
// for anything that is not one (a stream without frames included).
TGIFLayout ReadGIFLayout(const std::vector<uint8_t>& bytes);

// Decodes one frame of the stream whose layout was read into straight ARGB pixels (Width ×
// Height of the frame; pixels of the transparent index have alpha 0, indices beyond the colour
// table show black). Raises EGIFError for damaged image data.
std::vector<TColor32> DecodeGIFFrame(const std::vector<uint8_t>& bytes, const TGIFLayout& layout, size_t index);
