// The one nearest-neighbour drawing loop: pictures drawn at another size and the nearest
// resampler. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "uTBitmap32.h"

// For every pixel of clip (a part of target), combines it with the source pixel in column
// columnOf(x) and row rowOf(y): *out = put(source pixel, *out). The source is row-major with
// sourceStride words per row; the maps must stay inside it.
template <class TColumnOf, class TRowOf, class TPut>
void DrawNearest(TBitmap32& target, const TRect& clip, const TColor32* source, size_t sourceStride,
                 TColumnOf columnOf, TRowOf rowOf, TPut put) {
    if (clip.IsEmpty()) return;
    std::vector<int64_t> columns(static_cast<size_t>(clip.Width()));
    for (int32_t x = clip.Left; x < clip.Right; ++x) columns[static_cast<size_t>(x - clip.Left)] = columnOf(x);
    // Columns one after another (a picture drawn at its own width) are read as a run.
    bool run = true;
    for (size_t i = 1; i < columns.size() && run; ++i) run = columns[i] == columns[i - 1] + 1;
    const size_t first = static_cast<size_t>(columns[0]);
    for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
        const TColor32* in = source + static_cast<size_t>(rowOf(y)) * sourceStride;
        TColor32* out = target.Pixels() + static_cast<size_t>(y) * static_cast<size_t>(target.Width()) + clip.Left;
        if (run) {
            const TColor32* row = in + first;
            for (size_t i = 0; i < columns.size(); ++i) out[i] = put(row[i], out[i]);
        } else {
            for (size_t i = 0; i < columns.size(); ++i) out[i] = put(in[columns[i]], out[i]);
        }
    }
}

// The column (or row) map of a picture of size pixels drawn over the span start..start+length:
// floor((x - start) × size / length).
struct TScaledIndex {
    int64_t Start, Size, Length;
    int64_t operator()(int32_t x) const { return (x - Start) * Size / Length; }
};
