// Drawing records: every opcode in its valid forms, and refused when cut
// short, with a wrong length, a set reserved byte or counts that disagree.
#include <gtest/gtest.h>

#include "bytes_builder.h"

using namespace dtest;
using namespace vesk::decode;

namespace {

// A font record that text records of each kind need before them.
Buf residentFont() {
    return B().u8s({0x50, 0, 128, 0x11}).u16(0x0008).u16(400).u16(0).u16(20).u16(24).u16(32).u32(0).u16(2).u16(0x20)
        .str("Mono").zeros(4);
}
Buf outlineFont() {
    return B().u8s({0x50, 0, 0, 0x22}).u16(0x2200).u16(700).u16(90).u16(20).u16(24).u16(32).u32(0).u16(0).u16(0x20)
        .str("Ant").zeros(5);
}
Buf graphicsFont() {
    // Face name of 5 bytes: 32 + 6 + 4 = 42, rounded down to 40.
    return B().u8s({0x56, 0, 0x11, 0}).u16(0x2000).u16(400).u16(0).u16(20).u16(24).u16(40).u32(0).u16(2).u16(0x20)
        .zeros(8).str("Sans!").zeros(3);
}

struct Sample {
    const char* name;
    Buf prefix;  // records it needs before it (a font)
    Buf rec;
    std::vector<std::size_t> reserved;  // offsets of bytes that must be 0
    std::vector<std::size_t> lengthAt;  // where a u32 (or u16/u8) length lives: {offset, width}
};

std::vector<Sample> samples() {
    std::vector<Sample> s;
    s.push_back({"rect fill", {}, B().u8s({0x10, 0, 1, 0}).u32(40).rect(10, 20, 110, 120).rect(10, 20, 110, 120), {1, 3}, {4, 4}});
    s.push_back({"rect clip", {}, B().u8s({0x10, 0, 5, 0}).u32(24).rect(0, 0, 100, 100), {1, 3}, {4, 4}});
    // One closed rectangle: 3 lines, one subpath: work 3 x 3 + 3.
    s.push_back({"path lines", {},
                 B().u8s({0x12, 0, 0x08, 0}).u32(76).rect(0, 0, 10, 10).u32(12).u32(3).i32(0).i32(0)
                     .u32(0).i32(160).i32(0).u32(0).i32(160).i32(160).u32(0).i32(0).i32(160),
                 {1, 3}, {4, 4}});
    // Two subpaths, one Bezier and one line: 3 + 7 + 3 x 2 + 1 = 17.
    s.push_back({"path curves", {},
                 B().u8s({0x11, 0, 0x12, 0}).u32(92).rect(0, 0, 2, 2).u32(17)
                     .u32(1).i32(0).i32(0).u32(1).i32(16).i32(0).i32(32).i32(16).i32(32).i32(32)
                     .u32(1).i32(0).i32(0).u32(0).i32(16).i32(16),
                 {1, 3}, {4, 4}});
    // One bit per pixel, width 1, 3 rows, 6-byte palette: 56 + 6 + 12 = 74 -> 76, rows at 62.
    s.push_back({"raster 1bpp", {},
                 B().u8s({0x20, 0, 0x00, 0}).u32(76).rect(100, 200, 101, 203).i32(0).i32(0).u32(1).u32(3)
                     .i32(100).i32(200).i32(1).i32(3).u8s({0xFF, 0xFF, 0xFF, 0, 0, 0})
                     .u8s({0x80, 0, 0, 0, 0x80, 0, 0, 0, 0x80, 0, 0, 0}).zeros(2),
                 {}, {4, 4}});
    // Grey rows: 8 bits, no palette (byte 2 = 0x32), width 3 -> 4-byte rows.
    s.push_back({"raster grey", {},
                 B().u8s({0x20, 0x02, 0x32, 0x0C}).u32(64).rect(0, 0, 3, -2).i32(5).i32(6).u32(3).u32(2)
                     .i32(0).i32(0).i32(3).i32(-2).u8s({1, 2, 3, 0xEE, 4, 5, 6, 0xEE}),
                 {}, {4, 4}});
    s.push_back({"color fg", {}, B().u8s({0x30, 0x08, 0x01, 0x00, 0x11, 0x22, 0x33, 0x00}), {3, 7}, {}});
    s.push_back({"color bg pen", {}, B().u8s({0x30, 16, 0x19, 0}).u8s({1, 2, 3, 4, 5, 6, 7, 8, 9}).zeros(3), {3, 13, 14, 15}, {}});
    s.push_back({"rop", {}, B().u8s({0x31, 0xCC, 0, 0}), {2, 3}, {}});
    s.push_back({"bkmode", {}, B().u8s({0x32, 2, 0, 0}), {2, 3}, {}});
    s.push_back({"line style", {}, B().u8s({0x33, 1}).u16(3).u32(0xFFFFFF00), {}, {}});
    s.push_back({"line style offset", {}, B().u8s({0x34, 5, 0, 0}), {2, 3}, {}});
    s.push_back({"line cap", {}, B().u8s({0x35, 1, 0, 0}), {2, 3}, {}});
    s.push_back({"line join", {}, B().u8s({0x36, 2, 0, 0}).u32(2560), {2, 3}, {}});
    s.push_back({"clip reset", {}, B().u8s({0x37, 0, 0, 0}), {1, 2, 3}, {}});
    s.push_back({"brush solid", {}, B().u8s({0x40, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00}), {6, 7}, {}});
    // 16 x 16 one-bit pattern: 6 + 32 = 38 -> 40.
    s.push_back({"brush 1bpp", {}, B().u8s({0x40, 0x80, 16, 1}).u16(32).zeros(32).zeros(2), {38, 39}, {}});
    s.push_back({"device font", {}, residentFont(), {1, 16, 17, 18, 19, 29, 31}, {}});
    s.push_back({"graphics font", {}, graphicsFont(), {3, 16, 24, 31, 38, 39}, {}});
    s.push_back({"glyph", residentFont(), B().u8s({0x51, 0, 0, 0}).u32(36).rect(0, 0, 20, 24).i32(5).i32(6).u16('A').u16(0), {1, 3, 34, 35}, {4, 4}});
    // Outline of one subpath with two lines: work 3 x 2 + 3.
    s.push_back({"glyph outline", outlineFont(),
                 B().u8s({0x51, 0, 1, 0}).u32(76).rect(0, 0, 20, 24).i32(5).i32(6).u16('B').u16(0).u32(9)
                     .u32(2).i32(0).i32(0).u32(0).i32(16).i32(0).u32(0).i32(0).i32(16),
                 {1, 3, 34}, {4, 4}});
    // Five characters, one advance: 36 + 12 = 48.
    s.push_back({"text run", residentFont(),
                 B().u8s({0x52, 0, 0, 0}).u32(48).rect(0, 0, 150, 24).i32(0).i32(0).u16(5).u16(0).u16(30)
                     .u16('H').u16('e').u16('l').u16('l').u16('o'),
                 {1, 3, 34, 35}, {4, 4}});
    s.push_back({"text run per char", residentFont(),
                 B().u8s({0x52, 0, 0x80, 0}).u32(48).rect(0, 0, 150, 24).i32(100).i32(0).u16(3).u16(0)
                     .u16(30).u16(20).u16(0).u16('A').u16('B').u16('C'),
                 {1, 3, 34}, {4, 4}});
    s.push_back({"glyph bitmap raw", graphicsFont(),
                 B().u8s({0x53, 0, 0x08, 0}).u32(68).rect(0, 0, 8, 2).i32(0).i32(0).u32(64).i32(1).i32(2)
                     .u32(8).u32(2).u32(2).u32(0).u16('i').u8s({0, 0}).u8s({0x18, 0x18}).zeros(2),
                 {1, 3, 56, 63, 66, 67}, {4, 4}});
    s.push_back({"glyph bitmap cached", graphicsFont(),
                 B().u8s({0x53, 0, 0x48, 0}).u32(64).rect(0, 0, 8, 2).i32(0).i32(0).u32(0).i32(1).i32(2)
                     .u32(8).u32(2).u32(0).u32(0).u16('i').u8s({0, 0}),
                 {1, 3, 56, 63}, {4, 4}});
    // 8 x 16 glyph (16 raw bytes): two zero bytes, then 0xFF five times.
    s.push_back({"glyph bitmap rle", graphicsFont(),
                 B().u8s({0x57, 0, 0x04, 0}).u32(68).rect(0, 0, 8, 16).i32(0).i32(0).u32(64).i32(0).i32(0)
                     .u32(8).u32(16).u32(2).u32(0).u16(7).u8s({2, 0}).u8s({0x93, 0xFF}).zeros(2),
                 {1, 3, 56, 63, 66, 67}, {4, 4}});
    s.push_back({"glyph define", graphicsFont(),
                 B().u8s({0x54, 0, 0x08, 0}).u32(32).u32(3).u32(4).u32(3).u32(0).u16('x').u8s({0, 0}).u8s({0xA0, 0x40, 0xA0}).zeros(1),
                 {1, 3, 20, 27, 31}, {4, 4}});
    s.push_back({"glyph run", graphicsFont(),
                 B().u8s({0x55, 0, 0x08, 0}).u32(48).rect(0, 0, 24, 12).i32(3).i32(4).u16(2).u16(0)
                     .u16(0).u16(0).u16('x').i32(12).u16('y'),
                 {1, 3, 34}, {4, 4}});
    return s;
}

struct Job {
    Buf bytes;
    std::size_t recAt = 0;  // file offset of the sample record
};

Job jobWith(const Sample& s, const Buf& rec) {
    std::size_t at = 0;
    Job j;
    j.bytes = oneRecordJob(B().add(s.prefix).add(rec), &at);
    j.recAt = at + s.prefix.size();
    return j;
}

}  // namespace

