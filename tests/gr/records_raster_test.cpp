// Raster records: layouts by pixel format, the grey conversion, the batched,
// row-by-row and single-reservation writers, and what a failure leaves.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <algorithm>
#include <random>

#include "decode/bytes_builder.h"
#include "records/raster_record.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

constexpr DWORD kNoMemory = 8;
constexpr RasterOptions kColour{false, false, false};
constexpr RasterOptions kMono{false, true, false};

RasterImage image(DWORD format, DWORD width, DWORD rows, const Bytes& bits, const BYTE* palette = nullptr) {
    RasterImage i{};
    i.x = 100;
    i.y = 200;
    i.width = static_cast<LONG>(width);
    i.height = static_cast<LONG>(rows);
    i.srcWidth = width;
    i.rows = rows;
    i.format = format;
    i.firstRow = bits.data();
    i.palette = palette;
    return i;
}

// Record length and the offset of its rows.
DWORD lengthOf(const BYTE* p) { return p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<DWORD>(p[7]) << 24); }

// The lengths of the outer records in a stream.
std::vector<DWORD> blockLengths(const Bytes& out) {
    std::vector<DWORD> lens;
    for (size_t at = 0; at + 8 <= out.size();) {
        const DWORD n = lengthOf(out.data() + at);
        lens.push_back(n);
        at += 8 + n;
    }
    return lens;
}

}  // namespace

TEST(RasterRecord, OneBitWithPaletteKeepsTheRowsBehindTheSixBytes) {
    StreamDevice d;
    const Bytes bits{0x80, 0xA1, 0xA2, 0xA3, 0x40, 0xB1, 0xB2, 0xB3, 0x20, 0xC1, 0xC2, 0xC3};
    const BYTE palette[6] = {0xFF, 0xFF, 0xFF, 0, 0, 0};
    BYTE* p = RasterRecordWrite(d.buf, image(kRaster1, 1, 3, bits, palette), kColour);
    const Bytes want = dtest::B()
                           .u8s({0x20, 0, 0x00, 0})
                           .u32(76)
                           .rect(100, 200, 101, 203)
                           .i32(0).i32(0).u32(1).u32(3)
                           .i32(100).i32(200).i32(1).i32(3)
                           .u8s({0xFF, 0xFF, 0xFF, 0, 0, 0})
                           .add(bits)
                           .zeros(2);
    EXPECT_EQ(bytesAt(p, 76), want);
    // The header, then each row in its own slot (here one batch).
    EXPECT_EQ(d.buf->records, 2u);
    // The same bytes row by row and in one reservation.
    for (int form = 0; form < 2; ++form) {
        StreamDevice e;
        const RasterImage img = image(kRaster1, 1, 3, bits, palette);
        BYTE* q = form ? RasterRecordWriteRows(e.buf, img) : RasterRecordWriteWhole(e.buf, img, kColour);
        EXPECT_EQ(bytesAt(q, 76), want) << form;
        EXPECT_EQ(e.buf->records, form ? 4u : 1u);
    }
}

TEST(RasterRecord, PaletteSizesAndTheFormatWordsBytes) {
    StreamDevice d;
    Bytes bits(8 * 2, 0x11);
    Bytes pal(768, 0x22);
    // Four bits: 48 palette bytes; eight bits: 768.
    BYTE* p4 = RasterRecordWrite(d.buf, image(kRaster4, 5, 2, bits, pal.data()), kColour);
    ASSERT_NE(p4, nullptr);
    EXPECT_EQ(lengthOf(p4), 56u + 48 + 2 * 4);
    BYTE* p8 = RasterRecordWrite(d.buf, image(kRaster8, 5, 2, bits, pal.data()), kColour);
    ASSERT_NE(p8, nullptr);
    EXPECT_EQ(lengthOf(p8), 56u + 768 + 2 * 8);
    // No palette given: flag 0x20, rows at 56. The word's other bytes.
    const DWORD word = kRaster8 | kRasterBlit | kRasterHostIcm | kRasterHostReduced;
    BYTE* q = RasterRecordWrite(d.buf, image(word, 5, 2, bits), RasterOptions{false, false, true});
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q[1], 0x02);
    EXPECT_EQ(q[2], 0xA2);
    EXPECT_EQ(q[3], 0x0C);  // host ICM and banding
    EXPECT_EQ(lengthOf(q), 56u + 2 * 8);
    // A 24-bit image has no palette.
    BYTE* r = RasterRecordWrite(d.buf, image(kRaster24, 2, 2, bits, pal.data()), kColour);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r[2], 0x24);
    EXPECT_EQ(lengthOf(r), 56u + 2 * 8);
}

