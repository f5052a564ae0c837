#pragma once
#include <cstdint>
#include <vector>

#include "devices/ReportPoster.h"
#include "devices/controllers/custom/AbstractCustomDevice.h"
#include "devices/controllers/custom/CustomPatternMatcher.h"

// The custom byte-string device: what the three links (TCP, UDP, serial) share. Channels of kind
// 3 are patterns looked for in everything the equipment sends; each occurrence posts the
// channel's fixed event (event channel, report kind, event value).
class CCustomDevice : public CAbstractCustomDevice
{
public:
    // The most handed to the pattern scan at once: a huge block from the transport is taken in
    // slices, so the receive buffer never has to hold more than a slice and the longest pattern.
    static constexpr int32_t kReceiveSlice = 64 * 1024;

    ~CCustomDevice() override;

    bool AddChannel(uint32_t id, uint8_t valueType, uint8_t reportKind, uint8_t direction,
                    uint32_t blobLength, const uint8_t* blob) override;
    // Transport thread.
    void OnReceive(const uint8_t* bytes, uint32_t length) override;

private:
    void ScanSlice(const uint8_t* bytes, int32_t length);

    CReportPoster m_poster{*this};
    // The kind-3 channels' patterns, in channel order, built as channels are added (before any
    // link exists) and read only by the transport thread afterwards.
    std::vector<CustomPattern> m_patterns;
    std::vector<const CCustomChannel*> m_patternChannels;
};
