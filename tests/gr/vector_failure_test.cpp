// A vector page drawn while allocations and engine bitmaps fail one at a
// time, or while the spooler-side library takes one byte too few of a
// write: every call answers, the stream that leaves still decodes (up to the
// cut of a short write, and nothing follows it), and the device leaves no
// block, bitmap or colour handle behind.
#include <win/icm.h>
#include <winsim/memory.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <numeric>

#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

class VectorFailures : public DriverMachine {
protected:
    struct Printed {
        std::vector<std::uint8_t> bytes;  // the spool file's
        bool pageSent = false, docEnded = false;
    };
    // Draws the page on a new device that holds a colour transform, with
    // `fault` armed while the page is drawn, and with the spooler-side
    // library's write `shortWrite` (from 1, 0 none) of the document taking
    // one byte too few.
    Printed printPage(const std::function<void()>& fault, size_t shortWrite = 0) {
        Printed out;
        EngineDevice d;
        EXPECT_TRUE(d.make(printer_)) << d.error;
        winsim::config().set("kw12c123.short_write", std::to_string(shortWrite));
        const DWORD job = startSpoolJob(u"Failures");
        const bool started = DrvStartDoc(d.so(), nullptr, job) && DrvStartPage(d.so());
        EXPECT_TRUE(started || shortWrite);
        d.pdev()->machineColor = 1;
        d.pdev()->color = 2;
        LOGCOLORSPACEW srgb{};
        srgb.lcsSignature = LCS_SIGNATURE;
        srgb.lcsSize = sizeof srgb;
        srgb.lcsCSType = LCS_sRGB;
        EXPECT_NE(DrvIcmCreateColorTransform(d.session->dhpdev(), &srgb, nullptr, 0, profile_.data(),
                                             static_cast<ULONG>(profile_.size()), nullptr, 0, 0),
                  nullptr);
        {
            const HDEV hdev = d.session->hdev();
            auto solid = gdi::makeSolidBrush(0x336699, d.so(), hdev);
            auto hatch = gdi::makeHatchBrush(HS_DIAGCROSS, 0, 0xFFFFFF, d.so(), hdev);
            PathPtr path(makePath({{{10, 10}, {500, 10}, {500, 500}}, {{600, 600}, {900, 600}, {900, 900}}}, true));
            const gdi::Region two = gdi::Region::fromRects({RECTL{0, 0, 400, 400}, RECTL{500, 500, 900, 900}});
            auto clip = gdi::makeClip(&two, 0);
            TestBitmap big(700, 600, BMF_24BPP), deep(64, 64, BMF_16BPP), src(32, 32, BMF_24BPP),
                mask(32, 32, BMF_1BPP);
            LINEATTRS la{};
            la.elWidth.l = 1;
            const MIX copy = R2_COPYPEN | (R2_COPYPEN << 8);
            RECTL bigAt{0, 0, 700, 600}, deepAt{0, 0, 64, 64}, blitAt{100, 100, 132, 132}, wide{0, 0, 1400, 1200};
            POINTL zero{0, 0};
            fault();
            DrvFillPath(d.so(), &path->po, &clip->co, &hatch->bo, nullptr, copy, FP_WINDINGMODE);
            DrvStrokePath(d.so(), &path->po, nullptr, nullptr, &solid->bo, nullptr, &la, copy);
            DrvCopyBits(d.so(), big.so, nullptr, nullptr, &bigAt, &zero);
            DrvCopyBits(d.so(), deep.so, nullptr, nullptr, &deepAt, &zero);
            DrvBitBlt(d.so(), src.so, mask.so, nullptr, nullptr, &blitAt, &zero, &zero, nullptr, nullptr, 0xAACC);
            DrvStretchBlt(d.so(), big.so, nullptr, nullptr, nullptr, nullptr, nullptr, &wide, nullptr, nullptr,
                          COLORONCOLOR);
            winsim::clearFaults();
        }
        out.pageSent = DrvSendPage(d.so());
        out.docEnded = DrvEndDoc(d.so(), 0);
        winsim::config().set("kw12c123.short_write", "0");
        // The spooler ends its job, so that the next page gets a job of its own.
        EndDocPrinter(printer_);
        out.bytes = spoolBytes(job);
        EXPECT_NE(job, 0u);
        return out;
    }
    std::vector<std::uint8_t> drawPage(const std::function<void()>& fault) { return printPage(fault).bytes; }
    void checkEach(const char* function) {
        // The first page counts the calls; what the process keeps from the
        // first two (cached contexts, the model) is the base.
        drawPage([&] {
            winsim::journalEnable(true);
            winsim::journalClear();
        });
        const size_t calls = winsim::journalCount(function);
        winsim::journalEnable(false);
        drawPage([] {});
        const size_t blocks = winsim::liveGlobalBlocks(), surfaces = gdi::liveSurfaceCount(),
                     colours = winsim::engine::colorHandleCount();
        ASSERT_GE(calls, 2u) << function;
        for (size_t n = 1; n <= calls; ++n) {
            SCOPED_TRACE(std::string(function) + " " + std::to_string(n));
            const auto bytes = drawPage([&] { winsim::failCall(function, n, ERROR_NOT_ENOUGH_MEMORY); });
            const auto s = vesk::decode::decodeAll(vesk::decode::Bytes(bytes.data(), bytes.size()));
            EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
            EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
            EXPECT_EQ(gdi::liveSurfaceCount(), surfaces);
            EXPECT_EQ(winsim::engine::colorHandleCount(), colours);
        }
    }

