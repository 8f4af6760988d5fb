#include "uClasses.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "uSysUtils.h"

void TStream::ReadBuffer(void* buffer, size_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

std::vector<uint8_t> TStream::ReadRest() {
    const int64_t rest = Size() - Position();
    // A rest larger than the address space can hold (a file of 4 GB or more in the 32-bit
    // program) must not be narrowed into a shorter read.
    if (rest > 0 && static_cast<uint64_t>(rest) > SIZE_MAX / 2) throw EOutOfResources("Out of memory");
    std::vector<uint8_t> bytes(rest > 0 ? static_cast<size_t>(rest) : 0);
    if (!bytes.empty()) bytes.resize(Read(bytes.data(), bytes.size()));
    return bytes;
}

TMemoryStream::TMemoryStream(const void* data, size_t size)
    : FData(static_cast<const uint8_t*>(data)), FSize(size) {}

TMemoryStream::TMemoryStream(std::vector<uint8_t> bytes)
    : FOwned(std::move(bytes)), FData(FOwned.data()), FSize(FOwned.size()) {}

size_t TMemoryStream::Read(void* buffer, size_t count) {
    const size_t n = std::min(count, FSize - FPosition);
    if (n != 0) std::memcpy(buffer, FData + FPosition, n);
    FPosition += n;
    return n;
}

void TMemoryStream::SetPosition(int64_t position) {
    FPosition = static_cast<size_t>(std::clamp<int64_t>(position, 0, static_cast<int64_t>(FSize)));
}

TResourceStream::TResourceStream(TResourceType type, const std::string& name)
    : TResourceStream(FindResourceBytes(type, name)) {}
