// The walks over the item table that ask the compiled model about each item
// (the item actions of every item with a model option) and the one-lookup
// option type the option checks use. With the model's own queries in place
// they read the option records straight from the image (one lookup per
// item), with the same outcome and order as the query-per-step walks; with
// a test's query table they fall back to those walks.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The model's type of option `id` without its Identity and TypeUnknown bits
// (0 without option): with the model's own queries read from the option's
// slot or first record in one lookup, else through the query table.
int DmOptionBaseType(DrvContext* ctx, int id);

// The item actions of every item the model has an option for, in item
// order. False when the model's own queries are not in place (nothing ran).
bool DmRunItemActionsFromImage(DrvContext* ctx);

// The model's value-list answer for an option (MdlValueListHas with the
// model's own queries) from one walk of the option's values: 1 listed, 0 not,
// -1 without option or value list. False when a test's query table is in
// place (then *out is not set).
bool DmValueListHasFromImage(DrvContext* ctx, int id, uint32_t value, int* out);

}  // namespace vesk
