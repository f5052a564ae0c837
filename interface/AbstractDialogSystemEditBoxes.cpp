// Edit boxes as the back end sees them: the focus, and the device events 44 to 58.
#include "devices/DeviceEvent.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogEditBox.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"

namespace
{
CDialogEditBox* AsEditBox(CDialogItem* item)
{
    return item != nullptr && item->GetKind() == ItemKindEditBox ? static_cast<CDialogEditBox*>(item)
                                                                 : nullptr;
}

CDialogEditBox* FirstEditBox(CDialogPopup* popup)
{
    if (popup == nullptr)
        return nullptr;
    for (int32_t i = 0; i < popup->GetChildCount(); i++)
        if (CDialogEditBox* box = AsEditBox(popup->GetChild(i)))
            return box;
    return nullptr;
}

// fn on every edit box among the page's children, then among those of each popup shown on it,
// bottom first.
template <class Fn> void ForEachPageEditBox(CAbstractDialogSystem* system, CDialogPage* page, Fn fn)
{
    if (page == nullptr)
        return;
    auto visit = [&](CDialogPopup* popup)
    {
        if (popup == nullptr)
            return;
        for (int32_t i = 0; i < popup->GetChildCount(); i++)
            if (CDialogEditBox* box = AsEditBox(popup->GetChild(i)))
                fn(box);
    };
    visit(page);
    for (int32_t i = 0; i < page->GetShownCount(); i++)
        visit(system->GetPopupObject(page->GetShownAt(i)));
}
} // namespace

bool CAbstractDialogSystem::FocusFirstEditBox(CDialogPage* page)
{
    if (page == nullptr)
        return false;
    bool found = false;
    if (CDialogEditBox* box = FirstEditBox(page))
    {
        m_focusedEditBox = box;
        found = true;
    }
    // The lowest shown popup that has an edit box takes the focus from the page.
    for (int32_t i = 0; i < page->GetShownCount(); i++)
    {
        if (CDialogEditBox* box = FirstEditBox(GetPopupObject(page->GetShownAt(i))))
        {
            m_focusedEditBox = box;
            return true;
        }
    }
    return found;
}

void CAbstractDialogSystem::FocusCurrentPage()
{
    // A page without an edit box leaves the focus where it is, also on another page.
    FocusFirstEditBox(GetPageObject(GetCurrentPageNumber()));
}

void CAbstractDialogSystem::ClearFocusedEditBox()
{
    if (m_focusedEditBox != nullptr)
        m_focusedEditBox->Clear();
}

void CAbstractDialogSystem::EditBoxInsertText(const char16_t* text)
{
    if (m_focusedEditBox != nullptr)
        m_focusedEditBox->InsertText(text);
}

void CAbstractDialogSystem::EditBoxCommand(uint8_t kind)
{
    CDialogEditBox* box = m_focusedEditBox;
    if (box == nullptr)
        return;
    switch (kind)
    {
    case EventEditBoxCaretLeft:
        box->CaretLeft();
        break;
    case EventEditBoxCaretRight:
        box->CaretRight();
        break;
    case EventEditBoxCaretHome:
        box->CaretHome();
        break;
    case EventEditBoxCaretEnd:
        box->CaretEnd();
        break;
    case EventEditBoxBackspace:
        box->Backspace();
        break;
    case EventEditBoxDeleteChar:
        box->DeleteChar();
        break;
    case EventEditBoxSend:
        box->Send();
        break;
    default:
        break;
    }
}

void CAbstractDialogSystem::ClearPageEditBoxes()
{
    ForEachPageEditBox(this, GetPageObject(GetCurrentPageNumber()),
                       [](CDialogEditBox* box) { box->Clear(); });
}

void CAbstractDialogSystem::SendPageEditBoxes()
{
    ForEachPageEditBox(this, GetPageObject(GetCurrentPageNumber()), [](CDialogEditBox* box) { box->Send(); });
}

namespace
{
// The nearest edit box after (forward) or before the focused one among its siblings, wrapping
// round; null when the focused one is the only one.
CDialogEditBox* NeighbourEditBox(CDialogEditBox* focused, bool forward)
{
    CDialogItem* parent = focused->GetParent();
    if (parent == nullptr || (parent->GetKind() != ItemKindPage && parent->GetKind() != ItemKindPopup))
        return nullptr;
    auto* popup = static_cast<CDialogPopup*>(parent);
    int32_t count = popup->GetChildCount();
    CDialogEditBox* wrap = nullptr;
    bool passed = false;
    for (int32_t n = 0; n < count; n++)
    {
        CDialogItem* child = popup->GetChild(forward ? n : count - 1 - n);
        if (child == focused)
        {
            passed = true;
            continue;
        }
        CDialogEditBox* box = AsEditBox(child);
        if (box == nullptr)
            continue;
        if (passed)
            return box;
        if (wrap == nullptr)
            wrap = box;
    }
    return wrap;
}
} // namespace

void CAbstractDialogSystem::FocusNextEditBox()
{
    if (m_focusedEditBox == nullptr)
        return;
    CDialogEditBox* old = m_focusedEditBox;
    CDialogEditBox* next = NeighbourEditBox(old, true);
    if (next == nullptr)
        return;
    m_focusedEditBox = next;
    next->Invalidate();
    old->Invalidate();
}

void CAbstractDialogSystem::FocusPreviousEditBox()
{
    if (m_focusedEditBox == nullptr)
        return;
    CDialogEditBox* old = m_focusedEditBox;
    CDialogEditBox* previous = NeighbourEditBox(old, false);
    if (previous == nullptr)
        return;
    m_focusedEditBox = previous;
    previous->Invalidate();
    old->Invalidate();
}
