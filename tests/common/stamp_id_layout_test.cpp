// The watermark id (item 120): 16 bits in bytes 585-586 that no other item
// claims, the value 256 through the stamp list and the settings files, and
// a caller's DEVMODE written with the old one-byte id at 481.
#include <gtest/gtest.h>

#include <vector>

#include "common/lists_support.h"
#include "core/builtin_tables.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_public.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/persist/settings_file.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kDocMerge = kMergeNoUi | kMergeModify;

class StampId : public ListPrinter {
protected:
    // A text stamp, so that a DEVMODE with the watermark on loads it.
    void textStamp(uint32_t i, const char16_t* chars) {
        ItemSetRawById(c_, kItRdmWmKind, 1);
        saveStamp(i, chars);
    }
    // The context's spooler DEVMODE with the watermark switched on and the
    // id bytes as given.
    std::vector<BYTE> callerDevmode(BYTE oldByte, uint16_t id) {
        ItemSetRawById(c_, kItRdmFuncSelectWaterMark, 1);
        ItemSetRawById(c_, kItRdmWmKind, 1);
        std::vector<BYTE> dm(c_->devmode, c_->devmode + 1260);
        dm::setFields(dm.data(), 0);
        dm[481] = oldByte;
        dm::wr16(dm.data(), 585, id);
        return dm;
    }
};

}  // namespace

TEST(StampIdLayout, SixteenBitsInBytesNoOtherItemClaims) {
    const DmItem* id = nullptr;
    for (int i = 0; i < builtinItemCount(); ++i)
        if (builtinItems()[i].id == kItRdmWmID) id = &builtinItems()[i];
    ASSERT_NE(id, nullptr);
    EXPECT_EQ(itemSection(*id), 1u);
    EXPECT_EQ(id->offset, 585u);
    EXPECT_EQ(itemSize(*id), 2u);
    EXPECT_EQ(itemTypeCode(*id), kTypeU16);
    // Byte 481 (the one-byte id) stays unused; 585-586 belong to item 120 only.
    for (int i = 0; i < builtinItemCount(); ++i) {
        const DmItem& it = builtinItems()[i];
        if (itemSection(it) != 1 || &it == id) continue;
        const uint32_t lo = it.offset, hi = it.offset + itemSize(it);
        EXPECT_FALSE(lo <= 481 && 481 < hi) << it.id;
        EXPECT_FALSE(lo < 587 && 585 < hi) << it.id;
    }
}

TEST_F(StampId, TheScratchSlotIsNamedAndReadBackWithSixteenBits) {
    textStamp(0, u"A");
    const int count = GetStampCount(c_);
    const uint32_t language = ItemRawById(c_, kItRdmLanguageID);
    ItemSetRawById(c_, kItRdmMonoDensity, 7);
    textStamp(kScratchStamp, u"API");
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 256u);
    EXPECT_EQ(c_->devmode[585], 0x00);
    EXPECT_EQ(c_->devmode[586], 0x01);
    EXPECT_EQ(c_->devmode[481], 0) << "the byte of the old layout is written by nothing";
    EXPECT_EQ(ItemRawById(c_, kItRdmLanguageID), language);
    EXPECT_EQ(ItemRawById(c_, kItRdmMonoDensity), 7u);
    EXPECT_EQ(value(u"Stamp256us", u"rdmWmID"), u"256");
    EXPECT_EQ(GetStampCount(c_), count);

    ASSERT_EQ(LoadStampByIndex(c_, 0), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 0u);
    ASSERT_EQ(LoadStampByIndex(c_, kScratchStamp), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 256u);
    EXPECT_EQ(itemText(kItWdmWmChar), u"API");
    EXPECT_EQ(LoadStampByIndex(c_, kScratchStamp + 1), 0);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 256u) << "an id past the scratch slot changes nothing";
}

TEST_F(StampId, ACallersDevmodeOfTheOneByteLayoutReadsStampZero) {
    textStamp(0, u"A");
    textStamp(3, u"D");
    // Written with the one-byte id: stamp 3 at 481, nothing at 585-586.
    std::vector<BYTE> old = callerDevmode(3, 0);
    ASSERT_EQ(DmMergeDevmode(c_, old.data(), old.size(), kDocMerge), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 0u);
    EXPECT_EQ(ItemRawById(c_, kItRdmFuncSelectWaterMark), 1u);
    EXPECT_EQ(itemText(kItWdmWmChar), u"A") << "the id and the loaded stamp agree";

    // The same DEVMODE of this layout names stamp 3 whatever 481 holds.
    std::vector<BYTE> now = callerDevmode(0, 3);
    ASSERT_EQ(DmMergeDevmode(c_, now.data(), now.size(), kDocMerge), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 3u);
    EXPECT_EQ(itemText(kItWdmWmChar), u"D");
}

TEST_F(StampId, APresetNamingSlot256KeepsItsNumberAndLoadsWithTheWatermarkOff) {
    const char16_t kFile[] = u"C:\\sets\\api.rst";
    ASSERT_EQ(RepairLists(c_), 1);
    ItemSetRawById(c_, kItRdmFuncSelectWaterMark, 1);
    ItemSetRawById(c_, kItRdmWmID, 256);
    ASSERT_EQ(EnsureParentDir(kFile), 1);
    ASSERT_EQ(SettingsExport(printer_, kFile, kStPresetDevice, c_), 1);
    // Read back as it was written, the number is whole.
    ItemSetRawById(c_, kItRdmWmID, 0);
    ASSERT_EQ(SettingsImport(printer_, kFile, kStPresetDevice | kStNoMessage, c_), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 256u);
    // As a preset it names no stamp of the list: the watermark goes off.
    ASSERT_EQ(PresetAdd(c_, kFile, u"", u""), 1);
    LoadPresetByIndex(c_, 0);
    EXPECT_EQ(ItemRawById(c_, kItRdmFuncSelectWaterMark), 0u);
    EXPECT_EQ(ItemRawById(c_, kItRdmWmID), 0u);
}
