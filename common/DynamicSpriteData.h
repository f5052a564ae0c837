#pragma once
#include <cstdint>

// A change of a dynamic image's address, credentials, path or refresh period, built by the panel
// link and applied with CSprite::ApplyChanges. Only the fields whose mask bit is set are applied.
// The record owns its five texts (StrDup blocks, released with StrFree here).
class CDynamicSpriteData
{
public:
    enum ChangeBits : uint32_t
    {
        ChangeProtocol = 0x001,
        ChangeHost = 0x002,
        ChangePort = 0x004,
        ChangeUser = 0x008,
        ChangePassword = 0x010,
        ChangePath = 0x020,
        ChangeFile = 0x040,
        ChangeRefreshPeriod = 0x080,
        ChangeFurther = 0x100,
        ChangeFlag = 0x200,
    };

    CDynamicSpriteData() = default;
    virtual ~CDynamicSpriteData();
    CDynamicSpriteData(const CDynamicSpriteData&) = delete;
    CDynamicSpriteData& operator=(const CDynamicSpriteData&) = delete;

    // Replace one owned text with a copy of text (null or empty keeps none); the mask is not
    // changed by these.
    static void SetText(char*& field, const char* text);

    uint32_t mask = 0;
    uint8_t protocol = 0;
    char* host = nullptr;
    uint16_t port = 0;
    char* user = nullptr;
    char* password = nullptr;
    char* path = nullptr;
    char* file = nullptr;
    uint32_t refreshPeriod = 0; // milliseconds
    uint8_t further = 0;        // carried by the panel command; a dynamic image keeps no such field
    uint8_t flag = 0;
};
