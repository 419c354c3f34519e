// Memory failures anywhere in a page: every builder that cannot have its
// bytes fails cleanly, the page that comes out still decodes, and the
// device's list gives every block back.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/winsim.h>

#include "records/path_record.h"
#include "records/raster_record.h"
#include "records/text_records.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;

namespace {

constexpr DWORD kNoMemory = 8;

// A page of varied records large enough for several chunks and a mid-page
// flush. Returns how many builders failed; *pageEnded tells whether the page
// could be closed.
int drawPage(RecordBuffer* b, const std::vector<std::uint8_t>& pixels, bool* pageEnded) {
    int failed = 0;
    auto ok = [&](const void* rec) {
        if (!rec) ++failed;
    };
    POINTFIX pts[4] = {{0, 0}, {160, 0}, {160, 160}, {0, 160}};
    PATHDATA run{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, 4, pts};
    RasterImage img{};
    img.width = img.srcWidth = 700;
    img.height = img.rows = 500;
    img.format = kRaster24;
    img.firstRow = pixels.data();
    FontDesc f{};
    f.kind = kFontResident;
    f.textMode = kTextCharacters;
    const WCHAR text[3] = {u'a', u'b', u'c'};
    const SHORT adv[1] = {10};
    ok(PageStartRecordWrite(b, 4960, 7016, 600, 600));
    for (int i = 0; i < 3; ++i) {
        ok(RopRecordWrite(b, 0xCC));
        ok(RectRecordWrite(b, RECTL{0, 0, 10, 10}, nullptr, kRectFill));
        ok(PathRecordWrite(b, &run, 1, RECTFX{0, 0, 160, 160}, kPathFillWinding));
        BYTE* r = RasterRecordWrite(b, img, RasterOptions{false, false, false});
        if (!r) r = RasterRecordWriteRows(b, img);
        ok(r);
        ok(DeviceFontRecordWrite(b, f));
        ok(TextRunRecordWrite(b, RECTL{0, 0, 30, 10}, 0, 0, text, adv, 3, 1));
    }
    BYTE* end = PageEndRecordWrite(b);
    *pageEnded = end != nullptr;
    ok(end);
    return failed;
}

}  // namespace

TEST(StreamFailures, EveryFailedAllocationLeavesADecodableStreamAndNoLeak) {
    const std::vector<std::uint8_t> pixels(700 * 3 * 500, 0x5A);
    const size_t base = winsim::liveGlobalBlocks();
    // Count the allocations of one page.
    size_t allocations = 0;
    {
        StreamDevice d;
        winsim::journalEnable(true);
        winsim::journalClear();
        bool ended = false;
        ASSERT_EQ(drawPage(d.buf, pixels, &ended), 0);
        allocations = winsim::journalCount("GlobalAlloc");
        winsim::journalEnable(false);
        ASSERT_EQ(RecBufFlush(d.buf), 1);
        ASSERT_TRUE(decodeJob(cat({outer(0xF4, {}), outer(0xF0, {}), d.out(), outer(0xF1, {})})).summary.ok);
    }
    // A chunk for the first image and one behind the mid-page flush; the
    // third image takes a chunk that flush let go.
    ASSERT_GE(allocations, 2u);
    // A failed image goes again row by row; only a failure behind a part
    // that a mid-page flush already sent breaks the stream, and then nothing
    // more is taken.
    size_t clean = 0, broken = 0;
    for (size_t n = 1; n <= allocations; ++n) {
        {
            StreamDevice d;
            winsim::failCall("GlobalAlloc", n, kNoMemory);
            bool ended = false;
            drawPage(d.buf, pixels, &ended);
            winsim::clearFaults();
            const bool failed = d.flags & kDevOutputFailed;
            if (failed) {
                ++broken;
                EXPECT_FALSE(ended) << "allocation " << n;
            } else {
                ++clean;
                EXPECT_TRUE(ended) << "allocation " << n;
                ASSERT_EQ(RecBufFlush(d.buf), 1);
                auto s = decodeJob(cat({outer(0xF4, {}), outer(0xF0, {}), d.out(), outer(0xF1, {})}));
                EXPECT_TRUE(s.summary.ok) << "allocation " << n << ": " << s.summary.error.text();
            }
        }
        EXPECT_EQ(winsim::liveGlobalBlocks(), base) << "allocation " << n;
    }
    EXPECT_GT(clean, 0u);
}
