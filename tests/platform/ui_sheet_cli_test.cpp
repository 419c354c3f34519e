// `vesk ui document-properties` on a fresh machine: after OK the DEVMODE's
// private items the sheet changed are listed by id and name, lengths in
// 1200-dpi units.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

using vesktest::vesk;

TEST(VeskUiSheet, AnEditedLengthIsListedInDotsAndKeptInItsRange) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    // The fresh machine shows lengths in 0.01 inch: 0.5 inch is 600 dots.
    auto r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 1003; type 2470 \"0.5\"; key UP; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  private items changed from the DEVMODE handed in:\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  104 rdmSimplexMargin: 0 -> 600 (1200-dpi units: 0.00 mm -> 12.70 mm)\n"),
              std::string::npos)
        << r.out;
    // 12.5 inches is beyond the option's 2400 dots: the edit keeps the
    // maximum instead of a value the driver's validation would reset.
    r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 1003; type 2470 \"12.5\"; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  104 rdmSimplexMargin: 0 -> 2400 "), std::string::npos) << r.out;
    // Cancel lists nothing.
    r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 1003; type 2470 \"0.5\"; cancel"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.find("private items"), std::string::npos) << r.out;
}

TEST(VeskUiSheet, ASourceChosenOnTheBasicPageReachesTheDevmode) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    // The fresh machine has no paper bank: Tray 1 needs none and stays.
    auto r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 1002; select 2007 \"Tray 1\"; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  source 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  13 dmDefaultSource: 7 -> 1\n"), std::string::npos) << r.out;
}

}  // namespace

#endif
