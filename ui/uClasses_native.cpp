// Native (non-Windows) side of the streams and the resource table.
#include <cstdio>
#include <cstring>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "uClasses.h"
#include "uSysUtils.h"

struct TFileStream::Impl {
    std::FILE* File = nullptr;
    int64_t Size = 0;
};

TFileStream::TFileStream(const std::string& path) : FImpl(std::make_unique<Impl>()) {
    FImpl->File = std::fopen(path.c_str(), "rb");
    if (FImpl->File == nullptr)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", path.c_str(), std::strerror(errno)));
    std::fseek(FImpl->File, 0, SEEK_END);
    FImpl->Size = std::ftell(FImpl->File);
    std::fseek(FImpl->File, 0, SEEK_SET);
    if (FImpl->Size < 0) {  // a directory or another unreadable object
        std::fclose(FImpl->File);
        FImpl->File = nullptr;
        throw EFOpenError(Format("Cannot open file \"%s\".", path.c_str()));
    }
}

TFileStream::~TFileStream() {
    if (FImpl->File != nullptr) std::fclose(FImpl->File);
}

size_t TFileStream::Read(void* buffer, size_t count) { return std::fread(buffer, 1, count, FImpl->File); }
int64_t TFileStream::Size() const { return FImpl->Size; }
int64_t TFileStream::Position() const { return std::ftell(FImpl->File); }
void TFileStream::SetPosition(int64_t position) { std::fseek(FImpl->File, static_cast<long>(position), SEEK_SET); }

namespace {
std::mutex& TableLock() {
    static std::mutex lock;
    return lock;
}
std::map<std::pair<TResourceType, std::string>, TResourceBytes>& Table() {
    static std::map<std::pair<TResourceType, std::string>, TResourceBytes> table;
    return table;
}
}  // namespace

void RegisterResourceBytes(TResourceType type, const std::string& name, const void* data, size_t size) {
    std::lock_guard<std::mutex> guard(TableLock());
    Table()[{type, LowerCase(name)}] = TResourceBytes{static_cast<const uint8_t*>(data), size};
}

TResourceBytes FindResourceBytes(TResourceType type, const std::string& name) {
    std::lock_guard<std::mutex> guard(TableLock());
    const auto found = Table().find({type, LowerCase(name)});
    if (found == Table().end()) throw EResNotFound(Format("Resource %s not found", name.c_str()));
    return found->second;
}
