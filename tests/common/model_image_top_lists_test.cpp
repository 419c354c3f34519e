// The image check of the two lists only a header slot names, the options and
// the Exclusive rows: relinked at every record, a list that skips forward is
// still sound and one that comes back to a record it passed is refused, at
// once or after going round, and the relocated image and the stored one
// answer alike.
#include <gtest/gtest.h>

#include <vector>

#include "common/model_support.h"
#include "core/model/image.h"
#include "common/sample_image_fixture.h"

using namespace vesk;
using namespace vesk::test;

namespace {


class ImageTopLists : public SampleImageTest {
protected:
    // The records of the list whose head is in header slot `slot`.
    std::vector<uint32_t> records(int slot) const {
        std::vector<uint32_t> out;
        for (uint32_t at = get32(image, MdlSlotOffset(slot)); at; at = get32(image, at)) out.push_back(at);
        return out;
    }
    // Every record k of the list linked on to record j, for j before, at
    // and after k and to the list's last: refused exactly when j <= k.
    void relinkEverywhere(int slot) {
        const std::vector<uint32_t> list = records(slot);
        ASSERT_GT(list.size(), 3u);
        const size_t n = list.size();
        for (size_t k = 0; k < n; ++k) {
            for (size_t j : {size_t{0}, k / 2, k > 0 ? k - 1 : 0, k, k + 1, n - 1}) {
                if (j >= n) continue;
                std::vector<uint8_t> b = image;
                put32(b, list[k], list[j]);
                EXPECT_EQ(validImage(b), j > k) << "record " << k << " linked to " << j << " of " << n;
            }
        }
    }
};

}  // namespace

TEST_F(ImageTopLists, TheOptionListIsRefusedExactlyWhenItComesBack) { relinkEverywhere(0); }

TEST_F(ImageTopLists, TheRowListIsRefusedExactlyWhenItComesBack) { relinkEverywhere(kMdlSlotExclusive); }

// A loop made in the stored form is refused by relocation or by the check
// that follows it, and a forward skip is taken by both, with each record
// still checked: a bad record behind the skip passes, one before it does not.
TEST_F(ImageTopLists, StoredRowsRelinkedAreRefusedOrTakenAsTheRelocatedOnes) {
    const std::vector<uint32_t> rows = records(kMdlSlotExclusive);
    ASSERT_GT(rows.size(), 3u);
    auto open = [](std::vector<uint8_t> b) { return MdlRelocateImage(b.data(), b.size()) && validImage(b); };

    std::vector<uint8_t> loop = stored;
    put32(loop, rows[2], rows[1]);
    EXPECT_FALSE(open(loop));

    std::vector<uint8_t> skip = stored;
    put32(skip, rows[0], rows[2]);
    EXPECT_TRUE(open(skip));
    // Row 1 is no longer reached: a condition past the block's end in it
    // is not looked at, by relocation (tagged) or by the check (plain); in
    // row 2 it is refused by each.
    const uint32_t size = static_cast<uint32_t>(stored.size());
    for (uint32_t outside : {MdlTag(size), size}) {
        SCOPED_TRACE(outside);
        std::vector<uint8_t> behind = skip;
        put32(behind, rows[1] + kMdlRuleCond1, outside);
        EXPECT_TRUE(open(behind));
        std::vector<uint8_t> reached = skip;
        put32(reached, rows[2] + kMdlRuleCond1, outside);
        EXPECT_FALSE(open(reached));
    }
    // The same on the relocated image, for the first and the last option.
    const std::vector<uint32_t> options = records(0);
    for (uint32_t o : {options.front(), options.back()}) {
        std::vector<uint8_t> b = image;
        put32(b, o + kMdlOptRule, size);
        EXPECT_FALSE(validImage(b));
    }
}

// An option met again is a loop even when every check of it passes, and
// the walk round it ends: the last option linked to itself, to the first,
// and a two-option loop at the head.
TEST_F(ImageTopLists, OptionLoopsOfEveryLengthEnd) {
    const std::vector<uint32_t> options = records(0);
    ASSERT_GT(options.size(), 3u);
    const uint32_t last = options.back();
    for (uint32_t to : {last, options.front(), options[options.size() / 2]}) {
        std::vector<uint8_t> b = image;
        put32(b, last, to);
        EXPECT_FALSE(validImage(b));
    }
    std::vector<uint8_t> two = image;
    put32(two, options[1], options[0]);
    EXPECT_FALSE(validImage(two));
    // The same two-option loop with the second option's values dropped,
    // so going round finds no list to stop at.
    put32(two, options[1] + kMdlOptValues, 0);
    put32(two, options[0] + kMdlOptValues, 0);
    EXPECT_FALSE(validImage(two));
}
