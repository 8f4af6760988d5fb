// Metafiles played by GDI: enhanced metafiles as they are, Windows metafiles (with or without
// the placeable header) converted to enhanced ones.
#include <windows.h>

#include <cstring>
#include <vector>

#include "uByteReader.h"
#include "uMetafile.h"
#include "uSysUtils.h"

namespace {

[[noreturn]] void FailMetafile() { throw EInvalidGraphic("Metafile is not valid"); }

constexpr uint32_t PlaceableKey = 0x9AC6CDD7u;
constexpr int ScreenDpi = 96;

struct TEnhMetafile {
    HENHMETAFILE Handle = nullptr;
    ~TEnhMetafile() {
        if (Handle != nullptr) DeleteEnhMetaFile(Handle);
    }
};

// The picture's size in pixels from its frame (0.01 mm) and its reference device.
bool FrameSize(HENHMETAFILE handle, int32_t& width, int32_t& height) {
    ENHMETAHEADER header;
    std::memset(&header, 0, sizeof header);
    if (GetEnhMetaFileHeader(handle, sizeof header, &header) == 0) return false;
    const int64_t mmX = header.szlMillimeters.cx, mmY = header.szlMillimeters.cy;
    if (mmX <= 0 || mmY <= 0) return false;
    width = static_cast<int32_t>((static_cast<int64_t>(header.rclFrame.right) - header.rclFrame.left) *
                                 header.szlDevice.cx / (mmX * 100));
    height = static_cast<int32_t>((static_cast<int64_t>(header.rclFrame.bottom) - header.rclFrame.top) *
                                  header.szlDevice.cy / (mmY * 100));
    return true;
}

}  // namespace

struct TMetafile::Impl {
    TEnhMetafile Metafile;
    int32_t Width = 0;
    int32_t Height = 0;
};

TMetafile::TMetafile() : FImpl(std::make_unique<Impl>()) {}
TMetafile::~TMetafile() = default;
int32_t TMetafile::Width() const { return FImpl->Width; }
int32_t TMetafile::Height() const { return FImpl->Height; }

void TMetafile::ReadStream(TStream& stream) {
    FImpl = std::make_unique<Impl>();
    const std::vector<uint8_t> bytes = stream.ReadRest();
    auto loaded = std::make_unique<Impl>();
    try {
        TByteReader r(bytes, "Metafile");
        const uint32_t first = r.U32LE();
        if (first == EMR_HEADER) {
            r.Seek(40);
            if (r.U32LE() != ENHMETA_SIGNATURE) FailMetafile();
            loaded->Metafile.Handle = SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data());
            if (loaded->Metafile.Handle == nullptr || !FrameSize(loaded->Metafile.Handle, loaded->Width, loaded->Height))
                FailMetafile();
        } else if (first == PlaceableKey) {
            r.Seek(6);
            const int32_t left = r.S16LE(), top = r.S16LE(), right = r.S16LE(), bottom = r.S16LE();
            const uint16_t inch = r.U16LE();
            if (inch == 0 || right <= left || bottom <= top || bytes.size() <= 22) FailMetafile();
            METAFILEPICT picture;
            picture.mm = MM_ANISOTROPIC;
            picture.xExt = MulDiv(right - left, 2540, inch);  // 0.01 mm
            picture.yExt = MulDiv(bottom - top, 2540, inch);
            picture.hMF = nullptr;
            loaded->Metafile.Handle =
                SetWinMetaFileBits(static_cast<UINT>(bytes.size() - 22), bytes.data() + 22, nullptr, &picture);
            if (loaded->Metafile.Handle == nullptr) FailMetafile();
            loaded->Width = MulDiv(right - left, ScreenDpi, inch);
            loaded->Height = MulDiv(bottom - top, ScreenDpi, inch);
        } else {
            // A Windows metafile without the placeable header: memory (1) or disk (2) type, 9 words.
            r.Seek(0);
            const uint16_t type = r.U16LE(), headerWords = r.U16LE();
            if ((type != 1 && type != 2) || headerWords != 9) FailMetafile();
            loaded->Metafile.Handle = SetWinMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data(), nullptr, nullptr);
            if (loaded->Metafile.Handle == nullptr || !FrameSize(loaded->Metafile.Handle, loaded->Width, loaded->Height))
                FailMetafile();
        }
    } catch (const EInvalidGraphic&) {
        FailMetafile();
    }
    if (loaded->Width <= 0 || loaded->Height <= 0 ||
        static_cast<int64_t>(loaded->Width) * loaded->Height > MaxPicturePixels)
        FailMetafile();
    FImpl = std::move(loaded);
}

void TMetafile::Draw(TCanvas& canvas, const TRect& rect) const {
    HDC dc = static_cast<HDC>(canvas.Handle());
    if (dc == nullptr || FImpl->Metafile.Handle == nullptr || rect.IsEmpty()) return;
    const RECT bounds{rect.Left, rect.Top, rect.Right, rect.Bottom};
    PlayEnhMetaFile(dc, FImpl->Metafile.Handle, &bounds);
    GdiFlush();
}
