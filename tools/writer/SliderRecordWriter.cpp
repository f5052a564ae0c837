#include "tools/writer/SliderRecordWriter.h"

namespace SliderRecordWriter
{
namespace
{
constexpr uint32_t kVersionDragFlag = 0x10501;
constexpr uint32_t kVersionReversed = 0x10500;
constexpr uint32_t kVersionThumb = 0x10501;
constexpr uint8_t kTypeSlider = 1;
constexpr uint8_t kTypeMultiStateSlider = 3;

PageRecordWriter::ChildRecord Child(uint32_t version, uint8_t type, uint8_t mode, const SliderFields& fields,
                                    int16_t x, int16_t y, uint16_t width, uint16_t height,
                                    const std::vector<uint32_t>& fills,
                                    const std::vector<uint32_t>& addresses)
{
    PageRecordWriter::ChildRecord child;
    child.type = type;
    child.secondBehaviour = mode;
    child.item.x = x;
    child.item.y = y;
    child.item.width = width;
    child.item.height = height;
    child.item.addresses = addresses;
    for (uint32_t fill : fills)
    {
        ItemRecordWriter::StateRecord state;
        state.fillColor = fill;
        child.item.states.push_back(state);
    }
    child.ownRecord = SliderRecord(version, type == kTypeSlider, fields, child.item);
    return child;
}
} // namespace

std::vector<uint8_t> SliderRecord(uint32_t version, bool withThumb, const SliderFields& fields,
                                  const ItemRecordWriter::ItemRecord& item)
{
    CInterfaceFileWriter writer;
    CInterfaceFileWriter::Header header;
    header.version = version;
    writer.PutHeader(header);
    size_t start = writer.Size();
    writer.PutI32(fields.low);
    writer.PutI32(fields.high);
    if (version >= kVersionDragFlag)
        writer.PutU8(fields.drag);
    writer.PutU8(fields.horizontal);
    writer.PutU8(fields.modeFlag);
    if (version >= kVersionReversed)
        writer.PutU8(fields.reversed);
    if (withThumb && version >= kVersionThumb)
    {
        writer.PutU8(fields.thumb);
        writer.PutU32(fields.thumbColor);
    }
    ItemRecordWriter::PutItem(writer, item);
    return std::vector<uint8_t>(writer.Bytes().begin() + static_cast<std::ptrdiff_t>(start),
                                writer.Bytes().end());
}

PageRecordWriter::ChildRecord Slider(uint32_t version, uint8_t mode, const SliderFields& fields, int16_t x,
                                     int16_t y, uint16_t width, uint16_t height, uint32_t trackFill,
                                     uint32_t levelFill, const std::vector<uint32_t>& addresses)
{
    return Child(version, kTypeSlider, mode, fields, x, y, width, height, {trackFill, levelFill}, addresses);
}

PageRecordWriter::ChildRecord MultiStateSlider(uint32_t version, uint8_t mode, const SliderFields& fields,
                                               int16_t x, int16_t y, uint16_t width, uint16_t height,
                                               const std::vector<uint32_t>& fills,
                                               const std::vector<uint32_t>& addresses)
{
    return Child(version, kTypeMultiStateSlider, mode, fields, x, y, width, height, fills, addresses);
}
} // namespace SliderRecordWriter
