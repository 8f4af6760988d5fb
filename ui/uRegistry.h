// Registry accessor over one root key (the current user's by default): one key open at a time,
// full access, typed reads and writes with the program's error messages. Text is UTF-8 here and
// UTF-16 at the API, so any Unicode text round-trips.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

class TRegistry {
public:
    explicit TRegistry(HKEY rootKey = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    // Opens path (relative to the root key), closing the key open before; creates it when
    // canCreate. Returns false when the key cannot be opened (or created).
    bool OpenKey(const std::string& path, bool canCreate);
    void CloseKey();
    bool KeyOpen() const { return FCurrentKey != nullptr; }

    bool ValueExists(const std::string& name) const;
    // Names of the open key's values, in the order the registry enumerates them.
    std::vector<std::string> GetValueNames() const;

    // Reads raise ERegistryException "Invalid data type for '%s'" for a value of another type
    // (a float must be REG_BINARY of exactly 8 bytes) and "Failed to get data for '%s'" when an
    // existing value cannot be read.
    bool ReadBool(const std::string& name) const;         // REG_DWORD, any non-zero is true
    int32_t ReadInteger(const std::string& name) const;   // REG_DWORD
    double ReadFloat(const std::string& name) const;      // REG_BINARY, 8 bytes, IEEE double
    std::string ReadString(const std::string& name) const;  // REG_SZ or REG_EXPAND_SZ, not expanded

    // Writes raise "Failed to set data for '%s'", also when no key is open.
    void WriteBool(const std::string& name, bool value);
    void WriteInteger(const std::string& name, int32_t value);
    void WriteFloat(const std::string& name, double value);
    void WriteString(const std::string& name, const std::string& value);

    // Removes a value; false when it was not there or could not be removed.
    bool DeleteValue(const std::string& name);

private:
    void ReadRaw(const std::string& name, DWORD expectedType, DWORD otherType, std::vector<uint8_t>& data) const;
    void WriteRaw(const std::string& name, DWORD type, const void* data, DWORD size);

    HKEY FRootKey;
    REGSAM FAccess;
    HKEY FCurrentKey = nullptr;
};
