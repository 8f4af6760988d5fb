// A bounds-checked reader over a picture file's bytes, shared by the hand-written decoders.
// Every read past the end raises EInvalidGraphic "Stream read error in %s file." with the
// format's short name, so a decoder never trusts a length, offset or count it has read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "uSysUtils.h"

class TByteReader {
public:
    TByteReader(const uint8_t* data, size_t size, const char* formatName)
        : FData(data), FSize(size), FFormat(formatName) {}
    TByteReader(const std::vector<uint8_t>& bytes, const char* formatName)
        : TByteReader(bytes.data(), bytes.size(), formatName) {}

    size_t Size() const { return FSize; }
    size_t Position() const { return FPosition; }
    size_t Remaining() const { return FSize - FPosition; }
    bool AtEnd() const { return FPosition >= FSize; }
    const char* FormatName() const { return FFormat; }

    void Seek(size_t position) {
        if (position > FSize) FailRead();
        FPosition = position;
    }
    void Skip(size_t count) {
        if (count > Remaining()) FailRead();
        FPosition += count;
    }
    // Raises the read error unless at least count bytes remain: a decoder checks that the file can
    // hold the pixels it announces (at the format's best compression) before sizing the picture.
    void RequireBytes(uint64_t count) const {
        if (count > Remaining()) FailRead();
    }
    // A pointer to the next count bytes, which are then consumed.
    const uint8_t* Bytes(size_t count) {
        if (count > Remaining()) FailRead();
        const uint8_t* p = FData + FPosition;
        FPosition += count;
        return p;
    }
    uint8_t U8() { return *Bytes(1); }
    int8_t S8() { return static_cast<int8_t>(U8()); }
    uint16_t U16LE() {
        const uint8_t* p = Bytes(2);
        return static_cast<uint16_t>(p[0] | (p[1] << 8));
    }
    uint16_t U16BE() {
        const uint8_t* p = Bytes(2);
        return static_cast<uint16_t>((p[0] << 8) | p[1]);
    }
    uint32_t U32LE() {
        const uint8_t* p = Bytes(4);
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
               (static_cast<uint32_t>(p[3]) << 24);
    }
    uint32_t U32BE() {
        const uint8_t* p = Bytes(4);
        return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
               (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
    }
    int16_t S16LE() { return static_cast<int16_t>(U16LE()); }
    int16_t S16BE() { return static_cast<int16_t>(U16BE()); }
    int32_t S32LE() { return static_cast<int32_t>(U32LE()); }
    int32_t S32BE() { return static_cast<int32_t>(U32BE()); }

    // The format's errors, with its short name filled in.
    [[noreturn]] void FailRead() const { throw EInvalidGraphic(Format("Stream read error in %s file.", FFormat)); }
    [[noreturn]] void FailFormat() const {
        throw EInvalidGraphic(Format("Cannot load image. Invalid or unexpected %s image format.", FFormat));
    }
    [[noreturn]] void FailUnsupported(const std::string& what) const {
        throw EInvalidGraphic(Format("Cannot load image. %s not supported for %s files.", what.c_str(), FFormat));
    }
    [[noreturn]] void FailColorFormat() const { throw EInvalidGraphic(Format("Invalid color format in %s file.", FFormat)); }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FPosition = 0;
    const char* FFormat;
};
