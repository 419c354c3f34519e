// The library's settings files, quality loads and font-table writes: stamp
// sections with the watermark patterns, imports without job control.
#include <gtest/gtest.h>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <sstream>
#include <string>
#include <vector>

#include "common_calls/settings_forms.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/persist/font_persist.h"
#include "core/persist/settings_file.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

using ExcSettingsFiles = ExcPrinter;

constexpr char16_t kFile[] = u"C:\\_vesk\\stamp.rst";

TEST_F(ExcSettingsFiles, StampSectionsCarryTheWatermarkPatterns) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) ItemSetRawById(c, id, 3);
    const uint32_t kind = ItemRawById(c, kItRdmWmKind);
    ASSERT_EQ(SettingsTransferExc(c, kFile, kStWrite | kStStamp), 1);
    const std::string written = read(kFile);
    std::vector<std::string> names;
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) {
        names.push_back(winsim::toUtf8(ItemGetName(c, id)) + "=");
        EXPECT_NE(written.find(names.back()), std::string::npos) << names.back();
        ItemSetRawById(c, id, 1);
    }
    ASSERT_EQ(SettingsTransferExc(c, kFile, kStRead | kStStamp), 1);
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) EXPECT_EQ(ItemRawById(c, id), 3u) << id;

    // A stamp section as the interface library writes it, without the ten:
    // they stay as they are and the rest is read.
    std::istringstream in(written);
    std::string without;
    for (std::string line; std::getline(in, line);) {
        bool pattern = false;
        for (const auto& n : names) pattern = pattern || line.rfind(n, 0) == 0;
        if (!pattern) without += line + "\n";
    }
    write(kFile, without);
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) ItemSetRawById(c, id, 2);
    ItemSetRawById(c, kItRdmWmKind, kind ? 0 : 1);
    SettingsImportExc(printer_, kFile, kStStamp, c);
    EXPECT_EQ(ItemRawById(c, kItRdmWmKind), kind);
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) EXPECT_EQ(ItemRawById(c, id), 2u) << id;
}

TEST_F(ExcSettingsFiles, AFullImportExchangesNothingWithJobControl) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    setText(c, kItRdmUserCode, u"77");
    ASSERT_EQ(SettingsExport(printer_, kFile, kStWrite, c), 1);
    winsim::journalClear();
    EXPECT_EQ(SettingsImportExc(printer_, kFile, kStRead, c), 1);
    EXPECT_EQ(c->ws->rejectedFile, 0);
    EXPECT_EQ(calls("JCGetInterface"), 0u);
    // The library would have been asked on this printer.
    EXPECT_EQ(JobControlRefresh(c), 1);
    EXPECT_GT(calls("JCGetInterface"), 0u);
}

TEST_F(ExcSettingsFiles, AForeignMachinesFileIsRefusedWithoutAMessage) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const uint32_t lang = ItemRawById(c, kItRdmLanguageID);
    write(kFile, "[VESK Colour MFP]\r\nRstVersion=200\r\nRstMachine=999\r\nRstLanguage=" + std::to_string(lang) +
                     "\r\ndmCopies=9\r\n");
    const uint32_t copies = ItemRawById(c, kItDmCopies);
    winsim::journalClear();
    EXPECT_EQ(SettingsImportExc(printer_, kFile, kStRead, c), 1);
    EXPECT_EQ(c->ws->rejectedFile, 1);
    EXPECT_EQ(ItemRawById(c, kItDmCopies), copies);
    EXPECT_EQ(calls("MessageBoxW"), 0u);
}

TEST_F(ExcSettingsFiles, AQualityLoadLeavesTheSetsName) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(QualityAdd(c, u"C:\\_vesk\\fine.rsq", u"Fine"), 1);
    WCHAR key[kListKeyChars];
    FormatQualityKey(key, 0);
    ASSERT_EQ(SaveQuality(c, key), 1);
    setText(c, kItWdmUserSetName, u"Mine");
    EXPECT_EQ(LoadQualityByIndex(c, 0), 1);
    EXPECT_EQ(text(c, kItWdmUserSetName), u"Mine");
    EXPECT_EQ(LoadQualityExc(c, key), 1);
    EXPECT_EQ(text(c, kItWdmUserSetName), u"Mine");
    // A key without an entry loads nothing.
    FormatQualityKey(key, 5);
    EXPECT_EQ(LoadQualityExc(c, key), 0);
}

TEST_F(ExcSettingsFiles, AShorterFontTableLeavesTheOlderPairsBehind) {
    // Six pairs of a current table are left in printer data without their
    // count: the font-table load writes the model's shorter default table.
    std::vector<BYTE> pairs(6 * 128);
    for (size_t i = 0; i < pairs.size(); i += 64) pairs[i] = static_cast<BYTE>('A' + i / 64);
    ASSERT_EQ(FontSubstTableWriteExc(printer_, pairs.data(), 6, 0), 1);
    ASSERT_FALSE(winsim::printerData(name_, u"FontTableNum").has_value());
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(FontSubstTableLoad(printer_, c), 1);
    const auto count = winsim::printerData(name_, u"LastFontTableNum");
    ASSERT_TRUE(count.has_value());
    ASSERT_EQ(count->data.size(), 2u);
    const uint32_t n = count->data[0];
    ASSERT_LT(n, 6u);
    EXPECT_EQ(ItemRawById(c, kItRdmFontTableNum), n);
    for (uint32_t k = n + 1; k <= 6; ++k) {
        const auto tt = winsim::printerData(name_, u"TTFontTable" + winsim::fromUtf8(std::to_string(k)));
        ASSERT_TRUE(tt.has_value()) << k;
        EXPECT_EQ(tt->data.at(0), 'A' + 2 * (k - 1)) << k;
    }
    // A count without its pairs is no table.
    EXPECT_EQ(FontSubstTableWriteExc(printer_, nullptr, 2, 0), 0);
}

}  // namespace
}  // namespace vesk::test
