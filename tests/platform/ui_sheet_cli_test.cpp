// `vesk ui document-properties` on a fresh machine: after OK the DEVMODE's
// private items the sheet changed are listed by id and name, lengths in
// 1200-dpi units. `vesk ui printer-properties`: what the printer sheet's
// pages set is in the printer's data after OK, and not after cancel.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

using vesktest::has;
using vesktest::vesk;

std::string printerData(const winsim::TempMachine& m, const char* value) {
    return vesk(m.root(), {"printer", "data", "P1", value}).out;
}

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

// The installable options page is the printer sheet's first page: a click
// on the paper bank (the list's first entry) installs it.
TEST(VeskUiSheet, AnOptionInstalledOnThePrinterSheetIsInThePrintersData) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    const std::string off = "BankTray = REG_BINARY, 4 bytes: 00 00 00 00";
    ASSERT_TRUE(printerData(m, "BankTray").find(off) != std::string::npos) << printerData(m, "BankTray");
    auto r = vesk(m.root(), {"ui", "printer-properties", "P1", "--do", "page 1011; select 2164 #0; cancel"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(printerData(m, "BankTray").find(off), std::string::npos);
    r = vesk(m.root(), {"ui", "printer-properties", "P1", "--do", "page 1011; select 2164 #0; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "printer properties answered TRUE")) << r.out;
    EXPECT_NE(printerData(m, "BankTray").find("BankTray = REG_BINARY, 4 bytes: 01 00 00 00"), std::string::npos)
        << printerData(m, "BankTray");
    auto options = vesk(m.root(), {"printer", "options", "P1"});
    EXPECT_TRUE(has(options, "10020\trdmSourceOptionTypeBank\tBoolean\t1 (On)")) << options.out;
}

// A device font assigned on the font substitution page replaces the face's
// substitute in the printer's table.
TEST(VeskUiSheet, AFontAssignedOnThePrinterSheetIsInThePrintersTable) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "printer-properties", "P1", "--do",
                             "page 1009; select 2385 #0; select 2384 #2; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    ASSERT_TRUE(has(r, "2385 ListBox \"\" list 6 items sel 0 \"Arial                           > Vesk Mono\"")) << r.out;
    const std::string face = printerData(m, "TTFontTable1"), device = printerData(m, "DevFontTable1");
    // UTF-16 "Arial" and "Vesk Mono".
    EXPECT_TRUE(face.find("41 00 72 00 69 00 61 00 6c 00 00 00") != std::string::npos) << face;
    EXPECT_TRUE(device.find("56 00 65 00 73 00 6b 00 20 00 4d 00 6f 00 6e 00 6f 00 00 00") != std::string::npos)
        << device;
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
