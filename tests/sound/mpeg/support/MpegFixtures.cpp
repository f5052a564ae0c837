#include "MpegFixtures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/DecompressMpeg.h"
#include "sound/MpegFile.h"
#include "sound/Reader.h"

namespace mpegtest
{
bool RunShell(const std::string& command)
{
    int status = std::system(("(" + command + ") >/dev/null 2>&1 </dev/null").c_str());
    return status == 0;
}

std::vector<float> Mpg123Decode(const std::string& path)
{
    std::string raw = path + ".ref.f32";
    if (!RunShell("mpg123 -q --no-gapless -e f32 -s '" + path + "' > '" + raw + "'"))
        return {};
    std::vector<uint8_t> bytes = ReadFileBytes(raw);
    std::vector<float> samples(bytes.size() / sizeof(float));
    for (size_t i = 0; i < samples.size(); ++i)
        std::memcpy(&samples[i], bytes.data() + i * sizeof(float), sizeof(float));
    return samples;
}

Difference Compare(const std::vector<int16_t>& ours, const std::vector<float>& reference)
{
    Difference result;
    size_t n = ours.size() < reference.size() ? ours.size() : reference.size();
    double errorPower = 0, signalPower = 0;
    for (size_t i = 0; i < n; ++i)
    {
        double scaled = reference[i] * 32768.0;
        double clamped = scaled >= 32767.0 ? 32767.0 : (scaled <= -32768.0 ? -32768.0 : std::trunc(scaled));
        double d = ours[i] - clamped;
        errorPower += d * d;
        signalPower += scaled * scaled;
        int magnitude = static_cast<int>(std::fabs(d));
        if (magnitude > result.maxLsb)
            result.maxLsb = magnitude;
    }
    result.compared = n;
    result.rmsLsb = n ? std::sqrt(errorPower / n) : 0;
    result.snrDb = errorPower > 0 ? 10 * std::log10(signalPower / errorPower) : 200;
    return result;
}

std::vector<size_t> FrameOffsets(const std::vector<uint8_t>& s)
{
    static const int kRates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    static const int kL3v1[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kL2v1[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
    static const int kL1v1[16] = {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0};
    static const int kL1v2[16] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0};
    static const int kL23v2[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    std::vector<size_t> offsets;
    size_t pos = 0;
    if (s.size() > 10 && s[0] == 'I' && s[1] == 'D' && s[2] == '3')
        pos = 10 + ((s[6] & 127) << 21 | (s[7] & 127) << 14 | (s[8] & 127) << 7 | (s[9] & 127));
    while (pos + 4 <= s.size() && s[pos] == 0xFF && (s[pos + 1] & 0xE0) == 0xE0)
    {
        int versionBits = (s[pos + 1] >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG 2.5
        int version = versionBits == 3 ? 1 : (versionBits == 2 ? 2 : 3);
        int layer = 4 - ((s[pos + 1] >> 1) & 3);
        int bi = s[pos + 2] >> 4, ri = (s[pos + 2] >> 2) & 3, pad = (s[pos + 2] >> 1) & 1;
        if (layer == 4 || bi == 0 || bi == 15 || ri == 3)
            break;
        int rate = kRates[version - 1][ri];
        int kbps = version == 1 ? (layer == 1   ? kL1v1
                                   : layer == 2 ? kL2v1
                                                : kL3v1)[bi]
                                : (layer == 1 ? kL1v2 : kL23v2)[bi];
        size_t size = layer == 1 ? (12 * kbps * 1000 / rate + pad) * 4
                                 : (layer == 3 && version != 1 ? 72 : 144) * kbps * 1000 / rate + pad;
        if (pos + size > s.size())
            break;
        offsets.push_back(pos);
        pos += size;
    }
    return offsets;
}

std::unique_ptr<OpenedStream> OpenStream(const std::vector<uint8_t>& bytes)
{
    auto stream = std::make_unique<OpenedStream>();
    bool readerOk = false;
    stream->reader = std::make_unique<CReader>(static_cast<uint32_t>(bytes.size()), bytes.data(), readerOk);
    if (!readerOk)
        return stream;
    stream->container = std::make_unique<CMpegFile>(stream->reader.get());
    WaveFormat format;
    bool ok = false;
    stream->decoder = std::make_unique<CDecompressMpeg>(stream->container.get(), format, ok);
    stream->ok = ok;
    stream->channels = format.channels;
    stream->rate = format.samplesPerSec;
    return stream;
}

std::vector<int16_t> DecodeAll(OpenedStream& stream, uint32_t chunk)
{
    std::vector<int16_t> out;
    if (!stream.ok)
        return out;
    const uint32_t length = stream.decoder->GetLength();
    const uint32_t channels = stream.channels;
    out.resize(static_cast<size_t>(length) * channels);
    for (uint32_t first = 0; first < length; first += chunk)
    {
        uint32_t n = length - first < chunk ? length - first : chunk;
        int16_t* at = out.data() + static_cast<size_t>(first) * channels;
        uint32_t written = channels == 2 ? stream.decoder->DecodeStereo(at, first, n, false)
                                         : stream.decoder->DecodeMono(at, first, n, false);
        if (written != n * channels * 2)
        {
            out.resize(static_cast<size_t>(first) * channels);
            break;
        }
    }
    return out;
}

std::vector<int16_t> DecodeAllScalar(OpenedStream& stream)
{
    if (!stream.ok)
        return {};
    stream.decoder->UseVectorCode(false);
    std::vector<int16_t> out = DecodeAll(stream);
    stream.decoder->UseVectorCode(true);
    return out;
}
} // namespace mpegtest
