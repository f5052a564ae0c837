#pragma once
#include <cstdint>
#include <memory>

#include "common/AbstractQueueItem.h"

// One message of a device's send queue: the bytes as they go on the wire and the tag by which
// the driver matches the answer to it (0 when the driver does not care).
class CQueueData : public CAbstractQueueItem
{
public:
    // Copies the bytes; no bytes are kept for a length of 0 or null bytes.
    CQueueData(int32_t tag, const uint8_t* bytes, uint32_t length);
    ~CQueueData() override = default;
    CAbstractQueueItem* Clone() const override;

    int32_t GetTag() const { return m_tag; }
    const uint8_t* GetBytes() const { return m_bytes.get(); }
    uint32_t GetLength() const { return m_length; }

private:
    int32_t m_tag;
    std::unique_ptr<uint8_t[]> m_bytes;
    uint32_t m_length;
};
