#pragma once
#include <cstdint>

class CDialogItem;

// The item class of a children-list type code, built with its behaviour byte and its parent
// (not loaded yet). Null for a type code that names no item class this program has: the record
// of such a child has no length, so the caller cannot skip it and stops reading there.
CDialogItem* CreateChildItem(uint8_t typeCode, uint8_t behaviour, CDialogItem* parent);
