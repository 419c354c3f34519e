// Device capabilities: the paper, bin and resolution lists of a model, the
// extents, the resolution table, and the capability-code lookups.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/eval_support.h"
#include "common/res_support.h"
#include "core/caps/capability_codes.h"
#include "core/caps/device_caps.h"
#include "core/devmode/dm_private.h"
#include "core/item_ids.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/units.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint16_t kSentinel = 0xBEEF;

// A list's count call, then its fill call into a buffer one entry longer
// whose last entry must stay as it was.
std::vector<uint16_t> ids(DrvContext* c, int (*get)(DrvContext*, uint16_t*, int), int option) {
    const int n = get(c, nullptr, option);
    if (n < 0) return {};
    std::vector<uint16_t> out(static_cast<size_t>(n) + 1, kSentinel);
    EXPECT_EQ(get(c, out.data(), option), n);
    EXPECT_EQ(out.back(), kSentinel);
    out.pop_back();
    return out;
}

std::vector<std::u16string> names(DrvContext* c, int (*get)(DrvContext*, WCHAR*, uint32_t, int), uint32_t chars,
                                  int option) {
    const int n = get(c, nullptr, chars, option);
    if (n < 0) return {};
    std::vector<WCHAR> buf((static_cast<size_t>(n) + 1) * chars, u'#');
    EXPECT_EQ(get(c, buf.data(), chars, option), n);
    EXPECT_EQ(buf[static_cast<size_t>(n) * chars], u'#');
    std::vector<std::u16string> out;
    for (int i = 0; i < n; ++i) out.emplace_back(buf.data() + static_cast<size_t>(i) * chars);
    return out;
}

std::vector<std::pair<int32_t, int32_t>> pairs(DrvContext* c, int n, bool sizes) {
    std::vector<int32_t> buf(2 * static_cast<size_t>(n) + 2, -7);
    EXPECT_EQ(sizes ? CapsGetPaperSizes(c, buf.data(), kItDmPaperSize) : CapsGetResolutions(c, buf.data()), n);
    EXPECT_EQ(buf[2 * static_cast<size_t>(n)], -7);
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int i = 0; i < n; ++i) out.emplace_back(buf[2 * i], buf[2 * i + 1]);
    return out;
}

std::vector<std::pair<int32_t, int32_t>> resolutions(DrvContext* c) {
    return pairs(c, CapsGetResolutions(c, nullptr), false);
}

using Pairs = std::vector<std::pair<int32_t, int32_t>>;

class CapsPrinter : public ResourcePrinter {};

TEST_F(CapsPrinter, PaperListsStayParallelAndLeaveHiddenPapersOut) {
    DrvContext* c = context(kCreateDeviceCaps, 0);
    ASSERT_TRUE(c && c->model);
    // Executive (7) is hidden without the paper bank.
    const std::vector<uint16_t> papers = ids(c, CapsGetPapers, kItDmPaperSize);
    EXPECT_EQ(papers, (std::vector<uint16_t>{8, 9, 11, 12, 13, 1, 5, 3, 256, 384}));
    const auto n = names(c, CapsGetPaperNames, kCapsPaperNameChars, kItDmPaperSize);
    ASSERT_EQ(n.size(), papers.size());
    EXPECT_EQ(n[0], u"A3");
    EXPECT_EQ(n[7], u"Tabloid");
    const Pairs sizes = pairs(c, static_cast<int>(papers.size()), true);
    EXPECT_EQ(sizes[1], std::make_pair(2100, 2970));
    EXPECT_EQ(sizes[7], std::make_pair(2794, 4318));

    // The free papers take their slot's name and size from the free-size
    // list when it answers, else the string and page size of the value.
    WCHAR slotName[kCapsPaperNameChars] = {};
    int32_t w = 0, l = 0;
    const bool named = FreeSizePaperName(c, 384, slotName, kCapsPaperNameChars) == 1;
    const bool sized = FreeSizePaper(c, 384, &w, &l) == 1;
    EXPECT_EQ(n[9], named ? std::u16string(slotName) : std::u16string(u"User size 1"));
    EXPECT_EQ(sizes[9], sized ? std::make_pair(DotsToDisplay(kUnitTenthMm, w, 1200), DotsToDisplay(kUnitTenthMm, l, 1200))
                              : std::make_pair(0, 0));

    // With the bank fitted Executive joins all three lists at its place.
    ItemSetRawById(c, kItRdmSourceOptionTypeBank, 1);
    ASSERT_EQ(DmCopyExtBlock(c), 1);
    const std::vector<uint16_t> all = ids(c, CapsGetPapers, kItDmPaperSize);
    ASSERT_EQ(all.size(), 11u);
    EXPECT_EQ(all[8], 7);
    EXPECT_EQ(names(c, CapsGetPaperNames, kCapsPaperNameChars, kItDmPaperSize)[8], u"Executive");
    EXPECT_EQ(pairs(c, 11, true)[8], std::make_pair(1842, 2667));
}

