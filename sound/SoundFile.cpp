#include "sound/SoundFile.h"

#include <new>

#include "sound/DecompressImaAdpcmMs.h"
#include "sound/DecompressMpeg.h"
#include "sound/DecompressMsAdpcm.h"
#include "sound/DecompressPcm16Signed.h"
#include "sound/DecompressPcm8Unsigned.h"
#include "sound/MpegFile.h"
#include "sound/WavFile.h"

CSoundFile::~CSoundFile()
{
    Close();
}

void CSoundFile::DeleteDecoding()
{
    delete m_decoder;
    m_decoder = nullptr;
    delete m_container;
    m_container = nullptr;
    m_outputFormat = WaveFormat();
}

void CSoundFile::Close()
{
    DeleteDecoding();
    delete m_reader;
    m_reader = nullptr;
}

void CSoundFile::SetReader(CReader* reader)
{
    Close();
    m_reader = reader;
}

bool CSoundFile::LoadFromMemory(uint32_t size, const void* bytes)
{
    Close();
    bool ok = false;
    CReader* reader = new (std::nothrow) CReader(size, bytes, ok);
    if (!reader || !ok)
    {
        delete reader;
        return false;
    }
    m_reader = reader;
    if (Open())
        return true;
    Close();
    return false;
}

bool CSoundFile::Open()
{
    if (!m_reader)
        return false;
    DeleteDecoding();
    // Whatever is not a WAVE file the system decodes is tried as a raw MPEG audio stream.
    return OpenAsWave() || OpenAsMpeg();
}

bool CSoundFile::OpenAsWave()
{
    CWavFile* wave = new (std::nothrow) CWavFile(m_reader);
    if (!wave)
        return false;
    const WaveFormat format = ParseWaveFormat(wave->GetFormat());
    bool ok = false;
    CAbstractDecompressor* decoder = nullptr;
    switch (format.formatTag)
    {
    case kWaveFormatPcm:
        if (format.bitsPerSample == 8)
            decoder = new (std::nothrow) CDecompressPcm8Unsigned(wave, m_outputFormat, ok);
        else
            decoder = new (std::nothrow) CDecompressPcm16Signed(wave, m_outputFormat, ok);
        break;
    case kWaveFormatMsAdpcm:
        decoder = new (std::nothrow) CDecompressMsAdpcm(wave, m_outputFormat, ok);
        break;
    case kWaveFormatImaAdpcm:
        decoder = new (std::nothrow) CDecompressImaAdpcmMs(wave, m_outputFormat, ok);
        break;
    case kWaveFormatMpeg:
        decoder = new (std::nothrow) CDecompressMpeg(wave, m_outputFormat, ok);
        break;
    default:
        break;
    }
    if (decoder && ok)
    {
        m_container = wave;
        m_decoder = decoder;
        return true;
    }
    delete decoder;
    delete wave;
    m_outputFormat = WaveFormat();
    return false;
}

bool CSoundFile::OpenAsMpeg()
{
    CMpegFile* stream = new (std::nothrow) CMpegFile(m_reader);
    if (!stream)
        return false;
    bool ok = false;
    CAbstractDecompressor* decoder = new (std::nothrow) CDecompressMpeg(stream, m_outputFormat, ok);
    if (decoder && ok)
    {
        m_container = stream;
        m_decoder = decoder;
        return true;
    }
    delete decoder;
    delete stream;
    m_outputFormat = WaveFormat();
    return false;
}
