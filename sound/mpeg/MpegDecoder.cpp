#include <cstring>

#include "sound/mpeg/MpegAudioDecoder.h"

void MpegDecoderInit(MpegAudioDecoder& decoder)
{
    decoder.frequencyLimit = 24000;
    decoder.started = false;
    L12InitTables(decoder);
    L3InitTables(decoder);
    MpegInitSynthesis(decoder);
    decoder.huffman.Build();
}

void MpegResetState(MpegAudioDecoder& decoder)
{
    std::memset(decoder.ring, 0, sizeof(decoder.ring));
    decoder.ringPos[0] = decoder.ringPos[1] = 0;
    decoder.reservoirFill = 0;
    std::memset(decoder.overlap, 0, sizeof(decoder.overlap));
}

bool MpegDecodeStart(MpegAudioDecoder& decoder, const MpegHeader& header)
{
    if (header.layer < 1 || header.layer > 3 || header.sampleRate == 0)
        return false;
    decoder.first = header;
    decoder.channels = header.channels;
    decoder.started = true;
    MpegResetState(decoder);
    switch (header.layer)
    {
    case 1:
        L1DecodeStart(decoder, header);
        return true;
    case 2:
        return L2DecodeStart(decoder, header);
    default:
        L3DecodeStart(decoder, header);
        return true;
    }
}

bool MpegDecodeFrame(MpegAudioDecoder& decoder, MpegDecodeRecord& record)
{
    const MpegHeader& h = record.header;
    const MpegHeader& first = decoder.first;
    if (!decoder.started || !record.input || !record.output)
        return false;
    // The stream's limits, tables and output layout come from its first frame: a frame of another
    // version, layer, rate or channel count cannot be decoded with them.
    if (h.version != first.version || h.layer != first.layer || h.sampleRateIndex != first.sampleRateIndex ||
        h.channels != first.channels)
        return false;
    if (record.outputSize < h.outputBytes || record.inputSize < 4)
        return false;
    const uint32_t size = record.inputSize < h.frameSize ? record.inputSize : h.frameSize;
    switch (h.layer)
    {
    case 1:
        L1DecodeFrame(decoder, h, record.input, size, record.output);
        return true;
    case 2:
        L2DecodeFrame(decoder, h, record.input, size, record.output);
        return true;
    default:
        if (!L3DecodeFrame(decoder, h, record.input, size, record.output))
            std::memset(record.output, 0, h.outputBytes); // a skipped frame is silence
        return true;
    }
}
