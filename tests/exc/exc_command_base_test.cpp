// Setting a command base, updating commands and the change text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "commands/command_base.h"
#include "core/item_store.h"
#include "core/sysdeps.h"
#include "exc/exc_command_support.h"

namespace vesk::test {
namespace {

using ExcBase = ExcSession;

TEST_F(ExcBase, ABaseLackingARequiredCommandIsRefusedAndLeavesNoBase) {
    int32_t length = -1;
    const std::string noPaper = "@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n@PJL SET TRAY = ALL\r\n";
    EXPECT_EQ(ExcSetCommandBase(h_, noPaper.c_str(), &length), -2);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(e()->base, nullptr);
    EXPECT_NE(e()->ctx, nullptr) << "reset and reopened";
    EXPECT_EQ(ExcHasRequiredCommands(e()), -1);
    const std::string noTray = "@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n@PJL SET PAPER = A4\r\n";
    EXPECT_EQ(ExcSetCommandBase(h_, noTray.c_str(), &length), -2);
    EXPECT_EQ(ExcSetCommandBase(h_, "", &length), -2);
    EXPECT_EQ(ExcSetCommandBase(h_, nullptr, &length), -2);
    EXPECT_EQ(ExcSetCommandBase(nullptr, base().c_str(), &length), -1);
    EXPECT_EQ(shown(), "");
}

TEST_F(ExcBase, ABadLineEndsTheCallWithTheLinesBeforeItApplied) {
    const std::string text = "@PJL SET DUPLEX = OFF\r\n@PJL SET COPIES = 4\r\n@PJL SET TRAY=ALL\r\n" + base();
    EXPECT_EQ(ExcSetCommandBase(h_, text.c_str(), nullptr), -1);
    EXPECT_EQ(e()->base, nullptr);
    EXPECT_TRUE(ExcGiven(e(), 61));
    EXPECT_EQ(ItemRawById(e()->ctx, 12), 4u);
}

TEST_F(ExcBase, TheRulesChangeABaseInTheCallersOrder) {
    // Without the paper bank the model puts the source back to automatic.
    const std::string text = "@PJL SET COPIES = 2\r\n@PJL SET TRAY = TRAY3\r\n@PJL SET VESKLOCAL = 9\r\n"
                             "@PJL SET TRAYPAPER1 = A3\r\n@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n"
                             "@PJL SET PAPER = SAME\r\n";
    int32_t length = 0;
    ASSERT_EQ(ExcSetCommandBase(h_, text.c_str(), &length), 1);
    EXPECT_EQ(length, static_cast<int32_t>(line("TRAY", "ALL").size() + 1));
    EXPECT_EQ(changes(), line("TRAY", "ALL"));
    EXPECT_EQ(e()->change, nullptr) << "handed out once";
    // Unknown names and printer values drop out; the order stays.
    EXPECT_EQ(shown(), line("COPIES", "2") + line("TRAY", "ALL") + line("APLPAGESIZE", "A4") +
                           line("APLPAGELAYOUT", "PORTRAIT") + line("PAPER", "SAME"));
    // A second base starts again from the printer's stored settings.
    ASSERT_EQ(ExcSetCommandBase(h_, base().c_str(), &length), 0);
    EXPECT_FALSE(ExcGiven(e(), 12));
    EXPECT_EQ(length, 0);
}

TEST_F(ExcBase, UpdatesChangeOnlyGivenCommandsAndReportWhatDidNotHold) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("STAPLE", "OFF") + line("COPIES", "3")).c_str(), nullptr), 0);
    int32_t length = -1;
    // DUPLEX is not in the base: nothing to update.
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET DUPLEX = ON\r\n", &length), 0);
    EXPECT_EQ(length, 0);
    EXPECT_FALSE(ExcGiven(e(), 61));
    // The value it has already.
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET STAPLE = OFF\r\n", &length), 0);
    EXPECT_EQ(changes(), "");
    // Stapling without a finisher does not hold: the line that holds comes back.
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET STAPLE = LEFTTOP\r\n@PJL SET COPIES = 9\r\n", &length), 1);
    EXPECT_EQ(changes(), line("STAPLE", "OFF"));
    EXPECT_EQ(ItemRawById(e()->ctx, 12), 3u) << "only the first line is used";
    // A change that holds: no change text, the base follows.
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET PAPER = A3\r\n", &length), 0);
    EXPECT_NE(shown().find(line("PAPER", "A3")), std::string::npos);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET PAPER A3\r\n", &length), -1);
    EXPECT_EQ(ExcUpdateCommand(h_, nullptr, &length), 0);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET NOSUCH = 1\r\n", &length), 0);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET TRAYPAPER1 = A4\r\n", &length), 0);
    EXPECT_EQ(ExcUpdateCommand(nullptr, "@PJL SET PAPER = A3\r\n", &length), -1);
}

