#include <gtest/gtest.h>
#include <winsim/memory.h>

#include "common/eval_support.h"
#include "core/devmode/dm_model.h"
#include "core/model/dm_answers.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Queries : public ImageTest {
protected:
    uint16_t u16At(uint32_t at) {
        uint16_t v = 0;
        EXPECT_TRUE(image_->view().u16(at, &v));
        return v;
    }
    void put16(uint32_t at, uint16_t v) {
        image_->block[at] = static_cast<uint8_t>(v);
        image_->block[at + 1] = static_cast<uint8_t>(v >> 8);
    }
};

std::u16string field(const BYTE* p, size_t chars) {
    std::u16string s;
    for (size_t i = 0; i < chars; ++i) {
        char16_t ch = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (!ch) break;
        s.push_back(ch);
    }
    return s;
}

int32_t le32(const BYTE* p) {
    return static_cast<int32_t>(p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24));
}

}  // namespace

TEST_F(Queries, OptionsBySlotByWalkAndByKey) {
    load("*OpenUI *VPD_rdmMediaType: PickOne\n*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN }\n*CloseUI\n"
         "*OpenUI *VPD_rdmJobLinker: Boolean\n*CloseUI\n"
         "*OpenUI *VPD_rdmPrinterMemory: PickOne\n*CloseUI\n"
         "*OpenUI *VPD_IDC_BASIC_BMP_PRINTER: String\n*CloseUI\n"
         "*OpenUI *VPD_rdmDuplexType: PickOne\n*CloseUI\n"
         "*OpenUI *VPD_rdmDuplexType 2: PickOne\n*CloseUI\n");
    const uint32_t media = MdlFindOption(c, kItRdmMediaType);    // slot 378
    const uint32_t linker = MdlFindOption(c, kItRdmJobLinker);   // slot 991
    const uint32_t memory = MdlFindOption(c, kItRdmPrinterMemory); // slot 718
    const uint32_t walked = MdlFindOption(c, 948);   // no slot: the list is walked
    ASSERT_NE(media, 0u);
    ASSERT_NE(linker, 0u);
    ASSERT_NE(memory, 0u);
    ASSERT_NE(walked, 0u);
    EXPECT_EQ(u16At(media + kMdlOptId), 378);
    EXPECT_EQ(u16At(linker + kMdlOptId), 714);
    EXPECT_EQ(u16At(memory + kMdlOptId), 10012);
    EXPECT_EQ(u16At(walked + kMdlOptId), 948);
    EXPECT_EQ(MdlFindOption(c, 0), 0u);
    EXPECT_EQ(MdlFindOption(c, kItDmOrientation), 0u);       // an empty slot
    EXPECT_EQ(MdlFindOption(c, 5000), 0u);    // walked, not there
    EXPECT_EQ(MdlFindOption(c, 70000), 0u);
    // An option id above 10277 has no slot either.
    put16(walked + kMdlOptId, 10300);
    EXPECT_EQ(MdlFindOption(c, 10300), walked);
    EXPECT_EQ(MdlFindOption(c, 948), 0u);
    put16(walked + kMdlOptId, 948);

    // The slot holds the option without sub-number; the list has the copy
    // first, and the key lookup finds the first in list order.
    const uint32_t duplex = MdlFindOption(c, kItRdmDuplexType);
    EXPECT_EQ(u16At(duplex + kMdlOptSub), 0);
    const uint32_t byKey = MdlFindOptionByKey(c, keyOf("VPD_rdmDuplexType"));
    EXPECT_EQ(u16At(byKey + kMdlOptSub), 2);
    EXPECT_EQ(MdlFindOptionByKey(c, keyOf("VPD_rdmMediaType")), media);
    EXPECT_EQ(MdlFindOptionByKey(c, 0), 0u);
    // By the position of the item in the context's item table.
    EXPECT_EQ(MdlOptionByIndex(c, 377), media);
    EXPECT_EQ(MdlOptionByIndex(c, -1), 0u);
    EXPECT_EQ(MdlOptionByIndex(c, 5000), 0u);
    // Without a model every query is empty.
    c->model = nullptr;
    EXPECT_EQ(MdlFindOption(c, kItRdmMediaType), 0u);
    EXPECT_EQ(MdlFindOptionByKey(c, keyOf("VPD_rdmMediaType")), 0u);
    EXPECT_EQ(MdlGetValueCount(c, kItRdmMediaType), -1);
    EXPECT_EQ(MdlGetOptionRawType(c, kItRdmMediaType), 0);
}