TEST_F(CapsPrinter, BinsAndTheirNamesFollowTheInstalledTrays) {
    DrvContext* c = context(kCreateDeviceCaps, 0);
    ASSERT_TRUE(c && c->model);
    EXPECT_EQ(ids(c, CapsGetBins, kItDmDefaultSource), (std::vector<uint16_t>{7, 1, 3, 4}));
    const auto n = names(c, CapsGetBinNames, kCapsBinNameChars, kItDmDefaultSource);
    ASSERT_EQ(n.size(), 4u);
    EXPECT_EQ(n[1], u"Tray 1");
    EXPECT_EQ(n[3], u"Bypass tray");
    ItemSetRawById(c, kItRdmSourceOptionTypeBank, 1);
    ASSERT_EQ(DmCopyExtBlock(c), 1);
    EXPECT_EQ(ids(c, CapsGetBins, kItDmDefaultSource), (std::vector<uint16_t>{7, 1, 3, 2, 256, 4}));
    // A name field is cut to its width and always terminated.
    EXPECT_EQ(names(c, CapsGetBinNames, 6, kItDmDefaultSource)[5], u"Bypas");
    // Resolutions of the sample.
    EXPECT_EQ(resolutions(c), (Pairs{{600, 600}, {1200, 1200}}));
}

class CapsModel : public ImageTest {};

const char* kOneSource = R"(*OpenUI *VPD_dmDefaultSource: PickSlot
*VPD_dmDefaultSource IDS_SOURCE_TRAY1: "TRAY1"
*VPD_dmDefaultSource IDS_SOURCE_TRAY2: "TRAY2"
*CloseUI
)";

TEST_F(CapsModel, BinsNeedASourceOptionWithUsableSymbols) {
    load("*OpenUI *VPD_rdmMediaType: PickOne\n*VPD_rdmMediaType IDS_MEDIA_PLAIN: \"PLAIN\"\n*CloseUI\n");
    EXPECT_EQ(CapsGetBins(c, nullptr, kItDmDefaultSource), -1);
    EXPECT_EQ(CapsGetBinNames(c, nullptr, kCapsBinNameChars, kItDmDefaultSource), -1);
    EXPECT_EQ(CapsGetPapers(c, nullptr, kItDmPaperSize), -1);
    // A source value without a value symbol of item 13 (a paper's name): the
    // bins and their names both refuse, so they never disagree.
    load("*OpenUI *VPD_dmDefaultSource: PickSlot\n*VPD_dmDefaultSource IDS_SOURCE_TRAY1: \"TRAY1\"\n"
         "*VPD_dmDefaultSource IDS_PAPERSIZE_A4: \"A4\"\n*CloseUI\n");
    EXPECT_EQ(CapsGetBins(c, nullptr, kItDmDefaultSource), -1);
    EXPECT_EQ(CapsGetBinNames(c, nullptr, kCapsBinNameChars, kItDmDefaultSource), -1);
    load(kOneSource);
    EXPECT_EQ(ids(c, CapsGetBins, kItDmDefaultSource), (std::vector<uint16_t>{1, 3}));
    EXPECT_EQ(CapsGetBinNames(c, nullptr, kCapsBinNameChars, kItDmDefaultSource), 2);
    // Another paper option must be PickOne; its hidden values stay listed.
    EXPECT_EQ(CapsGetPapers(c, nullptr, kItDmDefaultSource), -1);
    EXPECT_EQ(CapsGetPaperSizes(c, nullptr, kItDmDefaultSource), -1);
}

