#pragma once
#include <cstdint>
#include <vector>

#include "tools/writer/InterfaceFileWriter.h"
#include "tools/writer/ItemRecordWriter.h"

// Page and popup records of the interface file with their children lists. Fields the writer's
// file version does not have are left out, as the reader expects.
namespace PageRecordWriter
{
struct ChildRecord
{
    const char* name = nullptr; // from version 0x10501
    uint8_t type = 0;           // item type code (0 button, 1 slider, ...)
    uint8_t behaviour = 0;
    uint8_t secondBehaviour = 0; // from version 0x10501
    int32_t clickSoundId = 0;    // from version 0x10501
    uint8_t disabled = 0;
    uint8_t hidden = 0;
    ItemRecordWriter::ItemRecord item;
    // Written in place of the common item record when not empty (item types with records of
    // their own, or deliberately broken records).
    std::vector<uint8_t> ownRecord;
};

struct EffectRecord
{
    uint8_t type = 0;
    uint8_t direction = 0;
    uint32_t durationMs = 0;
};

struct PageRecord
{
    const char* name = nullptr;
    std::vector<uint32_t> addresses;
    ItemRecordWriter::StateRecord state;
    std::vector<ChildRecord> children;
};

struct PopupRecord
{
    const char* name = nullptr;
    const char* group = nullptr;
    uint32_t autoHideMs = 0; // from version 0x10501
    std::vector<uint32_t> addresses;
    int16_t x = 0;
    int16_t y = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    std::vector<EffectRecord> effects; // from version 0x10500
    ItemRecordWriter::StateRecord state;
    std::vector<ChildRecord> children;
};

void PutChildren(CInterfaceFileWriter& writer, const std::vector<ChildRecord>& children);
void PutPage(CInterfaceFileWriter& writer, const PageRecord& page);
void PutPopup(CInterfaceFileWriter& writer, const PopupRecord& popup);
} // namespace PageRecordWriter
