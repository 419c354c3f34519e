// The status items' handlers on the sample printer, family by family: the
// plain items, the paper size with its extents, the switched items with
// their switch-off records, margins, planes, the print actions and the
// settings file.
#include <winsim/winsim.h>

#include <fstream>

#include "core/caps/device_caps.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/persist/settings_file.h"
#include "exc/status_support.h"

#include <win/spooler.h>

namespace vesk::test {
namespace {

using StatusItems = StatusHandle;

constexpr int kItOrientation = 7, kItPaperSize = 8, kItLength = 9, kItWidth = 10, kItFields = 6, kItCopies = 12,
              kItScaleSwitch = 58, kItScaleType = 90, kItScaleH = 92, kItScaleV = 93, kItCoverSwitch = 68,
              kItCoverType = 141, kItCoverTray = 142, kItNupSwitch = 59, kItNupKind = 94, kItNupType = 95,
              kItMarginSwitch = 70;

TEST_F(StatusItems, PlainItemsRoundTripAndMarkTheirPublicField) {
    setRaw(kItFields, raw(kItFields) & ~0x100u);
    ASSERT_EQ(set(9, rec(4)), 0);
    EXPECT_EQ(raw(kItCopies), 4u);
    EXPECT_TRUE(raw(kItFields) & 0x100u) << "DM_COPIES";
    const uint32_t turned = raw(kItOrientation) == 1 ? 2 : 1;
    ASSERT_EQ(set(6, rec(turned)), 0);
    EXPECT_EQ(raw(kItOrientation), turned);
    std::vector<BYTE> r(32, 0);
    EXPECT_EQ(VESKDrvGetStatus(h_, 6, r.data(), 3), 32);
    EXPECT_EQ(RecU32(r.data(), 4), turned);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(6, rec(77)), -1) << "a value the model does not list";
    EXPECT_EQ(sections(), before);
}

TEST_F(StatusItems, TheEmulationAndTheMarkerPaperTakeTheSamplesValues) {
    constexpr int kItEmulation = 212, kItMarkSwitch = 67, kItMarkType = 137, kItMarkTray = 138;
    ASSERT_EQ(set(25, rec(181)), 0);
    EXPECT_EQ(raw(kItEmulation), 181u);
    std::vector<BYTE> r(32, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 25, r.data(), 3), 32);
    EXPECT_EQ(RecU32(r.data(), 4), 181u);
    EXPECT_EQ(set(25, rec(182)), -1) << "a value of another option";

    ASSERT_EQ(set(13, rec(183, 3, 0, 0, 1)), 0);
    EXPECT_EQ(raw(kItMarkType), 183u);
    EXPECT_EQ(raw(kItMarkTray), 3u);
    EXPECT_EQ(raw(kItMarkSwitch), 1u);
    ASSERT_EQ(VESKDrvGetStatus(h_, 13, r.data(), 3), 32);
    EXPECT_EQ(RecU32(r.data(), 4), 183u);
    EXPECT_EQ(RecU32(r.data(), 8), 3u);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(13, rec(180, 3, 0, 0, 1)), -1) << "not a marker paper type";
    EXPECT_EQ(set(13, rec(182, 9, 0, 0, 1)), -1) << "a tray past the range";
    EXPECT_EQ(sections(), before);
}

TEST_F(StatusItems, TheCustomPaperMustLieWithinTheExtents) {
    uint16_t lo[2] = {}, hi[2] = {};
    ASSERT_NE(CapsGetExtent(ctx(), lo, DC_MINEXTENT), -1);
    ASSERT_NE(CapsGetExtent(ctx(), hi, DC_MAXEXTENT), -1);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(7, rec(256, lo[0] - 1u, lo[1])), -1) << "width one below the minimum";
    EXPECT_EQ(set(7, rec(256, lo[0], hi[1] + 1u)), -1) << "length one above the maximum";
    EXPECT_EQ(sections(), before);
    ASSERT_EQ(set(7, rec(256, lo[0], hi[1])), 0);
    EXPECT_EQ(raw(kItPaperSize), 256u);
    EXPECT_EQ(raw(kItWidth), lo[0]);
    EXPECT_EQ(raw(kItLength), hi[1]);
    EXPECT_EQ(raw(kItFields) & 0xEu, 0xCu) << "length and width on, paper size off";
    std::vector<BYTE> r(32, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 7, r.data(), 0), 32);
    EXPECT_EQ(RecU32(r.data(), 4), 256u);
    EXPECT_EQ(RecU32(r.data(), 8), lo[0]);
    EXPECT_EQ(RecU32(r.data(), 12), hi[1]);
    ASSERT_EQ(set(7, rec(9)), 0);
    EXPECT_EQ(raw(kItFields) & 0xEu, 0x2u) << "a listed paper: paper size on, length and width off";
}

TEST_F(StatusItems, ASwitchOffRecordOnlyTurnsTheSwitchOff) {
    struct Case {
        uint32_t id;
        int sw;
        std::vector<int> kept;
    } cases[] = {
        {11, kItScaleSwitch, {kItScaleType, kItScaleH, kItScaleV}},
        {12, kItCoverSwitch, {kItCoverType, kItCoverTray}},
        {14, kItNupSwitch, {kItNupKind, kItNupType}},
        {15, 61, {102, 106, 107}},
    };
    for (const Case& k : cases) {
        setRaw(k.sw, 1);
        std::vector<uint32_t> values;
        for (int id : k.kept) values.push_back(raw(id));
        EXPECT_EQ(set(k.id, rec(0xDEAD, 0xBEEF, 0xFFFFFFFF, 7, 0)), 0) << k.id;
        EXPECT_EQ(raw(k.sw), 0u) << k.id;
        for (size_t i = 0; i < k.kept.size(); ++i) EXPECT_EQ(raw(k.kept[i]), values[i]) << k.id << " " << k.kept[i];
    }
}

