// The compiled image of the sample model: its option list, the stored form's
// relocation, corrupt images refused, and the rule area of hand-made parses.
// The header, the option and value records, the command lists and the rule
// rows are read back field by field by the cache, query, rule and header
// tests, which build their images the same way.
#include <gtest/gtest.h>

#include "common/model_support.h"
#include "core/model/image.h"

using namespace vesk;
using namespace vesk::test;

namespace {


// The sample model parsed, serialised (stored form) and relocated.
class Image : public ::testing::Test {
protected:
    void SetUp() override {
        text_ = readFile(sampleModel());
        ASSERT_FALSE(text_.empty());
        r_ = parse(text_);
        ASSERT_TRUE(r_);
        r = r_.get();
        ASSERT_TRUE(MdlSerializeImage(*r, stored));
        image = stored;
        ASSERT_TRUE(MdlRelocateImage(image.data(), image.size()));
        view = MdlImageView(image.data(), image.size());
        ASSERT_TRUE(MdlValidateImage(view));
    }
    uint32_t slot(int n) {
        uint32_t v = 0;
        EXPECT_TRUE(view.slot(n, &v));
        return v;
    }
    std::string text_;
    ParsePtr r_;
    MdlParseResult* r = nullptr;
    std::vector<uint8_t> stored, image;
    MdlImageView view;
};

}  // namespace

TEST_F(Image, HeaderNamesTheConstraintLibrary) {
    std::u16string dll;
    ASSERT_TRUE(view.wstr(slot(kMdlSlotConstraintDll), &dll));
    EXPECT_EQ(dll, r->constraintDll);
    EXPECT_EQ(dll, u"veskexc.DLL");
}

// Every option once, the sharing ones first, and the slot papers of the
// sources, which no reader asks for, as the parse has them.
TEST_F(Image, EveryOptionOnceSharingOnesFirstAndTheSlotPapers) {
    MdlListWalk walk(view, slot(0), kMdlImgOptionSize);
    size_t count = 0, sharing = 0;
    bool ownerSeen = false;
    uint32_t source = 0;
    for (uint32_t o; walk.next(&o); ++count) {
        uint16_t key = 0, sub = 0, optionId = 0;
        view.u16(o + 4, &key);
        view.u16(o + 6, &sub);
        view.u16(o + 8, &optionId);
        const MdlOption* src = nullptr;
        for (const MdlOption& x : r->options)
            if (x.key == key && (x.subNumber ? x.subNumber : x.identityKey) == sub && x.optionId == optionId) src = &x;
        ASSERT_TRUE(src) << key;
        const bool shares = &MdlValuesOwner(*r, *src) != src;
        sharing += shares;
        EXPECT_FALSE(shares && ownerSeen) << "sharing option after an owner";
        ownerSeen |= !shares;
        if (MdlBaseType(src->type) == kMdlPickSlot) source = o;
    }
    EXPECT_FALSE(walk.failed());
    EXPECT_EQ(count, r->options.size());
    EXPECT_GE(sharing, 2u);  // the sample's copy and its Identity option

    const MdlOption* want = option(*r, "VPD_dmDefaultSource");
    uint32_t values = 0;
    ASSERT_TRUE(want && view.link(source + 24, 4, &values));
    MdlListWalk vw(view, values, 20);
    size_t i = 0;
    for (uint32_t v; vw.next(&v); ++i) {
        ASSERT_LT(i, want->values.size());
        const std::vector<uint16_t>& papers = want->values[i].slotPapers;
        EXPECT_EQ(get32(image, v + 12), papers.size());
        for (uint32_t k = 0; k < papers.size(); ++k) {
            uint16_t paper;
            ASSERT_TRUE(view.u16(get32(image, v + 16) + 2 * k, &paper));
            EXPECT_EQ(paper, papers[k]);
        }
    }
    EXPECT_EQ(i, want->values.size());
}

TEST_F(Image, StoredFormRelocatesToTheSameBytesEveryTime) {
    // The stored form holds tagged offsets in the rule area.
    uint32_t row = get32(stored, MdlSlotOffset(kMdlSlotExclusive));
    bool tagged = false;
    for (uint32_t f = 8; f < 32; f += 4) tagged |= MdlIsTagged(get32(stored, row + f));
    EXPECT_TRUE(tagged);
    EXPECT_NE(stored, image);
    // A copy of the stored bytes (as read back from disk) relocates to the
    // same image; relocating again changes nothing.
    std::vector<uint8_t> copy(stored.begin(), stored.end());
    ASSERT_TRUE(MdlRelocateImage(copy.data(), copy.size()));
    EXPECT_EQ(copy, image);
    ASSERT_TRUE(MdlRelocateImage(copy.data(), copy.size()));
    EXPECT_EQ(copy, image);
    // Relocation changes only tagged fields, each into its offset.
    for (uint32_t at = 0; at + 4 <= stored.size(); at += 4)
        if (get32(stored, at) != get32(image, at)) {
            ASSERT_TRUE(MdlIsTagged(get32(stored, at))) << at;
            EXPECT_EQ(get32(image, at), get32(stored, at) / 16) << at;
        }
    // The same description compiles to the same bytes.
    auto again = parse(text_);
    std::vector<uint8_t> second;
    ASSERT_TRUE(MdlSerializeImage(*again, second));
    EXPECT_EQ(second, stored);
}

