// Text on its way to the device: wide text converted to the printer's code
// page or to the system's ANSI code page, a character at a time, so a cut
// never splits a double-byte character. Text that comes from outside the
// driver (job, user, document and printer names, paths, item strings the
// escapes let applications set) and lands inside a PJL line is made safe on
// the way: a character that would become a control byte or DEL is written as
// a space, a double quote as an apostrophe, so no such value can end its
// line, its quotes or the job. Each safe character keeps its byte count.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/text_convert.h"

namespace vesk {

enum class TextPolicy { AsIs, PjlSafe };

// The printer's code page: characters below 0x80 as they are, the euro sign
// as the single byte 0x80, every other character through the engine's
// conversion into at most two bytes. Writes at most `capacity` bytes (no
// terminator) and returns the bytes written.
size_t UnicodeToPrinterCp(BYTE* out, size_t capacity, const WCHAR* text, size_t chars,
                          TextPolicy policy = TextPolicy::AsIs);

// The system's ANSI code page, with the same bound and policy. Returns the
// bytes written (no terminator).
size_t WideToAnsiBytes(char* out, size_t capacity, const WCHAR* text, size_t chars,
                       TextPolicy policy = TextPolicy::AsIs);

// The safe form of one byte of a single-byte character.
inline char PjlSafeByte(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return ' ';
    if (c == '"') return '\'';
    return c;
}

}  // namespace vesk
