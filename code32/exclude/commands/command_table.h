// The Exc interface's vocabulary: the command table (the common library's
// built-in allowed-value table, read under the Exc names), the required
// commands, the alias items and the watermark lines, and the lookups over
// them.
#pragma once
#include <win/types.h>

#include "core/allowed/allowed_table.h"
#include "exc_handle.h"

namespace vesk {

using ExcCommandEntry = AllowedSetting;
using ExcCommandValue = AllowedValue;
using ExcCommandTable = AllowedTable;
using OptCondLink = AllowedNode;
using ExcNumericRange = AllowedRange;

struct ExcItemList {
    uint32_t count;
    const uint32_t* items;
};
struct ExcAliasPair {
    uint32_t item;   // written under
    uint32_t alias;  // this item's command
};
struct ExcAliasTable {
    uint32_t count;
    const ExcAliasPair* rows;
};
// One watermark line: which stamps it serves, how many following rows it
// skips while the page range is off, the value type and the item.
struct ExcStampLine {
    uint32_t setKey;
    uint32_t skip;
    uint32_t valueType;
    uint32_t item;
};
struct ExcStampLineTable {
    uint32_t count;
    const ExcStampLine* rows;
};

// Row flags (the allowed-value table's use mask).
constexpr uint32_t kExcJob = 1, kExcPrinterOption = 2, kExcPrinterValue = 4;
// Row kinds.
constexpr uint32_t kExcKindTable = 0x1, kExcKindModel = 0x2, kExcKindTrial = 0x8, kExcKindComputed = 0x100,
                   kExcKindFamily731 = 0x200, kExcKindFamily731First = 0x400, kExcKindBinding = 0x800,
                   kExcKindBooklet = 0x1000, kExcKindSpecial = 0x10000;
// Value types.
constexpr uint32_t kExcTypeEnum = 1, kExcTypeBool = 4, kExcTypeNumber = 8, kExcTypeString = 16,
                   kExcTypeFixedLine = 256;
// Handle-only items.
constexpr uint32_t kExcItemPunchFamily = 731, kExcItemBooklet = 732;

inline bool ExcRowIs(const ExcCommandEntry* row, uint32_t kind) { return (row->kind & (kind | kExcKindSpecial)) == (kind | kExcKindSpecial); }

const ExcCommandTable* GetBuiltinTable10Exc();
const ExcItemList* GetRequiredCommandsExc();
const ExcAliasTable* GetAliasItemsExc();
const ExcStampLineTable* GetStampLineTableExc();
// Entry n of the fixed line's word table, null past it.
const char* GetStampLiteralExc(int n);

// The first row named `name` (exactly); a nameless group row is found by
// a value item's command name. Null unless the row's flags share a bit with
// `mask` and a printer-option row's own condition holds. The first row
// whose name matches decides.
const ExcCommandEntry* ExcFindCommandByName(ExcContext* h, const char* name, uint32_t mask);
const ExcCommandEntry* ExcFindCommandById(uint32_t id, uint32_t mask);
// The item `id` is written under, else 0.
uint32_t ExcAliasItem(uint32_t id);
// A computed command is always enabled; any other when its item and the
// items of its command links are given.
int ExcCommandIsEnabled(const ExcContext* h, const ExcCommandEntry* row);
// Among the values with that word (and, in a nameless group, command name),
// the first whose condition holds, else the first; null for no such word.
const ExcCommandValue* ExcFindValueItem(DrvContext* ctx, const ExcCommandEntry* row, const char* command,
                                        const char* word);
// The value items of a row, none for a row without a list.
inline uint32_t ExcValueCount(const ExcCommandEntry* row) { return row->values ? row->values->count : 0; }

}  // namespace vesk
