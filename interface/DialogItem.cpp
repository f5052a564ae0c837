#include "interface/DialogItem.h"

#include "common/Vector.h"
#include "interface/AbstractEffect.h"
#include "interface/CommandSequences.h"
#include "interface/DialogItemState.h"
#include "interface/FlipCommand.h"
#include "interface/ItemToDevice.h"
#include "platform/FloatToInt.h"
#include "render/DynamicSprite.h"

#include <cmath>

namespace
{
constexpr uint32_t kItemIdMask = 0xFFFFFF;
constexpr uint32_t kItemIdHighByte = 0xFF000000;
uint32_t g_itemIdCounter = 0;
} // namespace

uint32_t NextItemId()
{
    g_itemIdCounter = (g_itemIdCounter + 1) & kItemIdMask;
    if (g_itemIdCounter == 0)
        g_itemIdCounter = 1;
    return g_itemIdCounter | kItemIdHighByte;
}

void SetItemIdCounter(uint32_t counter)
{
    g_itemIdCounter = counter & kItemIdMask;
}

CDialogItem::CDialogItem(uint8_t behaviour, CDialogItem* parent, const ItemRect* rect)
    : m_id(NextItemId()), m_parent(parent), m_behaviour(behaviour), m_states(new CVector(2)),
      m_flipCommands(new CVector(16)), m_effects(new CVector(2))
{
    if (rect != nullptr)
    {
        m_loadedRect = *rect;
        // Not through the slot: a derived class is not built yet.
        CDialogItem::ResetLayout();
    }
    if (g_pDialogSystem != nullptr)
        m_renderHandle = g_pDialogSystem->NewRenderHandle();
    m_value = 0.0f;
    m_stateIndex = 0;
    m_animationTimeMs = 0;
    m_flags = ItemFlagsInitial;
}

CDialogItem::~CDialogItem()
{
    delete[] m_name;
    delete[] m_addresses;
    for (int32_t i = 0; i < m_flipCommands->GetCount(); i++)
        delete m_flipCommands->Get<CFlipCommand>(i);
    for (int32_t i = 0; i < m_states->GetCount(); i++)
        delete m_states->Get<CDialogItemState>(i);
    for (int32_t i = 0; i < m_effects->GetCount(); i++)
        delete m_effects->Get<CAbstractEffect>(i);
    delete m_flipCommands;
    delete m_states;
    delete m_effects;
}

void CDialogItem::OnTimer(uint32_t elapsedMs)
{
    if (m_hasSequences)
        PlayCommandSequences(this, elapsedMs);
    if (IsPressed())
    {
        HoldItemChannels(this, elapsedMs);
        if (m_hasSequences)
            PlayHoldSequence(this, elapsedMs);
    }
    for (int32_t i = 0; i < m_effects->GetCount(); i++)
        m_effects->Get<CAbstractEffect>(i)->Step(this, elapsedMs);
}

void CDialogItem::Update(uint32_t elapsedMs)
{
    (void)elapsedMs;
    // Only a dynamic image gives an update anything to do here.
    if (!CDynamicSprite::AnyExists())
        return;
    // The state whose index is the truncated value, not the state index: that is the one a
    // value-driven item shows.
    CDialogItemState* state = GetStateAt(platform::FloatToInt32(m_value));
    if (state == nullptr || state->m_bitmap == nullptr || state->m_bitmap->GetKind() != CSprite::KindDynamic)
        return;
    static_cast<CDynamicSprite*>(state->m_bitmap)->SetInUse(true);
    uint32_t version = state->m_bitmap->GetVersion();
    if (version != state->m_seenImageVersion)
    {
        state->m_seenImageVersion = version;
        Invalidate();
    }
}

bool CDialogItem::OnMouse(int32_t kind, int32_t x, int32_t y)
{
    (void)kind;
    (void)x;
    (void)y;
    return IsVisible() && IsEnabled();
}

void CDialogItem::SetValue(float value)
{
    // A NaN never equals itself, so it is always stored.
    if (value == m_value)
        return;
    m_value = value;
    Invalidate();
}

int32_t CDialogItem::GetAbsX()
{
    return m_parent != nullptr ? m_currentRect.x + m_parent->GetAbsX() : m_currentRect.x;
}

int32_t CDialogItem::GetAbsY()
{
    return m_parent != nullptr ? m_currentRect.y + m_parent->GetAbsY() : m_currentRect.y;
}

int32_t CDialogItem::GetOpacity()
{
    int32_t parentOpacity = m_parent != nullptr ? m_parent->GetOpacity() : 255;
    return m_currentOpacity * parentOpacity / 255;
}

void CDialogItem::ResetLayout()
{
    m_visiblePart = ItemRect{0, 0, m_loadedRect.width, m_loadedRect.height};
    m_currentRect = m_loadedRect;
    m_currentOpacity = m_loadedOpacity;
    SetState(0, 0, 0);
}

