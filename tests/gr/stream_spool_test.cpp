// The write path: pieces of at most 4096 bytes, failed and short writes,
// framed records and the two-pass command blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <winsim/memory.h>
#include <winsim/winsim.h>

#include "stream_support.h"

using namespace vesk;
using namespace grtest;

namespace {

constexpr DWORD kNoMemory = 8;

Bytes pattern(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

// Command builders: the text they write is the context's string.
int textBuilder(DrvContext* ctx, BYTE* out, DWORD capacity) {
    const auto* text = reinterpret_cast<const std::string*>(ctx);
    if (!out) return static_cast<int>(text->size());
    if (capacity < text->size()) return -1;
    std::memcpy(out, text->data(), text->size());
    return static_cast<int>(text->size());
}
int failingBuilder(DrvContext*, BYTE*, DWORD) { return -1; }
int failsWhenFilling(DrvContext*, BYTE* out, DWORD) { return out ? -1 : 5; }
// Measures 4 bytes, then reports only 3 (a value that changed between the
// passes).
int shrinkingBuilder(DrvContext*, BYTE* out, DWORD) {
    if (out) std::memcpy(out, "abc", 3);
    return out ? 3 : 4;
}

DrvContext* ctxOf(const std::string& s) { return reinterpret_cast<DrvContext*>(const_cast<std::string*>(&s)); }

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

}  // namespace

TEST(SpoolWrite, GoesOutInPiecesOfAtMost4096Bytes) {
    StreamDevice d;
    const Bytes data = pattern(10000);
    ASSERT_EQ(SpoolWrite(d.buf, data.data(), 10000), 1);
    ASSERT_EQ(spool().pieces.size(), 3u);
    EXPECT_EQ(spool().pieces[0].size(), 4096u);
    EXPECT_EQ(spool().pieces[1].size(), 4096u);
    EXPECT_EQ(spool().pieces[2].size(), 1808u);
    EXPECT_EQ(d.out(), data);
    EXPECT_EQ(spool().lastHandle, fakeSpoolHandle());
    ASSERT_EQ(SpoolWrite(d.buf, data.data(), 4096), 1);
    EXPECT_EQ(spool().pieces.size(), 4u);
    // A count of 0 writes nothing.
    ASSERT_EQ(SpoolWrite(d.buf, data.data(), 0), 1);
    EXPECT_EQ(spool().calls, 4u);
}

TEST(SpoolWrite, AShortWriteFailsEvenWhenTheEntrySucceeded) {
    StreamDevice d;
    const Bytes data = pattern(9000);
    spool().shortAt = 2;
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 9000), 0);
    EXPECT_EQ(spool().calls, 2u);  // nothing more after the short piece
    EXPECT_EQ(d.flags, kDevOutputFailed);
}

TEST(SpoolWrite, AFailedWriteSetsTheOutputFailedFlag) {
    StreamDevice d;
    d.flags = 0x8000 | 0x4;
    spool().failAt = 1;
    const Bytes data = pattern(10);
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 10), 0);
    EXPECT_EQ(d.flags, 0x8000u | 0x4 | kDevOutputFailed);
}

TEST(SpoolWrite, WithoutABoundWriteEntryNothingIsTakenAndTheCallFails) {
    StreamDevice d(false);
    const Bytes data = pattern(10);
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 10), 0);
    EXPECT_EQ(d.flags, 0u);
    d.buf->writeEntry = fakeWrite;  // an entry of a library that was freed
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 10), 0);
    EXPECT_EQ(spool().calls, 0u);
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 0), 1);
    // A reset device gets the binding carried over.
    StreamDevice bound;
    RecBufCarryBinding(d.buf, bound.buf);
    EXPECT_EQ(SpoolWrite(d.buf, data.data(), 10), 1);
}

TEST(CommandBlock, MeasuresThenFillsAndWritesOneRecord) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    const std::string job = "@PJL JOB \r\n@PJL SET COPIES = 2 \r\n";
    const std::string page = "@PJL SET PAGE \r\n";
    const std::string end = "@PJL EOP \r\n";
    ASSERT_EQ(WriteJobHeader(d.buf, ctxOf(job), textBuilder), 1);
    ASSERT_EQ(WritePageHeader(d.buf, ctxOf(page), textBuilder), 1);
    ASSERT_EQ(WritePageTrailer(d.buf, ctxOf(end), textBuilder), 1);
    EXPECT_EQ(d.out(), cat({outer(0xF3, text(job)), outer(0xF4, text(page)), outer(0xF0, {}), outer(0xF1, text(end))}));
    // A block is one write (header and data together); the empty 0xF0 is
    // its header alone.
    ASSERT_EQ(spool().pieces.size(), 4u);
    EXPECT_EQ(spool().pieces[0].size(), 8 + job.size());
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    // An empty block is a bare header.
    const std::string none;
    spool() = FakeSpool{};
    ASSERT_EQ(WritePageTrailer(d.buf, ctxOf(none), textBuilder), 1);
    EXPECT_EQ(d.out(), outer(0xF1, {}));
}

TEST(CommandBlock, ABuilderThatFailsOrChangesItsMindWritesNothing) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    EXPECT_EQ(WriteJobHeader(d.buf, nullptr, failingBuilder), 0);
    EXPECT_EQ(WriteJobHeader(d.buf, nullptr, failsWhenFilling), 0);
    EXPECT_EQ(WritePageHeader(d.buf, nullptr, shrinkingBuilder), 0);
    EXPECT_EQ(WriteJobHeader(d.buf, nullptr, nullptr), 0);
    EXPECT_TRUE(spool().pieces.empty());
    EXPECT_EQ(d.flags, 0u);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(CommandBlock, NoMemoryOrAFailedWriteFailsTheBlock) {
    StreamDevice d;
    const size_t base = winsim::liveGlobalBlocks();
    const std::string page = "@PJL SET PAGE \r\n";
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(WritePageHeader(d.buf, ctxOf(page), textBuilder), 0);
    winsim::clearFaults();
    EXPECT_TRUE(spool().pieces.empty());
    // The page header's 0xF0 fails: the call fails after the 0xF4 went out.
    spool().failAt = 2;
    EXPECT_EQ(WritePageHeader(d.buf, ctxOf(page), textBuilder), 0);
    EXPECT_EQ(d.out(), outer(0xF4, text(page)));
    EXPECT_TRUE(d.flags & kDevOutputFailed);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}
