// Raw reads and writes of every type code in every section, at offsets
// inside, at and past each section's end, held against the rule of the item
// store spelled out plainly: the bytes an access touches (1, 2 or 4 for the
// numbers, the bytes up to a bit's byte, a text's or block's size) must lie
// inside the item's section; numbers are little-endian, the signed 8- and
// 16-bit codes sign-extended; a bit reads 0 or 1 and is set by any non-zero
// value; a text or block reads 0 and takes only 0, which clears it.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/devmode_sizes.h"
#include "core/item.h"
#include "core/item_store.h"

using namespace vesk;

namespace {

uint32_t widthByRule(uint32_t code, uint32_t size) {
    if (code == kTypeS8 || code == kTypeU8) return 1;
    if (code == kTypeS16 || code == kTypeU16) return 2;
    if (code == kTypeS32 || code == kTypeU32) return 4;
    if (code >= kTypeBitFirst && code <= kTypeBitLast) return (code - kTypeBitFirst) / 8 + 1;
    return size;
}

BYTE* fieldByRule(BYTE* buffer, const DmItem& it) {
    const uint32_t sec = it.typeWord >> 30;
    if (!buffer || sec == 0) return nullptr;
    const DmSizes& s = dmSizes();
    const uint32_t code = (it.typeWord >> 24) & 0x3F;
    if (it.offset + widthByRule(code, it.typeWord & 0xFFFF) > dmSectionSize(s, sec)) return nullptr;
    return buffer + dmSectionBase(s, sec) + it.offset;
}

uint32_t readByRule(BYTE* buffer, const DmItem& it) {
    const uint32_t code = (it.typeWord >> 24) & 0x3F;
    const bool bit = code >= kTypeBitFirst && code <= kTypeBitLast;
    const bool number = code >= kTypeS8 && code <= kTypeU32;
    if (!bit && !number) return 0;
    const BYTE* p = fieldByRule(buffer, it);
    if (!p) return 0;
    if (bit) return (p[(code - kTypeBitFirst) / 8] >> ((code - kTypeBitFirst) % 8)) & 1u;
    uint32_t v = 0;
    const uint32_t n = widthByRule(code, 0);
    for (uint32_t i = 0; i < n; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    if (code == kTypeS8) v = static_cast<uint32_t>(static_cast<int8_t>(v));
    if (code == kTypeS16) v = static_cast<uint32_t>(static_cast<int16_t>(v));
    return v;
}

bool writeByRule(BYTE* buffer, const DmItem& it, uint32_t value) {
    BYTE* p = fieldByRule(buffer, it);
    if (!p) return false;
    const uint32_t code = (it.typeWord >> 24) & 0x3F;
    if (code >= kTypeS8 && code <= kTypeU32) {
        for (uint32_t i = 0; i < widthByRule(code, 0); ++i) p[i] = static_cast<BYTE>(value >> (8 * i));
        return true;
    }
    if (code >= kTypeBitFirst && code <= kTypeBitLast) {
        const uint32_t b = code - kTypeBitFirst;
        if (value) p[b / 8] |= static_cast<BYTE>(1u << (b % 8));
        else p[b / 8] &= static_cast<BYTE>(~(1u << (b % 8)));
        return true;
    }
    if (value != 0) return false;
    std::memset(p, 0, it.typeWord & 0xFFFF);
    return true;
}

}  // namespace

TEST(ItemRawForms, EveryCodeInEverySectionAsTheRuleSays) {
    const DmSizes& s = dmSizes();
    std::vector<BYTE> start(s.stateSize);
    for (size_t i = 0; i < start.size(); ++i) start[i] = static_cast<BYTE>(i * 131 + 7);
    const uint32_t values[] = {0, 1, 2, 0x80, 0xFF, 0x8000, 0xFFFFFF80u, 0x12345678u};
    int compared = 0;
    for (uint32_t sec = 0; sec < 4; ++sec) {
        const uint32_t end = dmSectionSize(s, sec);
        std::vector<uint32_t> offsets{0, 1, 3, 0xFFFF};
        for (uint32_t back = 0; back <= 6; ++back)
            if (end >= back) offsets.push_back(end - back);
        offsets.push_back(end + 1);
        for (uint32_t code = 0; code < 64; ++code)
            for (uint32_t size : {0u, 3u, 16u})
                for (uint32_t offset : offsets) {
                    if (offset > 0xFFFF) continue;
                    DmItem it{};
                    it.id = 1;
                    it.typeWord = (sec << 30) | (code << 24) | size;
                    it.offset = static_cast<uint16_t>(offset);
                    SCOPED_TRACE(testing::Message() << "section " << sec << " code " << code << " size " << size
                                                    << " offset " << offset);
                    std::vector<BYTE> a = start;
                    ASSERT_EQ(ItemStorageIn(a.data(), &it), fieldByRule(a.data(), it));
                    ASSERT_EQ(ItemReadRawIn(a.data(), &it), readByRule(a.data(), it));
                    for (uint32_t v : values) {
                        std::vector<BYTE> fast = start, rule = start;
                        ASSERT_EQ(ItemWriteRawIn(fast.data(), &it, v), writeByRule(rule.data(), it, v)) << v;
                        ASSERT_EQ(fast, rule) << v;
                        ASSERT_EQ(ItemReadRawIn(fast.data(), &it), readByRule(rule.data(), it)) << v;
                    }
                    ++compared;
                }
    }
    EXPECT_GT(compared, 4000);
    // No buffer or no item: nothing read, nothing written.
    DmItem it{};
    it.typeWord = (1u << 30) | (kTypeU16 << 24);
    EXPECT_EQ(ItemReadRawIn(nullptr, &it), 0u);
    EXPECT_FALSE(ItemWriteRawIn(nullptr, &it, 1));
    EXPECT_EQ(ItemReadRawIn(start.data(), nullptr), 0u);
    EXPECT_FALSE(ItemWriteRawIn(start.data(), nullptr, 1));
}
