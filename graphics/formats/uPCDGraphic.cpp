#include "uPCDGraphic.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "uByteReader.h"

namespace {

constexpr size_t SignatureOffset = 0x800;
constexpr size_t OrientationOffset = 0xE02;  // low two bits
constexpr size_t BaseOffset = 0x30000;
constexpr int BaseWidth = 768;
constexpr int BaseHeight = 512;

uint8_t Clamp(double v) { return static_cast<uint8_t>(std::min(255.0, std::max(0.0, v + 0.5))); }

// PhotoYCC (8-bit luma and two chroma values) to RGB, highlights above white clipped.
TColor32 PhotoYCCToRGB(int y, int c1, int c2) {
    const double luma = 1.3584 * y;
    const double chroma1 = 2.2179 * (c1 - 156);
    const double chroma2 = 1.8215 * (c2 - 137);
    return Color32(Clamp(luma + chroma2), Clamp(luma - 0.194 * chroma1 - 0.509 * chroma2), Clamp(luma + chroma1));
}

}  // namespace

// The Base image: 768 x 512 pixels; every two rows are stored as two rows of luma followed by
// one row of each chroma value at half resolution. The image pack's header tells how the scan
// lies: turned a quarter to the left or right, or upside down; the picture is turned upright.
void TPCDGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader reader(data, size, ShortName);
    if (size < SignatureOffset + 7) reader.FailFormat();  // too short to carry the signature
    reader.Seek(SignatureOffset);
    if (std::memcmp(reader.Bytes(7), "PCD_IPI", 7) != 0) reader.FailFormat();
    reader.Seek(OrientationOffset);
    const int orientation = reader.U8() & 0x03;
    reader.Seek(BaseOffset);
    const size_t pairBytes = BaseWidth * 3;
    const uint8_t* base = reader.Bytes(pairBytes * (BaseHeight / 2));

    std::vector<TColor32> scan(static_cast<size_t>(BaseWidth) * BaseHeight);
    for (int pair = 0; pair < BaseHeight / 2; ++pair) {
        const uint8_t* luma = base + pair * pairBytes;
        const uint8_t* chroma1 = luma + 2 * BaseWidth;
        const uint8_t* chroma2 = chroma1 + BaseWidth / 2;
        for (int half = 0; half < 2; ++half) {
            TColor32* row = scan.data() + static_cast<size_t>(pair * 2 + half) * BaseWidth;
            const uint8_t* y = luma + half * BaseWidth;
            for (int x = 0; x < BaseWidth; ++x) row[x] = PhotoYCCToRGB(y[x], chroma1[x / 2], chroma2[x / 2]);
        }
    }

    // 1: the scan is turned upright by a quarter turn to the left; 3: to the right; 2: a half turn.
    const bool quarter = orientation == 1 || orientation == 3;
    SetPictureSize(quarter ? BaseHeight : BaseWidth, quarter ? BaseWidth : BaseHeight, ShortName);
    for (int sy = 0; sy < BaseHeight; ++sy) {
        const TColor32* in = scan.data() + static_cast<size_t>(sy) * BaseWidth;
        for (int sx = 0; sx < BaseWidth; ++sx) {
            int x = sx, y = sy;
            switch (orientation) {
                case 1: x = sy; y = BaseWidth - 1 - sx; break;
                case 2: x = BaseWidth - 1 - sx; y = BaseHeight - 1 - sy; break;
                case 3: x = BaseHeight - 1 - sy; y = sx; break;
                default: break;
            }
            Row(y)[x] = in[sx];
        }
    }
}
