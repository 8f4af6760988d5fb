// The user-interface framework under Wine: timers, the error box for handler exceptions, and
// hand-offs served by the message loop (also inside a modal loop).
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

#include "uApplication.h"
#include "uSysUtils.h"
#include "uThreads.h"
#include "uTimers.h"

namespace {

const DWORD kDeadline = 15000;

class Framework : public testing::Test {
protected:
    void SetUp() override {
        application.Initialize();
        application.SetTitle("Velmora");
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
    }
    TApplication application;
    std::vector<std::string> errors;
};

class TWorker : public TThread {
public:
    explicit TWorker(std::function<void()> body) : TThread(true), FBody(std::move(body)) { Start(); }
    ~TWorker() override { TerminateAndWait(); }

protected:
    void Execute() override { FBody(); }

private:
    std::function<void()> FBody;
};

TEST_F(Framework, TimerFiresOnTheMainThreadWhileEnabled) {
    int fired = 0;
    const DWORD mainThread = GetCurrentThreadId();
    bool onMain = true;
    TTimer timer(20, true, [&] {
        ++fired;
        onMain = onMain && GetCurrentThreadId() == mainThread;
    });
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return fired >= 3; }, kDeadline));
    EXPECT_TRUE(onMain);
    timer.SetEnabled(false);
    const int stoppedAt = fired;
    application.ProcessMessagesUntil([] { return false; }, 200);
    EXPECT_EQ(fired, stoppedAt);
}

TEST_F(Framework, ExceptionLeavingAHandlerReachesTheErrorBoxOnce) {
    TTimer* timerPointer = nullptr;
    TTimer timer(10, true, [&] {
        timerPointer->SetEnabled(false);
        throw EInvalidGraphic("Bitmap image is not valid");
    });
    timerPointer = &timer;
    ASSERT_TRUE(application.ProcessMessagesUntil([&] { return !errors.empty(); }, kDeadline));
    application.ProcessMessagesUntil([] { return false; }, 100);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0], "Bitmap image is not valid.");
}

TEST_F(Framework, HandOffsAreServedByTheMessageLoop) {
    std::atomic<int> served{0};
    std::atomic<bool> done{false};
    TWorker worker([&] {
        for (int i = 0; i < 5; ++i) TThread::Synchronize([&] { ++served; });
        done = true;
    });
    // Only the posted wake-up message gets the calls run: nothing else pumps the queue here.
    MSG msg;
    const ULONGLONG end = GetTickCount64() + kDeadline;
    while (!done && GetTickCount64() < end) {
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        else Sleep(1);
    }
    EXPECT_TRUE(done);
    EXPECT_EQ(served.load(), 5);
}

TEST_F(Framework, HandOffsRunInsideAModalLoop) {
    std::atomic<int> served{0};
    TWorker worker([&] {
        for (int i = 0; i < 3; ++i) TThread::Synchronize([&] { ++served; });
    });
    // A modal loop of the system's (a message box) dispatches the wake-up messages too; another
    // thread closes the box once the calls have run.
    std::atomic<bool> closed{false};
    TWorker watcher([&] {
        const ULONGLONG end = GetTickCount64() + kDeadline;
        while (served.load() < 3 && GetTickCount64() < end) Sleep(5);
        // Close the message box of this process.
        for (int tries = 0; tries < 200 && !closed; ++tries) {
            HWND box = FindWindowW(L"#32770", L"modal");
            if (box != nullptr) {
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                closed = true;
            }
            Sleep(10);
        }
    });
    MessageBoxW(nullptr, L"waiting", L"modal", MB_OK);
    EXPECT_EQ(served.load(), 3);
}

}  // namespace
