#pragma once
#include <cstddef>
#include <cstdint>

struct FIBITMAP;

// The picture of the built-in Loading page: a PNG compiled into the program.
namespace SplashImage
{
const uint8_t* PngBytes();
size_t PngSize();
// The decoded picture (the caller owns it), null when it cannot be decoded.
FIBITMAP* Decode();
} // namespace SplashImage