TEST(DrawingRecords, EveryValidSampleDecodes) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        const Job j = jobWith(s, s.rec);
        const DecodedStream d = decode(j.bytes);
        ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
        ASSERT_EQ(d.pages.size(), 1u);
        const auto& recs = d.pages[0].records;
        ASSERT_EQ(recs.size(), s.prefix.empty() ? 3u : 4u);
        const Record& r = recs[recs.size() - 2];
        EXPECT_EQ(r.opcode, s.rec[0]);
        EXPECT_EQ(r.length, s.rec.size());
        EXPECT_EQ(r.fileOffset, j.recAt);
    }
}

TEST(DrawingRecords, EveryCutIsRefused) {
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        for (std::size_t k = 1; k < s.rec.size(); ++k) {
            const Buf cut(s.rec.begin(), s.rec.begin() + static_cast<std::ptrdiff_t>(k));
            const Job j = jobWith(s, cut);
            const DecodedStream d = decode(j.bytes);
            ASSERT_FALSE(d.summary.ok) << "cut at " << k;
            // A cut off the 4-byte grid is already refused by its block's length.
            if (k % 4 == 0) EXPECT_GE(d.summary.error.offset, j.recAt) << "cut at " << k;
            else EXPECT_NE(d.summary.error.reason.find("not a multiple of 4"), std::string::npos);
            EXPECT_LE(d.summary.error.offset, j.bytes.size()) << "cut at " << k;
        }
    }
}

