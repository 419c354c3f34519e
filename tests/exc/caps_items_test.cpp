// The capability items of the versioned API on the sample printer: the
// table and bitmap, the item call around the printer, and the items whose
// rules go beyond copying a list.
#include <win/profile.h>

#include <algorithm>
#include <tuple>

#include "api/opt_values.h"
#include "common_calls/devmode_forms.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "caps/caps_items.h"
#include "exc/caps_support.h"

namespace vesk::test {
namespace {

using Caps = CapsHandle;

TEST_F(Caps, TheTableAndTheBitmap) {
    for (uint32_t id = 1; id <= kCapsItemCount; ++id) {
        const CapsItemRow* r = CapsRowById(id);
        ASSERT_NE(r, nullptr) << id;
        EXPECT_EQ(r->id, id);
        EXPECT_EQ(r->supported, 1u);
        EXPECT_EQ(r->recordVersion, 3u);
        EXPECT_NE(r->handler, nullptr) << id;
    }
    EXPECT_EQ(CapsRowById(0), nullptr);
    EXPECT_EQ(CapsRowById(57), nullptr);

    EXPECT_EQ(VESKDrvGetCaps(nullptr, 0, nullptr), -1);
    EXPECT_EQ(VESKDrvGetCaps(nullptr, 1, nullptr), -1);
    EXPECT_EQ(VESKDrvGetCaps(nullptr, kCapsIdGetAll, nullptr), -1);
    open();
    EXPECT_EQ(VESKDrvGetCaps(h_, 0, nullptr), 32);
    BYTE b[40];
    std::memset(b, 0xAB, sizeof b);
    EXPECT_EQ(VESKDrvGetCaps(h_, 0, b), 32);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(b[i], 0xFF) << i;
    for (int i = 7; i < 32; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(b[32], 0xAB) << "nothing past the 32 bytes";
    EXPECT_EQ(VESKDrvGetCaps(h_, 57, b), 0);
    EXPECT_EQ(VESKDrvGetCaps(h_, 0x80000003u, b), 0);
    EXPECT_EQ(VESKDrvGetCaps(h_, kCapsIdFreeAll, nullptr), 1);
}

TEST_F(Caps, EveryItemOpensThePrinterForTheCallAlone) {
    open();
    const size_t printers = winsim::openPrinterHandles();
    EXPECT_EQ(item(1), 1);
    EXPECT_EQ(winsim::openPrinterHandles(), printers);
    EXPECT_EQ(ctx()->printer, nullptr) << "no closed handle stays behind";
    EXPECT_EQ(ctx()->driverQuery, nullptr);
    // A printer that can no longer be opened: -1, and no handler runs (the
    // constant item 1 would answer 1).
    std::memset(ctx()->ws->printerName, 0, sizeof ctx()->ws->printerName);
    std::memcpy(ctx()->ws->printerName, u"Gone", 10);
    EXPECT_EQ(item(1), -1);
    EXPECT_EQ(item(24), -1);
    EXPECT_EQ(VESKDrvGetCaps(h_, 0, nullptr), 32) << "the bitmap needs no printer";
}

TEST_F(Caps, OutputTraysLeadWithZeroAndListOnlyAChoice) {
    open();
    // Without the finisher the upper tray is the only one: the 0 alone.
    EXPECT_EQ(list(6), (std::vector<uint32_t>{0}));
    // The finisher's trays make a choice; the allowed list's own 0 (a
    // repeat of the upper tray) is not listed again.
    ItemSetRawById(ctx(), 489, 1);
    ItemSetRawById(ctx(), 490, 1);
    const std::vector<uint32_t> trays = list(6);
    ASSERT_GE(trays.size(), 3u);
    EXPECT_EQ(trays[0], 0u);
    EXPECT_EQ(std::count(trays.begin(), trays.end(), 0u), 1);
    EXPECT_NE(std::find(trays.begin(), trays.end(), 2u), trays.end());
    EXPECT_NE(std::find(trays.begin(), trays.end(), 36u), trays.end());
}

TEST_F(Caps, NamedListsKeepTheirValuesOrder) {
    open();
    const std::vector<uint32_t> bins = list(2);
    const std::vector<std::string> binNames = names(3, kCapsBinNameBytes);
    ASSERT_FALSE(bins.empty());
    ASSERT_EQ(binNames.size(), bins.size());
    const std::vector<uint32_t> papers = list(10);
    const std::vector<std::string> paperNames = names(11, kCapsNameBytes);
    ASSERT_EQ(paperNames.size(), papers.size());
    ASSERT_EQ(item(12), static_cast<int32_t>(papers.size()));
    const auto a4 = std::find(papers.begin(), papers.end(), 9u) - papers.begin();
    ASSERT_LT(static_cast<size_t>(a4), papers.size());
    // Media type and output tray names come from the option value lists:
    // one name per listed value while those lists answer, else -1.
    for (const auto& [values, named, option] : {std::tuple{4u, 5u, 378}, std::tuple{6u, 7u, 57}}) {
        int32_t r = 0;
        const std::vector<std::string> n = names(named, kCapsNameBytes, &r);
        const bool listed = OptListPublicValues(h_, nullptr, option) >= 0 &&
                            OptListValueNames(h_, nullptr, 64, option) == OptListPublicValues(h_, nullptr, option);
        EXPECT_EQ(r, listed ? item(values) : -1) << "item " << named;
    }
    // Item 12's entries are (width, length) pairs.
    std::vector<int32_t> pairs(papers.size() * 2);
    ASSERT_EQ(VESKDrvGetCaps(h_, 12, pairs.data()), static_cast<intptr_t>(papers.size()));
    EXPECT_EQ(pairs[static_cast<size_t>(a4) * 2], 2100);
    EXPECT_EQ(pairs[static_cast<size_t>(a4) * 2 + 1], 2970);
}

TEST_F(Caps, HalvesRangesAndTheResolutionIds) {
    open();
    // Scale limits of the sample (25-400 % on both axes): option 93 high,
    // option 92 low, and the buffer takes 92's first.
    EXPECT_EQ(item(20), (400 << 16) | 400);
    EXPECT_EQ(item(21), (25 << 16) | 25);
    uint16_t pair[3] = {0, 0, 0xABCD};
    EXPECT_EQ(VESKDrvGetCaps(h_, 21, pair), (25 << 16) | 25);
    EXPECT_EQ(pair[0], 25);
    EXPECT_EQ(pair[1], 25);
    EXPECT_EQ(pair[2], 0xABCD);
    // Extents: width low, length high, as the buffer receives them.
    const int32_t max = item(13);
    EXPECT_EQ(VESKDrvGetCaps(h_, 13, pair), max);
    EXPECT_EQ(pair[0], static_cast<uint16_t>(max & 0xFFFF));
    EXPECT_EQ(pair[1], static_cast<uint16_t>(max >> 16));
    // Margins in 0.1 mm from 1200-dpi dots: 2400 dots are 50.8 mm, 200 dots
    // 4.2 mm shown as the next step that covers them.
    EXPECT_EQ(item(28), 508);
    EXPECT_EQ(item(29), 0);
    EXPECT_EQ(item(26), 43);
    EXPECT_EQ(item(34), 1) << "the sample has a numeric shift margin";
    EXPECT_EQ(item(37), 508);
    EXPECT_EQ(item(17), 999);
    EXPECT_EQ(item(48), 1) << "the sample has the paper rotation switch";
    EXPECT_EQ(item(44), 0) << "nor the white paper output";
    // Resolution ids of the table: 600 dpi is 3, 1200 dpi 4.
    EXPECT_EQ(list(54), (std::vector<uint32_t>{3, 4}));
}

TEST_F(Caps, StampsListTheScratchSlotFirstAndStopAtTheCapacity) {
    open();
    while (GetStampCount(ctx()) > 0) DeleteStamp(ctx(), 0);
    EXPECT_EQ(list(32), (std::vector<uint32_t>{256}));
    const std::vector<std::string> none = names(33, kCapsNameBytes);
    EXPECT_EQ(none, (std::vector<std::string>{""}));

    // Three stamps: a text stamp, an image stamp and one of another kind.
    struct Stamp {
        uint32_t kind;
        const char16_t* text;
        const char16_t* image;
    } stamps[] = {{1, u"Secret", u"ignored.bmp"}, {2, u"ignored", u"logo.bmp"}, {7, u"x", u"y"}};
    for (uint32_t i = 0; i < 3; ++i) {
        ItemSetRawById(ctx(), 109, stamps[i].kind);
        ItemSetString(ctx(), ItemFindById(ctx(), 871), stamps[i].text);
        ItemSetString(ctx(), ItemFindById(ctx(), 872), stamps[i].image);
        ASSERT_TRUE(SaveStampByIndex(ctx(), i));
    }
    ItemSetRawById(ctx(), 109, 2);
    std::vector<BYTE> devmode(ctx()->devmode, ctx()->devmode + 1260);
    EXPECT_EQ(list(32), (std::vector<uint32_t>{256, 1, 2, 3}));
    EXPECT_EQ(names(33, kCapsNameBytes), (std::vector<std::string>{"", "Secret", "logo.bmp", ""}));
    EXPECT_EQ(std::memcmp(devmode.data(), ctx()->devmode, 1260), 0) << "the DEVMODE is put back";

    // The internal call stops at its capacity: a list that grew since the
    // count query cannot run past the block.
    uint32_t ids[4] = {0, 0, 0xAAAA, 0xAAAA};
    EXPECT_EQ(CapsCallItemBounded(h_, 32, ids, 2), 2);
    EXPECT_EQ(ids[1], 1u);
    EXPECT_EQ(ids[2], 0xAAAAu);
    char text[3 * 64];
    std::memset(text, 0x55, sizeof text);
    EXPECT_EQ(CapsCallItemBounded(h_, 33, text, 2), 2);
    EXPECT_EQ(std::string(text + 64), "Secret");
    EXPECT_EQ(static_cast<unsigned char>(text[128]), 0x55u);
}

TEST_F(Caps, AStampNameInDoubleByteTextIsCutOnACharacterBoundary) {
    winsim::config().ansiCodePage = 932;
    open();
    while (GetStampCount(ctx()) > 0) DeleteStamp(ctx(), 0);
    // Sixteen double-byte characters: the whole name in 32 bytes.
    const std::u16string name(16, u'\u3042');
    ItemSetRawById(ctx(), 109, 1);
    ItemSetString(ctx(), ItemFindById(ctx(), 871), name.c_str());
    ASSERT_TRUE(SaveStampByIndex(ctx(), 0));
    const std::vector<std::string> got = names(33, kCapsNameBytes);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_LE(got[1].size(), 63u);
    EXPECT_EQ(got[1].size() % 2, 0u) << "no lead byte without its trail byte";
    EXPECT_FALSE(got[1].empty());
    winsim::config().ansiCodePage = 1252;
}

TEST_F(Caps, WatermarkKindsFollowTheControlTestAndTheSwitch) {
    open();
    // The sample printer's control 2407 has a key whose Exclusive row offers
    // the stamp kind above the device's smallest memory.
    EXPECT_EQ(list(30), (std::vector<uint32_t>{1, 2, 3}));
    ItemSetRawById(ctx(), 10012, 256);
    EXPECT_EQ(list(30), (std::vector<uint32_t>{1, 2})) << "the row's condition holds";
    // Bit 0x1 of the setup INI's API switch adds the tiled kind.
    WCHAR ini[260] = {};
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"1", ApiIniPath2(h_, ini)));
    EXPECT_EQ(list(30), (std::vector<uint32_t>{1, 2, 128}));
    ItemSetRawById(ctx(), 10012, 512);
    EXPECT_EQ(list(30), (std::vector<uint32_t>{1, 2, 3, 128}));
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"8", ini));
    const std::vector<uint32_t> expect{1, 2};

    // A page table whose control 2407 has the key of an option with an
    // Exclusive row: the row's first condition decides.
    UiPageTable* own = ctx()->pages;
    UiControl control{};
    control.id = 2407;
    control.key = kItRdmFuncSelectDuplex;
    UiPage page{};
    page.id = 1003;
    page.controlCount = 1;
    page.controls = &control;
    UiPageTable table{1, &page};
    ctx()->pages = &table;
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeDuplex, 1);
    EXPECT_EQ(list(30), (std::vector<uint32_t>{1, 2, 3})) << "another switch bit adds nothing";
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeDuplex, 0);
    EXPECT_EQ(list(30), expect);
    control.key = 0;
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeDuplex, 1);
    EXPECT_EQ(list(30), expect) << "a control without a key fails";
    ctx()->pages = own;
}

