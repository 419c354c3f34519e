// The status engine of the versioned API: one status item of a handle set
// (with roll-back) or read, around the item's handlers.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "status/status_tables.h"

namespace vesk {

// 0 the row knows the record's version; 1 a newer record, served at the
// row's version; 2 a newer record in mode 2 (or a null record): refused.
int StatusCheckRecordVersion(uint32_t id, const BYTE* record, uint32_t rowVersion, int32_t mode);
// 0 none asked or equal, 1 lower, 2 higher than the row's.
int StatusCompareGetVersion(uint32_t rowVersion, uint32_t requested);
// Records, for every related option of every item, whether its first
// (disabled) and second (hidden) conditions hold now.
void StatusArrayRefresh(DrvContext* ctx);
void StatusBeforeSet(DrvContext* ctx, const DrvApiItem* row, const BYTE* record, BYTE* bitmap);
// Rule runs, the public DEVMODE refresh and the changed-items bitmap
// (`bitmap` may be null).
void StatusAfterSet(DrvContext* ctx, const DrvApiItem* row, const BYTE* record, BYTE* bitmap);
// The compiled option that decides whether option `id` may be changed
// (image offset), 0 when none.
uint32_t MdlFindBoundOption(uint32_t id, DrvContext* ctx);
// A copy of the DEVMODE parts a Set may change (sections 1 and 3), null
// without memory; DmRestoreBuffer puts it back when `restore` is set and
// frees it in every case.
BYTE* DmCopyBuffer(DrvContext* ctx);
void DmRestoreBuffer(DrvContext* ctx, BYTE* copy, int restore);

// The caller record's size the item implies for a Set record of `version`.
size_t StatusSetRecordSize(uint32_t id, uint32_t version);

int32_t StatusSetItem(void* handle, uint32_t id, BYTE* record, BYTE* bitmap, int32_t mode);
int32_t StatusGetItem(void* handle, uint32_t id, BYTE* record, uint32_t version);

}  // namespace vesk

extern "C" {
// Sets one status item: 0 done, the row's record version for a newer record
// (served, or in mode 2 refused), -1 on any failure (the handle's DEVMODE
// is then as before and the bitmap, when given, all zero). `record` holds
// the item's record; `changed` is null or 32 bytes.
__attribute__((visibility("default"))) int32_t WINAPI VESKDrvSetStatus(void* handle, uint32_t id, void* record,
                                                                       void* changed, int32_t mode);
// Reads one status item: the record size (only the size for a null
// record), or -1.
__attribute__((visibility("default"))) int32_t WINAPI VESKDrvGetStatus(void* handle, uint32_t id, void* record,
                                                                       uint32_t version);
}