TEST(DrawingRecords, SetReservedBytesAreRefusedWithTheirOffset) {
    for (const Sample& s : samples()) {
        for (std::size_t at : s.reserved) {
            SCOPED_TRACE(std::string(s.name) + " byte " + std::to_string(at));
            Buf bad = s.rec;
            bad[at] = 0x01;
            const Job j = jobWith(s, bad);
            const DecodedStream d = decode(j.bytes);
            ASSERT_FALSE(d.summary.ok);
            EXPECT_EQ(d.summary.error.offset, j.recAt + at) << d.summary.error.text();
        }
    }
}

TEST(DrawingRecords, LengthsOffByFourAreRefused) {
    for (const Sample& s : samples()) {
        if (s.lengthAt.empty()) continue;
        SCOPED_TRACE(s.name);
        for (int delta : {-4, 4}) {
            Buf bad = s.rec;
            const std::size_t at = s.lengthAt[0];
            const std::uint32_t len = le32(bad.data() + at) + static_cast<std::uint32_t>(delta);
            for (int i = 0; i < 4; ++i) bad[at + i] = static_cast<std::uint8_t>(len >> (8 * i));
            if (delta > 0) bad.insert(bad.end(), 4, 0);
            else bad.resize(bad.size() - 4);
            const DecodedStream d = decode(jobWith(s, bad).bytes);
            EXPECT_FALSE(d.summary.ok) << "delta " << delta;
        }
    }
}

