#include "uShellUtils.h"

#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "uWinUtils.h"

namespace {

void PlainMessageBox(const std::string& text, const std::string& caption) {
    MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

std::string LastErrorText() { return std::to_string(GetLastError()); }

}  // namespace

void RunProgram(const std::string& commandLine) {
    if (commandLine.empty()) return;
    // The command line as the system's simple program starter runs it: no separate program
    // name, a writable copy of the text, the first window shown normally.
    std::wstring text = Wide(commandLine);
    std::vector<wchar_t> buffer(text.begin(), text.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void OpenDocument(const std::string& target) {
    if (target.empty()) return;
    ShellExecuteW(nullptr, nullptr, Wide(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void StartScreenSaver() { PostMessageW(GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0); }

void LogOff() { ExitWindowsWithPrivilege(EWX_LOGOFF); }

void ShutDown() { ExitWindowsWithPrivilege(EWX_SHUTDOWN); }

void ExitWindowsWithPrivilege(uint32_t flags) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        token = nullptr;
        PlainMessageBox("11", "OpenProcessToken");
    } else {
        struct {
            DWORD PrivilegeCount;
            LUID_AND_ATTRIBUTES Privileges[1];
        } wanted{};
        LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &wanted.Privileges[0].Luid);
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        TOKEN_PRIVILEGES previous[1]{};  // 16 bytes: the previous state of the one privilege
        DWORD returned = 0;
        if (!AdjustTokenPrivileges(token, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(&wanted), sizeof previous,
                                   previous, &returned))
            PlainMessageBox(LastErrorText(), "AdjustTokenPrivileges(");
        CloseHandle(token);
    }
    if (!ExitWindowsEx(flags, 0)) PlainMessageBox(LastErrorText(), "ExitWindowsEx(");
}
