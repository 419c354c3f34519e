// How an item's raw value sits in a buffer laid out as the DEVMODE: the
// reads are inline, as nearly every setting is read through them.
#pragma once
#include <win/types.h>

#include "core/devmode_sizes.h"
#include "core/item.h"

namespace vesk {
namespace itemraw {

// How a type code's raw value is read and written: the kind, the bytes the
// access touches from the item's offset (accessWidth) and, for a bit, the
// byte that holds it and its mask. Codes without a raw value (texts and
// blocks) have kind kAddress; their width is the item's size.
enum RawKind : uint8_t { kAddress, kU8, kS8, kU16, kS16, kU32, kBit };
struct RawForm {
    RawKind kind;
    uint8_t width;
    uint8_t bitByte;
    uint8_t bitMask;
};
constexpr RawForm rawFormOf(uint32_t code) {
    switch (code) {
    case kTypeS8: return {kS8, 1, 0, 0};
    case kTypeU8: return {kU8, 1, 0, 0};
    case kTypeS16: return {kS16, 2, 0, 0};
    case kTypeU16: return {kU16, 2, 0, 0};
    case kTypeS32:
    case kTypeU32: return {kU32, 4, 0, 0};
    default: break;
    }
    if (code >= kTypeBitFirst && code <= kTypeBitLast) {
        const uint32_t bit = code - kTypeBitFirst;
        return {kBit, static_cast<uint8_t>(bit / 8 + 1), static_cast<uint8_t>(bit / 8),
                static_cast<uint8_t>(1u << (bit % 8))};
    }
    return {kAddress, 0, 0, 0};
}
struct RawForms {
    RawForm of[64];
    constexpr RawForms() : of{} {
        for (uint32_t c = 0; c < 64; ++c) of[c] = rawFormOf(c);
    }
};
inline constexpr RawForms kRawForms{};

// The `width` bytes of the item's field in `buffer`: null without a section,
// or when they would end past the section. The section bases are this
// driver's constants; the bytes of the private header may come from outside
// and are not used to address memory.
inline BYTE* fieldIn(BYTE* buffer, const DmItem& item, uint32_t width) {
    const uint32_t sec = itemSection(item);
    if (!buffer || sec == 0) return nullptr;
    const DmSizes& s = dmSizes();
    if (static_cast<uint32_t>(item.offset) + width > dmSectionSize(s, sec)) return nullptr;
    return buffer + dmSectionBase(s, sec) + item.offset;
}

inline uint32_t readLe(const BYTE* p, uint32_t n) {
    uint32_t v = 0;
    for (uint32_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace itemraw

// The item's raw value in `buffer`; 0 for a text or block item, and for a
// field that does not lie inside its section.
inline uint32_t ItemReadRawIn(BYTE* buffer, const DmItem* item) {
    using namespace itemraw;
    // Only numbers and bits have a raw value: the storage of any other type
    // is not looked at (its answer is 0 either way).
    if (!item) return 0;
    const RawForm& f = kRawForms.of[itemTypeCode(*item)];
    if (f.kind == kAddress) return 0;
    const BYTE* p = fieldIn(buffer, *item, f.width);
    if (!p) return 0;
    switch (f.kind) {
    case kS8: return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(p[0])));
    case kU8: return p[0];
    case kS16: return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(readLe(p, 2))));
    case kU16: return readLe(p, 2);
    case kU32: return readLe(p, 4);
    default: return (p[f.bitByte] & f.bitMask) ? 1u : 0u;
    }
}

}  // namespace vesk
