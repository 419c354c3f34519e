// What a command accepts and what a printer option or value holds now:
// the trial of a value on copies of the handle, the offered check, the
// lists the getters hand out and the text of a printer value.
#pragma once
#include <win/types.h>

#include "commands/command_table.h"
#include "commands/text_buf.h"

namespace vesk {

// 1 when the value item may be offered now: never a never-offered item
// nor an alias without a condition; a trial row tries it, any other its
// condition on the items as they are.
int ExcValueIsOffered(DrvContext* ctx, const ExcCommandEntry* row, const ExcCommandValue* item);
// 1 when choosing the value item would keep it and change nothing else of
// the stored base: tried on copies of the given flags, the values and the
// DEVMODE, all put back.
int ExcTryValue(ExcContext* h, const ExcCommandEntry* row, const ExcCommandValue* item);
// The number the driver would keep for the row (tried on a saved DEVMODE),
// or the number clamped to the row's range.
uint32_t ExcNormalizeNumber(DrvContext* ctx, const ExcCommandEntry* row, uint32_t number);
// The finishing edge's word for FORCEFEED, null when neither stapling nor
// punching is given.
const char* ExcFinishEdgeIs(const ExcContext* h);

// The entries of a row's list into `b` (each with its NUL), without the
// list terminator. 0, or -1 without memory.
int ExcListEnumValues(ExcContext* h, const ExcCommandEntry* row, const char* name, int enabledOnly, ExcTextBuf* b);
int ExcListBoolValues(ExcContext* h, const ExcCommandEntry* row, int enabledOnly, ExcTextBuf* b);
int ExcListNumericRange(ExcContext* h, const ExcCommandEntry* row, int enabledOnly, ExcTextBuf* b);
// The text of the row's item as it is now; the bytes needed with the NUL.
int32_t ExcFormatPrinterValue(DrvContext* ctx, const ExcCommandEntry* row, int32_t room, char* buf);

}  // namespace vesk
