#include "interface/DialogButton.h"

#include "common/InStream.h"
#include "interface/DialogItemState.h"
#include "interface/ItemToDevice.h"

#include <cstring>

namespace
{
constexpr uint32_t kDefaultFill = 0x000000FF; // opaque black
} // namespace

CDialogButton::CDialogButton(uint8_t behaviour, CDialogItem* parent) : CDialogItem(behaviour, parent) {}

CDialogButton::CDialogButton(CDialogItem* popup, const ItemRect& rect)
    : CDialogItem(ItemBehaviourNone, popup, &rect)
{
    auto* state = new CDialogItemState(this);
    state->m_fillColor = kDefaultFill;
    state->m_opacity = 255;
    AddState(state);
    // The constructor laid the item out before it had a state.
    CDialogItem::ResetLayout();
}

void CDialogButton::Update(uint32_t elapsedMs)
{
    CDialogItem::Update(elapsedMs);
    // Only the plain button follows its pressed flag here; the derived buttons show their state
    // by value or by time.
    if (GetKind() != ItemKindButton)
        return;
    if (m_behaviour == ItemBehaviourMomentary)
        ShowState(IsPressed() ? 1 : 0);
    else if (m_behaviour == ItemBehaviourAlwaysOn)
        ShowState(1);
}

bool CDialogButton::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)x;
    (void)y;
    if (!IsVisible() || !IsEnabled())
        return false;
    if (kind == ItemMousePress)
    {
        if (m_behaviour == ItemBehaviourMomentary)
            Press();
        PressItemChannels(this);
        PlayClickSound();
    }
    else if (IsRelease(kind))
    {
        if (m_behaviour == ItemBehaviourMomentary)
            Release();
        ReleaseItemChannels(this);
    }
    return true;
}

void CDialogButton::SetValue(float value)
{
    int32_t kind = GetKind();
    // A momentary plain button shows the pointer, not the value: it ignores values.
    if (kind != ItemKindButton || m_behaviour != ItemBehaviourMomentary)
        CDialogItem::SetValue(value);
    if (kind != ItemKindButton && kind != ItemKindUpDownButton && kind != ItemKindTriggerButton)
        return;
    // The state follows the value given, also when it was not stored.
    if (m_behaviour == ItemBehaviourFollowValue)
        ShowState(value != 0.0f ? 1 : 0);
    else if (m_behaviour == ItemBehaviourFollowValueInverted)
        ShowState(value == 0.0f ? 1 : 0);
}

void CDialogButton::PressAction()
{
    if (m_behaviour == ItemBehaviourMomentary)
        Press();
    PressItemChannels(this);
}

void CDialogButton::ReleaseAction()
{
    if (m_behaviour == ItemBehaviourMomentary)
        Release();
    ReleaseItemChannels(this);
}

void CDialogButton::PlayClickSound()
{
    if (g_pDialogSystem)
        g_pDialogSystem->PlaySound(m_clickSoundId != 0 ? m_clickSoundId
                                                       : CAbstractDialogSystem::kClickSoundId);
}

bool CDialogButton::OnValueMouse(int32_t kind, float pressedValue)
{
    if (!IsVisible() || !IsEnabled())
        return false;
    if (kind == ItemMousePress)
    {
        if (m_behaviour == ItemBehaviourMomentary)
            Press();
        SetValue(pressedValue);
        float sent = m_value;
        PressItemChannelsWithValue(this, sent);
        SendItemValue(this, sent);
        PlayClickSound();
    }
    else if (IsRelease(kind))
    {
        if (m_behaviour == ItemBehaviourMomentary)
            Release();
        ReleaseItemChannelsWithValue(this, m_value);
    }
    return true;
}

bool CDialogButton::LoadValuePair(CInStream* stream, float& first, float& second)
{
    uint32_t firstBits = 0;
    uint32_t secondBits = 0;
    if (!stream || !stream->ReadU32(firstBits) || !stream->ReadU32(secondBits))
        return false;
    std::memcpy(&first, &firstBits, sizeof first);
    std::memcpy(&second, &secondBits, sizeof second);
    return true;
}
