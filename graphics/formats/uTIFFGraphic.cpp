#include "uTIFFGraphic.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <tiffio.h>

#include "uByteReader.h"
#include "uSysUtils.h"

namespace {

// The picture's bytes as a read-only libtiff client file.
struct TTiffSource {
    const uint8_t* Data;
    toff_t Size;
    toff_t Position;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
    auto* s = static_cast<TTiffSource*>(handle);
    if (count <= 0 || s->Position >= s->Size) return 0;
    const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), s->Size - s->Position);
    std::memcpy(buffer, s->Data + s->Position, static_cast<size_t>(n));
    s->Position += n;
    return static_cast<tmsize_t>(n);
}
tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }
toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
    auto* s = static_cast<TTiffSource*>(handle);
    int64_t base = 0;
    if (whence == SEEK_CUR) base = static_cast<int64_t>(s->Position);
    else if (whence == SEEK_END) base = static_cast<int64_t>(s->Size);
    const int64_t target = base + static_cast<int64_t>(offset);  // offset may be "negative"
    if (target < 0) return static_cast<toff_t>(-1);
    s->Position = static_cast<toff_t>(target);
    return s->Position;
}
int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<TTiffSource*>(handle)->Size; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

// libtiff's messages are not shown anywhere: failures are reported by the return values.
int SilentHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct TOptionsFree {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// The largest single block libtiff may allocate for one picture's strips or tiles.
constexpr tmsize_t MaxTiffAllocation = tmsize_t{512} << 20;

void SilenceGlobalHandlers() {
    static const bool silenced = [] {
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
        return true;
    }();
    (void)silenced;
}

// Samples libtiff's RGBA reader does not handle (for example 12- or 32-bit grey, or palette
// pictures with alpha), read strip by strip from contiguous unsigned samples. Returns false when
// the picture is not such a case either.
bool ReadPlainSamples(TIFF* tif, uint32_t width, uint32_t height, std::vector<TColor32>& out, const TByteReader& format) {
    uint16_t bits = 1, samples = 1, planar = PLANARCONFIG_CONTIG, sampleFormat = SAMPLEFORMAT_UINT, photometric = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &sampleFormat);
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric)) return false;
    if (TIFFIsTiled(tif) || planar != PLANARCONFIG_CONTIG || sampleFormat != SAMPLEFORMAT_UINT || bits == 0 ||
        bits > 32 || samples == 0)
        return false;
    const bool palette = photometric == PHOTOMETRIC_PALETTE;
    const bool rgb = photometric == PHOTOMETRIC_RGB;
    if (!palette && !rgb && photometric != PHOTOMETRIC_MINISBLACK && photometric != PHOTOMETRIC_MINISWHITE) return false;
    const uint16_t colourSamples = rgb ? 3 : 1;
    if (samples < colourSamples || (palette && bits > 16)) return false;
    uint16_t extraCount = 0;
    uint16_t* extraTypes = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
    const bool hasAlpha = samples > colourSamples && extraCount > 0 && extraTypes != nullptr &&
                          (extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || extraTypes[0] == EXTRASAMPLE_UNASSALPHA);
    const bool associated = hasAlpha && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA;
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    bool wideMap = false;
    if (palette) {
        if (!TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue)) format.FailFormat();
        for (uint32_t i = 0; i < (1u << bits); ++i) wideMap = wideMap || red[i] > 255 || green[i] > 255 || blue[i] > 255;
    }
    const tmsize_t lineSize = TIFFScanlineSize(tif);
    const uint64_t bitsPerLine = static_cast<uint64_t>(width) * samples * bits;
    if (lineSize <= 0 || static_cast<uint64_t>(lineSize) * 8 < bitsPerLine) format.FailFormat();
    std::vector<uint8_t> line(static_cast<size_t>(lineSize));
    const uint64_t max = bits == 32 ? 0xFFFFFFFFull : ((uint64_t{1} << bits) - 1);
    auto sample = [&](uint64_t index) -> uint32_t {
        if (bits == 8) return line[index];
        if (bits == 16) return reinterpret_cast<const uint16_t*>(line.data())[index];
        if (bits == 32) return reinterpret_cast<const uint32_t*>(line.data())[index];
        uint64_t bit = index * bits;
        uint32_t v = 0;
        for (int i = 0; i < bits; ++i, ++bit) v = (v << 1) | ((line[bit >> 3] >> (7 - (bit & 7))) & 1u);
        return v;
    };
    auto scale = [&](uint32_t v) { return static_cast<int32_t>((static_cast<uint64_t>(v) * 255 + max / 2) / max); };
    for (uint32_t y = 0; y < height; ++y) {
        if (TIFFReadScanline(tif, line.data(), y, 0) < 0) format.FailFormat();
        TColor32* row = out.data() + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            const uint64_t first = static_cast<uint64_t>(x) * samples;
            int32_t r, g, b;
            if (palette) {
                const uint32_t i = sample(first);
                r = wideMap ? red[i] >> 8 : red[i];
                g = wideMap ? green[i] >> 8 : green[i];
                b = wideMap ? blue[i] >> 8 : blue[i];
            } else if (rgb) {
                r = scale(sample(first));
                g = scale(sample(first + 1));
                b = scale(sample(first + 2));
            } else {
                r = g = b = photometric == PHOTOMETRIC_MINISWHITE ? 255 - scale(sample(first)) : scale(sample(first));
            }
            const int32_t a = hasAlpha ? scale(sample(first + colourSamples)) : 255;
            if (associated && a != 0 && a != 255 && !palette) {
                r = std::min(255, (r * 255 + a / 2) / a);
                g = std::min(255, (g * 255 + a / 2) / a);
                b = std::min(255, (b * 255 + a / 2) / a);
            }
            row[x] = Color32(r, g, b, a);
        }
    }
    return true;
}

}  // namespace

