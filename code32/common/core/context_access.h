// Accessors of a context's DEVMODE parts and the fixed predicates that stand
// where this driver's behaviour does not vary.
#pragma once
#include <win/types.h>

namespace vesk {

struct DrvContext;

// The private part: the DEVMODE plus its dmSize. Null without a DEVMODE.
BYTE* GetPrivateDevmodeRaw(DrvContext* ctx);
BYTE* GetPrivateDevmode(DrvContext* ctx);
// The private part where a DEVMODE of the current public size has it (220),
// whatever its dmSize says.
BYTE* GetPrivateDevmodeNt(DrvContext* ctx);
// Section 2 of the private part: the DEVMODE plus the section base stored in
// the private header. Null without a DEVMODE or with a base outside it.
BYTE* GetDmVarBlock(DrvContext* ctx);

// Predicates that are fixed in this driver.
int ReturnFalse();
int ReturnTrue();
// A hook that does nothing.
void EmptyHook4(void*, void*, void*, void*);

}  // namespace vesk
