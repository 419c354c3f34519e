// The option-constraint library's forms of the DEVMODE header, item and
// paper routines. DmWriteSignatureExc, OptFindApply and GetResLangCodeExc
// are the common library's (the graphics library carries the same forms);
// the paper form is this library's own.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_private.h"  // DmWriteSignatureExc
#include "core/item_store.h"          // OptFindApply
#include "core/paths.h"               // GetResLangCodeExc

namespace vesk {

// Items 44-49 from paper code `paper` (mapped by `paperItem`'s value map, 0
// for item 8), with the public fields of `devmode` (null: the context's):
// the user size 256 takes dmPaperLength and dmPaperWidth, in 1200-dpi dots
// clamped to the custom-size limits, and leaves them as they are; `swap` 1
// turns a free size for landscape in items 44-47 only, the public fields
// keeping the slot's portrait order.
void DmSetSrcPaperItemsCoreExc(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap);

}  // namespace vesk
