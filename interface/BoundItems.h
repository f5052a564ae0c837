#pragma once
// The fan-out of the changes that devices address by channel: every page of the page registry
// in order, then every popup of the popup registry in order, shown or not; within each, the
// children bound to the address in order, then (when asked) the page or popup itself.
#include <cstdint>

#include "common/Vector.h"
#include "interface/AbstractDialogSystem.h"
#include "interface/DialogPage.h"
#include "interface/DialogPopup.h"

enum class BoundScope
{
    // Only children (values for sliders, steps, list-box changes).
    Children,
    // Children, then the page or popup when it is bound itself.
    ChildrenThenOwner,
};

// Calls fn(page or popup) for every page, then every popup, in registry order.
template <class Fn> void ForEveryPageThenPopup(const CAbstractDialogSystem* system, Fn fn)
{
    for (int32_t i = 0; i < system->GetPages()->GetCount(); ++i)
        if (CDialogPopup* page = system->GetPageObject(i + 1))
            fn(page);
    for (int32_t i = 0; i < system->GetPopups()->GetCount(); ++i)
        if (CDialogPopup* popup = system->GetPopupObject(i + 1))
            fn(popup);
}

// Calls fn(item) for every item bound to the address, in fan-out order.
template <class Fn>
void ForEachBoundItem(const CAbstractDialogSystem* system, uint32_t address, BoundScope scope, Fn fn)
{
    ForEveryPageThenPopup(system,
                          [&](CDialogPopup* owner)
                          {
                              for (int32_t i = 0; i < owner->GetChildCount(); ++i)
                              {
                                  CDialogItem* child = owner->GetChild(i);
                                  if (child && child->IsBoundTo(address))
                                      fn(child);
                              }
                              if (scope == BoundScope::ChildrenThenOwner && owner->IsBoundTo(address))
                                  fn(static_cast<CDialogItem*>(owner));
                          });
}
