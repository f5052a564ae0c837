#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A cEMI L_Data frame as the tunnelling link carries it (the message code travels beside it).
struct CemiFrame
{
    // Message codes used by the panel and seen from tunnelling servers.
    static constexpr uint8_t kDataRequest = 0x11;
    static constexpr uint8_t kDataConfirm = 0x2E;
    static constexpr uint8_t kDataIndication = 0x29;

    // The 10-bit application services the panel uses.
    static constexpr uint16_t kGroupValueRead = 0x000;
    static constexpr uint16_t kGroupValueResponse = 0x040;
    static constexpr uint16_t kGroupValueWrite = 0x080;

    uint8_t repeat = 0;
    uint8_t priority = 0;
    uint8_t sourceArea = 0;
    uint8_t sourceLine = 0;
    uint8_t sourceDevice = 0;
    // A group address (main, middle, sub) when groupFlag is 1, else an individual address
    // (area, line, device).
    uint8_t destMain = 0;
    uint8_t destMiddle = 0;
    uint8_t destSub = 0;
    uint8_t groupFlag = 0;
    uint8_t hopCount = 0;
    uint8_t tpci = 0;
    uint16_t apci = 0;
    // data[0] holds the 6 bits that share the APCI byte, data[1] on the bytes after it; the
    // data length of the frame is the size (at most 15).
    std::vector<uint8_t> data;
    uint8_t ackRequest = 0;
};

// Appends the frame. Data beyond 15 bytes is not written (the length field has 4 bits).
void WriteCemiFrame(uint8_t messageCode, const CemiFrame& frame, std::vector<uint8_t>& out);

// Reads one frame from exactly the given bytes (the cEMI part of a tunnelling request). False,
// with nothing read beyond the block, when the additional information or the data the frame
// announces does not fit in it.
bool ParseCemiFrame(const uint8_t* bytes, size_t size, uint8_t& messageCode, CemiFrame& frame);
