#include "tools/writer/ResourceRecordWriter.h"

#include <cmath>
#include <cstdio>

namespace ResourceRecordWriter
{
namespace
{
void AppendU16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendU32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void SetU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; i++)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Appends a solid grey-and-alpha piece (white, opaque) and returns its offset.
uint32_t AppendSolidPiece(std::vector<uint8_t>& bytes, int32_t width, int32_t height)
{
    uint32_t offset = static_cast<uint32_t>(bytes.size());
    bytes.push_back(static_cast<uint8_t>(width));
    bytes.push_back(static_cast<uint8_t>(height));
    for (int32_t i = 0; i < width * height; i++)
    {
        bytes.push_back(255);
        bytes.push_back(255);
    }
    return offset;
}

constexpr uint32_t kNoPiece = 0xFFFFFFFFu;
} // namespace

void PutImage(CInterfaceFileWriter& writer, uint32_t id, const char* name, uint16_t width, uint16_t height,
              const std::vector<uint8_t>& picture, uint8_t kind)
{
    writer.PutU32(id);
    writer.PutU8(kind);
    writer.PutText(name);
    writer.PutU16(width);
    writer.PutU16(height);
    writer.PutU32(static_cast<uint32_t>(picture.size()));
    writer.PutBytes(picture.data(), picture.size());
}

void PutFont(CInterfaceFileWriter& writer, uint32_t id, const char* faceName, uint8_t size,
             const std::vector<uint8_t>& fontFile)
{
    writer.PutU32(id);
    writer.PutText(faceName);
    writer.PutU8(size);
    writer.PutU32(static_cast<uint32_t>(fontFile.size()));
    writer.PutBytes(fontFile.data(), fontFile.size());
}

void PutSound(CInterfaceFileWriter& writer, uint32_t id, const std::vector<uint8_t>& data)
{
    writer.PutU32(id);
    writer.PutText(nullptr);
    writer.PutText(nullptr);
    writer.PutU32(static_cast<uint32_t>(data.size()));
    writer.PutBytes(data.data(), data.size());
}

// ---- Resource pack ------------------------------------------------------------------------------

void CResourcePackWriter::PutU32(uint32_t value)
{
    AppendU32(m_bytes, value);
}

void CResourcePackWriter::PutFont(const char* name, const std::vector<uint8_t>& fontFile)
{
    m_bytes.push_back(1);
    PutU32(static_cast<uint32_t>(fontFile.size()));
    for (const char* p = name; *p; p++)
        m_bytes.push_back(static_cast<uint8_t>(*p));
    m_bytes.push_back(0);
    m_bytes.insert(m_bytes.end(), fontFile.begin(), fontFile.end());
}

void CResourcePackWriter::PutTemplate(uint32_t id, const std::vector<uint8_t>& data)
{
    m_bytes.push_back(2);
    PutU32(static_cast<uint32_t>(data.size()));
    PutU32(id);
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
}

void CResourcePackWriter::PutThumb(uint32_t word, const std::vector<uint8_t>& data)
{
    m_bytes.push_back(5);
    PutU32(static_cast<uint32_t>(data.size()));
    PutU32(word);
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
}

void CResourcePackWriter::PutRaw(uint8_t type, uint32_t length, const std::vector<uint8_t>& payload)
{
    m_bytes.push_back(type);
    PutU32(length);
    m_bytes.insert(m_bytes.end(), payload.begin(), payload.end());
}

bool CResourcePackWriter::Save(const std::string& path) const
{
    return WriteFile(path, m_bytes);
}

// ---- Made in code -------------------------------------------------------------------------------

std::vector<uint8_t> SolidFrameTemplate(int32_t margin)
{
    constexpr int32_t kEntries = 21;
    std::vector<uint8_t> data(kEntries * 4, 0);
    SetU32(data, 0, 0); // tinted variant
    // Margins left, top, right, bottom as 16-bit values in entries 1 and 2.
    for (int i = 0; i < 4; i++)
    {
        data[4 + 2 * i] = static_cast<uint8_t>(margin);
        data[5 + 2 * i] = 0;
    }
    // The nine places: corners margin x margin, edges one pixel long, the centre one pixel.
    const int32_t sizes[9][2] = {{margin, margin}, {1, margin}, {margin, margin},
                                 {margin, 1},      {1, 1},      {margin, 1},
                                 {margin, margin}, {1, margin}, {margin, margin}};
    for (int place = 0; place < 9; place++)
    {
        uint32_t offset = AppendSolidPiece(data, sizes[place][0], sizes[place][1]);
        SetU32(data, static_cast<size_t>(3 + place) * 4, offset);
        SetU32(data, static_cast<size_t>(12 + place) * 4, kNoPiece);
    }
    return data;
}

std::vector<uint8_t> SolidThumb(int32_t size)
{
    constexpr int32_t kEntries = 14;
    std::vector<uint8_t> data(kEntries * 4, 0);
    SetU32(data, 4, static_cast<uint32_t>(size));
    for (int entry = 2; entry <= 4; entry++)
        SetU32(data, static_cast<size_t>(entry) * 4, AppendSolidPiece(data, size, 2));
    for (int entry = 5; entry <= 7; entry++)
        SetU32(data, static_cast<size_t>(entry) * 4, AppendSolidPiece(data, 2, size));
    for (int entry = 8; entry < kEntries; entry++)
        SetU32(data, static_cast<size_t>(entry) * 4, kNoPiece);
    return data;
}

std::vector<uint8_t> ToneWave(uint32_t sampleRate, uint32_t milliseconds, double frequency)
{
    const uint32_t frames = static_cast<uint32_t>(static_cast<uint64_t>(sampleRate) * milliseconds / 1000);
    const uint32_t dataBytes = frames * 2;
    std::vector<uint8_t> wave;
    wave.insert(wave.end(), {'R', 'I', 'F', 'F'});
    AppendU32(wave, 36 + dataBytes);
    wave.insert(wave.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    AppendU32(wave, 16);
    AppendU16(wave, 1); // PCM
    AppendU16(wave, 1); // mono
    AppendU32(wave, sampleRate);
    AppendU32(wave, sampleRate * 2);
    AppendU16(wave, 2);
    AppendU16(wave, 16);
    wave.insert(wave.end(), {'d', 'a', 't', 'a'});
    AppendU32(wave, dataBytes);
    const double pi = 3.14159265358979323846;
    for (uint32_t i = 0; i < frames; i++)
    {
        // A short fade at both ends keeps the click from popping.
        double envelope = std::fmin(1.0, std::fmin(i, frames - i) / (sampleRate * 0.004));
        double sample = std::sin(2.0 * pi * frequency * i / sampleRate) * 0.6 * envelope;
        AppendU16(wave, static_cast<uint16_t>(static_cast<int16_t>(sample * 32767.0)));
    }
    return wave;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
    bool closed = std::fclose(file) == 0;
    return closed && written == bytes.size();
}
} // namespace ResourceRecordWriter
