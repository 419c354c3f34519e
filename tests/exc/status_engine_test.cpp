// The status engine on the sample printer: row lookup, record versions, the
// roll-back of a refused Set (sections 1 and 3 as before, bitmap zero, no
// outside write), the changed-items bitmap and the version stamps of a Get.
#include <winsim/winsim.h>

#include "exc/status_support.h"
#include "status/status_tables.h"

namespace vesk::test {
namespace {

using StatusEngine = StatusHandle;

constexpr int kItPaperSize = 8, kItSource = 13, kItCopies = 12, kItNupType = 95, kItNupSwitch = 59,
              kItDuplexType = 102, kItDuplexSwitch = 61, kItDuplexUnit = 10014;

TEST_F(StatusEngine, UnknownIdsNullRecordsAndNullHandlesAreRefused) {
    const size_t printers = winsim::openPrinterHandles();
    std::vector<BYTE> r = rec(2);
    std::vector<BYTE> bitmap(32, 0xEE);
    for (uint32_t id : {0u, 36u, 0xFFFFFFFFu}) {
        EXPECT_EQ(VESKDrvSetStatus(h_, id, r.data(), bitmap.data(), 0), -1) << id;
        EXPECT_EQ(VESKDrvGetStatus(h_, id, r.data(), 3), -1) << id;
        EXPECT_EQ(VESKDrvGetStatus(h_, id, nullptr, 0), -1) << id;
    }
    EXPECT_EQ(bitmap, std::vector<BYTE>(32, 0xEE)) << "a call refused at once leaves the bitmap";
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(VESKDrvSetStatus(h_, 9, nullptr, bitmap.data(), 0), -1);
    EXPECT_EQ(bitmap, std::vector<BYTE>(32, 0xEE));
    EXPECT_EQ(sections(), before);
    EXPECT_EQ(VESKDrvSetStatus(nullptr, 9, r.data(), nullptr, 0), -1);
    EXPECT_EQ(VESKDrvGetStatus(nullptr, 9, r.data(), 3), -1);
    EXPECT_EQ(winsim::openPrinterHandles(), printers) << "no printer stays open";
}

TEST_F(StatusEngine, TheTableHasItsRowsAndTables) {
    for (uint32_t id = 1; id <= StatusItemCount; ++id) {
        const DrvApiItem* row = StatusRowById(id);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(row->id, id);
        EXPECT_EQ(row->version, id == 16 ? 2u : 3u);
        EXPECT_TRUE(row->set && row->verify && row->get) << id;
    }
    EXPECT_EQ(StatusFuncOptionFind(12), 68);
    EXPECT_EQ(StatusFuncOptionFind(16), 0);
    EXPECT_EQ(StatusValueAllowed(109, 128), 1);
    EXPECT_EQ(StatusValueAllowed(109, 4), 0);
    EXPECT_EQ(StatusValueAllowed(902, 10), 1);
    EXPECT_EQ(StatusValueAllowed(110, 0), 0) << "no list, no value";
    ASSERT_NE(StatusColourFind(0x105), nullptr) << "the low 8 bits choose";
    EXPECT_EQ(StatusColourFind(0x105)->green, 0);
    EXPECT_EQ(StatusColourFind(7), nullptr);
    EXPECT_EQ(StatusControlFind(222)->control, 2041);
}

TEST_F(StatusEngine, ANewerRecordIsRefusedInMode2AndServedAtTheRowsVersionElse) {
    const uint32_t copies = raw(kItCopies);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(9, rec(copies + 2, 0, 0, 0, 0, 4), nullptr, 2), 3);
    EXPECT_EQ(sections(), before) << "mode 2 changes nothing";
    EXPECT_EQ(set(9, rec(copies + 2, 0, 0, 0, 0, 4), nullptr, 0), 3);
    EXPECT_EQ(raw(kItCopies), copies + 2);
    EXPECT_EQ(set(9, rec(copies + 1), nullptr, 2), 0) << "a known version is set in mode 2 too";
    EXPECT_EQ(raw(kItCopies), copies + 1);
    EXPECT_EQ(StatusCheckRecordVersion(9, nullptr, 3, 0), 2);
}

TEST_F(StatusEngine, AFailingVerifyRollsEverythingBack) {
    // The bypass takes no large paper: the paper option's rule puts the
    // default paper back, so the item's Verify fails after its Set.
    const size_t printers = winsim::openPrinterHandles();
    setRaw(kItSource, 4);
    ASSERT_EQ(raw(kItSource), 4u);
    const std::vector<BYTE> before = sections();
    winsim::journalEnable(true);
    winsim::journalClear();
    std::vector<BYTE> bitmap(32, 0xEE);
    EXPECT_EQ(set(7, rec(8), bitmap.data()), -1);
    EXPECT_EQ(sections(), before) << "sections 1 and 3 are as before the call";
    EXPECT_EQ(bitmap, std::vector<BYTE>(32, 0)) << "a rolled-back Set zeroes the bitmap";
    EXPECT_EQ(winsim::journalCount("WritePrivateProfileStringW"), 0u);
    EXPECT_EQ(winsim::journalCount("JcSetItem"), 0u);
    EXPECT_EQ(winsim::openPrinterHandles(), printers);
    setRaw(kItSource, 1);
    EXPECT_EQ(set(7, rec(8), bitmap.data()), 0) << "without the bypass A3 stays";
    EXPECT_EQ(raw(kItPaperSize), 8u);
}

TEST_F(StatusEngine, ARefusedSetAfterTheReloadLeavesTheDevmodeAsItWas) {
    // Without the duplex unit the duplex switch is disabled.
    setRaw(kItDuplexUnit, 0);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(15, rec(1, 0, 0, 0, 1)), -1);
    EXPECT_EQ(sections(), before);
}

