// What the remote and address-book pages share: the entry at the current
// selection, entry ids and the check of an entry the user typed.
#pragma once
#include "address/csv_store.h"
#include "core/context.h"

namespace vesk {

// The entry at the store's position, counting named entries only; null for
// a negative position, no store or no such entry.
CsvRecord* AddrEntryFind(DrvContext* ctx);
// The 0-based position among named entries of the entry with that id;
// 0xFFFF when none.
uint16_t AddrEntryIndexOf(DrvContext* ctx, uint16_t id);
// The address page's entry check: name non-empty, no ',' and at most 64
// ANSI bytes; number non-empty, dial characters only, at most 32 bytes;
// line at most 8 bytes. A failure focuses the failing control: 0.
int AddressEntryValidate(DrvContext* ctx, UiPage* page);
// 1 when `text` converts to at most `limit` ANSI bytes.
int AnsiFitsBytes(const WCHAR* text, size_t limit);

}  // namespace vesk
