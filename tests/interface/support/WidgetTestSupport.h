#pragma once
// List boxes and edit boxes for the widget tests, built with the writer.
#include "ButtonTestSupport.h"
#include "tools/writer/ListEditRecordWriter.h"

namespace widgettest
{
// A vertical list box at (x, y) of width x height with rows of rowSize and `rows` rows whose texts
// are "row 0", "row 1", ...; four states (background, row, selected, tapped).
inline ListEditRecordWriter::ListBoxRecord ListBoxRecord(uint32_t rowSize, int rows,
                                                         std::vector<uint32_t> addresses, int16_t x = 0,
                                                         int16_t y = 0, uint16_t width = 200,
                                                         uint16_t height = 100)
{
    static const char* const kTexts[] = {"row 0", "row 1", "row 2", "row 3", "row 4",
                                         "row 5", "row 6", "row 7", "row 8", "row 9"};
    ListEditRecordWriter::ListBoxRecord record;
    record.rowSize = rowSize;
    record.item.x = x;
    record.item.y = y;
    record.item.width = width;
    record.item.height = height;
    record.item.addresses = std::move(addresses);
    for (uint32_t fill : {0x101010FFu, 0x202080FFu, 0x20A020FFu, 0xA02020FFu})
    {
        ItemRecordWriter::StateRecord state;
        state.fillColor = fill;
        record.item.states.push_back(state);
    }
    for (int i = 0; i < rows; i++)
    {
        ListEditRecordWriter::ListBoxRow row;
        row.text = kTexts[i % 10];
        record.rows.push_back(row);
    }
    return record;
}

inline PageRecordWriter::ChildRecord ListBox(const ListEditRecordWriter::ListBoxRecord& record)
{
    return ListEditRecordWriter::ListBox(buttontest::CButtonHarness::kVersion, 0, record);
}

inline PageRecordWriter::ChildRecord EditBox(const char* name, std::vector<uint32_t> addresses,
                                             int16_t x = 10, int16_t y = 300)
{
    ListEditRecordWriter::EditBoxRecord record;
    record.item.x = x;
    record.item.y = y;
    record.item.width = 100;
    record.item.height = 30;
    record.item.addresses = std::move(addresses);
    for (uint32_t fill : {0x303030FFu, 0x505050FFu})
    {
        ItemRecordWriter::StateRecord state;
        state.fillColor = fill;
        record.item.states.push_back(state);
    }
    PageRecordWriter::ChildRecord child =
        ListEditRecordWriter::EditBox(buttontest::CButtonHarness::kVersion, 0, record);
    child.name = name;
    return child;
}
} // namespace widgettest