// Fields the golden listing does not show already (its colour, one-bit raster
// and graphics font records are these samples' bytes).
TEST(DrawingRecords, FieldsOfTheLayoutExamples) {
    const auto all = samples();
    auto body = [&](const char* name) {
        for (const Sample& s : all)
            if (std::string(s.name) == name) {
                DecodedStream d = decode(jobWith(s, s.rec).bytes);
                EXPECT_TRUE(d.summary.ok) << d.summary.error.text();
                auto& recs = d.pages.at(0).records;
                return std::make_pair(recs.at(recs.size() - 2), d.pages.at(0).drawing);
            }
        ADD_FAILURE() << name;
        return std::make_pair(Record{}, DrawingStream{});
    };
    {
        auto [r, s] = body("color fg");
        const auto& c = std::get<ColorRecord>(r.body);
        EXPECT_EQ(c.fg, 0x112233u);
        EXPECT_FALSE(c.hasBg);
    }
    {
        auto [r, s] = body("raster grey");
        const auto& ras = std::get<RasterRecord>(r.body);
        EXPECT_EQ(ras.bitsPerPixel, 8u);
        EXPECT_EQ(ras.palette.size, 0u);
        EXPECT_EQ(ras.height, -2);
    }
    {
        auto [r, s] = body("path curves");
        const auto& p = std::get<PathRecord>(r.body);
        ASSERT_EQ(p.path.subpaths.size(), 2u);
        EXPECT_TRUE(p.path.subpaths[0].segments[0].bezier);
        EXPECT_EQ(p.path.subpaths[0].segments[0].pts[2].y, 32);
        EXPECT_EQ(p.mode, 2);
        EXPECT_TRUE(p.multi);
    }
    {
        auto [r, s] = body("text run per char");
        const auto& t = std::get<TextRunRecord>(r.body);
        EXPECT_EQ(t.chars, u"ABC");
        EXPECT_EQ(t.advances, (std::vector<std::int16_t>{30, 20, 0}));
    }
    {
        // The run-length glyph and the same bitmap sent raw have one digest.
        auto [r, s] = body("glyph bitmap rle");
        Buf raw(16, 0);
        for (int i = 2; i < 7; ++i) raw[i] = 0xFF;
        EXPECT_EQ(std::get<GlyphBitmapRecord>(r.body).bitsHash, fnv1a(vesk::decode::Bytes(raw.data(), raw.size())));
    }
}

