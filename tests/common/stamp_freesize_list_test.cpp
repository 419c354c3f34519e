// The stamp and free-size lists of the sample printer: counts, the scratch
// stamp, deleting, the cache and its epoch, the defaults, the repair from
// the setup INI, the bundle imports and what settings files and the DEVMODE
// take from the lists.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "common/lists_support.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "core/validation/free_size_slots.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Lists : public ListPrinter {
protected:
    void SetUp() override {
        ListPrinter::SetUp();
        ItemSetRawById(c_, kItRdmDspUnit, 0);  // millimetres
    }
    // Slot `i` as the free-size page sets it: the items, the section, the
    // cache.
    void freeSize(int i, const char16_t* name, uint32_t w, uint32_t l) {
        ItemSetString(c_, ItemFindById(c_, kItWdmFreeSizeName), name);
        ItemSetRawById(c_, kItWdmFreeSizeWidth, w);
        ItemSetRawById(c_, kItWdmFreeSizeLength, l);
        ASSERT_EQ(SaveFreeSizeByIndex(c_, i), 1);
        ASSERT_EQ(OptionsToCachedFreeSize(c_, i), 1);
    }
    std::u16string resString(uint32_t id) {
        WCHAR b[200] = {};
        ResLoadString(c_, id, b, 200, 1);
        return b;
    }
    void removeSetupKey(const char16_t* section, const char16_t* key) {
        ASSERT_TRUE(IniWriteString(section, key, nullptr, (kDriverDir + u"KW12D172.ini").c_str()));
    }
};

}  // namespace

TEST_F(Lists, StampsExtendTheListTheScratchStampDoesNotAndDeleteShifts) {
    EXPECT_EQ(std::u16string(GetLangSection(c_)), u"us");
    EXPECT_EQ(std::u16string(GetLangCodeAlias(c_)), u"us");
    saveStamp(0, u"A");
    saveStamp(1, u"B");
    saveStamp(2, u"C");
    EXPECT_EQ(GetStampCount(c_), 3);
    saveStamp(5, u"F");
    EXPECT_EQ(GetStampCount(c_), 6) << "stamp 5 into 3";
    ASSERT_EQ(SetStampCount(c_, 3), 1);
    saveStamp(kScratchStamp, u"scratch");
    EXPECT_EQ(GetStampCount(c_), 3);
    EXPECT_EQ(value(u"Stamp256us", u"wdmWmChar"), u"scratch");

    ItemSetRawById(c_, kItRdmWmID, 2);
    const std::u16string before = itemText(kItWdmWmChar);
    ASSERT_EQ(DeleteStamp(c_, 0), 1);
    EXPECT_EQ(GetStampCount(c_), 2);
    EXPECT_EQ(value(u"Stamp0us", u"wdmWmChar"), u"B");
    EXPECT_EQ(value(u"Stamp1us", u"wdmWmChar"), u"C");
    EXPECT_EQ(value(u"Stamp2us", u"wdmWmChar"), u"C") << "the last section stays beyond the count";
    EXPECT_EQ(itemText(kItWdmWmChar), before) << "the DEVMODE is as it was";
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 2u);

    // Outside the list nothing changes.
    EXPECT_EQ(DeleteStamp(c_, 2), 0);
    EXPECT_EQ(DeleteStamp(c_, -1), 0);
    EXPECT_EQ(GetStampCount(c_), 2);
    SetStampCount(c_, 0);
    EXPECT_EQ(DeleteStamp(c_, 0), 0);
    EXPECT_EQ(value(u"us", u"StampCount"), u"0");

    ASSERT_EQ(LoadStampByIndex(c_, 1), 1);
    EXPECT_EQ(itemText(kItWdmWmChar), u"C");
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 1u);
}