TEST_F(ExcBase, AForceFeedUpdateAnswersWithTheBasesWordAndLeavesTheBase) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("STAPLE", "OFF") + line("FORCEFEED", "ALL")).c_str(), nullptr), 0);
    const std::string before = shown();
    EXPECT_NE(before.find(line("FORCEFEED", "ALL")), std::string::npos);
    int32_t length = 0;
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET FORCEFEED = SEF\r\n", &length), 1);
    EXPECT_EQ(changes(), line("FORCEFEED", "ALL"));
    EXPECT_EQ(shown(), before);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET FORCEFEED = ALL\r\n", &length), 0);
    // Without stapling or punching given, FORCEFEED drops out of the base.
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("FORCEFEED", "ALL")).c_str(), nullptr), 0);
    EXPECT_EQ(shown().find("FORCEFEED"), std::string::npos);
}

TEST_F(ExcBase, ABookletRebasesTheBindingWhichKeepsItsWord) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("DUPLEX", "ON") + line("BINDING", "LEFT") + line("BOOKLET", "OFF")).c_str(),
                                nullptr),
              0);
    EXPECT_EQ(ItemRawById(e()->ctx, 102), 3u);
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET BOOKLET = BOOKLETC\r\n", nullptr), 0);
    EXPECT_EQ(ItemRawById(e()->ctx, 102), 19u);
    EXPECT_EQ(ExcRecorded(e(), 732), 1u);
    const std::string b = shown();
    EXPECT_NE(b.find(line("BINDING", "LEFT")), std::string::npos) << b;
    EXPECT_NE(b.find(line("BOOKLET", "BOOKLETC")), std::string::npos) << b;
    // A binding chosen later lands in the booklet's family too.
    EXPECT_EQ(ExcUpdateCommand(h_, "@PJL SET BINDING = TOP\r\n", nullptr), 0);
    EXPECT_EQ(ItemRawById(e()->ctx, 102), 17u);
}

TEST_F(ExcBase, CollateIsWrittenOffOnceItsSortItemIsRecordedOff) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("COLLATE", "SORT")).c_str(), nullptr), 0);
    ASSERT_TRUE(ExcGiven(e(), 64));
    ExcText t;
    ASSERT_EQ(ExcWriteCommandBase(t.get(), e()), 0);
    EXPECT_NE(std::string(t.c_str()).find(line("COLLATE", "SORT")), std::string::npos);
    ExcRecordValue(e(), 64, 0);
    ExcText off;
    ASSERT_EQ(ExcWriteCommandBase(off.get(), e()), 0);
    EXPECT_NE(std::string(off.c_str()).find(line("COLLATE", "OFF")), std::string::npos) << off.c_str();
    // Only job commands are written, each once, in item order.
    EXPECT_EQ(std::string(off.c_str()).rfind("COLLATE"), std::string(off.c_str()).find("COLLATE"));
    EXPECT_EQ(ExcRecordValue(e(), 0, 1), -1);
    EXPECT_EQ(ExcRecordValue(e(), 733, 1), -1);
}

TEST_F(ExcBase, AChangeTextPastOneBufferReachesTheCallerWhole) {
    std::string big;
    while (big.size() < 6000) big += line("COPIES", std::to_string(big.size()));
    e()->change = static_cast<char*>(MemAllocZero(big.size() + 1));
    std::memcpy(e()->change, big.c_str(), big.size() + 1);
    e()->changeLength = static_cast<int32_t>(big.size() + 1);
    int32_t need = 0;
    std::vector<char> b(big.size());
    EXPECT_EQ(ExcGetCommandChange(h_, static_cast<int32_t>(b.size()), b.data(), &need), 1);
    EXPECT_EQ(need, static_cast<int32_t>(big.size() + 1));
    EXPECT_NE(e()->change, nullptr) << "kept when too small";
    EXPECT_EQ(changes(), big);
    EXPECT_EQ(ExcGetCommandChange(h_, 0, nullptr, &need), 0);
    EXPECT_EQ(need, 0);
    EXPECT_EQ(ExcGetCommandChange(nullptr, 0, nullptr, &need), -1);
}

}  // namespace
}  // namespace vesk::test
