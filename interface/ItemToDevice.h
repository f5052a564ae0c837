#pragma once
#include <cstdint>

class CDialogItem;

// Item-to-device commands. Each address is a ChannelAddress: the device is the first of the
// device list whose id is the high 16 bits, the channel the low 16 bits; an address without such
// a device is skipped. The value forms hand the device a float CNerulanValue made for the call
// and deleted after it, and echo every value a device was sent to all items bound to the same
// address (the calling item included). Tick thread only.

// CAbstractDevice::Press / Release (no value) and Hold of one address.
void PressChannel(uint32_t address);
void ReleaseChannel(uint32_t address);
void HoldChannel(uint32_t address, uint32_t elapsedMs);
// CAbstractDevice::SetValue of one address, echoed.
void SendChannelValue(uint32_t address, float value);

// The same for every plain address bound to the item. The press and release forms also restart
// the item's press or release sequence when its previous run has ended, and reset its held time.
void PressItemChannels(CDialogItem* item);
void PressItemChannelsWithValue(CDialogItem* item, float value);
void ReleaseItemChannels(CDialogItem* item);
void ReleaseItemChannelsWithValue(CDialogItem* item, float value);
// CAbstractDevice::Hold(channel, ms) for every plain address bound to the item.
void HoldItemChannels(CDialogItem* item, uint32_t elapsedMs);
void SendItemValue(CDialogItem* item, float value);
// CAbstractDevice::SendBytes on the device of the item's first address only.
void SendItemBytes(CDialogItem* item, const uint8_t* bytes, uint32_t length);