TEST_F(StatusEngine, TheBitmapMarksWhatTheRulesChanged) {
    std::vector<BYTE> bitmap(32, 0xEE);
    // Custom paper: item 7 itself is never marked, nothing else moves.
    ASSERT_EQ(set(7, rec(256, 2100, 2970), bitmap.data()), 0);
    EXPECT_FALSE(StatusBitTest(bitmap.data(), 7));
    ASSERT_EQ(set(9, rec(3), bitmap.data()), 0);
    EXPECT_EQ(bitmap, std::vector<BYTE>(32, 0)) << "copies move no other item";
    // A null bitmap: the rules and the refresh still run.
    ASSERT_EQ(set(7, rec(256, 2000, 2800), nullptr), 0);
    const BYTE* dm = ctx()->devmode;
    EXPECT_EQ(dm[82] | dm[83] << 8, 2000);
    EXPECT_EQ(dm[80] | dm[81] << 8, 2800);
}

TEST_F(StatusEngine, DuplexAndNupMarkThemselvesWhenTheDriverKeepsAnotherFamily) {
    const DrvApiItem* duplex = StatusRowById(15);
    const DrvApiItem* nup = StatusRowById(14);
    ASSERT_EQ(CtxSnapshotDevmode(ctx()), 1);
    std::vector<BYTE> bitmap(32, 0);
    struct Case {
        const DrvApiItem* row;
        int option;
        uint32_t kept, asked;
        bool marked;
    } cases[] = {
        {duplex, kItDuplexType, 18, 17, true},  {duplex, kItDuplexType, 17, 19, true},
        {duplex, kItDuplexType, 21, 20, true},  {duplex, kItDuplexType, 20, 22, true},
        {duplex, kItDuplexType, 18, 18, false}, {duplex, kItDuplexType, 20, 17, false},
        {nup, kItNupType, 1, 3, true},          {nup, kItNupType, 3, 2, true},
        {nup, kItNupType, 3, 3, false},         {nup, kItNupType, 1, 2, false},
    };
    for (const Case& k : cases) {
        setRaw(k.option, k.kept);
        ItemSetShadowRawById(ctx(), k.option, k.kept);
        StatusAfterSet(ctx(), k.row, rec(k.asked).data(), bitmap.data());
        // The rules may move the type; the case only holds when it stayed.
        if (raw(k.option) != k.kept) continue;
        EXPECT_EQ(StatusBitTest(bitmap.data(), k.row->id), k.marked) << k.row->id << ": " << k.kept << "/" << k.asked;
    }
}

