#include "tools/writer/PageRecordWriter.h"

namespace PageRecordWriter
{
namespace
{
constexpr uint32_t kVersionEffects = 0x10500;
constexpr uint32_t kVersionNames = 0x10501;
} // namespace

void PutChildren(CInterfaceFileWriter& writer, const std::vector<ChildRecord>& children)
{
    writer.PutU16(static_cast<uint16_t>(children.size()));
    for (const ChildRecord& child : children)
    {
        bool named = writer.Version() >= kVersionNames;
        if (named)
            writer.PutText(child.name);
        writer.PutU8(child.type);
        writer.PutU8(child.behaviour);
        if (named)
        {
            writer.PutU8(child.secondBehaviour);
            writer.PutU8(0);
            writer.PutI32(child.clickSoundId);
        }
        writer.PutU8(child.disabled);
        writer.PutU8(child.hidden);
        if (!child.ownRecord.empty())
            writer.PutBytes(child.ownRecord.data(), child.ownRecord.size());
        else
            ItemRecordWriter::PutItem(writer, child.item);
    }
}

void PutPage(CInterfaceFileWriter& writer, const PageRecord& page)
{
    writer.PutText(page.name);
    ItemRecordWriter::PutAddresses(writer, page.addresses);
    ItemRecordWriter::PutState(writer, page.state);
    PutChildren(writer, page.children);
}

void PutPopup(CInterfaceFileWriter& writer, const PopupRecord& popup)
{
    writer.PutText(popup.name);
    writer.PutText(popup.group);
    if (writer.Version() >= kVersionNames)
        writer.PutU32(popup.autoHideMs);
    ItemRecordWriter::PutAddresses(writer, popup.addresses);
    writer.PutU16(static_cast<uint16_t>(popup.x));
    writer.PutU16(static_cast<uint16_t>(popup.y));
    writer.PutU16(popup.width);
    writer.PutU16(popup.height);
    if (writer.Version() >= kVersionEffects)
    {
        writer.PutU16(static_cast<uint16_t>(popup.effects.size()));
        for (const EffectRecord& effect : popup.effects)
        {
            writer.PutU8(effect.type);
            writer.PutU8(effect.direction);
            writer.PutU32(effect.durationMs);
        }
    }
    ItemRecordWriter::PutState(writer, popup.state);
    PutChildren(writer, popup.children);
}
} // namespace PageRecordWriter