TEST_F(Caps, TerminalServerUseTurnsTheLocalFeaturesOff) {
    open();
    ItemSetRawById(ctx(), 10070, 1);
    DmPutTerminalServerFlag(ctx(), 0);
    EXPECT_EQ(IsNtTerminalServer(h_), 0);
    EXPECT_EQ(item(50), 1);
    EXPECT_EQ(item(51), 1);
    DmPutTerminalServerFlag(ctx(), 1);
    // The items follow the terminal-server answer of the option lists.
    const int32_t off = IsNtTerminalServer(h_) ? 0 : 1;
    for (uint32_t id = 49; id <= 53; ++id) {
        if (id == 50 || id == 51) {
            EXPECT_EQ(item(id), off) << id;
        } else if (off == 0) {
            EXPECT_EQ(item(id), 0) << id;
        }
    }
}

// The mark sheets need the paper bank here, the marker paper types the
// large-capacity tray.
constexpr char kMarkRules[] =
    "*Judge 91=MarkNeedsBank: { VPD_rdmSourceOptionTypeBank == 0 }\n"
    "*Judge 92=MarkPaperNeedsLct: { VPD_rdmSourceOptionTypeLCT1 == 0 }\n"
    "*Exclusive: {\n"
    "    VPD_rdmFuncSelectMark MarkNeedsBank NULL NULL NULL NULL NULL\n"
    "    VPD_rdmMarkPaperType MarkPaperNeedsLct NULL NULL NULL NULL NULL\n"
    "}\n";

