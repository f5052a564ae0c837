#include "sound/DecompressMpeg.h"

#include <cstring>
#include <new>

#include "sound/AbstractSoundFile.h"
#include "sound/PcmDecoding.h"

CDecompressMpeg::CDecompressMpeg(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok)
    : CAbstractDecompressor(container)
{
    ok = false;
    outputFormat = WaveFormat();
    if (!container)
        return;
    m_decoder = new (std::nothrow) MpegAudioDecoder;
    if (!m_decoder)
        return;
    MpegDecoderInit(*m_decoder);

    uint8_t first[kHeaderPeek];
    container->Seek(0);
    if (container->PeekData(kHeaderPeek, first) < kHeaderPeek)
        return;
    MpegDecodeInfo info;
    if (!MpegGetDecodeInfo(first, kHeaderPeek, info) || !MpegCheckHeader(first, m_first))
        return;
    m_channels = m_first.channels;
    m_sampleRate = m_first.sampleRate;
    m_samplesPerFrame = m_first.samplesPerFrame;

    if (!CountFrames() || m_frameCount == 0)
        return;
    m_length =
        static_cast<uint32_t>(pcm::SaturatedBytes(static_cast<uint64_t>(m_samplesPerFrame) * m_frameCount));

    // Room for the largest frame the stream's version and layer allow at its rate.
    m_frameBufferSize = MpegFrameSizeAt(m_first, 14) + (m_first.layer == 1 ? 4 : 1);
    m_frame = new (std::nothrow) uint8_t[m_frameBufferSize];
    if (!m_frame)
        return;

    // A Layer II bitrate and mode without an allocation table cannot be decoded at all.
    if (!MpegDecodeStart(*m_decoder, m_first) || !ReadAndDecode(0, m_pcm, sizeof(m_pcm)))
    {
        delete[] m_frame;
        m_frame = nullptr;
        return;
    }
    m_current = 0;
    m_haveCurrent = true;
    m_pcmHoldsCurrent = true;
    outputFormat = MakePcm16Format(static_cast<uint16_t>(m_channels), m_sampleRate);
    ok = true;
}

CDecompressMpeg::~CDecompressMpeg()
{
    delete[] m_offsets;
    delete[] m_frame;
    delete m_decoder;
}

bool CDecompressMpeg::FrameAt(uint32_t offset, MpegHeader& header)
{
    const uint32_t size = m_container->GetDataSize();
    if (offset >= size || size - offset < 4)
        return false;
    uint8_t bytes[4];
    m_container->Seek(offset);
    if (m_container->PeekData(4, bytes) < 4 || !MpegCheckHeader(bytes, header))
        return false;
    // A frame cut off by the data end cannot be played whole.
    return header.frameSize <= size - offset;
}

bool CDecompressMpeg::LikeFirst(const MpegHeader& header) const
{
    return header.version == m_first.version && header.layer == m_first.layer &&
           header.sampleRateIndex == m_first.sampleRateIndex && header.channels == m_first.channels;
}

bool CDecompressMpeg::CountFrames()
{
    MpegHeader header;
    uint32_t count = 0;
    for (uint32_t offset = 0; FrameAt(offset, header); offset += header.frameSize)
        ++count;
    m_frameCount = count;
    if (!count)
        return true;
    m_offsets = new (std::nothrow) uint32_t[count];
    if (!m_offsets)
        return false;
    uint32_t offset = 0;
    for (uint32_t i = 0; i < count && FrameAt(offset, header); ++i, offset += header.frameSize)
        m_offsets[i] = offset;
    return true;
}

bool CDecompressMpeg::ReadAndDecode(uint32_t index, int16_t* output, uint32_t outputBytes)
{
    MpegHeader header;
    bool decoded = false;
    const bool found = index < m_frameCount && FrameAt(m_offsets[index], header);
    const bool otherKind = found && !LikeFirst(header);
    if (otherKind)
    {
        // Another version, layer, rate or channel count: the stream's tables and output layout do
        // not fit it, so it plays as silence of the stream's frame length. The frames after it
        // start afresh, with nothing of the frames before it in the reservoir or the filters.
        MpegResetState(*m_decoder);
    }
    else if (found && header.frameSize <= m_frameBufferSize &&
             m_container->ReadData(header.frameSize, m_frame) == header.frameSize)
    {
        m_record.header = header;
        m_record.bitrate = header.bitrate;
        m_record.input = m_frame;
        m_record.inputSize = header.frameSize;
        m_record.output = output;
        m_record.outputSize = outputBytes;
        decoded = MpegDecodeFrame(*m_decoder, m_record);
    }
    if (!decoded)
    {
        // An unreadable frame plays as silence rather than as whatever the buffer held before.
        uint32_t bytes = m_first.outputBytes < outputBytes ? m_first.outputBytes : outputBytes;
        std::memset(output, 0, bytes);
    }
    return decoded || otherKind;
}

void CDecompressMpeg::UseVectorCode(bool on)
{
    if (!m_decoder)
        return;
    m_decoder->vectorCode = on;
    m_haveCurrent = false;
    m_pcmHoldsCurrent = false;
}

void CDecompressMpeg::ResetSynthesis()
{
    MpegResetState(*m_decoder);
}

