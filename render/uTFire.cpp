#include "uTFire.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <iterator>

#include "uDraftResampler.h"
#include "uGIFPainter.h"
#include "uSysUtils.h"

#if (defined(__SSE2__) || defined(_M_X64)) && !defined(VELMORA_NO_SIMD)
#include <emmintrin.h>
#define VELMORA_FIRE_SSE2 1
#endif

namespace {

constexpr int32_t W = TFire::PlaneWidth;
constexpr int32_t H = TFire::PlaneHeight;

// Source range of Propagate: row 3 column 0 up to row 198 column 159; results land three rows up.
constexpr int32_t PropagateFirst = 3 * W;
constexpr int32_t PropagateEnd = 199 * W;
constexpr int32_t PropagateLift = 3 * W;

constexpr int32_t MeshLastX = TFire::MeshColumns - 1;  // 10
constexpr int32_t MeshLastY = TFire::MeshRows - 1;     // 12

constexpr double SpringRestStraight = 16.0;
constexpr double SpringRestDiagonal = 22.627424;
constexpr double SpringFactor = 0.001;
constexpr double VelocityDamping = 0.9998;
constexpr double DisplacementAmplitude = 2.0;
constexpr double PhaseSteps[4] = {0.081, 0.083, 0.085, 0.087};

constexpr int32_t FadeBand = 16;
constexpr int32_t FadeBottomRow = 197;  // bottom band rows 197 down to 182

constexpr int32_t ReflectionAxis = 196;
constexpr int32_t ReflectionRows = 49;
constexpr int32_t ReflectionClearFrom = 200;

// How the heart animation is painted into HeartBitmap: on the painter's thread, looping forever,
// animated or as its first frame only.
constexpr uint16_t HeartStillOptions =
    PaintAsync | PaintLoop | PaintLoopForever | PaintDirect | PaintDither | PaintAutoDither;  // 1625
constexpr uint16_t HeartAnimatedOptions = HeartStillOptions | PaintAnimate;                 // 1629
static_assert(HeartStillOptions == 1625 && HeartAnimatedOptions == 1629, "heart paint options");

// Palette bases: the first heat value at which the green base reaches 1, 2, ..., 60 and the blue
// base 1, 2, ..., 11. The red base is 60, then 61 from 165 and 62 from 175 on.
constexpr uint8_t GreenSteps[60] = {44,  55,  64,  70,  76,  81,  85,  89,  93,  97,  100, 103, 106, 109, 112,
                                    115, 118, 120, 123, 126, 128, 131, 133, 136, 138, 140, 143, 145, 147, 150,
                                    152, 154, 157, 159, 161, 164, 166, 169, 171, 173, 176, 178, 181, 184, 186,
                                    189, 192, 195, 198, 201, 205, 208, 212, 216, 220, 225, 230, 236, 242, 250};
constexpr uint8_t BlueSteps[11] = {110, 139, 159, 176, 190, 202, 214, 224, 234, 243, 251};

template <size_t N>
int32_t StepBase(const uint8_t (&steps)[N], int32_t index) {
    int32_t level = 0;
    for (uint8_t first : steps)
        if (index >= first) ++level;
    return level;
}

int32_t RedBase(int32_t index) { return index >= 175 ? 62 : index >= 165 ? 61 : 60; }

// round(n * z) in extended precision, ties to even, as a 32-bit integer.
int32_t ScaledSize(int32_t n, float z) {
    const long double product = static_cast<long double>(n) * static_cast<long double>(z);
    const int savedRounding = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double rounded = std::nearbyint(product);
    std::fesetround(savedRounding);
    if (!(rounded >= -2147483648.0L && rounded <= 2147483647.0L))  // also NaN
        throw EInvalidOp("Invalid floating point operation");
    return static_cast<int32_t>(rounded);
}

#ifndef VELMORA_FIRE_SSE2
// Each byte of a pixel times a, over 256 (a <= 255 keeps every product inside its 16-bit lane).
inline TColor32 ScalePixel(TColor32 p, uint32_t a) {
    return (((p & 0x00FF00FFu) * a >> 8) & 0x00FF00FFu) | ((((p >> 8) & 0x00FF00FFu) * a) & 0xFF00FF00u);
}

// Converts a sample coordinate to a plane index, clamped into 0..limit (NaN gives 0).
inline int32_t ClampedCell(double v, int32_t limit) {
    if (!(v >= 0.0)) return 0;
    if (v >= limit) return limit;
    return static_cast<int32_t>(v);
}
#endif

}  // namespace

