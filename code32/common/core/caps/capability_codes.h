// The capability-code table (core/tables/capability_codes.tsv): the
// output-tray codes of the installed finishing units. Each lookup has a form
// over a given table (ended by item 0xFFFF) for tests.
#pragma once
#include <win/types.h>

#include "core/builtin_tables.h"
#include "core/context.h"

namespace vesk {

constexpr uint16_t kCapsCodeEnd = 0xFFFF;
constexpr int kCapsSelectorBlank = 32;

// The first row whose item has a non-zero raw value; the end row (codes -1)
// when none has.
const CapabilityCodeRow* CapsFindFirstSetEntry(DrvContext* ctx);
const CapabilityCodeRow* CapsFindFirstSetEntryIn(DrvContext* ctx, const CapabilityCodeRow* table);
// 1 when `code` is the blank-selector code (selector 32) or the other code
// (any other selector) of some row, else 0. -1 never matches.
int CapsCodeListed(int code, int selector);
int CapsCodeListedIn(const CapabilityCodeRow* table, int code, int selector);

}  // namespace vesk
