// The fixed-size records, ColorRecord and the state senders: exact bytes,
// suppression within a page and a fresh start on the next.
#include <gtest/gtest.h>

#include "records/draw_state.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

ColorDesc color(DWORD fg, SHORT bkMode = kBkTransparent, DWORD bg = 0xFFFFFF) {
    ColorDesc d{};
    d.fgMix = 13;
    d.bkMode = bkMode;
    d.foreground = fg;
    d.background = bg;
    d.kind = kColorFill;
    return d;
}

LineAttrs solidLine(SHORT width = 1) {
    LineAttrs a{};
    a.width = width;
    a.mitreLimit = 2560;
    a.mask = 0xFFFFFFFF;
    return a;
}

// The opcodes of what the buffer holds, read by walking its records.
std::vector<BYTE> opcodes(const std::vector<dec::Record>& rs) {
    std::vector<BYTE> ops;
    for (const dec::Record& r : rs) ops.push_back(r.opcode);
    return ops;
}

}  // namespace

TEST(ColorRecord, LayoutsOfOneTwoAndThreeColours) {
    StreamDevice d;
    // Colours are given as 0x00BBGGRR and go out red, green, blue.
    ColorDesc fg = color(0x00332211);
    EXPECT_EQ(bytesAt(ColorRecordWrite(d.buf, fg), 8), (Bytes{0x30, 0x08, 0x01, 0x00, 0x11, 0x22, 0x33, 0x00}));
    ColorDesc opaque = color(0x00332211, kBkOpaque, 0x00665544);
    EXPECT_EQ(bytesAt(ColorRecordWrite(d.buf, opaque), 12),
              (Bytes{0x30, 0x0C, 0x09, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0, 0}));
    ColorDesc both = opaque;
    both.strokeAndFill = 1;
    both.pen = 0x00998877;
    both.kind = kColorStrokeFill;
    EXPECT_EQ(bytesAt(ColorRecordWrite(d.buf, both), 16),
              (Bytes{0x30, 0x10, 0x19, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0, 0, 0}));
    // The pen without an opaque background; text and host-matched colours.
    ColorDesc pen = color(0x000000FF);
    pen.strokeAndFill = 1;
    pen.pen = 0x00FF0000;
    pen.kind = kColorText;
    pen.hostIcm = 2;
    EXPECT_EQ(bytesAt(ColorRecordWrite(d.buf, pen), 12),
              (Bytes{0x30, 0x0C, 0xD1, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0, 0}));
}

