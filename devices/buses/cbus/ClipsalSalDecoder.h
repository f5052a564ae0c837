#pragma once
#include <cstddef>
#include <cstdint>

// Where the decoded contents of monitored packets and status replies go (the driver).
class CClipsalSalHandler
{
public:
    struct Source
    {
        uint8_t unit = 0;
        uint8_t pathLength = 0; // at most 7
        uint8_t path[7] = {};
    };
    virtual ~CClipsalSalHandler() = default;
    // A group's level changed (command 0 for a level report without a command).
    virtual void OnLevel(const Source& source, uint8_t application, uint8_t command, uint8_t group,
                         uint8_t level) = 0;
    // A level to keep in the application's status record.
    virtual void OnStoreLevel(uint8_t application, uint8_t group, uint8_t level) = 0;
    // A level reported as unavailable: the block is to be asked again later.
    virtual void OnLevelUnavailable(const Source& source, uint8_t application, uint8_t block) = 0;
    // An air-conditioning command, `length` whole bytes from its command byte.
    virtual void OnHvac(const Source& source, const uint8_t* command, size_t length) = 0;
    // A measurement for the channels whose data 0 (and data 1 when `withSecond`) select it.
    virtual void OnMeasurement(const Source& source, uint8_t application, uint8_t data0, bool withSecond,
                               uint8_t data1, double value) = 0;
};

// Decodes C-Bus packets (bytes, checksum last) into handler calls. Every read stays inside the
// packet; group numbers stop at 255.
class CClipsalSalDecoder
{
public:
    explicit CClipsalSalDecoder(CClipsalSalHandler& handler) : m_handler(handler) {}

    void DecodeMonitored(const uint8_t* bytes, size_t length);
    void DecodeStatusReply(const uint8_t* bytes, size_t length);

    // The level of a status reply's two bytes; false for "no level" (0000) and for unavailable
    // (00FF, `unavailable` set).
    static bool DecodeLevel(uint8_t first, uint8_t second, uint8_t& level, bool& unavailable);

private:
    CClipsalSalHandler& m_handler;
};
