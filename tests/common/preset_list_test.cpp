// The preset and quality lists of the sample printer: entries, the
// snapshot a second load restores, the fallback to slot 0 for a rejected
// file, the stamp check, user preset names and the quality files.
#include <gtest/gtest.h>

#include <winsim/ui.h>
#include <winsim/winsim.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "common/lists_support.h"
#include "core/devmode/dm_convert.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/persist/settings_file.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class PresetList : public ListPrinter {
protected:
    // A preset file holding the settings with rdmMarginOdd = `margin`.
    void presetFile(const char16_t* path, uint32_t margin) {
        const uint32_t kept = ItemRawById(c_, kItRdmMarginOdd);
        ItemSetRawById(c_, kItRdmMarginOdd, margin);
        ASSERT_EQ(EnsureParentDir(path), 1);
        ASSERT_EQ(SettingsExport(printer_, path, kStPresetDevice, c_), 1);
        ItemSetRawById(c_, kItRdmMarginOdd, kept);
    }
    void removeFile(const char16_t* path) { std::filesystem::remove(*winsim::hostPath(path)); }
    uint32_t margin() { return ItemRawById(c_, kItRdmMarginOdd); }
    std::vector<BYTE> devmode() { return {c_->devmode, c_->devmode + DmClaimedLength(c_->devmode)}; }
};

const char16_t kP0[] = u"C:\\sets\\p0.rst";
const char16_t kP1[] = u"C:\\sets\\p1.rst";
const char16_t kP2[] = u"C:\\sets\\p2.rst";

}  // namespace

TEST_F(PresetList, EntriesAreAddedUpToSixteenAndCleared) {
    WCHAR key[kListKeyChars];
    EXPECT_EQ(std::u16string(FormatPresetKey(key, 12, 0)), u"PresetList12");
    EXPECT_EQ(std::u16string(FormatPresetKey(key, 0, 1)), u"PresetList0Name");
    EXPECT_EQ(std::u16string(FormatPresetKey(key, 3, 2)), u"PresetList3Comment");
    EXPECT_EQ(std::u16string(FormatQualityKey(key, 7)), u"QualityList7");

    EXPECT_EQ(GetPresetCount(c_), 0) << "no Count yet";
    for (int i = 0; i < kPresetSlots; ++i) ASSERT_EQ(PresetAdd(c_, kP0, u"Name", u"Comment"), 1) << i;
    EXPECT_EQ(PresetAdd(c_, kP1, u"Seventeenth", u""), 0) << "slots are 0-15";
    EXPECT_EQ(value(printerSection(), u"Count"), u"16");
    EXPECT_EQ(value(printerSection(), u"PresetList16"), u"(none)");
    EXPECT_EQ(value(printerSection(), u"PresetList15Name"), u"Name");
    EXPECT_EQ(PresetClear(c_), 1);
    EXPECT_EQ(value(printerSection(), u"Count"), u"0");
    EXPECT_EQ(PresetAdd(c_, kP1, nullptr, nullptr), 1);
    EXPECT_EQ(value(printerSection(), u"PresetList0"), kP1);
    EXPECT_EQ(value(printerSection(), u"PresetList0Comment"), u"");
}

TEST_F(PresetList, ASecondLoadIsTheSnapshotAndChangesToTheListDropIt) {
    presetFile(kP0, 11);
    presetFile(kP1, 22);
    ASSERT_EQ(PresetAdd(c_, kP0, u"Zero", u""), 1);
    ASSERT_EQ(PresetAdd(c_, kP1, u"One", u""), 1);
    ASSERT_EQ(LoadPresetByIndex(c_, 1), 1);
    EXPECT_EQ(margin(), 22u);
    // The file is gone: only the snapshot can give its settings back.
    removeFile(kP1);
    ItemSetRawById(c_, kItRdmMarginOdd, 5);
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(LoadPresetByIndex(c_, 1), 1);
    EXPECT_EQ(margin(), 22u);
    EXPECT_EQ(winsim::journalCount("CreateFileW"), 0u) << "no file is opened for a snapshot";
    winsim::journalEnable(false);

    WCHAR key[kListKeyChars];
    FormatPresetKey(key, 1, 0);
    // Adding, clearing and saving each drop every snapshot.
    auto dropsBy = [&](const char* what, auto change) {
        ASSERT_EQ(PresetSnapshot(c_, key, 2), 0);
        change();
        EXPECT_EQ(PresetSnapshot(c_, key, 1), 0) << what;
    };
    dropsBy("add", [&] { PresetAdd(c_, kP2, u"Two", u""); });
    dropsBy("save", [&] { presetFile(kP1, 22), SavePresetByIndex(c_, 1); });
    dropsBy("clear", [&] { PresetClear(c_); });
    EXPECT_EQ(PresetSnapshot(c_, u"PresetList16", 2), 0);
    EXPECT_EQ(PresetSnapshot(c_, u"PresetList16", 1), 0) << "a key of no slot";
}