// Single faults a writer could make, each refused.
TEST(DrawingRecords, BadValuesAreRefused) {
    struct Case {
        const char* what;
        Buf prefix, rec;
    };
    const Buf rf = residentFont(), gf = graphicsFont();
    std::vector<Case> cases = {
        {"unknown opcode", {}, {0x38, 0, 0, 0}},
        {"rect operation 2", {}, B().u8s({0x10, 0, 2, 0}).u32(40).zeros(32)},
        {"rect op 5 with 40 bytes", {}, B().u8s({0x10, 0, 5, 0}).u32(40).zeros(32)},
        {"rop 0xF0", {}, {0x31, 0xF0, 0, 0}},
        {"bkmode 3", {}, {0x32, 3, 0, 0}},
        {"line width 0", {}, B().u8s({0x33, 1}).u16(0).u32(~0u)},
        {"unit 0 with a dash", {}, B().u8s({0x33, 0}).u16(1).u32(0xFF00FF00)},
        {"cap 3", {}, {0x35, 3, 0, 0}},
        {"join 3", {}, B().u8s({0x36, 3, 0, 0}).u32(2560)},
        {"mitre limit 0", {}, B().u8s({0x36, 2, 0, 0}).u32(0)},
        {"color length 12 for one colour", {}, B().u8s({0x30, 12, 0x01, 0}).zeros(8)},
        {"color without flag 1", {}, B().u8s({0x30, 8, 0x00, 0}).zeros(4)},
        {"color unknown flag", {}, B().u8s({0x30, 8, 0x03, 0}).zeros(4)},
        {"brush byte 3 not 1", {}, {0x40, 0, 0, 0, 0, 0, 0, 0}},
        {"brush size 8", {}, B().u8s({0x40, 0x80, 8, 1}).u16(8).zeros(8).zeros(2)},
        {"brush count for 16x16 24-bit", {}, B().u8s({0x40, 0x81, 16, 1}).u16(32).zeros(32).zeros(2)},
        {"solid brush with bytes", {}, B().u8s({0x40, 0x00, 0, 1}).u16(2).zeros(2)},
        {"path mode 6", {}, B().u8s({0x12, 0, 6, 0}).u32(52).rect(0, 0, 1, 1).u32(6).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"path 0x12 with a curve", {}, B().u8s({0x12, 0, 0, 0}).u32(68).rect(0, 0, 1, 1).u32(10).u32(1).i32(0).i32(0).u32(1).zeros(24)},
        {"path 0x11 without a curve", {}, B().u8s({0x11, 0, 0, 0}).u32(52).rect(0, 0, 1, 1).u32(6).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"path segment kind 2", {}, B().u8s({0x12, 0, 0, 0}).u32(52).rect(0, 0, 1, 1).u32(6).u32(1).i32(0).i32(0).u32(2).i32(1).i32(1)},
        {"path segment count too high", {}, B().u8s({0x12, 0, 0, 0}).u32(52).rect(0, 0, 1, 1).u32(6).u32(2).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"path wrong work estimate", {}, B().u8s({0x12, 0, 0, 0}).u32(52).rect(0, 0, 1, 1).u32(7).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"path two subpaths without 0x10", {}, B().u8s({0x12, 0, 0, 0}).u32(64).rect(0, 0, 1, 1).u32(10).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1).u32(0).i32(0).i32(0)},
        {"path 0x10 with one subpath", {}, B().u8s({0x12, 0, 0x10, 0}).u32(52).rect(0, 0, 1, 1).u32(6).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"path bounds reversed", {}, B().u8s({0x12, 0, 0, 0}).u32(52).rect(5, 0, 1, 1).u32(6).u32(1).i32(0).i32(0).u32(0).i32(1).i32(1)},
        {"raster grey with palette", {}, B().u8s({0x20, 0, 0x12, 0}).u32(56 + 768 + 4).rect(0, 0, 1, 1).zeros(8).u32(1).u32(1).i32(0).i32(0).i32(1).i32(1).zeros(772)},
        {"raster dest disagrees", {}, B().u8s({0x20, 0, 0x24, 0}).u32(60).rect(0, 0, 2, 1).zeros(8).u32(1).u32(1).i32(0).i32(0).i32(1).i32(1).zeros(4)},
        {"raster width 0", {}, B().u8s({0x20, 0, 0x24, 0}).u32(56).rect(0, 0, 0, 1).zeros(8).u32(0).u32(1).i32(0).i32(0).i32(0).i32(1)},
        {"raster unknown bit", {}, B().u8s({0x20, 0, 0x64, 0}).u32(60).rect(0, 0, 1, 1).zeros(8).u32(1).u32(1).i32(0).i32(0).i32(1).i32(1).zeros(4)},
        {"raster huge rows", {}, B().u8s({0x20, 0, 0x24, 0}).u32(60).rect(0, 0, 1, 1).zeros(8).u32(0x40000000).u32(0x40000000).i32(0).i32(0).i32(1).i32(1).zeros(4)},
        {"raster tail not zero", {}, B().u8s({0x20, 0, 0x00, 0}).u32(68).rect(0, 0, 1, 1).zeros(8).u32(1).u32(1).i32(0).i32(0).i32(1).i32(1).zeros(6).u8s({0x80, 0, 0, 0}).u8s({9, 9})},
        {"font bold bits differ", {}, B().u8s({0x50, 0, 0, 0}).u16(0x000A).zeros(8).u16(28).zeros(8).zeros(4)},
        {"font resident and not", {}, B().u8s({0x50, 0, 0, 0}).u16(0x2008).zeros(8).u16(28).zeros(8).zeros(4)},
        {"font escapement 360", {}, B().u8s({0x50, 0, 0, 0}).u16(0x0008).u16(0).u16(360).zeros(4).u16(28).zeros(8).zeros(4)},
        {"font name without end", {}, B().u8s({0x50, 0, 0, 0}).u16(0x0008).zeros(8).u16(28).zeros(8).str("ABCD")},
        {"font length for the name", {}, B().u8s({0x50, 0, 0, 0}).u16(0x0008).zeros(8).u16(36).zeros(8).str("AB").zeros(10)},
        {"graphics font for outlines", {}, B().u8s({0x56, 0, 0, 0}).u16(0x2200).zeros(8).u16(36).zeros(16).zeros(4)},
        {"text run without font", {}, B().u8s({0x52, 0, 0, 0}).u32(40).zeros(24).u16(1).u16(0).u16(9).u16('a')},
        {"text run after a graphics font", gf, B().u8s({0x52, 0, 0, 0}).u32(40).zeros(24).u16(1).u16(0).u16(9).u16('a')},
        {"text run of no characters", rf, B().u8s({0x52, 0, 0, 0}).u32(40).zeros(24).u16(0).u16(0).zeros(4)},
        {"per-char advances not ending in 0", rf, B().u8s({0x52, 0, 0x80, 0}).u32(44).zeros(24).u16(2).u16(0).u16(5).u16(5).u16('a').u16('b')},
        {"glyph outline after a resident font", rf, B().u8s({0x51, 0, 1, 0}).u32(52).zeros(28).u32(3).u32(0).zeros(8)},
        {"glyph run first step", gf, B().u8s({0x55, 0, 0x08, 0}).u32(44).zeros(24).u16(1).u16(0).u16(1).u16(0).u16('x').u16(0)},
        {"glyph run both text kinds", gf, B().u8s({0x55, 0, 0x0C, 0}).u32(44).zeros(24).u16(1).u16(0).zeros(6).u16(0)},
        {"glyph run without font", {}, B().u8s({0x55, 0, 0x08, 0}).u32(44).zeros(24).u16(1).u16(0).zeros(6).u16(0)},
        {"uncached bitmap marked cached", gf, B().u8s({0x57, 0, 0x48, 0}).u32(64).zeros(56)},
        {"cached glyph with data", gf, B().u8s({0x53, 0, 0x48, 0}).u32(68).zeros(24).u32(64).zeros(8).u32(8).u32(1).u32(1).zeros(8).u8(1).zeros(3)},
        {"raw glyph data of the wrong size", gf, B().u8s({0x54, 0, 0x08, 0}).u32(32).u32(3).u32(8).u32(2).u32(0).u16('x').u8s({0, 0}).zeros(4)},
        {"rle glyph not smaller", gf, B().u8s({0x54, 0, 0x08, 0}).u32(32).u32(4).u32(8).u32(4).u32(0).u16('x').u8s({2, 0}).u8s({0x01, 1, 2, 0})},
        {"rle expands past the bitmap", gf, B().u8s({0x54, 0, 0x08, 0}).u32(32).u32(2).u32(8).u32(8).u32(0).u16('x').u8s({2, 0}).u8s({0x87, 3}).zeros(2)},
        {"glyph encoding 1", gf, B().u8s({0x54, 0, 0x08, 0}).u32(32).u32(1).u32(8).u32(1).u32(0).u16('x').u8s({1, 0}).u8(0xFF).zeros(3)},
        {"bitmap without data", gf, B().u8s({0x54, 0, 0x08, 0}).u32(28).u32(0).u32(8).u32(1).u32(0).u16('x').u8s({0, 0})},
        {"page start of zero size", {}, B().u8s({0x60, 0, 0, 0}).u32(0).u32(10).u16(600).u16(600)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t at = 0;
        const Buf job = oneRecordJob(B().add(c.prefix).add(c.rec), &at);
        const DecodedStream d = decode(job);
        ASSERT_FALSE(d.summary.ok);
        EXPECT_GE(d.summary.error.offset, at + c.prefix.size()) << d.summary.error.text();
        EXPECT_LT(d.summary.error.offset, at + c.prefix.size() + c.rec.size()) << d.summary.error.text();
    }
}

