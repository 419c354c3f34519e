// The private escapes: the job's identity items set from ANSI text bounded
// by the input and the item, the telephone line from decimal text, the three
// 16-bit getters, the per-printer INI path, and the escapes that store
// nothing.
#include <gtest/gtest.h>

#include "core/paths.h"
#include "core/terminal_server.h"
#include "escape_support.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;

namespace {

class ItemEscapes : public EscapeDevice {};

class JapaneseItemEscapes : public EscapeDevice {
protected:
    JapaneseItemEscapes() : EscapeDevice(japaneseMachine()) {}
};

// The text setters and their items (the field sizes hold the terminator).
const struct {
    ULONG escape;
    int item;
    size_t size;
} kSetters[] = {{111, 216, 9},  {112, 217, 17}, {113, 220, 9}, {114, 215, 9},
                {115, 219, 17}, {116, 243, 65}, {118, 221, 9}};

}  // namespace

TEST_F(ItemEscapes, TextSettersTakeTheInputUpToItsTerminatorOrItsEnd) {
    makeDevice();
    for (const auto& s : kSetters) {
        // With a terminator, and then without one: the input's size bounds it.
        EXPECT_EQ(esc(s.escape, bytesOf(std::string("ab\0zz", 5))).result, 1u) << s.escape;
        EXPECT_EQ(itemText(s.item), "ab") << s.escape;
        EXPECT_EQ(esc(s.escape, bytesOf("xyz")).result, 1u) << s.escape;
        EXPECT_EQ(itemText(s.item), "xyz") << s.escape;
        // Longer than the item: cut to its size less the terminator.
        const std::string longText(s.size + 5, 'L');
        EXPECT_EQ(esc(s.escape, bytesOf(longText)).result, 1u) << s.escape;
        EXPECT_EQ(itemText(s.item), longText.substr(0, s.size - 1)) << s.escape;
        // The field behind a shorter text is cleared.
        EXPECT_EQ(esc(s.escape, bytesOf("q")).result, 1u);
        const BYTE* field = ItemGetRawAddress(ctx(), ItemFindById(ctx(), s.item));
        ASSERT_NE(field, nullptr);
        for (size_t i = 1; i < s.size; ++i) EXPECT_EQ(field[i], 0) << s.escape << " byte " << i;
        // No input at all fails and keeps the text.
        EXPECT_EQ(esc(s.escape).result, 0u) << s.escape;
        EXPECT_EQ(itemText(s.item), "q") << s.escape;
        // A lone terminator clears it.
        EXPECT_EQ(esc(s.escape, {0}).result, 1u);
        EXPECT_EQ(itemText(s.item), "");
    }
}

TEST_F(JapaneseItemEscapes, ACutTextNeverEndsInsideADoubleByteCharacter) {
    makeDevice();
    // Seven single bytes and a two-byte character: the item holds eight
    // bytes, and the character does not fit whole.
    EXPECT_EQ(esc(111, bytesOf("1234567\x82\xA0")).result, 1u);
    EXPECT_EQ(itemText(216), "1234567");
    EXPECT_EQ(esc(111, bytesOf("123456\x82\xA0")).result, 1u);
    EXPECT_EQ(itemText(216), "123456\x82\xA0");
}

TEST_F(ItemEscapes, TheTelephoneLineIsReadAsDecimalWithinTheInput) {
    makeDevice();
    const struct {
        std::string text;
        uint32_t stored;
    } cases[] = {
        {std::string("12\0", 3), 12}, {"7", 7}, {" \t+25xyz", 25}, {"-3", 253}, {"abc", 0}, {"", 0},
        // Beyond the 32-bit range it stops at the range's end.
        {"99999999999999999999", 0xFF},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(esc(117, bytesOf(c.text)).result, c.text.empty() ? 0u : 1u) << c.text;
        if (!c.text.empty()) {
            EXPECT_EQ(raw(kItRdmTelLine), c.stored) << c.text;
        }
    }
    EXPECT_EQ(esc(117, bytesOf("9")).result, 1u);
    EXPECT_EQ(esc(117).result, 0u);
    EXPECT_EQ(raw(kItRdmTelLine), 9u);
}

