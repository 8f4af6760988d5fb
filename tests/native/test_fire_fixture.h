// A renderer whose frame clock never fires, for tests that drive the frames themselves.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>

#include "uTFire.h"
#include "uThreads.h"

class FireTest : public ::testing::Test {
public:
    // Serves hand-offs until pred holds or the deadline passes.
    template <typename Pred>
    static bool PumpUntil(Pred pred, std::chrono::milliseconds deadline = std::chrono::seconds(10)) {
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            CheckSynchronize(10);
        }
        return true;
    }

protected:
    void SetUp() override {
        SetMainThread();
        Fire = std::make_unique<TFire>([] { return 0u; });
    }

    void ClearPlanes() { std::memset(Fire->Planes, 0, 3 * TFire::PlaneSize); }

    // Puts every mesh node at its rest position, velocities 0.
    void RestMesh() {
        for (int x = 0; x < 12; ++x)
            for (int y = 0; y < 14; ++y) Fire->Mesh[x][y] = {16.0 * x, 16.0 * y, 0.0, 0.0};
    }

    std::unique_ptr<TFire> Fire;
};
