// Font, character and glyph records: exact layouts, lengths by name and
// count, refused arguments, and a page of text records the decoder reads.
#include <gtest/gtest.h>

#include <cstring>

#include "decode/bytes_builder.h"
#include "records/text_records.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

FontDesc font(const char* face, BYTE kind = kFontResident) {
    FontDesc f{};
    f.kind = kind;
    f.textMode = kTextCharacters;
    f.charSet = 128;
    f.pitchAndFamily = 0x11;
    f.weight = 400;
    f.emWidth = 20;
    f.emHeight = 24;
    f.internalLeading = 2;
    f.defaultChar = 0x20;
    std::strcpy(f.faceName, face);
    std::strcpy(f.familyName, "family");
    return f;
}

}  // namespace

TEST(FontRecords, LayoutAndLengthByFaceName) {
    StreamDevice d;
    const Bytes resident = dtest::B()
                               .u8s({0x50, 0, 128, 0x11})
                               .u16(0x0008).u16(400).u16(0).u16(20).u16(24).u16(32)
                               .u32(0).u16(2).u16(0x20)
                               .str("Mono").zeros(4);
    EXPECT_EQ(bytesAt(DeviceFontRecordWrite(d.buf, font("Mono")), 32), resident);
    // 5 bytes: 24 + 6 + 4 rounded down is 32 as well, 3 zero bytes behind.
    BYTE* five = DeviceFontRecordWrite(d.buf, font("Sans!"));
    ASSERT_NE(five, nullptr);
    EXPECT_EQ(five[14], 32);
    EXPECT_EQ(bytesAt(five + 24, 8), (Bytes{'S', 'a', 'n', 's', '!', 0, 0, 0}));
    FontDesc g = font("Sans!", kFontBitmap);
    g.charSet = 0;
    const Bytes graphics = dtest::B()
                               .u8s({0x56, 0, 0x11, 0})
                               .u16(0x2000).u16(400).u16(0).u16(20).u16(24).u16(40)
                               .u32(0).u16(2).u16(0x20)
                               .zeros(8).str("Sans!").zeros(3);
    EXPECT_EQ(bytesAt(GraphicsFontRecordWrite(d.buf, g), 40), graphics);
    // An empty name still has its terminator.
    BYTE* none = DeviceFontRecordWrite(d.buf, font(""));
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none[14], 28);
}

TEST(FontRecords, FlagsFromTheDescription) {
    StreamDevice d;
    FontDesc f = font("Ant", kFontOutline);
    f.italic = f.bold = f.vertical = true;
    f.textMode = kTextGlyphIndex;
    f.escapement = 270;
    BYTE* p = DeviceFontRecordWrite(d.buf, f);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(bytesAt(p + 4, 6), (Bytes{0xB3, 0x22, 0x90, 0x01, 0x0E, 0x01}));
    // A name that fills its buffer without a terminator is cut at 259 bytes.
    std::memset(f.faceName, 'x', sizeof f.faceName);
    BYTE* q = DeviceFontRecordWrite(d.buf, f);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q[14] | (q[15] << 8), (24 + 260 + 4) & ~3);
    EXPECT_EQ(q[24 + 258], 'x');
    EXPECT_EQ(q[24 + 259], 0);
}

TEST(TextRunRecord, OneAdvanceOrOnePerCharacter) {
    StreamDevice d;
    const RECTL bg{10, 20, 160, 50};
    const WCHAR text[5] = {u'H', u'e', u'l', u'l', u'o'};
    const SHORT fixed[1] = {30};
    BYTE* one = TextRunRecordWrite(d.buf, bg, 10, 20, text, fixed, 5, 1);
    const Bytes want = dtest::B()
                           .u8s({0x52, 0, 0, 0})
                           .u32(48)
                           .rect(10, 20, 160, 50)
                           .i32(10).i32(20).u16(5).u16(0)
                           .u16(30).u16('H').u16('e').u16('l').u16('l').u16('o')
                           .zeros(0);
    EXPECT_EQ(bytesAt(one, 48), want);
    const SHORT each[5] = {30, 20, -5, 12, 0};
    BYTE* per = TextRunRecordWrite(d.buf, bg, 10, 20, text, each, 5, 5);
    ASSERT_NE(per, nullptr);
    EXPECT_EQ(per[2], 0x80);
    EXPECT_EQ(per[4], 56);
    EXPECT_EQ(bytesAt(per + 40, 2), (Bytes{0xFB, 0xFF}));
    // A single character with its one advance counts as one per character.
    BYTE* single = TextRunRecordWrite(d.buf, bg, 10, 20, text, fixed, 1, 1);
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(single[2], 0x80);
    EXPECT_EQ(single[4], 40);
    EXPECT_EQ(TextRunRecordWrite(d.buf, bg, 10, 20, text, each, 5, 2), nullptr);
    EXPECT_EQ(TextRunRecordWrite(d.buf, bg, 10, 20, text, each, 0, 0), nullptr);
}

