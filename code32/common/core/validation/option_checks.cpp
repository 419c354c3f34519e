#include "core/validation/option_checks.h"

#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_validate.h"
#include "core/item_ids.h"
#include "core/item_store.h"

namespace vesk {
namespace {

// The item of an option that can be checked, else null with the reason in
// *why (2 or 3); `item` is the option's item as ItemFindById finds it.
DmItem* checkableFound(DmItem* item, uint16_t id, DrvContext* ctx, int* why) {
    if (!item || item->key == 0) {
        *why = kOptNoKey;
        return nullptr;
    }
    // The model's type without its Identity and TypeUnknown bits: 0 when
    // the model has no option, or one typed TypeUnknown and nothing else.
    // The model is authoritative: an option it lacks is not checked.
    if (dmModel().optionType(ctx, id) == 0) {
        *why = kOptNoModel;
        return nullptr;
    }
    return item;
}

DmItem* checkable(uint16_t id, DrvContext* ctx, int* why) {
    return checkableFound(ctx ? ItemFindById(ctx, id) : nullptr, id, ctx, why);
}

// The preset number: slots 119..134 stand for presets 0..15 and 118 for
// "none" (255); a number that is neither a preset 0..127 nor "none" in its
// low byte becomes preset 0.
void repairPreset(DmItem* item, uint32_t value, DrvContext* ctx) {
    uint32_t mapped = value;
    if (value >= 119 && value <= 134) mapped = value - 119;
    else if (value == 118) mapped = 255;
    if (mapped > 127 && (mapped & 0xFF) != 0xFF) ItemSetValue(ctx, item, 0);
}

int repair(DmItem* item, uint16_t id, uint32_t value, DrvContext* ctx) {
    if (id == kItRdmPresetNo) {
        repairPreset(item, value, ctx);
        return kOptValid;
    }
    if (ctx->ws && (ctx->ws->flags & kWsClampNumeric)) return OptClampNumeric(item, id, value, ctx);
    DmResetOption(ctx, item);
    return kOptValid;
}

}  // namespace

int OptIsValueAllowed(uint16_t id, uint32_t value, DrvContext* ctx) {
    int why = 0;
    DmItem* item = checkable(id, ctx, &why);
    if (!item) return why;
    return ItemValueIsValid(ctx, item, id, value) ? kOptValid : 0;
}

int OptIsValueAllowedByCheck(uint16_t id, uint32_t value, DrvContext* ctx) {
    int why = 0;
    DmItem* item = checkable(id, ctx, &why);
    if (!item) return why;
    const int r = ItemValueCheck(ctx, item, id, value);
    return r == 1 || r == 5 ? kOptValid : 0;
}

int OptApplyValueChecked(uint16_t id, uint32_t value, DrvContext* ctx) {
    int why = 0;
    DmItem* item = checkable(id, ctx, &why);
    if (!item) return why;
    return OptApplyCheckableValue(item, id, value, ctx);
}

DmItem* OptCheckableItem(uint16_t id, DrvContext* ctx, int* why, DmItem* atPosition) {
    int unused = 0;
    // An item at the id's position is the one ItemFindById finds.
    DmItem* item = atPosition && atPosition->id == id ? atPosition : ctx ? ItemFindById(ctx, id) : nullptr;
    return checkableFound(item, id, ctx, why ? why : &unused);
}

int OptApplyCheckableValue(DmItem* item, uint16_t id, uint32_t value, DrvContext* ctx) {
    const int r = ItemValueCheck(ctx, item, id, value);
    if (r == 1 || r == 5) return kOptValid;
    return repair(item, id, value, ctx);
}

int OptApplyCheckableValueBy(DmItem* item, const DmOptionQueries& q, int type, uint32_t value, DrvContext* ctx) {
    const int r = ItemValueIsValidBy(ctx, item, q, type, value, true);
    if (r == 1 || r == 5) return kOptValid;
    return repair(item, static_cast<uint16_t>(q.id()), value, ctx);
}

int OptCheckValueOrReset(uint16_t id, uint32_t value, DrvContext* ctx) {
    int why = 0;
    DmItem* item = checkable(id, ctx, &why);
    if (!item) return why;
    if (ItemValueIsValid(ctx, item, id, value)) return kOptValid;
    if (item->valueMap && (dmModel().optionType(ctx, id) & 0x3)) return ItemHasMapping(ctx, item, value) ? 1 : 0;
    if (id == kItRdmPresetNo) {
        repairPreset(item, value, ctx);
        return kOptValid;
    }
    DmResetOption(ctx, item);
    return kOptValid;
}

int OptClampNumeric(DmItem* item, uint16_t id, uint32_t value, DrvContext* ctx) {
    int32_t lo = 0, hi = 0;
    if ((id == kItRdmScaleH || id == kItRdmScaleV) && dmModel().optionType(ctx, id) == 8 &&
        dmModel().optionRange(ctx, id, &lo, &hi)) {
        const int32_t v = static_cast<int32_t>(value);
        if (v < lo) {
            ItemSetRaw(ctx, item, static_cast<uint32_t>(lo));
            return kOptValid;
        }
        if (v > hi) {
            ItemSetRaw(ctx, item, static_cast<uint32_t>(hi));
            return kOptValid;
        }
    }
    DmResetOption(ctx, item);
    return kOptValid;
}

}  // namespace vesk
