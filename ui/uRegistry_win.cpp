#include "uRegistry.h"

#include <cstring>

#include "uSysUtils.h"
#include "uWinUtils.h"

namespace {

[[noreturn]] void RaiseRegistryError(const char* format, const std::string& name) {
    throw ERegistryException(Format(format, name.c_str()));
}

const char kInvalidDataType[] = "Invalid data type for '%s'";
const char kFailedToGet[] = "Failed to get data for '%s'";
const char kFailedToSet[] = "Failed to set data for '%s'";

}  // namespace

TRegistry::TRegistry(HKEY rootKey, REGSAM access) : FRootKey(rootKey), FAccess(access) {}

TRegistry::~TRegistry() { CloseKey(); }

bool TRegistry::OpenKey(const std::string& path, bool canCreate) {
    CloseKey();
    HKEY key = nullptr;
    const std::wstring widePath = Wide(path);
    LONG status;
    if (canCreate)
        status = RegCreateKeyExW(FRootKey, widePath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, FAccess, nullptr,
                                 &key, nullptr);
    else
        status = RegOpenKeyExW(FRootKey, widePath.c_str(), 0, FAccess, &key);
    if (status != ERROR_SUCCESS) return false;
    FCurrentKey = key;
    return true;
}

void TRegistry::CloseKey() {
    if (FCurrentKey == nullptr) return;
    RegCloseKey(FCurrentKey);
    FCurrentKey = nullptr;
}

bool TRegistry::ValueExists(const std::string& name) const {
    if (FCurrentKey == nullptr) return false;
    return RegQueryValueExW(FCurrentKey, Wide(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::vector<std::string> TRegistry::GetValueNames() const {
    std::vector<std::string> names;
    if (FCurrentKey == nullptr) return names;
    DWORD count = 0, longest = 0;
    if (RegQueryInfoKeyW(FCurrentKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::wstring buffer(longest + 1, L'\0');
    for (DWORD index = 0; index < count; ++index) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueW(FCurrentKey, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            continue;
        names.push_back(Narrow(buffer.substr(0, length)));
    }
    return names;
}

// Reads the value's data after checking its type (expectedType, or otherType when that is not 0).
// A value that is missing or cannot be read raises "Failed to get data".
void TRegistry::ReadRaw(const std::string& name, DWORD expectedType, DWORD otherType,
                        std::vector<uint8_t>& data) const {
    if (FCurrentKey == nullptr) RaiseRegistryError(kFailedToGet, name);
    const std::wstring wideName = Wide(name);
    DWORD type = REG_NONE, size = 0;
    if (RegQueryValueExW(FCurrentKey, wideName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        RaiseRegistryError(kFailedToGet, name);
    if (type != expectedType && (otherType == 0 || type != otherType)) RaiseRegistryError(kInvalidDataType, name);
    // The value may change between the two calls; a caller with a fixed size passes it in data.
    if (data.empty()) data.resize(size);
    DWORD capacity = static_cast<DWORD>(data.size());
    if (RegQueryValueExW(FCurrentKey, wideName.c_str(), nullptr, &type, data.data(), &capacity) != ERROR_SUCCESS)
        RaiseRegistryError(kFailedToGet, name);
    if (type != expectedType && (otherType == 0 || type != otherType)) RaiseRegistryError(kInvalidDataType, name);
    data.resize(capacity);
}

int32_t TRegistry::ReadInteger(const std::string& name) const {
    // A REG_DWORD whose data is longer than 4 bytes does not fit: "Failed to get data".
    std::vector<uint8_t> data(4, 0);
    ReadRaw(name, REG_DWORD, 0, data);
    uint8_t bytes[4] = {};
    std::memcpy(bytes, data.data(), data.size() < 4 ? data.size() : 4);
    int32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

bool TRegistry::ReadBool(const std::string& name) const { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const std::string& name) const {
    std::vector<uint8_t> data;
    ReadRaw(name, REG_BINARY, 0, data);
    if (data.size() != sizeof(double)) RaiseRegistryError(kInvalidDataType, name);
    double value;
    std::memcpy(&value, data.data(), sizeof value);
    return value;
}

std::string TRegistry::ReadString(const std::string& name) const {
    std::vector<uint8_t> data;
    ReadRaw(name, REG_SZ, REG_EXPAND_SZ, data);
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    if (!text.empty()) std::memcpy(text.data(), data.data(), text.size() * sizeof(wchar_t));
    const size_t zero = text.find(L'\0');
    if (zero != std::wstring::npos) text.resize(zero);
    return Narrow(text);
}

void TRegistry::WriteRaw(const std::string& name, DWORD type, const void* data, DWORD size) {
    if (FCurrentKey == nullptr ||
        RegSetValueExW(FCurrentKey, Wide(name).c_str(), 0, type, static_cast<const BYTE*>(data), size) !=
            ERROR_SUCCESS)
        RaiseRegistryError(kFailedToSet, name);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
    WriteRaw(name, REG_DWORD, &value, sizeof value);
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteFloat(const std::string& name, double value) {
    WriteRaw(name, REG_BINARY, &value, sizeof value);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
    const std::wstring text = Wide(value);
    WriteRaw(name, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool TRegistry::DeleteValue(const std::string& name) {
    return FCurrentKey != nullptr && RegDeleteValueW(FCurrentKey, Wide(name).c_str()) == ERROR_SUCCESS;
}