void CDialogItem::SetState(int32_t from, int32_t to, uint32_t durationMs)
{
    (void)from;
    (void)durationMs;
    int32_t count = GetStateCount();
    if (to < 0)
        to = 0;
    if (to >= count)
        to = count - 1;
    if (to == m_stateIndex)
        return;
    m_stateIndex = to;
    Invalidate();
}

void CDialogItem::Press()
{
    if (!IsPressed() && m_parent != nullptr)
        m_parent->m_pressedChildren++;
    m_flags |= ItemFlagPressed;
    if (m_parent != nullptr && m_parent->GetKind() == ItemKindPopup)
        RestartPopupAutoHide(m_parent);
}

void CDialogItem::Release()
{
    if (IsPressed() && m_parent != nullptr && m_parent->m_pressedChildren > 0)
        m_parent->m_pressedChildren--;
    m_flags &= ~static_cast<uint32_t>(ItemFlagPressed);
    if (m_parent != nullptr && m_parent->GetKind() == ItemKindPopup)
        RestartPopupAutoHide(m_parent);
}

CDialogItem* CDialogItem::HitTest(int32_t x, int32_t y)
{
    return IsInHitRect(this, x, y) ? this : nullptr;
}

bool IsInHitRect(CDialogItem* item, int32_t x, int32_t y)
{
    if (item->GetKind() == ItemKindButton && item->m_secondBehaviour == 2)
        return false;
    // 64-bit so that items far outside the design area cannot overflow the comparison.
    int64_t lx = static_cast<int64_t>(x) - item->GetAbsX();
    int64_t ly = static_cast<int64_t>(y) - item->GetAbsY();
    const ItemRect& part = item->m_visiblePart;
    return part.x < lx && lx < static_cast<int64_t>(part.x) + part.width && part.y < ly &&
           ly < static_cast<int64_t>(part.y) + part.height;
}

void CDialogItem::SetRect(const ItemRect& rect)
{
    m_loadedRect = rect;
    ResetLayout();
}

void CDialogItem::Invalidate()
{
    if (g_pDialogSystem != nullptr)
        g_pDialogSystem->Invalidate(GetAbsX(), GetAbsY(), m_currentRect.width, m_currentRect.height);
    m_flags |= ItemFlagNeedsRender;
}

void CDialogItem::ForceReleaseIfHeld()
{
    if (g_pDialogSystem == nullptr || g_pDialogSystem->GetHeldItem() != this)
        return;
    OnMouse(ItemMouseForcedRelease, g_pDialogSystem->GetPointerX() - GetAbsX(),
            g_pDialogSystem->GetPointerY() - GetAbsY());
    g_pDialogSystem->RunFlipCommands(m_flipCommands);
    g_pDialogSystem->ClearHeldItem();
}

void CDialogItem::SetEnabled(bool enabled)
{
    // Only a change that takes the pointer away ends a press: a device repeating "enabled"
    // while the button is held must not cut the hold short.
    if (!enabled)
        ForceReleaseIfHeld();
    if (enabled)
        m_flags |= ItemFlagEnabled;
    else
        m_flags &= ~static_cast<uint32_t>(ItemFlagEnabled);
    Invalidate();
}

void CDialogItem::SetVisible(bool visible)
{
    if (!visible)
        ForceReleaseIfHeld();
    if (visible)
        m_flags |= ItemFlagVisible;
    else
        m_flags &= ~static_cast<uint32_t>(ItemFlagVisible);
    Invalidate();
}

void CDialogItem::AppendPlainAddress(uint32_t address)
{
    if (m_addressCount == m_addressCapacity)
    {
        // The count is a byte: a full list of 255 keeps what it has.
        if (m_addressCapacity == 255)
            return;
        int32_t capacity = m_addressCapacity < 128 ? m_addressCapacity * 2 + 1 : 255;
        uint32_t* grown = new uint32_t[capacity];
        for (int32_t i = 0; i < m_addressCount; i++)
            grown[i] = m_addresses[i];
        delete[] m_addresses;
        m_addresses = grown;
        m_addressCapacity = static_cast<uint8_t>(capacity);
    }
    m_addresses[m_addressCount++] = address;
}

void CDialogItem::BindLoaderAddress()
{
    AppendPlainAddress(kLoaderChannelAddress);
}

uint32_t CDialogItem::GetAddress(int32_t index) const
{
    return index >= 0 && index < m_addressCount ? m_addresses[index] : 0;
}

bool CDialogItem::IsBoundTo(uint32_t address) const
{
    for (int32_t i = 0; i < m_addressCount; i++)
    {
        if (m_addresses[i] == address)
            return true;
    }
    return false;
}

int32_t CDialogItem::GetStateCount() const
{
    return m_states->GetCount();
}

CDialogItemState* CDialogItem::GetStateAt(int32_t index) const
{
    return m_states->Get<CDialogItemState>(index);
}

void CDialogItem::AddState(CDialogItemState* state)
{
    m_states->Add(state);
}
