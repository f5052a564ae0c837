// Reading the common item record. Every count and length is checked against the bytes left: a
// record that does not fit makes the reader return false, and the loader then stops.
#include "common/InStream.h"
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/CommandSequences.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/FlipCommand.h"

namespace
{
constexpr uint32_t kVersionTiming = 0x10300;

bool ReadU16As32(CInStream* stream, int32_t& value)
{
    uint16_t raw = 0;
    if (!stream->ReadU16(raw))
        return false;
    value = raw;
    return true;
}

void AppendToSequence(ItemCommandSequence& sequence, uint32_t address)
{
    // A sequence holds 128 entries while the count byte allows 255: the rest are dropped.
    if (sequence.count < ItemCommandSequence::kCapacity)
        sequence.entries[sequence.count++] = address;
}

void AppendToSequence(ItemHoldSequence& sequence, uint32_t address)
{
    if (sequence.count < ItemHoldSequence::kCapacity)
        sequence.entries[sequence.count++] = address;
}
} // namespace

bool CDialogItem::Load(CInStream* stream)
{
    if (!LoadRect(stream))
        return false;
    if (g_fileVersion >= kVersionTiming && !LoadTiming(stream))
        return false;
    if (!LoadCommandKeys(stream) || !LoadFlipCommands(stream) || !LoadStates(stream))
        return false;
    ScaleDurationsToStates();
    ResetLayout();
    return true;
}

bool CDialogItem::LoadRect(CInStream* stream)
{
    ItemRect rect;
    if (!stream->ReadI16(rect.x) || !stream->ReadI16(rect.y) || !ReadU16As32(stream, rect.width) ||
        !ReadU16As32(stream, rect.height))
        return false;
    m_loadedRect = rect;
    return true;
}

bool CDialogItem::LoadTiming(CInStream* stream)
{
    uint8_t loop = 0;
    uint16_t first = 0;
    uint16_t second = 0;
    if (!stream->ReadU8(loop) || !stream->ReadU16(first) || !stream->ReadU16(second))
        return false;
    m_loop = loop != 0 ? 1 : 0;
    m_firstDurationMs = first;
    m_secondDurationMs = second;
    return true;
}

void CDialogItem::ScaleDurationsToStates()
{
    uint32_t count = static_cast<uint32_t>(GetStateCount());
    if (count == 0)
        return;
    m_firstDurationMs = m_firstDurationMs * 100 / count;
    m_secondDurationMs = m_secondDurationMs * 100 / count;
}

bool CDialogItem::LoadCommandKeys(CInStream* stream)
{
    uint8_t count = 0;
    if (!stream->ReadU8(count))
        return false;
    if (stream->Pending() < static_cast<int32_t>(count) * 4)
        return false;
    m_hasSequences = 0;
    delete[] m_addresses;
    m_addresses = count != 0 ? new uint32_t[count] : nullptr;
    m_addressCapacity = count;
    m_addressCount = 0;
    m_pressSequence.count = m_releaseSequence.count = m_holdSequence.count = 0;
    for (int32_t i = 0; i < count; i++)
    {
        uint32_t address = 0;
        stream->ReadU32(address);
        AddCommandKey(address, ClassifyCommandKey(address));
    }
    // Nothing plays until the first press or release.
    m_pressSequence.nextIndex = m_pressSequence.count;
    m_releaseSequence.nextIndex = m_releaseSequence.count;
    return true;
}

void CDialogItem::AddCommandKey(uint32_t address, uint8_t kind)
{
    switch (kind)
    {
    case CommandKeyPlain:
        AppendPlainAddress(address);
        break;
    case CommandKeyPress:
        m_hasSequences = 1;
        AppendToSequence(m_pressSequence, address);
        break;
    case CommandKeyRelease:
        m_hasSequences = 1;
        AppendToSequence(m_releaseSequence, address);
        break;
    case CommandKeyHold:
        m_hasSequences = 1;
        AppendToSequence(m_holdSequence, address);
        break;
    default:
        break;
    }
}

bool CDialogItem::LoadFlipCommands(CInStream* stream)
{
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    m_flipCommands->Reserve(m_flipCommands->GetCount() + count);
    for (int32_t i = 0; i < count; i++)
    {
        uint8_t type = 0;
        char* text = nullptr;
        if (!stream->ReadU8(type) || !stream->ReadText(text))
            return false;
        m_flipCommands->Add(new CFlipCommand(type, text));
        delete[] text;
    }
    return true;
}

bool CDialogItem::LoadItemState(CInStream* stream)
{
    CDialogItemState* state = new CDialogItemState(this);
    if (!state->Load(stream, g_fileVersion))
    {
        delete state;
        return false;
    }
    m_states->Add(state);
    return true;
}

bool CDialogItem::LoadStates(CInStream* stream)
{
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    m_states->Reserve(m_states->GetCount() + count);
    for (int32_t i = 0; i < count; i++)
    {
        if (!LoadItemState(stream))
            return false;
    }
    return true;
}
