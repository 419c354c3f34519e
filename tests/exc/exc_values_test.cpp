// Model-driven numbers, written and read back through the handle, and what
// the Exc calls answer when memory runs out.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <string>

#include "commands/command_base.h"
#include "commands/value_text.h"
#include "core/item_store.h"
#include "exc/exc_command_support.h"

namespace vesk::test {
namespace {

using ExcValues = ExcSession;

TEST_F(ExcValues, ModelNumbersScaleBothWaysAndAZeroDivisorLeavesThemUnscaled) {
    DrvContext* c = e()->ctx;
    const ExcCommandEntry* even = ExcFindCommandByName(e(), "MARGINEVEN", kExcJob);
    const ExcCommandEntry* odd = ExcFindCommandByName(e(), "MARGINODD", kExcJob);
    ASSERT_NE(even, nullptr);
    ExcModelOption oe, oo;
    ASSERT_TRUE(ExcReadModelOption(c, ExcFindModelOption(c, 107, 0), &oe));
    ASSERT_TRUE(ExcReadModelOption(c, ExcFindModelOption(c, 106, 0), &oo));
    // A margin is kept in 1200-dpi dots and written in output dots.
    ItemSetRawById(c, 42, 600);
    EXPECT_EQ(ExcNumberFromText(c, even, oe, "30"), 60u);
    char t[16];
    ASSERT_EQ(ExcNumberToText(c, even, oe, 60, sizeof t, t), 3);
    EXPECT_STREQ(t, "30");
    // A nonzero number never becomes 0.
    EXPECT_EQ(ExcNumberToText(c, even, oe, 1, sizeof t, t), 2);
    EXPECT_STREQ(t, "1");
    // Without a resolution, or without scale numbers, nothing is divided by 0.
    ItemSetRawById(c, 42, 0);
    EXPECT_EQ(ExcNumberFromText(c, even, oe, "30"), 30u);
    EXPECT_EQ(ExcNumberFromText(c, odd, oo, "30"), 30u);
    ExcNumberToText(c, odd, oo, 77, sizeof t, t);
    EXPECT_STREQ(t, "77");
    EXPECT_EQ(ExcNumberFromText(c, odd, oo, "0"), 0u);

    // COPIES goes through the model and reads back.
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("COPIES", "7")).c_str(), nullptr), 0);
    EXPECT_EQ(ItemRawById(e()->ctx, 12), 7u);
    EXPECT_NE(shown().find(line("COPIES", "7")), std::string::npos);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET COPIES = 12\r\n", nullptr), 0);
    EXPECT_NE(shown().find(line("COPIES", "12")), std::string::npos);
}

TEST_F(ExcValues, RunningOutOfMemoryAnswersAFailureAndKeepsTheBase) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("COPIES", "2")).c_str(), nullptr), 0);
    int failures = 0;
    for (size_t n = 1; n <= 12; ++n) {
        const std::string before = shown();
        const char* update = n % 2 ? "@PJL SET PAPER = A3\r\n" : "@PJL SET PAPER = A4\r\n";
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        const int32_t r = ExcUpdateCommand(h_, update, nullptr);
        winsim::clearFaults();
        if (r == -1) {
            ++failures;
            EXPECT_EQ(shown(), before) << "allocation " << n;
        } else {
            EXPECT_EQ(r, 0) << "allocation " << n;
        }
    }
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace vesk::test
