// The chunked record buffer: where reservations land, when chunks are taken,
// what a flush writes, and what a failure leaves.
#include <gtest/gtest.h>

#include <cstring>

#include <winsim/memory.h>
#include <winsim/winsim.h>

#include "stream_support.h"

using namespace vesk;
using namespace grtest;

namespace {

constexpr DWORD kNoMemory = 8;

size_t chunkCount(const RecordBuffer* b) {
    size_t n = 0;
    for (const RecChunk* c = b->first; c; c = c->next) ++n;
    return n;
}

// Reserves `size` bytes and fills them with `fill`.
BYTE* put(RecordBuffer* b, DWORD size, BYTE fill) {
    BYTE* p = RecBufReserve(b, size);
    if (p) std::memset(p, fill, size);
    return p;
}

}  // namespace

TEST(RecordBuffer, RecordsGoInPlaceUntilTheFreeSpaceIsReached) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    BYTE* a = put(d.buf, 10000, 1);
    BYTE* b = put(d.buf, 236, 2);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a, d.buf->inlineChunk.data);
    EXPECT_EQ(b, a + 10000);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);  // the inline chunk needs no memory
    // 4 bytes are free: a record of exactly that size goes to a new chunk.
    BYTE* c = put(d.buf, 4, 3);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(chunkCount(d.buf), 2u);
    EXPECT_EQ(c, d.buf->last->base);
    EXPECT_EQ(d.buf->inlineChunk.header.pos - d.buf->inlineChunk.data, 10236);
    EXPECT_EQ(d.buf->queued, 10240u);
    EXPECT_EQ(d.buf->records, 3u);
}

TEST(RecordBuffer, ALargeRecordGetsTheSmallestChunkOfWholeUnits) {
    StreamDevice d;
    for (auto [size, data] : {std::pair<DWORD, long>{4, 10240}, {10240, 10240}, {10241, 20480}, {25000, 30720}}) {
        d.buf->inlineChunk.header.pos = d.buf->inlineChunk.header.end;  // force a new chunk
        BYTE* p = RecBufReserve(d.buf, size);
        ASSERT_NE(p, nullptr) << size;
        EXPECT_EQ(d.buf->last->end - d.buf->last->base, data) << size;
        EXPECT_EQ(d.buf->last->pos - p, static_cast<long>(size));
        RecBufReset(d.buf);
    }
}

TEST(RecordBuffer, AZeroReservationNeverTakesAChunk) {
    StreamDevice d;
    ASSERT_NE(put(d.buf, 10240 - 4, 1), nullptr);
    d.buf->last->pos = d.buf->last->end;  // not a byte left
    const size_t blocks = winsim::liveGlobalBlocks();
    EXPECT_EQ(RecBufReserve(d.buf, 0), d.buf->last->end);
    EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
    EXPECT_EQ(chunkCount(d.buf), 1u);
}

TEST(RecordBuffer, AlignRoundsTheEndOfAVariableRecordAndZeroesThePad) {
    StreamDevice d;
    BYTE* r = put(d.buf, 40, 0xEE);  // an upper bound
    ASSERT_TRUE(RecBufAlign(d.buf, r + 29));
    EXPECT_EQ(d.buf->last->pos, r + 32);
    EXPECT_EQ(r[28], 0xEE);
    EXPECT_EQ(r[29], 0);
    EXPECT_EQ(r[31], 0);
    EXPECT_EQ(d.buf->queued, 40u);  // queued bytes stay as reserved
    // Outside the last chunk's written part nothing moves.
    EXPECT_FALSE(RecBufAlign(d.buf, r + 33));
    EXPECT_FALSE(RecBufAlign(d.buf, r - 1));
    EXPECT_EQ(d.buf->last->pos, r + 32);
}

