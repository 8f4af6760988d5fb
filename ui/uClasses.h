// Streams over files, memory and resources, and the named-resource seam. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns how many were read.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual int64_t Size() const = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t position) = 0;

    // Reads exactly count bytes or raises EReadError "Stream read error".
    void ReadBuffer(void* buffer, size_t count);
    // Everything from the current position to the end.
    std::vector<uint8_t> ReadRest();
};

// A read-only view of bytes that outlive the stream (resources, test fixtures).
class TMemoryStream : public TStream {
public:
    TMemoryStream(const void* data, size_t size);
    explicit TMemoryStream(std::vector<uint8_t> bytes);  // owns a copy
    size_t Read(void* buffer, size_t count) override;
    int64_t Size() const override { return static_cast<int64_t>(FSize); }
    int64_t Position() const override { return static_cast<int64_t>(FPosition); }
    void SetPosition(int64_t position) override;
    const uint8_t* Memory() const { return FData; }

private:
    std::vector<uint8_t> FOwned;
    const uint8_t* FData;
    size_t FSize;
    size_t FPosition = 0;
};

// A file opened for reading that others may read but not write while it is open.
// Paths are UTF-8. A file that cannot be opened raises EFOpenError.
class TFileStream : public TStream {
public:
    explicit TFileStream(const std::string& path);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    size_t Read(void* buffer, size_t count) override;
    int64_t Size() const override;
    int64_t Position() const override;
    void SetPosition(int64_t position) override;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// Named resources of the program's own module: bytes by type and name.
enum class TResourceType { Bitmap, RawData };

struct TResourceBytes {
    const uint8_t* Data = nullptr;
    size_t Size = 0;
};

// Raises EResNotFound "Resource %s not found" when there is no such resource.
TResourceBytes FindResourceBytes(TResourceType type, const std::string& name);

// Native builds keep resources in a table that the program or test registers at start.
// (On Windows the executable's own resources are used and this is never needed.)
void RegisterResourceBytes(TResourceType type, const std::string& name, const void* data, size_t size);

// A read-only stream over a raw-data or bitmap resource.
class TResourceStream : public TMemoryStream {
public:
    TResourceStream(TResourceType type, const std::string& name);

private:
    explicit TResourceStream(const TResourceBytes& bytes) : TMemoryStream(bytes.Data, bytes.Size) {}
};
