// The option-constraint library's forms of the DEVMODE state-flag and value
// routines. The library stores every OS-kind code (0 Windows 95, 3 Windows
// 98 and Me, 1 NT before 5.0, 2 Windows 2000 and later).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

void DmSetOsKindWin95(DrvContext* ctx);
void DmSetOsKindWin98(DrvContext* ctx);
// The terminal-server flag as DmPutTerminalServerFlag stored it.
BYTE DmGetTerminalServerFlag(DrvContext* ctx);

// Whether the option may hold `value`: 1 allowed (also when only its hidden
// condition holds), 0 not (also when its disabled condition holds), 2 no
// item or no key, 3 no model option.
int OptIsValueAllowedExc(uint16_t id, uint32_t value, DrvContext* ctx);

}  // namespace vesk
