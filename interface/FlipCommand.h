#pragma once
#include <cstdint>

// What a release action does (the text names the page, popup or popup group).
enum FlipCommandType : uint8_t
{
    FlipShowPage = 1,
    FlipGoBack = 2,
    FlipShowPopup = 3,
    FlipHidePopup = 4,
    FlipTogglePopup = 5,
    FlipHidePopupGroup = 6,
    // The text names the page; no text means the current page.
    FlipHideAllPopupsOnPage = 7,
    FlipHideAllPopups = 8,
    FlipQuit = 10,
};

// One release action of an item or of a list-box row. Other types do nothing when run.
class CFlipCommand
{
public:
    // The text is copied; null keeps none.
    CFlipCommand(uint8_t type, const char* text);
    virtual ~CFlipCommand();
    CFlipCommand(const CFlipCommand&) = delete;
    CFlipCommand& operator=(const CFlipCommand&) = delete;

    uint8_t GetType() const { return m_type; }
    const char* GetText() const { return m_text; }

private:
    uint8_t m_type;
    char* m_text = nullptr;
};
