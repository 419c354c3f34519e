// Whether an item may hold a value: the item's value map and its model
// option's value list, conditions, Boolean or numeric range; and the model
// steps run over the whole item table.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// 1 for 0 and 1.
int ValueIsBool(uint32_t value);
// 1 when the item's numeric option has a value record whose minimum and
// maximum hold `value`; 0 otherwise or without option or record.
int MdlValueInRange(DrvContext* ctx, int id, int32_t value);
// 1 when the item's option lists the model value, 0 when not, -1 without
// option or value list.
int MdlValueListHas(DrvContext* ctx, int id, uint32_t value);

// 1 when `raw` is a valid value of `item` for option `id`: a list option's
// value must have a mapping, be in the list and its first condition must not
// hold; a Boolean 0 or 1; a numeric within its range; any other type, or an
// item without model option, is valid.
int ItemValueIsValid(DrvContext* ctx, const DmItem* item, int id, uint32_t raw);

// The answer with the conditions: 0 not allowed, 1 allowed, 4 the value's
// first condition holds (not allowed now), 5 its second holds (allowed).
// With `repair` an N-up type checked while N-up is on also brings item 94
// (and, for kind 1, item 95) in line with it, as the option check expects;
// without it nothing is stored.
int ItemValueIsValidEx(DrvContext* ctx, const DmItem* item, int id, uint32_t raw, bool repair = true);
// The same with the id's model questions already in hand and its type `t`
// asked of them (q.type()), for a caller that asked it first.
class DmOptionQueries;
int ItemValueIsValidBy(DrvContext* ctx, const DmItem* item, const DmOptionQueries& q, int t, uint32_t raw,
                       bool repair = true);
// The option check's name for the same answer (with the repair).
inline int ItemValueCheck(DrvContext* ctx, const DmItem* item, int id, uint32_t raw) {
    return ItemValueIsValidEx(ctx, item, id, raw, true);
}

// For every item that has a model option, the option's item actions.
void DmApplyAllItemActions(DrvContext* ctx);
// The built-in option handlers with reason 1 (defaults) or 2 (validation).
void DmValidateAll(DrvContext* ctx, int reason);
// After the defaults: the handlers (reason 1), the derived items and the
// header texts.
void DmDefaultsAfterValidate(DrvContext* ctx);

}  // namespace vesk
