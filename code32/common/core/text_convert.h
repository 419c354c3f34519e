// Conversions between the system's ANSI code page and wide text, bounded by
// the destination and always terminated.
#pragma once
#include <win/types.h>

namespace vesk {

// Converts `n` ANSI bytes into `dest` of `destChars` characters (cut on a
// character boundary when it does not fit). False when nothing could be
// converted.
bool AnsiToWideBounded(const char* src, size_t n, WCHAR* dest, size_t destChars);
// Converts wide text into `dest` of `destBytes` bytes, never splitting a
// double-byte character. False when nothing could be converted.
bool WideToAnsiBounded(const WCHAR* src, char* dest, size_t destBytes);

}  // namespace vesk
