// System commands of the double-click actions: run a command line, open a file or address with
// its associated program, start the screen saver, log off and shut down. Text is UTF-8 and
// crosses the system's interface as UTF-16.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Starts the command line (program path, then its arguments) in a normal window; a failure is
// ignored, and an empty command line does nothing.
void RunProgram(const std::string& commandLine);
// Opens the file, folder or web address with the program registered for it (the default verb);
// a failure is ignored, and an empty target does nothing.
void OpenDocument(const std::string& target);
// Asks the desktop window to start the default screen saver.
void StartScreenSaver();
// Log off (flags 0) and shut down (flags 1), without forcing: the running programs may refuse.
void LogOff();
void ShutDown();
// Enables the shutdown privilege of the process and asks the system to end the session with
// flags; every failing call is reported in a plain message box (the caption names the call).
void ExitWindowsWithPrivilege(uint32_t flags);

// The commands the main window's double click runs; the defaults are the functions above.
struct TSystemCommands {
    std::function<void(const std::string&)> RunProgram = &::RunProgram;
    std::function<void(const std::string&)> OpenDocument = &::OpenDocument;
    std::function<void()> StartScreenSaver = &::StartScreenSaver;
    std::function<void()> LogOff = &::LogOff;
    std::function<void()> ShutDown = &::ShutDown;
};