TEST_F(Image, CorruptImagesAreRefused) {
    // Truncated: the size field no longer matches, and a shorter block is
    // never read past its end.
    std::vector<uint8_t> cut(stored.begin(), stored.begin() + static_cast<std::ptrdiff_t>(stored.size() / 2));
    EXPECT_FALSE(MdlRelocateImage(cut.data(), cut.size()));
    EXPECT_FALSE(MdlValidateImage(MdlImageView(cut.data(), cut.size())));
    std::vector<uint8_t> tiny(stored.begin(), stored.begin() + 100);
    EXPECT_FALSE(MdlRelocateImage(tiny.data(), tiny.size()));
    EXPECT_FALSE(MdlValidateImage(MdlImageView(tiny.data(), tiny.size())));

    // A slot pointing past the end.
    std::vector<uint8_t> bad = image;
    put32(bad, MdlSlotOffset(1), static_cast<uint32_t>(bad.size()) + 64);
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));
    // A record that starts inside but ends outside.
    bad = image;
    put32(bad, MdlSlotOffset(0), static_cast<uint32_t>(bad.size()) - 4);
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));

    // A cycle in the option list: the last option links back to the first.
    bad = image;
    uint32_t first = get32(bad, MdlSlotOffset(0)), last = first;
    for (uint32_t n = first; n; n = get32(bad, n)) last = n;
    put32(bad, last, first);
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));

    // A cycle in a command list.
    bad = image;
    uint32_t list = get32(bad, MdlSlotOffset(kMdlSlotJobStart));
    uint32_t node = get32(bad, list + 4);
    ASSERT_NE(node, 0u);
    put32(bad, node, node);
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));
    EXPECT_FALSE(MdlRelocateImage(bad.data(), bad.size()));

    // A tagged rule reference pointing outside, in the stored form.
    bad = stored;
    uint32_t row = get32(bad, MdlSlotOffset(kMdlSlotExclusive));
    put32(bad, row + 24, MdlTag(static_cast<uint32_t>(bad.size()) + 16));
    EXPECT_FALSE(MdlRelocateImage(bad.data(), bad.size()));
    // A rule link into the header.
    bad = stored;
    put32(bad, row + 8, MdlTag(40));
    EXPECT_FALSE(MdlRelocateImage(bad.data(), bad.size()));
    // A stored image that was never relocated is not accepted by the view.
    EXPECT_FALSE(MdlValidateImage(MdlImageView(stored.data(), stored.size())));
    // An unterminated string at the very end.
    bad = image;
    uint32_t dll = get32(bad, MdlSlotOffset(kMdlSlotResourceDll));
    put32(bad, MdlSlotOffset(kMdlSlotResourceDll), static_cast<uint32_t>(bad.size()) - 2);
    bad[bad.size() - 1] = 'x';
    bad[bad.size() - 2] = 'x';
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));
    EXPECT_NE(dll, 0u);
}

