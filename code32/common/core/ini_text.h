// The driver's own reader and writer of 8-bit INI text, for whole option
// sets (preset and settings files): the file is loaded whole, values are
// looked up with a moving cursor, a section is composed in a buffer and the
// file is rewritten with that section replaced.
//
// The text is in the system's ANSI code page; lines end with LF (a CR before
// it ends a value). A section header is a line "[name]" with '[' first; a key
// line begins directly with the key and '=' (no blanks on either side).
// Names compare without regard to ASCII letter case. It reads what the
// profile functions write and they read what it writes.
#pragma once
#include <win/types.h>

namespace vesk {

// Size of a composed section buffer.
constexpr uint32_t kIniSectionBytes = 32768;
// Longest section or key name in ANSI bytes.
constexpr size_t kIniNameBytes = 522;

// Loads the file at `path` (absolute: a drive letter and ':' first) as its
// bytes and one NUL in a zero-filled block, created empty when missing.
// Null for another path, a file that cannot be opened or read whole, or
// memory short. Freed with IniTextFree.
char* IniTextLoad(const WCHAR* path);
int IniTextFree(char* text);

// The body of the first section named `name`: the line after its header.
// Null when there is none, or for null text or name.
const char* IniTextFindSection(const WCHAR* name, const char* text);

// The value of `key` in a section body into `buffer` of `capacity`
// characters; returns the characters copied. `cursor` is an offset into the
// body kept by the caller: the search starts there, wraps once to the
// body's start and stops where it began, so keys read in the order they
// were written are each found at the cursor. A found value moves the cursor
// to the start of the next line. Otherwise the default is copied (cut to
// capacity - 1). A cursor past the body's end counts as 0.
uint16_t IniTextGetString(const WCHAR* key, const WCHAR* def, WCHAR* buffer, size_t capacity, const char* body,
                          uint32_t* cursor);
// The value read as a decimal integer (leading blanks, a sign and the leading
// digits, as _wtoi); `def` when the key is missing or its value empty.
int IniTextGetInt(const WCHAR* key, int def, const char* body, uint32_t* cursor);

// Composing a section in `buffer` of `capacity` bytes, at *offset: "[name]"
// or "key=value", each ended by CR LF, and the new end stored in *offset.
// A line that would not fit (one byte stays free for the terminator) is not
// appended and the call answers 0; an empty name or key appends nothing.
int IniTextPutSection(uint32_t* offset, const WCHAR* name, char* buffer, uint32_t capacity);
int IniTextPutKey(uint32_t* offset, const WCHAR* key, const WCHAR* value, char* buffer, uint32_t capacity);

// Rewrites `file` with its section `name` replaced by the composed
// `section` of `length` bytes: the new section first, then the old text
// before the old section, then the old text after it. The new text is
// written to a temporary file beside it that then replaces the file, so a
// failed write leaves the file as it was. 1 on success.
int IniTextReplaceSection(const WCHAR* file, const WCHAR* name, const char* section, uint32_t length);

// The position after the next LF (or at the terminating NUL) and, in
// `count`, the bytes passed including the LF.
const char* NextLineA(const char* text, uint32_t* count);
// The old section `name` (ANSI) in `text`: its header line's start and the
// start of the next line that begins with '[' (or the text's end). 1 when
// found.
int IniFindSectionA(const char* text, const char* name, const char** start, const char** end);

}  // namespace vesk