TEST_F(PresetList, RestoringASnapshotSetsOnlyTheBitOfABitItem) {
    // Items 193 (marked) and 195 (not marked) share one word.
    ItemSetRawById(c_, kItRdmExtOutputDirection, 1);
    ItemSetRawById(c_, 195, 0);
    PresetSnapshot(c_, u"PresetList4", 2);
    ItemSetRawById(c_, kItRdmExtOutputDirection, 0);
    ItemSetRawById(c_, 195, 1);
    ItemSetRawById(c_, kItRdmMarginOdd, 99);
    EXPECT_EQ(PresetSnapshot(c_, u"PresetList4", 1), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmExtOutputDirection), 1u);
    EXPECT_EQ(ItemRawById(c_, 195), 1u) << "the unmarked bit keeps its value";
    EXPECT_NE(margin(), 99u);
    PresetSnapshot(c_, nullptr, 3);
    EXPECT_EQ(PresetSnapshot(c_, u"PresetList4", 1), 0);
}

TEST_F(PresetList, AnEmptyPathLoadsSlotZero) {
    presetFile(kP0, 11);
    PresetAdd(c_, kP0, u"Zero", u"");
    for (int i = 1; i <= 3; ++i) PresetAdd(c_, u"", u"", u"");
    EXPECT_EQ(LoadPresetByIndex(c_, 3), 1);
    EXPECT_EQ(margin(), 11u);
    EXPECT_EQ(LoadPresetByIndex(c_, 16), 0) << "outside 0-15";
    EXPECT_EQ(LoadPresetByIndex(c_, -1), 0);
    EXPECT_TRUE(winsim::messageBoxLog().empty());
}

TEST_F(PresetList, ARejectedFileEmptiesItsKeyAndLoadsSlotZeroWithOneWarning) {
    presetFile(kP0, 11);
    presetFile(kP2, 44);
    put(printerSection(), u"RstVersion", u"300", kP2);  // another driver family
    PresetAdd(c_, kP0, u"Zero", u"");
    PresetAdd(c_, kP2, u"Two", u"");
    EXPECT_EQ(LoadPresetByIndex(c_, 1), 1);
    EXPECT_EQ(margin(), 11u);
    EXPECT_EQ(value(printerSection(), u"PresetList1"), u"");
    const auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].text.find(u"p2.rst"), std::u16string::npos);
    EXPECT_EQ(log[0].caption, printerSection());
    EXPECT_TRUE(log[0].style & MB_ICONEXCLAMATION);

    // Slot 0 refused as well: its own refusal and the warning; nothing read.
    winsim::clearMessageBoxes();
    put(printerSection(), u"RstVersion", u"300", kP0);
    put(printerSection(), u"PresetList1", kP2);
    ItemSetRawById(c_, kItRdmMarginOdd, 7);
    PresetSnapshot(c_, nullptr, 3);
    LoadPresetByIndex(c_, 1);
    EXPECT_EQ(margin(), 7u);
    EXPECT_EQ(winsim::messageBoxLog().size(), 2u);
}

TEST_F(PresetList, AStampPastTheListTurnsTheWatermarkOff) {
    ASSERT_EQ(RepairLists(c_), 1);  // three stamps from the setup INI
    ASSERT_EQ(GetStampCount(c_), 3);
    ItemSetRawById(c_, kItRdmFuncSelectWaterMark, 1);
    ItemSetRawById(c_, kItRdmWmID, 5);
    presetFile(kP0, 11);
    ItemSetRawById(c_, kItRdmWmID, 1);
    ItemSetRawById(c_, kItRdmWmKind, 2);
    presetFile(kP1, 11);
    PresetAdd(c_, kP0, u"", u"");
    PresetAdd(c_, kP1, u"", u"");
    LoadPresetByIndex(c_, 0);
    EXPECT_EQ(ItemRawById(c_, kItRdmFuncSelectWaterMark), 0u);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 0u);
    // A stamp of the list is loaded from the list.
    LoadPresetByIndex(c_, 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 1u);
    WCHAR text[40] = {};
    ItemGetString(c_, ItemFindById(c_, kItWdmWmChar), text, 40);
    EXPECT_EQ(std::u16string(text), u"COPY");
}