TEST_F(StatusItems, NupTypesSetTheLayoutKindOrKeepItWhenRefused) {
    const uint32_t kind = raw(kItNupKind);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(14, rec(12345, 0, 0, 0, 1)), -1) << "a type the model does not list";
    EXPECT_EQ(raw(kItNupKind), kind);
    EXPECT_EQ(sections(), before);
}

TEST_F(StatusItems, MarginsAreSwitchedOnWhateverTheRecordSays) {
    setRaw(kItMarginSwitch, 0);
    ASSERT_EQ(set(18, rec(raw(103), 0, 0, 0, 0)), 0);
    EXPECT_EQ(raw(kItMarginSwitch), 1u);
    std::vector<BYTE> r(32, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 18, r.data(), 0), 32);
    EXPECT_EQ(RecU32(r.data(), 8), 0u);
}

TEST_F(StatusItems, TheSortSwitchMayBeHiddenWhenTheSortTypeMayChange) {
    // A single copy hides the sort switch: a record switching sorting off
    // is refused, one that sorts is taken for its sort type.
    setRaw(kItCopies, 1);
    ASSERT_EQ(set(9, rec(1)), 0);
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(19, rec(1, 0, 0, 0, 0)), -1);
    EXPECT_EQ(sections(), before);
    ASSERT_EQ(set(19, rec(2, 0, 0, 0, 1)), 0);
    EXPECT_EQ(raw(129), 2u);
    EXPECT_EQ(raw(64), 1u);
}

TEST_F(StatusItems, PlanesMayNotAllBeZero) {
    const std::vector<BYTE> before = sections();
    EXPECT_EQ(set(35, rec(0, 0, 0, 0)), -1);
    EXPECT_EQ(sections(), before);
}

TEST_F(StatusItems, TheMergeActionNeedsTheJobLinkingProduct) {
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(set(29, rec(0)), -1);
    EXPECT_EQ(winsim::journalCount("WritePrivateProfileStringW"), 0u);
}

TEST_F(StatusItems, TheSettingsFileMustBeAFullPathToAFile) {
    auto record = [](const std::string& path) {
        std::vector<BYTE> r(816, 0);
        RecPutU32(r.data(), 0, 3);
        std::memcpy(r.data() + 4, path.data(), path.size());
        return r;
    };
    EXPECT_EQ(set(1, record("_vesk\\none.rst")), -1) << "relative";
    std::vector<BYTE> r = record("_vesk\\none.rst");
    EXPECT_EQ(VESKDrvGetStatus(h_, 1, r.data(), 0), -1);
    r = record("C:\\_vesk\\missing.rst");
    EXPECT_EQ(VESKDrvGetStatus(h_, 1, r.data(), 0), -1);
    std::vector<BYTE> full(816, 'x');
    RecPutU32(full.data(), 0, 3);
    EXPECT_EQ(set(1, full), -1) << "a path without its end within the field";
}

TEST_F(StatusItems, TheSettingsFileGivesItsPresetNameAndComment) {
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    const char16_t kFile[] = u"C:\\_vesk\\status.rst";
    ASSERT_EQ(SettingsExport(printer_, kFile, kStWrite, ctx()), 1);
    ASSERT_TRUE(IniWriteString(u"Office [2]", u"wdmPresetName", u"Night shift", kFile));
    ASSERT_TRUE(IniWriteString(u"Office [2]", u"wdmPresetComment", u"x\\ny", kFile));
    std::vector<BYTE> r(816, 0);
    const std::string path = "C:\\_vesk\\status.rst";
    std::memcpy(r.data() + 4, path.data(), path.size());
    const std::vector<BYTE> before = sections();
    ASSERT_EQ(VESKDrvGetStatus(h_, 1, r.data(), 0), 816);
    EXPECT_EQ(sections(), before) << "a Get leaves the handle as it was";
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 264), "Night shift");
    EXPECT_STREQ(reinterpret_cast<const char*>(r.data() + 301), "x\r\ny");
    RecPutU32(r.data(), 0, 3);
    setRaw(kItCopies, raw(kItCopies) + 1);
    EXPECT_EQ(VESKDrvSetStatus(h_, 1, r.data(), nullptr, 0), 0);
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

TEST_F(StatusItems, TheResolutionByItsTableId) {
    // Option 42 is a list in the sample model: A is the resolution table's
    // id of a square resolution.
    std::vector<BYTE> r(32, 0);
    ASSERT_EQ(VESKDrvGetStatus(h_, 34, r.data(), 0), 32);
    const uint32_t now = RecU32(r.data(), 4);
    EXPECT_NE(now, 0u);
    const uint32_t dpi = raw(42);
    EXPECT_EQ(ResTableFindByXY(dpi, dpi), now);
    const uint32_t other = ResTableFindByXY(dpi == 600 ? 1200 : 600, dpi == 600 ? 1200 : 600);
    ASSERT_EQ(set(34, rec(other)), 0);
    EXPECT_EQ(raw(42), dpi == 600 ? 1200u : 600u);
    EXPECT_EQ(set(34, rec(0xFFFF)), -1) << "no such row";
    setRaw(42, 601);
    EXPECT_EQ(VESKDrvGetStatus(h_, 34, r.data(), 0), -1) << "no square row for the value";
}

}  // namespace
}  // namespace vesk::test
