// The settings store against the real registry of the private Wine prefix: what a save writes on
// an empty registry, what a load applies, values of the wrong type, and the autorun entry.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "gadget_fixture.h"
#include "uRegistry.h"

namespace {

std::wstring GadgetKey(const std::string& subKey) { return Wide(std::string(SettingsBaseKey) + "\\" + subKey); }

// Writes a value with the platform's own calls, whatever its type.
void Store(const std::string& subKey, const std::wstring& name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, GadgetKey(subKey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    RegCloseKey(key);
}
void StoreDword(const std::string& subKey, const std::wstring& name, DWORD value) {
    Store(subKey, name, REG_DWORD, &value, sizeof value);
}
void StoreDouble(const std::string& subKey, const std::wstring& name, double value) {
    Store(subKey, name, REG_BINARY, &value, sizeof value);
}
void StoreText(const std::string& subKey, const std::wstring& name, const std::wstring& text) {
    Store(subKey, name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

struct TStoredValue {
    bool Exists = false;
    DWORD Type = REG_NONE;
    std::vector<BYTE> Data;
    DWORD Dword() const {
        DWORD value = 0;
        std::memcpy(&value, Data.data(), std::min<size_t>(Data.size(), sizeof value));
        return value;
    }
    std::wstring Text() const { return std::wstring(reinterpret_cast<const wchar_t*>(Data.data())); }
};

TStoredValue Fetch(HKEY root, const std::wstring& keyPath, const std::wstring& name) {
    TStoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    DWORD size = 0;
    if (RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, nullptr, &size) == ERROR_SUCCESS) {
        value.Data.resize(size + sizeof(wchar_t));
        value.Exists = RegQueryValueExW(key, name.c_str(), nullptr, &value.Type, value.Data.data(), &size) ==
                       ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return value;
}
TStoredValue Fetch(const std::string& subKey, const std::wstring& name) {
    return Fetch(HKEY_CURRENT_USER, GadgetKey(subKey), name);
}

DWORD ValueCount(const std::string& subKey) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GadgetKey(subKey).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    DWORD count = 0;
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return count;
}

class SettingsStore : public testing::Test, protected GadgetHarness {
protected:
    void SetUp() override { ClearGadgetSettings(); }
    void TearDown() override {
        StopGadget();
        ClearGadgetSettings();
    }
};

TEST_F(SettingsStore, SaveOnAnEmptyRegistryWritesEveryValueOfTheFiveKeys) {
    StartGadget();
    fmMain->SaveSettings();
    EXPECT_TRUE(errors.empty());
    struct Case {
        const char* SubKey;
        DWORD Values;
    };
    for (const Case c : {Case{"Form Positions\\fmMain", 4}, Case{"Appearance", 3}, Case{"Behavior", 2},
                         Case{"Actions", 1}, Case{"Action Properties", 2}})
        EXPECT_EQ(ValueCount(c.SubKey), c.Values) << c.SubKey;
    EXPECT_EQ(ValueCount("URLs"), 0u);

    const TStoredValue zoom = Fetch("Appearance", L"Zoom");
    ASSERT_EQ(zoom.Type, static_cast<DWORD>(REG_BINARY));
    double stored = 0;
    std::memcpy(&stored, zoom.Data.data(), sizeof stored);
    EXPECT_EQ(stored, 1.0);
    EXPECT_EQ(Fetch("Behavior", L"Stay On Top").Dword(), 1u);
    EXPECT_EQ(Fetch("Form Positions\\fmMain", L"Left").Dword(), 1120u);
    EXPECT_EQ(Fetch("Form Positions\\fmMain", L"Height").Dword(), 250u);
    EXPECT_EQ(Fetch("Actions", L"Active Action").Dword(), 1000000u);
    EXPECT_EQ(Fetch("Action Properties", L"3000000").Text(), Wide(MakerHomePage));
}

TEST_F(SettingsStore, LoadAppliesStoredValuesAndMergesActionParameters) {
    const std::wstring chinesePath = L"C:\\图片\\心形 照片.jpg";
    StoreDword("Behavior", L"Stay On Top", 2);  // any non-zero value is on
    StoreDword("Behavior", L"Settings Opening Count", 3);
    StoreDword("Appearance", L"Reflection", 0);
    StoreDword("Appearance", L"Animated", 0);
    StoreDouble("Appearance", L"Zoom", 1.5);
    StoreDword("Form Positions\\fmMain", L"Width", 240);
    StoreDword("Form Positions\\fmMain", L"Height", 375);
    StoreDword("Form Positions\\fmMain", L"Top", 100);
    StoreDword("Form Positions\\fmMain", L"Left", 200);
    StoreDword("Actions", L"Active Action", 4000000);
    StoreText("Action Properties", L"1000000", chinesePath);
    StoreText("Action Properties", L"2000000", L"C:\\docs\\readme.txt");
    StoreText("Action Properties", L"abc", L"not a number");

    StartGadget();
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(fmMain->IsStayOnTop());
    EXPECT_EQ(fmMain->FSettingsOpenCount, 3);
    EXPECT_FALSE(fmMain->FReflection);
    EXPECT_FALSE(fmMain->FFire->Reflection);
    EXPECT_FALSE(fmMain->FAnimated);
    EXPECT_EQ(fmMain->FZoom, 1.5f);
    EXPECT_EQ(fmMain->FFire->OutputWidth, 240);
    EXPECT_EQ(fmMain->FActiveAction, 4000000);
    const RECT bounds = fmMain->BoundsRect();
    EXPECT_EQ(bounds.left, 200);
    EXPECT_EQ(bounds.top, 100);

    // The default entries keep their places; the others are appended in registry order.
    ASSERT_EQ(fmMain->FActions->Count(), 4);
    EXPECT_EQ(fmMain->FActions->Strings(0), Narrow(chinesePath));
    EXPECT_EQ(fmMain->FActions->Objects(1), 3000000);
    std::vector<std::pair<int32_t, std::string>> appended;
    for (int32_t i = 2; i < 4; ++i) appended.emplace_back(fmMain->FActions->Objects(i), fmMain->FActions->Strings(i));
    EXPECT_NE(std::find(appended.begin(), appended.end(), std::make_pair(2000000, std::string("C:\\docs\\readme.txt"))),
              appended.end());
    EXPECT_NE(std::find(appended.begin(), appended.end(), std::make_pair(0, std::string("not a number"))),
              appended.end());

    // Saved back: the text comes back unchanged, the odd name is written as "0" and stays too.
    fmMain->SaveSettings();
    EXPECT_EQ(Fetch("Action Properties", L"1000000").Text(), chinesePath);
    EXPECT_EQ(Fetch("Action Properties", L"0").Text(), L"not a number");
    EXPECT_EQ(Fetch("Action Properties", L"abc").Text(), L"not a number");
}

TEST_F(SettingsStore, ValuesOfTheWrongTypeAreReportedTogetherAndTheOthersStillApply) {
    StoreDword("Appearance", L"Zoom", 2);                      // must be an 8-byte binary
    StoreText("Form Positions\\fmMain", L"Top", L"100");       // must be a DWORD
    const uint64_t tooLong = 7;
    Store("Behavior", L"Settings Opening Count", REG_DWORD, &tooLong, sizeof tooLong);  // cannot be read
    StoreDword("Appearance", L"Animated", 0);
    StoreDword("Form Positions\\fmMain", L"Left", 300);
    StoreDword("Actions", L"Active Action", 2000000);
    StoreText("Action Properties", L"2000000", L"C:\\keep.txt");

    StartGadget();
    ASSERT_EQ(errors.size(), 1u) << "one box for every bad value";
    for (const char* message : {"Invalid data type for 'Zoom'", "Invalid data type for 'Top'",
                                "Failed to get data for 'Settings Opening Count'"})
        EXPECT_NE(errors[0].find(message), std::string::npos) << errors[0];
    EXPECT_EQ(fmMain->FZoom, 1.0f);
    EXPECT_EQ(fmMain->FSettingsOpenCount, 0);
    EXPECT_FALSE(fmMain->FAnimated);
    EXPECT_EQ(fmMain->Left(), 300);
    EXPECT_EQ(fmMain->FActiveAction, 2000000);

    // A save afterwards keeps what the user had stored.
    errors.clear();
    ASSERT_TRUE(WaitForFrames(2));
    fmMain->SaveSettings();
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(Fetch("Actions", L"Active Action").Dword(), 2000000u);
    EXPECT_EQ(Fetch("Action Properties", L"2000000").Text(), L"C:\\keep.txt");
    EXPECT_EQ(Fetch("Appearance", L"Animated").Dword(), 0u);
}

TEST_F(SettingsStore, AZoomTheRendererRefusesKeepsTheZoomEverywhere) {
    for (const double zoom : {std::numeric_limits<double>::quiet_NaN(), 1e30}) {
        StoreDouble("Appearance", L"Zoom", zoom);
        StoreDword("Appearance", L"Animated", 0);
        errors.clear();
        StartGadget();
        ASSERT_EQ(errors.size(), 1u) << zoom;
        EXPECT_EQ(fmMain->FZoom, 1.0f);
        EXPECT_EQ(fmMain->FFire->Zoom, 1.0f);
        EXPECT_EQ(fmMain->FFire->OutputWidth, 160);
        EXPECT_FALSE(fmMain->FAnimated) << "read before the zoom";
        StopGadget();
    }
}

TEST_F(SettingsStore, AnEmptyParameterIsNotWrittenAndTheOldOneComesBack) {
    StoreText("Action Properties", L"1000000", L"C:\\old.jpg");
    StartGadget();
    ASSERT_EQ(fmMain->FActions->Strings(0), "C:\\old.jpg");
    fmMain->FActions->SetString(0, "");
    fmMain->SaveSettings();
    EXPECT_EQ(Fetch("Action Properties", L"1000000").Text(), L"C:\\old.jpg");
    StopGadget();

    StartGadget();
    EXPECT_EQ(fmMain->FActions->Strings(0), "C:\\old.jpg");
}

TEST_F(SettingsStore, AutorunOnWritesTheExecutablePathAndOffRemovesIt) {
    StartGadget();
    EXPECT_FALSE(fmMain->IsAutorun());
    fmMain->SetAutorun(true);
    const TStoredValue run = Fetch(HKEY_CURRENT_USER, Wide(AutorunKey), L"Velmora");
    ASSERT_TRUE(run.Exists);
    EXPECT_EQ(run.Type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(Narrow(run.Text()), ExecutablePath());
    EXPECT_TRUE(fmMain->IsAutorun());

    fmMain->SetAutorun(false);
    EXPECT_FALSE(Fetch(HKEY_CURRENT_USER, Wide(AutorunKey), L"Velmora").Exists);
    EXPECT_FALSE(fmMain->IsAutorun());
    fmMain->SetAutorun(false);  // not there: nothing happens
    EXPECT_TRUE(errors.empty());
}

TEST(RegistryAccessor, ReadsFollowTheTypeRules) {
    ClearGadgetSettings();
    StoreText("Test", L"expand", L"%TEMP%\\x");
    Store("Test", L"expandType", REG_EXPAND_SZ, L"%TEMP%", 14);
    StoreDword("Test", L"dword", 0xFFFFFFFF);
    const double half = 0.5;
    Store("Test", L"float4", REG_BINARY, &half, 4);
    Store("Test", L"empty", REG_SZ, nullptr, 0);

    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(std::string(SettingsBaseKey) + "\\Test", false));
    EXPECT_EQ(registry.ReadString("expandType"), "%TEMP%");  // not expanded
    EXPECT_EQ(registry.ReadString("empty"), "");
    EXPECT_EQ(registry.ReadInteger("dword"), -1);
    EXPECT_TRUE(registry.ReadBool("dword"));
    EXPECT_THROW(registry.ReadFloat("float4"), ERegistryException);
    EXPECT_THROW(registry.ReadInteger("expand"), ERegistryException);
    EXPECT_FALSE(registry.OpenKey(std::string(SettingsBaseKey) + "\\Missing", false));
    EXPECT_THROW(registry.WriteInteger("x", 1), ERegistryException);
    try {
        registry.WriteString("x", "y");
    } catch (const ERegistryException& error) {
        EXPECT_STREQ(error.what(), "Failed to set data for 'x'");
    }
    ClearGadgetSettings();
}

}  // namespace
