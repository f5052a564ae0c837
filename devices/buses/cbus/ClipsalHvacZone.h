#pragma once
#include <cstddef>
#include <cstdint>

// What the panel knows of one air-conditioning zone group, by field: byte 0 zone group, 1 record
// kind (1 or 2), 2 zone list, 3 mode, 4-7 the mode byte's bits 3-6, 8-14 and 17 plant flags, 15
// level, 16 its bit 6, 21, 23 and 24 set-zone bytes, 25 on (1) or off (0); and the temperature.
// A channel's field index i reads byte i + 2 (index 18 reads the temperature).
struct ClipsalHvacZone
{
    static constexpr size_t kBytes = 260;
    static constexpr uint8_t kLastFieldIndex = 23;

    uint8_t bytes[kBytes] = {};
    float temperature = 0;

    uint8_t Group() const { return bytes[0]; }
    uint8_t Kind() const { return bytes[1]; }
    uint8_t ZoneList() const { return bytes[2]; }
    // The mode byte of a set-zone command: mode and bits 3-6 from bytes 4-7.
    uint8_t ModeByte() const;
    // The level byte: level and bit 6 from byte 16.
    uint8_t LevelByte() const;

    // The length of the air-conditioning command at `command` (the command byte first, then the
    // zone group), with `available` bytes there; 0 when it does not fit.
    static size_t CommandLength(const uint8_t* command, size_t available);
    // Takes the fields of a whole command (CommandLength bytes) into the record.
    void Apply(const uint8_t* command);

    // A press on a field: command type 6 adds `value` to field `index`, 7 sets it, 5 toggles a
    // zone-list bit (index 0) or the field between 0 and 1. False for an index past the fields.
    bool ChangeField(uint8_t commandType, uint8_t index, uint8_t value);
    // The value a channel reading field `index` with data 1 `value` shows; false when none.
    bool FieldValue(uint8_t index, uint8_t value, double& out) const;
};
