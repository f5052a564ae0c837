// Popups: their record, children, timers, drawing, hit testing, auto-hide and showing and hiding
// on a page.
#include "interface/DialogPopup.h"

#include <algorithm>
#include <cstring>

#include "common/InStream.h"
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/AbstractEffect.h"
#include "interface/DialogItemState.h"
#include "interface/DialogPage.h"
#include "interface/EffectFadeIn.h"
#include "interface/EffectFadeOut.h"
#include "interface/EffectSlideShow.h"
#include "interface/LoaderChildFactory.h"
#include "platform/Clock.h"

namespace
{
constexpr uint32_t kVersionEffects = 0x10500;
constexpr uint32_t kVersionChildNames = 0x10501;
constexpr int32_t kChildrenGrowStep = 16;
constexpr uint32_t kEffectReal = 0x80000000u;
constexpr uint32_t kEffectShow = 0x1u;
constexpr uint32_t kEffectHide = 0x2u;

// The effect list of a popup record: entries of an unknown type or of no duration are read and
// dropped.
CAbstractEffect* CreateEffect(uint8_t type)
{
    switch (type)
    {
    case 1:
        return new CEffect_FadeIn();
    case 2:
        return new CEffect_FadeOut();
    case 3:
        return new CEffect_SlideHide();
    case 4:
        return new CEffect_SlideShow();
    default:
        return nullptr;
    }
}

// The fields around a child's own record.
struct ChildHeader
{
    char* name = nullptr;
    uint8_t type = 0;
    uint8_t behaviour = 0;
    uint8_t secondBehaviour = 0;
    int32_t clickSoundId = 0;
    uint8_t disabled = 0;
    uint8_t hidden = 0;
};

bool ReadChildHeader(CInStream* stream, ChildHeader& child)
{
    bool named = g_fileVersion >= kVersionChildNames;
    if (named && !stream->ReadText(child.name))
        return false;
    if (!stream->ReadU8(child.type) || !stream->ReadU8(child.behaviour))
        return false;
    if (named)
    {
        uint8_t unused = 0;
        if (!stream->ReadU8(child.secondBehaviour) || !stream->ReadU8(unused) ||
            !stream->ReadI32(child.clickSoundId))
            return false;
    }
    return stream->ReadU8(child.disabled) && stream->ReadU8(child.hidden);
}

void ApplyChildHeader(CDialogItem* item, ChildHeader& child)
{
    delete[] item->m_name;
    item->m_name = nullptr;
    if (child.name && *child.name)
        item->m_name = StrDup(child.name);
    if (child.disabled)
        item->m_flags &= ~static_cast<uint32_t>(ItemFlagEnabled);
    else
        item->m_flags |= ItemFlagEnabled;
    if (child.hidden)
        item->m_flags &= ~static_cast<uint32_t>(ItemFlagVisible);
    else
        item->m_flags |= ItemFlagVisible;
    if (g_fileVersion >= kVersionChildNames)
    {
        item->m_secondBehaviour = child.secondBehaviour;
        item->m_clickSoundId = child.clickSoundId;
    }
}
} // namespace

CDialogPopup::CDialogPopup(CDialogItem* parent, const char* name, int32_t group)
    : CDialogItem(0, parent, parent ? &parent->m_loadedRect : nullptr), m_group(group),
      m_children(new CVector(kChildrenGrowStep))
{
    m_name = StrDup(name);
}

CDialogPopup::~CDialogPopup()
{
    for (int32_t i = 0; i < m_children->GetCount(); i++)
        delete m_children->Get<CDialogItem>(i);
    delete m_children;
}

void CDialogPopup::SetNumber(int32_t number)
{
    m_number = number;
    m_id = static_cast<uint32_t>(number);
}

int32_t CDialogPopup::GetChildCount() const
{
    return m_children->GetCount();
}

CDialogItem* CDialogPopup::GetChild(int32_t index) const
{
    return m_children->Get<CDialogItem>(index);
}

void CDialogPopup::AddChild(CDialogItem* child)
{
    if (child)
        m_children->Add(child);
    m_timerChildrenStale = true;
}

// ---- Loading ----------------------------------------------------------------------------------

