#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// Frames of the KNX object server (BAOS). Version 1.x frames are bare: 0xF0, service, first id
// (byte), count (byte), items. Version 2.x frames sit in a KNXnet/IP-style header: 0x06 0x20,
// service type 0xF080 or 0xF081, total length, a 4-byte connection header, then 0xF0, service,
// first id (16-bit), count (16-bit), items. All fields big-endian.
namespace Baos
{
enum Service : uint8_t
{
    GetDatapointValue = 0x05,
    SetDatapointValue = 0x06,
    GetServerItemResponse = 0x81,
    GetDatapointDescriptionResponse = 0x83,
    GetDatapointValueResponse = 0x85,
    SetDatapointValueResponse = 0x86,
    DatapointValueIndication = 0xC1,
};

// Filters of a 2.x value read: every datapoint at connect, changed ones when polling.
constexpr uint8_t kFilterAll = 1;
constexpr uint8_t kFilterChanged = 2;

constexpr uint8_t kMainService = 0xF0;
constexpr size_t k2xHeadSize = 16;
// No 2.x frame of the services used is longer; a header that claims more is a stray match, so
// that it cannot hold the stream waiting for bytes that never come.
constexpr uint16_t k2xMaxFrameLength = 4096;

// One datapoint value of a reply or indication; value points into the received bytes.
struct Item
{
    uint16_t id = 0;
    const uint8_t* value = nullptr;
    size_t length = 0;
};

struct Frame
{
    uint8_t service = 0;
    uint16_t firstId = 0;
    uint16_t count = 0;
    // Only the services that carry values (0x85, 0xC1) list their items.
    std::vector<Item> items;
};

enum class ScanResult : uint8_t
{
    // Nothing more to take: the bytes before `next` can be dropped.
    None,
    // A frame starts at `next` and the rest has not arrived.
    Incomplete,
    // A frame, whose bytes end at `next`.
    Frame,
};

// Whether a reply service releases the request in flight.
bool IsReply(uint8_t service);
// Whether a service carries datapoint values.
bool CarriesValues(uint8_t service);

// 1.x has no length field: a value frame is whole once all of its items are there, and none of
// its items is read beyond the bytes given.
ScanResult Scan1x(const uint8_t* bytes, size_t size, Frame& frame, size_t& next);
// 2.x frames end at their total length; the items are read within it and nothing past it.
ScanResult Scan2x(const uint8_t* bytes, size_t size, Frame& frame, size_t& next);

// Request builders: Begin, one AddItem per item, Finish (which fills in the 2.x total length).
// The filter byte is written for 2.x value reads only.
void Begin1x(uint8_t service, uint16_t firstId, uint16_t count, std::vector<uint8_t>& out);
void AddItem1x(uint16_t id, uint8_t command, const std::vector<uint8_t>& value, std::vector<uint8_t>& out);
void Begin2x(uint8_t service, uint16_t firstId, uint16_t count, uint8_t filter, std::vector<uint8_t>& out);
void AddItem2x(uint16_t id, uint8_t command, const std::vector<uint8_t>& value, std::vector<uint8_t>& out);
void Finish2x(std::vector<uint8_t>& out);
} // namespace Baos
