// Port-0 channels: served by the panel itself, never sent to the master (tick thread).
#include <cstdio>
#include <memory>
#include <string>

#include "common/StringFunctions.h"
#include "devices/DeviceEventSink.h"
#include "devices/controllers/amx/AMXDevice.h"

namespace
{
constexpr uint32_t kLinkStateChannel = 1;
constexpr uint32_t kFirstKey = 201;
constexpr uint32_t kLastKey = 216;
constexpr uint32_t kFirstModeKey = 220;
constexpr uint32_t kFirstOneShotKey = 225;
constexpr uint32_t kLastModeKey = 229;
constexpr uint32_t kModeLevel = 31;
constexpr int32_t kModes = 5;

const char* const kWeekdays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                  "Thursday", "Friday", "Saturday"};
const char* const kMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                 "July",    "August",   "September", "October", "November", "December"};

// The edit-box event each of the keys 203 to 216 posts.
uint8_t KeyEvent(uint32_t key)
{
    static const uint8_t kEvents[] = {
        EventEditBoxSend,        EventEditBoxKey46,      EventEditBoxKey47,      EventEditBoxCaretLeft,
        EventEditBoxCaretRight,  EventEditBoxBackspace,  EventEditBoxDeleteChar, EventClearFocusedEditBox,
        EventClearPageEditBoxes, EventSendPageEditBoxes, EventFocusNextEditBox,  EventFocusPreviousEditBox,
        EventEditBoxCaretHome,   EventEditBoxCaretEnd};
    return kEvents[key - 203];
}

int32_t Hour12(int32_t hour)
{
    return hour > 12 ? hour - 12 : hour;
}
} // namespace

std::tm CAMXDevice::LocalTime() const
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

void CAMXDevice::UpdateVirtualChannels()
{
    const std::tm now = LocalTime();
    const bool online = GetState() == StateOnline;
    const bool modeChanged = m_keyboardMode != m_postedMode;
    CCriticalSectionGuard guard(&m_channelLock);
    for (const auto& c : m_channels)
    {
        if (c->GetPort() != 0)
            continue;
        if (c->GetKind() == AmxKindTextAddress)
        {
            UpdateClockChannel(*c, now);
        }
        else if (c->GetKind() == AmxKindChannel && c->GetNumber() == kLinkStateChannel)
        {
            PostValue(c->GetId(), EventSetItemValue, online ? 1.0f : 0.0f);
        }
        else if (modeChanged && c->Is(AmxClassChannel, AmxKindChannel) && c->GetNumber() >= kFirstModeKey &&
                 c->GetNumber() <= kLastModeKey)
        {
            const bool oneShotKey = c->GetNumber() >= kFirstOneShotKey;
            const uint32_t mode = c->GetNumber() - (oneShotKey ? kFirstOneShotKey : kFirstModeKey);
            const bool on = static_cast<int32_t>(mode) == m_keyboardMode && oneShotKey == m_oneShot;
            PostValue(c->GetId(), EventSetItemValue, on ? 1.0f : 0.0f);
        }
    }
    if (!modeChanged)
        return;
    if (CAMXChannel* level = FindChannel(kModeLevel, AmxClassLevel, AmxKindLevel, 0))
    {
        // The level's item goes to the state the mode gives, from wherever it was.
        const uintptr_t state = static_cast<uintptr_t>(m_keyboardMode * 2);
        PostEvent(CDeviceEvent::Make(level->GetId(), EventSetItemState, state, state, 0));
    }
    m_postedMode = m_keyboardMode;
}

