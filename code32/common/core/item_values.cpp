// Logical values of the items: raw values through the item's value map. The
// layout items keep a second map section for landscape pages; which one
// applies is the computed layout's answer, so this sits above the store.
#include <win/types.h>

#include "core/computed/computed.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/res/res.h"

namespace vesk {
namespace {

// The map section that applies to the item now: the second one for the
// layout items in landscape, else the first.
const ValueMapEntry* mapSection(DrvContext* ctx, const DmItem* item) {
    const ValueMapEntry* m = item->valueMap;
    if (!m) return nullptr;
    bool second = false;
    switch (item->id) {
    case kItRdmNUPType:
    case kItRdmDuplexType: second = ItemRawById(ctx, kItDmOrientation) == 2; break;
    case kItRdmPunchType:
    case kItRdmStapleType: second = IsEffectiveLandscape(ctx) != 0; break;
    default: break;
    }
    if (second) {
        while (m->logical != 0) ++m;
        ++m;  // the second section follows the first one's end entry
        if (m->logical == 0) return item->valueMap;  // no second section: use the first
    }
    return m;
}

const ValueMapEntry* findRaw(const ValueMapEntry* m, uint32_t raw) {
    for (; m && m->logical != 0; ++m)
        if (m->raw == raw && m->logical != kNoLogicalValue) return m;
    return nullptr;
}

}  // namespace

uint32_t ItemMapToValue(DrvContext* ctx, const DmItem* item, uint32_t raw) {
    if (!item) return raw;
    const ValueMapEntry* e = findRaw(mapSection(ctx, item), raw);
    return e ? e->logical : raw;
}

uint32_t ItemMapToRaw(DrvContext* ctx, const DmItem* item, uint32_t logical) {
    if (!item) return logical;
    for (const ValueMapEntry* m = mapSection(ctx, item); m && m->logical != 0; ++m)
        if (m->logical == static_cast<uint16_t>(logical)) return m->raw;
    return logical;
}

int ItemHasMapping(DrvContext* ctx, const DmItem* item, uint32_t raw) {
    return (item && findRaw(mapSection(ctx, item), raw)) ? 1 : 0;
}

uint32_t ItemGetValue(DrvContext* ctx, const DmItem* item) {
    return ItemMapToValue(ctx, item, ItemGetRaw(ctx, item));
}

uint32_t ItemValueById(DrvContext* ctx, int id, DmItem** outItem) {
    DmItem* it = ItemFindById(ctx, id);
    if (outItem) *outItem = it;
    return ItemGetValue(ctx, it);
}

uint32_t ItemValueByKey(DrvContext* ctx, int key, DmItem** outItem) {
    DmItem* it = ItemFindByKey(ctx, key);
    if (outItem) *outItem = it;
    return ItemGetValue(ctx, it);
}

uint32_t ItemSetValue(DrvContext* ctx, DmItem* item, uint32_t logical) {
    return ItemSetRaw(ctx, item, ItemMapToRaw(ctx, item, logical));
}

uint32_t ItemSetValueById(DrvContext* ctx, int id, uint32_t logical) {
    return ItemSetValue(ctx, ItemFindById(ctx, id), logical);
}

void OptFindApply(DrvContext* ctx, uint16_t id, uint32_t value) {
    if (DmItem* item = ItemFindById(ctx, id)) ItemSetValue(ctx, item, value);
}

int ItemSetValueOrResString(DrvContext* ctx, int id, uint32_t value) {
    DmItem* item = ItemFindById(ctx, id);
    if (!item || !ItemGetStorage(ctx, item)) return 0;
    const uint32_t code = itemTypeCode(*item);
    if (typeIsNumber(code) || typeIsBit(code)) {
        ItemSetValue(ctx, item, value);
        return 1;
    }
    if (!ctx->ws) return 0;
    WCHAR* text = ctx->ws->displayBuffer;
    text[0] = 0;
    ResLoadString(ctx, value, text, kWsDisplayChars, 0);
    text[kWsDisplayChars - 1] = 0;
    return ItemSetString(ctx, item, text) ? 1 : 0;
}

}  // namespace vesk
