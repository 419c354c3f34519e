// Services the option-constraint library and the graphics library carry in
// the same form: one definition serves both.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_private.h"  // DmWriteSignatureExc
#include "core/item_store.h"          // OptFindApply
#include "core/paths.h"               // GetResLangCodeExc

namespace vesk {

// The device fonts, the option fonts and the substitution table from the
// printer's data, each from the model's defaults when its count is missing;
// all three are tried. 1 only when all three were loaded.
int FontListsLoadExc(DrvContext* ctx);

// The derived start values of a new context's item store (the private state
// flags by platform, administrator kind, bidirectional and server facts).
void CtxInitSettings(DrvContext* ctx);

// The printer's information of `level` in a new zero-filled block the
// caller frees with MemFree (PrnFreeInfo2 for level 2), or null.
BYTE* PrnGetInfoExc(HANDLE printer, DWORD level);

}  // namespace vesk