TEST_F(Queries, TypesDefaultsAndValueCounts) {
    loadSample();
    EXPECT_EQ(MdlGetOptionRawType(c, 10027), 0);  // not in the model
    const int feed = itemOf("VPD_rdmMachineFeed");
    EXPECT_EQ(MdlGetOptionRawType(c, feed), kMdlBoolean | kMdlTypeUnknown);
    EXPECT_EQ(MdlGetOptionType(c, feed), kMdlBoolean);
    EXPECT_EQ(MdlGetOptionType(c, kItDmPaperSize), kMdlPickPage);
    EXPECT_EQ(MdlGetOptionType(c, kItDmDefaultSource), kMdlPickSlot);
    EXPECT_EQ(MdlGetOptionType(c, kItRdmDstResolutionH), kMdlPickOne);  // Identity of 42
    EXPECT_EQ(MdlGetOptionRawType(c, kItRdmDstResolutionH), kMdlPickOne | kMdlIdentity);

    EXPECT_EQ(MdlGetOptionValue(c, kItDmPaperSize), 41u);          // IDS_PAPERSIZE_A4
    EXPECT_EQ(MdlGetOptionValue(c, kItDmDefaultSource), 1u);          // IDS_SOURCE_AUTO
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmDstResolutionW), 600u);
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmDstResolutionH), 600u);        // the values of the option it names
    EXPECT_EQ(MdlGetOptionValue(c, kItDmCopies), 1u);          // Numeric default
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmSourceOptionTypeDuplex), 1u);       // Boolean True
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmSourceOptionTypeLCT1), 0u);
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmUserCode), 2000u);      // String default value id
    EXPECT_EQ(MdlGetOptionValue(c, itemOf("VPD_rdmSortType")), 0u);  // PickMany
    EXPECT_EQ(MdlGetOptionValue(c, 10027), 0u);

    EXPECT_EQ(MdlGetValueCount(c, kItDmPaperSize), 11);
    EXPECT_EQ(MdlGetValueCount(c, kItDmDefaultSource), 7);
    EXPECT_EQ(MdlGetValueCount(c, kItRdmDstResolutionH), 2);
    EXPECT_EQ(MdlGetValueCount(c, kItDmCopies), 0);
    EXPECT_EQ(MdlGetValueCount(c, kItRdmSourceOptionTypeDuplex), 0);
    EXPECT_EQ(MdlGetValueCount(c, kItRdmUserCode), 0);
    EXPECT_EQ(MdlGetValueCount(c, 10027), -1);

    uint16_t sel = 99;
    const uint32_t values = MdlGetOptionValues(c, kItDmPaperSize, &sel);
    EXPECT_NE(values, 0u);
    EXPECT_EQ(sel, 1);  // A4 is the second value
    EXPECT_EQ(MdlListCount(c, values), 11u);
    EXPECT_EQ(MdlListCount(c, 0), 0u);
    EXPECT_NE(MdlGetOptionValues(c, kItDmCopies, &sel), 0u);
    EXPECT_EQ(sel, 0);  // no selection for a Numeric option
    EXPECT_EQ(MdlGetOptionValues(c, 10027, &sel), 0u);

    int32_t lo = 0, hi = 0;
    EXPECT_EQ(MdlGetNumericRange(c, kItDmCopies, &lo, &hi), 1);
    EXPECT_EQ(lo, 1);
    EXPECT_EQ(hi, 999);
    EXPECT_EQ(MdlGetNumericRange(c, kItDmPaperSize, &lo, &hi), 0);

    WCHAR dll[32];
    EXPECT_TRUE(MdlReadWide(c, ModelGetTable1225(c), dll, 32));
    EXPECT_EQ(std::u16string(dll), u"VESKR1us.DLL");
    EXPECT_TRUE(MdlReadWide(c, ModelGetTable1225(c), dll, 5));
    EXPECT_EQ(std::u16string(dll), u"VESK");
    EXPECT_FALSE(MdlReadWide(c, 0, dll, 32));
}

TEST_F(Queries, ASelectionPastTheValuesGivesZero) {
    load("*OpenUI *VPD_rdmMediaType: PickOne\n*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK }\n"
         "*DefaultVPD_rdmMediaType: IDS_MEDIA_THICK\n*CloseUI\n");
    const uint32_t o = MdlFindOption(c, kItRdmMediaType);
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmMediaType), 3u);
    put16(o + kMdlOptSelection, 2);
    EXPECT_EQ(MdlGetOptionValue(c, kItRdmMediaType), 0u);
}