TEST_F(Caps, MarkPaperTypesInEachCase) {
    open();
    EXPECT_EQ(item(23), 1) << "two bins besides the manual feed";
    EXPECT_EQ(list(56), (std::vector<uint32_t>{182, 183, 0})) << "the sample's marker paper types, then 0";
    close();

    extendModel(kMarkRules);
    open();
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeBank, 0);
    EXPECT_EQ(item(23), 0);
    EXPECT_EQ(item(56), 0);
    EXPECT_TRUE(list(56).empty());
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeBank, 1);
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeLCT1, 0);
    EXPECT_EQ(item(23), 1);
    EXPECT_EQ(list(56), (std::vector<uint32_t>{1, 0})) << "the paper type option is disabled";
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeLCT1, 1);
    EXPECT_EQ(list(56), (std::vector<uint32_t>{182, 183, 0}));
    close();

    // Values without value symbols of their own: the list fails, while the
    // count query still answers 2.
    extendModel(kMarkRules, "IDList { IDS_MARKPAPER_PLAIN IDS_MARKPAPER_COLOUR }",
                "IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK }");
    open();
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeBank, 1);
    ItemSetRawById(ctx(), kItRdmSourceOptionTypeLCT1, 1);
    EXPECT_EQ(item(56), 2);
    uint32_t b[2] = {};
    EXPECT_EQ(VESKDrvGetCaps(h_, 56, b), -1);
}

