// The display text of an option's current value, by the model option's type.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Writes the text of the value of the option with dictionary key `key` into
// `buffer` of `capacity` characters (always terminated): the value's string
// for list options ("%d is not string-ID" when it has none), the on/off texts
// of a Boolean, the number and its unit text of a numeric option, the text of
// a string option. Returns the characters written.
size_t ItemFormatValue(DrvContext* ctx, int key, WCHAR* buffer, size_t capacity);

}  // namespace vesk