TEST_F(CapsModel, ResolutionsFromEachFormOfTheOption) {
    // Numeric option 42: the item's number, once.
    load("*OpenUI *VPD_rdmDstResolutionW: Numeric\n*NumericValue: \"4 600 300 2400 0 1\"\n*CloseUI\n");
    ItemSetRawById(c, kItRdmDstResolutionW, 1200);
    EXPECT_EQ(resolutions(c), (Pairs{{1200, 1200}}));
    // At 0 the Numeric option is not usable: the description's default.
    ItemSetRawById(c, kItRdmDstResolutionW, 0);
    EXPECT_EQ(resolutions(c), (Pairs{{600, 600}}));

    // Option 248 through the resolution table: ids 3, 17 and 18 are one
    // 600 x 600 pair; 1200 follows.
    load(R"(*OpenUI *VPD_rdmDstResolutionW: Numeric
*NumericValue: "4 600 300 2400 0 1"
*CloseUI
*OpenUI *VPD_rdmDstResolutionBoth: PickOne
*VPD_rdmDstResolutionBoth: IDList { IDS_RESBOTH_600 IDS_RESBOTH_600_SMOOTH IDS_RESBOTH_600_FINE IDS_RESBOTH_1200 }
*CloseUI
)");
    ItemSetRawById(c, kItRdmDstResolutionW, 600);
    EXPECT_EQ(resolutions(c), (Pairs{{600, 600}, {1200, 1200}}));

    // One entry per resolution: option 248's values are its ids.
    int32_t single[4] = {-7, -7, -7, -7};
    EXPECT_EQ(CapsEnumResolutions(c, single, kResolutionsSingle), 2);
    EXPECT_EQ(single[0], 3);
    EXPECT_EQ(single[1], 4);
    EXPECT_EQ(single[2], -7);

    // PickOne option 42: the ids of the table's rows for its dpi values.
    load("*OpenUI *VPD_rdmDstResolutionW: PickOne\n*VPD_rdmDstResolutionW: IDList { IDS_RESOLUTION_600 "
         "IDS_RESOLUTION_1200 }\n*CloseUI\n");
    EXPECT_EQ(resolutions(c), (Pairs{{600, 600}, {1200, 1200}}));
    EXPECT_EQ(CapsEnumResolutions(c, nullptr, kResolutionsSingle), 2);
    EXPECT_EQ(CapsEnumResolutions(c, single, kResolutionsSingle), 2);
    EXPECT_EQ(single[0], 3);
    EXPECT_EQ(single[1], 4);
    // A lone dpi value gives its row's id, or itself without a row.
    load("*OpenUI *VPD_rdmDstResolutionW: Numeric\n*NumericValue: \"4 600 300 2400 0 1\"\n*CloseUI\n");
    ItemSetRawById(c, kItRdmDstResolutionW, 1200);
    EXPECT_EQ(CapsEnumResolutions(c, single, kResolutionsSingle), 1);
    EXPECT_EQ(single[0], 4);
    ItemSetRawById(c, kItRdmDstResolutionW, 777);
    EXPECT_EQ(CapsEnumResolutions(c, single, kResolutionsSingle), 1);
    EXPECT_EQ(single[0], 777);

    // PickOne option 42 with a value that has no symbol: the fallback.
    load("*OpenUI *VPD_rdmDstResolutionW: PickOne\n*VPD_rdmDstResolutionW: IDList { IDS_RESOLUTION_1200 "
         "IDS_MEDIA_PLAIN }\n*CloseUI\n");
    EXPECT_EQ(resolutions(c), (Pairs{{600, 600}}));
    // No resolution option at all.
    load(kOneSource);
    EXPECT_EQ(CapsGetResolutions(c, nullptr), 1);
}

