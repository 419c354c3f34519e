// `vesk machine set`, `vesk printer strings` and `vesk printer locale` on a
// fresh machine, as separate processes.
#include <gtest/gtest.h>

#include <random>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

// A fresh machine with printer P; the set-up commands must succeed.
struct Machine : vesktest::PrinterMachine {
    Machine() : PrinterMachine("vesk-locale-") { EXPECT_TRUE(ok); }
};

using vesktest::has;

TEST(VeskLocale, StringsAndTheCountryRuleOnAFreshPrinter) {
    Machine m;
    auto s = m.run({"printer", "strings", "P", "153", "154", "10023"});
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(s.out, "153\tmm\n154\tinch\n10023\tThe file %s cannot be used.\n");

    ASSERT_EQ(m.run({"machine", "set", "locale.country=49"}).status, 0);
    auto de = m.run({"printer", "locale", "P", "--init"});
    ASSERT_EQ(de.status, 0) << de.out;
    EXPECT_TRUE(has(de, "display language: 1 (us)") && has(de, "paper:            A4") &&
                has(de, "millimetres") && has(de, "country code:     0") && has(de, "DispLang = 1") &&
                has(de, "DefPaper = 9") && has(de, "DefUnit = 0"))
        << de.out;

    ASSERT_EQ(m.run({"machine", "set", "locale.country=1"}).status, 0);
    auto us = m.run({"printer", "locale", "P", "--init"});
    EXPECT_TRUE(has(us, "inches") && has(us, "country code:     1") && has(us, "paper:            A4") &&
                has(us, "DefUnit = 1"))
        << us.out;
    // Kept in the printer's DEVMODE: a later run without --init reads it.
    EXPECT_TRUE(has(m.run({"printer", "locale", "P"}), "inches"));
}

TEST(VeskLocale, MachineSetChangesKeysAndRefusesBadOnes) {
    Machine m;
    ASSERT_EQ(m.run({"machine", "set", "os.suite=0x10", "user.name=user2"}).status, 0);
    auto show = m.run({"machine", "show"});
    EXPECT_TRUE(has(show, "os.suite=0x10") && has(show, "user.name=user2") && has(show, "terminal server")) << show.out;
    EXPECT_NE(m.run({"machine", "set", "novalue"}).status, 0);
    EXPECT_NE(m.run({"machine", "set", "os.major=many"}).status, 0);
    EXPECT_TRUE(has(m.run({"machine", "show"}), "os.major=5"));
    EXPECT_NE(m.run({"printer", "strings", "P", "abc"}).status, 0);
    EXPECT_NE(m.run({"printer", "strings", "Q", "153"}).status, 0);
}

}  // namespace

#endif
