// BrushRecord: the solid brush, one-bit and 24-bit patterns of each size,
// and the brushes it refuses.
#include <gtest/gtest.h>

#include <vector>

#include "records/brush_record.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

// A realised brush with room for its pattern, filled with a counting
// sequence.
struct Brush {
    std::vector<std::uint8_t> mem;
    Brush(SHORT kind, WORD bits, WORD size) : mem(sizeof(RealizedBrush) + BrushPatternBytes(size, bits) + 1) {
        RealizedBrush* b = get();
        b->kind = kind;
        b->bitsPerPixel = bits;
        b->size = size;
        b->foreground = 0xFF0000;
        b->background = 0xFFFFFF;
        for (DWORD i = 0; i < BrushPatternBytes(size, bits); ++i) BrushPattern(b)[i] = static_cast<BYTE>(i + 1);
    }
    RealizedBrush* get() { return reinterpret_cast<RealizedBrush*>(mem.data()); }
};

}  // namespace

TEST(BrushRecord, SolidBrushIsEightBytes) {
    StreamDevice d;
    Brush solid(kBrushSolid, 0, 0);
    EXPECT_EQ(bytesAt(BrushRecordWrite(d.buf, solid.get()), 8), (Bytes{0x40, 0x00, 0x00, 0x01, 0, 0, 0, 0}));
    // A solid brush whose colours the host has matched.
    solid.get()->hostIcm = 2;
    solid.get()->size = 32;
    EXPECT_EQ(bytesAt(BrushRecordWrite(d.buf, solid.get()), 8), (Bytes{0x40, 0x40, 0x20, 0x01, 0, 0, 0, 0}));
}

TEST(BrushRecord, PatternLengthsBySizeAndDepth) {
    struct Case {
        SHORT kind;
        WORD bits, size;
        DWORD length;
        BYTE flags, sizeByte;
    };
    const Case cases[] = {
        {kBrushMono, 1, 16, 40, 0x80, 16},     {kBrushRgb, 24, 16, 776, 0x81, 16},
        {kBrushMono, 1, 32, 136, 0x80, 32},    {kBrushRgb, 24, 32, 3080, 0x81, 32},
        {kBrushMono, 1, 64, 520, 0x80, 64},    {kBrushMono, 1, 24, 80, 0x80, 0},
    };
    for (const Case& c : cases) {
        StreamDevice d;
        Brush b(c.kind, c.bits, c.size);
        BYTE* p = BrushRecordWrite(d.buf, b.get());
        ASSERT_NE(p, nullptr) << c.size;
        EXPECT_EQ(d.buf->last->pos - p, static_cast<long>(c.length)) << c.size;
        EXPECT_EQ(p[1], c.flags);
        EXPECT_EQ(p[2], c.sizeByte);
        EXPECT_EQ(p[3], 1);
        const DWORD count = BrushPatternBytes(c.size, c.bits);
        EXPECT_EQ(p[4] | (p[5] << 8), static_cast<int>(count));
        EXPECT_EQ(bytesAt(p + 6, count), bytesAt(BrushPattern(b.get()), count));
        for (DWORD i = 6 + count; i < c.length; ++i) EXPECT_EQ(p[i], 0);
    }
}

TEST(BrushRecord, BrushesItCannotSendAreRefused) {
    StreamDevice d;
    EXPECT_EQ(BrushRecordWrite(d.buf, nullptr), nullptr);
    Brush hatch(1, 1, 32);  // no such kind
    EXPECT_EQ(BrushRecordWrite(d.buf, hatch.get()), nullptr);
    Brush four(kBrushMono, 4, 32);
    EXPECT_EQ(BrushRecordWrite(d.buf, four.get()), nullptr);
    Brush empty(kBrushMono, 1, 0);
    EXPECT_EQ(BrushRecordWrite(d.buf, empty.get()), nullptr);
    Brush huge(kBrushRgb, 24, 160);  // 76800 bytes: more than the count holds
    EXPECT_EQ(BrushRecordWrite(d.buf, huge.get()), nullptr);
    EXPECT_EQ(d.buf->queued, 0u);
}

TEST(BrushRecord, PatternsDecode) {
    Brush mono(kBrushMono, 1, 32), rgb(kBrushRgb, 24, 32), solid(kBrushSolid, 0, 0);
    rgb.get()->hostIcm = 1;
    dec::DecodedStream s;
    auto recs = decodedRecords(
        [&](RecordBuffer* b) {
            return BrushRecordWrite(b, mono.get()) && BrushRecordWrite(b, rgb.get()) && BrushRecordWrite(b, solid.get());
        },
        &s);
    ASSERT_EQ(recs.size(), 3u);
    const auto& r = std::get<dec::BrushRecord>(recs[1].body);
    EXPECT_EQ(r.flags, 0xC1);
    EXPECT_EQ(r.byteCount, 3072);
    const auto all = s.pages[0].drawing.bytes();
    EXPECT_EQ(Bytes(all.begin() + r.pattern.offset, all.begin() + r.pattern.offset + 3072),
              bytesAt(BrushPattern(rgb.get()), 3072));
    EXPECT_EQ(std::get<dec::BrushRecord>(recs[2].body).byteCount, 0);
}
