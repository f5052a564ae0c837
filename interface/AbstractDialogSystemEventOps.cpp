// The item changes that devices address by channel (event kinds 2 to 19): slider values, steps,
// texts, states, colours, opacity, enabling, visibility, images, icons and alignments. Each
// reaches the bound items of every page and popup through the common fan-out; a state index or
// an alignment code that a peer sends beyond what the item has changes nothing.
#include <algorithm>
#include <cmath>

#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/BoundItems.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/ItemToDevice.h"
#include "render/Sprite.h"

namespace
{
constexpr int32_t kEveryState = -1;

// -1 (every state) or one of the item's states.
bool IsStateOf(CDialogItem* item, int32_t state)
{
    return state == kEveryState || (state >= 0 && state < item->GetStateCount());
}

bool IsAlignmentCode(uint8_t code)
{
    return code <= AlignRightBottom;
}

bool IsPageOrPopup(CDialogItem* item)
{
    int32_t kind = item->GetKind();
    return kind == ItemKindPage || kind == ItemKindPopup;
}

bool IsSlider(CDialogItem* item)
{
    int32_t kind = item->GetKind();
    return kind == ItemKindSlider || kind == ItemKindMultiStateSlider;
}

// Runs change(item) on every bound item (children, then pages and popups) for which the state is
// one of its own.
template <class Change>
void ChangeBoundStates(const CAbstractDialogSystem* system, uint32_t address, int32_t state, Change change)
{
    ForEachBoundItem(system, address, BoundScope::ChildrenThenOwner,
                     [&](CDialogItem* item)
                     {
                         if (IsStateOf(item, state))
                             change(item);
                     });
}

CSprite* FirstSpriteWithNamePrefix(const CVector* sprites, const char* name)
{
    if (!sprites || !name || !*name)
        return nullptr;
    for (int32_t i = 0; i < sprites->GetCount(); ++i)
    {
        CSprite* sprite = sprites->Get<CSprite>(i);
        if (sprite && StrEqualNoCase(name, sprite->GetName()))
            return sprite;
    }
    return nullptr;
}
} // namespace

CSprite* CAbstractDialogSystem::FindImageByName(const char* name) const
{
    return FirstSpriteWithNamePrefix(m_images, name);
}

void CAbstractDialogSystem::SetSliderValue(uint32_t address, float value)
{
    ForEachBoundItem(this, address, BoundScope::Children,
                     [value](CDialogItem* item)
                     {
                         // A slider being dragged follows the pointer, not the feedback.
                         if (IsSlider(item) && !(item->m_flags & ItemFlagDragging))
                             item->SetValue(value);
                     });
}

void CAbstractDialogSystem::StepItemValue(uint32_t address, float delta)
{
    // The bounds are those of one item, never widened by others: a 10..100 slider stepped down
    // stops at 10, not at 0. A child with a range is preferred to one without (a button).
    CDialogItem* source = nullptr;
    ForEachBoundItem(this, address, BoundScope::Children,
                     [&source](CDialogItem* item)
                     {
                         bool ranged = item->GetLow() != item->GetHigh();
                         if (!source || (ranged && source->GetLow() == source->GetHigh()))
                             source = item;
                     });
    if (!source)
        return;
    float low = static_cast<float>(std::min(source->GetLow(), source->GetHigh()));
    float high = static_cast<float>(std::max(source->GetLow(), source->GetHigh()));
    float stepped = source->GetValue() + delta;
    // A NaN (a peer's bits that are no number) has no place between the bounds: nothing is sent.
    if (std::isnan(stepped))
        return;
    if (stepped < low)
        stepped = low;
    if (stepped > high)
        stepped = high;
    SendChannelValue(address, stepped);
}

void CAbstractDialogSystem::SetItemText(uint32_t address, int32_t state, const char16_t* text)
{
    if (!text)
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetText(state, text); });
}

void CAbstractDialogSystem::AppendItemText(uint32_t address, int32_t state, const char16_t* text)
{
    if (!text)
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->AppendText(state, text); });
}

void CAbstractDialogSystem::SetItemState(uint32_t address, int32_t from, int32_t to, uint32_t durationTenths)
{
    ForEachBoundItem(this, address, BoundScope::ChildrenThenOwner,
                     [=](CDialogItem* item)
                     {
                         if (!IsStateOf(item, from) || !IsStateOf(item, to))
                             return;
                         if (IsPageOrPopup(item))
                             item->CDialogItem::SetState(from, to, 0);
                         else
                             item->SetState(from, to, durationTenths);
                     });
}

void CAbstractDialogSystem::SetItemFillColor(uint32_t address, int32_t state, uint32_t color)
{
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetFillColor(state, color); });
}

void CAbstractDialogSystem::SetItemTextColor(uint32_t address, int32_t state, uint32_t color)
{
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetTextColor(state, color); });
}

void CAbstractDialogSystem::SetItemBorderColor(uint32_t address, int32_t state, uint32_t color)
{
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetBorderColor(state, color); });
}

void CAbstractDialogSystem::SetItemOpacity(uint32_t address, int32_t state, uint8_t opacity)
{
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetOpacity(state, opacity); });
}

void CAbstractDialogSystem::SetItemEnabled(uint32_t address, bool enabled)
{
    ForEachBoundItem(this, address, BoundScope::ChildrenThenOwner,
                     [enabled](CDialogItem* item) { item->SetEnabled(enabled); });
}

void CAbstractDialogSystem::SetItemVisible(uint32_t address, bool visible)
{
    ForEachBoundItem(this, address, BoundScope::ChildrenThenOwner,
                     [visible](CDialogItem* item) { item->SetVisible(visible); });
}

void CAbstractDialogSystem::SetItemBitmapByName(uint32_t address, int32_t state, const char* name)
{
    CSprite* image = FindImageByName(name);
    if (!image)
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetBitmap(state, image); });
}

void CAbstractDialogSystem::SetItemBitmapById(uint32_t address, int32_t state, uint32_t id)
{
    CSprite* image = FindImage(id);
    if (!image)
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetBitmap(state, image); });
}

void CAbstractDialogSystem::SetItemIconById(uint32_t address, int32_t state, uint32_t id)
{
    CSprite* icon = FindIcon(id);
    if (!icon)
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetIcon(state, icon); });
}

void CAbstractDialogSystem::SetItemBitmapAlignment(uint32_t address, int32_t state, uint8_t code)
{
    if (!IsAlignmentCode(code))
        return;
    ChangeBoundStates(this, address, state,
                      [&](CDialogItem* item) { item->SetBitmapAlignment(state, code); });
}

void CAbstractDialogSystem::SetItemIconAlignment(uint32_t address, int32_t state, uint8_t code)
{
    if (!IsAlignmentCode(code))
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetIconAlignment(state, code); });
}

void CAbstractDialogSystem::SetItemTextAlignment(uint32_t address, int32_t state, uint8_t code)
{
    if (!IsAlignmentCode(code))
        return;
    ChangeBoundStates(this, address, state, [&](CDialogItem* item) { item->SetTextAlignment(state, code); });
}
