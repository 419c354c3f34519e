// The replay of decoded pages: colours, fills under a rectangle clip and its
// reset, a path clip, rasters scaled and mirrored; a page too large fails.
#include <gtest/gtest.h>

#include "bytes_builder.h"
#include "decode/replay.h"

using namespace dtest;
namespace d = vesk::decode;

namespace {

std::uint32_t at(const d::Picture& p, unsigned x, unsigned y) {
    const std::uint8_t* q = p.rgb.data() + (static_cast<size_t>(y) * p.width + x) * 3;
    return (std::uint32_t{q[0]} << 16) | (q[1] << 8) | q[2];
}

Buf job(const Buf& records, std::uint32_t w = 20, std::uint32_t h = 10) {
    B s;
    s.add(outer(0xF3, {}));
    s.add(outer(0xF4, {})).add(outer(0xF0, {}));
    s.add(outer(0xF5, B().add(pageStart(w, h)).add(records).add(pageEnd())));
    s.add(outer(0xF1, {}));
    return s;
}

}  // namespace

TEST(Replay, RectanglesClipsAndRasters) {
    const Buf recs = B()
                         .u8s({0x30, 0x08, 0x01, 0x00, 0x11, 0x22, 0x33, 0x00})  // foreground colour
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(2, 1, 6, 4).rect(2, 1, 6, 4)
                         .u8s({0x10, 0, 5, 0}).u32(24).rect(0, 0, 4, 10)  // clip to x < 4
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(0, 6, 10, 8).rect(0, 6, 10, 8)
                         .u8s({0x37, 0, 0, 0})  // clip reset
                         // Grey rows 3 x 2 stretched to 6 x 2 (a mirrored target: the rows come mirrored).
                         .u8s({0x20, 0, 0x32, 0}).u32(64).rect(10, 0, 4, 2).i32(0).i32(0).u32(3).u32(2)
                         .i32(10).i32(0).i32(-6).i32(2).u8s({10, 20, 30, 0, 40, 50, 60, 0})
                         // The same rows at (0, 8) combined with what is there by AND (ROP 0x88).
                         .u8s({0x31, 0x88, 0, 0})
                         .u8s({0x20, 0, 0x32, 0}).u32(64).rect(2, 8, 5, 10).i32(0).i32(0).u32(3).u32(2)
                         .i32(2).i32(8).i32(3).i32(2).u8s({0xF0, 0x0F, 0xFF, 0, 0xFF, 0xFF, 0xFF, 0});
    const d::ReplayResult r = d::replayStream(job(recs));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.pages.size(), 1u);
    const d::Picture& p = r.pages[0];
    ASSERT_EQ(p.width, 20u);
    const std::uint32_t fg = at(p, 2, 1);
    EXPECT_NE(fg, 0xFFFFFFu);
    EXPECT_EQ(at(p, 5, 3), fg);
    EXPECT_EQ(at(p, 6, 3), 0xFFFFFFu);
    EXPECT_EQ(at(p, 1, 0), 0xFFFFFFu);
    EXPECT_EQ(at(p, 3, 7), fg);           // inside the clip
    EXPECT_EQ(at(p, 4, 7), 0xFFFFFFu);    // outside it
    EXPECT_EQ(at(p, 10, 0), 0x0A0A0Au);
    EXPECT_EQ(at(p, 2, 8), 0xF0F0F0u);    // white AND 0xF0
    EXPECT_EQ(at(p, 3, 8), 0x0F0F0Fu);
    EXPECT_EQ(at(p, 15, 1), 0x3C3C3Cu);
}

TEST(Replay, PathClipAndFillAndTooLargePage) {
    // A fill of the whole page under a clip path of the left half triangle.
    auto fx = [](int v) { return v * 16; };
    const Buf recs = B()
                         .u8s({0x12, 0, 0x08 | 5, 0}).u32(64).rect(0, 0, 10, 10).u32(9).u32(2).i32(fx(0)).i32(fx(0))
                         .u32(0).i32(fx(10)).i32(fx(0)).u32(0).i32(fx(0)).i32(fx(10))
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(0, 0, 20, 10).rect(0, 0, 20, 10);
    const d::ReplayResult r = d::replayStream(job(recs));
    ASSERT_TRUE(r.ok) << r.error;
    const d::Picture& p = r.pages[0];
    EXPECT_NE(at(p, 1, 1), 0xFFFFFFu);
    EXPECT_EQ(at(p, 9, 9), 0xFFFFFFu);
    EXPECT_EQ(at(p, 15, 1), 0xFFFFFFu);
    const d::ReplayResult big = d::replayStream(job({}, 5000, 5000), 1000);
    EXPECT_FALSE(big.ok);
    EXPECT_NE(big.error.find("too large"), std::string::npos);
}

