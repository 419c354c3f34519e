// "@PJL SET NAME = VALUE" lines: the one reader, the lookup of a name in a
// text and the writer of one line.
#pragma once
#include <win/types.h>

#include "commands/text_buf.h"

namespace vesk {

// Token buffers: a name or value has at most 263 bytes.
constexpr size_t kExcTokenBytes = 264;

// Reads the line at the start of `text` into the two token buffers: the
// bytes consumed with the CR LF, 0 at the end of the text (only blanks
// left, or a null argument), -1 for a line that does not follow the form
// (also for a token of 264 bytes or more).
int ExcParseSetLine(const char* text, char* name, char* value);
// The value of the first line named `name` in `value` (empty when no line
// is, or a line before it does not parse); the byte offset of that line.
int ExcFindLineValue(const char* text, const char* name, char* value);
// Appends "@PJL SET NAME = VALUE \r\n". 0, or -1 without memory.
int ExcWriteSetLine(ExcTextBuf* b, const char* name, const char* value);

}  // namespace vesk