TEST(RasterRecord, TwentyFourBitRowsGoGreyOnAMonochromeDevice) {
    StreamDevice d;
    // Two rows of three pixels (blue, green, red), 12-byte rows.
    const Bytes bits{0, 0, 255, 0, 255, 0, 255, 0, 0, 9, 9, 9,
                     255, 255, 255, 10, 20, 30, 0, 0, 0, 9, 9, 9};
    BYTE* g = RasterRecordWrite(d.buf, image(kRaster24, 3, 2, bits), kMono);
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g[2], 0x32);
    EXPECT_EQ(lengthOf(g), 56u + 2 * 4);
    // (R x 306 + G x 601 + B x 117) >> 10
    EXPECT_EQ(bytesAt(g + 56, 8), (Bytes{76, 149, 29, 0, 255, 21, 0, 0}));
    // Colour output keeps the rows; print method 5 (one reservation) keeps
    // them too on a monochrome device, and so does the row-by-row retry.
    BYTE* c = RasterRecordWrite(d.buf, image(kRaster24, 3, 2, bits), kColour);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c[2], 0x24);
    EXPECT_EQ(bytesAt(c + 56, 24), bits);
    BYTE* w = RasterRecordWrite(d.buf, image(kRaster24, 3, 2, bits), RasterOptions{true, true, true});
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w[2], 0x24);
    EXPECT_EQ(w[3], 0x04);
    EXPECT_EQ(RasterRecordWriteRows(d.buf, image(kRaster24, 3, 2, bits))[2], 0x24);
    // Only a plain 24-bit image is converted.
    BYTE* b = RasterRecordWrite(d.buf, image(kRaster24 | kRasterBlit, 3, 2, bits), kMono);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b[2], 0xA4);
}

// The converter takes 32 pixels a step where the processor can: every row
// length around the step's edges, each channel's extremes, and a source that
// ends exactly behind its last pixel (the address checker sees a read past
// it).
TEST(RasterRecord, GreyRowsOfEveryLengthMatchTheFormula) {
    std::mt19937 rng(17);
    for (DWORD pixels = 0; pixels <= 140; ++pixels) {
        std::vector<BYTE> src(pixels * 3);
        for (DWORD i = 0; i < pixels * 3; ++i) src[i] = static_cast<BYTE>(i % 7 == 0 ? 255 : i % 11 == 0 ? 0 : rng());
        const DWORD outBytes = (pixels + 3) / 4 * 4 + 4;
        Bytes got(outBytes + 1, 0xAB);
        GreyFromBgr(src.data(), pixels, got.data() + 1, outBytes);
        EXPECT_EQ(got[0], 0xAB);
        for (DWORD i = 0; i < outBytes; ++i) {
            BYTE want = 0;  // the row's padding
            if (i < pixels) {
                const BYTE* p = src.data() + i * 3;
                want = static_cast<BYTE>((p[2] * 306u + p[1] * 601u + p[0] * 117u) >> 10);
            }
            ASSERT_EQ(got[1 + i], want) << pixels << " pixels, byte " << i;
        }
    }
    // White stays white and black black across a whole band's row.
    Bytes white(3 * 4961, 255), row(4964, 1);
    GreyFromBgr(white.data(), 4961, row.data(), 4964);
    EXPECT_EQ(std::count(row.begin(), row.begin() + 4961, 255), 4961);
    EXPECT_EQ(std::count(row.begin() + 4961, row.end(), 0), 3);
}

TEST(RasterRecord, RowsGoInBatchesOfAtMostOneMebibyte) {
    StreamDevice d;
    // 400-byte rows: 2621 rows a batch.
    Bytes small(400 * 3000, 7);
    ASSERT_NE(RasterRecordWrite(d.buf, image(kRaster8, 400, 3000, small), kColour), nullptr);
    EXPECT_EQ(d.buf->records, 3u);
    // Rows of 2,000,004 bytes go one row per reservation, each in a chunk of
    // its own; the second one's chunk flushes what is queued first.
    RecBufReset(d.buf);
    Bytes big(2000004 * 2, 1);
    ASSERT_NE(RasterRecordWrite(d.buf, image(kRaster24, 666668, 2, big), kColour), nullptr);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(blockLengths(d.out()), (std::vector<DWORD>{56, 2000004, 0, 2000004}));
    // Grey batches are counted in grey rows: 3 rows of 349,528 bytes, two a
    // batch.
    spool() = FakeSpool{};
    Bytes g(349528 * 3 * 3, 0);
    ASSERT_NE(RasterRecordWrite(d.buf, image(kRaster24, 349528, 3, g), kMono), nullptr);
    EXPECT_EQ(d.buf->records, 3u);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(blockLengths(d.out()), (std::vector<DWORD>{56, 2 * 349528, 349528}));
}