// ---------------------------------------------------------------------------------------------
// Life cycle

TFire::TFire(TTimerThread::TTickCounter tickCounter) {
    NextHeatPtr = Planes + PlaneSize;
    CoolingMapPtr = Planes + 2 * PlaneSize;
    BurnOut = 0;
    ResetMesh();
    BuildPalette();
    LoadCoolingMap();
    RegisterDraftResamplers();
    FireBitmap = std::make_unique<TBitmap32>();
    FireBitmap->SetSize(PlaneWidth, FrameHeight);
    FireBitmap->SetResamplerClassName("TDraftResampler");
    OutputBitmap = std::make_unique<TBitmap32>();
    SetZoom(1.0f);
    HeartBitmap = std::make_unique<TBitmap32>();
    HeartBitmap->OnChange = [this](TBitmap32&) { FHeartChanged = true; };
    HeartBitmap->SetSize(PlaneWidth, PlaneHeight);
    HeartImage = std::make_unique<TGIFImage>();
    SetAnimated(true);
    Clock = std::make_unique<TTimerThread>([this] { Tick(); }, std::move(tickCounter));
    Clock->SetInterval(2);
    Clock->SetEnabled(false);
    SetPaused(false);
}

TFire::~TFire() {
    // The clock goes first: a frame it has already requested still runs, with every bitmap alive.
    Clock.reset();
    FHeartPainter = nullptr;
    HeartImage.reset();  // stops the painter that draws into HeartBitmap
    FireBitmap.reset();
    OutputBitmap.reset();
    HeartBitmap.reset();
}

void TFire::SetZoom(float z) {
    const int32_t width = ScaledSize(FireBitmap->Width(), z);
    const int32_t height = ScaledSize(FireBitmap->Height(), z);
    Zoom = z;
    OutputWidth = width;
    OutputHeight = height;
}

void TFire::LoadHeart() {
    FHeartPainter = nullptr;  // loading releases the image's painters
    HeartImage->LoadFromResourceName("LIVEHEART");
    StartHeartPainter();
}

void TFire::SetAnimated(bool animated) {
    Animated = animated;
    if (HeartImage->FrameCount() == 0) return;
    HeartImage->StopPaint();
    StartHeartPainter();
}

void TFire::StartHeartPainter() {
    FHeartPainter = HeartImage->StartPaint(HeartBitmap->Canvas(), Rect(0, 0, HeartImage->Width(), HeartImage->Height()),
                                           Animated ? HeartAnimatedOptions : HeartStillOptions);
    if (FHeartPainter != nullptr) FHeartPainter->SetPaused(FPaused);
}

void TFire::SetPaused(bool paused) {
    FPaused = paused;
    Clock->SetPaused(paused);
    if (FHeartPainter != nullptr) FHeartPainter->SetPaused(paused);
}

// ---------------------------------------------------------------------------------------------
// Frames

void TFire::Tick() {
    if (FPaused) return;
    FrameCount = static_cast<int32_t>(static_cast<uint32_t>(FrameCount) + 1u);  // wraps, never overflows
    if (FrameCount % MeshRenewalFrames == 0) ResetMesh();
    Step();
    if (OnFrame) OnFrame(*this);
}