    std::vector<BYTE> profile_ = [] {
        const std::string icc = readText(std::filesystem::path(VESK_SOURCE_DIR) / "samples/docs/img/printer.icc");
        return std::vector<BYTE>(icc.begin(), icc.end());
    }();
};

}  // namespace

TEST_F(VectorFailures, EveryFailedAllocationLeavesADecodableStreamAndNothingBehind) { checkEach("GlobalAlloc"); }

TEST_F(VectorFailures, EveryBitmapThatCannotBeMadeLeavesADecodableStreamAndNothingBehind) {
    checkEach("EngCreateBitmap");
}

// The spooler-side library takes one byte less than it is given, inside an
// outer record: in the job header, in a block that a mid-page flush sends
// in the middle of the page's large image, in the page's last blocks, in the
// trailer. The driver writes nothing after that write, says so at the page
// or the document's end, and everything before the cut decodes.
TEST_F(VectorFailures, AShortSpoolWriteEndsTheStreamAtItsCutAndLeavesNothingBehind) {
    ASSERT_FALSE(profile_.empty());
    // A clean document: its bytes and the size of each write.
    winsim::journalClear();
    winsim::journalEnable(true);
    const Printed clean = printPage([] {});
    winsim::journalEnable(false);
    std::vector<size_t> sizes;
    for (const auto& e : winsim::journal())
        if (e.function == "DrvSplWritePrinter") sizes.push_back(std::stoul(e.detail));
    winsim::journalClear();
    ASSERT_TRUE(clean.pageSent && clean.docEnded);
    ASSERT_EQ(std::accumulate(sizes.begin(), sizes.end(), size_t{0}), clean.bytes.size());
    ASSERT_GT(sizes.size(), 300u);  // the 1.2 MB image leaves in pieces of at most 4096 bytes
    ASSERT_TRUE(vesk::decode::decodeAll(vesk::decode::Bytes(clean.bytes.data(), clean.bytes.size())).summary.ok);
    // Where each outer record of the clean stream begins.
    std::vector<size_t> outerStarts;
    for (size_t at = 0; at + 8 <= clean.bytes.size();) {
        outerStarts.push_back(at);
        const std::uint8_t* h = clean.bytes.data() + at + 4;
        at += 8 + (h[0] | h[1] << 8 | h[2] << 16 | static_cast<size_t>(h[3]) << 24);
    }
    // The job header carries the time: bytes are compared from the first
    // record behind it.
    size_t headerEnd = 0;
    for (size_t at : outerStarts)
        if (clean.bytes[at] != 0xF3) {
            headerEnd = at;
            break;
        }
    ASSERT_GT(headerEnd, 0u);
    auto sameBytes = [&](const std::vector<std::uint8_t>& b) {
        const size_t from = std::min(headerEnd, b.size());
        return b.size() <= clean.bytes.size() && std::equal(b.begin() + from, b.end(), clean.bytes.begin() + from);
    };
    // What the process keeps from the first two (cached contexts, the model)
    // is the base.
    const Printed again = printPage([] {});
    ASSERT_EQ(again.bytes.size(), clean.bytes.size());
    ASSERT_TRUE(sameBytes(again.bytes));
    const size_t blocks = winsim::liveGlobalBlocks(), surfaces = gdi::liveSurfaceCount(),
                 colours = winsim::engine::colorHandleCount();
    // Every write that is not a whole piece (headers, the ends of blocks) and
    // every 40th of the pieces.
    size_t offset = 0, tried = 0;
    for (size_t n = 1; n <= sizes.size(); offset += sizes[n - 1], ++n) {
        if (sizes[n - 1] == 4096 && n % 40) continue;
        ++tried;
        SCOPED_TRACE("write " + std::to_string(n) + " of " + std::to_string(sizes[n - 1]) + " bytes at " +
                     std::to_string(offset));
        const Printed p = printPage([] {}, n);
        const size_t cut = offset + sizes[n - 1] - 1;
        EXPECT_FALSE(p.pageSent && p.docEnded);
        ASSERT_EQ(p.bytes.size(), cut);
        EXPECT_TRUE(sameBytes(p.bytes));
        const auto s = vesk::decode::decodeAll(vesk::decode::Bytes(p.bytes.data(), p.bytes.size()));
        EXPECT_FALSE(s.summary.ok);
        const size_t cutRecord = *std::prev(std::upper_bound(outerStarts.begin(), outerStarts.end(), cut));
        EXPECT_GE(s.summary.error.offset, cutRecord) << s.summary.error.text();
        EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
        EXPECT_EQ(gdi::liveSurfaceCount(), surfaces);
        EXPECT_EQ(winsim::engine::colorHandleCount(), colours);
    }
    EXPECT_GT(tried, 10u);
}
