// Outer records, pages, raw segments and the JOBNAME record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "bytes_builder.h"

using namespace dtest;
using namespace vesk::decode;

namespace {

const char* kHeader = "\x1b%-12345X@PJL JOB\r\n@PJL SET DATE = \"2024/05/06\" \r\n@PJL SET QTY = 2 \r\n";

Buf drawingPage(std::uint8_t rop) { return B().add(pageStart()).u8s({0x31, rop, 0, 0}).add(pageEnd()); }

// Job header, JOBNAME, three pages; the second page's records are spread over
// three blocks, one of them empty.
Buf threePageJob() {
    B s;
    s.add(outer(0xF3, text(kHeader)));
    s.add(outer(0xF3, text("@PJL SET JOBNAME = \"Report 7\"\r\n")));
    s.add(page({drawingPage(0xCC)}, "@PJL SET PAGE = 1 \r\n", "@PJL EOP \r\n"));
    const Buf d2 = drawingPage(0x66);
    s.add(page({Buf(d2.begin(), d2.begin() + 16), {}, Buf(d2.begin() + 16, d2.end())}));
    s.add(page({drawingPage(0x88)}));
    return s;
}

// Offsets at which a prefix of the job is itself a complete job.
std::vector<std::size_t> completeCuts(const Buf& job) {
    std::vector<std::size_t> cuts{0};
    std::size_t p = 0;
    while (p + 8 <= job.size()) {
        const std::size_t end = p + 8 + le32(job.data() + p + 4);
        if (job[p] == 0xF1 || (job[p] == 0xF3)) cuts.push_back(end);
        p = end;
    }
    return cuts;
}

}  // namespace

TEST(Stream, PagesHeadersAndTheJobName) {
    const Buf job = threePageJob();
    const DecodedStream d = decode(job);
    ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
    ASSERT_EQ(d.jobHeaders.size(), 1u);
    EXPECT_EQ(d.jobHeaders[0], kHeader);
    EXPECT_EQ(d.jobName, "Report 7");
    ASSERT_EQ(d.pages.size(), 3u);
    EXPECT_EQ(d.pages[0].trailer, "@PJL EOP \r\n");
    // The rows of page 2 are joined across its blocks, the empty one included.
    EXPECT_EQ(d.pages[1].drawing.blockCount(), 3u);
    ASSERT_EQ(d.pages[1].records.size(), 3u);
    EXPECT_EQ(std::get<RopRecord>(d.pages[1].records[1].body).rop, 0x66);
    EXPECT_EQ(d.summary.records, 9u);
}

TEST(Stream, EveryCutIsRefusedExceptBetweenPages) {
    const Buf job = threePageJob();
    const auto cuts = completeCuts(job);
    for (std::size_t n = 0; n < job.size(); ++n) {
        const Buf prefix(job.begin(), job.begin() + static_cast<std::ptrdiff_t>(n));
        const DecodedStream d = decode(prefix);
        const bool complete = std::find(cuts.begin(), cuts.end(), n) != cuts.end();
        EXPECT_EQ(d.summary.ok, complete) << "cut at " << n << ": " << d.summary.error.text();
        if (!d.summary.ok) {
            EXPECT_LE(d.summary.error.offset, n);
        }
    }
}

TEST(Stream, OuterFaultsAreReportedWithTheirOffset) {
    const Buf job = threePageJob();
    const std::size_t page2 = 8 + std::strlen(kHeader) + 8 + 31;  // F3 header and JOBNAME
    ASSERT_EQ(job[page2], 0xF4);
    struct Case {
        const char* what;
        std::size_t at;
        std::uint8_t value;
        std::size_t expectAt;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"unknown type", 0, 0xF2, 0, "unknown outer record type"},
        {"reserved byte", 2, 0x01, 2, "reserved byte 2"},
        {"length past the end", 7, 0x10, 4, "only"},
        {"page header not followed by F0", page2 + 8 + 20, 0xF5, page2 + 8 + 20, "not followed by its 0xF0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Buf bad = job;
        bad[c.at] = c.value;
        const DecodedStream d = decode(bad);
        ASSERT_FALSE(d.summary.ok);
        EXPECT_EQ(d.summary.error.offset, c.expectAt) << d.summary.error.text();
        EXPECT_NE(d.summary.error.reason.find(c.reason), std::string::npos) << d.summary.error.text();
    }
}

