#include "tools/writer/ButtonRecordWriter.h"

#include <cstring>

namespace ButtonRecordWriter
{
std::vector<uint8_t> ValueButtonRecord(uint32_t version, float first, float second,
                                       const ItemRecordWriter::ItemRecord& item)
{
    // The item record's fields depend on the version the writer remembers from its header.
    CInterfaceFileWriter writer;
    CInterfaceFileWriter::Header header;
    header.version = version;
    writer.PutHeader(header);
    size_t start = writer.Size();
    uint32_t bits = 0;
    std::memcpy(&bits, &first, sizeof bits);
    writer.PutU32(bits);
    std::memcpy(&bits, &second, sizeof bits);
    writer.PutU32(bits);
    ItemRecordWriter::PutItem(writer, item);
    return std::vector<uint8_t>(writer.Bytes().begin() + static_cast<std::ptrdiff_t>(start),
                                writer.Bytes().end());
}

PageRecordWriter::ChildRecord Button(uint8_t type, uint8_t behaviour, int16_t x, int16_t y, uint16_t width,
                                     uint16_t height, const std::vector<uint32_t>& fills, const char* text)
{
    PageRecordWriter::ChildRecord child;
    child.type = type;
    child.behaviour = behaviour;
    child.item.x = x;
    child.item.y = y;
    child.item.width = width;
    child.item.height = height;
    for (uint32_t fill : fills)
    {
        ItemRecordWriter::StateRecord state;
        state.fillColor = fill;
        state.text = text;
        state.textColor = 0xFFFFFFFF;
        child.item.states.push_back(state);
    }
    return child;
}

PageRecordWriter::ChildRecord ValueButton(uint32_t version, uint8_t type, uint8_t behaviour, float first,
                                          float second, const ItemRecordWriter::ItemRecord& item)
{
    PageRecordWriter::ChildRecord child;
    child.type = type;
    child.behaviour = behaviour;
    child.item = item;
    child.ownRecord = ValueButtonRecord(version, first, second, item);
    return child;
}
} // namespace ButtonRecordWriter
