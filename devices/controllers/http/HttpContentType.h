#pragma once
#include <cstdint>

// The content type of an HTTP response as one code: the high byte names the type, the low byte
// says whether it is text (1) or a picture (2).
enum HttpContentType : uint16_t
{
    HttpContentNone = 0x0000, // no type, or a type of a multipart part that is read and skipped
    HttpContentHtml = 0x0101,
    HttpContentPlain = 0x0201,
    HttpContentJpeg = 0x0302, // image/jpeg and image/j2c
    HttpContentPng = 0x0402,
    HttpContentGif = 0x0502,
};

inline bool IsHttpImage(uint16_t contentType)
{
    return (contentType & 0xFF) == 2;
}
