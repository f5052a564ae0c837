#pragma once
#include <cstdint>

#include "sound/AbstractDecompressor.h"
#include "sound/mpeg/MpegAudioDecoder.h"

// The decoder for MPEG audio (Layers I to III of MPEG-1, MPEG-2 and MPEG 2.5): the data chunk of
// a WAVE file with format tag 85, or a raw stream. Its output is always 16-bit PCM.
//
// The constructor counts the frames and keeps the byte offset of each, so any sample frame is
// reached by a table lookup and a few priming frames: three, or for Layer III as many as it
// takes to refill the bit reservoir that the frame and the one before it reach back to (then
// the overlap and the synthesis filter are as a decode from the start leaves them). Frames read
// in order are decoded once each.
class CDecompressMpeg : public CAbstractDecompressor
{
public:
    CDecompressMpeg(CAbstractSoundFile* container, WaveFormat& outputFormat, bool& ok);
    ~CDecompressMpeg() override;

    uint32_t DecodeMono(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t DecodeStereo(void* buffer, uint32_t firstFrame, uint32_t frameCount, bool loop) override;
    uint32_t GetLength() override;
    uint32_t GetMonoSize() override;
    uint32_t GetStereoSize() override;

    // For tests: frames counted, the frame that is current, the seeks made so far and the frames
    // the last seek decoded to prime the decoder.
    uint32_t GetFrameCount() const { return m_frameCount; }
    uint32_t GetCurrentFrame() const { return m_current; }
    uint32_t GetSeekCount() const { return m_seekCount; }
    uint32_t GetLastPrimeStart() const { return m_lastPrimeStart; }
    uint32_t GetLastPrimeCount() const { return m_lastPrimeCount; }
    uint32_t GetSamplesPerFrame() const { return m_samplesPerFrame; }
    // For tests: decode with the scalar twins of the vector routines (or back); the next Decode
    // starts afresh, so it gives the same samples whichever routines decoded before.
    void UseVectorCode(bool on);

private:
    static constexpr uint32_t kHeaderPeek = 156;
    // A seek primes at most this many frames, however little main data each frame carries.
    static constexpr uint32_t kMaxPrimeFrames = 128;

    bool CountFrames();
    // True when the 4 bytes at the data offset are a frame header and the frame lies wholly in
    // the data; header receives it. Frames of another kind than the first count too (with their
    // own size) and play as silence.
    bool FrameAt(uint32_t offset, MpegHeader& header);
    // The frame has the first frame's version, layer, rate and channel count.
    bool LikeFirst(const MpegHeader& header) const;
    // Reads frame `index` and decodes it into output (room for outputBytes). A frame that cannot
    // be read or decoded leaves silence there and gives false.
    bool ReadAndDecode(uint32_t index, int16_t* output, uint32_t outputBytes);
    // Layer III: main_data_begin of frame `index`; false for a frame that cannot be read or is of
    // another kind than the first.
    bool MainDataBegin(uint32_t index, uint32_t& begin);
    // The first frame to decode before `frame` (at most `start`) so that the bit reservoir holds
    // the main data that the frame and the frames its overlap comes from reach back to.
    uint32_t ReservoirPrimeStart(uint32_t frame, uint32_t start);
    bool Seek(uint32_t frame);
    void ResetSynthesis();
    uint32_t Decode(void* buffer, uint32_t firstFrame, uint32_t frameCount, int outputChannels);

    MpegAudioDecoder* m_decoder = nullptr;
    MpegHeader m_first;
    int m_channels = 0;
    uint32_t m_sampleRate = 0;
    uint32_t m_frameCount = 0;
    uint32_t* m_offsets = nullptr;
    uint32_t m_samplesPerFrame = 0;
    uint32_t m_length = 0;
    uint32_t m_current = 0;
    bool m_haveCurrent = false;
    bool m_pcmHoldsCurrent = false; // false once the current frame went straight to a caller
    uint32_t m_seekCount = 0;
    uint32_t m_lastPrimeStart = 0;
    uint32_t m_lastPrimeCount = 0;
    MpegDecodeRecord m_record;
    int16_t m_pcm[2304] = {};
    uint8_t* m_frame = nullptr;
    uint32_t m_frameBufferSize = 0;
};
