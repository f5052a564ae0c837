#include "tools/writer/ItemRecordWriter.h"

namespace ItemRecordWriter
{
namespace
{
constexpr uint32_t kVersionTiming = 0x10300;
constexpr uint32_t kVersionBorders = 0x10400;
constexpr uint32_t kVersionTextEffects = 0x10500;

void PutI16(CInterfaceFileWriter& writer, int16_t value)
{
    writer.PutU16(static_cast<uint16_t>(value));
}
} // namespace

void PutState(CInterfaceFileWriter& writer, const StateRecord& state)
{
    const uint32_t version = writer.Version();
    writer.PutU32(state.fillColor);
    writer.PutU8(state.opacity);
    if (version >= kVersionBorders)
        writer.PutU32(state.drawOrder);
    writer.PutU32(state.bitmapId);
    writer.PutU8(state.bitmapAlignment);
    PutI16(writer, state.bitmapX);
    PutI16(writer, state.bitmapY);
    writer.PutU32(state.iconId);
    writer.PutU8(state.iconAlignment);
    PutI16(writer, state.iconX);
    PutI16(writer, state.iconY);
    if (version >= kVersionBorders)
    {
        writer.PutU32(state.border);
        writer.PutU32(state.borderColor);
    }
    writer.PutU32(state.fontId);
    writer.PutU8(state.textAlignment);
    if (version >= kVersionBorders)
        writer.PutU8(state.wordWrap);
    PutI16(writer, state.textX);
    PutI16(writer, state.textY);
    writer.PutU32(state.textColor);
    writer.PutText(state.text);
    if (version >= kVersionTextEffects)
    {
        writer.PutU16(state.textEffect);
        writer.PutU32(state.textEffectColor);
    }
}

void PutAddresses(CInterfaceFileWriter& writer, const std::vector<uint32_t>& addresses)
{
    // The count is a byte: a longer list is cut to 255 so that the count and the words agree.
    const size_t count = addresses.size() < 255 ? addresses.size() : 255;
    writer.PutU8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; i++)
        writer.PutU32(addresses[i]);
}

void PutFlipCommands(CInterfaceFileWriter& writer, const std::vector<FlipRecord>& commands)
{
    // A 16-bit count: a longer list is cut so that the count and the records agree.
    const size_t count = commands.size() < 0xFFFF ? commands.size() : 0xFFFF;
    writer.PutU16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; i++)
    {
        writer.PutU8(commands[i].type);
        writer.PutText(commands[i].text);
    }
}

void PutStates(CInterfaceFileWriter& writer, const std::vector<StateRecord>& states)
{
    const size_t count = states.size() < 0xFFFF ? states.size() : 0xFFFF;
    writer.PutU16(static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; i++)
        PutState(writer, states[i]);
}

void PutRect(CInterfaceFileWriter& writer, const ItemRecord& item)
{
    PutI16(writer, item.x);
    PutI16(writer, item.y);
    writer.PutU16(item.width);
    writer.PutU16(item.height);
}

void PutItem(CInterfaceFileWriter& writer, const ItemRecord& item)
{
    PutRect(writer, item);
    if (writer.Version() >= kVersionTiming)
    {
        writer.PutU8(item.loop);
        writer.PutU16(item.firstDuration);
        writer.PutU16(item.secondDuration);
    }
    PutAddresses(writer, item.addresses);
    PutFlipCommands(writer, item.flipCommands);
    PutStates(writer, item.states);
}
} // namespace ItemRecordWriter