TEST_F(Caps, SelectableValuesLeaveDisabledValuesOut) {
    open();
    // Output trays: the finisher's trays are disabled without the finisher.
    std::vector<uint32_t> v(8);
    ItemSetRawById(ctx(), kItRdmOutputOptionTypeFin3000, 0);
    v.resize(static_cast<size_t>(std::max(CapsSelectableValues(h_, 57, v.data(), 8), 0)));
    EXPECT_EQ(v, (std::vector<uint32_t>{2}));
    ItemSetRawById(ctx(), kItRdmOutputOptionTypeFin3000, 1);
    v.assign(8, 0);
    v.resize(static_cast<size_t>(std::max(CapsSelectableValues(h_, 57, v.data(), 8), 0)));
    EXPECT_EQ(v, (std::vector<uint32_t>{2, 38, 37}));
    EXPECT_EQ(CapsSelectableValues(h_, 57, v.data(), 1), 1) << "stops at the capacity";
    EXPECT_EQ(CapsSelectableValues(h_, 13, nullptr, 0), -1) << "a bin option is not PickOne";
}

TEST_F(Caps, PrintMethodsAreTheMethodNumbersWithTheTallyUnderTheSwitch) {
    open();
    const std::vector<uint32_t> methods{0, 1, 2, 3, 5, 7};
    EXPECT_EQ(list(18), methods);
    WCHAR ini[260] = {};
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"8", ApiIniPath2(h_, ini)));
    std::vector<uint32_t> tally = methods;
    tally.push_back(255);
    EXPECT_EQ(list(18), tally);
    ItemSetRawById(ctx(), kItRdmPrnMethod, 5);
    EXPECT_EQ(list(18), tally) << "the list does not follow the chosen method";
}

TEST_F(Caps, TheEmulationsAndPrintAreasOfTheSample) {
    open();
    EXPECT_EQ(list(45), (std::vector<uint32_t>{180, 181})) << "the emulation list, by its value symbols";
    EXPECT_EQ(item(47), -1) << "the sample's print area option is on/off, not a list";
    uint32_t one = 0;
    EXPECT_EQ(CapsCallItemBounded(h_, 45, &one, 1), 1);
    EXPECT_EQ(one, 180u);
}

}  // namespace
}  // namespace vesk::test
