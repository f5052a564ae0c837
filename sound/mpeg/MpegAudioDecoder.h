#pragma once
#include <cstdint>

#include "sound/mpeg/MpegBitReader.h"
#include "sound/mpeg/MpegHuffman.h"

// The frame decoder for MPEG-1, MPEG-2 and MPEG 2.5 audio, Layers I, II and III, in 32-bit
// float. It works on whole frames held in memory and writes 16-bit PCM, interleaved left, right
// for two channels. Nothing here allocates or reads outside the bytes it is given.

// One frame header. The fields after `emphasis` are filled by MpegCheckHeader.
struct MpegHeader
{
    int version = 0; // 1 MPEG-1, 2 MPEG-2, 3 MPEG 2.5
    int layer = 0;   // 1 to 3
    int crc = 0;     // 1 when a 16-bit CRC follows the header
    int bitrateIndex = 0;
    int sampleRateIndex = 0;
    int padding = 0;
    int privateBit = 0;
    int mode = 0; // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExtension = 0;
    int copyright = 0;
    int original = 0;
    int emphasis = 0;

    uint32_t bitrate = 0;    // bits per second
    uint32_t sampleRate = 0; // Hz
    uint32_t frameSize = 0;  // bytes, header included
    uint32_t samplesPerFrame = 0;
    uint32_t outputBytes = 0; // 16-bit output of one frame in the stream's channels
    int channels = 0;
};

// The stream as its first frame describes it.
struct MpegDecodeInfo
{
    MpegHeader header;
    int channels = 0;
    int bitsPerSample = 16;
    uint32_t sampleRate = 0;
    uint32_t bitrate = 0; // 0 when a Xing or VBRI header was found
    uint32_t vbrFrames = 0;
    uint32_t vbrBytes = 0;
    uint32_t minFrameSize = 0;
    uint32_t maxFrameSize = 0;
    uint32_t outputBytes = 0;
};

// What MpegDecodeFrame works on: one whole frame and room for its PCM.
struct MpegDecodeRecord
{
    MpegHeader header;
    uint32_t bitrate = 0;
    const uint8_t* input = nullptr;
    uint32_t inputSize = 0;
    int16_t* output = nullptr;
    uint32_t outputSize = 0; // bytes
};

// Side information of one granule and channel.
struct MpegL3GranuleInfo
{
    uint32_t part23Length = 0;
    uint32_t bigValues = 0;
    uint32_t globalGain = 0;
    uint32_t scalefacCompress = 0;
    uint32_t windowSwitching = 0;
    uint32_t blockType = 0;
    uint32_t mixedBlock = 0;
    uint32_t tableSelect[3] = {};
    uint32_t subblockGain[3] = {};
    uint32_t region0Count = 0;
    uint32_t region1Count = 0;
    uint32_t preflag = 0;
    uint32_t scalefacScale = 0;
    uint32_t count1Table = 0;
};

struct MpegL3SideInfo
{
    uint32_t mainDataBegin = 0;
    uint32_t scfsi[2] = {};
    MpegL3GranuleInfo granule[2][2]; // [granule][channel]
};

// Quantisation class of a Layer I allocation: levels and bits per sample.
struct MpegQuantClass
{
    uint32_t levels = 0;
    uint8_t bits = 0;
    float step = 0; // 2 / levels
};

struct MpegAudioDecoder
{
    static constexpr uint32_t kReservoirBytes = 8192;

    // Fixed settings. vectorCode picks the vector routines of the synthesis, the IMDCT and the alias
    // reduction, or their scalar twins (same results; the tests run both).
    uint32_t frequencyLimit = 24000;
    bool vectorCode = true;
    // The stream's first frame fixes these.
    MpegHeader first;
    int channels = 0;
    int subbandLimit = 0;
    bool started = false;

    // Synthesis: per channel 16 slots of the matrixing's 64 values (stored whole so that the
    // windowing reads them in order), newest at ringPos.
    float ring[2][16][64] = {};
    int ringPos[2] = {};
    float dctCoef[31] = {};
    // The window as the windowing reads it: [slot age][output sample].
    float synthWindow[16][32] = {};

    // Layers I and II.
    float scaleFactorTable[64] = {};
    MpegQuantClass l1Class[16];
    // The three values of each grouped code of 3, 5 and 9 levels, centred on zero (codes past the
    // last triple give zeros).
    float ungroup3[32][3] = {};
    float ungroup5[128][3] = {};
    float ungroup9[1024][3] = {};
    // Sub-band samples: [channel][time slot][sub-band].
    float subbandSamples[2][36][32] = {};

