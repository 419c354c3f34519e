// The DEVMODE an application prints a job with: the printer's default
// DEVMODE when the spooler keeps one of the driver's own, else the one the
// printer's driver answers for it.
#pragma once
#include <win/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vesk::host {

// The printer's DEVMODE for a job; empty when neither the spooler nor the
// driver can give one (the script's changes then apply to a public DEVMODE).
std::vector<uint8_t> PrinterJobDevmode(HANDLE printer, const std::u16string& name);
// Gives back what answering the driver's DEVMODE took (the compiled model
// and the contexts of the driver library's code the host carries).
void ReleaseDriverDevmodes();

}  // namespace vesk::host