bool TFire::Step() {
    if (BurnOut == 1) return false;
    if (BurnOut > 0) --BurnOut;
    Propagate();
    StepMesh();
    std::memcpy(Planes, NextHeatPtr, PlaneSize);
    WarpFlameField();
    if (BurnOut == 0) IgniteFromHeart();
    FadeEdges();
    RenderOutput();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Flame field

void TFire::LoadCoolingMap() {
    TBitmap32 map;
    map.LoadFromResourceName("COOLINGMAP");
    if (map.Width() != PlaneWidth || map.Height() != PlaneHeight)
        throw EInvalidGraphic(Format("The cooling map is %d x %d pixels instead of %d x %d", map.Width(),
                                     map.Height(), PlaneWidth, PlaneHeight));
    const TColor32* pixels = map.Pixels();
    for (int32_t i = 0; i < PlaneSize; ++i) CoolingMapPtr[i] = static_cast<uint8_t>(Intensity(pixels[i]) >> 5);
}

void TFire::Propagate() {
    uint8_t* heat = Planes;
    int32_t i = PropagateFirst;
#ifdef VELMORA_FIRE_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i seven = _mm_set1_epi8(7);
    for (; i + 16 <= PropagateEnd; i += 16) {
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heat + i - 1));
        const __m128i right = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heat + i + 1));
        const __m128i up = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heat + i - W));
        const __m128i down = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heat + i + W));
        const __m128i sumLo = _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(left, zero), _mm_unpacklo_epi8(right, zero)),
                                            _mm_add_epi16(_mm_unpacklo_epi8(up, zero), _mm_unpacklo_epi8(down, zero)));
        const __m128i sumHi = _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(left, zero), _mm_unpackhi_epi8(right, zero)),
                                            _mm_add_epi16(_mm_unpackhi_epi8(up, zero), _mm_unpackhi_epi8(down, zero)));
        const __m128i mean = _mm_packus_epi16(_mm_srli_epi16(sumLo, 2), _mm_srli_epi16(sumHi, 2));
        // Means above 7 lose 7; means 0..7 stay.
        const __m128i reduced = _mm_subs_epu8(mean, seven);
        const __m128i small = _mm_cmpeq_epi8(reduced, zero);
        const __m128i cooled = _mm_or_si128(reduced, _mm_and_si128(small, mean));
        const __m128i cooling = _mm_loadu_si128(reinterpret_cast<const __m128i*>(heat + i + 2 * PlaneSize));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(heat + i + PlaneSize - PropagateLift), _mm_subs_epu8(cooled, cooling));
    }
#endif
    for (; i < PropagateEnd; ++i) {
        int32_t s = (heat[i - 1] + heat[i + 1] + heat[i - W] + heat[i + W]) >> 2;
        if (s > 7) s -= 7;
        const int32_t v = s - heat[i + 2 * PlaneSize];
        heat[i + PlaneSize - PropagateLift] = static_cast<uint8_t>(v < 0 ? 0 : v);
    }
}

// The heart changes a dozen times a second at most, the flames 64 times: its brightness is
// measured once per change of HeartBitmap, and each frame only raises the heat to it.
void TFire::IgniteFromHeart() {
    HeartBitmap->Canvas().Flush();
    if (FHeartChanged) {
        MeasureHeart();
        FHeartChanged = false;
    }
    // Only the cells the heart lights: the maximum with 0 changes nothing.
    uint8_t* __restrict heat = Planes + FHeartLitBegin;
    const uint8_t* __restrict lit = FHeartBrightness + FHeartLitBegin;
    const int32_t count = FHeartLitEnd - FHeartLitBegin;
    for (int32_t i = 0; i < count; ++i) heat[i] = std::max(heat[i], lit[i]);
}

void TFire::MeasureHeart() {
    const TColor32* heart = HeartBitmap->Pixels();
    uint8_t* brightness = FHeartBrightness;
    FHeartLitBegin = FHeartLitEnd = 0;
    if (HeartBitmap->Width() != PlaneWidth || HeartBitmap->Height() != PlaneHeight) {
        std::memset(brightness, 0, PlaneSize);
        return;
    }
    int32_t i = 0;
#ifdef VELMORA_FIRE_SSE2
    // Intensity of four pixels: red and blue, then green and alpha, as 16-bit pairs per pixel,
    // each pair weighted and summed by one multiply-add.
    const __m128i pairMask = _mm_set1_epi32(0x00FF00FF);
    const __m128i blueRedWeights = _mm_set1_epi32(61 << 16 | 21);
    const __m128i greenWeights = _mm_set1_epi32(174);
    auto intensity4 = [&](const TColor32* p) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i blueRed = _mm_and_si128(px, pairMask);
        const __m128i greenAlpha = _mm_and_si128(_mm_srli_epi32(px, 8), pairMask);
        const __m128i sum = _mm_add_epi32(_mm_madd_epi16(blueRed, blueRedWeights), _mm_madd_epi16(greenAlpha, greenWeights));
        return _mm_srli_epi32(sum, 8);
    };
    for (; i + 16 <= PlaneSize; i += 16) {
        const __m128i a = _mm_packs_epi32(intensity4(heart + i), intensity4(heart + i + 4));
        const __m128i b = _mm_packs_epi32(intensity4(heart + i + 8), intensity4(heart + i + 12));
        _mm_store_si128(reinterpret_cast<__m128i*>(brightness + i), _mm_packus_epi16(a, b));
    }
    static_assert(PlaneSize % 16 == 0, "the vector loop covers the whole plane");
