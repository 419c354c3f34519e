// The image check and relocation at their edges: links that end exactly at
// the block's end or one step past it, lists that share a tail or loop back
// through records an earlier part of the same walk checked, programs at the
// last bytes, and every linked record of the rule area relocated.
#include <gtest/gtest.h>

#include "common/model_support.h"
#include "core/model/image.h"
#include "common/sample_image_fixture.h"

using namespace vesk;
using namespace vesk::test;

namespace {


class ImageCheck : public SampleImageTest {
protected:
    // The first option of a base type after `after` (0: from the start).
    uint32_t optionOf(uint16_t base, uint32_t after = 0) const {
        bool past = after == 0;
        for (uint32_t o = get32(image, MdlSlotOffset(0)); o; o = get32(image, o)) {
            if (past && MdlBaseType(get16(image, o + kMdlOptType)) == base) return o;
            past |= o == after;
        }
        return 0;
    }
    // The last record of a list.
    static uint32_t lastOf(const std::vector<uint8_t>& b, uint32_t head) {
        while (get32(b, head)) head = get32(b, head);
        return head;
    }
};

}  // namespace

// A block link is good up to the record that ends at the block's last byte;
// one step further, inside the header, or still tagged, it is refused.
TEST_F(ImageCheck, BlockLinksAreGoodExactlyUpToTheEnd) {
    const uint32_t size = static_cast<uint32_t>(image.size());
    struct Case {
        uint16_t base;
        uint32_t block;
    };
    for (Case c : {Case{kMdlNumeric, kMdlNumBlockSize}, Case{kMdlString, kMdlStrBlockSize}}) {
        SCOPED_TRACE(c.base);
        const uint32_t o = optionOf(c.base);
        ASSERT_NE(o, 0u);
        std::vector<uint8_t> b = image;
        const uint32_t lastFit = (size - c.block) & ~3u;
        put32(b, o + kMdlOptValues, lastFit);
        EXPECT_TRUE(validImage(b));
        put32(b, o + kMdlOptValues, lastFit + 4);
        EXPECT_FALSE(validImage(b));
        put32(b, o + kMdlOptValues, static_cast<uint32_t>(kMdlHeaderSize));
        EXPECT_TRUE(validImage(b));
        put32(b, o + kMdlOptValues, static_cast<uint32_t>(kMdlHeaderSize) - 4);
        EXPECT_FALSE(validImage(b));
        put32(b, o + kMdlOptValues, MdlTag(static_cast<uint32_t>(kMdlHeaderSize)));
        EXPECT_FALSE(validImage(b));
        put32(b, o + kMdlOptValues, 0);
        EXPECT_TRUE(validImage(b));
    }
    // An option slot of the header: the record must fit whole.
    std::vector<uint8_t> b = image;
    put32(b, MdlSlotOffset(7), (size - kMdlImgOptionSize) & ~3u);
    EXPECT_TRUE(validImage(b));
    put32(b, MdlSlotOffset(7), ((size - kMdlImgOptionSize) & ~3u) + 4);
    EXPECT_FALSE(validImage(b));
    put32(b, MdlSlotOffset(7), 40);
    EXPECT_FALSE(validImage(b));
}

// Two value lists: one may end in the other (its rest was checked), but a
// walk that comes back to a record it checked itself is a loop, also when
// that record belongs to the other list and was reached through it.
TEST_F(ImageCheck, SharedTailsPassAndLoopsThroughThemAreRefused) {
    const uint32_t a = optionOf(kMdlPickOne);
    const uint32_t b = optionOf(kMdlPickOne, a);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const uint32_t headA = get32(image, a + kMdlOptValues), headB = get32(image, b + kMdlOptValues);
    ASSERT_NE(headA, 0u);
    ASSERT_NE(headB, 0u);
    ASSERT_NE(headA, headB);
    const uint32_t lastA = lastOf(image, headA), lastB = lastOf(image, headB);

    std::vector<uint8_t> tail = image;  // A runs on into B; B's walk stops at once
    put32(tail, lastA, headB);
    EXPECT_TRUE(validImage(tail));

    std::vector<uint8_t> loop = tail;  // ... and B back to its head: A's walk meets it twice
    put32(loop, lastB, headB);
    EXPECT_FALSE(validImage(loop));

    std::vector<uint8_t> own = image;  // B's last back to B's head
    put32(own, lastB, headB);
    EXPECT_FALSE(validImage(own));

    std::vector<uint8_t> intoA = image;  // B ends in A, checked before: fine
    put32(intoA, lastB, headA);
    EXPECT_TRUE(validImage(intoA));
    put32(intoA, lastA, headB);  // and A into B: a loop for A's walk
    EXPECT_FALSE(validImage(intoA));
}