TEST_F(Lists, PaperCodesSelectSlotsAndTheirSizesAndNames) {
    freeSize(0, u"Poster", 14173, 18897);
    freeSize(9, u"Banner", 7016, 28000);
    int32_t w = 0, l = 0;
    ASSERT_EQ(FreeSizePaper(c_, 384, &w, &l), 1);
    EXPECT_EQ(w, 14173);
    EXPECT_EQ(l, 18897);
    ASSERT_EQ(FreeSizePaper(c_, 256, &w, &l), 1);
    EXPECT_EQ(l, 28000) << "256 is slot 9";
    EXPECT_EQ(FreeSizePaper(c_, 393, &w, &l), 0);
    EXPECT_EQ(FreeSizePaper(c_, 9, &w, &l), 0);

    WCHAR name[8];
    std::fill(std::begin(name), std::end(name), u'#');
    ASSERT_EQ(FreeSizePaperName(c_, 384, name, 4), 1);
    EXPECT_EQ(std::u16string(name), u"Pos") << "cut to cch - 1";
    ASSERT_EQ(FreeSizePaperName(c_, 256, name, 8), 1);
    EXPECT_EQ(std::u16string(name), u"Banner");
    EXPECT_EQ(FreeSizePaperName(c_, 393, name, 8), 0);

    // String 109 with its suffix: slot 0's name and size.
    EXPECT_EQ(resString(109), u"Poster(300.0 x 400.0mm)");
    const WsFreeSize& s = c_->ws->freeSizes[0];
    EXPECT_STREQ(s.userName, "Poster");
    EXPECT_STREQ(s.displayName, "User size 1");
    EXPECT_STREQ(s.displayNameSized, "Poster(300.0 x 400.0mm)");
}

TEST_F(Lists, TheCacheLoadsOncePerEpochAndDefaultsFillEmptySlots) {
    freeSize(0, u"Photo", 6000, 9000);
    ChangeMaskClear(c_, kChangeFreeSizesLoaded);
    c_->ws->freeSizes[0].width = 1;
    ASSERT_EQ(LoadFreeSizeTable(c_), 1);
    EXPECT_EQ(c_->ws->freeSizes[0].width, 6000);
    EXPECT_EQ(c_->ws->freeSizes[1].width, 5953) << "slot 1 has no section: its setup size";
    EXPECT_TRUE(ChangeMaskGet(c_) & kChangeFreeSizesLoaded);
    put(u"FreeSize0us", u"wdmFreeSizeWidth", u"7000");
    ASSERT_EQ(LoadFreeSizeTable(c_), 1);
    EXPECT_EQ(c_->ws->freeSizes[0].width, 6000) << "not reloaded while the bit is set";
    ChangeMaskClear(c_, kChangeFreeSizesLoaded);
    ASSERT_EQ(LoadFreeSizeTable(c_), 1);
    EXPECT_EQ(c_->ws->freeSizes[0].width, 7000);

    // Defaults without the setup INI: A4 and string 109 + slot.
    std::filesystem::remove(*winsim::hostPath(kDriverDir + u"KW12D172.ini"));
    ASSERT_EQ(InitFreeSizeTable(c_), 1);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(c_->ws->freeSizes[i].width, 9921) << i;
        EXPECT_EQ(c_->ws->freeSizes[i].length, 14031) << i;
    }
    EXPECT_STREQ(c_->ws->freeSizes[2].userName, "User size 3");
    EXPECT_STREQ(c_->ws->freeSizes[2].displayNameSized, "User size 3(210.0 x 297.0mm)");
}

