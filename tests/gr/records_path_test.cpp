// Path records and glyph outline data from engine runs: exact layouts, the
// whole-path and per-subpath forms, runs the builder refuses, and exact
// reservations.
#include <gtest/gtest.h>

#include <cstring>

#include <winsim/winsim.h>

#include "decode/bytes_builder.h"
#include "records/path_record.h"
#include "records/text_records.h"
#include "path_runs.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

constexpr DWORD kNoMemory = 8;

POINTFIX px(LONG x, LONG y) { return POINTFIX{x * 16, y * 16}; }

// A closed square of side 10 pixels at (x, y).
Runs& square(Runs& r, LONG x, LONG y) {
    return r.figure({{'L', {px(x + 10, y), px(x + 10, y + 10), px(x, y + 10)}}}, px(x, y), true);
}

const RECTFX kBounds{0, 0, 160, 160};

}  // namespace

TEST(PathRecord, OneClosedRectangleExactBytes) {
    StreamDevice d;
    Runs r;
    square(r, 0, 0);
    BYTE* p = PathRecordWrite(d.buf, r.data(), r.count(), kBounds, kPathStroke);
    const Bytes want = dtest::B()
                           .u8s({0x12, 0, 0x08, 0})
                           .u32(76)
                           .rect(0, 0, 10, 10)
                           .u32(12)
                           .u32(3).i32(0).i32(0)
                           .u32(0).i32(160).i32(0)
                           .u32(0).i32(160).i32(160)
                           .u32(0).i32(0).i32(160);
    EXPECT_EQ(bytesAt(p, 76), want);
    EXPECT_EQ(d.buf->last->pos, p + 76);  // the reservation is exact
}

TEST(PathRecord, StrokeOfTwoClosedSubpathsGoesOneRecordEach) {
    auto recs = decodedRecords([](RecordBuffer* b) {
        Runs r;
        square(r, 0, 0);
        square(r, 20, 0);
        const RECTFX bounds{0, 0, 30 * 16, 10 * 16};
        return PathRecordWrite(b, r.data(), r.count(), bounds, kPathStroke) != nullptr;
    });
    ASSERT_EQ(recs.size(), 2u);
    for (const auto& rec : recs) {
        const auto& path = std::get<dec::PathRecord>(rec.body);
        EXPECT_EQ(path.mode, 0);
        EXPECT_TRUE(path.closed);
        EXPECT_FALSE(path.multi);
        EXPECT_EQ(path.bounds, (dec::Rect{0, 0, 30, 10}));  // the whole path's
        EXPECT_EQ(path.path.work, 12u);
        ASSERT_EQ(path.path.subpaths.size(), 1u);
    }
    EXPECT_EQ(std::get<dec::PathRecord>(recs[1].body).path.subpaths[0].start.x, 320);
}

TEST(PathRecord, FillOfTwoSubpathsIsOneRecord) {
    for (BYTE mode : {kPathFillAlternate, kPathFillWinding, kPathStrokeFillWinding, kPathClip}) {
        auto recs = decodedRecords([&](RecordBuffer* b) {
            Runs r;
            square(r, 0, 0);
            r.figure({{'L', {px(25, 5)}}}, px(20, 0), false);
            return PathRecordWrite(b, r.data(), r.count(), kBounds, mode) != nullptr;
        });
        ASSERT_EQ(recs.size(), 1u) << int(mode);
        EXPECT_EQ(recs[0].opcode, 0x12);
        const auto& path = std::get<dec::PathRecord>(recs[0].body);
        EXPECT_EQ(path.mode, mode);
        EXPECT_TRUE(path.multi);
        EXPECT_TRUE(path.closed);
        // 3 x 4 lines + 3 x 2 subpaths + 1.
        EXPECT_EQ(path.path.work, 19u);
    }
    // An open stroke of several subpaths stays one record.
    auto recs = decodedRecords([&](RecordBuffer* b) {
        Runs r;
        r.figure({{'L', {px(5, 5)}}}, px(0, 0), false).figure({{'L', {px(9, 9)}}}, px(8, 8), false);
        return PathRecordWrite(b, r.data(), r.count(), kBounds, kPathStroke) != nullptr;
    });
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].length, 28u + 2 * 24);
}

TEST(PathRecord, StartPointsAloneAreMeasuredNotGuessed) {
    // Five subpaths of only a start point: no curves at all, 88 bytes.
    Runs r;
    for (LONG i = 0; i < 5; ++i) r.figure({}, px(i, i), false);
    PathShape s;
    ASSERT_TRUE(PathMeasure(r.data(), r.count(), &s));
    EXPECT_EQ(s.subpaths, 5u);
    EXPECT_EQ(s.bytes, 60u);
    StreamDevice d;
    BYTE* p = PathRecordWrite(d.buf, r.data(), r.count(), kBounds, kPathFillAlternate);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[4], 88);
    EXPECT_EQ(d.buf->last->pos, p + 88);
    auto recs = decodedRecords(
        [&](RecordBuffer* b) { return PathRecordWrite(b, r.data(), r.count(), kBounds, kPathFillAlternate) != nullptr; });
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(std::get<dec::PathRecord>(recs[0].body).path.work, 3u * 5 + 1);
}

