#include "interface/CommandSequences.h"

#include "devices/AbstractDevice.h"
#include "devices/controllers/custom/AbstractCustomDevice.h"
#include "interface/DialogItem.h"
#include "interface/ItemToDevice.h"

namespace
{
// The device of an address when it is a custom byte-string device; null otherwise.
CAbstractCustomDevice* CustomDeviceOf(CAbstractDevice* device)
{
    if (!device || device->GetKind() != CAbstractCustomDevice::kCustomKind)
        return nullptr;
    // Only the custom devices (all derived from CAbstractCustomDevice) answer this kind.
    return static_cast<CAbstractCustomDevice*>(device);
}

// One tick of a press or release run: the entry at the next index goes once its channel's delay
// has passed since the previous one (or since the run began). At most one entry per tick.
void StepSequence(ItemCommandSequence& sequence, uint32_t elapsedMs, void (*send)(uint32_t))
{
    if (sequence.nextIndex >= sequence.count)
        return;
    sequence.elapsedMs += elapsedMs;
    uint32_t entry = sequence.entries[sequence.nextIndex];
    CCustomChannel* channel = FindCustomChannel(entry);
    if (!channel)
    {
        // The channel has gone: the run ends here.
        sequence.nextIndex = sequence.count;
        sequence.elapsedMs = 0;
        return;
    }
    if (channel->GetSequenceDelay() > sequence.elapsedMs)
        return;
    send(entry);
    ++sequence.nextIndex;
    sequence.elapsedMs = 0;
}

void SendPress(uint32_t address)
{
    PressChannel(address);
}

void SendRelease(uint32_t address)
{
    ReleaseChannel(address);
}
} // namespace

CCustomChannel* FindCustomChannel(uint32_t address)
{
    CAbstractCustomDevice* device = CustomDeviceOf(FindDevice(address));
    if (!device)
        return nullptr;
    return device->FindChannel(address & 0xFFFFu);
}

CommandKeyKind ClassifyCommandKey(uint32_t address)
{
    CAbstractDevice* device = FindDevice(address);
    if (!device)
        return CommandKeyDropped;
    CAbstractCustomDevice* custom = CustomDeviceOf(device);
    if (!custom)
        return CommandKeyPlain;
    // A custom device's address never enters the plain list: its channels play as sequences,
    // and a channel of another kind (a feedback pattern) is of no use to an item.
    CCustomChannel* channel = custom->FindChannel(address & 0xFFFFu);
    if (!channel)
        return CommandKeyDropped;
    switch (channel->GetKind())
    {
    case CustomKindPress:
        return CommandKeyPress;
    case CustomKindRelease:
        return CommandKeyRelease;
    case CustomKindHold:
        return CommandKeyHold;
    default:
        return CommandKeyDropped;
    }
}

void PlayCommandSequences(CDialogItem* item, uint32_t elapsedMs)
{
    if (!item)
        return;
    StepSequence(item->m_pressSequence, elapsedMs, SendPress);
    StepSequence(item->m_releaseSequence, elapsedMs, SendRelease);
}

void PlayHoldSequence(CDialogItem* item, uint32_t elapsedMs)
{
    if (!item)
        return;
    ItemHoldSequence& hold = item->m_holdSequence;
    hold.heldMs += elapsedMs;
    for (int32_t i = 0; i < hold.count; ++i)
    {
        uint32_t entry = hold.entries[i];
        CCustomChannel* channel = FindCustomChannel(entry);
        // Entries with a longer delay join once the item has been held that long.
        if (channel && channel->GetSequenceDelay() <= hold.heldMs)
            HoldChannel(entry, elapsedMs);
    }
}
