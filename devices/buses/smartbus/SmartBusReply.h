#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "devices/buses/smartbus/SmartBusCodec.h"

// What one received frame means for the panel: which queued request it answers and which channel
// values and texts it reports. Pure decoding; every read is bounded by the content length.

// One update of the channels of a module, kind and number (number 255: every channel of the
// module and kind). The key is the zone or source of an audio report (-1 for the other kinds).
struct SmartBusUpdate
{
    uint8_t subnet = 0;
    uint8_t device = 0;
    uint8_t kind = 0;
    uint8_t number = 0;
    float value = 0;
    int32_t key = -1;
    // A text report (event kind 4); hasText false posts one without text.
    bool isText = false;
    bool hasText = false;
    std::u16string text;
};

struct SmartBusReply
{
    // The operation code of the request this frame answers; -1 when it answers none (also when the
    // frame is not addressed to the panel).
    int32_t releaseTag = -1;
    std::vector<SmartBusUpdate> updates;
};

namespace smartbus
{
// The longest display text kept; longer texts are cut.
constexpr size_t kMaxText = 50;

// Decodes a received frame; operation codes it does not know give an empty reply.
void DecodeReply(const SmartBusFrame& frame, SmartBusReply& reply);

// The audio player's text reports (content beginning with "#"), all for the source module.
void DecodeAudioText(const uint8_t* content, int32_t length, uint8_t subnet, uint8_t device,
                     std::vector<SmartBusUpdate>& updates);

// A display text: 0x02 then UTF-16 big-endian up to 0x0003 or 0x0000, or a double quote then
// single bytes (Windows-1252 code points taken as they are) up to the next double quote or NUL;
// at most kMaxText characters. False (no text) for anything else.
bool ReadText(const uint8_t* bytes, int32_t length, std::u16string& text);
} // namespace smartbus
