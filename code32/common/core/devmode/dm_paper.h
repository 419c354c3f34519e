// The paper items in dots that follow the public paper fields: the source
// paper (items 44-49: length, width, printable length, printable width, x
// and y offset) and the output paper (items 51-56, the same order), and the
// resolution copied from the items into the public fields.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Items 43, 14 (dmPrintQuality) and 17 (dmYResolution) := item 42.
void DmResolutionFromItems(DrvContext* ctx);
// Items 44-49 from paper code `paper`: a free-size paper from its slot
// (clamped into the custom-size limits; dmPaperWidth and dmPaperLength get
// its size and both flags are set), a paper of the model from its page size
// and printable area (dmPaperWidth and dmPaperLength get the page size and
// both flags are cleared). DM_PAPERSIZE is set either way; any other code
// changes nothing.
void DmSetSrcPaperItems(DrvContext* ctx, int16_t paper);
// The same with a free size's width and length exchanged in landscape.
void DmSetSrcPaperItemsSwap(DrvContext* ctx, int16_t paper);
// The worker of both: the paper code mapped by `paperItem`'s value map (0:
// item 8), the public fields of `devmode` (null: the context's), `swap` 1
// to turn a free size in landscape. By this library's profile, or by the
// one given: a profile that keeps the public size takes the user size (256)
// from dmPaperLength and dmPaperWidth and leaves them as they are, and
// writes a turned free size into them in portrait order.
struct LibraryProfile;
void DmSetSrcPaperItemsCore(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap);
void DmSetSrcPaperItemsCoreFor(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap,
                               const LibraryProfile& profile);
// Items 44-49 from dmPaperWidth and dmPaperLength at the resolution of item
// 14, with the margins of the printable area of item 8's paper.
void DmCustomSizeToItems(DrvContext* ctx);
// Items 51-56 from paper code `paper` (item 50's value): a free-size paper
// from its slot, a paper of the model from its page size and printable area.
// Code 1024 stands for dmPaperSize; when that is a free-size paper, items
// 51-56 become copies of items 44-49.
void DmSetDstPaperItems(DrvContext* ctx, int16_t paper);
void DmSetDstPaperItemsSwap(DrvContext* ctx, int16_t paper);

}  // namespace vesk
