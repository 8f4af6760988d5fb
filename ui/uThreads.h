// Worker threads with a synchronous hand-off to the main thread. Portable.
//
// A worker hands a call to the main thread with Synchronize and blocks until it has run there;
// an exception raised by the call is re-raised in the worker. The main thread runs queued calls
// in CheckSynchronize, which the message loop calls whenever the wake-up hook fires, and which
// WaitFor keeps calling while the main thread waits for a worker to end, so that the two never
// wait for each other.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// Marks the calling thread as the main (user-interface) thread. Called once at start-up; a
// process that never calls it takes the first thread that runs CheckSynchronize.
void SetMainThread();
bool IsMainThread();

// Runs every call queued for the main thread. Must be called on the main thread. Waits up to
// timeoutMs for a call to arrive when the queue is empty (0: do not wait). Returns true when at
// least one call ran.
bool CheckSynchronize(int timeoutMs = 0);

// Called (from any thread) each time a call is queued, so that the main thread's message loop
// wakes up and runs CheckSynchronize. The Windows application posts a message; tests leave it unset.
void SetSynchronizeWakeup(std::function<void()> wakeup);

class TThread {
public:
    // The thread is created at once; it starts running unless createSuspended is set. A derived
    // class passes true and calls Start at the end of its own constructor, so that Execute never
    // runs on a half-built object.
    explicit TThread(bool createSuspended);
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();  // starts a thread created suspended
    // Sets the Terminated flag, then lets the worker know (TerminationRequested).
    void Terminate() {
        FTerminated.store(true, std::memory_order_relaxed);
        TerminationRequested();
    }
    bool Terminated() const { return FTerminated.load(std::memory_order_relaxed); }
    bool Finished() const { return FFinished.load(std::memory_order_acquire); }

    // Waits until Execute has returned. On the main thread it keeps running queued hand-offs
    // meanwhile. Safe to call more than once.
    void WaitFor();

    // Runs method on the main thread and blocks until it has finished there; re-raises its
    // exception. Called on the main thread, it runs method directly.
    static void Synchronize(const std::function<void()>& method);

protected:
    virtual void Execute() = 0;

    // Called by Terminate on the terminating thread: a worker that sleeps on a wait of its own
    // wakes itself up here, so that it sees the flag at once. Not called once the derived
    // object is being destroyed past its own destructor.
    virtual void TerminationRequested() {}

    // Derived destructors call this first, so that Execute never runs on a half-destroyed object.
    void TerminateAndWait() {
        Terminate();
        Start();
        WaitFor();
    }

private:
    void Run();

    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::mutex FStartLock;
    std::condition_variable FStartSignal;
    bool FStarted = false;
    std::thread FThread;
};