TEST_F(StatusEngine, AChangedUserIdAlwaysMarksItsItemAndAHiddenOptionNever) {
    ASSERT_EQ(CtxSnapshotDevmode(ctx()), 1);
    StatusArrayRefresh(ctx());
    std::vector<BYTE> bitmap(32, 0);
    const DrvApiItem* copies = StatusRowById(9);
    ItemSetString(ctx(), ItemFindById(ctx(), 215), u"NEWID");
    StatusAfterSet(ctx(), copies, rec(raw(kItCopies)).data(), bitmap.data());
    EXPECT_TRUE(StatusBitTest(bitmap.data(), 10)) << "the print method carries the user ID";
    EXPECT_TRUE(StatusBitTest(bitmap.data(), 26));
    EXPECT_FALSE(StatusBitTest(bitmap.data(), 9)) << "the item set is not marked";

    // The duplex type is hidden (its second condition) while duplex is off;
    // hidden before and after, a change of it is not reported.
    setRaw(kItDuplexSwitch, 0);
    ASSERT_EQ(CtxSnapshotDevmode(ctx()), 1);
    StatusArrayRefresh(ctx());
    ASSERT_EQ(ctx()->ws->apiStatus->items[14][1].hidden, 1u) << "entry 1 of item 15 is the duplex type";
    // (The shadow is made to differ: the refresh would put a raw value the
    // model does not list back.)
    ItemSetShadowRawById(ctx(), kItDuplexType, raw(kItDuplexType) + 1);
    StatusAfterSet(ctx(), copies, rec(raw(kItCopies)).data(), bitmap.data());
    EXPECT_FALSE(StatusBitTest(bitmap.data(), 15));
    // Shown after the Set (duplex on in both copies, so the switch itself
    // does not differ): reported.
    setRaw(kItDuplexSwitch, 1);
    ItemSetShadowRawById(ctx(), kItDuplexSwitch, 1);
    ItemSetShadowRawById(ctx(), kItDuplexType, raw(kItDuplexType) + 1);
    StatusAfterSet(ctx(), copies, rec(raw(kItCopies)).data(), bitmap.data());
    ASSERT_EQ(raw(kItDuplexSwitch), 1u);
    EXPECT_TRUE(StatusBitTest(bitmap.data(), 15));
}

TEST_F(StatusEngine, GetAnswersTheSizeAndStampsTheVersion) {
    EXPECT_EQ(VESKDrvGetStatus(h_, 9, nullptr, 0), 32);
    EXPECT_EQ(VESKDrvGetStatus(h_, 10, nullptr, 0), 392);
    EXPECT_EQ(VESKDrvGetStatus(h_, 1, nullptr, 0), 816);
    EXPECT_EQ(VESKDrvGetStatus(h_, 16, nullptr, 1), 372);
    EXPECT_EQ(VESKDrvGetStatus(h_, 16, nullptr, 0), 412) << "no version asked is served as version 2";
    EXPECT_EQ(VESKDrvGetStatus(h_, 9, nullptr, 4), -1);
    std::vector<BYTE> r(32, 0xCC);
    EXPECT_EQ(VESKDrvGetStatus(h_, 9, r.data(), 0), 32);
    EXPECT_EQ(RecU32(r.data(), 0), 3u);
    EXPECT_EQ(RecU32(r.data(), 4), raw(kItCopies));
    EXPECT_EQ(RecU32(r.data(), 8), 0u) << "the other fields are cleared";
    r.assign(32, 0);
    EXPECT_EQ(VESKDrvGetStatus(h_, 9, r.data(), 2), 32);
    EXPECT_EQ(RecU32(r.data(), 0), 2u) << "a lower version asked is stamped";
    EXPECT_EQ(VESKDrvGetStatus(h_, 9, r.data(), 4), -1);
}

}  // namespace
}  // namespace vesk::test
