// The capability summary of the private DEVMODE's common section: a 32-byte
// record of what the printer allows now (rdmKwomCaps, DEVMODE offset 317),
// which other applications of the maker read, and the 32-byte request block
// they fill in (rdmKwomMember, offset 285) to ask for a few settings without
// knowing the driver's option items. Both layouts are fixed byte for byte.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr uint32_t kSummaryBytes = 32;
constexpr int kSummaryItemCount = 19;

// Request block bytes.
constexpr uint32_t kReqMode = 0, kReqValid = 1, kReqDuplex = 2, kReqCollate = 3, kReqPunch = 4, kReqStaple = 5,
                   kReqTray = 6, kReqResolution = 7, kReqPrintArea = 8, kReqScale = 10, kReqNup = 12,
                   kReqOutPaper = 13;
constexpr uint8_t kReqModeDefaults = 2, kReqModeQuery = 3, kReqModeDevice = 4;

// The ids of the items a request may set, in mask-bit order (bit 0 first).
const int* SummaryItemIds();

// What a bit of the summary stands for: `value` of the setting `group`
// names is allowed now.
struct SummaryBit {
    uint8_t byte;
    uint8_t bit;
    int32_t value;
    const char* group;  // "collate", "punch", "staple", "output tray", "resolution", "output paper"
};
// The rows in byte and bit order, ended by a row of byte 0.
const SummaryBit* SummaryBits();
// Bits of byte 8 for an output tray the rows do not name, by the column of
// the capability-code table that lists it.
constexpr uint8_t kSummaryTrayListedBlank = 0x20, kSummaryTrayListedOther = 0x40;

// Writes the summary into rdmKwomCaps and 32 zero bytes into rdmKwomMember.
// 1, or 0 when a work list cannot be had (both items are then unchanged).
int CapsBuildSummary(DrvContext* ctx);

// 1 when the request block of `devmode` (a DEVMODE of the driver's total
// size) has its valid byte set.
bool SummaryRequestValid(DrvContext* ctx, const BYTE* devmode);
// Applies the request block of the caller's DEVMODE `devmode` (the driver's
// total size): 1 (also when the block is not valid: nothing changes), or 0
// when the saved copy cannot be allocated or, in modes 3 and 4, the device
// query fails. A valid block sets workspace flag 0x40000000. In the field
// mode only the caller's DEVMODE changes; the context's is put back.
// *outMask (optional) receives the summary items set, one bit each.
int CapsApplySummary(DrvContext* ctx, BYTE* devmode, uint32_t* outMask = nullptr);

// Stores `value` into item `itemId` when it is one of the summary items and
// returns its mask bit; else 0, nothing stored.
uint32_t SummarySetItem(DrvContext* ctx, int itemId, uint32_t value);
// Runs the model's actions of each item whose bit is set, in list order.
void SummaryApplyActions(DrvContext* ctx, uint32_t mask);

// The merge's step: a caller's DEVMODE whose private part the merge kept
// (`working`) has its request applied; a valid request adds merge flag
// 0x40000000 to *flags. 0 when nothing was applied.
int DmApplyCapabilitySummary(DrvContext* ctx, BYTE* working, uint32_t* flags);

}  // namespace vesk
