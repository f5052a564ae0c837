// Changes that reach items by their channel address or their id, across every page and popup
// (current or not): the values that devices report or that items send, and states by item id.
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"

namespace
{
// A slider being dragged follows the pointer, not the feedback.
bool IsDraggedSlider(CDialogItem* item)
{
    int32_t kind = item->GetKind();
    return (kind == ItemKindSlider || kind == ItemKindMultiStateSlider) && (item->m_flags & ItemFlagDragging);
}

void SetValueOnPopup(CDialogPopup* popup, uint32_t address, float value)
{
    for (int32_t i = 0; i < popup->GetChildCount(); ++i)
    {
        CDialogItem* child = popup->GetChild(i);
        if (child && child->IsBoundTo(address) && !IsDraggedSlider(child))
            child->SetValue(value);
    }
    // A page or popup stores the value itself; its own SetValue is not asked.
    if (popup->IsBoundTo(address))
        popup->CDialogItem::SetValue(value);
}

void SetStateByIdOnPopup(CDialogPopup* popup, uint32_t id, int32_t state)
{
    for (int32_t i = 0; i < popup->GetChildCount(); ++i)
    {
        CDialogItem* child = popup->GetChild(i);
        if (child && child->m_id == id)
            child->SetState(popup->GetState(), state, 0);
    }
    if (popup->m_id == id)
        popup->CDialogItem::SetState(popup->GetState(), state, 0);
}

template <class Fn> void ForEveryPageThenPopup(CAbstractDialogSystem* system, Fn fn)
{
    for (int32_t i = 0; i < system->GetPages()->GetCount(); ++i)
        if (CDialogPopup* page = system->GetPageObject(i + 1))
            fn(page);
    for (int32_t i = 0; i < system->GetPopups()->GetCount(); ++i)
        if (CDialogPopup* popup = system->GetPopupObject(i + 1))
            fn(popup);
}
} // namespace

void CAbstractDialogSystem::SetItemValue(uint32_t address, float value)
{
    ForEveryPageThenPopup(this,
                          [address, value](CDialogPopup* popup) { SetValueOnPopup(popup, address, value); });
}

void CAbstractDialogSystem::SetItemStateById(uint32_t id, int32_t state)
{
    ForEveryPageThenPopup(this, [id, state](CDialogPopup* popup) { SetStateByIdOnPopup(popup, id, state); });
}