#else
    for (; i < PlaneSize; ++i) brightness[i] = static_cast<uint8_t>(Intensity(heart[i]));
#endif
    const uint8_t* measured = brightness;
    const uint8_t* end = measured + PlaneSize;
    const uint8_t* first = std::find_if(measured, end, [](uint8_t b) { return b != 0; });
    if (first == end) return;
    const uint8_t* last = std::find_if(std::make_reverse_iterator(end), std::make_reverse_iterator(first),
                                       [](uint8_t b) { return b != 0; })
                              .base();
    FHeartLitBegin = static_cast<int32_t>(first - measured);
    FHeartLitEnd = static_cast<int32_t>(last - measured);
}

#ifdef VELMORA_FIRE_SSE2
namespace {

// (v * f) >> 4 for 16 cells, factors given per cell in two vectors of 16-bit lanes.
inline __m128i ScaleCells(__m128i v, __m128i factorsLo, __m128i factorsHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), factorsLo), 4);
    const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), factorsHi), 4);
    return _mm_packus_epi16(lo, hi);
}

// A 16-cell corner segment in a row band of factor k: every cell is scaled by k and by its own
// column factor, the smaller factor first (the row first when they are equal).
inline __m128i FadeCorner(__m128i v, __m128i k, __m128i columnLo, __m128i columnHi) {
    const __m128i rowFirst = ScaleCells(ScaleCells(v, k, k), columnLo, columnHi);
    const __m128i columnFirst = ScaleCells(ScaleCells(v, columnLo, columnHi), k, k);
    const __m128i columnSmaller = _mm_packs_epi16(_mm_cmpgt_epi16(k, columnLo), _mm_cmpgt_epi16(k, columnHi));
    return _mm_or_si128(_mm_and_si128(columnSmaller, columnFirst), _mm_andnot_si128(columnSmaller, rowFirst));
}

}  // namespace
#endif

void TFire::FadeEdges() {
    uint8_t* next = NextHeatPtr;
#ifdef VELMORA_FIRE_SSE2
    // Row k of the top band and row 197 - k of the bottom band take factor k; column k of the
    // left band and column 159 - k of the right band take factor k.
    const __m128i leftLo = _mm_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7), leftHi = _mm_setr_epi16(8, 9, 10, 11, 12, 13, 14, 15);
    const __m128i rightLo = _mm_setr_epi16(15, 14, 13, 12, 11, 10, 9, 8), rightHi = _mm_setr_epi16(7, 6, 5, 4, 3, 2, 1, 0);
    for (int32_t y = 0; y < H; ++y) {
        uint8_t* row = next + y * W;
        __m128i* left = reinterpret_cast<__m128i*>(row);
        __m128i* right = reinterpret_cast<__m128i*>(row + W - FadeBand);
        const int32_t k = y < FadeBand ? y : (y <= FadeBottomRow && y > FadeBottomRow - FadeBand) ? FadeBottomRow - y : -1;
        if (k < 0) {
            _mm_storeu_si128(left, ScaleCells(_mm_loadu_si128(left), leftLo, leftHi));
            _mm_storeu_si128(right, ScaleCells(_mm_loadu_si128(right), rightLo, rightHi));
            continue;
        }
        const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(k));
        _mm_storeu_si128(left, FadeCorner(_mm_loadu_si128(left), factor, leftLo, leftHi));
        _mm_storeu_si128(right, FadeCorner(_mm_loadu_si128(right), factor, rightLo, rightHi));
        for (int32_t x = FadeBand; x < W - FadeBand; x += 16) {
            __m128i* middle = reinterpret_cast<__m128i*>(row + x);
            _mm_storeu_si128(middle, ScaleCells(_mm_loadu_si128(middle), factor, factor));
        }
    }
