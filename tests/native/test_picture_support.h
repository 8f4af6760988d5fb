// Shared fixtures of the picture tests: hand-built bitmap files, temporary files, corpus access.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#else
#include <process.h>
#endif

#if defined(__SANITIZE_ADDRESS__)
// From AddressSanitizer's runtime (GCC ships no header for it).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onAllocate)(const volatile void*, size_t),
                                                         void (*onFree)(const volatile void*));
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
#define VELMORA_ALLOCATION_PROBE 1
#endif

namespace picture_test {

// The largest single allocation made while a probe exists, and the most memory held at once by
// what was allocated meanwhile. It needs AddressSanitizer's allocator hooks; elsewhere
// Available() is false.
class TLargestAllocation {
public:
    TLargestAllocation() {
        Largest().store(0);
        Live().store(0);
        Peak().store(0);
        Active().store(Available());
    }
    ~TLargestAllocation() { Active().store(false); }
    TLargestAllocation(const TLargestAllocation&) = delete;
    TLargestAllocation& operator=(const TLargestAllocation&) = delete;

    size_t Bytes() const { return Largest().load(); }
    size_t PeakBytes() const { return static_cast<size_t>(std::max<int64_t>(Peak().load(), 0)); }

    static bool Available() {
#ifdef VELMORA_ALLOCATION_PROBE
        static const bool installed = __sanitizer_install_malloc_and_free_hooks(OnAllocate, OnFree) != 0;
        return installed;
#else
        return false;
#endif
    }

private:
    static std::atomic<size_t>& Largest() {
        static std::atomic<size_t> largest{0};
        return largest;
    }
    static std::atomic<bool>& Active() {
        static std::atomic<bool> active{false};
        return active;
    }
    // Bytes held by allocations made while active; frees of older blocks may take it below 0.
    static std::atomic<int64_t>& Live() {
        static std::atomic<int64_t> live{0};
        return live;
    }
    static std::atomic<int64_t>& Peak() {
        static std::atomic<int64_t> peak{0};
        return peak;
    }
    static void OnAllocate(const volatile void*, size_t size) {
        if (!Active().load(std::memory_order_relaxed)) return;
        size_t seen = Largest().load(std::memory_order_relaxed);
        while (size > seen && !Largest().compare_exchange_weak(seen, size)) {
        }
        const int64_t live = Live().fetch_add(static_cast<int64_t>(size)) + static_cast<int64_t>(size);
        int64_t peak = Peak().load(std::memory_order_relaxed);
        while (live > peak && !Peak().compare_exchange_weak(peak, live)) {
        }
    }
    static void OnFree(const volatile void* p) {
#ifdef VELMORA_ALLOCATION_PROBE
        if (Active().load(std::memory_order_relaxed))
            Live().fetch_sub(static_cast<int64_t>(__sanitizer_get_allocated_size(p)));
#else
        (void)p;
#endif
    }
};

inline void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

struct TBmpSpec {
    int32_t Width = 0;
    int32_t Height = 0;  // negative: top-down
    uint16_t BitCount = 24;
    uint32_t Compression = 0;
    std::vector<uint32_t> Palette;  // 0x00RRGGBB
    std::vector<uint32_t> Masks;    // written after a 40-byte header for bitfields
    std::vector<uint8_t> Bits;      // the stored rows (or the RLE stream)
    bool FileHeader = true;
    uint16_t Planes = 1;
};

// A BMP file (or packed DIB) with a 40-byte information header.
inline std::vector<uint8_t> MakeBmp(const TBmpSpec& s) {
    std::vector<uint8_t> dib;
    PutU32(dib, 40);
    PutU32(dib, static_cast<uint32_t>(s.Width));
    PutU32(dib, static_cast<uint32_t>(s.Height));
    PutU16(dib, s.Planes);
    PutU16(dib, s.BitCount);
    PutU32(dib, s.Compression);
    PutU32(dib, static_cast<uint32_t>(s.Bits.size()));
    PutU32(dib, 2835);
    PutU32(dib, 2835);
    PutU32(dib, static_cast<uint32_t>(s.Palette.size()));
    PutU32(dib, 0);
    for (uint32_t m : s.Masks) PutU32(dib, m);
    for (uint32_t c : s.Palette) PutU32(dib, c & 0xFFFFFF);
    const size_t bitsOffset = dib.size();
    dib.insert(dib.end(), s.Bits.begin(), s.Bits.end());
    if (!s.FileHeader) return dib;
    std::vector<uint8_t> file = {'B', 'M'};
    PutU32(file, static_cast<uint32_t>(14 + dib.size()));
    PutU32(file, 0);
    PutU32(file, static_cast<uint32_t>(14 + bitsOffset));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

// A temporary folder removed with the object.
class TTempDir {
public:
    TTempDir() {
        static std::atomic<int> count{0};
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        for (int attempt = 0; attempt < 100 && FPath.empty(); ++attempt) {
            const std::filesystem::path path =
                base / ("velmora-pictures-" + std::to_string(ProcessId()) + "-" + std::to_string(count++));
            std::error_code error;
            if (std::filesystem::create_directory(path, error)) FPath = path.string();
        }
    }
    ~TTempDir() {
        std::error_code ignored;
        if (!FPath.empty()) std::filesystem::remove_all(FPath, ignored);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string path = (std::filesystem::path(FPath) / name).string();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    const std::string& Path() const { return FPath; }

private:
    static long ProcessId() {
#if defined(_WIN32)
        return static_cast<long>(_getpid());
#else
        return static_cast<long>(getpid());
#endif
    }
    std::string FPath;
};

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The build machine's own tools (ImageMagick, netpbm, Python with Pillow) serve as independent
// decoders natively; the Windows test program has none of them.
inline bool HostTool(const std::string& path) {
#if defined(_WIN32)
    (void)path;
    return false;
#else
    return access(path.c_str(), X_OK) == 0;
#endif
}

// Runs a command of the build machine; non-zero when it fails or there is no such machine.
inline int RunHostCommand(const std::string& command) {
#if defined(_WIN32)
    (void)command;
    return -1;
#else
    return std::system(command.c_str());
#endif
}

// Everything a shell command writes to its standard output; empty when it fails.
inline std::vector<uint8_t> CommandOutput(const std::string& command) {
    std::vector<uint8_t> bytes;
#if !defined(_WIN32)
    if (FILE* pipe = popen(command.c_str(), "r")) {
        uint8_t buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
        if (pclose(pipe) != 0) bytes.clear();
    }
#else
    (void)command;
#endif
    return bytes;
}

// The folder of sample pictures: VELMORA_CORPUS from the environment, else the one the build was
// configured with (../shared/corpus beside the clone).
inline std::string CorpusRoot() {
    const char* overridden = std::getenv("VELMORA_CORPUS");
    return overridden != nullptr && *overridden != 0 ? overridden : VELMORA_CORPUS;
}

inline bool CorpusAvailable() { return std::ifstream(CorpusRoot() + "/index.tsv").good(); }

inline std::string CorpusPath(const std::string& relative) { return CorpusRoot() + "/" + relative; }

}  // namespace picture_test

// Skips the test where the sample pictures are missing (a clone without ../shared).
#define VELMORA_NEEDS_CORPUS()                                                                   \
    if (!picture_test::CorpusAvailable())                                                        \
    GTEST_SKIP() << "sample pictures not found at " << picture_test::CorpusRoot()