bool CDialogPopup::Load(CInStream* stream)
{
    if (!LoadCommandKeys(stream) || !LoadRect(stream))
        return false;
    if (g_fileVersion >= kVersionEffects && !LoadEffects(stream))
        return false;
    if (!LoadItemState(stream))
        return false;
    m_loadedOpacity = GetStateAt(GetStateCount() - 1)->m_opacity;
    ResetLayout();
    return LoadChildren(stream);
}

bool CDialogPopup::LoadEffects(CInStream* stream)
{
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    for (int32_t i = 0; i < count; i++)
    {
        uint8_t type = 0;
        uint8_t direction = 0;
        uint32_t duration = 0;
        if (!stream->ReadU8(type) || !stream->ReadU8(direction) || !stream->ReadU32(duration))
            return false;
        CAbstractEffect* effect = duration != 0 ? CreateEffect(type) : nullptr;
        if (effect == nullptr)
            continue;
        effect->m_direction = direction;
        effect->m_durationMs = duration;
        m_effects->Add(effect);
    }
    return true;
}

bool CDialogPopup::LoadChildren(CInStream* stream)
{
    uint16_t count = 0;
    if (!stream->ReadU16(count))
        return false;
    for (int32_t i = 0; i < count; i++)
    {
        ChildHeader child;
        bool ok = ReadChildHeader(stream, child);
        CDialogItem* item = ok ? CreateChildItem(child.type, child.behaviour, this) : nullptr;
        ok = item != nullptr && item->Load(stream);
        if (ok)
        {
            ApplyChildHeader(item, child);
            m_children->Add(item);
            m_timerChildrenStale = true;
        }
        else
        {
            delete item;
        }
        delete[] child.name;
        if (!ok)
            return false;
    }
    return true;
}

// ---- Running ----------------------------------------------------------------------------------

namespace
{
// Every tick visits every child of every page and popup, and after 5 ms of sleep their blocks are
// mostly out of the cache (and out of the TLB). Asking for the lines a timer or an update reads
// before the visits lets those misses overlap instead of coming one after the other: first the
// children's own lines, then the state and effect lists they point to.
void PrefetchChildren(const CVector* children)
{
    const int32_t count = children->GetCount();
    for (int32_t i = 0; i < count; i++)
    {
        const CDialogItem* child = children->Get<CDialogItem>(i);
        __builtin_prefetch(child);
        __builtin_prefetch(&child->m_hasSequences);
        __builtin_prefetch(&child->m_states);
        __builtin_prefetch(&child->m_effects);
    }
    for (int32_t i = 0; i < count; i++)
    {
        const CDialogItem* child = children->Get<CDialogItem>(i);
        __builtin_prefetch(child->m_states);
        __builtin_prefetch(child->m_effects);
    }
}
} // namespace

void CDialogPopup::CollectTimerChildren()
{
    m_timerChildren.clear();
    for (int32_t i = 0; i < m_children->GetCount(); i++)
    {
        CDialogItem* child = m_children->Get<CDialogItem>(i);
        if (child->m_ownTimer || child->m_hasSequences || child->m_effects->GetCount() > 0)
            m_timerChildren.push_back(child);
    }
    m_timerChildrenStale = false;
}

// Most ticks nothing is pressed and nearly every child's timer would return at once: only the
// children listed as having timer work are visited then. While a child is pressed every child
// is visited, in child order, as the held ones must be.
void CDialogPopup::OnTimer(uint32_t elapsedMs)
{
    CDialogItem::OnTimer(elapsedMs);
    if (m_timerChildrenStale)
        CollectTimerChildren();
    if (m_pressedChildren == 0)
    {
        for (CDialogItem* child : m_timerChildren)
            child->OnTimer(elapsedMs);
        return;
    }
    PrefetchChildren(m_children);
    for (int32_t i = 0; i < m_children->GetCount(); i++)
        m_children->Get<CDialogItem>(i)->OnTimer(elapsedMs);
}

void CDialogPopup::Update(uint32_t elapsedMs)
{
    CDialogItem::Update(elapsedMs);
    PrefetchChildren(m_children);
    for (int32_t i = 0; i < m_children->GetCount(); i++)
        m_children->Get<CDialogItem>(i)->Update(elapsedMs);
    StepAutoHide();
}