#else
    for (int32_t k = 0; k < FadeBand; ++k) {
        uint8_t* top = next + k * W;
        uint8_t* bottom = next + (FadeBottomRow - k) * W;
        for (int32_t x = 0; x < W; ++x) {
            top[x] = static_cast<uint8_t>(top[x] * k >> 4);
            bottom[x] = static_cast<uint8_t>(bottom[x] * k >> 4);
        }
        uint8_t* left = next + k;
        uint8_t* right = next + (W - 1 - k);
        for (int32_t y = 0; y < H; ++y) left[y * W] = static_cast<uint8_t>(left[y * W] * k >> 4);
        for (int32_t y = 0; y < H; ++y) right[y * W] = static_cast<uint8_t>(right[y * W] * k >> 4);
    }
#endif
}

// ---------------------------------------------------------------------------------------------
// Mesh warp

void TFire::ResetMesh() {
    // The phases carry on from the previous reset, so every renewal brings a new shape. A phase
    // that is no longer finite would spoil every sample position; it starts again at 0.
    for (double& phase : FMeshPhase)
        if (!std::isfinite(phase)) phase = 0.0;
    double& p1 = FMeshPhase[0];
    double& p2 = FMeshPhase[1];
    double& p3 = FMeshPhase[2];
    double& p4 = FMeshPhase[3];
    for (int32_t y = 0; y <= MeshLastY; ++y) {
        for (int32_t x = 0; x <= MeshLastX; ++x) {
            for (int32_t k = 0; k < 4; ++k) FMeshPhase[k] += PhaseSteps[k];
            TMeshNode& node = Mesh[x][y];
            const long double fx = x;
            const long double fy = y;
            if (x == 0 || y == 0 || x == MeshLastX || y == MeshLastY) {
                node.X = MeshCell * x;
                node.Y = MeshCell * y;
            } else {
                long double dx = std::sin(p3 - fx);
                dx += std::cos(p3 + fy);
                dx += std::sin(p1 - fy);
                dx -= std::cos(p1 + fx);
                long double dy = std::sin(p2 - fx);
                dy += std::cos(p4 + fy);
                dy += std::sin(p4 - fy);
                dy -= std::cos(p2 + fx);
                node.X = static_cast<double>(DisplacementAmplitude * dx + MeshCell * fx);
                node.Y = static_cast<double>(DisplacementAmplitude * dy + MeshCell * fy);
            }
            node.VX = 0.0;
            node.VY = 0.0;
        }
    }
}

void TFire::StepMesh() {
    for (int32_t y = 1; y < MeshLastY; ++y) {
        for (int32_t x = 1; x < MeshLastX; ++x) {
            const TMeshNode& centre = Mesh[x][y];
            for (int32_t ny = y - 1; ny <= y + 1; ++ny) {
                for (int32_t nx = x - 1; nx <= x + 1; ++nx) {
                    if (nx == x && ny == y) continue;
                    TMeshNode& neighbour = Mesh[nx][ny];
                    const double dx = neighbour.X - centre.X;
                    const double dy = neighbour.Y - centre.Y;
                    const double d = std::sqrt(dx * dx + dy * dy);
                    const double rest = (nx == x || ny == y) ? SpringRestStraight : SpringRestDiagonal;
                    neighbour.VX += (rest - d) * dx * SpringFactor;
                    neighbour.VY += (rest - d) * dy * SpringFactor;
                }
            }
        }
    }
    for (int32_t y = 1; y < MeshLastY; ++y) {
        for (int32_t x = 1; x < MeshLastX; ++x) {
            TMeshNode& node = Mesh[x][y];
            node.X += node.VX;
            node.Y += node.VY;
            node.VX *= VelocityDamping;
            node.VY *= VelocityDamping;
        }
    }
}

void TFire::WarpFlameField() {
    for (int32_t cy = 0; cy < MeshLastY; ++cy)
        for (int32_t cx = 0; cx < MeshLastX; ++cx) WarpCell(cx, cy);
}