TEST(RecordBuffer, FlushWritesEveryChunkAsOneDrawingRecord) {
    StreamDevice d;
    put(d.buf, 8, 0xA1);
    d.buf->inlineChunk.header.pos = d.buf->inlineChunk.header.end - 4;  // 10236 bytes held
    std::memset(d.buf->inlineChunk.data + 8, 0xA2, 10228);
    put(d.buf, 12, 0xB1);
    const size_t base = winsim::liveGlobalBlocks();
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    Bytes first(8, 0xA1);
    first.insert(first.end(), 10228, 0xA2);
    EXPECT_EQ(d.out(), cat({outer(0xF5, first), outer(0xF5, Bytes(12, 0xB1))}));
    EXPECT_EQ(winsim::liveGlobalBlocks(), base - 1);  // the extra chunk is freed
    EXPECT_EQ(chunkCount(d.buf), 1u);
    EXPECT_EQ(d.buf->queued, 0u);
    EXPECT_EQ(d.buf->last->pos, d.buf->inlineChunk.data);
}

TEST(RecordBuffer, FlushWithNothingQueuedWritesNothing) {
    StreamDevice d;
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_TRUE(spool().pieces.empty());
    // A record that does not fit the inline chunk leaves that chunk empty:
    // it still becomes an (empty) drawing record.
    put(d.buf, 20000, 7);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(d.out(), cat({outer(0xF5, {}), outer(0xF5, Bytes(20000, 7))}));
}

TEST(RecordBuffer, MoreThanOneMebibyteQueuedFlushesBeforeTheNextChunk) {
    StreamDevice d;
    // 103 chunks of 10240 bytes hold 1054720 bytes, above 0x100000.
    for (int i = 0; i < 103; ++i) ASSERT_NE(put(d.buf, 10240, static_cast<BYTE>(i)), nullptr);
    EXPECT_TRUE(spool().pieces.empty());
    EXPECT_EQ(d.buf->queued, 103u * 10240);
    // The next record flushes everything first and lands in a new chunk
    // behind the empty inline one.
    BYTE* p = put(d.buf, 16, 0xCC);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(d.out().size(), 103u * (8 + 10240) + 8);  // the inline chunk was empty
    EXPECT_EQ(chunkCount(d.buf), 2u);
    EXPECT_EQ(d.buf->queued, 16u);
    EXPECT_EQ(d.buf->inlineChunk.header.pos, d.buf->inlineChunk.data);
    spool() = FakeSpool{};
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(d.out(), cat({outer(0xF5, {}), outer(0xF5, Bytes(16, 0xCC))}));
}

// A page of large images flushes every mebibyte: the chunk a mid-page flush
// lets go serves the next one, with the bounds a fresh chunk would have (so
// the drawing records split where they always did), and the page's end
// returns it.
TEST(RecordBuffer, AChunkLetGoInMidPageServesTheNextAndThePageEndFreesIt) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    winsim::journalClear();
    winsim::journalEnable(true);
    constexpr DWORD kBatch = 0x100000 - 4096;  // a batch of grey rows: 103 units of 10240 bytes
    for (int i = 0; i < 6; ++i) ASSERT_NE(put(d.buf, kBatch, static_cast<BYTE>(i + 1)), nullptr);
    // A smaller record fits where a fresh chunk of its size would end: in a
    // chunk of its own, not behind the bytes of the reused one's end.
    ASSERT_NE(put(d.buf, 16, 0xEE), nullptr);
    ASSERT_NE(put(d.buf, 10240 * 3, 0xDD), nullptr);
    const size_t allocs = winsim::journalCount("GlobalAlloc");
    winsim::journalEnable(false);
    // The batches until the first flush take chunks of their own; the rest
    // of the page reuses them.
    EXPECT_EQ(allocs, 3u);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    Bytes want;
    for (int i = 0; i < 6; ++i) {
        if (i % 2 == 0) want = cat({want, outer(0xF5, {})});  // the inline chunk, empty after each flush
        want = cat({want, outer(0xF5, Bytes(kBatch, static_cast<BYTE>(i + 1)))});
    }
    Bytes tail(16, 0xEE);
    want = cat({want, outer(0xF5, {}), outer(0xF5, tail), outer(0xF5, Bytes(10240 * 3, 0xDD))});
    EXPECT_EQ(d.out(), want);
}

TEST(RecordBuffer, AFailedMidPageFlushFailsTheReservation) {
    StreamDevice d;
    for (int i = 0; i < 103; ++i) put(d.buf, 10240, 1);
    spool().failAt = 1;
    EXPECT_EQ(RecBufReserve(d.buf, 16), nullptr);
    EXPECT_TRUE(d.flags & kDevOutputFailed);
    // The flush emptied the buffer all the same, and a failed stream takes
    // no more records.
    EXPECT_EQ(d.buf->queued, 0u);
    EXPECT_EQ(chunkCount(d.buf), 1u);
    EXPECT_EQ(RecBufReserve(d.buf, 4), nullptr);
}

