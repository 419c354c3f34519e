// `vesk printer options` and `vesk printer allowed` on a fresh machine with
// the sample printer, as separate processes.
#include <gtest/gtest.h>

#include <random>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

// A fresh machine with printer P; the set-up commands must succeed.
struct Machine : vesktest::PrinterMachine {
    Machine() : PrinterMachine("vesk-options-") { EXPECT_TRUE(ok); }
};

using vesktest::has;

TEST(VeskOptions, AllowedTraysFollowTheInstalledBank) {
    Machine m;
    auto tray = m.run({"printer", "allowed", "P", "TRAY"});
    ASSERT_EQ(tray.status, 0) << tray.out;
    EXPECT_TRUE(has(tray, "  TRAY2\t3\tallowed\n") && has(tray, "  TRAY3\t2\tnot allowed\n") &&
                has(tray, "  TRAY4\t256\tnot allowed\n"))
        << tray.out;
    EXPECT_FALSE(has(tray, "DUPLEX")) << tray.out;
    auto bank = m.run({"printer", "allowed", "P", "TRAY", "--set", "rdmSourceOptionTypeBank=1"});
    ASSERT_EQ(bank.status, 0) << bank.out;
    EXPECT_TRUE(has(bank, "  TRAY3\t2\tallowed\n") && has(bank, "  TRAY4\t256\tallowed\n") &&
                has(bank, "  LCT\t11\tnot allowed\n"))
        << bank.out;
    // Every setting without names; settings without a value list say where
    // their values come from.
    auto all = m.run({"printer", "allowed", "P"});
    ASSERT_EQ(all.status, 0);
    EXPECT_TRUE(has(all, "COLLATE (rdmSortType, item 129; document, printer option)\n") &&
                has(all, "BOOKLET (item 732; document)\n") && has(all, "FORCEFEED (no item; document): computed") &&
                has(all, "  OFF\t0\tallowed\t(off)\n") && has(all, "  CUSTOM\t392\tallowed\t(repeat)\n"))
        << all.out;
}

TEST(VeskOptions, OptionsShowValuesAndStatesAfterSets) {
    Machine m;
    auto paper = m.run({"printer", "options", "P", "dmPaperSize"});
    ASSERT_EQ(paper.status, 0) << paper.out;
    EXPECT_EQ(paper.out, "8\tdmPaperSize\tPickPage\t41 (A4)\thidden 0\tdisabled 0\n\thidden values: 48 Executive\n");
    auto a3 = m.run({"printer", "options", "P", "dmpapersize", "rdmDuplexType", "--set", "dmPaperSize=IDS_PAPERSIZE_A3",
                     "--set", "rdmFuncSelectDuplex=1"});
    ASSERT_EQ(a3.status, 0) << a3.out;
    EXPECT_TRUE(has(a3, "41 (A4)") == false && has(a3, "dmPaperSize\tPickPage\t40 (A3)") &&
                has(a3, "rdmDuplexType\tPickOne\t") && has(a3, "\thidden 0\tdisabled 0\n"))
        << a3.out;
    // Per-value states of a list option while the option's own hold not.
    auto source = m.run({"printer", "options", "P", "dmDefaultSource"});
    EXPECT_TRUE(has(source, "\thidden values: 5 Tray 3, 6 Tray 4, 7 ")) << source.out;
    auto all = m.run({"printer", "options", "P"});
    ASSERT_EQ(all.status, 0);
    EXPECT_TRUE(has(all, "rdmFuncSelectStaple\tBoolean\t0 (Off)\thidden 1\tdisabled 0\n") &&
                has(all, "rdmDuplexType\tPickOne\t") && has(all, "rdmUserID\tString\t\"\"")) << all.out;
}

TEST(VeskOptions, BadInputIsRefused) {
    Machine m;
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"printer", "allowed", "Q", "TRAY"},
             {"printer", "allowed", "P", "NOSUCH"},
             {"printer", "options", "P", "noSuchField"},
             {"printer", "options", "P", "rdmScaleType"},   // an item the model has no option for
             {"printer", "options", "P", "--set", "dmPaperSize"},
             {"printer", "options", "P", "--set", "noSuchField=1"},
             {"printer", "allowed", "P", "--set", "dmPaperSize=IDS_SOURCE_TRAY3"},
             {"printer", "options"}}) {
        auto r = m.run(args);
        EXPECT_NE(r.status, 0) << args.back() << "\n" << r.out;
        EXPECT_TRUE(has(r, "vesk: ")) << r.out;
    }
}

}  // namespace

#endif
