// Time per frame of the flame renderer at each zoom, and per stage of a frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <chrono>

#include "uTFire.h"
#include "uThreads.h"

namespace {

// A renderer in a running state: the heart at rest painted into HeartBitmap and a few hundred
// frames of flames behind it.
std::unique_ptr<TFire> WarmFire(float zoom) {
    SetMainThread();
    auto fire = std::make_unique<TFire>([] { return 0u; });  // the clock never fires
    fire->SetAnimated(false);
    fire->LoadHeart();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto lit = [&] {
        for (int i = 0; i < TFire::PlaneSize; ++i)
            if (Intensity(fire->HeartBitmap->Pixels()[i]) != 0) return true;
        return false;
    };
    while (!lit() && std::chrono::steady_clock::now() < deadline) CheckSynchronize(10);
    fire->Reflection = true;
    fire->SetZoom(zoom);
    for (int k = 0; k < 300; ++k) fire->Step();
    return fire;
}

void BM_Step(benchmark::State& state) {
    const float zoom = static_cast<float>(state.range(0)) / 100.0f;
    auto fire = WarmFire(zoom);
    for (auto _ : state) {
        fire->Step();
        benchmark::DoNotOptimize(fire->OutputBitmap->Pixels());
    }
}
BENCHMARK(BM_Step)->Arg(25)->Arg(50)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

template <typename Stage>
void RunStage(benchmark::State& state, float zoom, Stage stage) {
    auto fire = WarmFire(zoom);
    for (auto _ : state) {
        stage(*fire);
        benchmark::ClobberMemory();
    }
}

void BM_Propagate(benchmark::State& state) { RunStage(state, 1, [](TFire& f) { f.Propagate(); }); }
void BM_StepMesh(benchmark::State& state) {
    RunStage(state, 1, [](TFire& f) { f.StepMesh(); });
}
void BM_Warp(benchmark::State& state) { RunStage(state, 1, [](TFire& f) { f.WarpFlameField(); }); }
void BM_Ignite(benchmark::State& state) { RunStage(state, 1, [](TFire& f) { f.IgniteFromHeart(); }); }
void BM_Fade(benchmark::State& state) { RunStage(state, 1, [](TFire& f) { f.FadeEdges(); }); }
void BM_CopyNextHeat(benchmark::State& state) {
    RunStage(state, 1, [](TFire& f) { std::memcpy(f.Heat(), f.NextHeat(), TFire::PlaneSize); });
}
// Colouring plus reflection, and the zoom-1 copy of the frame into OutputBitmap.
void BM_ColourAndReflection(benchmark::State& state) {
    RunStage(state, 1, [](TFire& f) { f.RenderOutput(); });
}
// The same with the reflection area cleared instead.
void BM_ColourWithoutReflection(benchmark::State& state) {
    RunStage(state, 1, [](TFire& f) {
        f.Reflection = false;
        f.RenderOutput();
    });
}
// Scaling alone: FireBitmap into OutputBitmap at each zoom.
void BM_Scale(benchmark::State& state) {
    const float zoom = static_cast<float>(state.range(0)) / 100.0f;
    auto fire = WarmFire(zoom);
    for (auto _ : state) {
        fire->FireBitmap->DrawTo(fire->OutputBitmap.get(), fire->OutputBitmap->BoundsRect());
        benchmark::ClobberMemory();
    }
}

BENCHMARK(BM_Propagate)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepMesh)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CopyNextHeat)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Warp)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Ignite)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Fade)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourAndReflection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ColourWithoutReflection)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Scale)->Arg(25)->Arg(50)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

}  // namespace
