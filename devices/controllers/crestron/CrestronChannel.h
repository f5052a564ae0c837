#pragma once
#include <atomic>
#include <cstdint>
#include <string>

#include "devices/AbstractChannel.h"

// A Crestron join bound to items. The value-type byte is the join kind (1 digital, 5 analog,
// 19 serial). In mode 0 feedback sets the items' value; in mode 1 a digital or analog change shows
// (non-zero) or hides (zero) a popup on a page.
class CCrestronChannel : public CAbstractChannel
{
public:
    using CAbstractChannel::CAbstractChannel;

    enum Mode : uint8_t
    {
        ModeValue = 0,
        ModePopup = 1,
    };

    // Blob: object id (1), join (2, low byte first), value (2, low byte first), then optionally the
    // mode (1) and, in mode 1, "popup,page". Nothing is read from a blob shorter than 5 bytes.
    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t m_objectId = 0;
    uint16_t m_join = 0;
    // Analog: the value sent on Press; every changed value received overwrites it (transport
    // thread), hence atomic.
    std::atomic<uint16_t> m_value{0};
    uint8_t m_mode = ModeValue;
    std::string m_popupName;
    std::string m_pageName;
};
