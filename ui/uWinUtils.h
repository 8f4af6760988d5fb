// Small helpers for the Windows side: UTF-16 text for the W functions and system messages.
#pragma once

#include <windows.h>

#include <string>

#include "uSysUtils.h"

inline std::wstring Wide(const std::string& utf8) {
    const std::u16string text = Utf8ToUtf16(utf8);
    return std::wstring(text.begin(), text.end());
}

inline std::string Narrow(const std::wstring& wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// The system's text for an error code, without the trailing line break.
std::string SysErrorMessage(DWORD code);

// Raises EOSError with the system's text for the last error.
[[noreturn]] void RaiseLastOSError();

// Full path of the running executable, and its directory with the trailing separator.
std::string ExecutablePath();
std::string ExecutableDirectory();

// Registers a window class of this module once (later calls with the same name do nothing);
// raises EOSError when the system refuses it.
void RegisterWindowClass(const wchar_t* name, WNDPROC windowProc, UINT classStyle);