TEST(RecordBuffer, FirstPageRecordsAreDroppedWhileOnlyTheJobHeaderGoesOut) {
    StreamDevice d;
    d.firstPageHeaderOnly = 1;
    d.pageCount = 1;
    put(d.buf, 20000, 1);
    const size_t base = winsim::liveGlobalBlocks();
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_TRUE(spool().pieces.empty());
    EXPECT_EQ(d.buf->queued, 0u);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base - 1);
    // Page 2 goes out.
    d.pageCount = 2;
    put(d.buf, 4, 9);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(d.out(), outer(0xF5, Bytes(4, 9)));
}

TEST(RecordBuffer, AFailedWriteStillFreesAndResets) {
    StreamDevice d;
    put(d.buf, 20000, 1);
    put(d.buf, 20000, 2);
    spool().failAt = 3;  // header and data of the first (empty) record pass
    const size_t base = winsim::liveGlobalBlocks();
    EXPECT_EQ(RecBufFlush(d.buf), 0);
    EXPECT_TRUE(d.flags & kDevOutputFailed);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base - 2);
    EXPECT_EQ(d.buf->queued, 0u);
    EXPECT_EQ(chunkCount(d.buf), 1u);
}

TEST(RecordBuffer, NoMemoryForAChunkFailsOnlyThatReservation) {
    StreamDevice d;
    put(d.buf, 10000, 1);
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(RecBufReserve(d.buf, 1000), nullptr);
    winsim::clearFaults();
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(d.buf->queued, 10000u);
    // What was there stays, and smaller records still fit.
    ASSERT_NE(put(d.buf, 200, 2), nullptr);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    Bytes want(10000, 1);
    want.insert(want.end(), 200, 2);
    EXPECT_EQ(d.out(), outer(0xF5, want));
    // Above the mid-page limit too, a reservation without memory sends
    // nothing: what is queued stays, and can still be taken back.
    spool() = FakeSpool{};
    for (int i = 0; i < 103; ++i) put(d.buf, 10240, 3);
    const DWORD queued = d.buf->queued;
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(RecBufReserve(d.buf, 16), nullptr);
    winsim::clearFaults();
    EXPECT_TRUE(spool().pieces.empty());
    EXPECT_EQ(d.buf->queued, queued);
}

TEST(RecordBuffer, WithdrawTakesBackARecordAndEverythingBehindIt) {
    StreamDevice d;
    put(d.buf, 8, 1);
    BYTE* rec = put(d.buf, 8000, 2);  // a record whose builder goes on
    put(d.buf, 8000, 3);              // in a further chunk
    put(d.buf, 8000, 4);              // and another
    ASSERT_EQ(chunkCount(d.buf), 3u);
    const size_t base = winsim::liveGlobalBlocks();
    ASSERT_TRUE(RecBufWithdraw(d.buf, rec));
    EXPECT_EQ(chunkCount(d.buf), 1u);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base - 2);
    EXPECT_EQ(d.buf->last->pos, rec);
    EXPECT_EQ(d.buf->queued, 8u);
    put(d.buf, 4, 5);
    ASSERT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_EQ(d.out(), outer(0xF5, {1, 1, 1, 1, 1, 1, 1, 1, 5, 5, 5, 5}));
    // Once a flush has sent a record it cannot be taken back.
    BYTE* gone = put(d.buf, 20000, 6);
    RecBufFlush(d.buf);
    put(d.buf, 16, 7);
    EXPECT_FALSE(RecBufWithdraw(d.buf, gone));
    EXPECT_EQ(d.buf->queued, 16u);
}

TEST(RecordBuffer, ResetDropsTheRecordsAndReturnsTheirChunks) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    put(d.buf, 30000, 1);
    put(d.buf, 30000, 1);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 2);
    RecBufReset(d.buf);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    EXPECT_EQ(d.buf->queued, 0u);
    EXPECT_EQ(RecBufFlush(d.buf), 1);
    EXPECT_TRUE(spool().pieces.empty());
}
