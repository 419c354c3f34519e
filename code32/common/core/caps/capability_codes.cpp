#include "core/caps/capability_codes.h"

#include "core/item_store.h"

namespace vesk {

const CapabilityCodeRow* CapsFindFirstSetEntryIn(DrvContext* ctx, const CapabilityCodeRow* table) {
    const CapabilityCodeRow* r = table;
    for (; r->item != kCapsCodeEnd; ++r)
        if (ItemRawById(ctx, r->item) != 0) return r;
    return r;
}

const CapabilityCodeRow* CapsFindFirstSetEntry(DrvContext* ctx) {
    return CapsFindFirstSetEntryIn(ctx, builtinCapabilityCodes());
}

int CapsCodeListedIn(const CapabilityCodeRow* table, int code, int selector) {
    if (code == -1) return 0;
    for (const CapabilityCodeRow* r = table; r->item != kCapsCodeEnd; ++r)
        if ((selector == kCapsSelectorBlank ? r->blankCode : r->otherCode) == code) return 1;
    return 0;
}

int CapsCodeListed(int code, int selector) { return CapsCodeListedIn(builtinCapabilityCodes(), code, selector); }

}  // namespace vesk
