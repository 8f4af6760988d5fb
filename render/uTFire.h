// The flame renderer: a 160 x 200 cellular flame simulation fed by the heart animation, coloured
// through a palette, mirrored into a fading reflection and scaled to the chosen size. Every
// operation runs on the main thread; the frame clock only paces it. Portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "uGIFImage.h"
#include "uTBitmap32.h"
#include "uTTimerThread.h"

class TFire {
public:
    static constexpr int32_t PlaneWidth = 160;
    static constexpr int32_t PlaneHeight = 200;
    static constexpr int32_t PlaneSize = PlaneWidth * PlaneHeight;  // bytes of one plane
    static constexpr int32_t PlaneBlockSize = 228000;               // Heat, NextHeat, CoolingMap, spare
    static constexpr int32_t FrameHeight = 250;                     // flames plus reflection area
    static constexpr int32_t MeshColumns = 11;                      // nodes used per row
    static constexpr int32_t MeshRows = 13;                         // nodes used per column
    static constexpr int32_t MeshCell = 16;                         // pixels between rest nodes
    static constexpr int32_t BurnOutFrames = 35;                    // Extinguish's countdown start
    static constexpr int32_t MeshRenewalFrames = 2000;

    struct TMeshNode {
        double X, Y, VX, VY;
    };

    // The clock thread's tick counter can be replaced (tests); by default the quantised clock.
    explicit TFire(TTimerThread::TTickCounter tickCounter = TTimerThread::TTickCounter());
    ~TFire();
    TFire(const TFire&) = delete;
    TFire& operator=(const TFire&) = delete;

    uint8_t* Heat() { return Planes; }
    uint8_t* NextHeat() { return NextHeatPtr; }
    uint8_t* CoolingMap() { return CoolingMapPtr; }

    void Start() { Clock->SetEnabled(true); }
    void Extinguish() { BurnOut = BurnOutFrames; }
    // Output size = 160 x 250 scaled by z, rounded to nearest, ties to even. A factor that is not
    // a number (or whose size does not fit in 32 bits) raises EInvalidOp.
    void SetZoom(float z);
    void LoadHeart();
    void SetAnimated(bool animated);
    // A paused renderer skips its frames entirely; its clock and the heart's painter sleep until
    // it is resumed, and everything then goes on from where it stood.
    bool Paused() const { return FPaused; }
    void SetPaused(bool paused);

    // One frame request of the clock: counts, renews the mesh every 2000th frame, steps, reports.
    void Tick();
    // One frame of simulation and drawing; false when the burn-out has frozen the flames.
    bool Step();

    // The stages of a frame, in the order Step runs them.
    void Propagate();        // Heat, CoolingMap -> NextHeat rows 0..195, three rows higher
    void StepMesh();         // springs and motion of the interior mesh nodes
    void WarpFlameField();   // NextHeat through the mesh -> Heat rows 0..191
    void WarpCell(int32_t cx, int32_t cy);
    // Heat := max(Heat, brightness of HeartBitmap). The brightness is measured again only after
    // HeartBitmap has raised OnChange: whoever writes its pixels directly calls Changed().
    void IgniteFromHeart();
    void FadeEdges();        // darkens 16-cell bands along the borders of NextHeat
    void RenderOutput();     // NextHeat -> FireBitmap (with reflection) -> OutputBitmap

    void ResetMesh();
    void BuildPalette();
    void LoadCoolingMap();

    // Heat (0..31999), NextHeat (32000..63999), CoolingMap (64000..95999); the rest is spare.
    alignas(64) uint8_t Planes[PlaneBlockSize] = {};
    uint8_t* NextHeatPtr = nullptr;
    uint8_t* CoolingMapPtr = nullptr;
    TMeshNode Mesh[12][14] = {};  // [x][y]; nodes x 0..10, y 0..12 are used
    int32_t BurnOut = 0;
    int32_t FrameCount = 0;
    std::unique_ptr<TTimerThread> Clock;
    std::function<void(TFire&)> OnFrame;
    std::unique_ptr<TBitmap32> FireBitmap;
    std::unique_ptr<TBitmap32> OutputBitmap;
    std::unique_ptr<TBitmap32> HeartBitmap;
    TColor32 Palette[256] = {};
    bool Reflection = false;
    float Zoom = 0.0f;
    int32_t OutputWidth = 0;
    int32_t OutputHeight = 0;
    std::unique_ptr<TGIFImage> HeartImage;
    bool Animated = false;

private:
    bool ColdSource(const TMeshNode& n00, const TMeshNode& n10, const TMeshNode& n01, const TMeshNode& n11) const;
    void ColourFlames();
    void DrawReflection();
    void MeasureHeart();  // FHeartBrightness := Intensity of every pixel; FHeartLit* := its lit cells

    // The palette's blue, green, red and alpha bytes, for colouring by byte lookups.
    uint8_t FPaletteChannels[4][256] = {};
    // (Re)starts the heart's painter with the options of Animated, paused when the renderer is.
    void StartHeartPainter();

    // The brightness of HeartBitmap's pixels, as of its last change; cells outside
    // FHeartLitBegin..FHeartLitEnd - 1 are 0.
    alignas(16) uint8_t FHeartBrightness[PlaneSize] = {};
    int32_t FHeartLitBegin = 0;
    int32_t FHeartLitEnd = 0;
    bool FHeartChanged = true;

    // The mesh's phase accumulators carry over from one ResetMesh to the next.
    double FMeshPhase[4] = {};
    bool FPaused = false;
    TGIFPainter* FHeartPainter = nullptr;  // the running painter of HeartImage, owned by it
};
