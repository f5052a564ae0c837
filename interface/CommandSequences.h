#pragma once
#include <cstdint>

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
// One tick of the press and release sequences (at most one entry each).
void PlayCommandSequences(CDialogItem* item, uint32_t elapsedMs);
// One tick of the hold sequence while the item is pressed.
void PlayHoldSequence(CDialogItem* item, uint32_t elapsedMs);
