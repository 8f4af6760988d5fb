// Log off and shut down for real. They end the session's programs, so this program runs only in
// a throwaway Wine prefix with its own server: session_end_check.sh beside it sets
// VELMORA_THROWAWAY_SESSION, and without it every test fails before calling anything.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "uShellUtils.h"
#include "uWinUtils.h"

namespace {

bool ThrowawaySession() {
    const char* value = std::getenv("VELMORA_THROWAWAY_SESSION");
    return value != nullptr && std::string(value) == "1";
}

struct TBoxSeen {
    std::string Caption, Text;
};

// Presses OK on every message box of this process that appears until stop, recording them.
class TBoxWatcher {
public:
    TBoxWatcher() : FThread([this] { Watch(); }) {}
    ~TBoxWatcher() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
    }
    std::vector<TBoxSeen> Boxes() {
        FStop = true;
        if (FThread.joinable()) FThread.join();
        return FBoxes;
    }

private:
    void Watch() {
        while (!FStop) {
            HWND box = nullptr;
            while ((box = FindWindowExW(nullptr, box, L"#32770", nullptr)) != nullptr) {
                DWORD process = 0;
                GetWindowThreadProcessId(box, &process);
                if (process != GetCurrentProcessId() || !IsWindowVisible(box)) continue;
                wchar_t caption[128] = {}, text[128] = {};
                GetWindowTextW(box, caption, 128);
                GetDlgItemTextW(box, 0xFFFF, text, 128);
                FBoxes.push_back(TBoxSeen{Narrow(caption), Narrow(text)});
                SendMessageW(box, WM_COMMAND, IDOK, 0);
                break;
            }
            Sleep(50);
        }
    }
    std::atomic<bool> FStop{false};
    std::vector<TBoxSeen> FBoxes;
    std::thread FThread;
};

// The script has taken the session's end program away: the system refuses to end the session,
// and each refusal is reported with its error code under the call's name.
TEST(SessionEnd, RefusedLogOffAndShutDownReportTheErrorCode) {
    ASSERT_TRUE(ThrowawaySession()) << "runs only in a throwaway session";
    for (auto command : {&LogOff, &ShutDown}) {
        TBoxWatcher watcher;
        command();
        const std::vector<TBoxSeen> boxes = watcher.Boxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].Caption, "ExitWindowsEx(");
        EXPECT_FALSE(boxes[0].Text.empty());
        EXPECT_EQ(boxes[0].Text.find_first_not_of("0123456789"), std::string::npos) << boxes[0].Text;
        EXPECT_NE(boxes[0].Text, "0");
    }
}

// The session's programs end, this one included: reaching the end of the wait is the failure.
TEST(SessionEnd, LogOffEndsTheSessionsPrograms) {
    ASSERT_TRUE(ThrowawaySession()) << "runs only in a throwaway session";
    HWND window = CreateWindowExW(0, L"STATIC", L"session end", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    TBoxWatcher watcher;
    std::printf("asking for the log-off\n");
    std::fflush(stdout);
    LogOff();
    const ULONGLONG end = GetTickCount64() + 60000;
    while (GetTickCount64() < end) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        Sleep(20);
    }
    DestroyWindow(window);
    for (const TBoxSeen& box : watcher.Boxes()) ADD_FAILURE() << box.Caption << ": " << box.Text;
    FAIL() << "still running a minute after the log-off";
}

}  // namespace
