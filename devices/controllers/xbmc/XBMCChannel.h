#pragma once
#include <cstdint>

#include "devices/controllers/custom/CustomChannel.h"

// What an XBMC channel stands for (the second byte of its blob).
enum XBMCChannelKind : uint8_t
{
    XBMCKindCommand = 0,   // a command path, a value format or an answer pattern, as a custom HTTP channel
    XBMCKindVolume = 1,    // SetVolume; mode 0 also shows the polled volume
    XBMCKindSeek = 2,      // SeekPercentage; mode 0 also shows the play position in percent
    XBMCKindLibrary = 3,   // the library list box
    XBMCKindFileTitle = 4, // texts of the item playing
    XBMCKindTitle = 5,
    XBMCKindArtist = 6,
    XBMCKindAlbum = 7,
    XBMCKindGenre = 8,
};

// A channel of the XBMC driver: a custom channel (kind, bytes, repeat count, event value, last
// value as its value) with an XBMC kind and a mode.
//
// Blob, little-endian: channel kind (1), XBMC kind (1), then
//   XBMC kind 0:     event channel (4), event value (4), repeat count (1), byte length L (4), L bytes
//   XBMC kinds 1, 2: mode (1), and with mode 1 the fixed value (4)
// What a short blob does not hold stays as constructed (the kind-0 numbers are taken together or
// not at all); the bytes are taken only when all L are there.
//
// Mode 1 gives a volume or seek channel a fixed value; only mode-0 channels receive feedback.
class CXBMCChannel : public CCustomChannel
{
public:
    using CCustomChannel::CCustomChannel;

    void Load(const uint8_t* blob, uint32_t length) override;

    uint8_t GetXBMCKind() const { return m_xbmcKind; }
    uint8_t GetMode() const { return m_mode; }

private:
    uint8_t m_xbmcKind = XBMCKindCommand;
    uint8_t m_mode = 0;
};
