// Pointer dispatch: the pointer events of the main window, on the tick thread, become presses,
// moves and releases of the item that holds the pointer, and a release runs the item's flips.
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogItem.h"
#include "interface/DialogItemState.h"
#include "interface/FlipCommand.h"

#include <algorithm>

bool CAbstractDialogSystem::DispatchPointer(uint8_t kind, int32_t x, int32_t y)
{
    // A forced release happens where the pointer was last seen: it brings no position of its own.
    if (kind != ItemMouseForcedRelease)
    {
        m_pointerX = x - m_offsetX;
        m_pointerY = y - m_offsetY;
    }
    CDialogItem* held = m_heldItem;
    if (held)
    {
        int32_t localX = m_pointerX - held->GetAbsX();
        int32_t localY = m_pointerY - held->GetAbsY();
        switch (kind)
        {
        case ItemMouseMove:
            held->OnMouse(ItemMouseMove, std::clamp(localX, 0, std::max(0, held->GetWidth())),
                          std::clamp(localY, 0, std::max(0, held->GetHeight())));
            break;
        case ItemMouseRelease:
        case ItemMouseForcedRelease:
            // The flips run whatever the item answered: a hidden or disabled item that took the
            // capture still changes pages when it is let go.
            held->OnMouse(kind, localX, localY);
            m_heldItem = nullptr;
            RunFlipCommands(held->m_flipCommands);
            break;
        default:
            // A second press while one is held is ignored.
            break;
        }
        return true;
    }
    if (kind != ItemMousePress)
        return true;
    CDialogItem* page = GetCurrentPage();
    CDialogItem* hit = page ? page->HitTest(m_pointerX, m_pointerY) : nullptr;
    if (!hit)
        return true;
    // The capture is taken whether or not the item accepts the press.
    m_heldItem = hit;
    hit->OnMouse(ItemMousePress, m_pointerX - hit->GetAbsX(), m_pointerY - hit->GetAbsY());
    return true;
}

int32_t CAbstractDialogSystem::GetHeldItemState()
{
    return m_heldItem ? m_heldItem->GetState() : 0;
}

uint32_t CAbstractDialogSystem::GetHeldItemId()
{
    return m_heldItem ? m_heldItem->m_id : 0;
}

bool CAbstractDialogSystem::GetHeldItemText(std::u16string& text)
{
    text.clear();
    CDialogItemState* state = m_heldItem ? m_heldItem->GetCurrentState() : nullptr;
    if (!state || !state->m_text)
        return false;
    text = state->m_text;
    return true;
}

void CAbstractDialogSystem::RunFlipCommands(CVector* list)
{
    if (!list)
        return;
    for (int32_t i = 0; i < list->GetCount(); ++i)
    {
        CFlipCommand* command = list->Get<CFlipCommand>(i);
        if (!command)
            continue;
        const char* text = command->GetText();
        switch (command->GetType())
        {
        case FlipShowPage:
            ShowPage(text);
            break;
        case FlipGoBack:
            GoBack();
            break;
        case FlipShowPopup:
            ShowPopup(text, nullptr);
            break;
        case FlipHidePopup:
            HidePopup(text, nullptr);
            break;
        case FlipTogglePopup:
            TogglePopup(text, nullptr);
            break;
        case FlipHidePopupGroup:
            HidePopupGroup(text);
            break;
        case FlipHideAllPopupsOnPage:
            HideAllPopupsOnPage(text);
            break;
        case FlipHideAllPopups:
            HideAllPopups();
            break;
        case FlipQuit:
            RequestQuit();
            break;
        default:
            break;
        }
    }
}