TEST_F(Lists, ARepairRestoresEveryFreeSizeAndTheStampsFromTheSetup) {
    uint32_t found = 0;
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(found, kRepairedFreeSizes | kRepairedStamps) << "a new printer has neither list";
    EXPECT_EQ(value(u"us", u"FreeSizeCount"), u"10");
    EXPECT_EQ(value(u"FreeSize9us", u"wdmFreeSizeLength"), u"14031");
    EXPECT_EQ(value(u"FreeSize1us", u"wdmFreeSizeWidth"), u"5953");
    EXPECT_EQ(GetStampCount(c_), 3);
    EXPECT_EQ(value(u"Stamp2us", u"wdmWmChar"), u"DRAFT");
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(found, 0u) << "nothing broken";

    // One slot without its width: all ten slots come back.
    freeSize(0, u"Mine", 6000, 6000);
    put(u"FreeSize4us", u"wdmFreeSizeWidth", u"");
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(found, kRepairedFreeSizes);
    EXPECT_EQ(value(u"FreeSize4us", u"wdmFreeSizeWidth"), u"10200");
    EXPECT_EQ(value(u"FreeSize0us", u"wdmFreeSizeWidth"), u"9921");
    int32_t w = 0, l = 0;
    FreeSizePaper(c_, 384, &w, &l);
    EXPECT_EQ(w, 9921) << "the cache follows the repair";

    // A setup count other than 10 repairs to an empty list.
    put(u"us", u"FreeSizeCount", u"9", kDriverDir + u"KW12D172.ini");
    put(u"FreeSize4us", u"wdmFreeSizeLength", u"");
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(value(u"us", u"FreeSizeCount"), u"0");
}

TEST_F(Lists, StampRepairSparesTextlessImageStampsAndImagelessTextStamps) {
    uint32_t found = 0;
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    // The setup's text stamps have no image; an image stamp has no text.
    put(u"Stamp0us", u"rdmWmKind", u"2");
    put(u"Stamp0us", u"wdmWmChar", u"");
    put(u"Stamp0us", u"wdmWmImage", u"C:\\stamps\\logo.bmp");
    put(u"Stamp0us", u"wdmWmImageName", u"Logo");
    ASSERT_EQ(LoadStampByIndex(c_, 2), 1);
    saveStamp(2, u"Mine");
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(found, 0u);
    EXPECT_EQ(value(u"Stamp2us", u"wdmWmChar"), u"Mine");

    // A text stamp without its text is broken: the setup's stamps return.
    put(u"Stamp1us", u"wdmWmChar", u"");
    ASSERT_EQ(RepairListsEx(c_, &found), 1);
    EXPECT_EQ(found, kRepairedStamps);
    EXPECT_EQ(value(u"Stamp1us", u"wdmWmChar"), u"COPY");
    EXPECT_EQ(value(u"Stamp2us", u"wdmWmChar"), u"DRAFT");
    EXPECT_EQ(value(u"Stamp0us", u"rdmWmKind"), u"1");
}

TEST_F(Lists, BundleImportsRaiseTheStampCountKeepTheSelectionAndSkipUnsizedSlots) {
    const std::u16string bundle = u"C:\\sets\\bundle.rsb";
    ASSERT_EQ(EnsureParentDir(bundle.c_str()), 1);
    saveStamp(0, u"Own");
    saveStamp(1, u"Own 2");
    for (int i = 0; i < 4; ++i) {
        const std::u16string section = u"Stamp" + std::u16string(1, char16_t(u'0' + i)) + u"us";
        put(section.c_str(), u"wdmWmChar", (u"Bundled " + std::u16string(1, char16_t(u'0' + i))).c_str(), bundle);
    }
    put(u"us", u"StampCount", u"4", bundle);
    put(u"us", u"FreeSizeCount", u"2", bundle);
    put(u"FreeSize0us", u"wdmFreeSizeName", u"Bundled", bundle);
    put(u"FreeSize0us", u"wdmFreeSizeWidth", u"4000", bundle);
    put(u"FreeSize0us", u"wdmFreeSizeLength", u"5000", bundle);
    freeSize(1, u"Kept", 6000, 7000);
    ItemSetRawById(c_, kItRdmWmID, 1);

    ASSERT_EQ(ImportStampsFromFile(bundle.c_str(), u"us", c_), 1);
    EXPECT_EQ(GetStampCount(c_), 4);
    EXPECT_EQ(value(u"Stamp3us", u"wdmWmChar"), u"Bundled 3");
    EXPECT_EQ(value(u"Stamp0us", u"wdmWmChar"), u"Bundled 0");
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 1u);

    ASSERT_EQ(ImportFreeSizesFromFile(bundle.c_str(), u"us", c_), 1);
    EXPECT_EQ(value(u"FreeSize0us", u"wdmFreeSizeWidth"), u"4000");
    EXPECT_EQ(value(u"FreeSize1us", u"wdmFreeSizeWidth"), u"6000") << "the file does not size slot 1";
}

