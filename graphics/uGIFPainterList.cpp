#include "uGIFPainterList.h"

#include <algorithm>
#include <chrono>
#include <iterator>
#include <thread>

#include "uGIFPainter.h"
#include "uThreads.h"

TGIFPainterList::~TGIFPainterList() {
    StopAll();
    ReleaseFinished();
}

TGIFPainter* TGIFPainterList::Start(std::unique_ptr<TGIFPainter> painter) {
    ReleaseFinished();
    TGIFPainter* result = painter.get();
    {
        std::lock_guard<std::mutex> guard(FLock);
        FRunning.push_back(result);
    }
    FOwned.push_back(std::move(painter));
    result->Start();
    return result;
}

void TGIFPainterList::StopAll() {
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(FLock);
            if (FRunning.empty()) break;
            for (TGIFPainter* painter : FRunning) painter->Stop();
        }
        // A painter may be waiting for the main thread to carry out its draw.
        if (IsMainThread())
            CheckSynchronize(1);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TGIFPainterList::Finished(TGIFPainter* painter) {
    std::lock_guard<std::mutex> guard(FLock);
    FRunning.erase(std::remove(FRunning.begin(), FRunning.end(), painter), FRunning.end());
}

void TGIFPainterList::ReleaseFinished() {
    std::vector<std::unique_ptr<TGIFPainter>> finished;
    {
        std::lock_guard<std::mutex> guard(FLock);
        auto running = [this](const std::unique_ptr<TGIFPainter>& p) {
            return std::find(FRunning.begin(), FRunning.end(), p.get()) != FRunning.end();
        };
        auto split = std::stable_partition(FOwned.begin(), FOwned.end(), running);
        std::move(split, FOwned.end(), std::back_inserter(finished));
        FOwned.erase(split, FOwned.end());
    }
    finished.clear();  // joins their threads, which have left their work already
}
