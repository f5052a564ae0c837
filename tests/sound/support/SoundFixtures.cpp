#include "SoundFixtures.h"

#include <cstdio>
#include <cstdlib>

namespace soundtest
{
bool RunCommand(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<int16_t> ReadRawS16(const std::string& path)
{
    Bytes bytes = ReadFileBytes(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

void PutU16(Bytes& out, uint32_t value)
{
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutU32(Bytes& out, uint32_t value)
{
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

void Append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

Bytes Chunk(const char* id, const Bytes& body, bool pad)
{
    Bytes out(id, id + 4);
    PutU32(out, static_cast<uint32_t>(body.size()));
    Append(out, body);
    if (pad && (body.size() & 1))
        out.push_back(0);
    return out;
}

Bytes FormatBody(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits,
                 const Bytes& extra)
{
    Bytes out;
    PutU16(out, tag);
    PutU16(out, channels);
    PutU32(out, rate);
    PutU32(out, rate * blockAlign);
    PutU16(out, blockAlign);
    PutU16(out, bits);
    PutU16(out, static_cast<uint32_t>(extra.size()));
    Append(out, extra);
    return out;
}

Bytes Riff(const std::vector<Bytes>& chunks)
{
    Bytes body{'W', 'A', 'V', 'E'};
    for (const Bytes& chunk : chunks)
        Append(body, chunk);
    Bytes out{'R', 'I', 'F', 'F'};
    PutU32(out, static_cast<uint32_t>(body.size()));
    Append(out, body);
    return out;
}

Bytes PcmWave(uint16_t channels, uint32_t rate, uint16_t bits, const Bytes& samples)
{
    const uint16_t blockAlign = static_cast<uint16_t>(channels * ((bits + 7) / 8));
    return Riff({Chunk("fmt ", FormatBody(1, channels, rate, blockAlign, bits)), Chunk("data", samples)});
}

Bytes S16Bytes(const std::vector<int16_t>& samples)
{
    Bytes out;
    for (int16_t s : samples)
        PutU16(out, static_cast<uint16_t>(s));
    return out;
}

std::vector<int16_t> DecodeS16(CSoundFile& sound, uint32_t first, uint32_t count, bool stereo)
{
    std::vector<int16_t> out(size_t{count} * (stereo ? 2 : 1));
    CAbstractDecompressor* decoder = sound.GetDecoder();
    if (!decoder)
        return {};
    if (stereo)
        decoder->DecodeStereo(out.data(), first, count, false);
    else
        decoder->DecodeMono(out.data(), first, count, false);
    return out;
}

double ZeroCrossingFrequency(const std::vector<int16_t>& samples, uint32_t rate)
{
    size_t crossings = 0;
    size_t firstCrossing = 0;
    size_t lastCrossing = 0;
    for (size_t i = 1; i < samples.size(); ++i)
    {
        if (samples[i - 1] < 0 && samples[i] >= 0)
        {
            if (crossings == 0)
                firstCrossing = i;
            lastCrossing = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return static_cast<double>(crossings - 1) * rate / static_cast<double>(lastCrossing - firstCrossing);
}
} // namespace soundtest
