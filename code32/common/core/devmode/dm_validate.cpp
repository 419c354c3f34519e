#include "core/devmode/dm_validate.h"

#include <win/devmode.h>

#include <vector>

#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_option_walks.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"
#include "core/item_ids.h"
#include "core/validation/option_handlers.h"
#include "core/validation/option_helpers.h"

namespace vesk {

namespace {
bool isListType(int t) { return t == 1 || t == 2 || t == 257 || t == 513; }

// The companion switch of the finishing options whose values it gates.
int companionOf(int id) {
    switch (id) {
    case kItRdmDuplexType: return kItRdmFuncSelectDuplex;
    case kItRdmStapleType: return kItRdmFuncSelectStaple;
    case kItRdmPunchType: return kItRdmFuncSelectPunch;
    default: return 0;
    }
}

// The switch has a model option whose own conditions do not hold, and is on.
// The item is read first: a switch that is off is not on whatever the
// conditions give, and they only read the model and the items.
bool switchIsOn(DrvContext* ctx, int id) {
    if (ItemRawById(ctx, id) == 0) return false;
    const DmOptionQueries q(ctx, id);
    return q.type() != 0 && !q.valueCondition(0, 1) && !q.valueCondition(0, 2);
}

// The value map and value-list part shared by both checks: the model value
// in *logical and whether the model lists it in *listed; false when the
// value is not allowed.
bool listValueOk(DrvContext* ctx, const DmItem* item, const DmOptionQueries& q, uint32_t raw, uint32_t* logical,
                 bool* listed) {
    uint32_t v = raw;
    if (item && item->valueMap) {
        if (!ItemHasMapping(ctx, item, raw)) return false;
        v = ItemMapToValue(ctx, item, raw);
    }
    *logical = v;
    const int has = q.valueListHas(v);
    *listed = has == 1;
    // Without a value list only a mapping to a non-zero value counts.
    if (has < 0) return v != 0;
    return has == 1;
}

bool landscape(DrvContext* ctx) {
    return ctx->devmode && dm::rds16(ctx->devmode, dm::kOffOrientation) == DMORIENT_LANDSCAPE;
}
}  // namespace

int ValueIsBool(uint32_t value) { return value <= 1 ? 1 : 0; }

int MdlValueInRange(DrvContext* ctx, int id, int32_t value) {
    int32_t lo = 0, hi = 0;
    if (dmModel().optionType(ctx, id) != 8 || !dmModel().optionRange(ctx, id, &lo, &hi)) return 0;
    return (value >= lo && value <= hi) ? 1 : 0;
}

int MdlValueListHas(DrvContext* ctx, int id, uint32_t value) {
    return dmModel().valueListHas(ctx, id, value);
}

namespace {
// The check of ItemValueIsValid for the option's type `t`, already asked of
// the model (its queries only read the model, so asking once is enough).
int validForType(DrvContext* ctx, const DmItem* item, const DmOptionQueries& q, uint32_t raw, int t) {
    if (isListType(t)) {
        uint32_t v = 0;
        bool listed = false;
        if (!listValueOk(ctx, item, q, raw, &v, &listed)) return 0;
        // A value listed by the model is allowed unless its first condition
        // holds now.
        return (listed && q.valueCondition(v, 1)) ? 0 : 1;
    }
    if (t == 4) return ValueIsBool(raw);
    if (t == 8) {
        int32_t lo = 0, hi = 0;
        if (!q.range(&lo, &hi)) return 0;
        const int32_t value = static_cast<int32_t>(raw);
        return (value >= lo && value <= hi) ? 1 : 0;
    }
    return 1;
}
}  // namespace

int ItemValueIsValid(DrvContext* ctx, const DmItem* item, int id, uint32_t raw) {
    if (!ctx) return 0;
    const DmOptionQueries q(ctx, id);
    return validForType(ctx, item, q, raw, q.type());
}

int ItemValueIsValidEx(DrvContext* ctx, const DmItem* item, int id, uint32_t raw, bool repair) {
    if (!ctx) return 0;
    const DmOptionQueries q(ctx, id);
    return ItemValueIsValidBy(ctx, item, q, q.type(), raw, repair);
}

int ItemValueIsValidBy(DrvContext* ctx, const DmItem* item, const DmOptionQueries& q, int t, uint32_t raw,
                       bool repair) {
    if (!ctx) return 0;
    const int id = q.id();
    if (!isListType(t)) return validForType(ctx, item, q, raw, t);
    uint32_t v = 0;
    bool listed = false;
    if (!listValueOk(ctx, item, q, raw, &v, &listed)) return 0;

    if (id == kItRdmNUPType && switchIsOn(ctx, kItRdmFuncSelectNup)) {
        int flag = 0;
        const int kind = NupKindFromType(raw, &flag);
        if (repair) {
            const uint32_t current = ItemRawById(ctx, kItRdmNUPPOSTKind);
            const uint32_t oneUp = landscape(ctx) ? 3 : 1;
            if (current != static_cast<uint32_t>(kind)) {
                ItemSetRawById(ctx, kItRdmNUPPOSTKind, static_cast<uint32_t>(kind));
                if (kind == 1) ItemSetRawById(ctx, kItRdmNUPType, oneUp);
            } else if (current == 1 && q.valueCondition(v, 1)) {
                ItemSetRawById(ctx, kItRdmNUPType, oneUp);
            }
        }
        return 1;
    }
    if (const int companion = companionOf(id)) {
        return (switchIsOn(ctx, companion) && q.valueCondition(v, 1)) ? 4 : 1;
    }
    if (q.valueCondition(v, 1)) return 4;
    if (q.valueCondition(v, 2)) return 5;
    return 1;
}

void DmApplyAllItemActions(DrvContext* ctx) {
    if (!ctx || !ctx->items) return;
    // With the model's own queries, only the items it has an option for
    // (one walk of its option list), in item order.
    if (DmRunItemActionsFromImage(ctx)) return;
    const DmModelQueries& m = dmModel();
    for (int i = 0; i < ctx->items->count; ++i) {
        const int id = ctx->items->items[i].id;
        if (id != 0 && m.optionType(ctx, id) != 0) m.applyActions(ctx, id);
    }
}

void DmValidateAll(DrvContext* ctx, int reason) {
    if (ctx) RunOptionChangeHandlers(ctx, static_cast<uint32_t>(reason));
}

void DmDefaultsAfterValidate(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return;
    DmValidateAll(ctx, 1);
    DmDerivedItemsUpdate(ctx, 1);
    DmHeaderTexts(ctx);
}

}  // namespace vesk