bool CDecompressMpeg::MainDataBegin(uint32_t index, uint32_t& begin)
{
    MpegHeader header;
    if (index >= m_frameCount || !FrameAt(m_offsets[index], header) || !LikeFirst(header))
        return false;
    uint8_t bytes[8];
    const uint32_t want = 4 + (header.crc ? 2 : 0) + 2;
    begin = m_container->PeekData(want, bytes) == want ? MpegL3MainDataBegin(header, bytes, want) : 0;
    return true;
}

uint32_t CDecompressMpeg::ReservoirPrimeStart(uint32_t frame, uint32_t start)
{
    if (m_first.layer != 3)
        return start;
    // The seek frame's main data, and that of the frames whose overlap and filter state it
    // continues (the previous granule pair: one frame of MPEG-1, two of MPEG-2 and 2.5), must lie
    // wholly in the frames decoded before them.
    const uint32_t whole = m_first.version == 1 ? 2 : 3;
    for (uint32_t k = 0; k < whole && k <= frame; ++k)
    {
        const uint32_t target = frame - k;
        uint32_t need = 0;
        if (!MainDataBegin(target, need))
            break;
        uint32_t from = target;
        MpegHeader header;
        while (need > 0 && from > 0 && frame - from < kMaxPrimeFrames &&
               FrameAt(m_offsets[from - 1], header) && LikeFirst(header))
        {
            --from;
            const uint32_t bytes = MpegL3MainDataBytes(header);
            need -= bytes < need ? bytes : need;
        }
        if (from < start)
            start = from;
    }
    return start;
}

bool CDecompressMpeg::Seek(uint32_t frame)
{
    if (m_haveCurrent && ((frame == m_current && m_pcmHoldsCurrent) || frame == m_current + 1))
        return true;
    const uint32_t start = ReservoirPrimeStart(frame, frame < 4 ? 0 : frame - 3);
    const uint32_t prime = frame - start;
    ResetSynthesis();
    ++m_seekCount;
    m_lastPrimeStart = start;
    m_lastPrimeCount = prime;
    for (uint32_t i = 0; i < prime; ++i)
        ReadAndDecode(start + i, m_pcm, sizeof(m_pcm));
    // The frame before the wanted one (if any) is now the last one decoded.
    m_haveCurrent = prime > 0;
    m_current = prime > 0 ? frame - 1 : 0;
    m_pcmHoldsCurrent = prime > 0;
    return true;
}

uint32_t CDecompressMpeg::Decode(void* buffer, uint32_t firstFrame, uint32_t frameCount, int outputChannels)
{
    if (!m_decoder || !m_frame || !buffer || firstFrame > m_length)
        return 0;
    if (frameCount > m_length - firstFrame)
        frameCount = m_length - firstFrame;
    if (!frameCount)
        return 0;
    uint32_t frame = firstFrame / m_samplesPerFrame;
    uint32_t offset = firstFrame % m_samplesPerFrame;
    if (!Seek(frame))
        return 0;

    int16_t* out = static_cast<int16_t*>(buffer);
    uint32_t wanted = frameCount;
    while (wanted)
    {
        const bool direct = m_channels == outputChannels && offset == 0 && wanted > m_samplesPerFrame;
        bool straight = false;
        if (!(m_haveCurrent && frame == m_current))
        {
            if (direct)
                ReadAndDecode(frame, out,
                              pcm::SaturatedBytes(uint64_t(wanted) * uint32_t(outputChannels) * 2));
            else
                ReadAndDecode(frame, m_pcm, sizeof(m_pcm));
            m_current = frame;
            m_haveCurrent = true;
            m_pcmHoldsCurrent = !direct;
            straight = direct;
        }
        const uint32_t n = (m_samplesPerFrame - offset) < wanted ? (m_samplesPerFrame - offset) : wanted;
        if (!straight)
        {
            const int16_t* src = m_pcm + offset * static_cast<uint32_t>(m_channels);
            if (m_channels == outputChannels)
                std::memcpy(out, src, n * static_cast<uint32_t>(m_channels) * 2);
            else if (outputChannels == 1)
                for (uint32_t i = 0; i < n; ++i)
                    out[i] = static_cast<int16_t>((src[2 * i] + src[2 * i + 1]) >> 1);
            else
                for (uint32_t i = 0; i < n; ++i)
                    out[2 * i] = out[2 * i + 1] = src[i];
        }
        out += n * static_cast<uint32_t>(outputChannels);
        wanted -= n;
        offset = 0;
        ++frame;
    }
    return frameCount * static_cast<uint32_t>(outputChannels) * 2;
}

uint32_t CDecompressMpeg::DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    return Decode(buffer, firstFrame, frameCount, 1);
}

uint32_t CDecompressMpeg::DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool)
{
    return Decode(buffer, firstFrame, frameCount, 2);
}

uint32_t CDecompressMpeg::GetLength()
{
    return m_length;
}
uint32_t CDecompressMpeg::GetMonoSize()
{
    return pcm::SaturatedBytes(static_cast<uint64_t>(m_length) * 2);
}
uint32_t CDecompressMpeg::GetStereoSize()
{
    return pcm::SaturatedBytes(static_cast<uint64_t>(m_length) * 4);
}