// Whether every sample of the cell with these corner nodes reads a cold (0) cell of NextHeat. All
// samples lie in the bilinear patch of the nodes over parameters 0..15/16, whose extremes are its
// four corners; the box around them (widened by far more than the stepping's rounding, clamped to
// the plane) holds every sampled cell. Non-finite nodes never count as cold.
bool TFire::ColdSource(const TMeshNode& n00, const TMeshNode& n10, const TMeshNode& n01, const TMeshNode& n11) const {
    constexpr double far = 15.0 / MeshCell;
    constexpr double margin = 1e-6;
    const double lx = n00.X + far * (n01.X - n00.X), ly = n00.Y + far * (n01.Y - n00.Y);
    const double rx = n10.X + far * (n11.X - n10.X), ry = n10.Y + far * (n11.Y - n10.Y);
    const double xs[4] = {n00.X, n00.X + far * (n10.X - n00.X), lx, lx + far * (rx - lx)};
    const double ys[4] = {n00.Y, n00.Y + far * (n10.Y - n00.Y), ly, ly + far * (ry - ly)};
    double minX = xs[0], maxX = xs[0], minY = ys[0], maxY = ys[0];
    for (int32_t k = 1; k < 4; ++k) {
        minX = std::min(minX, xs[k]);
        maxX = std::max(maxX, xs[k]);
        minY = std::min(minY, ys[k]);
        maxY = std::max(maxY, ys[k]);
    }
    if (!(minX > -W && maxX < 2 * W && minY > -H && maxY < 2 * H)) return false;  // also NaN
    auto cell = [](double v, int32_t limit) { return std::clamp(static_cast<int32_t>(v), 0, limit); };
    const int32_t x0 = cell(minX - margin, W - 1), x1 = cell(maxX + margin, W - 1);
    const int32_t y0 = cell(minY - margin, H - 1), y1 = cell(maxY + margin, H - 1);
    const uint8_t* next = NextHeatPtr;
    for (int32_t y = y0; y <= y1; ++y) {
        const uint8_t* row = next + y * W;
        int32_t x = x0;
        uint64_t any = 0;
        for (; x + 8 <= x1 + 1; x += 8) {
            uint64_t chunk;
            std::memcpy(&chunk, row + x, sizeof chunk);
            any |= chunk;
        }
        for (; x <= x1; ++x) any |= row[x];
        if (any != 0) return false;
    }
    return true;
}

