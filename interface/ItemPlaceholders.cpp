// PLACEHOLDERS until the device layer, the command sequences and pointer dispatch exist.
// Whoever writes the real operation deletes its placeholder here.
#include "interface/CommandSequences.h"
#include "interface/ItemToDevice.h"

// No device table yet: every address stays in the item's plain list, so that device events
// keyed to it still reach the item.
CommandKeyKind ClassifyCommandKey(uint32_t address)
{
    (void)address;
    return CommandKeyPlain;
}

void PlayCommandSequences(CDialogItem* item, uint32_t elapsedMs)
{
    (void)item;
    (void)elapsedMs;
}

void PlayHoldSequence(CDialogItem* item, uint32_t elapsedMs)
{
    (void)item;
    (void)elapsedMs;
}
