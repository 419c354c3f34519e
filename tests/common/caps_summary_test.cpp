// The capability summary record (DEVMODE offset 317) and the request block
// (offset 285) of the sample printer: the bits built from the allowed values,
// and requests applied to a caller's DEVMODE, alone and through the merge.
#include <gtest/gtest.h>
#include <winsim/winsim.h>

#include <cstring>
#include <vector>

#include "common/devmode_support.h"
#include "common/sample_printer_support.h"
#include "core/caps/summary.h"
#include "core/context_cache.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/validation/option_checks.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kMemberAt = 285, kCapsAt = 317;
constexpr uint32_t kDocMerge = 0x2000000 | 8;

class Summary : public SamplePrinter {
protected:
    void TearDown() override {
        winsim::clearFaults();
        SamplePrinter::TearDown();
    }
    static std::vector<BYTE> caps(DrvContext* c) { return copyOf(c->devmode + kCapsAt, 32); }
    static void device(DrvContext* c, int id, uint32_t v) {
        ItemSetRawById(c, id, v);
        ASSERT_EQ(DmCopyExtBlock(c), 1);
    }
    // The context's DEVMODE as a caller's, with a valid request block of
    // mode `mode` and the given bytes.
    static std::vector<BYTE> request(DrvContext* c, uint8_t mode, std::initializer_list<std::pair<int, int>> bytes) {
        std::vector<BYTE> dm = copyOf(c->devmode, 1260);
        std::memset(dm.data() + kMemberAt, 0, 32);
        dm[kMemberAt + kReqMode] = mode;
        dm[kMemberAt + kReqValid] = 1;
        for (auto [at, v] : bytes) dm[kMemberAt + static_cast<uint32_t>(at)] = static_cast<BYTE>(v);
        return dm;
    }
    static uint32_t raw(DrvContext* c, std::vector<BYTE>& dm, int id) {
        return ItemReadRawIn(dm.data(), ItemFindById(c, id));
    }
};

TEST_F(Summary, BitsFollowWhatIsAllowedNow) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    std::memset(c->devmode + kMemberAt, 0xAA, 32);
    ASSERT_EQ(CapsBuildSummary(c), 1);
    std::vector<BYTE> s = caps(c);
    EXPECT_EQ(s[1], 7) << "the sample's duplex unit is fitted";
    EXPECT_EQ(s[3], 3);
    EXPECT_EQ(s[11], 1);
    EXPECT_EQ(s[12], 63);
    EXPECT_EQ(s[17], 1);
    for (int i : {0, 9, 16, 18, 19, 20, 25, 31}) EXPECT_EQ(s[static_cast<size_t>(i)], 0) << "byte " << i;
    EXPECT_EQ(s[2], 0) << "no sorter: no collate value";
    EXPECT_EQ(s[5], 0);
    EXPECT_EQ(s[7], 0x02) << "the upper tray, and the bit that is always set";
    EXPECT_EQ(s[8], 0);
    EXPECT_EQ(s[10], 0x02 | 0x04) << "600 and 1200 dpi";
    EXPECT_EQ(s[13], 0xFF) << "A3, A4, A5, A6, B4, B5, B6, Letter";
    EXPECT_EQ(copyOf(c->devmode + kMemberAt, 32), std::vector<BYTE>(32, 0));

    // With the sorter, collate values 1 and 6; with the finisher its trays,
    // which only the capability-code table names (38 blank, 37 other).
    device(c, kItRdmOutputOptionTypeFin3000, 1);
    ItemSetRawById(c, 499, 1);
    ASSERT_EQ(CapsBuildSummary(c), 1);
    s = caps(c);
    EXPECT_EQ(s[2], 0x05);
    EXPECT_EQ(s[7], 0x02);
    EXPECT_EQ(s[8], 0x20 | 0x40);
    device(c, kItRdmSourceOptionTypeDuplex, 0);
    ASSERT_EQ(CapsBuildSummary(c), 1);
    EXPECT_EQ(caps(c)[1], 0);
}

TEST_F(Summary, AWorkListThatCannotBeHadLeavesBothItems) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    std::memset(c->devmode + kMemberAt, 0x5A, 64);
    const std::vector<BYTE> before = copyOf(c->devmode + kMemberAt, 64);
    int failures = 0;
    for (size_t nth = 1; nth < 40; ++nth) {
        winsim::failCall("GlobalAlloc", nth, 8);
        const int r = CapsBuildSummary(c);
        winsim::clearFaults();
        if (r == 1) break;
        ++failures;
        EXPECT_EQ(r, 0);
        EXPECT_EQ(copyOf(c->devmode + kMemberAt, 64), before) << "allocation " << nth;
    }
    EXPECT_GT(failures, 0);
    EXPECT_NE(copyOf(c->devmode + kMemberAt, 64), before);
}

TEST_F(Summary, AnInvalidBlockChangesNothing) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    std::vector<BYTE> dm = request(c, 0, {{kReqValid, 0}, {kReqStaple, 6}});
    const std::vector<BYTE> was = dm;
    EXPECT_EQ(CapsApplySummary(c, dm.data()), 1);
    EXPECT_EQ(dm, was);
    EXPECT_EQ(c->ws->flags & kWsClampNumeric, 0u);
}

