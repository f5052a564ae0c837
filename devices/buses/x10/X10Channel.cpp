#include "devices/buses/x10/X10Channel.h"

#include "common/BlobReader.h"
#include "devices/buses/x10/X10Codec.h"

void CX10Channel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    uint8_t action = 0;
    uint32_t period = 0;
    uint8_t house = 0;
    uint8_t unit = 0;
    uint8_t function = 0;
    uint8_t extended = 0;
    uint8_t data = 0;
    if (!reader.U8(action) || (action == ActionPeriodic && !reader.U32LE(period)) || !reader.U8(house) ||
        !reader.U8(unit) || !reader.U8(function) ||
        (function == x10::kFunctionExtended && !reader.U8(extended)) || !reader.U8(data))
        return;
    SetAction(action);
    SetPeriod(period);
    m_house = house;
    m_unit = unit;
    m_function = function;
    m_extended = extended;
    m_data = data;
}
