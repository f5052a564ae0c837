#include "common/DynamicSpriteData.h"

#include "common/StringFunctions.h"

CDynamicSpriteData::~CDynamicSpriteData()
{
    StrFree(host);
    StrFree(user);
    StrFree(password);
    StrFree(path);
    StrFree(file);
}

void CDynamicSpriteData::SetText(char*& field, const char* text)
{
    StrFree(field);
    field = StrDup(text);
}
