// The spooler's printer information as the context reads it: the level-2
// record and the printer's name.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

namespace vesk {

// Level-2 printer information of a printer in one zero-filled block (freed
// with PrnFreeInfo2), or null when the spooler does not answer.
PRINTER_INFO_2W* PrnGetInfo2(HANDLE printer);
void PrnFreeInfo2(PRINTER_INFO_2W* info);
// A new copy of the printer's name (freed with MemFree), or null.
WCHAR* PrnDupPrinterName(HANDLE printer);

}  // namespace vesk
