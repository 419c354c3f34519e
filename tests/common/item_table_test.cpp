// Checks of the built-in tables as generated from the data files: the layout
// of every item in the DEVMODE buffer, the ids, keys and dictionary rules the
// code relies on, and the page and control tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/builtin_tables.h"
#include "core/devmode_sizes.h"
#include "core/dictionary_lookup.h"
#include "core/item_ids.h"

using namespace vesk;

namespace {

uint32_t touched(const DmItem& it) {
    uint32_t code = itemTypeCode(it);
    if (typeIsBit(code)) return (code - kTypeBitFirst) / 8 + 1;
    if (code == kTypeS8 || code == kTypeU8) return 1;
    if (code == kTypeS16 || code == kTypeU16) return 2;
    if (code == kTypeS32 || code == kTypeU32) return 4;
    return itemSize(it);
}

const DmItem& item(int id) {
    const DmItem* t = builtinItems();
    for (int i = 0; i < builtinItemCount(); ++i)
        if (t[i].id == id) return t[i];
    static DmItem none{};
    ADD_FAILURE() << "no item " << id;
    return none;
}

// The bytes (or bits) an item occupies, for the overlap check.
struct Span {
    uint32_t first, last;  // bit positions within the section
};
Span span(const DmItem& it) {
    uint32_t code = itemTypeCode(it);
    uint32_t base = it.offset * 8u;
    if (typeIsBit(code)) {
        uint32_t b = base + (code - kTypeBitFirst);
        return {b, b};
    }
    return {base, base + touched(it) * 8u - 1};
}

}  // namespace

TEST(ItemTable, IdsAreDenseThenHighInOrder) {
    ASSERT_EQ(builtinItemCount(), kBuiltinItemCount);
    const DmItem* t = builtinItems();
    for (int i = 0; i < 962; ++i) ASSERT_EQ(t[i].id, i + 1);
    for (int i = 962; i < kBuiltinItemCount; ++i) ASSERT_EQ(t[i].id, 10001 + (i - 962));
}

TEST(ItemTable, EveryItemLiesInsideItsSectionWithoutOverlap) {
    const DmSizes& s = kDmSizesNt;
    EXPECT_EQ(dmSectionSize(s, 1), 1260u);
    EXPECT_EQ(dmSectionSize(s, 2), 508u);
    EXPECT_EQ(dmSectionSize(s, 3), 2040u);
    std::map<uint32_t, std::vector<std::pair<Span, int>>> bySection;
    for (int i = 0; i < builtinItemCount(); ++i) {
        const DmItem& it = builtinItems()[i];
        uint32_t sec = itemSection(it);
        ASSERT_GE(sec, 1u) << it.id;
        EXPECT_LE(it.offset + touched(it), dmSectionSize(s, sec)) << "item " << it.id;
        if (typeIsBit(itemTypeCode(it))) {
            EXPECT_GE(itemSize(it), touched(it)) << it.id;
        }
        // Items 430 to 706 are the copies of 10001 to 10277 in the spooler's
        // part; they share their twins' bytes by design and are checked below.
        bySection[sec].push_back({span(it), it.id});
    }
    for (auto& [sec, v] : bySection) {
        std::sort(v.begin(), v.end(), [](auto& a, auto& b) { return a.first.first < b.first.first; });
        for (size_t i = 1; i < v.size(); ++i)
            EXPECT_GT(v[i].first.first, v[i - 1].first.last)
                << "section " << sec << ": item " << v[i].second << " overlaps item " << v[i - 1].second;
    }
}

TEST(ItemTable, SectionsByIdRange) {
    for (int i = 0; i < builtinItemCount(); ++i) {
        const DmItem& it = builtinItems()[i];
        uint32_t want = (it.id <= 730) ? 1 : ((it.id <= 906 || it.id >= 948) && it.id < 10001) ? 3 : 2;
        EXPECT_EQ(itemSection(it), want) << it.id;
    }
}