TEST_F(Queries, PageSizeAndPrintableAreas) {
    loadSample();
    int32_t pair[2] = {};
    ItemSetRawById(c, kItDmPaperSize, 9);  // A4 (value 41 through the item's map)
    ItemSetRawById(c, kItDmOrientation, 1);
    ASSERT_EQ(MdlGetPageSize(c, pair), 1);
    EXPECT_EQ(pair[0], 2100);
    EXPECT_EQ(pair[1], 2970);
    ItemSetRawById(c, kItDmOrientation, 2);
    ASSERT_EQ(MdlGetPageSize(c, pair), 1);
    EXPECT_EQ(pair[0], 2970);
    EXPECT_EQ(pair[1], 2100);
    ItemSetRawById(c, kItDmPaperSize, 70);  // no such value
    EXPECT_EQ(MdlGetPageSize(c, pair), 0);

    RECTL rc{};
    int32_t further[2] = {};
    ItemSetRawById(c, kItDmOrientation, 1);
    ItemSetRawById(c, kItRdmDstResolutionW, 600);
    // A4 at 600 dpi portrait: the first record whose condition holds.
    ASSERT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 41), 1);
    EXPECT_EQ(rc.left, 100);
    EXPECT_EQ(rc.top, 100);
    EXPECT_EQ(rc.right, 4860);
    EXPECT_EQ(rc.bottom, 6916);
    ItemSetRawById(c, itemOf("VPD_rdmExtPrintArea"), 1);  // the first record is unconditional
    ASSERT_EQ(MdlGetAreaRecord(c, &rc, further, 41), 1);
    EXPECT_EQ(rc.left, 100);
    // A3 at 1200 dpi has a landscape record only: asked for in landscape it
    // is taken as it stands, in portrait it is turned.
    ItemSetRawById(c, kItRdmDstResolutionW, 1200);
    ItemSetRawById(c, kItDmOrientation, 2);
    ASSERT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 40), 1);
    EXPECT_EQ(rc.left, 200);
    EXPECT_EQ(rc.right, 19640);
    EXPECT_EQ(rc.bottom, 13832);
    EXPECT_EQ(further[0], 200);
    EXPECT_EQ(further[1], 240);
    ItemSetRawById(c, kItDmOrientation, 1);
    ASSERT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 40), 1);
    EXPECT_EQ(rc.left, 200);
    EXPECT_EQ(rc.top, 200);
    EXPECT_EQ(rc.right, 13832);
    EXPECT_EQ(rc.bottom, 19640);
    EXPECT_EQ(further[0], 240);
    EXPECT_EQ(further[1], 200);
    // Letter at 600 dpi landscape needs the large-capacity tray missing;
    // fitted, only the portrait record is left, turned.
    ItemSetRawById(c, kItRdmDstResolutionW, 600);
    ItemSetRawById(c, kItDmOrientation, 2);
    ASSERT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 45), 1);
    EXPECT_EQ(rc.right, 6500);
    EXPECT_EQ(further[0], 100);
    ItemSetRawById(c, kItRdmSourceOptionTypeLCT1, 1);
    ASSERT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 45), 1);
    EXPECT_EQ(rc.right, 6500);  // {y, x, y + height, x + width} of "100 100 4900 6400"
    EXPECT_EQ(rc.bottom, 5000);
    EXPECT_EQ(further[0], 0);
    // No record at the resolution, no records at all, no such value.
    ItemSetRawById(c, kItRdmDstResolutionW, 300);
    EXPECT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 41), 0);
    ItemSetRawById(c, kItRdmDstResolutionW, 600);
    EXPECT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 42), 0);
    EXPECT_EQ(MdlGetAreaRecordByKey(c, &rc, further, 77), 0);
}

