// Resource strings used as formats: one integer argument, integer
// conversions only.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

// Writes `format` with `value` into `out` (always terminated). Only %d, %i,
// %u, %x, %X (with flags, width and an l) and %% are conversions; any other
// conversion is copied as it stands, so no text argument is ever read.
// Every conversion takes the same value. The characters written.
size_t FormatOneInt(const WCHAR* format, int32_t value, WCHAR* out, size_t outChars);

}  // namespace vesk
