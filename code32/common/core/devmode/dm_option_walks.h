// The walks over the item table that ask the compiled model about each item:
// the option checks and handlers of options 35 to 706, and the item actions
// of every item with a model option. With the model's own queries in place
// they read the option records straight from the image (one lookup per
// item), with the same outcome and order as the query-per-step walks; with
// a test's query table they fall back to those walks.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The option checks and built-in handlers of options 35..706, in id order
// (see RunOptionChangeHandlers). Returns the number of values the handlers
// stored.
int DmRunOptionWalk(DrvContext* ctx, uint32_t mode);

// The item actions of every item the model has an option for, in item
// order. False when the model's own queries are not in place (nothing ran).
bool DmRunItemActionsFromImage(DrvContext* ctx);

// The model's value-list answer for an option (MdlValueListHas with the
// model's own queries) from one walk of the option's values: 1 listed, 0 not,
// -1 without option or value list. False when a test's query table is in
// place (then *out is not set).
bool DmValueListHasFromImage(DrvContext* ctx, int id, uint32_t value, int* out);

}  // namespace vesk
