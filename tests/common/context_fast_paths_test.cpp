// What the faster paths of context creation must keep: the extension mirror
// byte for byte as an item-by-item copy makes it, and short and long texts
// converted from the ANSI code page alike.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/devmode_support.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/item_store.h"
#include "core/text_convert.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// The mirror as the items make it one by one: each section 2 item inside
// the mirror's bytes copied, the font table handles zeroed.
std::vector<BYTE> mirrorByItems(DrvContext* c, const BYTE* before) {
    std::vector<BYTE> out(before + dm::kOffExtMirror, before + dm::kOffExtMirror + dm::kExtMirrorBytes);
    const uint32_t base2 = dmSectionBase(dmSizes(), 2);
    for (int i = 0; i < c->items->count; ++i) {
        const DmItem& it = c->items->items[i];
        const uint32_t width = itemSize(it);
        if (itemSection(it) != 2 || it.offset + width > dm::kExtMirrorBytes) continue;
        bool handle = false;
        for (const FontTableItems& f : kFontTableItems) handle = handle || it.id == f.handleItem;
        if (handle) std::memset(out.data() + it.offset, 0, width);
        else std::memcpy(out.data() + it.offset, before + base2 + it.offset, width);
    }
    return out;
}

}  // namespace

TEST(ContextFastPaths, TheMirrorIsTheItemByItemCopyWhateverSectionTwoHolds) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    const uint32_t base2 = dmSectionBase(dmSizes(), 2);
    // Every byte of section 2's first part and of the old mirror distinct,
    // so a byte copied that no item covers, or one left out, shows.
    for (uint32_t seed : {1u, 77u}) {
        for (uint32_t i = 0; i < dm::kExtMirrorBytes; ++i) {
            c->devmode[base2 + i] = static_cast<BYTE>(i * 7 + seed);
            c->devmode[dm::kOffExtMirror + i] = static_cast<BYTE>(0xA5 ^ (i + seed));
        }
        const std::vector<BYTE> before(c->devmode, c->devmode + dmSizes().stateSize);
        const std::vector<BYTE> expected = mirrorByItems(c.get(), before.data());
        ASSERT_EQ(DmCopyExtBlock(c.get()), 1);
        EXPECT_EQ(std::memcmp(c->devmode + dm::kOffExtMirror, expected.data(), expected.size()), 0) << seed;
        // Nothing outside the mirror moves.
        EXPECT_EQ(std::memcmp(c->devmode, before.data(), dm::kOffExtMirror), 0);
        EXPECT_EQ(std::memcmp(c->devmode + dm::kOffExtMirror + dm::kExtMirrorBytes,
                              before.data() + dm::kOffExtMirror + dm::kExtMirrorBytes,
                              dmSizes().stateSize - dm::kOffExtMirror - dm::kExtMirrorBytes),
                  0);
    }
    // The pattern leaves no font table handle behind to free.
    std::memset(c->devmode + base2, 0, dm::kExtMirrorBytes);
    std::memset(c->devmode + dm::kOffExtMirror, 0, dm::kExtMirrorBytes);
}

TEST(ContextFastPaths, ShortAndLongAnsiTextsConvertAlikeAndCutOnWholeCharacters) {
    winsim::TempMachine m;
    for (size_t n : {1u, 255u, 256u, 257u, 600u}) {
        std::string text;
        for (size_t i = 0; i < n; ++i) text += static_cast<char>(i % 3 == 2 ? '\xE9' : 'a' + i % 26);
        std::vector<WCHAR> out(n + 1, u'?');
        ASSERT_TRUE(AnsiToWideBounded(text.data(), n, out.data(), out.size())) << n;
        for (size_t i = 0; i < n; ++i)
            ASSERT_EQ(out[i], i % 3 == 2 ? u'\u00E9' : static_cast<WCHAR>(u'a' + i % 26)) << n << " at " << i;
        EXPECT_EQ(out[n], 0);
        // Cut to the room given, terminated.
        WCHAR small[5] = {u'?', u'?', u'?', u'?', u'?'};
        ASSERT_TRUE(AnsiToWideBounded(text.data(), n, small, 5));
        EXPECT_EQ(std::u16string(small), std::u16string(out.data(), n < 4 ? n : 4));
    }
    // A double-byte code page: characters of two bytes count once.
    winsim::config().ansiCodePage = 932;
    const char kana[] = "\x82\xA0\x82\xA2x";  // two hiragana and x
    WCHAR w[8] = {};
    ASSERT_TRUE(AnsiToWideBounded(kana, 5, w, 8));
    EXPECT_EQ(std::u16string(w), u"\u3042\u3044x");
    winsim::config().ansiCodePage = 1252;
    WCHAR none[4] = {u'?'};
    EXPECT_TRUE(AnsiToWideBounded("abc", 0, none, 4));
    EXPECT_EQ(none[0], 0);
    EXPECT_FALSE(AnsiToWideBounded(nullptr, 3, none, 4));
}