TEST(Stream, StructureRules) {
    const Buf hdr = outer(0xF3, {});
    const Buf okPage = page({drawingPage(0xCC)});
    struct Case {
        const char* what;
        Buf stream;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"page before the job header", okPage, "before any job header"},
        {"drawing outside a page", B().add(hdr).add(outer(0xF5, drawingPage(0xCC))), "outside a page"},
        {"trailer outside a page", B().add(hdr).add(outer(0xF1, {})), "outside a page"},
        {"F0 with data", B().add(hdr).add(outer(0xF4, {})).add(outer(0xF0, {1, 2})), "not 0"},
        {"stray F0", B().add(hdr).add(outer(0xF0, {})), "not directly after a page header"},
        {"page inside a page", B().add(hdr).add(outer(0xF4, {})).add(outer(0xF0, {})).add(okPage), "inside page 1"},
        {"job header inside a page", B().add(hdr).add(outer(0xF4, {})).add(outer(0xF0, {})).add(hdr), "inside page 1"},
        {"stream ends in a page", B().add(hdr).add(outer(0xF4, {})).add(outer(0xF0, {})).add(outer(0xF5, drawingPage(1))), "ends inside page 1"},
        {"JOBNAME after a page", B().add(hdr).add(okPage).add(outer(0xF3, text("@PJL SET JOBNAME = \"a\"\r\n"))), "JOBNAME record"},
        {"JOBNAME with a quote", B().add(hdr).add(outer(0xF3, text("@PJL SET JOBNAME = \"a\"b\"\r\n"))), "quote"},
        {"JOBNAME with ESC", B().add(hdr).add(outer(0xF3, text("@PJL SET JOBNAME = \"a\x1b" "b\"\r\n"))), "control"},
        {"JOBNAME without CR LF", B().add(hdr).add(outer(0xF3, text("@PJL SET JOBNAME = \"ab\" \r\n"))), "JOBNAME record is not"},
        {"record split between blocks", B().add(hdr).add(page({B().add(pageStart()).u8s({0x36, 2, 0, 0}), B().u32(2560).add(pageEnd())})), "split"},
        {"block not a multiple of 4", B().add(hdr).add(page({B().add(pageStart()).u8s({0x36, 2}), B().u8s({0, 0}).u32(2560).add(pageEnd())})), "not a multiple of 4"},
        {"a page's header text", B().add(hdr).add(page({drawingPage(0xCC)}, "@PJL SET X = \"open\r\n")), "unbalanced quote"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const DecodedStream d = decode(c.stream);
        ASSERT_FALSE(d.summary.ok);
        EXPECT_NE(d.summary.error.reason.find(c.reason), std::string::npos) << d.summary.error.text();
    }
}

TEST(Stream, RasterRowsMayGoOnInTheNextBlock) {
    // A 24-bit raster of 2 x 3 pixels (8-byte rows): the header in one
    // block, the rows spread over the next two, as after a flush.
    const Buf header = B().u8s({0x20, 0, 0x24, 0}).u32(80).rect(0, 0, 2, 3).i32(0).i32(0).u32(2).u32(3)
                             .i32(0).i32(0).i32(2).i32(3);
    const Buf rows(24, 0x7F);
    const Buf job = B().add(outer(0xF3, {})).add(page({B().add(pageStart()).add(header),
                                                          Buf(rows.begin(), rows.begin() + 8),
                                                          B().add(Buf(rows.begin() + 8, rows.end())).add(pageEnd())}));
    const DecodedStream d = decode(job);
    ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
    const auto& ras = std::get<RasterRecord>(d.pages[0].records[1].body);
    EXPECT_EQ(ras.pixels.size, 24u);
    // Its header may not be split.
    const Buf split = B().add(outer(0xF3, {})).add(page({B().add(pageStart()).add(Buf(header.begin(), header.begin() + 40)),
                                                            B().add(Buf(header.begin() + 40, header.end())).add(rows).add(pageEnd())}));
    EXPECT_FALSE(decode(split).summary.ok);
}