    // Layer III tables.
    float gainTable[262] = {};
    float sfMultiplier[2][128] = {};
    float subblockGainTable[8] = {};
    float pow43[8207] = {};
    float aliasCs[8] = {};
    float aliasCa[8] = {};
    float isRatioMpeg1[2][8][2] = {};     // [mid/side][is_pos][left, right]
    float isRatioMpeg2[2][2][32][2] = {}; // [mid/side][intensity_scale][is_pos][left, right]
    float imdctCos[18][24] = {};          // [input][outputs 0-8, 18-26, 6 zeros] of the 36-point IMDCT
    float imdctShort[12][6] = {};
    float windowLong[4][36] = {};
    float windowShort[12] = {};
    MpegHuffmanSet huffman;

    // Layer III stream limits.
    const uint16_t* longBands = nullptr;  // 23 boundaries
    const uint16_t* shortBands = nullptr; // 14 boundaries
    uint32_t bandEnd = 576;
    uint32_t decodeLimit = 558;
    uint32_t longLimit = 558;
    uint32_t shortLimit = 558;
    uint32_t hybridSubbands = 31;

    // Layer III state.
    uint8_t reservoir[kReservoirBytes] = {};
    uint32_t reservoirFill = 0;
    MpegL3SideInfo side;
    int sfLong[2][23] = {};
    int sfShort[2][13][3] = {};
    // Largest factor each right-channel band can code (its illegal intensity position, MPEG-2).
    int isIllegalLong[23] = {};
    int isIllegalShort[13] = {};
    int intensityScale = 0;
    int quantized[576] = {};
    float xr[2][576] = {}; // [channel][line]
    uint32_t nonZero[2] = {};
    float overlap[2][32][18] = {};
    float hybrid[2][18][32] = {}; // [channel][time slot][sub-band]
};

// Fixed settings and every table of one decoder.
void MpegDecoderInit(MpegAudioDecoder& decoder);

// Parses four header bytes; false for a header that is refused.
bool MpegParseHeader(const uint8_t* bytes, MpegHeader& header);
// Parses and adds bitrate, sample rate, frame size, samples per frame and output bytes.
bool MpegCheckHeader(const uint8_t* bytes, MpegHeader& header);
// Describes a stream from the first bytes of its first frame (Xing and VBRI headers included).
bool MpegGetDecodeInfo(const uint8_t* bytes, uint32_t size, MpegDecodeInfo& info);
// Frame size of the header's version and layer at a given bitrate index, without padding.
uint32_t MpegFrameSizeAt(const MpegHeader& header, int bitrateIndex);

// Layer III: the bytes of main data a frame carries (after its header, CRC and side
// information), and how far back in the frames before it its own main data begins
// (main_data_begin), read from its first bytes (0 when fewer than the CRC and 2 bytes are given).
uint32_t MpegL3MainDataBytes(const MpegHeader& header);
uint32_t MpegL3MainDataBegin(const MpegHeader& header, const uint8_t* bytes, uint32_t size);

// Fixes the stream's limits from its first frame and clears all decoding state. False when the
// layer cannot decode the stream (a Layer II bitrate and mode without allocation table).
bool MpegDecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header);
// Clears the synthesis rings, the Layer III reservoir and its overlap (after a seek).
void MpegResetState(MpegAudioDecoder& decoder);
// Decodes one frame into record.output. A frame whose version, layer, sample rate or channels
// differ from the first frame, or whose output would not fit, is refused (false, nothing
// written). A frame that is read but cannot be decoded writes silence and returns true.
bool MpegDecodeFrame(MpegAudioDecoder& decoder, MpegDecodeRecord& record);

// Synthesis of `slots` time slots of decoder.subbandSamples-shaped input into output.
void MpegSubbandSynthesis(MpegAudioDecoder& decoder, int slots, const float (*samples)[32], int channel,
                          int channelCount, int16_t* output);
// Synthesis of `slots` time slots of every channel of a frame (`right` is not read for one
// channel); the same output as one MpegSubbandSynthesis call per channel.
void MpegSynthesizeChannels(MpegAudioDecoder& decoder, int slots, const float (*left)[32],
                            const float (*right)[32], int channels, int16_t* output);
// 32-point DCT used by the synthesis (exposed for tests).
void MpegDct32(const float* coef, const float* in, float* out);
// Clamps a windowed sum into the 16-bit range and truncates toward zero.
int16_t MpegClampSample(float sum);

// Layer start-ups and frame decoders.
void L1DecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header);
bool L2DecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header);
void L3DecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header);
void L1DecodeFrame(MpegAudioDecoder& decoder, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output);
void L2DecodeFrame(MpegAudioDecoder& decoder, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output);
// False when the frame was skipped (its main data is not in the reservoir yet).
bool L3DecodeFrame(MpegAudioDecoder& decoder, const MpegHeader& header, const uint8_t* frame, uint32_t size,
                   int16_t* output);

// Table setup of each part, called by MpegDecoderInit.
void L12InitTables(MpegAudioDecoder& decoder);
void L3InitTables(MpegAudioDecoder& decoder);
void MpegInitSynthesis(MpegAudioDecoder& decoder);
