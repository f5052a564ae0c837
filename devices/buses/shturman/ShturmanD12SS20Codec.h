#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/FrameScanner.h"

// The Shturman D12SS20 module bus. Every frame, both ways: 0x80 + module, L (the bytes from L up
// to the checksum), the command, its arguments, and a 7-bit checksum over everything before it.
// A reply's bytes are those from offset 2 (the command position) up to the checksum.
class CShturmanD12SS20Codec : public CAbstractFrameCodec
{
public:
    // What a request is matched by; its command is RequestCommand(tag).
    enum Tag : uint8_t
    {
        TagBits = 2,
        TagStatus = 21,
        TagTime = 22,
        TagPair = 23,
        TagValue = 24,
        TagDiscovery = 25,
        TagVersion = 26,
    };
    // Module types, from the version a module reports.
    static constexpr uint8_t kTypeUnknown = 0;
    static constexpr uint8_t kTypeOld = 1;
    static constexpr uint8_t kTypeNew = 2;

    FrameVerdict Check(const uint8_t* bytes, int32_t available) const override;
    int32_t MaxFrameLength() const override { return 255 + 2; }

    static std::vector<uint8_t> Frame(uint8_t module, uint8_t command,
                                      const std::vector<uint8_t>& arguments = {});
    // The command of a request tag; 0 for a tag that is no request.
    static uint8_t RequestCommand(uint8_t tag);
    // The fewest reply bytes an answer to the request needs; above every length for an unknown tag.
    static int32_t MinimumReply(uint8_t tag);

    // A channel command by command kind, channel value v, second value w, sub-index (kind 0) and
    // module type. False when the kind sends nothing for this type or sub-index.
    static bool Command(uint8_t kind, uint8_t subIndex, uint8_t v, uint8_t w, uint8_t type, uint8_t& command,
                        std::vector<uint8_t>& arguments);

    // The version of a version reply (at least 4 bytes) and the type it means.
    static uint32_t Version(const uint8_t* reply);
    static uint8_t TypeOfVersion(uint32_t version);

    // The clock of a time reply: seconds and minutes in BCD, then the hours in 12-hour form with
    // AM/PM (bit 6 set) or in 24-hour form.
    static std::string TimeText(uint8_t seconds, uint8_t minutes, uint8_t hours);
};
