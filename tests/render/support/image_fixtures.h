#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CInStream;

// Picture files made with ImageMagick at test time, in a folder of the test's own.
//   alpha.png    4 x 2 PNG32: columns 0-1 opaque red, columns 2-3 blue at alpha 0.5
//   palette.png  4 x 2 PNG8: columns 0-1 red, 2-3 green (0, 255, 0)
//   photo.jpg    16 x 16 JPEG of the colour (200, 40, 40)
//   clear.gif    4 x 2 GIF: columns 0-1 green (0, 128, 0), 2-3 transparent
//   rgb.bmp      3 x 2 BMP3 24-bit: blue with a yellow pixel at (0, 0) (rows need padding)
//   indexed.bmp  3 x 2 BMP3 8-bit palette, uncompressed, the same picture
//   wide.png     9000 x 2 PNG (wider than an image may be)
//   small.sgi, small.tga, small.ico, small.tif, small.pcx, small.dds: red pictures of 4 x 2
//                (4 x 4 for DDS) in formats whose size is not read before decoding
// Empty bytes when ImageMagick failed.
std::vector<uint8_t> MakePicture(const std::string& folder, const std::string& name);

// An image record of the interface file: 16-bit width, 16-bit height, 32-bit size, the bytes.
std::vector<uint8_t> StaticImageRecord(uint16_t width, uint16_t height, const std::vector<uint8_t>& bytes);
// A stream that owns a copy of the bytes, read from the front.
CInStream* StreamOver(const std::vector<uint8_t>& bytes);

// The 54-byte header of a 24-bit BMP that claims the given size and holds no pixels.
std::vector<uint8_t> BmpHeaderOnly(int32_t width, int32_t height);
