// A vector page drawn while allocations and engine bitmaps fail one at a
// time: every call answers, the stream that leaves still decodes, and the
// device leaves no block and no bitmap behind.
#include <winsim/memory.h>
#include <winsim/winsim.h>

#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

class VectorFailures : public DriverMachine {
protected:
    // Draws the page on a new device, with `fault` armed while the page is
    // drawn; the spool file's bytes.
    std::vector<std::uint8_t> drawPage(const std::function<void()>& fault) {
        EngineDevice d;
        EXPECT_TRUE(d.make(printer_)) << d.error;
        const DWORD job = startSpoolJob(u"Failures");
        EXPECT_TRUE(DrvStartDoc(d.so(), nullptr, job));
        EXPECT_TRUE(DrvStartPage(d.so()));
        d.pdev()->machineColor = 1;
        d.pdev()->color = 2;
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
        DrvSendPage(d.so());
        DrvEndDoc(d.so(), 0);
        return spoolBytes(job);
    }
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
        const size_t blocks = winsim::liveGlobalBlocks(), surfaces = gdi::liveSurfaceCount();
        ASSERT_GE(calls, 2u) << function;
        for (size_t n = 1; n <= calls; ++n) {
            SCOPED_TRACE(std::string(function) + " " + std::to_string(n));
            const auto bytes = drawPage([&] { winsim::failCall(function, n, ERROR_NOT_ENOUGH_MEMORY); });
            const auto s = vesk::decode::decodeAll(vesk::decode::Bytes(bytes.data(), bytes.size()));
            EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
            EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
            EXPECT_EQ(gdi::liveSurfaceCount(), surfaces);
        }
    }
};

}  // namespace

TEST_F(VectorFailures, EveryFailedAllocationLeavesADecodableStreamAndNothingBehind) { checkEach("GlobalAlloc"); }

TEST_F(VectorFailures, EveryBitmapThatCannotBeMadeLeavesADecodableStreamAndNothingBehind) {
    checkEach("EngCreateBitmap");
}