TEST(CapsExtent, DescriptionLimitsInTenthsOfAMillimetrePacked) {
    winsim::TempMachine machine;
    const DrvContext* t = GetContextTemplate();
    uint16_t out[2] = {0, 0};
    // 4250 x 6992 dots cover 900 x 1480; 14030 x 28346 dots 2970 x 6000.
    EXPECT_EQ(CapsGetExtent(t, out, kDcMinExtent), 900 | (1480 << 16));
    EXPECT_EQ(out[0], 900);
    EXPECT_EQ(out[1], 1480);
    EXPECT_EQ(CapsGetExtent(t, nullptr, kDcMaxExtent), 2970 | (6000 << 16));
    EXPECT_EQ(CapsGetExtent(t, out, 3), -1);
    EXPECT_EQ(GetSettingsField6(t), 90);
}

TEST(ResolutionTable, Lookups) {
    EXPECT_EQ(ResTableFindById(0), nullptr);
    EXPECT_EQ(ResTableFindById(6), nullptr);
    ASSERT_NE(ResTableFindById(17), nullptr);
    EXPECT_EQ(ResTableFindById(17)->xDpi, 600);
    EXPECT_EQ(ResTableFindByXY(600, 600), 3);
    EXPECT_EQ(ResTableFindByXY(2400, 2400), 5);
    EXPECT_EQ(ResTableFindByXY(0, 600), 0);
    EXPECT_EQ(ResTableFindByXY(600, 1200), 0);
    ASSERT_NE(ResTableFindByX(1200), nullptr);
    EXPECT_EQ(ResTableFindByX(1200)->id, 4);
    EXPECT_EQ(ResTableFindByX(500), nullptr);
}

TEST_F(CapsModel, CapabilityCodeLookupsOverAGivenTable) {
    load(kOneSource);
    const CapabilityCodeRow table[] = {{kItRdmOutputOptionTypeFin1000, 36, 37},
                                       {kItRdmOutputOptionTypeFin3000, 38, 39},
                                       {kCapsCodeEnd, -1, -1}};
    // No item set: the end row, whose codes name no tray.
    const CapabilityCodeRow* none = CapsFindFirstSetEntryIn(c, table);
    EXPECT_EQ(none->item, kCapsCodeEnd);
    EXPECT_EQ(none->blankCode, -1);
    EXPECT_EQ(none->otherCode, -1);
    ItemSetRawById(c, kItRdmOutputOptionTypeFin3000, 1);
    EXPECT_EQ(CapsFindFirstSetEntryIn(c, table), &table[1]);
    ItemSetRawById(c, kItRdmOutputOptionTypeFin1000, 1);
    EXPECT_EQ(CapsFindFirstSetEntryIn(c, table), &table[0]);
    // The blank selector reads the first code column, any other the second.
    EXPECT_EQ(CapsCodeListedIn(table, 38, kCapsSelectorBlank), 1);
    EXPECT_EQ(CapsCodeListedIn(table, 39, kCapsSelectorBlank), 0);
    EXPECT_EQ(CapsCodeListedIn(table, 39, 64), 1);
    EXPECT_EQ(CapsCodeListedIn(table, 36, 64), 0);
    EXPECT_EQ(CapsCodeListedIn(table, -1, kCapsSelectorBlank), 0);
    EXPECT_EQ(CapsCodeListedIn(table, -1, 64), 0);
}

}  // namespace