TEST(ItemTable, FixedPlacesOfTheDevmode) {
    struct Fixed {
        int id;
        uint32_t code, size, offset;
    };
    const Fixed fixed[] = {
        {1, kTypeWide2, 64, 0},    {7, kTypeS16, 2, 76},     {8, kTypeS16, 2, 78},    {14, kTypeS16, 2, 90},
        {20, kTypeWide2, 64, 102}, {27, kTypeU32, 4, 188},   {34, kTypeU32, 4, 216},  {714, kTypeU32, 4, 224},
        {707, kTypeAnsi2, 16, 228}, {708, kTypeAnsi2, 16, 244}, {709, kTypeAnsi2, 16, 260},
        {710, kTypeAnsi2, 8, 276}, {711, kTypeU8, 1, 284},   {712, kTypeAnsi2, 32, 285}, {713, kTypeAnsi2, 32, 317},
        {35, kTypeU8, 1, 368},     {38, kTypeU8, 1, 371},    {39, kTypeU8, 1, 372},   {177, kTypeU8, 1, 587},
        {246, kTypeU8, 1, 826},    {249, kTypeU32, 4, 832},  {380, kTypeU8, 1, 857},  {216, kTypeAnsi2, 9, 0xFFFF},
        {430, kTypeU8, 1, 892},    {431, kTypeU8, 1, 893},   {432, kTypeAnsi2, 9, 894},
        {715, kTypeU8, 1, 1241},   {730, kTypeU8, 1, 1256},
        {10001, kTypeU8, 1, 0},    {10002, kTypeU8, 1, 1},   {10003, kTypeAnsi2, 9, 2},
    };
    for (const Fixed& f : fixed) {
        const DmItem& it = item(f.id);
        EXPECT_EQ(itemTypeCode(it), f.code) << f.id;
        EXPECT_EQ(itemSize(it), f.size) << f.id;
        if (f.offset != 0xFFFF) {
            EXPECT_EQ(it.offset, f.offset) << f.id;
        }
    }
    // The bit word at 858: items 381 to 396, bit 13 is item 394.
    for (int id = 381; id <= 396; ++id) {
        EXPECT_EQ(item(id).offset, 858) << id;
        EXPECT_EQ(itemTypeCode(item(id)), kTypeBitFirst + (id - 381)) << id;
    }
    // The action word: items 224 to 239 are bits 0 to 15 of one 16-bit word.
    for (int id = 224; id <= 239; ++id) {
        EXPECT_EQ(item(id).offset, item(224).offset) << id;
        EXPECT_EQ(itemTypeCode(item(id)), kTypeBitFirst + (id - 224)) << id;
        EXPECT_EQ(itemSize(item(id)), 2u) << id;
    }
    // The state bytes follow the mirror of section 2.
    for (int k = 0; k < 16; ++k) EXPECT_EQ(item(715 + k).offset, 1241 + k);
}

TEST(ItemTable, SectionOneMirrorsTheFirstBytesOfSectionTwo) {
    for (int k = 0; k < 277; ++k) {
        const DmItem& low = item(430 + k);
        const DmItem& high = item(10001 + k);
        EXPECT_EQ(low.offset, 892 + high.offset) << 430 + k;
        EXPECT_EQ(itemTypeCode(low), itemTypeCode(high)) << 430 + k;
        EXPECT_EQ(itemSize(low), itemSize(high)) << 430 + k;
        EXPECT_LT(high.offset + touched(high), 349u) << 10001 + k;
        EXPECT_EQ(low.fieldName, nullptr) << 430 + k;
    }
}

TEST(ItemTable, NamesAndPersistence) {
    EXPECT_EQ(std::u16string(item(7).fieldName), u"dmOrientation");
    EXPECT_EQ(std::u16string(item(216).fieldName), u"rdmUserCode");
    EXPECT_EQ(std::u16string(item(216).iniSection), u"PRINTLOG");
    EXPECT_EQ(std::u16string(item(216).valueName), u"UserCode");
    EXPECT_EQ(std::u16string(item(10001).iniSection), u"PRINTLOG");
    EXPECT_EQ(std::u16string(item(10001).valueName), u"ServerUse");
    EXPECT_EQ(std::u16string(item(10277).valueName), u"MarkTray");
    // Computed items and the flags of section 2's last words have no field name.
    for (int id = 731; id <= 858; ++id) EXPECT_EQ(item(id).fieldName, nullptr) << id;
    for (int id = 916; id <= 947; ++id) EXPECT_EQ(item(id).fieldName, nullptr) << id;
    // Class-1 items persisted in the INI are of persistence kind 2.
    for (int id : {222, 224, 247, 249}) EXPECT_EQ(item(id).storageClass, 2) << id;
    // The membership marks.
    int marks[4] = {};
    for (int i = 0; i < builtinItemCount(); ++i)
        for (int w = 0; w < 4; ++w)
            if (builtinItems()[i].classWords[w]) ++marks[w];
    EXPECT_EQ(marks[kClassPresetDevice], 40);
    EXPECT_EQ(marks[kClassQuality], 15);
    EXPECT_EQ(marks[kClassStamp], 25);
    EXPECT_EQ(item(106).classWords[kClassUnit], 2u);
}