TEST(PathRecord, RunsThatMakeNoPathWriteNothing) {
    StreamDevice d;
    BYTE* before = d.buf->last->pos;
    POINTFIX pts[8] = {px(0, 0), px(1, 0), px(1, 1), px(0, 1), px(2, 2), px(3, 3), px(4, 4), px(5, 5)};
    auto refused = [&](std::vector<PATHDATA> runs) {
        return PathRecordWrite(d.buf, runs.data(), runs.size(), kBounds, kPathFillWinding) == nullptr &&
               PathRecordWriteSubpaths(d.buf, runs.data(), runs.size(), kBounds, kPathStroke) == nullptr;
    };
    // Bézier points that do not come in threes, after the start point and in
    // a run that goes on.
    EXPECT_TRUE(refused({{PD_BEGINSUBPATH | PD_BEZIERS | PD_ENDSUBPATH, 5, pts}}));
    EXPECT_TRUE(refused({{PD_BEGINSUBPATH, 2, pts}, {PD_BEZIERS | PD_ENDSUBPATH, 4, pts + 2}}));
    // The engine found no path: an empty run that ends nothing.
    EXPECT_TRUE(refused({{0, 0, nullptr}}));
    EXPECT_TRUE(refused({{PD_BEGINSUBPATH, 3, pts}, {0, 0, nullptr}}));
    EXPECT_TRUE(refused({}));
    // Points with no subpath begun; a subpath without its start point.
    EXPECT_TRUE(refused({{PD_ENDSUBPATH, 3, pts}}));
    EXPECT_TRUE(refused({{PD_BEGINSUBPATH | PD_ENDSUBPATH, 0, pts}}));
    EXPECT_TRUE(refused({{PD_BEGINSUBPATH | PD_ENDSUBPATH, 2, nullptr}}));
    // A mode the record does not have.
    std::vector<PATHDATA> ok{{PD_BEGINSUBPATH | PD_ENDSUBPATH, 3, pts}};
    EXPECT_EQ(PathRecordWrite(d.buf, ok.data(), ok.size(), kBounds, 6), nullptr);
    EXPECT_EQ(d.buf->last->pos, before);
    EXPECT_EQ(d.buf->queued, 0u);
    // An empty run that ends the subpath, and a last subpath the engine did
    // not end, are paths.
    std::vector<PATHDATA> tail{{PD_BEGINSUBPATH, 3, pts}, {PD_ENDSUBPATH | PD_CLOSEFIGURE, 0, nullptr}};
    BYTE* p = PathRecordWrite(d.buf, tail.data(), tail.size(), kBounds, kPathFillWinding);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[2], 0x0A);
    std::vector<PATHDATA> open{{PD_BEGINSUBPATH, 4, pts}, {PD_BEGINSUBPATH, 2, pts + 4}};
    p = PathRecordWrite(d.buf, open.data(), open.size(), kBounds, kPathFillWinding);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[2], 0x12);
    EXPECT_EQ(p[4], 28 + 12 + 36 + 12 + 12);
}

TEST(PathRecord, ASubpathRecordThatCannotBeReservedTakesTheOthersBack) {
    StreamDevice d;
    Runs r;
    square(r, 0, 0);
    square(r, 20, 0);
    square(r, 40, 0);
    // The inline chunk has room for the first record only.
    d.buf->last->pos = d.buf->last->end - 100;
    BYTE* before = d.buf->last->pos;
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(PathRecordWrite(d.buf, r.data(), r.count(), kBounds, kPathStroke), nullptr);
    winsim::clearFaults();
    EXPECT_EQ(d.buf->last->pos, before);
    EXPECT_EQ(d.buf->first->next, nullptr);
}

TEST(GlyphOutline, SubpathsRelativeToTheOutlinesCorner) {
    Runs r;
    r.figure({{'B', {px(1, 0), px(2, 1), px(2, 2)}}, {'L', {px(0, 2)}}}, px(0, 0), true);
    const DWORD need = PathOutlineEncode(r.data(), r.count(), -16, 32, nullptr, 0);
    ASSERT_EQ(need, 4u + 12 + 28 + 12);
    Bytes data(need);
    EXPECT_EQ(PathOutlineEncode(r.data(), r.count(), -16, 32, data.data(), need - 1), 0u);
    ASSERT_EQ(PathOutlineEncode(r.data(), r.count(), -16, 32, data.data(), need), need);
    EXPECT_EQ(data, dtest::B()
                        .u32(3 + 7 + 3)
                        .u32(2).i32(-16).i32(32)
                        .u32(1).i32(0).i32(32).i32(16).i32(48).i32(16).i32(64)
                        .u32(0).i32(-16).i32(64)
                        .b);
    auto recs = decodedRecords([&](RecordBuffer* b) {
        FontDesc f{};
        f.kind = kFontOutline;
        f.textMode = kTextCharacters;
        std::strcpy(f.faceName, "Ant");
        return DeviceFontRecordWrite(b, f) &&
               GlyphOutlineRecordWrite(b, RECTL{100, 200, 132, 232}, 100, 200, u'A', data.data(), need);
    });
    ASSERT_EQ(recs.size(), 2u);
    const auto& g = std::get<dec::GlyphRecord>(recs[1].body);
    EXPECT_TRUE(g.hasOutline);
    EXPECT_EQ(g.ch, u'A');
    EXPECT_EQ(g.outline.subpaths.size(), 1u);
    EXPECT_EQ(recs[1].length, 36 + need);
}