TEST_F(Lists, APaperOfASlotMergesWithItsSizeAndSettingsFilesCarryIt) {
    freeSize(0, u"A5 card", 7016, 9921);
    std::vector<BYTE> in(c_->devmode, c_->devmode + DmClaimedLength(c_->devmode));
    dm::wr16(in.data(), dm::kOffPaperSize, 384);
    dm::setFields(in.data(), DM_PAPERSIZE);
    ASSERT_EQ(DmMergeDevmode(c_, in.data(), in.size(), 0x2000008), 1);
    EXPECT_EQ(dm::rds16(c_->devmode, dm::kOffPaperSize), 384);
    // 0.1 mm that cover the dots.
    EXPECT_NEAR(dm::rds16(c_->devmode, dm::kOffPaperWidth), 1485, 1);
    EXPECT_NEAR(dm::rds16(c_->devmode, dm::kOffPaperLength), 2100, 1);

    // A preset export takes the slot into the source free-size items; a full
    // import puts them back into the slot.
    const char16_t file[] = u"C:\\sets\\a5.rst";
    ASSERT_EQ(EnsureParentDir(file), 1);
    ItemSetRawById(c_, kItDmPaperSize, 384);
    ItemSetRawById(c_, kItWdmSrcFreeSizeWidth, 0);
    ASSERT_EQ(SettingsExport(printer_, file, kStPresetDevice, c_), 1);
    EXPECT_EQ(value(printerSection(), u"wdmSrcFreeSizeWidth", file), u"7016");
    EXPECT_EQ(ItemRawById(c_, kItWdmSrcFreeSizeWidth), 0u) << "the items are put back";
    freeSize(0, u"Other", 5000, 5000);
    ASSERT_EQ(SettingsImport(printer_, file, kStRead, c_), 1);
    EXPECT_EQ(value(u"FreeSize0us", u"wdmFreeSizeWidth"), u"7016");
    EXPECT_EQ(c_->ws->freeSizes[0].length, 9921);
}

TEST_F(Lists, AFullImportSavesItsStampAsTheLastOneAndItsQualityUnderThePrinter) {
    ASSERT_EQ(RepairLists(c_), 1);
    const char16_t file[] = u"C:\\sets\\full.rst";
    const char16_t q0[] = u"C:\\sets\\q0.rsq";
    ASSERT_EQ(EnsureParentDir(file), 1);
    ASSERT_EQ(QualityAdd(c_, q0, u"Mine"), 1);
    ItemSetRawById(c_, kItRdmFuncSelectWaterMark, 1);
    ItemSetRawById(c_, kItRdmWmID, 7);
    ItemSetString(c_, ItemFindById(c_, kItWdmWmChar), u"IMPORTED");
    ItemSetRawById(c_, kItRdmUseUserMacro, 1);
    ItemSetRawById(c_, kItRdmUserPrintMacro, 32);
    ItemSetString(c_, ItemFindById(c_, kItWdmUserSetName), u"Mine");
    ASSERT_EQ(SettingsExport(printer_, file, kStWrite | kStPresetDevice, c_), 1);
    ASSERT_EQ(SettingsImport(printer_, file, kStRead, c_), 1);
    EXPECT_EQ(GetStampCount(c_), 4) << "stamp 7 of 3 becomes stamp 3";
    EXPECT_EQ(value(u"Stamp3us", u"wdmWmChar"), u"IMPORTED");
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 3u);
    EXPECT_NE(value(printerSection(), u"RstVersion", q0), u"(none)") << "the quality is saved into its file";
    EXPECT_EQ(value(printerSection(), u"QualityList0Name"), u"Mine");
}