TEST_F(Queries, FontListsAreCopiedAsRecords) {
    load("*DeviceFonts: IDList { {\"One\" 1} {\"Two\" 2} {\"Three\" 3} {\"Four\" 4}\n"
         "  {\"A font name that is longer than the field\" -5} }\n"
         "*FontCartridge: IDList { {\"Card A\" 101} {\"Card B\" 102} {\"Card C\" 103} }\n"
         "*OpenUI *VPD_rdmSortType: PickOne\n*CloseUI\n"
         "*OpenUI *VPD_rdmTTFont: FontTbl\n"
         "*VPD_rdmTTFont IDS_TTFONT_DOWNLOAD: \"D\"\n"
         "*VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: \"S\"\n"
         "*TTFS *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: IDList { {\"Arial\" \"Vesk Sans\"} {\"Symbol\" \"Vesk Symbol\"} }\n"
         "*CloseUI\n");
    uint32_t n = 99;
    BYTE* dev = MdlCopyDeviceFonts(c, &n);
    ASSERT_TRUE(dev);
    ASSERT_EQ(n, 5u);
    EXPECT_EQ(le32(dev), 1);
    EXPECT_EQ(field(dev + 4, 32), u"One");
    EXPECT_EQ(le32(dev + 2 * kMdlFontRecordSize), 3);
    EXPECT_EQ(field(dev + 2 * kMdlFontRecordSize + 4, 32), u"Three");
    const BYTE* last = dev + 4 * kMdlFontRecordSize;
    EXPECT_EQ(le32(last), -5);
    EXPECT_EQ(field(last + 4, 32), u"A font name that is longer than ");  // 32 characters, no terminator
    EXPECT_EQ(field(last + 4, 32).size(), 32u);
    MemFree(dev);

    BYTE* opt = MdlCopyOptionFonts(c, &n);
    ASSERT_TRUE(opt);
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(le32(opt + 2 * kMdlFontRecordSize), 103);
    EXPECT_EQ(field(opt + 2 * kMdlFontRecordSize + 4, 32), u"Card C");
    MemFree(opt);

    // The first FontTbl value with pairs (the second value here).
    BYTE* subst = MdlCopyFontSubstDefaults(c, &n);
    ASSERT_TRUE(subst);
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(field(subst, 32), u"Arial");
    EXPECT_EQ(field(subst + 64, 32), u"Vesk Sans");
    EXPECT_EQ(field(subst + kMdlFontPairSize, 32), u"Symbol");
    EXPECT_EQ(field(subst + kMdlFontPairSize + 64, 32), u"Vesk Symbol");
    MemFree(subst);

    // Memory that cannot be had gives null and count 0.
    winsim::failCall("GlobalAlloc", 1, 8);
    n = 7;
    EXPECT_EQ(MdlCopyDeviceFonts(c, &n), nullptr);
    EXPECT_EQ(n, 0u);
    winsim::clearFaults();
}

TEST_F(Queries, EmptyFontListsGiveNothing) {
    load("*OpenUI *VPD_rdmTTFont: FontTbl\n*VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: \"S\"\n*CloseUI\n");
    uint32_t n = 9;
    EXPECT_EQ(MdlCopyDeviceFonts(c, &n), nullptr);
    EXPECT_EQ(n, 0u);
    n = 9;
    EXPECT_EQ(MdlCopyOptionFonts(c, &n), nullptr);
    EXPECT_EQ(n, 0u);
    n = 9;
    EXPECT_EQ(MdlCopyFontSubstDefaults(c, &n), nullptr);  // its only value has no pairs
    EXPECT_EQ(n, 0u);
}

TEST(QueryFonts, NamesAreCutAfterConversionNeverInsideACharacter) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    // 31 letters, a double-byte character (bytes 32 and 33), one letter: the
    // field takes the double-byte character whole and drops the letter.
    std::string name(31, 'K');
    name += "\x82\xA0" "Z";
    ImagePtr image = imageFromText("*DeviceFonts: IDList { {\"" + name + "\" 7} }\n");
    ASSERT_TRUE(image);
    ContextPtr ctx = modelContext(image.get());
    ASSERT_TRUE(ctx);
    uint32_t n = 0;
    BYTE* dev = MdlCopyDeviceFonts(ctx.get(), &n);
    ASSERT_TRUE(dev);
    ASSERT_EQ(n, 1u);
    EXPECT_EQ(field(dev + 4, 32), std::u16string(31, u'K') + u"\u3042");
    MemFree(dev);
}

TEST_F(Queries, TheDevmodeCodeGetsTheModelsFacts) {
    loadSample();
    EXPECT_EQ(MdlItemOptionType(c, kItDmPaperSize), 257);
    EXPECT_EQ(MdlItemOptionType(c, kItDmDefaultSource), 513);
    EXPECT_EQ(MdlItemOptionType(c, kItDmCopies), 8);
    EXPECT_EQ(MdlItemOptionType(c, kItDmScale), 0);
    int32_t lo = 0, hi = 0;
    EXPECT_EQ(MdlItemOptionRange(c, kItDmCopies, &lo, &hi), 1);
    EXPECT_EQ(hi, 999);
    EXPECT_EQ(MdlItemOptionRange(c, kItDmDefaultSource, &lo, &hi), 0);
    uint32_t v = 5;
    EXPECT_EQ(MdlItemOptionValue(c, kItRdmSourceOptionTypeLCT1, &v), 1);
    EXPECT_EQ(v, 0u);  // an option whose default is 0 still answers
    EXPECT_EQ(MdlItemOptionValue(c, kItDmScale, &v), 0);
    int32_t w = 0, l = 0;
    ItemSetRawById(c, kItDmOrientation, 1);
    EXPECT_EQ(MdlPaperSize(c, 8, &w, &l), 1);  // A3
    EXPECT_EQ(w, 2970);
    EXPECT_EQ(l, 4200);
    EXPECT_EQ(MdlPaperSize(c, 256, &w, &l), 0);  // the custom value has no size
    EXPECT_EQ(MdlPaperSize(c, 70, &w, &l), 0);
}
