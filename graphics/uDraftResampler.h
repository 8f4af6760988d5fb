// Resamplers selectable by name through TBitmap32::SetResamplerClassName. Portable.
//
// TDraftResampler enlarges bilinearly with weights in 256ths and shrinks by box averages in
// 16.16 fixed point, with exact integer arithmetic. TLinearResampler is its bilinear method at
// every scale; TKernelResampler is an alias of the draft method (no wider kernels are needed).
#pragma once

#include <cstdint>
#include <vector>

#include "uTBitmap32.h"

// Registers TDraftResampler, TLinearResampler and TKernelResampler (safe to call repeatedly).
void RegisterDraftResamplers();

// One entry of a bilinear map: the source column (or row) and its neighbour, and the weight in
// 256ths of the first one.
struct TResampleTap {
    int32_t First;
    int32_t Second;
    int32_t Weight;
};

// Bilinear map of destination positions first..end-1 (counted from the destination rectangle's
// edge) for a source span srcStart..srcEnd-1 in a bitmap of srcLimit pixels, enlarged to dstSize.
std::vector<TResampleTap> BilinearMap(int32_t srcStart, int32_t srcEnd, int32_t srcLimit, int32_t dstSize,
                                      int32_t first, int32_t end);

// Box boundaries of a shrink from srcSize to dstSize: entry k is the offset of block k's first
// source pixel, for k = 0..dstSize (16.16 fixed-point steps).
std::vector<int32_t> BoxBounds(int32_t srcSize, int32_t dstSize);

class TDraftResampler : public TCustomResampler {
public:
    const char* ClassName() const override { return "TDraftResampler"; }
    void Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                  const TRect& srcRect) const override;

protected:
    void Enlarge(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                 const TRect& srcRect) const;
    void Shrink(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                const TRect& srcRect) const;

private:
    // Maps and scratch rows of the last call, kept while the geometry stays the same (the
    // renderer scales the same frame size every frame).
    struct TGeometry {
        TRect DstRect, Clip, SrcRect;
        int32_t SrcWidth = -1, SrcHeight = -1;
        bool operator==(const TGeometry& other) const {
            return DstRect == other.DstRect && Clip == other.Clip && SrcRect == other.SrcRect &&
                   SrcWidth == other.SrcWidth && SrcHeight == other.SrcHeight;
        }
    };
    mutable TGeometry FGeometry;
    mutable std::vector<TResampleTap> FColumns, FRows;
    mutable std::vector<int32_t> FBoxX, FBoxY;
    // A stretch of the column map that doubles its source: outputs 2k and 2k+1 (from First) take
    // source pixels Column+k and Column+k+1 with weights 192 and 64.
    struct TDoublingRun {
        int32_t First, Column, Pairs;
    };
    mutable std::vector<TDoublingRun> FDoublingRuns;
    mutable std::vector<int16_t> FTapWeights;  // eight 16-bit weights per output column
    mutable bool FAdjacentTaps = false;        // every output reads two neighbouring pixels
    mutable std::vector<TColor32> FFilteredRows[2];  // source rows after the horizontal pass
    mutable std::vector<uint32_t> FSums;             // per-channel column sums of a shrink block row
    mutable std::vector<uint16_t> FSmallSums;        // the same in 16 bits, while blocks stay small
    mutable bool FSmallBlocks = false;               // every block sum fits 16 bits
    void FilterRow(const TColor32* row, TColor32* out) const;
    void Prepare(const TRect& dstRect, const TRect& clip, const TBitmap32& src, const TRect& srcRect,
                 bool enlarge) const;
};

class TLinearResampler : public TDraftResampler {
public:
    const char* ClassName() const override { return "TLinearResampler"; }
    void Resample(TBitmap32& dst, const TRect& dstRect, const TRect& clip, const TBitmap32& src,
                  const TRect& srcRect) const override;
};

class TKernelResampler : public TDraftResampler {
public:
    const char* ClassName() const override { return "TKernelResampler"; }
};
