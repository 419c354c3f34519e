// The item operations of the job-control client, on an open connection.
#pragma once
#include "core/jobctl/jc_client.h"

namespace vesk {

// Mode of JcSetRow: a plain set, or the resend that clears the item first.
enum class JcSetMode { Set, Resend };

// Library to item for one row of codes 1-8 (others do nothing).
void JcGetRow(DrvContext* ctx, const JcItemRow& row);
// Item to library for one row; the library's result (0 when skipped).
DWORD JcSetRow(DrvContext* ctx, const JcItemRow& row, JcSetMode mode);
// Clears the item of a row of codes 1-8 in the item store.
void JcClearRow(DrvContext* ctx, const JcItemRow& row);
// The bytes of the wide buffer of a row: twice the item's size; 32 for the
// number and driver rows.
uint32_t JcRowBufferBytes(DrvContext* ctx, const JcItemRow& row);

}  // namespace vesk
