// Services the option-constraint library and the graphics library carry in
// the same form: one definition serves both.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The header names of the context's private DEVMODE: the description's INI
// name and version texts, an empty common-section mark with version 0, and
// the two blocks behind it zeroed.
void DmWriteSignatureExc(DrvContext* ctx);

// The language code of the printer data "HelpFileName" ("us" by default)
// into the workspace's language field, which is returned; null without a
// context. The driver's help file is never looked at.
const WCHAR* GetResLangCodeExc(DrvContext* ctx);

// The item `itemId` set to the logical value (raw value, store, value
// cache); an unknown id does nothing.
void OptFindApply(DrvContext* ctx, int itemId, uint32_t value);

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
