#include "uThreads.h"

#include <chrono>
#include <deque>
#include <exception>

namespace {

struct TSyncRequest {
    std::function<void()> Method;
    std::exception_ptr Error;
    bool Done = false;
};

struct TSyncQueue {
    std::mutex Lock;
    std::condition_variable Changed;  // a request arrived, finished, or a thread ended
    std::deque<TSyncRequest*> Pending;
    std::function<void()> Wakeup;
    std::thread::id MainThread;
    bool MainThreadSet = false;
};

TSyncQueue& Queue() {
    static TSyncQueue* queue = new TSyncQueue;  // never destroyed: workers may outlive statics
    return *queue;
}

void NotifyMainThread() {
    std::function<void()> wakeup;
    {
        std::lock_guard<std::mutex> guard(Queue().Lock);
        wakeup = Queue().Wakeup;
    }
    Queue().Changed.notify_all();
    if (wakeup) wakeup();
}

}  // namespace

void SetMainThread() {
    std::lock_guard<std::mutex> guard(Queue().Lock);
    Queue().MainThread = std::this_thread::get_id();
    Queue().MainThreadSet = true;
}

bool IsMainThread() {
    std::lock_guard<std::mutex> guard(Queue().Lock);
    if (!Queue().MainThreadSet) return false;
    return Queue().MainThread == std::this_thread::get_id();
}

void SetSynchronizeWakeup(std::function<void()> wakeup) {
    std::lock_guard<std::mutex> guard(Queue().Lock);
    Queue().Wakeup = std::move(wakeup);
}

bool CheckSynchronize(int timeoutMs) {
    TSyncQueue& queue = Queue();
    std::unique_lock<std::mutex> lock(queue.Lock);
    if (!queue.MainThreadSet) {
        queue.MainThread = std::this_thread::get_id();
        queue.MainThreadSet = true;
    }
    if (queue.Pending.empty() && timeoutMs > 0)
        queue.Changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !queue.Pending.empty(); });
    bool ran = false;
    while (!queue.Pending.empty()) {
        TSyncRequest* request = queue.Pending.front();
        queue.Pending.pop_front();
        lock.unlock();
        try {
            request->Method();
        } catch (...) {
            request->Error = std::current_exception();
        }
        lock.lock();
        request->Done = true;
        ran = true;
        queue.Changed.notify_all();
    }
    return ran;
}

void TThread::Synchronize(const std::function<void()>& method) {
    if (IsMainThread()) {
        method();
        return;
    }
    TSyncRequest request;
    request.Method = method;
    TSyncQueue& queue = Queue();
    {
        std::lock_guard<std::mutex> guard(queue.Lock);
        queue.Pending.push_back(&request);
    }
    NotifyMainThread();
    {
        std::unique_lock<std::mutex> lock(queue.Lock);
        queue.Changed.wait(lock, [&] { return request.Done; });
    }
    if (request.Error) std::rethrow_exception(request.Error);
}

TThread::TThread(bool createSuspended) {
    FStarted = !createSuspended;
    FThread = std::thread([this] { Run(); });
}

TThread::~TThread() {
    TerminateAndWait();
    if (FThread.joinable()) FThread.join();
}

void TThread::Start() {
    {
        std::lock_guard<std::mutex> guard(FStartLock);
        FStarted = true;
    }
    FStartSignal.notify_all();
}

void TThread::Run() {
    {
        std::unique_lock<std::mutex> lock(FStartLock);
        FStartSignal.wait(lock, [this] { return FStarted; });
    }
    try {
        Execute();
    } catch (...) {
        // An error that leaves Execute ends the thread; the owner sees it finished.
    }
    {
        std::lock_guard<std::mutex> guard(Queue().Lock);
        FFinished.store(true, std::memory_order_release);
    }
    Queue().Changed.notify_all();
}

void TThread::WaitFor() {
    if (std::this_thread::get_id() == FThread.get_id()) return;
    if (IsMainThread()) {
        while (!Finished()) {
            CheckSynchronize(0);
            std::unique_lock<std::mutex> lock(Queue().Lock);
            Queue().Changed.wait_for(lock, std::chrono::milliseconds(50),
                                     [&] { return Finished() || !Queue().Pending.empty(); });
        }
    } else {
        std::unique_lock<std::mutex> lock(Queue().Lock);
        Queue().Changed.wait(lock, [&] { return Finished(); });
    }
}
