// Printer data the graphics library reads for the job header.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The print-log file name (printer data "LogFileName") into `buffer` of
// `bytes` bytes. 1 when it was read, 0 when the buffer or size is missing or
// the value cannot be read.
int PrnGetLogFileName(WCHAR* buffer, DWORD bytes, DrvContext* ctx);

}  // namespace vesk
