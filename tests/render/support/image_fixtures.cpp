#include "image_fixtures.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "common/InStream.h"
#include "text_fixtures.h"

std::vector<uint8_t> MakePicture(const std::string& folder, const std::string& name)
{
    static const std::map<std::string, std::string> recipes = {
        {"alpha.png", "-size 4x2 xc:none -fill 'rgba(255,0,0,1)' -draw 'rectangle 0,0 1,1' "
                      "-fill 'rgba(0,0,255,0.5)' -draw 'rectangle 2,0 3,1' PNG32:"},
        {"palette.png", "-size 4x2 xc:red -fill lime -draw 'rectangle 2,0 3,1' PNG8:"},
        {"photo.jpg", "-size 16x16 xc:'rgb(200,40,40)' -quality 95 JPEG:"},
        {"clear.gif",
         "-size 4x2 xc:white -fill 'rgb(0,128,0)' -draw 'rectangle 0,0 1,1' -transparent white GIF:"},
        {"rgb.bmp", "-size 3x2 xc:blue -fill yellow -draw 'point 0,0' -type TrueColor BMP3:"},
        {"indexed.bmp",
         "-size 3x2 xc:blue -fill yellow -draw 'point 0,0' -type Palette -compress None BMP3:"},
        {"wide.png", "-size 9000x2 xc:red PNG24:"},
        // Formats whose pixel size is not read before decoding, each a small sound picture.
        {"small.sgi", "-size 4x2 xc:red SGI:"},
        {"small.tga", "-size 4x2 xc:red TGA:"},
        {"small.ico", "-size 4x2 xc:red ICO:"},
        {"small.tif", "-size 4x2 xc:red TIFF:"},
        {"small.pcx", "-size 4x2 xc:red PCX:"},
        {"small.dds", "-size 4x4 xc:red -define dds:compression=none DDS:"},
    };
    const auto recipe = recipes.find(name);
    if (recipe == recipes.end())
        return {};
    const std::string path = folder + "/" + name;
    const std::string command = "/usr/bin/convert " + recipe->second + "'" + path + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return ReadFileBytes(path);
}

std::vector<uint8_t> StaticImageRecord(uint16_t width, uint16_t height, const std::vector<uint8_t>& bytes)
{
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    std::vector<uint8_t> record = {static_cast<uint8_t>(width),      static_cast<uint8_t>(width >> 8),
                                   static_cast<uint8_t>(height),     static_cast<uint8_t>(height >> 8),
                                   static_cast<uint8_t>(size),       static_cast<uint8_t>(size >> 8),
                                   static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24)};
    record.resize(8 + bytes.size());
    std::copy(bytes.begin(), bytes.end(), record.begin() + 8);
    return record;
}

CInStream* StreamOver(const std::vector<uint8_t>& bytes)
{
    CInStream* stream = new CInStream(CInStream::Grow, static_cast<int32_t>(bytes.size()) + 16);
    stream->Append(bytes.data(), static_cast<int32_t>(bytes.size()));
    return stream;
}

std::vector<uint8_t> BmpHeaderOnly(int32_t width, int32_t height)
{
    std::vector<uint8_t> header(54, 0);
    auto put32 = [&](size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    header[0] = 'B';
    header[1] = 'M';
    put32(2, 54);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    header[26] = 1;
    header[28] = 24;
    return header;
}
