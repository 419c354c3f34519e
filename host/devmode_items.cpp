#include "devmode_items.h"

#include <cstdio>
#include <iostream>

#include <winsim/winsim.h>

#include "core/item.h"
#include "core/item_store.h"

namespace vesk::host {
namespace {

// Unit class of the items that hold a length in 1200-dpi units.
constexpr uint32_t kUnitClassDots = 2;

int64_t shown(const DmItem& it, uint32_t raw) {
    switch (itemTypeCode(it)) {
    case kTypeS8: case kTypeS16: case kTypeS32: return int32_t(raw);
    default: return raw;
    }
}

std::string millimetres(int64_t dots) {
    char t[32];
    std::snprintf(t, sizeof t, "%.2f mm", double(dots) * 25.4 / 1200.0);
    return t;
}

}  // namespace

std::string DmItemName(const DmItem& it) {
    return it.fieldName ? winsim::toUtf8(std::u16string(it.fieldName)) : "item " + std::to_string(it.id);
}

int PrintItemChanges(DrvContext* ctx, BYTE* before, BYTE* after, bool withIds) {
    int changed = 0;
    for (int i = 0; ctx && ctx->items && i < ctx->items->count; ++i) {
        const DmItem& it = ctx->items->items[i];
        const uint32_t code = itemTypeCode(it);
        if (itemSection(it) != 1 || !(typeIsNumber(code) || typeIsBit(code))) continue;
        const uint32_t a = ItemReadRawIn(before, &it), b = ItemReadRawIn(after, &it);
        if (a == b) continue;
        std::cout << "  ";
        if (withIds) std::cout << it.id << " ";
        std::cout << DmItemName(it) << ": " << shown(it, a) << " -> " << shown(it, b);
        if (it.classWords[kClassUnit] == kUnitClassDots)
            std::cout << " (1200-dpi units: " << millimetres(shown(it, a)) << " -> " << millimetres(shown(it, b)) << ")";
        std::cout << "\n";
        ++changed;
    }
    if (!changed) std::cout << "  (no item changed)\n";
    return changed;
}

}  // namespace vesk::host
