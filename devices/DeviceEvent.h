#pragma once
#include <cstdint>
#include <cstring>

class CDynamicSpriteData;

// What a device event asks of the interface. The numbers are those of the interface file's
// report kinds, so a channel's report kind can be posted as it stands.
enum DeviceEventKind : uint8_t
{
    EventNone = 0,
    EventSetItemValue = 1,
    EventSetSliderValue = 2,
    EventStepItemValue = 3,
    EventSetItemText = 4,
    EventAppendItemText = 5,
    EventSetItemState = 6,
    EventSetItemFillColor = 7,
    EventSetItemTextColor = 8,
    EventSetItemBorderColor = 9,
    EventSetItemOpacity = 10,
    EventSetItemEnabled = 11,
    EventSetItemVisible = 12,
    EventSetItemBitmapByName = 13,
    EventSetItemBitmapById = 14,
    EventClearItemIcon = 15,
    EventSetItemIconById = 16,
    EventSetItemBitmapAlignment = 17,
    EventSetItemIconAlignment = 18,
    EventSetItemTextAlignment = 19,
    EventShowPage = 20,
    EventShowPopup = 21,
    EventHidePopup = 22,
    EventTogglePopup = 23,
    EventHidePopupGroup = 24,
    EventHidePopupOnAllPages = 25,
    EventHideAllPopupsOnPage = 26,
    EventHideAllPopups = 27,
    EventAddDynamicImage = 28,
    EventChangeDynamicImage = 29,
    EventRefreshDynamicImage = 30,
    EventRefreshAllDynamicImages = 31,
    EventListBoxClear = 32,
    EventListBoxAddRows = 33,
    EventListBoxSetResistance = 34,
    EventListBoxSetScrollColor = 35,
    EventListBoxShowScrollBar = 36,
    EventListBoxSetIndent = 37,
    EventListBoxSelectRow = 38,
    EventListBoxSetRowChannel = 39,
    EventListBoxSetRowText = 40,
    EventListBoxSetRowBitmap = 41,
    EventListBoxClearRowFlips = 42,
    EventListBoxAddRowFlip = 43,
    EventClearFocusedEditBox = 44,
    EventEditBoxInsertText = 45,
    EventEditBoxKey46 = 46,
    EventEditBoxKey47 = 47,
    EventEditBoxCaretLeft = 48,
    EventEditBoxCaretRight = 49,
    EventEditBoxCaretHome = 50,
    EventEditBoxCaretEnd = 51,
    EventEditBoxBackspace = 52,
    EventEditBoxDeleteChar = 53,
    EventEditBoxSend = 54,
    EventClearPageEditBoxes = 55,
    EventSendPageEditBoxes = 56,
    EventFocusNextEditBox = 57,
    EventFocusPreviousEditBox = 58,
    EventSetItemStateById = 59,
    EventKindLast = 59,
};

// True for the kinds whose value or arguments must carry a text or an object. A channel whose
// driver posts its report kind with a plain number must not have one of these kinds: the
// interface would take the number for a pointer.
bool DeviceEventKindNeedsPayload(uint8_t kind);

// The record a device hands to the interface through its ring. The value and the two arguments
// are pointer-sized, since some kinds carry texts or objects in them. Which of the three fields
// are heap blocks made by the poster is recorded in the ownership mask, so that the drain frees
// exactly those and never takes a number for a pointer.
struct CDeviceEvent
{
    enum Owned : uint8_t
    {
        OwnsNothing = 0,
        ValueNarrowText = 0x01, // value is a char* (new[])
        ValueWideText = 0x02,   // value is a char16_t* (new[])
        ArgumentNarrowText = 0x04,
        ArgumentWideText = 0x08,
        ArgumentObject = 0x10, // argument is a CDynamicSpriteData* (delete)
        SecondNarrowText = 0x20,
        SecondWideText = 0x40,
    };

    uint32_t channel = 0; // for kind 59 an item id
    uint8_t kind = EventNone;
    uint8_t owned = OwnsNothing;
    uintptr_t value = 0;
    uintptr_t argument = 0;
    uintptr_t second = 0;

    static CDeviceEvent Make(uint32_t channel, uint8_t kind, uintptr_t value = 0, uintptr_t argument = 0,
                             uintptr_t second = 0)
    {
        CDeviceEvent event;
        event.channel = channel;
        event.kind = kind;
        event.value = value;
        event.argument = argument;
        event.second = second;
        return event;
    }
    // A value given as float bits (kinds 1 to 3).
    static CDeviceEvent MakeFloat(uint32_t channel, uint8_t kind, float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        return Make(channel, kind, bits);
    }
    float ValueAsFloat() const
    {
        uint32_t bits = static_cast<uint32_t>(value);
        float result;
        std::memcpy(&result, &bits, sizeof result);
        return result;
    }
    // The payload setters take ownership of heap blocks made with new[] (texts) or new (objects).
    void SetValueText(char* text)
    {
        value = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(ValueNarrowText | ValueWideText)) | ValueNarrowText);
    }
    void SetValueText(char16_t* text)
    {
        value = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(ValueNarrowText | ValueWideText)) | ValueWideText);
    }
    void SetArgumentText(char* text)
    {
        argument = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(ArgumentNarrowText | ArgumentWideText | ArgumentObject)) |
                                     ArgumentNarrowText);
    }
    void SetArgumentText(char16_t* text)
    {
        argument = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(ArgumentNarrowText | ArgumentWideText | ArgumentObject)) |
                                     ArgumentWideText);
    }
    void SetArgumentObject(CDynamicSpriteData* data)
    {
        argument = reinterpret_cast<uintptr_t>(data);
        owned = static_cast<uint8_t>((owned & ~(ArgumentNarrowText | ArgumentWideText | ArgumentObject)) |
                                     ArgumentObject);
    }
    void SetSecondText(char* text)
    {
        second = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(SecondNarrowText | SecondWideText)) | SecondNarrowText);
    }
    void SetSecondText(char16_t* text)
    {
        second = reinterpret_cast<uintptr_t>(text);
        owned = static_cast<uint8_t>((owned & ~(SecondNarrowText | SecondWideText)) | SecondWideText);
    }

    // Typed views of the payloads: null unless the field holds a block of that type.
    const char* ValueNarrow() const
    {
        return owned & ValueNarrowText ? reinterpret_cast<const char*>(value) : nullptr;
    }
    const char16_t* ValueWide() const
    {
        return owned & ValueWideText ? reinterpret_cast<const char16_t*>(value) : nullptr;
    }
    const char* ArgumentNarrow() const
    {
        return owned & ArgumentNarrowText ? reinterpret_cast<const char*>(argument) : nullptr;
    }
    const char16_t* ArgumentWide() const
    {
        return owned & ArgumentWideText ? reinterpret_cast<const char16_t*>(argument) : nullptr;
    }
    CDynamicSpriteData* ArgumentData() const
    {
        return owned & ArgumentObject ? reinterpret_cast<CDynamicSpriteData*>(argument) : nullptr;
    }
    const char* SecondNarrow() const
    {
        return owned & SecondNarrowText ? reinterpret_cast<const char*>(second) : nullptr;
    }
    const char16_t* SecondWide() const
    {
        return owned & SecondWideText ? reinterpret_cast<const char16_t*>(second) : nullptr;
    }

    // Frees the blocks the record owns and clears them.
    void FreePayloads();
};
