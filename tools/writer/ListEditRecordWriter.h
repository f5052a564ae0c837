#pragma once
#include <cstdint>
#include <vector>

#include "tools/writer/ItemRecordWriter.h"
#include "tools/writer/PageRecordWriter.h"

// List-box and edit-box children of pages and popups: records of their own around the common
// item block.
namespace ListEditRecordWriter
{
struct ListBoxRow
{
    const char* text = nullptr; // UTF-8; null: none
    uint32_t imageId = 0;
    uint8_t selected = 0;
    std::vector<ItemRecordWriter::FlipRecord> flips;
    std::vector<uint32_t> keys; // at most 255
};

struct ListBoxRecord
{
    // The header, from version 0x10500.
    uint8_t horizontal = 0;
    uint8_t header = 0;
    uint32_t rowSize = 0;
    int32_t indent = 0;
    ItemRecordWriter::ItemRecord item;
    std::vector<ListBoxRow> rows; // at most 65535
};

struct EditBoxRecord
{
    uint32_t maximum = 0; // 0: no limit of its own
    const char* firstText = nullptr;
    const char* secondText = nullptr;
    // The timing block is written whatever the version.
    ItemRecordWriter::ItemRecord item;
};

std::vector<uint8_t> ListBoxBytes(uint32_t version, const ListBoxRecord& record);
std::vector<uint8_t> EditBoxBytes(uint32_t version, const EditBoxRecord& record);

// Children of type 4 and 7 carrying those records.
PageRecordWriter::ChildRecord ListBox(uint32_t version, uint8_t behaviour, const ListBoxRecord& record);
PageRecordWriter::ChildRecord EditBox(uint32_t version, uint8_t behaviour, const EditBoxRecord& record);
} // namespace ListEditRecordWriter
