// Escapes in the device stream: pass-through bytes between the records,
// with no outer record around them, and what a failed write does; identity
// items set by escapes reaching the job header made safe; and a job with
// pass-through bytes printed by `vesk print` and listed by `vesk decode`.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <filesystem>

#include "decode/stream.h"
#include "escape_support.h"
#include "platform/run_vesk.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;

namespace {

decode::DecodedStream decodedRaw(const ByteList& s) {
    decode::StreamOptions o;
    o.scanRaw = true;
    return decode::decodeAll(decode::Bytes(s.data(), s.size()), o);
}

ByteList rawBytes(const ByteList& stream, const decode::RawSegment& r) {
    return ByteList(stream.begin() + static_cast<std::ptrdiff_t>(r.offset),
                    stream.begin() + static_cast<std::ptrdiff_t>(r.offset + r.size));
}

// Outer record types in stream order, 0 for each raw segment.
std::vector<int> layout(const ByteList& s, const std::vector<decode::RawSegment>& raw) {
    std::vector<int> types;
    size_t at = 0, next = 0;
    while (at < s.size()) {
        if (next < raw.size() && raw[next].offset == at) {
            types.push_back(0);
            at += static_cast<size_t>(raw[next++].size);
            continue;
        }
        if (at + 8 > s.size()) break;
        types.push_back(s[at]);
        at += 8 + (s[at + 4] | s[at + 5] << 8 | s[at + 6] << 16 | static_cast<size_t>(s[at + 7]) << 24);
    }
    return types;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class PassThrough : public EscapeDevice {};

// The job header of a one-page job after the escapes (number, input) given
// once the document has started.
class HeaderEscapes : public EscapeDevice {
protected:
    explicit HeaderEscapes(const winsim::MachineConfig& cfg = winsim::MachineConfig()) : EscapeDevice(cfg) {}
    std::string jobHeaderAfter(const std::vector<std::pair<ULONG, ByteList>>& escapes) {
        makeDevice();
        if (HasFatalFailure()) return "(no device)";
        startDocument(u"Who");
        if (HasFatalFailure()) return "(no document)";
        for (const auto& [number, input] : escapes)
            if (esc(number, input).result != 1) return "(escape " + std::to_string(number) + " failed)";
        if (!DrvStartPage(so()) || !DrvSendPage(so())) return "(the page failed)";
        endDocument();
        const auto s = decodedRaw(spoolBytes(job_));
        if (!s.summary.ok) return "(" + s.summary.error.text() + ")";
        return s.jobHeaders.empty() ? "(no job header)" : s.jobHeaders[0];
    }
};

class JapaneseHeaderEscapes : public HeaderEscapes {
protected:
    JapaneseHeaderEscapes() : HeaderEscapes(japaneseMachine()) {}
};

}  // namespace

TEST_F(PassThrough, BytesGoAsTheyAreBehindTheRecordsQueuedBeforeThem) {
    makeDevice({{kItRdmJobLinker, 1}});
    startDocument(u"Bound");
    // Page 1 carries the job header only.
    ASSERT_TRUE(DrvStartPage(so()));
    EXPECT_EQ(esc(kEscPassThrough, le16(3) + ByteList{1, 2, 3}).result, 3u);
    ASSERT_TRUE(DrvSendPage(so()));
    // On page 2 the page start record is queued: it leaves first.
    ASSERT_TRUE(DrvStartPage(so()));
    ASSERT_GT(pdev()->out.queued, 0u);
    // A count the input does not hold fails and sends nothing.
    EXPECT_EQ(esc(kEscPassThrough, le16(10) + ByteList{1, 2, 3, 4, 5}).result, kFailed);
    EXPECT_EQ(esc(kEscPassThrough, {4}).result, kFailed);
    EXPECT_GT(pdev()->out.queued, 0u);
    EXPECT_EQ(pdev()->flags & kPdevOutputFailed, 0u);
    // The count bounds what is taken from a longer input.
    EXPECT_EQ(esc(kEscPassThrough, le16(4) + ByteList{0x1B, 'E', '-', '\n', 0x77}).result, 4u);
    EXPECT_EQ(pdev()->out.queued, 0u);
    // A count of 0 flushes and writes nothing more.
    EXPECT_EQ(esc(kEscPassThrough, le16(0)).result, 0u);
    ASSERT_TRUE(DrvSendPage(so()));
    endDocument();

    const ByteList stream = spoolBytes(job_);
    const auto s = decodedRaw(stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobName, "Bound");
    ASSERT_EQ(s.raw.size(), 2u);
    EXPECT_EQ(rawBytes(stream, s.raw[0]), (ByteList{1, 2, 3}));
    EXPECT_EQ(rawBytes(stream, s.raw[1]), (ByteList{0x1B, 'E', '-', '\n'}));
    // The first segment follows the job's two header records; the second
    // sits between the page's two drawing blocks.
    EXPECT_EQ(layout(stream, s.raw), (std::vector<int>{0xF3, 0xF3, 0, 0xF4, 0xF0, 0xF5, 0, 0xF5, 0xF1}));
    ASSERT_EQ(s.pages.size(), 1u);
    EXPECT_EQ(s.pages[0].records.size(), 2u);
}

TEST_F(PassThrough, AFailedWriteFailsTheEscapeAndEveryWriteAfterIt) {
    makeDevice({{kItRdmJobLinker, 1}});
    // Before a document there is no job to take the bytes.
    EXPECT_EQ(esc(kEscPassThrough, le16(1) + ByteList{0x1B}).result, kFailed);
    EXPECT_NE(pdev()->flags & kPdevOutputFailed, 0u);
    // A document starts afresh.
    winsim::journalEnable(true);
    startDocument(u"Fails");
    EXPECT_EQ(pdev()->flags & kPdevOutputFailed, 0u);
    ASSERT_TRUE(DrvStartPage(so()));
    EXPECT_EQ(esc(kEscPassThrough, le16(1) + ByteList{0x1B}).result, 1u);
    const size_t writes = winsim::journalCount("DrvSplWritePrinter");
    winsim::config().set("kw12c123.fail_write", std::to_string(writes + 1));
    EXPECT_EQ(esc(kEscPassThrough, le16(2) + ByteList{0x1B, 0x45}).result, kFailed);
    EXPECT_NE(pdev()->flags & kPdevOutputFailed, 0u);
    EXPECT_EQ(winsim::journalCount("DrvSplWritePrinter"), writes + 1);
    // Nothing more is written, not even a flush.
    EXPECT_EQ(esc(kEscPassThrough, le16(0)).result, kFailed);
    EXPECT_EQ(esc(kEscPassThrough, le16(1) + ByteList{0x1B}).result, kFailed);
    EXPECT_EQ(winsim::journalCount("DrvSplWritePrinter"), writes + 1);
    EXPECT_FALSE(DrvSendPage(so()));
    EXPECT_FALSE(DrvEndDoc(so(), 0));
    EndDocPrinter(printer_);
}

TEST_F(HeaderEscapes, IdentityItemsSetByEscapesReachTheJobHeaderMadeSafe) {
    const std::string header = jobHeaderAfter({{114, bytesOf("a\"b\r\n@P")}, {111, bytesOf("12\x1B" "34")}});
    EXPECT_TRUE(has(header, "@PJL SET USERNAME = \"a'b  @P\"\r\n")) << header;
    EXPECT_TRUE(has(header, "@PJL SET USERCODE = \"12 34\"\r\n")) << header;
}

TEST_F(JapaneseHeaderEscapes, AnIdentityTextEndingInALeadByteLosesItInTheHeader) {
    const std::string header = jobHeaderAfter({{114, bytesOf("ab\x82\xA0" "c\x82")}});
    EXPECT_TRUE(has(header, "@PJL SET USERNAME = \"ab\x82\xA0" "c\"\r\n")) << header;
}

TEST(PassThroughCommand, PrintedPassThroughBytesAreListedAsRawSegments) {
    namespace fs = std::filesystem;
    const fs::path machine = fs::temp_directory_path() / ("vesk-passthrough-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(machine, ec);
    ASSERT_EQ(vesktest::vesk(machine, {"machine", "init", machine.string()}).status, 0);
    ASSERT_EQ(vesktest::vesk(machine, {"printer", "add", "VESK MFP C41"}).status, 0);
    const std::string script = std::string(VESK_SOURCE_DIR) + "/tests/gr/scripts/passthrough.vds";
    const fs::path out = machine / "bound.vsk";
    const auto printed = vesktest::vesk(machine, {"print", script, "--out", out.string()});
    ASSERT_EQ(printed.status, 0) << printed.out;
    EXPECT_TRUE(has(printed.out, "2 pages")) << printed.out;

    const auto listed = vesktest::vesk(machine, {"decode", out.string(), "--raw"});
    ASSERT_EQ(listed.status, 0) << listed.out;
    EXPECT_TRUE(has(listed.out, "raw 9 bytes \"\\x1B%-12345X\"")) << listed.out;
    EXPECT_TRUE(has(listed.out, "raw 4 bytes \"\\x1BE-\\x0A\"")) << listed.out;
    EXPECT_TRUE(has(listed.out, "end: 1 page")) << listed.out;
    EXPECT_TRUE(has(listed.out, "2 raw segments")) << listed.out;
    // Without being told to look for them the raw bytes are an error.
    EXPECT_NE(vesktest::vesk(machine, {"decode", out.string()}).status, 0);
    fs::remove_all(machine, ec);
}
