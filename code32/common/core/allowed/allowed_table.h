// The built-in allowed-value table: the settings whose values the driver
// knows itself, each value with the items it sets along with it and the
// condition under which it may be chosen. Generated at build time from
// core/tables/allowed_values.tsv; the option-constraint library reads the
// same rows as its command table. These are in-process records (they hold
// pointers), never a byte format.
#pragma once
#include <cstdint>

namespace vesk {

// A node of a condition chain or of a pair list: item `item` holds (or is
// set to) `value`. In a chain the connective joins the node to the next: 0
// ends an AND group and ORs it with the next group, 2 joins the node to the
// next inside a group, 1 joins it with no alternative after it.
struct AllowedNode {
    const AllowedNode* next;
    uint32_t connective;
    uint32_t item;
    uint32_t value;
};

struct AllowedValue {
    uint32_t flags;               // kAllowedValue...
    uint32_t value;               // the raw value the word stands for
    const char* word;             // ANSI value name
    const char* commandName;      // null: the setting's own name
    const AllowedNode* pairs;     // items set along with the value
    const AllowedNode* chain;     // condition; null holds
    const void* extraLines;       // null in every row
};

struct AllowedValueList {
    uint32_t count;
    const AllowedValue* values;
};

// A number's range; the rows that have one carry only its condition.
struct AllowedRange {
    uint32_t maximum;
    uint32_t minimum;
    uint32_t divisor;
    uint32_t multiplier;
    const AllowedNode* chain;
};

struct AllowedSetting {
    uint32_t item;                // item id; 0 for a computed command
    uint32_t subNumber;           // 0 in every row
    uint32_t kind;                // kAllowedKind...
    uint32_t useMask;             // kAllowedUse...
    uint32_t valueFormat;         // kAllowedFormat...
    const char* name;             // ANSI setting name
    const AllowedNode* pairs;     // applied with every value (null in every row)
    const AllowedValueList* values;
    const AllowedNode* chain;     // the setting's own condition (null in every row)
    const AllowedRange* range;    // numbers only
};

struct AllowedTable {
    uint32_t count;
    const AllowedSetting* rows;
};

// Kind bits. The higher ones are read by the option-constraint library only.
constexpr uint32_t kAllowedKindNamed = 0x1;      // a list of named values
constexpr uint32_t kAllowedKindModel = 0x2;      // number or text without a value list
constexpr uint32_t kAllowedKindTrial = 0x8;      // a value is checked by applying it
constexpr uint32_t kAllowedKindSpecial = 0x10000;
// Use mask.
constexpr uint32_t kAllowedUseDocument = 0x1;
constexpr uint32_t kAllowedUseOwnChain = 0x2;
constexpr uint32_t kAllowedUseDevice = 0x4;
// Value format.
constexpr uint32_t kAllowedFormatName = 1, kAllowedFormatBool = 4, kAllowedFormatNumber = 8,
                   kAllowedFormatText = 16;
// Value flags.
constexpr uint32_t kAllowedValueOff = 0x1;
constexpr uint32_t kAllowedValueRepeat = 0x10;
constexpr uint32_t kAllowedValueNeverOffered = 0x100;

const AllowedTable* GetBuiltinTable10();

}  // namespace vesk
