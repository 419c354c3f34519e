// Conversions between the system's ANSI code page and wide text, bounded by
// the destination and always terminated.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

// Converts `n` ANSI bytes into `dest` of `destChars` characters (cut on a
// character boundary when it does not fit). False when nothing could be
// converted.
bool AnsiToWideBounded(const char* src, size_t n, WCHAR* dest, size_t destChars);
// Converts wide text into `dest` of `destBytes` bytes, never splitting a
// double-byte character. False when nothing could be converted.
bool WideToAnsiBounded(const WCHAR* src, char* dest, size_t destBytes);
// The length of the longest head of `length` bytes of text in the system's
// ANSI code page that is at most `limit` bytes and ends on a character
// boundary: a cut never splits a double-byte character, and a lead byte
// whose trail byte is missing (the text's last byte) is left out.
size_t AnsiWholeCharacters(const char* text, size_t length, size_t limit);

// The driver's conversions of NUL-terminated text. The destination's capacity
// (characters for wide text, bytes for ANSI text) is always given and always
// bounds the write: a capacity of 0 or less writes nothing and answers 0
// (callers never rely on a destination "large enough" for the source). The
// result is always terminated within the capacity, cut on a character
// boundary; the ANSI destination is zero-filled over its capacity first.
// 1 when the whole source was converted, 0 when it was cut or could not be.
int StrAnsiToWide(WCHAR* dest, const char* src, int capacityChars);
int StrWideToAnsi(char* dest, const WCHAR* src, int capacityBytes);

}  // namespace vesk
