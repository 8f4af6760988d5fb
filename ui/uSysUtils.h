// Exceptions, text conversion and formatting shared by every layer. Portable: no Windows header.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

// Base of every failure the program raises. The message is UTF-8; the Windows side converts it to
// UTF-16 when it shows it.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : FMessage(std::move(message)) {}
    const char* what() const noexcept override { return FMessage.c_str(); }
    const std::string& Message() const { return FMessage; }

private:
    std::string FMessage;
};

#define VELMORA_EXCEPTION(Name, Base)        \
    class Name : public Base {               \
    public:                                  \
        using Base::Base;                    \
    }

VELMORA_EXCEPTION(EStreamError, Exception);
VELMORA_EXCEPTION(EReadError, EStreamError);      // "Stream read error"
VELMORA_EXCEPTION(EFOpenError, EStreamError);     // a file that cannot be opened
VELMORA_EXCEPTION(EResNotFound, Exception);       // "Resource %s not found"
VELMORA_EXCEPTION(EInvalidGraphic, Exception);    // undecodable picture data, unknown extension
VELMORA_EXCEPTION(EInvalidGraphicOperation, Exception);
VELMORA_EXCEPTION(EBitmapException, Exception);   // missing bitmap in DrawTo
VELMORA_EXCEPTION(EOutOfResources, Exception);    // drawing surface cannot be made
VELMORA_EXCEPTION(EJPEG, EInvalidGraphic);        // "JPEG error #%d"
VELMORA_EXCEPTION(EGIFError, EInvalidGraphic);    // GIF decoder messages
VELMORA_EXCEPTION(EPNGError, EInvalidGraphic);    // PNG decoder messages
VELMORA_EXCEPTION(EConvertError, Exception);      // "Cannot assign a %s to a %s"
VELMORA_EXCEPTION(EInvalidOp, Exception);         // "Invalid floating point operation"
VELMORA_EXCEPTION(EThread, Exception);            // thread creation and hand-off failures
VELMORA_EXCEPTION(ENotSupported, Exception);
VELMORA_EXCEPTION(ERegistryException, Exception);
VELMORA_EXCEPTION(EOSError, Exception);
VELMORA_EXCEPTION(ESkinError, Exception);         // a stored skin that cannot be read

// printf-style formatting into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// UTF-8 <-> UTF-16 without any platform call; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const std::string& text);
std::string Utf16ToUtf8(const std::u16string& text);

// ASCII lower-casing (file extensions, class names).
std::string LowerCase(std::string text);
