#pragma once
#include <cstdint>
#include <vector>

#include "tools/writer/ItemRecordWriter.h"
#include "tools/writer/PageRecordWriter.h"

// Slider and multi-state slider children of pages and popups: the range, flags and (slider only)
// the thumb in front of the common item record.
namespace SliderRecordWriter
{
struct SliderFields
{
    int32_t low = 0;
    int32_t high = 100;
    uint8_t drag = 1; // from version 0x10501
    uint8_t horizontal = 1;
    uint8_t modeFlag = 1;             // stored as 0 or 1; newer files give the mode in the children list
    uint8_t reversed = 0;             // from version 0x10500
    uint8_t thumb = 0;                // slider only, from version 0x10501: 1-based thumb image, 0 none
    uint32_t thumbColor = 0xFFFFFFFF; // slider only, from version 0x10501, 0xRRGGBBAA
};

// The slider's record (type 1) or the multi-state slider's (type 3, no thumb) for the version.
std::vector<uint8_t> SliderRecord(uint32_t version, bool withThumb, const SliderFields& fields,
                                  const ItemRecordWriter::ItemRecord& item);

// A slider child (type 1) in the given mode (the children list's second behaviour byte) with a
// track and a fill state; a multi-state slider child (type 3) with one state per fill colour.
PageRecordWriter::ChildRecord Slider(uint32_t version, uint8_t mode, const SliderFields& fields, int16_t x,
                                     int16_t y, uint16_t width, uint16_t height, uint32_t trackFill,
                                     uint32_t levelFill, const std::vector<uint32_t>& addresses = {});
PageRecordWriter::ChildRecord MultiStateSlider(uint32_t version, uint8_t mode, const SliderFields& fields,
                                               int16_t x, int16_t y, uint16_t width, uint16_t height,
                                               const std::vector<uint32_t>& fills,
                                               const std::vector<uint32_t>& addresses = {});
} // namespace SliderRecordWriter