TEST(RasterRecord, ImagesARecordCannotHoldAreRefused) {
    StreamDevice d;
    Bytes bits(16, 0);
    EXPECT_EQ(RasterRecordWrite(d.buf, image(kRaster8, 0, 2, bits), kColour), nullptr);
    RasterImage none = image(kRaster8, 4, 2, bits);
    none.firstRow = nullptr;
    EXPECT_EQ(RasterRecordWrite(d.buf, none, kColour), nullptr);
    // Rows whose bytes overflow the record's 32-bit length.
    EXPECT_EQ(RasterRecordWrite(d.buf, image(kRaster24, 0x20000000, 3, bits), kColour), nullptr);
    EXPECT_EQ(RasterRecordWriteWhole(d.buf, image(kRaster24, 100000, 20000, bits), kColour), nullptr);
    EXPECT_EQ(d.buf->queued, 0u);
}

TEST(RasterRecord, AFailedRowReservationTakesTheRecordBack) {
    StreamDevice d;
    Bytes bits(4000 * 4, 5);
    BYTE* before = d.buf->last->pos;
    // The header fits the inline chunk; the rows need a new one.
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(RasterRecordWrite(d.buf, image(kRaster8, 4000, 4, bits), kColour), nullptr);
    winsim::clearFaults();
    EXPECT_EQ(d.buf->last->pos, before);
    EXPECT_EQ(d.flags, 0u);
    // The retry row by row then succeeds.
    ASSERT_NE(RasterRecordWriteRows(d.buf, image(kRaster8, 4000, 4, bits)), nullptr);
}

TEST(RasterRecord, APartAlreadySentCannotBeTakenBackSoTheOutputFails) {
    StreamDevice d;
    // More than 1 MiB queued and room for the header in the last chunk.
    for (int i = 0; i < 102; ++i) ASSERT_NE(RecBufReserve(d.buf, 10240), nullptr);
    ASSERT_NE(RecBufReserve(d.buf, 5000), nullptr);
    ASSERT_GT(d.buf->queued, kMidPageFlush);
    // Rows of 400,000 bytes, two a batch. When the first batch's chunk
    // cannot be had, nothing has left: the record is taken back.
    Bytes bits(400000 * 3, 5);
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(RasterRecordWrite(d.buf, image(kRaster8, 400000, 3, bits), kColour), nullptr);
    winsim::clearFaults();
    EXPECT_TRUE(d.out().empty());
    EXPECT_EQ(d.flags, 0u);
    // When the second batch's cannot, the first chunk's flush has sent the
    // header: the stream cannot be mended and the output fails.
    winsim::failCall("GlobalAlloc", 2, kNoMemory);
    EXPECT_EQ(RasterRecordWrite(d.buf, image(kRaster8, 400000, 3, bits), kColour), nullptr);
    winsim::clearFaults();
    EXPECT_GT(d.out().size(), 1000000u);
    EXPECT_TRUE(d.flags & kDevOutputFailed);
    // Nothing more goes into the broken stream.
    EXPECT_EQ(RasterRecordWriteRows(d.buf, image(kRaster8, 400000, 3, bits)), nullptr);
}

TEST(RasterRecord, RecordsSpreadOverBlocksDecodeToTheirPixels) {
    // 1.5 MiB of 24-bit rows: the rows continue through a mid-page flush
    // into later 0xF5 blocks.
    const DWORD w = 1024, h = 512;
    Bytes bits(w * 3 * h);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = static_cast<std::uint8_t>(i * 31 + i / 977);
    const BYTE palette[6] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    const Bytes mono{0xF0, 0x0F, 0xAA, 0x55, 0x12, 0x34, 0x56, 0x78};
    dec::DecodedStream s;
    auto recs = decodedRecords(
        [&](RecordBuffer* b) {
            return RasterRecordWrite(b, image(kRaster24, w, h, bits), kColour) &&
                   RasterRecordWrite(b, image(kRaster1, 20, 2, mono, palette), kColour) &&
                   RasterRecordWriteRows(b, image(kRaster1, 20, 2, mono, palette));
        },
        &s);
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_GT(s.pages[0].drawing.blockCount(), 2u);
    const auto& big = std::get<dec::RasterRecord>(recs[0].body);
    const Bytes all(s.pages[0].drawing.bytes().begin(), s.pages[0].drawing.bytes().end());
    EXPECT_EQ(big.rows, h);
    EXPECT_EQ(Bytes(all.begin() + big.pixels.offset, all.begin() + big.pixels.offset + big.pixels.size), bits);
    for (int i = 1; i < 3; ++i) {
        const auto& m = std::get<dec::RasterRecord>(recs[i].body);
        EXPECT_EQ(m.pixels.offset - recs[i].pos, 62u);
        EXPECT_EQ(Bytes(all.begin() + m.pixels.offset, all.begin() + m.pixels.offset + 8), mono);
    }
}