TEST(Stream, ErrorsInsideAPageComeBeforeALaterOuterFault) {
    // A page still open when a broken outer header follows: its bad record,
    // being earlier, is the one reported.
    const Buf job = B().add(outer(0xF3, {})).add(outer(0xF4, {})).add(outer(0xF0, {}))
                          .add(outer(0xF5, B().add(pageStart()).u8s({0x32, 9, 0, 0}).add(pageEnd())))
                          .u8s({0xF7, 0, 0, 0, 0, 0, 0, 0});
    const DecodedStream d = decode(job);
    ASSERT_FALSE(d.summary.ok);
    EXPECT_EQ(d.summary.error.offset, 8u + 16 + 8 + 16 + 1) << d.summary.error.text();
    // Without the bad record, the outer fault is reported.
    const Buf job2 = B().add(outer(0xF3, {})).add(outer(0xF4, {})).add(outer(0xF0, {}))
                           .add(outer(0xF5, B().add(pageStart()).add(pageEnd())))
                           .u8s({0xF7, 0, 0, 0, 0, 0, 0, 0});
    const DecodedStream d2 = decode(job2);
    ASSERT_FALSE(d2.summary.ok);
    EXPECT_EQ(d2.summary.error.offset, job2.size() - 8);
    EXPECT_EQ(d2.pages.at(0).records.size(), 2u);
}

TEST(Stream, RawSegmentsKnownOrFound) {
    const Buf passthrough = text("@PJL ECHO hello\r\n");
    const Buf hdr = outer(0xF3, text("@PJL\r\n"));
    const Buf job = B().add(hdr).add(passthrough).add(page({drawingPage(0xCC)}));
    // Unframed bytes are refused unless the decoder is told or asked.
    EXPECT_FALSE(decode(job).summary.ok);
    StreamOptions known;
    known.rawSegments = {{hdr.size(), passthrough.size()}};
    DecodedStream d = decode(job, known);
    ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0].size, passthrough.size());
    StreamOptions scan;
    scan.scanRaw = true;
    d = decode(job, scan);
    ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
    ASSERT_EQ(d.raw.size(), 1u);
    EXPECT_EQ(d.raw[0].offset, hdr.size());
    EXPECT_EQ(d.raw[0].size, passthrough.size());
    EXPECT_EQ(d.pages.size(), 1u);
    // A known segment may not overlap a record, nor run past the end.
    StreamOptions overlap;
    overlap.rawSegments = {{hdr.size() - 4, passthrough.size()}};
    EXPECT_FALSE(decode(job, overlap).summary.ok);
    StreamOptions past;
    past.rawSegments = {{hdr.size(), job.size()}};
    EXPECT_FALSE(decode(job, past).summary.ok);
    // Scanning does not hide a cut stream: a known header whose length runs
    // past the end is still an error.
    Buf cut = job;
    cut.resize(cut.size() - 1);
    EXPECT_FALSE(decode(cut, scan).summary.ok);
}

TEST(Stream, JobHeaderAgainAfterAReset) {
    const Buf hdr = outer(0xF3, text("@PJL JOB\r\n"));
    const Buf job = B().add(hdr).add(page({drawingPage(1)})).add(hdr).add(page({drawingPage(2)}));
    const DecodedStream d = decode(job);
    ASSERT_TRUE(d.summary.ok) << d.summary.error.text();
    EXPECT_EQ(d.jobHeaders.size(), 2u);
    EXPECT_EQ(d.pages.size(), 2u);
}

TEST(Stream, EmptyInputIsAnEmptyJob) {
    const DecodedStream d = decode({});
    EXPECT_TRUE(d.summary.ok);
    EXPECT_EQ(d.summary.pages, 0u);
}
