#include "interface/AbstractEffect.h"

#include "interface/AbstractDialogSystem.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"
#include "platform/FloatToInt.h"

int32_t TakeWholeUnits(float step, uint32_t quanta, float& carry)
{
    double amount = static_cast<double>(step) * quanta * CAbstractEffect::kQuantumMs + carry;
    int32_t whole = platform::FloatToInt32(amount);
    carry = static_cast<float>(amount - whole);
    return whole;
}

namespace
{
int32_t PopupNumber(CDialogItem* item)
{
    if (item == nullptr || item->GetKind() != ItemKindPopup)
        return 0;
    return static_cast<CDialogPopup*>(item)->GetNumber();
}
} // namespace

void AddEffectPopupToPage(CDialogItem* item, int32_t pageNumber)
{
    int32_t number = PopupNumber(item);
    if (pageNumber == 0 || number == 0 || g_pDialogSystem == nullptr)
        return;
    if (CDialogPage* page = g_pDialogSystem->GetPageObject(pageNumber))
        page->AddPopup(number);
}

void RemoveEffectPopupFromPage(CDialogItem* item, int32_t pageNumber)
{
    int32_t number = PopupNumber(item);
    if (pageNumber == 0 || number == 0 || g_pDialogSystem == nullptr)
        return;
    g_pDialogSystem->RemovePopupFromPage(pageNumber, number);
}
