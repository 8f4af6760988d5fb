// The painters of one GIF image: who owns them, which still run, and stopping them. Portable.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

class TGIFPainter;

class TGIFPainterList {
public:
    TGIFPainterList() = default;
    ~TGIFPainterList();  // stops every painter and releases them all
    TGIFPainterList(const TGIFPainterList&) = delete;
    TGIFPainterList& operator=(const TGIFPainterList&) = delete;

    // Takes a created painter, releases those that have finished, and starts it.
    TGIFPainter* Start(std::unique_ptr<TGIFPainter> painter);
    // Stops every painter and waits for their threads to leave their work, serving hand-offs
    // meanwhile when called on the main thread.
    void StopAll();
    // Releases the painters whose thread has ended.
    void ReleaseFinished();
    // Called by a painter as its thread ends.
    void Finished(TGIFPainter* painter);

private:

    std::mutex FLock;                                  // guards FRunning
    std::vector<TGIFPainter*> FRunning;                // painters whose thread still runs
    std::vector<std::unique_ptr<TGIFPainter>> FOwned;  // every painter not yet released
};
