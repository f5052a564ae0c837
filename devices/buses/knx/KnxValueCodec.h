#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "common/NerulanValue.h"

class CBlobReader;

// The value coding of KNX group-address channels (cEMI data of group telegrams) and of
// object-server datapoints, by the channel's KnxValueType (ValueType codes 1 to 8, 12, 14, 18).
// Pure functions: a channel's stored state (its value, a toggle's bit) stays with the caller.

enum KnxSubtype : uint8_t
{
    KnxSubtypePercent = 3,
    KnxSubtypeAngle = 4,
    KnxSubtypeToggle = 17,
};

// A decoded value: the channel's new value and the number posted to the interface.
struct KnxDecodedValue
{
    std::unique_ptr<CNerulanValue> value;
    float posted = 0.0f;
};

// The initial value of a channel blob, little-endian, by value type (1: one byte, not 0 = true;
// 8 and 18: a 32-bit IEEE float). Null when the blob is too short or the type has no value.
std::unique_ptr<CNerulanValue> KnxReadInitialValue(uint8_t valueType, CBlobReader& reader);

// A value given by the interface, made into the channel's type (types 1 to 7 from its integer,
// 8 and 18 from its float). Percent and angle bytes keep the full integer, so that the encoder
// can clamp before it cuts to 8 bits. Null for types that take no given value (12, 14, others).
std::unique_ptr<CNerulanValue> KnxConvertGivenValue(uint8_t valueType, uint8_t subtype,
                                                    const CNerulanValue& given);

// The data of a group value write (data[0] = the 6 bits beside the APCI). A toggle channel
// (type 1, subtype 17) sends the inverse of the value's bit; the caller stores data[0] as the
// channel's new bit. False for a type without an encoding.
bool KnxEncodeChannelValue(uint8_t valueType, uint8_t subtype, const CNerulanValue& value,
                           std::vector<uint8_t>& data);
// Decodes a telegram's data (as ParseCemiFrame gives it); false when its length does not fit the
// type or the type has no decoding.
bool KnxDecodeChannelValue(uint8_t valueType, uint8_t subtype, const uint8_t* data, size_t length,
                           KnxDecodedValue& out);

// The bytes of an object-server datapoint value: percent and angle bytes scaled, type 18 as the
// 2-byte float, type 8 as an IEEE float, the others big-endian in the type's width. A toggle
// is the caller's (its bit is given as the value). False for a type without an encoding.
bool KnxEncodeDatapointValue(uint8_t valueType, uint8_t subtype, const CNerulanValue& value,
                             std::vector<uint8_t>& bytes);
// Reads the first bytes of a datapoint value; false when fewer than the type needs are there.
bool KnxDecodeDatapointValue(uint8_t valueType, uint8_t subtype, const uint8_t* bytes, size_t length,
                             KnxDecodedValue& out);

// Same type and same stored bytes.
bool KnxSameValue(const CNerulanValue* a, const CNerulanValue* b);
