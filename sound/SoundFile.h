#pragma once
#include <cstdint>

#include "sound/AbstractDecompressor.h"
#include "sound/AbstractSoundFile.h"
#include "sound/Reader.h"
#include "sound/WaveFormat.h"

// One loaded sound: a private copy of its bytes (CReader), the container that located its data
// (CWavFile or CMpegFile) and the decoder that turns the data into PCM. It is playable only while
// all three are present.
class CSoundFile
{
public:
    static constexpr uint32_t kClickSoundId = 0xFFFFFFFFu;

    CSoundFile() = default;
    virtual ~CSoundFile();
    CSoundFile(const CSoundFile&) = delete;
    CSoundFile& operator=(const CSoundFile&) = delete;

    // Copies the bytes into a new reader and opens them; on any failure everything is closed.
    bool LoadFromMemory(uint32_t size, const void* bytes);
    // With the reader already set: chooses container and decoder and fills the output format.
    bool Open();
    // Deletes decoder, container and reader, in that order.
    void Close();

    // Takes ownership of a reader (the loader builds the reader itself, then calls Open).
    void SetReader(CReader* reader);

    bool IsPlayable() const { return m_reader && m_container && m_decoder; }
    uint32_t GetId() const { return m_id; }
    void SetId(uint32_t id) { m_id = id; }
    CReader* GetReader() const { return m_reader; }
    CAbstractSoundFile* GetContainer() const { return m_container; }
    CAbstractDecompressor* GetDecoder() const { return m_decoder; }
    const WaveFormat& GetOutputFormat() const { return m_outputFormat; }

private:
    bool OpenAsWave();
    bool OpenAsMpeg();
    void DeleteDecoding();

    uint32_t m_id = 0;
    CReader* m_reader = nullptr;
    CAbstractSoundFile* m_container = nullptr;
    CAbstractDecompressor* m_decoder = nullptr;
    WaveFormat m_outputFormat;
};
