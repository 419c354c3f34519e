// Checks of one option value against the compiled model: keep, repair or
// reset. The option id is a 16-bit id and the context comes last.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Results of the option checks (besides 0, not allowed).
constexpr int kOptValid = 1;    // valid, or repaired
constexpr int kOptNoKey = 2;    // no item, or its item has no dictionary key
constexpr int kOptNoModel = 3;  // the model has no option for the id, or one of type TypeUnknown alone

// 2 or 3 as above; else 1 when the item may hold `value` (ItemValueIsValid),
// 0 when not. Stores nothing.
int OptIsValueAllowed(uint16_t id, uint32_t value, DrvContext* ctx);
// 2 or 3 as above; else 1 when the value passes ItemValueCheck (1, or 5: its
// second condition, hidden, holds), 0 when not (0, or 4: its first
// condition, disabled, holds). Stores nothing.
int OptIsValueAllowedByCheck(uint16_t id, uint32_t value, DrvContext* ctx);
// 2 or 3 as above; else 1 when the value passes ItemValueCheck (1, or 5: its
// second condition holds); otherwise the option is repaired and 1 returned:
// the preset number (41) by its own rule, options 92 and 93 clamped while
// workspace flag 0x40000000 is set, any other option reset to its model
// default.
int OptApplyValueChecked(uint16_t id, uint32_t value, DrvContext* ctx);
// OptApplyValueChecked in two steps, for a caller that reads the value only
// when it is needed: the option's item when it can be checked, else null
// with the reason (2 or 3) in *why (`atPosition`, when given, is the item
// at the id's table position, which spares the search when it is the
// option's); then the check and repair of that item.
DmItem* OptCheckableItem(uint16_t id, DrvContext* ctx, int* why, DmItem* atPosition = nullptr);
int OptApplyCheckableValue(DmItem* item, uint16_t id, uint32_t value, DrvContext* ctx);
// The same with the id's model questions in hand (q.id() the option id) and
// the type they gave (non-zero): the check asks nothing twice.
class DmOptionQueries;
int OptApplyCheckableValueBy(DmItem* item, const DmOptionQueries& q, int type, uint32_t value, DrvContext* ctx);
// As OptApplyValueChecked but judged with ItemValueIsValid; a value the
// model refuses for a list option whose item has a value map answers
// whether the map knows the value, and nothing is stored.
int OptCheckValueOrReset(uint16_t id, uint32_t value, DrvContext* ctx);
// Options 92 and 93 with a numeric model option: a value below its minimum
// stores the minimum, one above its maximum the maximum; in every other
// case the option is reset to its default. Returns 1.
int OptClampNumeric(DmItem* item, uint16_t id, uint32_t value, DrvContext* ctx);

// Workspace flag: repair numeric options by clamping instead of resetting.
constexpr uint32_t kWsClampNumeric = 0x40000000u;

}  // namespace vesk
