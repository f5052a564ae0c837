#include "tools/writer/ListEditRecordWriter.h"

namespace ListEditRecordWriter
{
namespace
{
constexpr uint32_t kVersionListHeader = 0x10500;
constexpr uint8_t kTypeListBox = 4;
constexpr uint8_t kTypeEditBox = 7;

CInterfaceFileWriter WriterFor(uint32_t version, size_t& start)
{
    CInterfaceFileWriter writer;
    CInterfaceFileWriter::Header header;
    header.version = version;
    writer.PutHeader(header);
    start = writer.Size();
    return writer;
}

std::vector<uint8_t> After(const CInterfaceFileWriter& writer, size_t start)
{
    return std::vector<uint8_t>(writer.Bytes().begin() + static_cast<std::ptrdiff_t>(start),
                                writer.Bytes().end());
}

void PutRow(CInterfaceFileWriter& writer, const ListBoxRow& row)
{
    writer.PutText(row.text);
    writer.PutU32(row.imageId);
    writer.PutU8(row.selected);
    writer.PutU16(static_cast<uint16_t>(row.flips.size()));
    for (const auto& flip : row.flips)
    {
        writer.PutU8(flip.type);
        writer.PutText(flip.text);
    }
    writer.PutU8(static_cast<uint8_t>(row.keys.size()));
    for (uint32_t key : row.keys)
        writer.PutU32(key);
}
} // namespace

std::vector<uint8_t> ListBoxBytes(uint32_t version, const ListBoxRecord& record)
{
    size_t start = 0;
    CInterfaceFileWriter writer = WriterFor(version, start);
    if (version >= kVersionListHeader)
    {
        writer.PutU8(record.horizontal);
        writer.PutU8(record.header);
        writer.PutU32(record.rowSize);
        writer.PutI32(record.indent);
    }
    ItemRecordWriter::PutItem(writer, record.item);
    writer.PutU16(static_cast<uint16_t>(record.rows.size()));
    for (const auto& row : record.rows)
        PutRow(writer, row);
    return After(writer, start);
}

std::vector<uint8_t> EditBoxBytes(uint32_t version, const EditBoxRecord& record)
{
    size_t start = 0;
    CInterfaceFileWriter writer = WriterFor(version, start);
    writer.PutU32(record.maximum);
    writer.PutText(record.firstText);
    writer.PutText(record.secondText);
    const ItemRecordWriter::ItemRecord& item = record.item;
    ItemRecordWriter::PutRect(writer, item);
    writer.PutU8(item.loop);
    writer.PutU16(item.firstDuration);
    writer.PutU16(item.secondDuration);
    ItemRecordWriter::PutAddresses(writer, item.addresses);
    ItemRecordWriter::PutFlipCommands(writer, item.flipCommands);
    ItemRecordWriter::PutStates(writer, item.states);
    return After(writer, start);
}

PageRecordWriter::ChildRecord ListBox(uint32_t version, uint8_t behaviour, const ListBoxRecord& record)
{
    PageRecordWriter::ChildRecord child;
    child.type = kTypeListBox;
    child.behaviour = behaviour;
    child.item = record.item;
    child.ownRecord = ListBoxBytes(version, record);
    return child;
}

PageRecordWriter::ChildRecord EditBox(uint32_t version, uint8_t behaviour, const EditBoxRecord& record)
{
    PageRecordWriter::ChildRecord child;
    child.type = kTypeEditBox;
    child.behaviour = behaviour;
    child.item = record.item;
    child.ownRecord = EditBoxBytes(version, record);
    return child;
}
} // namespace ListEditRecordWriter