TEST(GlyphRecords, ExactLayouts) {
    StreamDevice d;
    const RECTL cell{100, 80, 124, 104};
    const Bytes glyph = dtest::B()
                            .u8s({0x51, 0, 0, 0})
                            .u32(36)
                            .rect(100, 80, 124, 104)
                            .i32(100).i32(82).u16(0x3042).u16(0);
    EXPECT_EQ(bytesAt(GlyphRecordWrite(d.buf, cell, 100, 82, u'\u3042'), 36), glyph);
    const Bytes data{0xF0, 0x0F, 0x3C};
    const Bytes bitmap = dtest::B()
                             .u8s({0x57, 0, 0x08, 0})
                             .u32(68)
                             .rect(100, 80, 124, 104)
                             .i32(101).i32(84).u32(64).i32(102).i32(86).u32(8).u32(3).u32(3).u32(0)
                             .u16('A').u8s({0, 0})
                             .add(data).zeros(1);
    EXPECT_EQ(bytesAt(GlyphBitmapRecordWrite(d.buf, false, cell, kGlyphCharText, u'A', 101, 84, 102, 86, 8, 3,
                                             data.data(), 3, kGlyphRaw),
                      68),
              bitmap);
    // In the device's cache: no data, offset 0.
    BYTE* known = GlyphBitmapRecordWrite(d.buf, true, cell, kGlyphCharText | kGlyphInDeviceCache, u'A', 1, 2, 3, 4,
                                         8, 3, nullptr, 0, kGlyphRaw);
    ASSERT_NE(known, nullptr);
    EXPECT_EQ(bytesAt(known, 8), (Bytes{0x53, 0, 0x48, 0, 64, 0, 0, 0}));
    EXPECT_EQ(bytesAt(known + 32, 4), (Bytes{0, 0, 0, 0}));
    const Bytes define = dtest::B()
                             .u8s({0x54, 0, 0x04, 0})
                             .u32(32)
                             .u32(3).u32(8).u32(3).u32(0)
                             .u16(0x41).u8s({2, 0})
                             .add(data).zeros(1);
    EXPECT_EQ(bytesAt(GlyphDefineRecordWrite(d.buf, kGlyphIndexText, 0x41, 8, 3, data.data(), 3, kGlyphRle), 32),
              define);
    const GlyphRunEntry run[3] = {{0, 0, u'a'}, {12, 0, u'b'}, {-3, 7, u'c'}};
    const Bytes glyphRun = dtest::B()
                               .u8s({0x55, 0, 0x08, 0})
                               .u32(56)
                               .rect(0, 0, 40, 20)
                               .i32(5).i32(6).u16(3).u16(0)
                               .u16(0).u16(0).u16('a').u16(12).u16(0).u16('b').u16(0xFFFD).u16(7).u16('c')
                               .zeros(2);
    EXPECT_EQ(bytesAt(GlyphRunRecordWrite(d.buf, RECTL{0, 0, 40, 20}, kGlyphCharText, 5, 6, run, 3), 56), glyphRun);
    // Refused: an unknown encoding, data missing, an empty run.
    BYTE* pos = d.buf->last->pos;
    EXPECT_EQ(GlyphBitmapRecordWrite(d.buf, false, cell, 8, u'A', 0, 0, 0, 0, 8, 3, data.data(), 3, 1), nullptr);
    EXPECT_EQ(GlyphDefineRecordWrite(d.buf, 8, u'A', 8, 3, nullptr, 3, kGlyphRaw), nullptr);
    EXPECT_EQ(GlyphRunRecordWrite(d.buf, RECTL{}, 8, 0, 0, run, 0), nullptr);
    EXPECT_EQ(GlyphOutlineRecordWrite(d.buf, cell, 0, 0, u'A', nullptr, 16), nullptr);
    EXPECT_EQ(d.buf->last->pos, pos);
}
