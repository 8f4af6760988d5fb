// Windows side of the streams and resources: CreateFileW and the executable's own resources.
#include <windows.h>

#include "uClasses.h"
#include "uSysUtils.h"
#include "uWinUtils.h"

struct TFileStream::Impl {
    HANDLE File = INVALID_HANDLE_VALUE;
};

TFileStream::TFileStream(const std::string& path) : FImpl(std::make_unique<Impl>()) {
    FImpl->File = CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FImpl->File == INVALID_HANDLE_VALUE)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", path.c_str(),
                                 SysErrorMessage(GetLastError()).c_str()));
}

TFileStream::~TFileStream() {
    if (FImpl->File != INVALID_HANDLE_VALUE) CloseHandle(FImpl->File);
}

size_t TFileStream::Read(void* buffer, size_t count) {
    size_t total = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (total < count) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - total, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(FImpl->File, out + total, chunk, &got, nullptr) || got == 0) break;
        total += got;
    }
    return total;
}

int64_t TFileStream::Size() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(FImpl->File, &size) ? size.QuadPart : 0;
}

int64_t TFileStream::Position() const {
    LARGE_INTEGER zero{}, pos{};
    return SetFilePointerEx(FImpl->File, zero, &pos, FILE_CURRENT) ? pos.QuadPart : 0;
}

void TFileStream::SetPosition(int64_t position) {
    LARGE_INTEGER pos{};
    pos.QuadPart = position;
    SetFilePointerEx(FImpl->File, pos, nullptr, FILE_BEGIN);
}

void RegisterResourceBytes(TResourceType, const std::string&, const void*, size_t) {}

TResourceBytes FindResourceBytes(TResourceType type, const std::string& name) {
    HMODULE module = GetModuleHandleW(nullptr);
    const std::wstring wideName = Wide(name);
    HRSRC info = FindResourceW(module, wideName.c_str(), type == TResourceType::Bitmap ? RT_BITMAP : RT_RCDATA);
    HGLOBAL handle = info != nullptr ? LoadResource(module, info) : nullptr;
    const void* data = handle != nullptr ? LockResource(handle) : nullptr;
    if (data == nullptr) throw EResNotFound(Format("Resource %s not found", name.c_str()));
    return TResourceBytes{static_cast<const uint8_t*>(data), SizeofResource(module, info)};
}
