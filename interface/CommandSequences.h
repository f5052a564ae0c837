#pragma once
#include <cstdint>

class CCustomChannel;
class CDialogItem;

// Where LoadCommandKeys puts one address of an item's record.
enum CommandKeyKind : uint8_t
{
    CommandKeyDropped = 0,
    CommandKeyPlain = 1,
    CommandKeyPress = 2,
    CommandKeyRelease = 3,
    CommandKeyHold = 4,
};

// Sorts an address by its device: not a custom byte-string device gives the plain list; a
// custom device's channel of kind 1, 2 or 32 gives the press, release or hold sequence.
CommandKeyKind ClassifyCommandKey(uint32_t address);
// The channel of an address on a custom byte-string device: the first device of the device list
// whose id is the high 16 bits, then that device's first channel whose id is the low 16 bits.
// Null when either is missing, the device is not a custom one, or there is no device list yet.
CCustomChannel* FindCustomChannel(uint32_t address);
// One tick of the press and release sequences (at most one entry each). Called by
// CDialogItem::OnTimer; an item kind whose own timer must not play sequences (sliders, list
// boxes) overrides OnTimer without calling these.
void PlayCommandSequences(CDialogItem* item, uint32_t elapsedMs);
// One tick of the hold sequence while the item is pressed.
void PlayHoldSequence(CDialogItem* item, uint32_t elapsedMs);