TEST(DrawingRecords, OrderWithinAPage) {
    // Records before the page start are reported, not refused.
    {
        const Buf job = B().add(outer(0xF3, {})).add(page({B().u8s({0x31, 0xCC, 0, 0}).add(pageStart()).add(pageEnd())}));
        const DecodedStream d = decode(job);
        ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
        ASSERT_EQ(d.warnings.size(), 1u);
        EXPECT_NE(d.warnings[0].reason.find("before the page's PageStartRecord"), std::string::npos);
    }
    struct Case {
        const char* what;
        Buf drawing;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"no page end", pageStart(), "no PageEndRecord"},
        {"no page start", pageEnd(), "PageEndRecord before"},
        {"two page starts", B().add(pageStart()).add(pageStart()).add(pageEnd()), "second PageStartRecord"},
        {"record after the end", B().add(pageStart()).add(pageEnd()).u8s({0x37, 0, 0, 0}), "after the page's PageEndRecord"},
        {"font forgotten at page start", B().add(residentFont()).add(pageStart()).u8s({0x52, 0, 0, 0}).u32(40).zeros(24).u16(1).u16(0).u16(9).u16('a').add(pageEnd()), "needs a resident"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedStream d = decode(B().add(outer(0xF3, {})).add(page({c.drawing})));
        ASSERT_FALSE(d.summary.ok);
        EXPECT_NE(d.summary.error.reason.find(c.reason), std::string::npos) << d.summary.error.text();
    }
}

TEST(DrawingRecords, ReaderStopsAtEveryCutWithoutReadingPastIt) {
    // The reader on its own, given only the cut bytes: it reports the cut
    // (or a fault before it), never a record.
    for (const Sample& s : samples()) {
        SCOPED_TRACE(s.name);
        for (std::size_t k = 0; k < s.rec.size(); ++k) {
            std::vector<std::uint8_t> cut(s.rec.begin(), s.rec.begin() + static_cast<std::ptrdiff_t>(k));
            DrawingStream ds;
            ds.appendBlock(vesk::decode::Bytes(cut.data(), cut.size()), 1000);
            RecordReader reader(ds);
            Record r;
            Issue issue;
            const RecordReader::Status st = reader.next(&r, &issue);
            if (k == 0) {
                EXPECT_EQ(st, RecordReader::Status::End);
            } else {
                EXPECT_TRUE(st == RecordReader::Status::Truncated || st == RecordReader::Status::Bad) << "cut at " << k;
                EXPECT_GE(issue.offset, 1000u);
                EXPECT_LE(issue.offset, 1000u + k);
            }
        }
    }
}
