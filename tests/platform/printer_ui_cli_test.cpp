// vesk printer caps (the application's path), properties, query, convert,
// event and upgrade on a fresh machine with the sample printer.
#include <gtest/gtest.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

struct Machine : vesktest::PrinterMachine {
    Machine() : PrinterMachine("vesk-printer-ui-") { EXPECT_TRUE(ok); }
};

using vesktest::has;

TEST(VeskPrinterUi, CapsAsksEveryIndexThroughTheSpooler) {
    Machine m;
    auto all = m.run({"printer", "caps", "P"});
    ASSERT_EQ(all.status, 0) << all.out;
    for (const char* line : {"DC_VERSION (10): 1025 = 0x0401\n", "DC_SIZE (8): 220\n", "DC_EXTRA (9): 1040\n",
                             "DC_NUP (33): 5 = 1 2 4 9 16\n", "DC_MANUFACTURER (23): -1 (not answered)\n",
                             "DC_PRINTRATEPPM (31): 30\n", "DC_MEDIAREADY (29): 1\n  \"A4\"\n", "DC_PRINTRATEUNIT (27): 1 (pages per minute)\n",
                             "DC_COPIES (18): 999\n", "DC_ORIENTATION (17): 90\n", "  \"VESK\"\n", "  \"A4\"\n",
                             "  600 x 600 dpi\n", "= 900 x 1480 (0.1 mm)\n"})
        EXPECT_TRUE(has(all, line)) << line << all.out;
    auto two = m.run({"printer", "caps", "P", "10", "0"});
    ASSERT_EQ(two.status, 0) << two.out;
    EXPECT_TRUE(has(two, "DC_VERSION (10)") && has(two, "index (0): -1")) << two.out;
    EXPECT_FALSE(has(two, "DC_SIZE")) << two.out;
    EXPECT_NE(m.run({"printer", "caps", "P", "papers", "10"}).status, 0);
    EXPECT_NE(m.run({"printer", "caps", "Q", "10"}).status, 0);
}

TEST(VeskPrinterUi, PropertiesGiveAnA4DevmodeTheJobCheckAccepts) {
    Machine m;
    auto p = m.run({"printer", "properties", "P", "--set", "paper=A4", "--set", "copies=3"});
    ASSERT_EQ(p.status, 0) << p.out;
    EXPECT_TRUE(has(p, "DocumentPropertiesW(DM_IN_BUFFER | DM_OUT_BUFFER): 1 (IDOK)")) << p.out;
    EXPECT_TRUE(has(p, "  dmPaperSize      9\n") && has(p, "  dmCopies         3\n")) << p.out;
    EXPECT_TRUE(has(p, "  dmSize           220\n") && has(p, "  dmDriverExtra    1040\n")) << p.out;
    EXPECT_NE(m.run({"printer", "properties", "P", "--set", "paper=Nonsuch"}).status, 0);
    EXPECT_NE(m.run({"printer", "properties", "P", "--set", "copies"}).status, 0);

    auto q = m.run({"printer", "query", "P", "paper=9", "copies=3"});
    ASSERT_EQ(q.status, 0) << q.out;
    EXPECT_TRUE(has(q, "DevQueryPrintEx: TRUE")) << q.out;
    EXPECT_TRUE(has(q, "  dmPaperSize      9\n") && has(q, "  dmFormName       \"A4\"\n")) << q.out;
    EXPECT_TRUE(has(q, "FORMNAME")) << q.out;
}

TEST(VeskPrinterUi, EventsUpgradeAndConversionReachTheDriver) {
    Machine m;
    auto up = m.run({"printer", "upgrade", "P"});
    EXPECT_EQ(up.status, 0) << up.out;
    EXPECT_TRUE(has(up, "DrvUpgradePrinter(1): TRUE")) << up.out;
    auto show = m.run({"printer", "data", "P", "SPLUserModePrinterDriver"});
    EXPECT_EQ(show.status, 0) << show.out;
    EXPECT_TRUE(has(show, "KW12C123.DLL")) << show.out;

    auto ev = m.run({"printer", "event", "P", "delete-connection"});
    EXPECT_EQ(ev.status, 0) << ev.out;
    EXPECT_TRUE(has(ev, "DrvPrinterEvent(delete-connection): TRUE\n  RevertToPrinterSelf\n")) << ev.out;
    EXPECT_TRUE(has(ev, "ImpersonatePrinterClient")) << ev.out;
    EXPECT_NE(m.run({"printer", "event", "P", "explode"}).status, 0);

    auto conv = m.run({"printer", "convert", "P", "--from-version", "2"});
    EXPECT_EQ(conv.status, 0) << conv.out;
    EXPECT_TRUE(has(conv, "DrvConvertDevMode(CDM_CONVERT): TRUE, size 1260")) << conv.out;
    EXPECT_TRUE(has(conv, "version 0x00030003")) << conv.out;
    EXPECT_NE(m.run({"printer", "convert", "P", "--defaults", "--from-version", "2"}).status, 0);
}

TEST(VeskPrinterUi, TheSpoolerUpgradesThePrintersOfAReplacedDriver) {
    Machine m;
    // The install at the add records the spooler-side library; take it away
    // so that only the upgrade can bring it back.
    EXPECT_TRUE(has(m.run({"printer", "data", "P", "SPLUserModePrinterDriver"}), "KW12C123.DLL"));
    ASSERT_EQ(m.run({"printer", "data", "P", "SPLUserModePrinterDriver", "--delete"}).status, 0);
    EXPECT_NE(m.run({"printer", "data", "P", "SPLUserModePrinterDriver"}).status, 0);
    // Adding Q installs the driver's files again: P is upgraded by the driver.
    ASSERT_EQ(m.run({"printer", "add", "Q"}).status, 0);
    auto p = m.run({"printer", "data", "P", "SPLUserModePrinterDriver"});
    EXPECT_EQ(p.status, 0) << p.out;
    EXPECT_TRUE(has(p, "KW12C123.DLL")) << p.out;
    // The application's questions reach the driver of each printer.
    auto q = m.run({"printer", "caps", "Q", "8"});
    EXPECT_TRUE(has(q, "DC_SIZE (8): 220\n")) << q.out;
    ASSERT_EQ(m.run({"printer", "remove", "Q"}).status, 0);
}

}  // namespace

#endif