void CDialogPopup::StepAutoHide()
{
    if (m_autoHideMs == 0 || m_autoHideFired)
        return;
    uint32_t now = platform::ClockMs();
    if (m_autoHideStart == 0)
    {
        // 0 means "not started", so a start at clock 0 is taken as 1.
        m_autoHideStart = now != 0 ? now : 1;
        return;
    }
    if (platform::ElapsedMs(now, m_autoHideStart) > m_autoHideMs)
    {
        m_autoHideFired = 1;
        if (g_pDialogSystem)
            g_pDialogSystem->HidePopup(m_name, nullptr);
    }
}

void RestartPopupAutoHide(CDialogItem* popup)
{
    if (popup && (popup->GetKind() == ItemKindPopup || popup->GetKind() == ItemKindPage))
        static_cast<CDialogPopup*>(popup)->RestartAutoHide();
}

// ---- Drawing and hit testing ------------------------------------------------------------------

void CDialogPopup::DrawSelfAndChildren(const DialogRect& clip)
{
    CDialogItem::Draw(clip);
    for (int32_t i = 0; i < m_children->GetCount(); i++)
        m_children->Get<CDialogItem>(i)->Draw(clip);
}

void CDialogPopup::Draw(const DialogRect& clip)
{
    if (!IsVisible())
        return;
    int32_t x = GetAbsX();
    int32_t y = GetAbsY();
    DialogRect narrowed{std::max(clip.left, x + m_visiblePart.x), std::max(clip.top, y + m_visiblePart.y),
                        std::min(clip.right, x + m_visiblePart.x + m_visiblePart.width),
                        std::min(clip.bottom, y + m_visiblePart.y + m_visiblePart.height)};
    if (narrowed.right <= narrowed.left || narrowed.bottom <= narrowed.top)
        return;
    DrawSelfAndChildren(narrowed);
}

CDialogItem* CDialogPopup::HitTestChildren(int32_t x, int32_t y)
{
    for (int32_t i = m_children->GetCount() - 1; i >= 0; i--)
    {
        CDialogItem* child = m_children->Get<CDialogItem>(i);
        if (IsInHitRect(child, x, y))
            return child;
    }
    return nullptr;
}

CDialogItem* CDialogPopup::HitTest(int32_t x, int32_t y)
{
    CDialogItem* child = HitTestChildren(x, y);
    if (child)
        return child;
    // The background takes the point too: nothing below a shown popup is hit through it.
    return IsInHitRect(this, x, y) ? this : nullptr;
}

// ---- Showing and hiding on a page -------------------------------------------------------------

bool CDialogPopup::ArmEffects(int32_t event, int32_t pageNumber)
{
    uint32_t own = event == 1 ? kEffectShow : kEffectHide;
    uint32_t other = event == 1 ? kEffectHide : kEffectShow;
    bool armed = false;
    for (int32_t i = 0; i < m_effects->GetCount(); i++)
    {
        CAbstractEffect* effect = m_effects->Get<CAbstractEffect>(i);
        effect->m_pageNumber = pageNumber;
        uint32_t events = effect->GetEvents();
        if (!(events & kEffectReal))
            continue;
        if ((events & other) && effect->m_state != CAbstractEffect::StateIdle)
            effect->Reset();
        if ((events & own) && effect->Arm(event))
            armed = true;
    }
    return armed;
}

void CDialogPopup::ShowOnPage(int32_t pageNumber)
{
    bool current = g_pDialogSystem && pageNumber == g_pDialogSystem->GetCurrentPageNumber();
    bool armed = current && m_effects->GetCount() > 0 && ArmEffects(1, pageNumber);
    if (!armed && pageNumber != 0 && m_number != 0 && g_pDialogSystem)
    {
        CDialogPage* page = g_pDialogSystem->GetPageObject(pageNumber);
        if (page)
            page->AddPopup(m_number);
    }
    m_autoHideStart = 0;
    m_autoHideFired = 0;
}

void CDialogPopup::HideOnPage(int32_t pageNumber)
{
    bool current = g_pDialogSystem && pageNumber == g_pDialogSystem->GetCurrentPageNumber();
    // A hide effect takes the popup off the page itself when it ends.
    if (current && m_effects->GetCount() > 0 && ArmEffects(2, pageNumber))
        return;
    if (pageNumber != 0 && m_number != 0 && g_pDialogSystem)
    {
        CDialogPage* page = g_pDialogSystem->GetPageObject(pageNumber);
        if (page)
            page->RemovePopup(m_number);
    }
}

bool CDialogPopup::RestartShowEffects(int32_t pageNumber)
{
    return !ArmEffects(1, pageNumber);
}
