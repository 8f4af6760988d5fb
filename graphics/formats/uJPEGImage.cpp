#include "uJPEGImage.h"

#include <csetjmp>
#include <cstdio>
#include <limits>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "uSysUtils.h"

namespace {

// libjpeg reports a fatal error through error_exit, which must not return: it jumps back to the
// decoding step that started the call, which then reports the message number.
struct TJpegErrorManager {
    jpeg_error_mgr Base;
    std::jmp_buf Jump;
    int Code;
};

void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TJpegErrorManager*>(cinfo->err);
    err->Code = err->Base.msg_code;
    std::longjmp(err->Jump, 1);
}

void EmitMessage(j_common_ptr, int) {}  // warnings (recoverable corrupt data) stay silent
void OutputMessage(j_common_ptr) {}

// Owns the decompressor; destroyed on every path.
struct TJpegDecoder {
    jpeg_decompress_struct Info;
    TJpegErrorManager Error;
    bool Created = false;

    TJpegDecoder() {
        Info.err = jpeg_std_error(&Error.Base);
        Error.Base.error_exit = ErrorExit;
        Error.Base.emit_message = EmitMessage;
        Error.Base.output_message = OutputMessage;
        Error.Code = 0;
    }
    ~TJpegDecoder() {
        if (Created) jpeg_destroy_decompress(&Info);
    }
    TJpegDecoder(const TJpegDecoder&) = delete;
    TJpegDecoder& operator=(const TJpegDecoder&) = delete;
};

// The steps that call into libjpeg hold no object with a destructor, so that a jump out of
// libjpeg skips nothing. Each returns 0 or libjpeg's message number.
int StartDecoding(TJpegDecoder& d, const uint8_t* data, unsigned long size) {
    if (setjmp(d.Error.Jump)) return d.Error.Code;
    jpeg_create_decompress(&d.Info);
    d.Created = true;
    jpeg_mem_src(&d.Info, data, size);
    jpeg_read_header(&d.Info, TRUE);
    d.Info.scale_num = 1;
    d.Info.scale_denom = 1;
    d.Info.dct_method = JDCT_ISLOW;
    d.Info.do_fancy_upsampling = TRUE;
    d.Info.quantize_colors = FALSE;
    switch (d.Info.jpeg_color_space) {
        case JCS_GRAYSCALE: d.Info.out_color_space = JCS_GRAYSCALE; break;
        case JCS_CMYK:
        case JCS_YCCK: d.Info.out_color_space = JCS_CMYK; break;
        default: d.Info.out_color_space = JCS_RGB; break;
    }
    if (static_cast<int64_t>(d.Info.image_width) * d.Info.image_height > MaxPicturePixels)
        return JERR_IMAGE_TOO_BIG;
    jpeg_calc_output_dimensions(&d.Info);
    return 0;
}

int ReadPixels(TJpegDecoder& d, uint8_t* row, TColor32* pixels) {
    if (setjmp(d.Error.Jump)) return d.Error.Code;
    jpeg_start_decompress(&d.Info);
    const JDIMENSION width = d.Info.output_width;
    const int components = d.Info.output_components;
    while (d.Info.output_scanline < d.Info.output_height) {
        TColor32* out = pixels + static_cast<size_t>(d.Info.output_scanline) * width;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(&d.Info, rows, 1) != 1) break;
        for (JDIMENSION x = 0; x < width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * components;
            if (components == 1) {
                out[x] = Color32(p[0], p[0], p[0], 255);
            } else if (components == 4) {
                // CMYK as practically every writer stores it, with or without an Adobe marker:
                // inverted, 255 = no ink, so each colour is its inverted ink times the inverted black.
                const uint32_t c = p[0], m = p[1], y = p[2], k = p[3];
                out[x] = Color32((c * k + 127) / 255, (m * k + 127) / 255, (y * k + 127) / 255, 255);
            } else {
                out[x] = Color32(p[0], p[1], p[2], 255);
            }
        }
    }
    jpeg_finish_decompress(&d.Info);
    return 0;
}

[[noreturn]] void FailJpeg(int code) { throw EJPEG(Format("JPEG error #%d", code)); }

}  // namespace

void TJPEGImage::DecodeBytes(const uint8_t* data, size_t size) {
    if (size > std::numeric_limits<unsigned long>::max()) FailJpeg(JERR_INPUT_EMPTY);
    TJpegDecoder decoder;
    static const uint8_t none[1] = {0};
    if (const int code = StartDecoding(decoder, size == 0 ? none : data, static_cast<unsigned long>(size))) FailJpeg(code);
    const int32_t width = static_cast<int32_t>(decoder.Info.output_width);
    const int32_t height = static_cast<int32_t>(decoder.Info.output_height);
    if (width <= 0 || height <= 0) FailJpeg(JERR_IMAGE_TOO_BIG);
    SetPictureSize(width, height, "JPEG");
    std::vector<uint8_t> row(static_cast<size_t>(width) * static_cast<size_t>(decoder.Info.out_color_components));
    if (const int code = ReadPixels(decoder, row.data(), FPixels.data())) FailJpeg(code);
}