TEST(SmallRecords, ExactBytes) {
    StreamDevice d;
    EXPECT_EQ(bytesAt(RopRecordWrite(d.buf, 0xF0), 4), (Bytes{0x31, 0xCC, 0, 0}));
    EXPECT_EQ(bytesAt(RopRecordWrite(d.buf, 0x5A), 4), (Bytes{0x31, 0x5A, 0, 0}));
    EXPECT_EQ(bytesAt(BkModeRecordWrite(d.buf, kBkOpaque), 4), (Bytes{0x32, 2, 0, 0}));
    EXPECT_EQ(bytesAt(LineStyleRecordWrite(d.buf, 0x0203, 0xFFFFFF00, 3), 8),
              (Bytes{0x33, 3, 0x03, 0x02, 0x00, 0xFF, 0xFF, 0xFF}));
    // A width of 0 would be no line at all: it goes as 1.
    EXPECT_EQ(bytesAt(LineStyleRecordWrite(d.buf, 0, 0xFFFFFFFF, 0), 8),
              (Bytes{0x33, 0, 1, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(bytesAt(LineStyleOffsetRecordWrite(d.buf, 7), 4), (Bytes{0x34, 7, 0, 0}));
    EXPECT_EQ(bytesAt(LineCapRecordWrite(d.buf, 2), 4), (Bytes{0x35, 2, 0, 0}));
    EXPECT_EQ(bytesAt(LineJoinRecordWrite(d.buf, 2, 2560), 8), (Bytes{0x36, 2, 0, 0, 0x00, 0x0A, 0, 0}));
    EXPECT_EQ(bytesAt(ClipResetRecordWrite(d.buf), 4), (Bytes{0x37, 0, 0, 0}));
    EXPECT_EQ(bytesAt(PageStartRecordWrite(d.buf, 4960, 7016, 600, 300), 16),
              (Bytes{0x60, 0, 0, 0, 0x60, 0x13, 0, 0, 0x68, 0x1B, 0, 0, 0x58, 0x02, 0x2C, 0x01}));
    EXPECT_EQ(bytesAt(PageEndRecordWrite(d.buf), 4), (Bytes{0x61, 0, 0, 0}));
}

TEST(RectRecord, FillCarriesTwoRectanglesClipOne) {
    StreamDevice d;
    const RECTL r{10, -20, 300, 400};
    const RECTL r2{1, 2, 3, 4};
    Bytes fill = bytesAt(RectRecordWrite(d.buf, r, nullptr, kRectFill), 40);
    EXPECT_EQ(Bytes(fill.begin(), fill.begin() + 8), (Bytes{0x10, 0, 1, 0, 40, 0, 0, 0}));
    EXPECT_EQ(Bytes(fill.begin() + 8, fill.begin() + 24), Bytes(fill.begin() + 24, fill.end()));
    EXPECT_EQ(Bytes(fill.begin() + 12, fill.begin() + 16), (Bytes{0xEC, 0xFF, 0xFF, 0xFF}));
    Bytes two = bytesAt(RectRecordWrite(d.buf, r, &r2, kRectFill), 40);
    EXPECT_EQ(Bytes(two.begin() + 24, two.begin() + 28), (Bytes{1, 0, 0, 0}));
    BYTE* clip = RectRecordWrite(d.buf, r, &r2, kRectClip);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip[4], 24);
    EXPECT_EQ(d.buf->last->pos, clip + 24);
    EXPECT_EQ(RectRecordWrite(d.buf, r, nullptr, 2), nullptr);
    EXPECT_EQ(d.buf->last->pos, clip + 24);
}

TEST(RopTable, EngineMixesToTernaryCodes) {
    // Mix 1 gives 0xFF and mix 16 gives 0x00, as the device expects.
    const BYTE want[] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                         0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00, 0xCC, 0xCC};
    for (DWORD mix = 0; mix < 19; ++mix) EXPECT_EQ(Rop2ToRop3(mix), want[mix]) << mix;
    EXPECT_EQ(Rop2ToRop3(0x10D), 0xCC);
}

TEST(StateSenders, SameValueTwiceOnAPageSendsOneRecord) {
    StreamDevice d;
    DrawState s;
    DrawStateInit(&s);
    ASSERT_EQ(SetRopCached(d.buf, &s, 0xCC), 1);
    ASSERT_EQ(SetRopCached(d.buf, &s, 0xCCCC), 1);  // the same low byte
    ASSERT_EQ(SetBkModeCached(d.buf, &s, kBkTransparent), 1);
    ASSERT_EQ(SetBkModeCached(d.buf, &s, kBkTransparent), 1);
    ASSERT_EQ(SetColorCached(d.buf, &s, color(0x0000FF)), 1);
    ASSERT_EQ(SetColorCached(d.buf, &s, color(0x0000FF)), 1);
    EXPECT_EQ(d.buf->queued, 4u + 4 + 8);
    ASSERT_EQ(SetRopCached(d.buf, &s, 0x66), 1);
    ASSERT_EQ(SetBkModeCached(d.buf, &s, kBkOpaque), 1);
    EXPECT_EQ(d.buf->queued, 24u);
    // The next page starts with nothing assumed.
    DrawStateResetPage(&s);
    ASSERT_EQ(SetRopCached(d.buf, &s, 0x66), 1);
    ASSERT_EQ(SetBkModeCached(d.buf, &s, kBkOpaque), 1);
    ASSERT_EQ(SetColorCached(d.buf, &s, color(0x0000FF)), 1);
    EXPECT_EQ(d.buf->queued, 24u + 16);
}

TEST(StateSenders, ColourChangesThatSendANewRecord) {
    StreamDevice d;
    DrawState s;
    DrawStateInit(&s);
    const ColorDesc base = color(0x123456, kBkOpaque, 0xABCDEF);
    ASSERT_EQ(SetColorCached(d.buf, &s, base), 1);
    const DWORD one = d.buf->queued;
    auto sends = [&](ColorDesc c) {
        const DWORD before = d.buf->queued;
        EXPECT_EQ(SetColorCached(d.buf, &s, c), 1);
        const bool sent = d.buf->queued != before;
        SetColorCached(d.buf, &s, base);  // back to the base for the next case
        return sent;
    };
    struct Change {
        const char* what;
        void (*apply)(ColorDesc&);
        bool sends;
    };
    const Change changes[] = {
        {"foreground", [](ColorDesc& c) { c.foreground = 0x123457; }, true},
        {"background", [](ColorDesc& c) { c.background = 0; }, true},
        {"mix", [](ColorDesc& c) { c.fgMix = 6; }, true},
        {"background mode", [](ColorDesc& c) { c.bkMode = kBkTransparent; }, true},
        {"stroke and fill", [](ColorDesc& c) { c.strokeAndFill = 1; }, true},
        // A colour for text, or one matched by the host, is another record.
        {"text", [](ColorDesc& c) { c.kind = kColorText; }, true},
        {"host ICM", [](ColorDesc& c) { c.hostIcm = 2; }, true},
        // The pen counts only with stroke and fill; kinds other than text
        // and the second slot do not change the record.
        {"pen alone", [](ColorDesc& c) { c.pen = 0x777777; }, false},
        {"stroke kind", [](ColorDesc& c) { c.kind = kColorStroke; c.second = 0xFFFFFF; }, false},
    };
    for (const Change& ch : changes) {
        ColorDesc c = base;
        ch.apply(c);
        EXPECT_EQ(sends(c), ch.sends) << ch.what;
    }
    EXPECT_GT(d.buf->queued, one);
}

TEST(StateSenders, LineRecordsAllFirstThenEachOnItsOwn) {
    auto recs = decodedRecords([](RecordBuffer* b) {
        DrawState s;
        DrawStateInit(&s);
        LineAttrs a = solidLine(3);
        a.cap = 7;  // out of range: round
        a.join = -1;
        if (!SetLineAttrsCached(b, &s, a) || !SetLineAttrsCached(b, &s, a)) return false;
        a.cap = 1;
        if (!SetLineAttrsCached(b, &s, a)) return false;
        a.styleOffset = 4;
        a.mitreLimit = 512;
        if (!SetLineAttrsCached(b, &s, a)) return false;
        a.mask = 0xFFFF0000;
        a.styleUnit = 2;
        if (!SetLineAttrsCached(b, &s, a)) return false;
        DrawStateResetPage(&s);
        return SetLineAttrsCached(b, &s, a) == 1;
    });
    EXPECT_EQ(opcodes(recs), (std::vector<BYTE>{0x33, 0x34, 0x35, 0x36, 0x35, 0x34, 0x36, 0x33, 0x33, 0x34, 0x35, 0x36}));
    ASSERT_EQ(recs.size(), 12u);
    EXPECT_EQ(std::get<dec::LineCapRecord>(recs[2].body).cap, 0);
    EXPECT_EQ(std::get<dec::LineJoinRecord>(recs[3].body).join, 0);
    EXPECT_EQ(std::get<dec::LineStyleRecord>(recs[0].body).width, 3);
    EXPECT_EQ(std::get<dec::LineStyleOffsetRecord>(recs[5].body).offset, 4);
    EXPECT_EQ(std::get<dec::LineJoinRecord>(recs[6].body).mitreLimit, 512u);
    const auto& style = std::get<dec::LineStyleRecord>(recs[7].body);
    EXPECT_EQ(style.mask, 0xFFFF0000u);
    EXPECT_EQ(style.unit, 2);
}

TEST(StateSenders, BrushPatternsAreAlwaysSentSolidsOnlyAfterAPattern) {
    StreamDevice d;
    DrawState s;
    DrawStateInit(&s);
    RealizedBrush solid{};
    solid.kind = kBrushSolid;
    solid.foreground = 0xFF0000;
    struct {
        RealizedBrush h;
        BYTE pattern[128];
    } mono{};
    mono.h.kind = kBrushMono;
    mono.h.bitsPerPixel = 1;
    mono.h.size = 32;
    auto sent = [&](RealizedBrush* b) {
        const DWORD before = d.buf->queued;
        EXPECT_EQ(SetBrushCached(d.buf, &s, b), 1);
        return d.buf->queued - before;
    };
    EXPECT_EQ(sent(&solid), 8u);
    solid.foreground = 0x00FF00;  // the colour goes in the colour record
    solid.originX = 5;
    EXPECT_EQ(sent(&solid), 0u);
    EXPECT_EQ(s.brush.originX, 5);
    EXPECT_EQ(sent(&mono.h), 136u);
    EXPECT_EQ(sent(&mono.h), 136u);
    EXPECT_EQ(sent(&solid), 8u);
    EXPECT_EQ(sent(&solid), 0u);
    EXPECT_EQ(SetBrushCached(d.buf, &s, nullptr), 0);
    DrawStateResetPage(&s);
    EXPECT_EQ(sent(&solid), 8u);
}

TEST(StateSenders, AFailedSendIsTriedAgain) {
    StreamDevice d;
    DrawState s;
    DrawStateInit(&s);
    d.flags |= kDevOutputFailed;  // the buffer refuses every record
    EXPECT_EQ(SetRopCached(d.buf, &s, 0x66), 0);
    EXPECT_EQ(SetBkModeCached(d.buf, &s, kBkOpaque), 0);
    EXPECT_EQ(SetColorCached(d.buf, &s, color(1)), 0);
    EXPECT_EQ(SetLineAttrsCached(d.buf, &s, solidLine()), 0);
    RealizedBrush solid{};
    EXPECT_EQ(SetBrushCached(d.buf, &s, &solid), 0);
    d.flags = 0;
    EXPECT_EQ(SetRopCached(d.buf, &s, 0x66), 1);
    EXPECT_EQ(SetBkModeCached(d.buf, &s, kBkOpaque), 1);
    EXPECT_EQ(SetColorCached(d.buf, &s, color(1)), 1);
    EXPECT_EQ(SetLineAttrsCached(d.buf, &s, solidLine()), 1);
    EXPECT_EQ(SetBrushCached(d.buf, &s, &solid), 1);
    EXPECT_EQ(d.buf->queued, 4u + 4 + 8 + 24 + 8);
}