TEST_F(ItemEscapes, GettersWrite16BitsAndNeedNoOutputBuffer) {
    makeDevice();
    ItemSetRawById(ctx(), kItDmDefaultSource, 0x0107);
    ItemSetRawById(ctx(), kItRdmPrnMethod, 5);
    ItemSetRawById(ctx(), kItRdmAPIUseFlag, 1);
    const struct {
        ULONG escape;
        uint32_t value;
    } cases[] = {{119, 0x0107}, {120, 5}, {126, 1}};
    for (const auto& c : cases) {
        Escaped e = esc(c.escape, {}, 4);
        EXPECT_EQ(e.result, 1u) << c.escape;
        EXPECT_EQ(e.out, (le16(c.value) + ByteList{0xAA, 0xAA})) << c.escape;
        EXPECT_EQ(esc(c.escape).result, 1u) << c.escape;
        e = esc(c.escape, {}, 1);
        EXPECT_EQ(e.result, 0u) << c.escape;
        EXPECT_EQ(e.out, ByteList{0xAA}) << c.escape;
    }
}

TEST_F(ItemEscapes, EscapesWithoutAnItemToSetChangeNothing) {
    makeDevice();
    const ByteList before = devmodeBytes();
    for (ULONG e : {122u, 123u, 124u, 125u}) {
        EXPECT_EQ(esc(e, le32(0x12345678)).result, 1u) << e;
        EXPECT_EQ(esc(e).result, 1u) << e;
    }
    EXPECT_EQ(devmodeBytes(), before);
}

TEST_F(ItemEscapes, TheIniPathOfATerminalServerPrinterFollowsTheNamedFolder) {
    winsim::config().osSuite |= VER_SUITE_TERMINAL;
    TsForget();
    makeDevice();
    const std::u16string named = u"D:\\Profiles\\ann\\_vesk\\KW12D170.ini";
    // Without a terminator, and with an odd byte over that is not read.
    EXPECT_EQ(esc(121, wideBytes(named) + ByteList{0x41}).result, 1u);
    EXPECT_EQ(std::u16string(ctx()->ws->iniPath), named);
    EXPECT_EQ(std::u16string(GetIniFilePath(ctx())), named);
    EXPECT_EQ(std::u16string(GetIniFilePath(ctx())), named);  // and at every lookup after

    // A path longer than 260 characters is refused, not cut.
    const std::u16string tooLong = u"D:\\" + std::u16string(258, u'x');
    EXPECT_EQ(esc(121, wideBytes(tooLong)).result, 0u);
    EXPECT_EQ(std::u16string(ctx()->ws->iniPath), named);
    EXPECT_EQ(esc(121, {0x44}).result, 0u);
    EXPECT_EQ(esc(121).result, 0u);
    // 260 characters fit.
    const std::u16string longest = u"D:\\" + std::u16string(257, u'y');
    EXPECT_EQ(esc(121, wideBytes(longest + u'\0')).result, 1u);
    EXPECT_EQ(std::u16string(ctx()->ws->iniPath), longest);

    // A name without a drive leaves the lookup to the user's own folder.
    EXPECT_EQ(esc(121, wideBytes(u"relative\\KW12D170.ini")).result, 1u);
    EXPECT_EQ(std::u16string(GetIniFilePath(ctx())), u"C:\\Documents and Settings\\user\\_vesk\\KW12D170.ini");
    TsForget();
}

TEST_F(ItemEscapes, TheIniPathOfAnOrdinaryPrinterStaysInThePrivateFolder) {
    TsForget();
    makeDevice();
    EXPECT_EQ(esc(121, wideBytes(u"D:\\Elsewhere\\KW12D170.ini")).result, 1u);
    EXPECT_EQ(std::u16string(GetIniFilePath(ctx())), u"C:\\_vesk\\KW12D170.ini");
    TsForget();
}
