// The worker threads' synchronous hand-off to the main thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "uSysUtils.h"
#include "uThreads.h"

namespace {

using Clock = std::chrono::steady_clock;
const auto kDeadline = std::chrono::seconds(20);

class TLambdaThread : public TThread {
public:
    explicit TLambdaThread(std::function<void(TLambdaThread&)> body) : TThread(true), FBody(std::move(body)) { Start(); }
    ~TLambdaThread() override { TerminateAndWait(); }
    using TThread::Terminated;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TLambdaThread&)> FBody;
};

template <typename Pred>
bool PumpUntil(Pred done) {
    const auto end = Clock::now() + kDeadline;
    while (!done()) {
        if (Clock::now() > end) return false;
        CheckSynchronize(5);
    }
    return true;
}

TEST(Threads, SynchronizeRunsOnTheMainThreadAndBlocksTheWorker) {
    SetMainThread();
    const auto mainId = std::this_thread::get_id();
    std::atomic<bool> ranOnMain{false}, workerResumed{false};
    TLambdaThread worker([&](TLambdaThread&) {
        TThread::Synchronize([&] { ranOnMain = std::this_thread::get_id() == mainId && !workerResumed; });
        workerResumed = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return workerResumed.load(); }));
    EXPECT_TRUE(ranOnMain);
}

TEST(Threads, AnErrorInTheHandOffIsRaisedInTheWorker) {
    SetMainThread();
    std::string caught;
    TLambdaThread worker([&](TLambdaThread&) {
        try {
            TThread::Synchronize([] { throw EInvalidOp("Invalid floating point operation"); });
        } catch (const Exception& e) {
            caught = e.Message();
        }
    });
    ASSERT_TRUE(PumpUntil([&] { return worker.Finished(); }));
    EXPECT_EQ(caught, "Invalid floating point operation");
}

TEST(Threads, WaitForOnTheMainThreadKeepsServingHandOffs) {
    SetMainThread();
    std::atomic<int> served{0};
    {
        TLambdaThread worker([&](TLambdaThread& self) {
            while (!self.Terminated()) TThread::Synchronize([&] { ++served; });
            // One more hand-off after termination began: WaitFor must serve it, not deadlock.
            TThread::Synchronize([&] { ++served; });
        });
        ASSERT_TRUE(PumpUntil([&] { return served.load() > 3; }));
    }  // destructor: terminate, then wait while serving the pending hand-off
    EXPECT_GT(served.load(), 3);
}

TEST(Threads, SynchronizeOnTheMainThreadRunsDirectly) {
    SetMainThread();
    bool ran = false;
    TThread::Synchronize([&] { ran = true; });
    EXPECT_TRUE(ran);
}

TEST(Threads, ManyShortLivedThreadsEndCleanly) {
    SetMainThread();
    std::atomic<int> count{0};
    for (int i = 0; i < 200; ++i) {
        TLambdaThread worker([&](TLambdaThread&) { TThread::Synchronize([&] { ++count; }); });
    }
    EXPECT_EQ(count.load(), 200);
}

}  // namespace
