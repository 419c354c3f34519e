// Helpers the hand-over's files share.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

// Room for an instruction's value: more than any limit, so that a value one
// character too long is seen whole and dropped rather than cut and taken.
constexpr size_t kHoValueChars = 64;

// Reads `key`; 1 when present (its value, possibly empty, in dest), 0 when
// missing (dest empty).
int HoReadKey(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key, WCHAR* dest, size_t chars);
// Writes a mark (null deletes the key) after clearing the read-only attribute.
int HoMark(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key, const WCHAR* value);
int HoDeleteKey(const WCHAR* iniPath, const WCHAR* section, const WCHAR* key);
// `name` made absolute in the driver directory into `out` (kWsPathChars).
int HoDriverDirPath(DrvContext* ctx, const WCHAR* name, WCHAR* out);
// The job-control items of `mask` to the library (on the open session) and
// to printer data.
void HoSendJobItems(DrvContext* ctx, uint32_t mask);
// Items 10002 and 10003 to printer data.
void HoSaveUserCodeItems(DrvContext* ctx);
// True when `text` converts to ANSI of at most `max` characters, each
// accepted by `ok`; the ANSI form (max + 1 bytes) into `ansi` when given.
bool HoAnsiWithin(const WCHAR* text, size_t max, bool (*ok)(char), char* ansi);

}  // namespace vesk
