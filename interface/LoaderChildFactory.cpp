// Which item class a child record of a page or popup builds.
#include "interface/LoaderChildFactory.h"

#include "interface/DialogButton.h"
#include "interface/DialogButtonMultiState.h"
#include "interface/DialogButtonTrigger.h"
#include "interface/DialogButtonUpDown.h"
#include "interface/DialogEditBox.h"
#include "interface/DialogListBox.h"
#include "interface/DialogMultiStateSlider.h"
#include "interface/DialogPopup.h"

CDialogItem* CreateChildItem(uint8_t typeCode, uint8_t behaviour, CDialogItem* parent)
{
    switch (typeCode)
    {
    case CDialogPopup::ChildButton:
        return new CDialogButton(behaviour, parent);
    case CDialogPopup::ChildMultiStateButton:
        return new CDialogMultiStateButton(behaviour, parent);
    case CDialogPopup::ChildUpDownButton:
        return new CDialogUpDownButton(behaviour, parent);
    case CDialogPopup::ChildTriggerButton:
        return new CDialogTriggerButton(behaviour, parent);
    case CDialogPopup::ChildSlider:
        return new CDialogSlider(behaviour, parent);
    case CDialogPopup::ChildMultiStateSlider:
        return new CDialogMultiStateSlider(behaviour, parent);
    case CDialogPopup::ChildListBox:
        return new CDialogListBox(behaviour, parent);
    case CDialogPopup::ChildEditBox:
        return new CDialogEditBox(behaviour, parent);
    default:
        // Child types this version does not know.
        return nullptr;
    }
}
