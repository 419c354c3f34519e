// DrvDeviceCapabilities: constants without the printer, the unanswered
// indices, the context rows and the capability cache, printer data, the
// printer's default DEVMODE and the media-ready list.
#include "ui/ui_support.h"

#include "core/devmode/dm_layout.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/printer_info.h"

namespace vesk::test {
namespace {

using Caps = UiPrinter;

LONG ask(HANDLE h, WORD dc, void* out = nullptr, const DEVMODEW* dm = nullptr) {
    return DrvDeviceCapabilities(h, nullptr, dc, out, const_cast<PDEVMODEW>(dm));
}

TEST_F(Caps, ConstantsNeedNoPrinter) {
    winsim::journalClear();
    EXPECT_EQ(ask(nullptr, DC_VERSION), 0x401);
    EXPECT_EQ(ask(nullptr, DC_DRIVER), 0x400);
    EXPECT_EQ(ask(nullptr, DC_SIZE), 220);
    EXPECT_EQ(ask(nullptr, DC_EXTRA), 1040);
    EXPECT_EQ(ask(nullptr, DC_ORIENTATION), 90);
    EXPECT_EQ(ask(nullptr, DC_COPIES), 999);
    EXPECT_EQ(ask(nullptr, DC_FILEDEPENDENCIES), 0);
    EXPECT_EQ(ask(nullptr, DC_PRINTRATEUNIT), PRINTRATEUNIT_PPM);
    int32_t nup[6] = {0, 0, 0, 0, 0, -7};
    EXPECT_EQ(ask(nullptr, DC_NUP, nup), 5);
    EXPECT_EQ(std::vector<int32_t>(nup, nup + 6), (std::vector<int32_t>{1, 2, 4, 9, 16, -7}));
    WCHAR personality[34];
    std::fill(std::begin(personality), std::end(personality), u'x');
    EXPECT_EQ(ask(nullptr, DC_PERSONALITY, personality), 1);
    EXPECT_EQ(std::u16string(personality), u"VESK");
    EXPECT_EQ(personality[31], 0);
    EXPECT_EQ(personality[32], u'x') << "one 32-character entry";
    EXPECT_EQ(calls("OpenPrinterW") + calls("GetPrinterW"), 0u);
    for (WORD dc : {0, 23, 24, 28, 34, 1000}) EXPECT_EQ(ask(printer_, dc), -1) << dc;
}

TEST_F(Caps, ListsComeFromACapabilityContextKeptInItsCache) {
    winsim::setVirtualClock(kClockStart, 1000);
    const LONG n = ask(printer_, DC_PAPERS);
    ASSERT_GT(n, 0);
    std::vector<uint16_t> papers(static_cast<size_t>(n) + 1, 0xEEEE);
    EXPECT_EQ(ask(printer_, DC_PAPERS, papers.data()), n);
    EXPECT_EQ(papers.back(), 0xEEEE);
    EXPECT_NE(std::find(papers.begin(), papers.end(), 9), papers.end()) << "A4";
    EXPECT_EQ(CtxCacheOccupied(1), 1) << "released with kind 4";
    PRINTER_INFO_2W* info = PrnGetInfo2(printer_);
    DrvContext* first = CtxCacheLookup(printer_, 0, kCreateDeviceCaps, 0, info);
    ASSERT_NE(first, nullptr);
    CtxReleaseEx(first, kReleaseCache1);
    winsim::advanceClock(400);
    std::vector<WCHAR> names(static_cast<size_t>(n) * 64, 0);
    EXPECT_EQ(ask(printer_, DC_PAPERNAMES, names.data()), n);
    DrvContext* again = CtxCacheLookup(printer_, 0, kCreateDeviceCaps, 0, info);
    EXPECT_EQ(again, first) << "a request within 500 ms takes the cached context";
    CtxReleaseEx(again, kReleaseCache1);
    PrnFreeInfo2(info);
    winsim::advanceClock(600);
    CtxCacheFlush(0);
    EXPECT_EQ(CtxCacheOccupied(1), 0);
}

TEST_F(Caps, TrueTypeNeedsNoMergeableDevmode) {
    GuardedBuffer bad(kUiDm, 0);
    bad.put16(dm::kOffSize, 10);
    const auto* dm = bad.dm();
    EXPECT_EQ(ask(printer_, DC_PAPERS, nullptr, dm), -1);
    const LONG tt = ask(printer_, DC_TRUETYPE, nullptr, dm);
    EXPECT_TRUE(tt == DCTT_BITMAP || tt == (DCTT_BITMAP | DCTT_SUBDEV)) << tt;
    EXPECT_EQ(ask(printer_, DC_DATATYPE_PRODUCED, nullptr, dm), -1);
    EXPECT_EQ(ask(printer_, DC_BINADJUST), -1);
    EXPECT_GT(ask(printer_, DC_FIELDS), 0);
}

TEST_F(Caps, DuplexComesFromPrinterData) {
    EXPECT_EQ(ask(printer_, DC_DUPLEX), -1);
    ASSERT_EQ(winsim::setPrinterData(name_, u"Duplex", REG_DWORD, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ask(printer_, DC_DUPLEX), 1);
    ASSERT_EQ(winsim::setPrinterData(name_, u"Duplex", REG_DWORD, {0, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ask(printer_, DC_DUPLEX), 0);
}

TEST_F(Caps, ColourIsReadOnlyFromAWholeDevmodeOfThisDriver) {
    EXPECT_EQ(ask(printer_, DC_COLORDEVICE), -1) << "no default DEVMODE";
    GuardedBuffer d = driverDevmode();
    std::vector<uint8_t> dm = d.content();
    dm[dm::kOffMachineColor] = 1;
    ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ask(printer_, DC_COLORDEVICE), 1);
    // The public part alone: too short to hold the colour byte.
    std::vector<uint8_t> pub(dm.begin(), dm.begin() + 220);
    pub[dm::kOffDriverExtra] = pub[dm::kOffDriverExtra + 1] = 0;
    ASSERT_EQ(winsim::setPrinterDevmode(name_, pub), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ask(printer_, DC_COLORDEVICE), 0);
    // Another driver's private part of the same size.
    dm[dm::kOffSignature] = 'X';
    ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(ask(printer_, DC_COLORDEVICE), 0);
    EXPECT_EQ(ColorDeviceAnswer(nullptr, 0), 0);
}

TEST_F(Caps, MediaReadyListsEachLoadedPaperOnce) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    for (int t = 0; t < kTrayCount; ++t) ItemSetRawById(c, kItRdmTrayField0 + t, 0);
    EXPECT_EQ(CapsMediaReady(c, nullptr), 0);
    const struct {
        int tray;
        uint32_t paper;
    } loaded[] = {{0, 9}, {1, 9}, {2, 11}, {4, 0}};
    for (const auto& l : loaded) {
        ItemSetRawById(c, kItRdmTrayField0 + l.tray, 1);
        ItemSetRawById(c, kItRdmTray1Paper + l.tray, l.paper);
    }
    ItemSetRawById(c, kItRdmTray1Paper + 3, 8);  // loaded but not installed
    EXPECT_EQ(CapsMediaReady(c, nullptr), 2);
    std::vector<WCHAR> out(3 * kMediaReadyChars, u'x');
    EXPECT_EQ(CapsMediaReady(c, out.data()), 2);
    EXPECT_EQ(out[kMediaReadyChars - 1], 0);
    EXPECT_EQ(out[2 * kMediaReadyChars - 1], 0);
    EXPECT_EQ(out[2 * kMediaReadyChars], u'x') << "two entries only";
}

TEST_F(Caps, StapleAndCollateFollowTheInstalledOptions) {
    // The sample device has neither finisher nor sorter fitted.
    EXPECT_EQ(ask(printer_, DC_STAPLE), 0);
    EXPECT_EQ(ask(printer_, DC_COLLATE), 0);
    EXPECT_EQ(ask(printer_, DC_PRINTRATEPPM), 30) << "the sample model's data file";
    EXPECT_EQ(ask(printer_, DC_PRINTRATE), 30);
    EXPECT_GE(ask(printer_, DC_BINS), 1);
    EXPECT_EQ(ask(printer_, DC_BINNAMES), ask(printer_, DC_BINS));
    EXPECT_EQ(ask(printer_, DC_PAPERSIZE), ask(printer_, DC_PAPERS));
    EXPECT_GE(ask(printer_, DC_ENUMRESOLUTIONS), 1);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

}  // namespace
}  // namespace vesk::test
