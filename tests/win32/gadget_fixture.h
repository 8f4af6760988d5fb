// The running gadget for Windows tests: the application object, the main window created as the
// entry creates it, error boxes recorded instead of shown, and the prefix's registry settings.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "uApplication.h"
#include "uSettingsStore.h"
#include "uTFire.h"
#include "uTfmMain.h"
#include "uWinUtils.h"

// Generous: a loaded two-core machine under Wine.
const DWORD kGadgetDeadline = 15000;

// Removes the gadget's settings keys and its autorun value from the current user's registry.
inline void ClearGadgetSettings() {
    RegDeleteTreeW(HKEY_CURRENT_USER, Wide(SettingsBaseKey).c_str());
    HKEY run = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, Wide(AutorunKey).c_str(), 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        RegDeleteValueW(run, L"Velmora");
        RegCloseKey(run);
    }
}

class GadgetHarness {
protected:
    // Creates the main window on the settings now in the registry, and shows it.
    void StartGadget() {
        application.Initialize();
        application.SetTitle("Velmora");
        application.OnShowError = [this](const std::string& message) { errors.push_back(message); };
        fmMain = new TfmMain;
        fmMain->Show();  // what the message loop does when it starts
    }
    void StopGadget() {
        delete fmMain;
        fmMain = nullptr;
    }

    // Waits for the renderer to deliver count more frames.
    bool WaitForFrames(int count) {
        const int target = fmMain->FFire->FrameCount + count;
        return application.ProcessMessagesUntil([&] { return fmMain->FFire->FrameCount >= target; },
                                                 kGadgetDeadline);
    }
    // Serves messages for ms milliseconds.
    void Pump(DWORD ms) { application.ProcessMessagesUntil([] { return false; }, ms); }

    TApplication application;
    std::vector<std::string> errors;
};

// A test with the gadget running on a registry without its settings; no error box may show.
class GadgetTest : public testing::Test, protected GadgetHarness {
protected:
    void SetUp() override {
        ClearGadgetSettings();
        StartGadget();
    }
    void TearDown() override {
        StopGadget();
        ClearGadgetSettings();
        EXPECT_TRUE(errors.empty()) << errors.front();
    }
};
