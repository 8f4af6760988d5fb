#include <cstdint>
#include <new>
#include <stdexcept>
#include <vector>

#include "uBitmapSurface.h"
#include "uSysUtils.h"

namespace {
class TMemorySurface : public TBitmapSurface {
public:
    explicit TMemorySurface(size_t count) : FPixels(count, 0u) {}
    uint32_t* Bits() override { return FPixels.data(); }
    void* Handle() override { return nullptr; }

private:
    std::vector<uint32_t> FPixels;
};
}  // namespace

std::unique_ptr<TBitmapSurface> TBitmapSurface::Create(int32_t width, int32_t height) {
    try {
        const uint64_t count = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
        if (count > SIZE_MAX / sizeof(uint32_t)) throw std::bad_alloc();
        return std::make_unique<TMemorySurface>(static_cast<size_t>(count));
    } catch (const std::bad_alloc&) {
        throw EOutOfResources("Can't allocate the DIB handle");
    } catch (const std::length_error&) {
        throw EOutOfResources("Can't allocate the DIB handle");
    }
}
