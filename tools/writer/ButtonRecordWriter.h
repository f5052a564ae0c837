#pragma once
#include <cstdint>
#include <vector>

#include "tools/writer/ItemRecordWriter.h"
#include "tools/writer/PageRecordWriter.h"

// Button children of pages and popups. Trigger and up/down buttons carry two floats in front of
// the common item record (first and second value; step and limit).
namespace ButtonRecordWriter
{
// The two floats (little-endian) followed by the common item record, as written for the version.
std::vector<uint8_t> ValueButtonRecord(uint32_t version, float first, float second,
                                       const ItemRecordWriter::ItemRecord& item);

// A child of the given type code at a rectangle, with one state per fill colour and an optional
// text on every state; its flip commands and addresses are filled in by the caller.
PageRecordWriter::ChildRecord Button(uint8_t type, uint8_t behaviour, int16_t x, int16_t y, uint16_t width,
                                     uint16_t height, const std::vector<uint32_t>& fills,
                                     const char* text = nullptr);

// A trigger (first, second) or up/down (step, limit) child: the record is built for the version.
PageRecordWriter::ChildRecord ValueButton(uint32_t version, uint8_t type, uint8_t behaviour, float first,
                                          float second, const ItemRecordWriter::ItemRecord& item);
} // namespace ButtonRecordWriter