TEST(Replay, PatternBrushesAndDashedLines) {
    // A one-bit 16 x 16 brush of horizontal stripes (even rows set), filled
    // opaque (black on grey) in the top rows, then transparent below.
    B brush = B().u8s({0x40, 0x80, 16, 1}).u16(32);
    for (int row = 0; row < 16; ++row) brush.u8s(row % 2 ? std::initializer_list<unsigned>{0, 0} : std::initializer_list<unsigned>{0xFF, 0xFF});
    brush.pad4();
    // A 24-bit 16 x 16 brush whose left half is one colour, right half another.
    B brush24 = B().u8s({0x40, 0x81, 16, 1}).u16(768);
    for (int row = 0; row < 16; ++row)
        for (int x = 0; x < 16; ++x) brush24.u8s(x < 8 ? std::initializer_list<unsigned>{0x40, 0x40, 0x40} : std::initializer_list<unsigned>{0xC0, 0xC0, 0xC0});
    brush24.pad4();
    auto fx = [](int v) { return v * 16; };
    const Buf recs = B()
                         .add(brush.b)
                         .u8s({0x30, 12, 0x09, 0x00, 0, 0, 0, 0x80, 0x80, 0x80, 0, 0})  // opaque: black on grey
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(0, 0, 20, 4).rect(0, 0, 20, 4)
                         .u8s({0x30, 8, 0x01, 0x00, 0, 0, 0, 0})  // transparent
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(0, 4, 20, 6).rect(0, 4, 20, 6)
                         .add(brush24.b)
                         .u8s({0x10, 0, 1, 0}).u32(40).rect(0, 6, 20, 7).rect(0, 6, 20, 7)
                         .u8s({0x40, 0, 0, 1}).u16(0).u16(0)  // solid again
                         // A line of 2-pixel cells, 4 cells on and 4 off, along y = 8.
                         .u8s({0x33, 2}).u16(1).u32(0xF0F0F0F0)
                         .u8s({0x12, 0, 0, 0}).u32(52).rect(0, 8, 20, 8).u32(6).u32(1).i32(fx(0)).i32(fx(8) + 8)
                         .u32(0).i32(fx(20)).i32(fx(8) + 8);
    const d::ReplayResult r = d::replayStream(job(recs));
    ASSERT_TRUE(r.ok) << r.error;
    const d::Picture& p = r.pages[0];
    EXPECT_EQ(at(p, 3, 0), 0x000000u);   // a set row: the foreground
    EXPECT_EQ(at(p, 3, 1), 0x808080u);   // a clear row, opaque: the background
    EXPECT_EQ(at(p, 3, 4), 0x000000u);
    EXPECT_EQ(at(p, 3, 5), 0xFFFFFFu);   // a clear row, transparent: the page
    EXPECT_EQ(at(p, 2, 6), 0x404040u);   // the 24-bit pattern's pixels
    EXPECT_EQ(at(p, 12, 6), 0xC0C0C0u);
    EXPECT_EQ(at(p, 2, 8), 0x000000u);   // dash
    EXPECT_EQ(at(p, 11, 8), 0xFFFFFFu);  // gap
    EXPECT_EQ(at(p, 17, 8), 0x000000u);  // the next dash
}

// A line of width 6 turning a right angle, (10, 40) up to (10, 10) and on
// to (40, 10), under each cap and join: a flat end stops at the end point, a
// square one goes on half the width, a round one is a disc; a mitre fills
// the outer corner while its length keeps to the limit, a bevel cuts it, a
// round join is a disc.
TEST(Replay, WideLinesHaveTheirCapsAndJoins) {
    auto fx = [](int v) { return v * 16; };
    auto corner = [&](unsigned cap, unsigned join, std::uint32_t limit) {
        const Buf recs = B()
                             .u8s({0x33, 0}).u16(6).u32(0xFFFFFFFF)
                             .u8s({0x35, cap, 0, 0})
                             .u8s({0x36, join, 0, 0}).u32(limit)
                             .u8s({0x12, 0, 0, 0}).u32(64).rect(10, 10, 40, 40).u32(9).u32(2)
                             .i32(fx(10)).i32(fx(40)).u32(0).i32(fx(10)).i32(fx(10)).u32(0).i32(fx(40)).i32(fx(10));
        const d::ReplayResult r = d::replayStream(job(recs, 60, 60));
        EXPECT_TRUE(r.ok) << r.error;
        return r.ok ? r.pages[0] : d::Picture{};
    };
    const std::uint32_t white = 0xFFFFFF, ink = 0;
    const d::Picture flatMitre = corner(1, 2, 10 * 256), squareBevel = corner(2, 1, 10 * 256),
                     round = corner(0, 0, 10 * 256), tightMitre = corner(1, 2, 256);
    ASSERT_EQ(flatMitre.width, 60u);
    for (const d::Picture* p : {&flatMitre, &squareBevel, &round, &tightMitre}) {
        EXPECT_EQ(at(*p, 10, 25), ink);  // on the line
        EXPECT_EQ(at(*p, 12, 25), ink);  // inside its width
        EXPECT_EQ(at(*p, 13, 25), white);
    }
    // Ends.
    EXPECT_EQ(at(flatMitre, 39, 10), ink);
    EXPECT_EQ(at(flatMitre, 41, 10), white);
    EXPECT_EQ(at(squareBevel, 42, 12), ink);
    EXPECT_EQ(at(squareBevel, 43, 10), white);
    EXPECT_EQ(at(round, 41, 10), ink);
    EXPECT_EQ(at(round, 42, 12), white);
    EXPECT_EQ(at(round, 10, 41), ink);  // the start's cap too
    // The outer corner at (7, 7).
    EXPECT_EQ(at(flatMitre, 7, 7), ink);
    EXPECT_EQ(at(squareBevel, 7, 7), white);
    EXPECT_EQ(at(squareBevel, 9, 9), ink);
    EXPECT_EQ(at(tightMitre, 7, 7), white);  // a mitre 1.41 times the width is over a limit of 1
    EXPECT_EQ(at(round, 8, 8), ink);
    EXPECT_EQ(at(round, 7, 7), white);
}
