// One stamp's PJL lines over the watermark line table.
#pragma once
#include "commands/command_table.h"
#include "commands/text_buf.h"

namespace vesk {

// The lines of the stamp loaded in the context for selector 0 (text) or 1
// (image), then a NUL when any line was written. 0, or -1 without memory.
int ExcWriteStampLines(ExcTextBuf* b, DrvContext* ctx, int selector);

}  // namespace vesk