// A program's cells must reach their end cell inside the block.
TEST_F(ImageCheck, ProgramsEndInsideTheBlock) {
    const uint32_t row = get32(image, MdlSlotOffset(kMdlSlotExclusive));
    ASSERT_NE(row, 0u);
    // One cell added after the image's last byte, the size grown to hold it.
    std::vector<uint8_t> b = image;
    const uint32_t last = static_cast<uint32_t>(b.size());
    b.resize(b.size() + kMdlCellSize);
    put32(b, kMdlImgTotalSize, static_cast<uint32_t>(b.size()));
    ASSERT_TRUE(validImage(b));
    put16(b, last + kMdlCellKind, kMdlCellOperator);
    put16(b, last + kMdlCellValue, kMdlOpEnd);
    put32(b, row + kMdlRuleCond1, last);
    EXPECT_TRUE(validImage(b));
    put16(b, last + kMdlCellValue, kMdlOpEnd + 1);  // no end: the cells run out
    EXPECT_FALSE(validImage(b));
    put32(b, row + kMdlRuleCond1, last + 2);  // a cell that starts inside and ends outside
    EXPECT_FALSE(validImage(b));
    // A program shared by both conditions of the row is checked once and
    // passes for both.
    b = image;
    const uint32_t cond2 = get32(image, row + kMdlRuleCond2);
    if (cond2) {
        put32(b, row + kMdlRuleCond1, cond2);
        EXPECT_TRUE(validImage(b));
    }
}

// Programs two bytes apart share no cells: one that reached its end vouches
// for nothing that starts between its cells.
TEST_F(ImageCheck, AProgramCheckedBeforeVouchesOnlyForItsOwnCells) {
    const uint32_t row = get32(image, MdlSlotOffset(kMdlSlotExclusive));
    ASSERT_NE(row, 0u);
    std::vector<uint8_t> b = image;
    const uint32_t at = (static_cast<uint32_t>(b.size()) + 3) & ~3u;
    b.resize(at + 3 * kMdlCellSize, 0);
    put32(b, kMdlImgTotalSize, static_cast<uint32_t>(b.size()));
    // An end cell at `at`; read from `at` + 2 the cells never end.
    put16(b, at + kMdlCellKind, kMdlCellOperator);
    put16(b, at + kMdlCellValue, kMdlOpEnd);
    put32(b, row + kMdlRuleCond1, at);
    put32(b, row + kMdlRuleCond2, at);
    EXPECT_TRUE(validImage(b));
    put32(b, row + kMdlRuleCond2, at + 2);
    EXPECT_FALSE(validImage(b));
    put32(b, row + kMdlRuleCond1, at + 2);
    put32(b, row + kMdlRuleCond2, at);
    EXPECT_FALSE(validImage(b));
    // The same from a rule further on, after the first row checked `at`.
    const uint32_t next = get32(image, row);
    if (next) {
        put32(b, row + kMdlRuleCond1, at);
        put32(b, next + kMdlRuleCond1, at + 2);
        EXPECT_FALSE(validImage(b));
    }
}