TEST(ImageSmall, RulesEdgeCases) {
    // Without rules there is no rule area and no Exclusive row.
    auto plain = parse("*FileVersion: \"1.0\"\n");
    ASSERT_TRUE(plain);
    std::vector<uint8_t> img;
    ASSERT_TRUE(MdlSerializeImage(*plain, img));
    ASSERT_TRUE(MdlRelocateImage(img.data(), img.size()));
    MdlImageView v(img.data(), img.size());
    EXPECT_TRUE(MdlValidateImage(v));
    EXPECT_EQ(img.size(), kMdlHeaderSize);
    uint32_t s = 1;
    v.slot(kMdlSlotExclusive, &s);
    EXPECT_EQ(s, 0u);

    // Built by hand: a Transact shared by two rows is converted once and is
    // valid for both; a reference to a missing rule and to an empty rule
    // become 0.
    MdlParseResult r;
    r.judges.push_back({1, {{kMdlCellLiteral, 1}, {kMdlCellOperator, kMdlOpEnd}}});
    r.actions.push_back({5, {{7, 0, 3}}});
    r.transacts.push_back({2, {{1, 5}, {9, 5}}});
    r.items.push_back({4, {}});  // empty: left out
    r.exclusive.push_back({10, 1, 0, 4, 0, 2, 2});
    r.exclusive.push_back({11, 0, 0, 0, 0, 2, 77});
    ASSERT_TRUE(MdlSerializeImage(r, img));
    ASSERT_TRUE(MdlRelocateImage(img.data(), img.size()));
    v = MdlImageView(img.data(), img.size());
    ASSERT_TRUE(MdlValidateImage(v));
    uint32_t row0 = get32(img, MdlSlotOffset(kMdlSlotExclusive)), row1 = get32(img, row0);
    EXPECT_EQ(row1, row0 + kMdlImgExclusiveSize);
    uint32_t t = get32(img, row0 + 24);
    EXPECT_EQ(get32(img, row0 + 28), t);
    EXPECT_EQ(get32(img, row1 + 24), t);
    EXPECT_EQ(get32(img, row1 + 28), 0u);  // Transact 77 does not exist
    EXPECT_EQ(get32(img, row0 + 16), 0u);  // Item 4 has no entries
    EXPECT_EQ(get32(img, row0 + 8), kMdlHeaderSize);  // the only program
    uint32_t second = get32(img, t);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(get32(img, second + 4), 0u);           // Judge 9 does not exist
    EXPECT_EQ(get32(img, second + 8), get32(img, t + 8));  // both name Action 5
    uint16_t target;
    ASSERT_TRUE(v.u16(get32(img, t + 8) + 4, &target));
    EXPECT_EQ(target, 7);
}

// The check remembers each record with what it was checked as: a record met
// again as something else is checked again, and a list that comes back on
// itself is refused.
TEST_F(Image, RecordsMetAsAnotherKindAreCheckedAgainAndLoopsAreRefused) {
    uint32_t values = 0;
    for (uint32_t o = get32(image, MdlSlotOffset(0)); o && !values; o = get32(image, o)) {
        uint16_t type = 0;
        ASSERT_TRUE(view.u16(o + kMdlOptType, &type));
        if ((type & 0xFF) == 1) values = get32(image, o + kMdlOptValues);
    }
    ASSERT_NE(values, 0u);
    std::vector<uint8_t> bad = image;
    uint32_t last = values;
    while (get32(bad, last)) last = get32(bad, last);
    put32(bad, last, values);
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));

    // An Exclusive row whose per-value entries are the first option record:
    // checked before as an option, it must still pass as an entry, and its
    // option id and type do not make a condition program.
    bad = image;
    uint32_t row = get32(bad, MdlSlotOffset(kMdlSlotExclusive));
    ASSERT_NE(row, 0u);
    put32(bad, row + kMdlRuleValues, get32(bad, MdlSlotOffset(0)));
    EXPECT_FALSE(MdlValidateImage(MdlImageView(bad.data(), bad.size())));
}

// The lookups by key and by rule number follow a result filled by hand, as
// it grows and when it is emptied and filled anew; the first entry of a
// key or number is found.
TEST(ImageSmall, LookupsFollowTheListsAsTheyChange) {
    MdlParseResult r;
    EXPECT_EQ(MdlFindOptionByKey(r, 7), nullptr);
    r.options.resize(2);
    r.options[0].key = 7;
    r.options[1].key = 9;
    EXPECT_EQ(MdlFindOptionByKey(r, 9), &r.options[1]);
    r.options.emplace_back();
    r.options.back().key = 7;  // a later block of key 7
    r.options.emplace_back();
    r.options.back().key = 11;
    EXPECT_EQ(MdlFindOptionByKey(r, 7), &r.options[0]);
    EXPECT_EQ(MdlFindOptionByKey(r, 11), &r.options[3]);
    r.options.clear();
    r.options.resize(1);
    r.options[0].key = 11;
    EXPECT_EQ(MdlFindOptionByKey(r, 9), nullptr);
    EXPECT_EQ(MdlFindOptionByKey(r, 11), &r.options[0]);

    r.judges.push_back({4, {}});
    r.judges.push_back({4, {{kMdlCellLiteral, 1}}});
    EXPECT_EQ(MdlFindRule(r, kSecJudge, 4), 1u);
    EXPECT_EQ(MdlFindRule(r, kSecJudge, 5), 0u);
    r.transacts.push_back({5, {}});
    EXPECT_EQ(MdlFindRule(r, kSecTransact, 5), 1u);
    EXPECT_EQ(MdlFindRule(r, kSecAction, 5), 0u);
}
