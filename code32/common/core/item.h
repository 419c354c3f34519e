// Item records: one descriptor per setting of the driver. An item is a typed
// field at a fixed place of a context's DEVMODE buffer, found by id or by its
// dictionary key, with an optional map between its stored (raw) value and the
// value the model description and the property sheets speak of (logical).
#pragma once
#include <win/types.h>

namespace vesk {

// One entry of an item's value map. A map holds one or two sections, each
// ended by an entry whose logical value is 0; the second section follows the
// first one's end entry. A logical value of 0xFFFF marks a raw value that has
// no logical value.
struct ValueMapEntry {
    uint32_t raw;
    uint16_t logical;
};

constexpr uint16_t kNoLogicalValue = 0xFFFF;

struct DmItem {
    uint16_t id;
    int16_t key;               // dictionary key; 0: the model cannot name the item
    uint32_t typeWord;         // bits 30-31 section, 24-29 type code, 0-15 size
    uint16_t offset;           // byte offset within the section
    uint16_t storageClass;     // persistence kind: 1 printer data, 2 INI, 0 none
    uint32_t changed;          // 1 after every raw store into the item
    const WCHAR* iniSection;   // persistence section, or null
    const WCHAR* valueName;    // printer-data value name or INI key, or null
    const ValueMapEntry* valueMap;  // null: raw and logical values are the same
    uint32_t classWords[4];    // unit class, preset-device, quality and stamp marks
    uint32_t reserved;
    uint32_t changeClasses;    // bits 16-20: change classes the item raises
    const WCHAR* fieldName;    // the DEVMODE field name, or null
};

struct ItemLists;

struct DmItemTable {
    int16_t count;
    DmItem* items;
    // What hot walks use while the table is still a copy of the image it
    // was found in (core/item_lists.h); null otherwise.
    const ItemLists* lists = nullptr;
};

// Class words by index.
enum : int { kClassUnit = 0, kClassPresetDevice = 1, kClassQuality = 2, kClassStamp = 3 };

// Type codes (bits 24-29 of the type word).
enum ItemTypeCode : uint32_t {
    kTypeS8 = 1,
    kTypeS16 = 2,
    kTypeS32 = 3,
    kTypeU8 = 4,
    kTypeU16 = 5,
    kTypeU32 = 6,
    kTypeAnsi = 7,
    kTypeWide = 8,
    kTypeAnsi2 = 10,
    kTypeWide2 = 11,
    kTypeBitFirst = 16,
    kTypeBitLast = 47,
};

inline uint32_t itemSection(const DmItem& it) { return it.typeWord >> 30; }
inline uint32_t itemTypeCode(const DmItem& it) { return (it.typeWord >> 24) & 0x3F; }
inline uint32_t itemSize(const DmItem& it) { return it.typeWord & 0xFFFF; }
inline bool typeIsBit(uint32_t code) { return code >= kTypeBitFirst && code <= kTypeBitLast; }
inline bool typeIsAnsi(uint32_t code) { return code == kTypeAnsi || code == kTypeAnsi2; }
inline bool typeIsWide(uint32_t code) { return code == kTypeWide || code == kTypeWide2; }
inline bool typeIsNumber(uint32_t code) { return code >= kTypeS8 && code <= kTypeU32; }
// Text and block types: the raw value stands for the field's address.
inline bool typeIsAddress(uint32_t code) { return !typeIsNumber(code) && !typeIsBit(code); }

// Change-class bits of an item.
constexpr uint32_t kChangeClassMask = 0x001F0000u;

// Item ids the code names.
constexpr int kItemIdFirstHigh = 10001;
constexpr int kItemIdLastHigh = 10277;
constexpr int kItemIdLastLow = 962;
constexpr int kBuiltinItemCount = 1239;

}  // namespace vesk
