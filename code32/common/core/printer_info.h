// The spooler's printer information as the context reads it: the level-2
// record and the printer's name.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

namespace vesk {

// A printer or driver information record of `level` in one zero-filled
// block (freed with MemFree), or null. The spooler is asked for the size
// first; only an ERROR_INSUFFICIENT_BUFFER answer with a non-zero size leads
// to the second call. Information that grows between the two calls fails.
BYTE* PrnGetInfo(HANDLE printer, DWORD level);
// The same for the printer's driver (GetPrinterDriverW, current environment).
BYTE* PrnGetDriverInfo(HANDLE printer, DWORD level);

// Level-2 printer information of a printer in one zero-filled block (freed
// with PrnFreeInfo2), or null when the spooler does not answer.
PRINTER_INFO_2W* PrnGetInfo2(HANDLE printer);
void PrnFreeInfo2(PRINTER_INFO_2W* info);
// A new copy of the printer's name (freed with MemFree), or null.
WCHAR* PrnDupPrinterName(HANDLE printer);

}  // namespace vesk
