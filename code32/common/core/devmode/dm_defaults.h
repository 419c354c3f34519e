// Building a context's DEVMODE: from the printer's default DEVMODE when it is
// this driver's, else from the model's and the description's defaults; and
// the merge of a caller's DEVMODE into it.
#pragma once
#include <win/types.h>

#include <cstddef>
#include <vector>

#include "core/context.h"

namespace vesk {

struct LibraryProfile;

// A new DEVMODE buffer of the context's kind, or null: from the printer's
// default DEVMODE when this driver can take it (not for kind 3), else from
// the defaults. DmCreateDefault follows this library's profile.
BYTE* DmCreateDefault(DrvContext* ctx, uint16_t kind);
BYTE* DmCreateDefaultFor(DrvContext* ctx, uint16_t kind, const LibraryProfile& profile);
// The same from the printer's record `info` the caller has just read from
// the spooler (null: the printer has none).
BYTE* DmCreateDefaultFromInfo(DrvContext* ctx, uint16_t kind, const LibraryProfile& profile,
                              const PRINTER_INFO_2W* info);
// Every item to its model default and the whole DEVMODE to defaults.
void DmSetDefaults(DrvContext* ctx);
// Items to the current values of their model options: all of them (after
// the private header), those of section 3 from table position 730 on, or
// one. DmResetOption returns 1 when the item has a model option and took its
// value, 0 when it was left as it is.
void DmResetAllOptions(DrvContext* ctx);
// The table positions of the items the context's model has an option for,
// in item order, from one walk of the model's option list (an item without
// one has no default and no actions to take). False without an item table.
bool DmModelItemPositions(DrvContext* ctx, std::vector<int>& positions);
void DmRefreshSection3Defaults(DrvContext* ctx);
int DmResetOption(DrvContext* ctx, DmItem* item);
// 1 when the printer's default DEVMODE was copied into section 1 and passes
// the acceptance test; else 0 with section 1 cleared again.
int DmLoadSpoolerDefault(DrvContext* ctx);
// 1 when the printer's level-2 information can be read and holds a default
// DEVMODE, else 0.
int PrnHasInfo2Data(HANDLE printer);
// Copies the printer's default DEVMODE over section 1 when its sizes and
// driver version equal the defaults just built and it is this driver's.
void DmLoadPrinterDefault(DrvContext* ctx);

// Merges a caller's DEVMODE (`len` bytes, null for none) into the context's
// by the merge flags. 1 done (also when the flags ask for nothing), 0 when
// the working copy could not be allocated (the DEVMODE is then unchanged).
int DmMergeDevmode(DrvContext* ctx, const BYTE* in, size_t len, uint32_t flags);

}  // namespace vesk