void TFire::WarpCell(int32_t cx, int32_t cy) {
    const TMeshNode& n00 = Mesh[cx][cy];
    const TMeshNode& n10 = Mesh[cx + 1][cy];
    const TMeshNode& n01 = Mesh[cx][cy + 1];
    const TMeshNode& n11 = Mesh[cx + 1][cy + 1];
    constexpr double step = 1.0 / MeshCell;

    // Samples are cut to whole cells and clamped to the plane (the dynamics keep them inside).
    const uint8_t* source = NextHeatPtr;
    uint8_t* target = Planes + (MeshCell * cy) * W + MeshCell * cx;
    if (ColdSource(n00, n10, n01, n11)) {
        for (int32_t v = 0; v < MeshCell; ++v) std::memset(target + v * W, 0, MeshCell);
        return;
    }
#ifdef VELMORA_FIRE_SSE2
    // Left and right edge points as (x, y) pairs, stepped down the cell one row at a time.
    const __m128d stepFactor = _mm_set1_pd(step);
    __m128d left = _mm_setr_pd(n00.X, n00.Y), right = _mm_setr_pd(n10.X, n10.Y);
    const __m128d leftStep = _mm_mul_pd(_mm_sub_pd(_mm_setr_pd(n01.X, n01.Y), left), stepFactor);
    const __m128d rightStep = _mm_mul_pd(_mm_sub_pd(_mm_setr_pd(n11.X, n11.Y), right), stepFactor);
    // Four rows at a time: the x and y positions of two rows side by side in each register.
    const __m128i zero = _mm_setzero_si128();
    const __m128i limits = _mm_setr_epi16(W - 1, H - 1, W - 1, H - 1, W - 1, H - 1, W - 1, H - 1);
    const __m128i rowStride = _mm_setr_epi16(1, W, 1, W, 1, W, 1, W);
    for (int32_t v = 0; v < MeshCell; v += 4) {
        __m128d start[4], along[4];
        for (int32_t k = 0; k < 4; ++k) {
            start[k] = left;
            along[k] = _mm_mul_pd(_mm_sub_pd(right, left), stepFactor);
            left = _mm_add_pd(left, leftStep);
            right = _mm_add_pd(right, rightStep);
        }
        __m128d x01 = _mm_unpacklo_pd(start[0], start[1]), y01 = _mm_unpackhi_pd(start[0], start[1]);
        __m128d x23 = _mm_unpacklo_pd(start[2], start[3]), y23 = _mm_unpackhi_pd(start[2], start[3]);
        const __m128d sx01 = _mm_unpacklo_pd(along[0], along[1]), sy01 = _mm_unpackhi_pd(along[0], along[1]);
        const __m128d sx23 = _mm_unpacklo_pd(along[2], along[3]), sy23 = _mm_unpackhi_pd(along[2], along[3]);
        uint8_t* row0 = target + v * W;
        for (int32_t u = 0; u < MeshCell; ++u) {
            // (x, y) of the four rows as 16-bit values (out-of-range and NaN saturate, then clamp).
            const __m128i xy01 = _mm_unpacklo_epi32(_mm_cvttpd_epi32(x01), _mm_cvttpd_epi32(y01));
            const __m128i xy23 = _mm_unpacklo_epi32(_mm_cvttpd_epi32(x23), _mm_cvttpd_epi32(y23));
            const __m128i cells = _mm_min_epi16(_mm_max_epi16(_mm_packs_epi32(xy01, xy23), zero), limits);
            const __m128i index = _mm_madd_epi16(cells, rowStride);
            row0[u] = source[_mm_cvtsi128_si32(index)];
            row0[u + W] = source[_mm_extract_epi16(index, 2)];
            row0[u + 2 * W] = source[_mm_extract_epi16(index, 4)];
            row0[u + 3 * W] = source[_mm_extract_epi16(index, 6)];
            x01 = _mm_add_pd(x01, sx01);
            x23 = _mm_add_pd(x23, sx23);
            y01 = _mm_add_pd(y01, sy01);
            y23 = _mm_add_pd(y23, sy23);
        }
    }
#else
    // Start and step of every destination row, stepped down the cell's left and right edges.
    const double dlx = (n01.X - n00.X) * step, dly = (n01.Y - n00.Y) * step;
    const double drx = (n11.X - n10.X) * step, dry = (n11.Y - n10.Y) * step;
    double leftX = n00.X, leftY = n00.Y, rightX = n10.X, rightY = n10.Y;
    for (int32_t v = 0; v < MeshCell; ++v, target += W) {
        const double sx = (rightX - leftX) * step, sy = (rightY - leftY) * step;
        double px = leftX, py = leftY;
        for (int32_t u = 0; u < MeshCell; ++u) {
            target[u] = source[ClampedCell(py, H - 1) * W + ClampedCell(px, W - 1)];
            px += sx;
            py += sy;
        }
        leftX += dlx;
        leftY += dly;
        rightX += drx;
        rightY += dry;
    }
#endif
}

// ---------------------------------------------------------------------------------------------
// Palette and output

void TFire::BuildPalette() {
    for (int32_t i = 0; i < 256; ++i) {
        const int32_t a = std::min(2 * i, 255);
        const int32_t r = RedBase(i) * 4 * a / 255;
        const int32_t g = StepBase(GreenSteps, i) * 4 * a / 255;
        const int32_t b = StepBase(BlueSteps, i) * 8 * a / 255;
        Palette[i] = Color32(r, g, b, a);
        for (int32_t c = 0; c < 4; ++c) FPaletteChannels[c][i] = static_cast<uint8_t>(Palette[i] >> (8 * c));
    }
}

