// The item-to-device layer: an item's press, release, hold, value or bytes become the device
// operations of the channels bound to it.
#include "interface/ItemToDevice.h"

#include "common/NerulanValue.h"
#include "devices/AbstractDevice.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"

namespace
{
uint16_t ChannelOf(uint32_t address)
{
    return static_cast<uint16_t>(address & 0xFFFF);
}

enum class ValueCall
{
    Press,
    Release,
    SetValue,
};

// One value call on the device of the address; the value is echoed only when a device took it.
void SendValue(ValueCall call, uint32_t address, float value)
{
    CAbstractDevice* device = FindDevice(address);
    if (!device)
        return;
    CNerulanValue* sent = CNerulanValue::NewFloat(value);
    switch (call)
    {
    case ValueCall::Press:
        device->Press(ChannelOf(address), sent);
        break;
    case ValueCall::Release:
        device->Release(ChannelOf(address), sent);
        break;
    case ValueCall::SetValue:
        device->SetValue(ChannelOf(address), sent);
        break;
    }
    delete sent;
    if (g_pDialogSystem)
        g_pDialogSystem->SetItemValue(address, value);
}

// A new run of a sequence begins only once the previous one has ended.
void RestartSequence(ItemCommandSequence& sequence)
{
    if (sequence.nextIndex >= sequence.count)
        sequence.nextIndex = 0;
}

template <class Fn> void ForEachAddress(CDialogItem* item, Fn fn)
{
    if (!item)
        return;
    for (int32_t i = 0; i < item->GetAddressCount(); ++i)
        fn(item->GetAddress(i));
}

void AfterPress(CDialogItem* item)
{
    RestartSequence(item->m_pressSequence);
    item->m_holdSequence.heldMs = 0;
}

void AfterRelease(CDialogItem* item)
{
    RestartSequence(item->m_releaseSequence);
    item->m_holdSequence.heldMs = 0;
}
} // namespace

void PressChannel(uint32_t address)
{
    if (CAbstractDevice* device = FindDevice(address))
        device->Press(ChannelOf(address), nullptr);
}

void ReleaseChannel(uint32_t address)
{
    if (CAbstractDevice* device = FindDevice(address))
        device->Release(ChannelOf(address), nullptr);
}

void HoldChannel(uint32_t address, uint32_t elapsedMs)
{
    if (CAbstractDevice* device = FindDevice(address))
        device->Hold(ChannelOf(address), elapsedMs);
}

void SendChannelValue(uint32_t address, float value)
{
    SendValue(ValueCall::SetValue, address, value);
}

void PressItemChannels(CDialogItem* item)
{
    if (!item)
        return;
    ForEachAddress(item, [](uint32_t address) { PressChannel(address); });
    AfterPress(item);
}

void PressItemChannelsWithValue(CDialogItem* item, float value)
{
    if (!item)
        return;
    ForEachAddress(item, [value](uint32_t address) { SendValue(ValueCall::Press, address, value); });
    AfterPress(item);
}

void ReleaseItemChannels(CDialogItem* item)
{
    if (!item)
        return;
    ForEachAddress(item, [](uint32_t address) { ReleaseChannel(address); });
    AfterRelease(item);
}

void ReleaseItemChannelsWithValue(CDialogItem* item, float value)
{
    if (!item)
        return;
    ForEachAddress(item, [value](uint32_t address) { SendValue(ValueCall::Release, address, value); });
    AfterRelease(item);
}

void HoldItemChannels(CDialogItem* item, uint32_t elapsedMs)
{
    ForEachAddress(item, [elapsedMs](uint32_t address) { HoldChannel(address, elapsedMs); });
}

void SendItemValue(CDialogItem* item, float value)
{
    ForEachAddress(item, [value](uint32_t address) { SendValue(ValueCall::SetValue, address, value); });
}

void SendItemBytes(CDialogItem* item, const uint8_t* bytes, uint32_t length)
{
    if (!item || item->GetAddressCount() == 0)
        return;
    if (CAbstractDevice* device = FindDevice(item->GetAddress(0)))
        device->SendBytes(bytes, length);
}