void CAMXDevice::UpdateClockChannel(CAMXChannel& channel, const std::tm& now)
{
    CAMXChannel::ClockStamp stamp;
    stamp.year = static_cast<uint16_t>(now.tm_year + 1900);
    stamp.month = static_cast<uint16_t>(now.tm_mon + 1);
    stamp.weekday = static_cast<uint16_t>(now.tm_wday);
    stamp.day = static_cast<uint16_t>(now.tm_mday);
    stamp.hour = static_cast<uint16_t>(now.tm_hour);
    stamp.minute = static_cast<uint16_t>(now.tm_min);
    if (stamp == channel.m_clockStamp)
        return;
    channel.m_clockStamp = stamp;
    const int year = stamp.year;
    const int month = stamp.month;
    const int day = stamp.day;
    const int hour = stamp.hour;
    const int minute = stamp.minute;
    const char* weekday = stamp.weekday < 7 ? kWeekdays[stamp.weekday] : "";
    const char* monthName = month >= 1 && month <= 12 ? kMonths[month - 1] : "";
    char text[64];
    switch (channel.GetNumber())
    {
    case 141:
        std::snprintf(text, sizeof text, "%.2d:%.2d", Hour12(hour), minute);
        break;
    case 142:
        std::snprintf(text, sizeof text, "%.2d:%.2d %s", Hour12(hour), minute, hour < 12 ? "AM" : "PM");
        break;
    case 143:
        std::snprintf(text, sizeof text, "%.2d:%.2d", hour, minute);
        break;
    case 151:
        std::snprintf(text, sizeof text, "%s", weekday);
        break;
    case 152:
        std::snprintf(text, sizeof text, "%.2d/%.2d", month, day);
        break;
    case 153:
        std::snprintf(text, sizeof text, "%.2d/%.2d", day, month);
        break;
    case 154:
        std::snprintf(text, sizeof text, "%.2d/%.2d/%.4d", month, day, year);
        break;
    case 155:
        std::snprintf(text, sizeof text, "%.2d/%.2d/%.4d", day, month, year);
        break;
    case 156:
        std::snprintf(text, sizeof text, "%s %.2d, %.4d", monthName, day, year);
        break;
    case 157:
        std::snprintf(text, sizeof text, "%.2d %s, %.4d", day, monthName, year);
        break;
    case 158:
        std::snprintf(text, sizeof text, "%.4d/%.2d/%.2d", year, month, day);
        break;
    default:
        return;
    }
    CDeviceEvent event = CDeviceEvent::Make(channel.GetId(), EventSetItemText, 0);
    event.SetArgumentText(AnsiToWide(text));
    PostEvent(event);
}

void CAMXDevice::RunLocalAction(const CAMXChannel& channel)
{
    const uint32_t number = channel.GetNumber();
    if (number >= kFirstKey && number <= kLastKey)
    {
        RunKeyboardKey(channel);
        EndOneShot();
        return;
    }
    if (number < kFirstModeKey || number > kLastModeKey)
    {
        EndOneShot();
        return;
    }
    const bool oneShot = number >= kFirstOneShotKey;
    const int32_t mode = static_cast<int32_t>(number - (oneShot ? kFirstOneShotKey : kFirstModeKey));
    // A mode key whose item shows an odd state is on: pressing it goes back to mode 0.
    CDeviceEventSink* system = GetDialogSystem();
    const int32_t shown = mode != 0 && system ? system->GetHeldItemState() : 0;
    if (oneShot)
        BeginOneShot();
    else
        EndOneShot();
    SetKeyboardMode(shown % 2 == 0 ? mode : 0);
}

void CAMXDevice::RunKeyboardKey(const CAMXChannel& channel)
{
    const uint32_t number = channel.GetNumber();
    const uint32_t id = channel.GetId();
    if (number == 201)
    {
        CDeviceEventSink* system = GetDialogSystem();
        uint32_t item = 0;
        if (system)
        {
            std::u16string text;
            if (system->GetHeldItemText(text) && !text.empty())
            {
                CDeviceEvent event = CDeviceEvent::Make(id, EventEditBoxInsertText);
                event.SetValueText(WStrDup(text.c_str()));
                PostEvent(event);
            }
            item = system->GetHeldItemId();
        }
        PostEvent(
            CDeviceEvent::Make(item, EventSetItemStateById, static_cast<uintptr_t>(m_keyboardMode * 2 + 1)));
        return;
    }
    if (number == 202)
    {
        CDeviceEvent event = CDeviceEvent::Make(id, EventEditBoxInsertText);
        event.SetValueText(WStrDup(u" "));
        PostEvent(event);
        return;
    }
    PostEvent(CDeviceEvent::Make(id, KeyEvent(number)));
}

void CAMXDevice::SetKeyboardMode(int32_t mode)
{
    m_keyboardMode = mode >= 0 && mode < kModes ? mode : 0;
    m_postedMode = -1;
}

void CAMXDevice::BeginOneShot()
{
    m_savedMode = m_oneShot ? 0 : m_keyboardMode;
    m_oneShot = true;
    m_postedMode = -1;
}

void CAMXDevice::EndOneShot()
{
    if (!m_oneShot)
        return;
    m_keyboardMode = m_savedMode;
    m_oneShot = false;
    m_savedMode = 0;
    m_postedMode = -1;
}