#if defined(VELMORA_FIRE_SSE2) && defined(__GNUC__) && defined(__x86_64__) && !defined(VELMORA_NO_AVX512)
#define VELMORA_FIRE_VBMI 1
#include <immintrin.h>
namespace {

// Colours 64 cells at a time with byte-table lookups, for processors with AVX-512 VBMI. channels
// holds the palette's blue, green, red and alpha bytes as four 256-byte tables.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void ColourCellsVbmi(const uint8_t* cells,
                                                                             const uint8_t (*channels)[256],
                                                                             TColor32* pixels, int32_t count) {
    __m512i table[4][4];
    for (int32_t c = 0; c < 4; ++c)
        for (int32_t q = 0; q < 4; ++q) table[c][q] = _mm512_loadu_si512(channels[c] + 64 * q);
    // Cell 16k + 4L + m goes to lane L, byte 4k + m, so that the unpacks below give pixels in order.
    alignas(64) uint8_t order[64];
    for (int32_t lane = 0; lane < 4; ++lane)
        for (int32_t k = 0; k < 4; ++k)
            for (int32_t m = 0; m < 4; ++m) order[16 * lane + 4 * k + m] = static_cast<uint8_t>(16 * k + 4 * lane + m);
    const __m512i permutation = _mm512_load_si512(order);
    for (int32_t i = 0; i + 64 <= count; i += 64) {
        const __m512i index = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, permutation, _mm512_loadu_si512(cells + i));
        const __mmask64 upper = _mm512_movepi8_mask(index);
        __m512i bytes[4];
        for (int32_t c = 0; c < 4; ++c)
            bytes[c] = _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(table[c][0], index, table[c][1]),
                                              _mm512_permutex2var_epi8(table[c][2], index, table[c][3]));
        const __m512i blueGreenLo = _mm512_unpacklo_epi8(bytes[0], bytes[1]);
        const __m512i blueGreenHi = _mm512_unpackhi_epi8(bytes[0], bytes[1]);
        const __m512i redAlphaLo = _mm512_unpacklo_epi8(bytes[2], bytes[3]);
        const __m512i redAlphaHi = _mm512_unpackhi_epi8(bytes[2], bytes[3]);
        _mm512_storeu_si512(pixels + i, _mm512_unpacklo_epi16(blueGreenLo, redAlphaLo));
        _mm512_storeu_si512(pixels + i + 16, _mm512_unpackhi_epi16(blueGreenLo, redAlphaLo));
        _mm512_storeu_si512(pixels + i + 32, _mm512_unpacklo_epi16(blueGreenHi, redAlphaHi));
        _mm512_storeu_si512(pixels + i + 48, _mm512_unpackhi_epi16(blueGreenHi, redAlphaHi));
    }
}

const bool HasVbmi = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
                     __builtin_cpu_supports("avx512vbmi");

}  // namespace
#endif

void TFire::ColourFlames() {
    TColor32* pixels = FireBitmap->Pixels();
    const uint8_t* next = NextHeatPtr;
    const TColor32* palette = Palette;
#ifdef VELMORA_FIRE_VBMI
    static_assert(PlaneSize % 64 == 0, "whole blocks of 64 cells");
    if (HasVbmi) {
        ColourCellsVbmi(next, FPaletteChannels, pixels, PlaneSize);
        return;
    }
#endif
    // One lookup per cell; a run of sixteen cold cells (much of the plane) is written as
    // transparent black at once.
    for (int32_t i = 0; i < PlaneSize; i += 16) {
        uint64_t cells[2];
        std::memcpy(cells, next + i, sizeof cells);
        if ((cells[0] | cells[1]) == 0) {
            std::memset(pixels + i, 0, 16 * sizeof(TColor32));
            continue;
        }
        for (int32_t k = 0; k < 16; ++k) pixels[i + k] = palette[next[i + k]];
    }
}

void TFire::DrawReflection() {
    TColor32* pixels = FireBitmap->Pixels();
    for (int32_t i = 1; i <= ReflectionRows; ++i) {
        const uint32_t a = static_cast<uint32_t>(std::max(96 - 2 * i, 0));
        const TColor32* source = pixels + (ReflectionAxis - 4 * i) * W;
        TColor32* target = pixels + (ReflectionAxis + i) * W;
#ifdef VELMORA_FIRE_SSE2
        const __m128i zero = _mm_setzero_si128();
        const __m128i factor = _mm_set1_epi16(static_cast<int16_t>(a));
        for (int32_t x = 0; x < W; x += 4) {
            const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + x));
            const __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(p, zero), factor), 8);
            const __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(p, zero), factor), 8);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(target + x), _mm_packus_epi16(lo, hi));
        }
#else
        for (int32_t x = 0; x < W; ++x) target[x] = ScalePixel(source[x], a);
#endif
    }
}

void TFire::RenderOutput() {
    ColourFlames();
    if (Reflection)
        DrawReflection();
    else
        std::fill_n(FireBitmap->Pixels() + ReflectionClearFrom * W, (FrameHeight - ReflectionClearFrom) * W, 0u);
    OutputBitmap->SetSize(OutputWidth, OutputHeight);
    FireBitmap->DrawTo(OutputBitmap.get(), OutputBitmap->BoundsRect());
}
