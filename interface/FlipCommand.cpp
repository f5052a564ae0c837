#include "interface/FlipCommand.h"

#include <cstring>

CFlipCommand::CFlipCommand(uint8_t type, const char* text) : m_type(type)
{
    // An empty text is kept (it is not the same as no text for the page-wide hide).
    if (text != nullptr)
    {
        size_t length = std::strlen(text);
        m_text = new char[length + 1];
        std::memcpy(m_text, text, length + 1);
    }
}

CFlipCommand::~CFlipCommand()
{
    delete[] m_text;
}
