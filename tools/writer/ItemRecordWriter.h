#pragma once
#include <cstdint>
#include <vector>

#include "tools/writer/InterfaceFileWriter.h"

// Item records of the interface file: the common item record and its state records. Fields that
// the writer's file version does not have are left out, as the reader expects.
namespace ItemRecordWriter
{
struct StateRecord
{
    uint32_t fillColor = 0; // 0xRRGGBBAA
    uint8_t opacity = 255;
    uint32_t drawOrder = 0x54321; // from version 0x10400
    uint32_t bitmapId = 0;
    uint8_t bitmapAlignment = 5;
    int16_t bitmapX = 0;
    int16_t bitmapY = 0;
    uint32_t iconId = 0;
    uint8_t iconAlignment = 5;
    int16_t iconX = 0;
    int16_t iconY = 0;
    uint32_t border = 0;      // from version 0x10400
    uint32_t borderColor = 0; // from version 0x10400
    uint32_t fontId = 0;
    uint8_t textAlignment = 5;
    uint8_t wordWrap = 0; // from version 0x10400
    int16_t textX = 0;
    int16_t textY = 0;
    uint32_t textColor = 0;
    const char* text = nullptr;   // UTF-8; null: no text
    uint16_t textEffect = 0;      // from version 0x10500
    uint32_t textEffectColor = 0; // from version 0x10500
};

struct FlipRecord
{
    uint8_t type = 0;
    const char* text = nullptr; // null: no text
};

struct ItemRecord
{
    int16_t x = 0;
    int16_t y = 0;
    uint16_t width = 0;
    uint16_t height = 0;
    uint8_t loop = 0;           // from version 0x10300
    uint16_t firstDuration = 0; // tenths of a second for the whole animation
    uint16_t secondDuration = 0;
    std::vector<uint32_t> addresses; // at most 255
    std::vector<FlipRecord> flipCommands;
    std::vector<StateRecord> states;
};

void PutState(CInterfaceFileWriter& writer, const StateRecord& state);
// The address count byte and the addresses.
void PutAddresses(CInterfaceFileWriter& writer, const std::vector<uint32_t>& addresses);
void PutFlipCommands(CInterfaceFileWriter& writer, const std::vector<FlipRecord>& commands);
// The 16-bit state count and the states.
void PutStates(CInterfaceFileWriter& writer, const std::vector<StateRecord>& states);
// The rectangle (x, y, width, height as 16-bit fields).
void PutRect(CInterfaceFileWriter& writer, const ItemRecord& item);
// The whole common item record.
void PutItem(CInterfaceFileWriter& writer, const ItemRecord& item);
} // namespace ItemRecordWriter
