// `vesk ui document-properties | printer-properties` on a fresh machine:
// the printer's sheets through its interface library, driven by a script.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

using vesktest::vesk;

// The interface library exports its sheet functions once its export list
// names them; until then the commands say so and the test has nothing to run.
bool sheetsExported(const vesktest::Outcome& r) { return r.out.find("interface library of") == std::string::npos; }

TEST(VeskUiSheets, TheDocumentSheetListsItsPagesButtonsAndTheShownPage) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 1002", "--dump"});
    if (!sheetsExported(r)) GTEST_SKIP() << r.out;
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sheet #32770 \"P1 Properties\" pages 1001 [1002] 1003"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  dialog 1002 #32770 \"VPD_IDD_BASIC\" dialog\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    2069 Button \"2069\" check off\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  1 Button \"OK\" default\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2 Button \"Cancel\" push\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("ended with IDCANCEL"), std::string::npos) << r.out;
    // Printer pages are not in the document sheet.
    EXPECT_EQ(r.out.find("dialog 1011"), std::string::npos) << r.out;

    r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ended with IDOK"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("devmode"), std::string::npos) << r.out;
    // A step that cannot be done fails the run; a printer that is not there too.
    r = vesk(m.root(), {"ui", "document-properties", "P1", "--do", "page 4444"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(vesk(m.root(), {"ui", "document-properties", "P9"}).status, 0);
    EXPECT_NE(vesk(m.root(), {"ui", "document-properties"}).status, 0);
}

TEST(VeskUiSheets, ThePrinterSheetShowsPrinterPagesAndAnswersOk) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "printer-properties", "P1", "--do", "dump; ok"});
    if (!sheetsExported(r)) GTEST_SKIP() << r.out;
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sheet #32770 \"P1 Properties\" pages [1011]"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("dialog 1002"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("printer properties answered TRUE"), std::string::npos) << r.out;
    r = vesk(m.root(), {"ui", "printer-properties", "P1", "--do", "cancel"});
    EXPECT_NE(r.out.find("printer properties answered FALSE"), std::string::npos) << r.out;
}

}  // namespace

#endif
