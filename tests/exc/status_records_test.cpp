// The byte layouts of the status records: little-endian words at their
// offsets, texts read only within their fields, the bitmap's bit order.
#include <gtest/gtest.h>

#include <vector>

#include "status/status_records.h"

namespace vesk {
namespace {

TEST(StatusRecords, WordsTextsAndBits) {
    std::vector<BYTE> r(rec392::kSize, 0);
    RecPutU32(r.data(), rec392::kMethod, 0x01020304u);
    EXPECT_EQ(r[4], 0x04);
    EXPECT_EQ(r[7], 0x01);
    EXPECT_EQ(RecU32(r.data() + 1, 3), 0x01020304u) << "no alignment assumed";

    std::string text;
    RecPutText(r.data(), rec392::kUserId, rec392::kUserIdW, "ABCDEFGHIJKL", 12);
    ASSERT_TRUE(RecText(r.data(), rec392::kUserId, rec392::kUserIdW, &text));
    EXPECT_EQ(text, "ABCDEFGH") << "cut to the width less its end";
    EXPECT_EQ(r[rec392::kJobPw], 0) << "the next field is untouched";
    std::memset(r.data() + rec392::kUserId, 'x', rec392::kUserIdW);
    EXPECT_FALSE(RecText(r.data(), rec392::kUserId, rec392::kUserIdW, &text)) << "no end within the field";

    BYTE bitmap[kStatusBitmapBytes] = {};
    StatusBitSet(bitmap, 1);
    StatusBitSet(bitmap, 18);
    StatusBitSet(bitmap, 35);
    EXPECT_EQ(bitmap[0], 0x80);
    EXPECT_EQ(bitmap[2], 0x40) << "item 18 is mask 0x40 of byte 2";
    EXPECT_EQ(bitmap[4], 0x20);
    StatusBitClear(bitmap, 18);
    EXPECT_FALSE(StatusBitTest(bitmap, 18));
}

}  // namespace
}  // namespace vesk