TEST_F(PresetList, UserPresetNamesSkipFilesOfThisDriverAndWritableFollowsReadonly) {
    WCHAR path[kWsPathChars] = {};
    ASSERT_EQ(MakeNewUserPresetPath(c_, path), 1);
    const std::u16string dir = ini_.substr(0, ini_.rfind(u'\\'));
    EXPECT_EQ(std::u16string(path), dir + u"\\user0000.rst");
    put(printerSection(), u"RstMachine", u"133", path);
    ASSERT_EQ(MakeNewUserPresetPath(c_, path), 1);
    EXPECT_EQ(std::u16string(path), dir + u"\\user0001.rst");

    presetFile(kP0, 1);
    PresetAdd(c_, kP0, u"", u"");
    EXPECT_EQ(PresetIsWritable(c_, kP0), 1);
    EXPECT_EQ(PresetIsWritableByIndex(c_, 0), 1);
    put(printerSection(), u"Readonly", u"1", kP0);
    EXPECT_EQ(PresetIsWritable(c_, kP0), 0);
    EXPECT_EQ(PresetIsWritableByIndex(c_, 0), 0);
    EXPECT_EQ(PresetIsWritableByIndex(c_, 16), 0);
}

TEST_F(PresetList, QualitiesLoadTheirItemsAndNameAndAReloadKeepsTheDevmode) {
    const char16_t q0[] = u"C:\\sets\\q0.rsq";
    ASSERT_EQ(EnsureParentDir(q0), 1);
    ASSERT_EQ(QualityAdd(c_, q0, u"Fine text"), 1);
    EXPECT_EQ(GetQualityCount(c_), 1);
    ItemSetRawById(c_, kItRdmTonerSave, 1);
    ItemSetString(c_, ItemFindById(c_, kItWdmUserSetName), u"Fine text");
    ASSERT_EQ(SaveQualityByIndex(c_, 0), 1);
    EXPECT_NE(value(printerSection(), u"rdmTonerSave", q0), u"(none)");
    EXPECT_EQ(value(printerSection(), u"rdmMarginOdd", q0), u"(none)") << "quality items only";

    ItemSetRawById(c_, kItRdmTonerSave, 0);
    ItemSetString(c_, ItemFindById(c_, kItWdmUserSetName), u"");
    ASSERT_EQ(LoadQualityByIndex(c_, 0), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmTonerSave), 1u);
    WCHAR name[40] = {};
    ItemGetString(c_, ItemFindById(c_, kItWdmUserSetName), name, 40);
    EXPECT_EQ(std::u16string(name), u"Fine text");
    EXPECT_EQ(LoadQualityByIndex(c_, 1), 0) << "no such entry";

    // The user's own copy: the listed name with the extension rsq in the
    // per-user folder, under the language section.
    WCHAR user[kWsPathChars] = {};
    ASSERT_GT(GetUserDataDirPlain(user, kWsPathChars), 0u);
    const std::u16string copy = std::u16string(user) + u"\\q0.rsq";
    ASSERT_EQ(EnsureParentDir(copy.c_str()), 1);
    put(u"us", u"rdmTonerSave", u"0", copy);
    ItemSetRawById(c_, kItRdmTonerSave, 1);
    EXPECT_EQ(LoadQualityFromUserCopy(c_, u"QualityList0"), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmTonerSave), 0u);

    ItemSetRawById(c_, kItRdmTonerSave, 0);
    const std::vector<BYTE> before = devmode();
    EXPECT_EQ(ReloadQualityLists(c_), 1);
    EXPECT_EQ(devmode(), before);
    EXPECT_EQ(QualityListClear(c_), 1);
    EXPECT_EQ(GetQualityCount(c_), 0);
}

TEST_F(PresetList, WithEveryUserPresetNameTakenNoPathIsMade) {
    std::u16string section = printerSection();
    IniSectionBracketsToCommas(section.data());
    const std::string body = "[" + winsim::toUtf8(section) + "]\r\nRstMachine=133\r\n";
    const std::filesystem::path dir = winsim::hostPath(ini_)->parent_path();
    for (int n = 0; n <= 9999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "user%04d.rst", n);
        std::ofstream(dir / name, std::ios::binary) << body;
    }
    WCHAR path[kWsPathChars] = {u'x'};
    EXPECT_EQ(MakeNewUserPresetPath(c_, path), 0);
    EXPECT_EQ(path[0], 0);
}
