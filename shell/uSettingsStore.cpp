// The main window's settings store: loading at start-up, saving on the Close command, and the
// autorun entry.
#include "uSettingsStore.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "uApplication.h"
#include "uRegistry.h"
#include "uSysUtils.h"
#include "uTfmMain.h"
#include "uWinUtils.h"

const char* const SettingsBaseKey = "Software\\Norvect Software\\Velmora Desktop Gadget";
const char* const AutorunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const UrlsSubKey = "URLs";

namespace {

std::string SettingsKey(const char* subKey) { return std::string(SettingsBaseKey) + "\\" + subKey; }

// A value name as an action identifier: a decimal integer that fits 32 bits, else 0.
int32_t IdentifierFromName(const std::string& name) {
    if (name.empty()) return 0;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(name.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return 0;
    return static_cast<int32_t>(value);
}

std::string AutorunValueName() { return Application != nullptr ? Application->Title() : std::string("Velmora"); }

// Applies stored values one at a time: a value that cannot be read or applied keeps its current
// state and is noted, and the others are still applied. The notes are raised together at the end.
class TSettingsLoader {
public:
    explicit TSettingsLoader(TRegistry& registry) : FRegistry(registry) {}

    template <typename Apply>
    void Value(const char* name, Apply apply) {
        if (!FRegistry.ValueExists(name)) return;
        try {
            apply(FRegistry, std::string(name));
        } catch (const Exception& error) {
            FErrors.push_back(error.Message());
        }
    }

    void RaiseErrors() const {
        if (FErrors.empty()) return;
        std::string message;
        for (const std::string& error : FErrors) {
            if (!message.empty()) message += ".\n";
            message += error;
        }
        throw ERegistryException(message);
    }

private:
    TRegistry& FRegistry;
    std::vector<std::string> FErrors;
};

}  // namespace

void TfmMain::LoadSettings() {
    TRegistry registry;
    TSettingsLoader load(registry);

    if (registry.OpenKey(SettingsKey("Behavior"), false)) {
        load.Value("Stay On Top", [this](TRegistry& r, const std::string& n) { SetStayOnTop(r.ReadBool(n)); });
        load.Value("Settings Opening Count",
                   [this](TRegistry& r, const std::string& n) { FSettingsOpenCount = r.ReadInteger(n); });
    }
    if (registry.OpenKey(SettingsKey("Appearance"), false)) {
        load.Value("Reflection", [this](TRegistry& r, const std::string& n) { SetReflection(r.ReadBool(n)); });
        load.Value("Animated", [this](TRegistry& r, const std::string& n) { SetAnimated(r.ReadBool(n)); });
        load.Value("Zoom", [this](TRegistry& r, const std::string& n) {
            SetZoom(static_cast<float>(r.ReadFloat(n)));
        });
    }
    if (registry.OpenKey(SettingsKey("Form Positions\\fmMain"), false)) {
        load.Value("Width", [this](TRegistry& r, const std::string& n) { SetWidth(r.ReadInteger(n)); });
        load.Value("Height", [this](TRegistry& r, const std::string& n) { SetHeight(r.ReadInteger(n)); });
        load.Value("Top", [this](TRegistry& r, const std::string& n) { SetTop(r.ReadInteger(n)); });
        load.Value("Left", [this](TRegistry& r, const std::string& n) { SetLeft(r.ReadInteger(n)); });
    }
    if (registry.OpenKey(SettingsKey("Actions"), false)) {
        load.Value("Active Action",
                   [this](TRegistry& r, const std::string& n) { FActiveAction = r.ReadInteger(n); });
    }
    if (registry.OpenKey(SettingsKey("Action Properties"), false)) {
        for (const std::string& name : registry.GetValueNames()) {
            load.Value(name.c_str(), [this](TRegistry& r, const std::string& n) {
                const int32_t identifier = IdentifierFromName(n);
                const std::string text = r.ReadString(n);
                const int32_t index = FActions->IndexOfObject(identifier);
                if (index >= 0)
                    FActions->SetString(index, text);
                else
                    FActions->AddObject(text, identifier);
            });
        }
    }
    registry.CloseKey();
    load.RaiseErrors();
}

void TfmMain::SaveSettings() {
    TRegistry registry;
    const RECT bounds = BoundsRect();

    registry.OpenKey(SettingsKey("Form Positions\\fmMain"), true);
    registry.WriteInteger("Top", bounds.top);
    registry.WriteInteger("Left", bounds.left);
    registry.WriteInteger("Width", bounds.right - bounds.left);
    registry.WriteInteger("Height", bounds.bottom - bounds.top);

    registry.OpenKey(SettingsKey("Appearance"), true);
    registry.WriteBool("Reflection", FReflection);
    registry.WriteBool("Animated", FAnimated);
    registry.WriteFloat("Zoom", static_cast<double>(FZoom));

    registry.OpenKey(SettingsKey("Behavior"), true);
    registry.WriteBool("Stay On Top", IsStayOnTop());
    registry.WriteInteger("Settings Opening Count", FSettingsOpenCount);

    registry.OpenKey(SettingsKey("Actions"), true);
    registry.WriteInteger("Active Action", FActiveAction);

    // An empty parameter is not written: a value stored earlier under its identifier stays.
    registry.OpenKey(SettingsKey("Action Properties"), true);
    for (int32_t i = 0; i < FActions->Count(); ++i) {
        if (FActions->Strings(i).empty()) continue;
        registry.WriteString(std::to_string(FActions->Objects(i)), FActions->Strings(i));
    }
    registry.CloseKey();
}

bool TfmMain::IsAutorun() const {
    TRegistry registry;
    return registry.OpenKey(AutorunKey, false) && registry.ValueExists(AutorunValueName());
}

void TfmMain::SetAutorun(bool value) {
    TRegistry registry;
    const bool open = registry.OpenKey(AutorunKey, false);
    if (value)
        registry.WriteString(AutorunValueName(), ExecutablePath());  // raises when the key is not open
    else if (open)
        registry.DeleteValue(AutorunValueName());
}
