#include "devices/controllers/crestron/CrestronChannel.h"

#include <memory>

#include "common/BlobReader.h"
#include "common/StringFunctions.h"

namespace
{
// The next token of a "popup,page" text, empty when there is none.
std::string TakeToken(const char** cursor)
{
    std::unique_ptr<char[]> token(NextToken(kCommaDelimiters, cursor));
    return token ? std::string(token.get()) : std::string();
}
} // namespace

void CCrestronChannel::Load(const uint8_t* blob, uint32_t length)
{
    CBlobReader reader(blob, blob ? length : 0);
    uint8_t objectId = 0;
    uint16_t join = 0;
    uint16_t value = 0;
    if (!reader.U8(objectId) || !reader.U16LE(join) || !reader.U16LE(value))
        return;
    m_objectId = objectId;
    m_join = join;
    m_value = value;
    uint8_t mode = ModeValue;
    if (!reader.U8(mode))
        return;
    m_mode = mode;
    if (m_mode != ModePopup || reader.Remaining() == 0)
        return;
    // The names are text up to the blob's end or a NUL, whichever comes first.
    const std::string rest(reinterpret_cast<const char*>(reader.Here()), reader.Remaining());
    const char* cursor = rest.c_str();
    m_popupName = TakeToken(&cursor);
    m_pageName = TakeToken(&cursor);
}
