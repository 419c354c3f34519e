// The item actions of every item with a model option, in one walk of the
// model's option list. With the model's own queries in place the option
// records are read straight from the image (one lookup per item), with the
// same outcome and order as the query-per-item walk; with a test's query
// table that walk runs instead.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The item actions of every item the model has an option for, in item
// order. False when the model's own queries are not in place (nothing ran).
bool DmRunItemActionsFromImage(DrvContext* ctx);

}  // namespace vesk
