// The list-box device events (32 to 43): each reaches every list box bound to the address among
// the children of every page, then every popup, shown or not.
#include "common/StringFunctions.h"
#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogListBox.h"
#include "interface/DialogPopup.h"
#include "render/Sprite.h"

namespace
{
template <class Fn> void ForBoundListBoxes(const CAbstractDialogSystem* system, uint32_t address, Fn fn)
{
    auto visit = [&](CDialogItem* item)
    {
        if (item == nullptr || (item->GetKind() != ItemKindPage && item->GetKind() != ItemKindPopup))
            return;
        auto* popup = static_cast<CDialogPopup*>(item);
        for (int32_t i = 0; i < popup->GetChildCount(); i++)
        {
            CDialogItem* child = popup->GetChild(i);
            if (child != nullptr && child->GetKind() == ItemKindListBox && child->IsBoundTo(address))
                fn(static_cast<CDialogListBox*>(child));
        }
    };
    CVector* pages = system->GetPages();
    for (int32_t i = 0; pages != nullptr && i < pages->GetCount(); i++)
        visit(pages->Get<CDialogItem>(i));
    CVector* popups = system->GetPopups();
    for (int32_t i = 0; popups != nullptr && i < popups->GetCount(); i++)
        visit(popups->Get<CDialogItem>(i));
}
} // namespace

void CAbstractDialogSystem::ListBoxClear(uint32_t address)
{
    ForBoundListBoxes(this, address, [](CDialogListBox* box) { box->Clear(); });
}

void CAbstractDialogSystem::ListBoxAddRows(uint32_t address, uint32_t count, uint32_t firstId)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->AddRows(count, firstId); });
}

void CAbstractDialogSystem::ListBoxSetResistance(uint32_t address, int32_t deceleration)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetDeceleration(deceleration); });
}

void CAbstractDialogSystem::ListBoxSetScrollColor(uint32_t address, uint32_t color)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetScrollColor(color); });
}

void CAbstractDialogSystem::ListBoxShowScrollBar(uint32_t address, bool shown)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->ShowScrollBar(shown); });
}

void CAbstractDialogSystem::ListBoxSetIndent(uint32_t address, int32_t indent)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetIndent(indent); });
}

void CAbstractDialogSystem::ListBoxSelectRow(uint32_t address, uint32_t rowId, bool selected)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SelectRow(rowId, selected); });
}

void CAbstractDialogSystem::ListBoxSetRowChannel(uint32_t address, uint32_t rowId, uint32_t channelAddress)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetRowChannel(rowId, channelAddress); });
}

void CAbstractDialogSystem::ListBoxSetRowText(uint32_t address, uint32_t rowId, const char16_t* text)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetRowText(rowId, text); });
}

void CAbstractDialogSystem::ListBoxSetRowBitmap(uint32_t address, uint32_t rowId, const char* imageName)
{
    uint32_t imageId = FindImageIdByNamePrefix(imageName);
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->SetRowBitmap(rowId, imageId); });
}

void CAbstractDialogSystem::ListBoxClearRowFlips(uint32_t address, uint32_t rowId)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->ClearRowFlips(rowId); });
}

void CAbstractDialogSystem::ListBoxAddRowFlip(uint32_t address, uint32_t rowId, uint8_t type,
                                              const char* text)
{
    ForBoundListBoxes(this, address, [&](CDialogListBox* box) { box->AddRowFlip(rowId, type, text); });
}

uint32_t CAbstractDialogSystem::FindImageIdByNamePrefix(const char* name) const
{
    const CSprite* image = FindImageByName(name);
    return image ? image->GetId() : 0;
}