TEST_F(Summary, FieldsGoIntoTheCallersDevmodeOnly) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    device(c, kItRdmOutputOptionTypeFin3000, 1);
    const std::vector<BYTE> ctxBefore = copyOf(c->devmode, dmSizes().stateSize);
    // Staple code 6 asks for type 50 like code 4; scale 16385 is 67 %.
    std::vector<BYTE> dm = request(c, 0, {{kReqStaple, 6}, {kReqScale, 0x01}, {kReqScale + 1, 0x40}, {kReqNup, 2},
                                          {kReqResolution, 3}, {kReqOutPaper, 18}, {kReqTray, 14}});
    ASSERT_EQ(CapsApplySummary(c, dm.data()), 1);
    EXPECT_EQ(copyOf(c->devmode, dmSizes().stateSize), ctxBefore);
    EXPECT_NE(c->ws->flags & kWsClampNumeric, 0u);
    EXPECT_EQ(raw(c, dm, kItRdmStapleType), 50u);
    EXPECT_EQ(raw(c, dm, kItRdmFuncSelectStaple), 1u);
    EXPECT_EQ(raw(c, dm, kItRdmScaleH), 67u);
    EXPECT_EQ(raw(c, dm, kItRdmFuncSelectScale), 1u);
    EXPECT_EQ(raw(c, dm, kItRdmScaleType), 1u);
    EXPECT_EQ(raw(c, dm, kItRdmNUPType), 1u) << "2-up in portrait";
    EXPECT_EQ(raw(c, dm, kItRdmNUPPOSTKind), 1u);
    EXPECT_EQ(raw(c, dm, kItRdmDstResolutionW), 1200u);
    EXPECT_EQ(s16(dm.data(), 90), 1200) << "dmPrintQuality follows the resolution";
    EXPECT_EQ(raw(c, dm, kItRdmOutPaperSize), 269u);
    EXPECT_EQ(raw(c, dm, kItRdmOutputTrayID), 37u) << "the finisher's second code";

    // Scale 150 stays 150; 2-up in landscape; tray 15 the first code.
    dm = request(c, 0, {{kReqScale, 150}, {kReqNup, 2}, {kReqTray, 15}});
    ItemWriteRawIn(dm.data(), ItemFindById(c, kItDmOrientation), 2);
    ASSERT_EQ(CapsApplySummary(c, dm.data()), 1);
    EXPECT_EQ(raw(c, dm, kItRdmScaleH), 150u);
    EXPECT_EQ(raw(c, dm, kItRdmNUPType), 3u);
    EXPECT_EQ(raw(c, dm, kItRdmOutputTrayID), 38u);
    // Without a finisher the end row's -1 names no tray.
    device(c, kItRdmOutputOptionTypeFin3000, 0);
    dm = request(c, 0, {{kReqTray, 14}});
    ASSERT_EQ(CapsApplySummary(c, dm.data()), 1);
    EXPECT_EQ(raw(c, dm, kItRdmOutputTrayID), 0xFFu);
}

TEST_F(Summary, ModesTwoThreeAndFourWithTheDeviceQueryFailing) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    ItemSetRawById(c, kItDmCopies, 5);
    // Mode 2: the defaults, handed back.
    std::vector<BYTE> dm = request(c, kReqModeDefaults, {});
    ASSERT_EQ(CapsApplySummary(c, dm.data()), 1);
    EXPECT_EQ(s16(dm.data(), 86), 1);
    EXPECT_EQ(ItemRawById(c, kItDmCopies), 1u);
    // Mode 3: the device query fails; nothing is handed back.
    ItemSetRawById(c, kItDmCopies, 5);
    dm = request(c, kReqModeQuery, {});
    const std::vector<BYTE> was = dm;
    EXPECT_EQ(CapsApplySummary(c, dm.data()), 0);
    EXPECT_EQ(dm, was);
    // Mode 4: defaults and the device class are handed back before the query
    // fails.
    dm = request(c, kReqModeDevice, {});
    EXPECT_EQ(CapsApplySummary(c, dm.data()), 0);
    EXPECT_EQ(s16(dm.data(), 86), 1);
}

TEST_F(Summary, TheMergeAppliesTheRequestOfACallersOwnDevmode) {
    DrvContext* c = open();
    ASSERT_TRUE(c && c->model);
    std::vector<BYTE> dm = request(c, 0, {{kReqCollate, 2}, {kReqResolution, 3}});
    ASSERT_EQ(DmMergeDevmode(c, dm.data(), dm.size(), kDocMerge), 1);
    EXPECT_NE(c->ws->mergeFlags & kMergeCapSummary, 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmDstResolutionW), 1200u);
    EXPECT_EQ(ItemRawById(c, kItRdmSortType), 1u);

    // A caller's private part the merge refuses carries no request.
    DrvContext* d = open();
    ASSERT_TRUE(d);
    dm = request(d, 0, {{kReqResolution, 3}});
    dm[372] ^= 0xFF;  // the machine id
    ASSERT_EQ(DmMergeDevmode(d, dm.data(), dm.size(), kDocMerge), 1);
    EXPECT_EQ(d->ws->mergeFlags & kMergeCapSummary, 0u);
    EXPECT_EQ(ItemRawById(d, kItRdmDstResolutionW), 600u);
}

}  // namespace
