// Bounded formatting of a message text with caller values. The text may come
// from a resource module, so it is never trusted: only the arguments given
// are substituted, in order, each by a conversion of its own kind (%s for a
// string; %d %i %u %x %X for an integer, with flags, width, precision and
// the h/l length letters); a conversion without an argument left or of
// another kind is written as it stands; "%%" gives "%". The output is cut
// to the buffer and always terminated.
#pragma once
#include <win/types.h>

namespace vesk {

struct FormatArgs {
    const WCHAR* text = nullptr;     // the one string argument, or null
    const int32_t* values = nullptr; // integer arguments
    int count = 0;                   // number of integer arguments
};

// Characters written (without the NUL).
size_t FormatBounded(WCHAR* out, size_t capacity, const WCHAR* format, const FormatArgs& args);

}  // namespace vesk
