// The values of the built-in settings (allowed_table.h) that may be chosen
// now: condition chains over items, the allowed values of a setting and the
// check of one value.
#pragma once
#include <win/types.h>

#include "core/allowed/allowed_table.h"
#include "core/context.h"

namespace vesk {

// Answers of OptGetAllowedValues. Callers treat anything but done and
// too small as a failure.
constexpr int kAllowedDone = 0;
constexpr int kAllowedTooSmall = 1;
constexpr int kAllowedNoMemory = -1;

// At most this many items are noted and checked by a trial: the setting's
// item and at most one less pairs of the setting and the value.
constexpr size_t kTrialMaxNoted = 20;

// 1 when the chain holds on the items' raw values (an empty chain holds).
int OptEvalCondChain(DrvContext* ctx, const AllowedNode* chain);
// The same walk over installed-option conditions: a node whose item is not
// in 443..538 is passed over, a node in range reads item (id - 193).
int OptCondChain443(DrvContext* ctx, const AllowedNode* chain);

// The first row for option id `optionId` (not 0) whose use mask shares a
// bit with `mask`; a printer-option row with a chain of its own only while
// OptCondChain443 holds for it. Null when none.
const AllowedSetting* OptFindAllowedEntry(DrvContext* ctx, uint32_t optionId, uint32_t mask);

// 1 when the value may be chosen now. A row of kind 8 tries it: on the
// whole item-store buffer, saved first, the value goes into the row's item
// (ids up to 730, not an off value), the pairs of the row and of the value
// are set, the dependent items are worked out again, and the value is
// allowed when every item so set still holds its value; the buffer and the
// items' changed marks are then put back. A value that drags along
// kTrialMaxNoted pairs or more, or whose buffer cannot be saved, is refused.
// Other rows: the value's chain.
int OptValueAllowedBuiltin(DrvContext* ctx, const AllowedSetting* row, const AllowedValue* value);

// The allowed values of document setting `optionId` in table order, into
// `out` of `capacity` entries, their number in *outCount: kAllowedDone when
// copied (or none allowed, or no row: count 0), kAllowedTooSmall when `out`
// is null or holds fewer than the count (a size query passes capacity 0),
// kAllowedNoMemory (count 0) when the work list cannot be had.
int OptGetAllowedValues(DrvContext* ctx, uint32_t optionId, uint32_t capacity, uint32_t* out, uint32_t* outCount);
// 1 when the document setting has an allowed value that is not an off value.
int OptHasAllowedValue(DrvContext* ctx, uint32_t optionId);

}  // namespace vesk