namespace {

// Opens the picture's bytes as a libtiff client file with its messages silenced; null when
// libtiff does not take it. source must outlive the handle.
std::unique_ptr<TIFF, TTiffCloser> OpenTiff(TTiffSource& source) {
    SilenceGlobalHandlers();
    std::unique_ptr<TIFFOpenOptions, TOptionsFree> options(TIFFOpenOptionsAlloc());
    if (!options) throw EOutOfResources("Out of memory");
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), SilentHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), SilentHandler, nullptr);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), MaxTiffAllocation);
    // "m": no memory mapping.
    return std::unique_ptr<TIFF, TTiffCloser>(TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc,
                                                                SeekProc, CloseProc, SizeProc, MapProc, UnmapProc,
                                                                options.get()));
}

// Raises the read error unless the file can hold the strips or tiles the first page declares:
// uncompressed ones whole, compressed ones at least one byte each. Checked before the picture is
// allocated, so that a short header cannot make us reserve memory for data that is not there.
void RequireStoredData(TIFF* tif, uint16_t compression, size_t fileSize, const TByteReader& format) {
    const bool tiled = TIFFIsTiled(tif) != 0;
    const uint32_t count = tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
    if (count == 0) format.FailRead();
    uint32_t height = 0, rowsPerStrip = 0;
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    if (rowsPerStrip == 0 || rowsPerStrip > height) rowsPerStrip = height;
    const uint64_t stripsPerPlane = (uint64_t{height} + rowsPerStrip - 1) / std::max<uint32_t>(rowsPerStrip, 1);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t needed = 1;
        if (compression == COMPRESSION_NONE && tiled) {
            needed = static_cast<uint64_t>(TIFFTileSize64(tif));
        } else if (compression == COMPRESSION_NONE) {
            // The last strip of each plane may hold fewer rows.
            const uint64_t first = (i % std::max<uint64_t>(stripsPerPlane, 1)) * rowsPerStrip;
            const uint64_t rows = first >= height ? 0 : std::min<uint64_t>(rowsPerStrip, height - first);
            needed = static_cast<uint64_t>(TIFFVStripSize64(tif, static_cast<uint32_t>(rows)));
        }
        const uint64_t offset = TIFFGetStrileOffset(tif, i);
        if (offset > fileSize || needed > fileSize - offset) format.FailRead();
    }
}

}  // namespace

bool TTIFFGraphic::PictureSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
    TTiffSource source{data, static_cast<toff_t>(size), 0};
    const std::unique_ptr<TIFF, TTiffCloser> tif = OpenTiff(source);
    width = height = 0;
    return tif && TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) &&
           TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
}

void TTIFFGraphic::DecodeBytes(const uint8_t* data, size_t size) {
    TByteReader format(data, size, ShortName);
    TTiffSource source{data, static_cast<toff_t>(size), 0};
    const std::unique_ptr<TIFF, TTiffCloser> tif = OpenTiff(source);
    if (!tif) format.FailFormat();

    uint32_t width = 0, height = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        format.FailFormat();
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        static_cast<uint64_t>(width) * height > static_cast<uint64_t>(MaxPicturePixels))
        format.FailFormat();

    uint16_t compression = COMPRESSION_NONE;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_COMPRESSION, &compression);
    if (!TIFFIsCODECConfigured(compression)) {
        const TIFFCodec* codec = TIFFFindCODEC(compression);
        format.FailUnsupported(codec != nullptr ? std::string(codec->name) + " compression"
                                                : Format("Compression scheme %u", compression));
    }
    RequireStoredData(tif.get(), compression, size, format);
    std::vector<TColor32> pixels(static_cast<size_t>(width) * height);
    char reason[1024] = {0};
    if (TIFFRGBAImageOK(tif.get(), reason)) {
        static_assert(sizeof(TColor32) == sizeof(uint32_t), "raster words");
        if (!TIFFReadRGBAImageOriented(tif.get(), width, height, pixels.data(), ORIENTATION_TOPLEFT, 1))
            format.FailFormat();
        // libtiff delivers A, B, G, R from the high byte down. Colour pictures come premultiplied;
        // grey ones keep their samples, which are premultiplied only with associated alpha.
        uint16_t photometric = PHOTOMETRIC_RGB, extraCount = 0;
        uint16_t* extraTypes = nullptr;
        TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
        const bool grey = photometric == PHOTOMETRIC_MINISBLACK || photometric == PHOTOMETRIC_MINISWHITE;
        const bool premultiplied =
            !grey || (extraCount > 0 && extraTypes != nullptr && extraTypes[0] == EXTRASAMPLE_ASSOCALPHA);
        for (TColor32& pixel : pixels) {
            if (!premultiplied) {
                pixel = (pixel & 0xFF00FF00u) | ((pixel & 0xFFu) << 16) | ((pixel >> 16) & 0xFFu);
                continue;
            }
            const uint32_t v = pixel;
            uint32_t r = TIFFGetR(v), g = TIFFGetG(v), b = TIFFGetB(v);
            const uint32_t a = TIFFGetA(v);
            if (a != 0 && a != 255) {
                r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
                g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
                b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
            }
            pixel = (a << 24) | (r << 16) | (g << 8) | b;
        }
    } else if (!ReadPlainSamples(tif.get(), width, height, pixels, format)) {
        uint16_t bits = 0, photometric = 0;
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
        TIFFGetField(tif.get(), TIFFTAG_PHOTOMETRIC, &photometric);
        format.FailUnsupported(Format("Photometric interpretation %u with %u bits per sample", photometric, bits));
    }
    SetPictureSize(static_cast<int32_t>(width), static_cast<int32_t>(height), ShortName);
    FPixels.swap(pixels);
}