// The named ids as the code compiles them: each names the row whose field
// name it is made of ("kIt" and the field name with its first letter
// capitalised), and every row with a field name has one.
TEST(ItemTable, NamedIdsMatchTheirRows) {
    static_assert(kItDmOrientation == 7 && kItDmPaperSize == 8 && kItDmPrintQuality == 14);
    static_assert(kItDmYResolution == 17 && kItRdmKwomVersion == 711 && kItRdmMPDefTray == 10277);
    std::set<int> named;
    for (int i = 0; i < builtinItemIdCount(); ++i) {
        const ItemIdName& n = builtinItemIds()[i];
        const DmItem& it = item(n.id);
        ASSERT_NE(it.fieldName, nullptr) << n.name;
        std::string field(it.fieldName, it.fieldName + std::char_traits<char16_t>::length(it.fieldName));
        field[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
        EXPECT_EQ(std::string(n.name), "kIt" + field) << n.id;
        EXPECT_TRUE(named.insert(n.id).second) << n.name;
    }
    int withField = 0;
    for (int i = 0; i < builtinItemCount(); ++i)
        if (builtinItems()[i].fieldName) ++withField;
    EXPECT_EQ(static_cast<int>(named.size()), withField);
}

TEST(ItemTable, KeysFollowTheHandlerRowsAndAreUnique) {
    std::set<int> keys;
    for (int i = 0; i < builtinItemCount(); ++i) {
        const DmItem& it = builtinItems()[i];
        if (!it.key) continue;
        EXPECT_TRUE(keys.insert(it.key).second) << "key " << it.key;
        // Keys that name messages, pages and the radio lists are not item keys.
        EXPECT_FALSE(it.key >= 233 && it.key <= 310) << it.id;
        EXPECT_NE(it.key, 328);
        EXPECT_NE(it.key, 546);
    }
    // Options whose built-in handler decides have no key; the others do.
    for (int id : {35, 36, 37, 38, 39, 60, 62, 69, 101, 130, 164, 227, 240, 245, 430, 431, 441, 572, 603})
        EXPECT_EQ(item(id).key, 0) << id;
    for (int id : {40, 41, 42, 43, 50, 57, 58, 92, 95, 102, 109, 120, 177, 179, 215, 224, 241, 246, 380})
        EXPECT_NE(item(id).key, 0) << id;
    EXPECT_EQ(item(860).key, 860);
    EXPECT_EQ(item(861).key, 861);
}

TEST(Dictionary, SymbolsMessagesAndValueNames) {
    EXPECT_STREQ(SymFindByKey(328)->name, "VPD_RADIOLIST_1");
    EXPECT_EQ(SymFindByName("VPD_IDD_DIALOG_ICM")->itemId, 0);  // a page names no item
    EXPECT_EQ(SymFindByKey(0), nullptr);
    EXPECT_EQ(SymFindByName("VPD_NoSuchName"), nullptr);
    // A key names one item wherever it appears.
    std::map<int, int> keyItem;
    for (int i = 0; i < builtinSymbolCount(); ++i) {
        const SymbolEntry& e = builtinSymbols()[i];
        auto [it, fresh] = keyItem.emplace(e.key, e.itemId);
        EXPECT_TRUE(fresh || it->second == e.itemId) << e.name;
    }

    ASSERT_EQ(MsgSymCount(nullptr), 31);
    for (int k = 233; k <= 263; ++k) EXPECT_NE(MsgSymFindById(nullptr, k), nullptr) << k;
    EXPECT_EQ(MsgSymFindByName(nullptr, "VPD_NupOnMessage")->key, 262);
    EXPECT_EQ(MsgSymGet(nullptr, 31), nullptr);
    EXPECT_EQ(MsgSymGet(nullptr, -1), nullptr);

    const ValueSymbol* a4 = ValueSymFindByName("IDS_PAPERSIZE_A4");
    ASSERT_NE(a4, nullptr);
    EXPECT_EQ(a4->windowsValue, 9u);
    EXPECT_EQ(ValueSymFind(8, 41), a4);
    EXPECT_EQ(ValueSymFind(8, 41 + 0x10000), a4);  // values compare as 16-bit
    EXPECT_STREQ(ValueSymFind(714, 2)->name, "RDMJOBLINKER_JOBLINKER");
    EXPECT_EQ(ValueSymFind(714, 3), nullptr);
}

TEST(PageTable, PagesControlsAndTypes) {
    ASSERT_EQ(builtinPageCount(), 47);
    int total = 0;
    std::map<int, int> types;
    for (int p = 0; p < builtinPageCount(); ++p) {
        const UiPage& pg = builtinPages()[p];
        EXPECT_EQ(pg.key, 264 + p) << pg.id;
        total += pg.controlCount;
        for (int i = 0; i < pg.controlCount; ++i) {
            const UiControl& c = pg.controls[i];
            ++types[c.type];
            EXPECT_EQ(c.item, nullptr);
            EXPECT_EQ(c.secondId, 0);
        }
    }
    EXPECT_EQ(total, 765);
    const std::map<int, int> want{{1, 230}, {2, 55}, {4, 18},  {21, 174}, {22, 50}, {23, 15}, {41, 31}, {42, 5},
                                  {43, 5},  {47, 23}, {48, 55}, {50, 2},   {61, 56}, {63, 34}, {84, 10}, {105, 2}};
    EXPECT_EQ(types, want);
}