// Relocation reaches every linked record of the rule area: after it no link
// a reader follows is still tagged, and each tagged link became its offset.
TEST_F(ImageCheck, EveryLinkedRecordOfTheRulesIsRelocated) {
    size_t converted = 0;
    const MdlImageView v(image.data(), image.size());
    auto field = [&](uint32_t at) {
        const uint32_t before = get32(stored, at), after = get32(image, at);
        EXPECT_FALSE(MdlIsTagged(after)) << at;
        if (MdlIsTagged(before)) {
            EXPECT_EQ(after, before / 16) << at;
            ++converted;
        } else {
            EXPECT_EQ(after, before) << at;
        }
        return after;
    };
    auto walk = [&](uint32_t headAt, uint32_t recSize, auto each) {
        MdlListWalk w(v, field(headAt), recSize);
        for (uint32_t rec; w.next(&rec);) {
            field(rec + kMdlNext);
            each(rec);
        }
        EXPECT_FALSE(w.failed());
    };
    auto transacts = [&](uint32_t at) {
        walk(at, kMdlImgPairSize, [&](uint32_t t) {
            field(t + kMdlTransactCond);
            walk(t + kMdlTransactActions, kMdlImgPairSize, [](uint32_t) {});
        });
    };
    size_t rows = 0;
    MdlListWalk rowWalk(v, get32(image, MdlSlotOffset(kMdlSlotExclusive)), kMdlImgExclusiveSize);
    for (uint32_t row; rowWalk.next(&row); ++rows) {
        field(row + kMdlRuleCond1);
        field(row + kMdlRuleCond2);
        walk(row + kMdlRuleValues, kMdlImgItemSize, [&](uint32_t e) {
            field(e + kMdlItemCond1);
            field(e + kMdlItemCond2);
        });
        walk(row + kMdlRuleAlerts, kMdlImgAlertSize, [&](uint32_t e) {
            field(e + kMdlAlertCond);
            walk(e + kMdlAlertActions, kMdlImgPairSize, [&](uint32_t a) { transacts(a + kMdlAnswerTransact); });
        });
        transacts(row + kMdlRuleTransact1);
        transacts(row + kMdlRuleTransact2);
    }
    EXPECT_GT(rows, 10u);
    EXPECT_GT(converted, rows);
    // The command lists' conditions as well.
    for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g)
        if (uint32_t list = get32(image, MdlSlotOffset(g))) field(list + kMdlListCond);
}

// Relocation stops at a link already plain (the rest of that list was
// converted before): a tagged link behind it stays tagged, and the check
// refuses the image.
TEST_F(ImageCheck, ATaggedLinkBehindAPlainOneIsLeftAndRefused) {
    size_t left = 0;
    for (uint32_t r = get32(stored, MdlSlotOffset(kMdlSlotExclusive)); r; r = get32(stored, r)) {
        const uint32_t headAt = r + kMdlRuleTransact1, t = get32(stored, headAt);
        if (!MdlIsTagged(t) || !MdlIsTagged(get32(stored, t / 16 + kMdlNext))) continue;
        std::vector<uint8_t> b = stored;
        put32(b, headAt, t / 16);  // the head plain, its next still tagged
        ASSERT_TRUE(MdlRelocateImage(b.data(), b.size()));
        // A list another row also names is converted through that row.
        if (!MdlIsTagged(get32(b, t / 16 + kMdlNext))) continue;
        ++left;
        EXPECT_FALSE(validImage(b)) << r;
    }
    EXPECT_GT(left, 0u);
}

// An option node must hold its option key and number inside the block: one
// placed so that only the plain node's 8 bytes fit is refused, the same node
// with its whole 12 bytes passes.
TEST_F(ImageCheck, AnOptionNodeAtTheEndMustBeWhole) {
    uint32_t list = 0;
    for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd && !list; ++g) list = get32(image, MdlSlotOffset(g));
    ASSERT_NE(list, 0u);
    for (uint32_t room : {kMdlNodeSize, kMdlNodeOptionSize}) {
        SCOPED_TRACE(room);
        std::vector<uint8_t> b = image;
        const uint32_t node = static_cast<uint32_t>(b.size());
        b.resize(b.size() + room);
        put32(b, kMdlImgTotalSize, static_cast<uint32_t>(b.size()));
        put32(b, node, 0);
        put16(b, node + kMdlNodeKind, kMdlNodeOption);
        put16(b, node + kMdlNodeOptionKey, 0);
        if (room > kMdlNodeSize) put16(b, node + kMdlNodeNumber, 0);
        put32(b, list + kMdlListFirst, node);
        EXPECT_EQ(validImage(b), room == kMdlNodeOptionSize);
    }
}
