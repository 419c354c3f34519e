// The driver's private items of a DEVMODE, read by the driver's own item
// table (the host's copy of the common library): what changed between two
// DEVMODEs of the driver, item by item.
#pragma once
#include <win/types.h>

#include <string>

#include "core/context.h"

namespace vesk::host {

// The item's field name, or "item N" for an unnamed one.
std::string DmItemName(const DmItem& item);

// One line per numeric or bit item of the spooler's part whose value differs
// between `before` and `after` (both laid out as the context's DEVMODE):
// "  NAME: A -> B", with the item id first when `withIds`, and lengths kept
// in 1200-dpi units also shown in millimetres. "  (no item changed)" when
// none differs. Answers the number of items listed.
int PrintItemChanges(DrvContext* ctx, BYTE* before, BYTE* after, bool withIds);

}  // namespace vesk::host
