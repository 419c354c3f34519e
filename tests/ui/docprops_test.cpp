// Document properties without a sheet: size answers, merge and write-out,
// refused input, DM_UPDATE alone, the prompt without the sheet library.
#include "ui/ui_support.h"

#include "core/devmode/dm_layout.h"

namespace vesk::test {
namespace {

using DocProps = UiPrinter;

TEST_F(DocProps, SizeQuestionsAskNothingOfTheSpooler) {
    GuardedBuffer out(kUiDm);
    winsim::journalClear();
    EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), out.dm(), nullptr, 0), 1260);
    EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), nullptr, nullptr, DM_COPY | DM_MODIFY), 1260);
    EXPECT_EQ(DrvAdvancedDocumentProperties(nullptr, printer_, name(), nullptr, nullptr), 1260);
    DOCUMENTPROPERTYHEADER h{};
    h.hPrinter = printer_;
    h.fMode = DM_COPY;
    EXPECT_EQ(DocPropsNoUi(&h, nullptr, 1), 1260);
    EXPECT_EQ(h.cbOut, 1260u);
    EXPECT_TRUE(winsim::journal().empty()) << winsim::journal().front().function;
    EXPECT_TRUE(out.untouched());
}

TEST_F(DocProps, CopyWritesTheMergedDevmodeInsideTheBuffer) {
    GuardedBuffer in = driverDevmode();
    ASSERT_TRUE(in.canaryIntact());
    EXPECT_EQ(in.u16(dm::kOffSize), 220);
    EXPECT_EQ(in.u16(dm::kOffDriverExtra), 1040);
    in.put16(dm::kOffCopies, 3);
    in.put32(dm::kOffFields, in.u32(dm::kOffFields) | DM_COPIES);
    GuardedBuffer out(kUiDm);
    EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), out.dm(), in.dm(), DM_IN_BUFFER | DM_OUT_BUFFER), IDOK);
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_EQ(out.u16(dm::kOffCopies), 3);
    EXPECT_EQ(std::memcmp(out.data() + dm::kOffSignature, "priv", 4), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u) << "only the fixture's handle";
}

TEST_F(DocProps, AnInputThatIsNoDevmodeFailsAndLeavesNoContext) {
    GuardedBuffer in(kUiDm, 0);
    in.put16(dm::kOffSize, 12);  // smaller than any public part
    GuardedBuffer out(kUiDm);
    CtxCacheFlush(1);
    EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), out.dm(), in.dm(), DM_IN_BUFFER | DM_OUT_BUFFER), -1);
    EXPECT_TRUE(out.untouched());
    EXPECT_EQ(cached(), 0u);
    // A good request leaves its context for the next one.
    GuardedBuffer good = driverDevmode();
    EXPECT_EQ(cached(), 1u);
}

TEST_F(DocProps, UpdateAloneWritesNoOutput) {
    GuardedBuffer out(kUiDm);
    GuardedBuffer in = driverDevmode();
    EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name(), out.dm(), in.dm(), DM_UPDATE), IDOK);
    EXPECT_TRUE(out.untouched());
}

TEST_F(DocProps, APromptWithoutTheSheetLibraryIsAFailureNotACancel) {
    GuardedBuffer out(kUiDm);
    EXPECT_EQ(DocPropsRun(nullptr, printer_, name(), out.dm(), nullptr, DM_PROMPT | DM_COPY), -1);
    EXPECT_LT(DrvDocumentProperties(nullptr, printer_, name(), out.dm(), nullptr, DM_PROMPT | DM_COPY), 0);
    EXPECT_EQ(DrvAdvancedDocumentProperties(nullptr, printer_, name(), out.dm(), nullptr), 0);
    EXPECT_TRUE(out.untouched());
}

TEST_F(DocProps, TheDirectSheetCallAnswersWithoutASheet) {
    GuardedBuffer out(kUiDm);
    DOCUMENTPROPERTYHEADER h{};
    h.cbSize = sizeof h;
    h.hPrinter = printer_;
    h.pszPrinterName = name();
    h.pdmOut = out.dm();
    h.fMode = DM_COPY;
    EXPECT_EQ(DrvDocumentPropertySheets(nullptr, reinterpret_cast<LPARAM>(&h)), 1);
    EXPECT_EQ(out.u16(dm::kOffSize), 220);
    EXPECT_TRUE(out.canaryIntact());
    PROPSHEETUI_INFO info{};
    EXPECT_EQ(DrvDocumentPropertySheets(&info, reinterpret_cast<LPARAM>(&h)), -1);
}

TEST_F(DocProps, RemoteByNameOpensForReadingOnly) {
    EXPECT_EQ(PrnIsRemoteByName(nullptr), 0);
    EXPECT_EQ(PrnIsRemoteByName(u"No such printer"), 0);
    winsim::journalClear();
    EXPECT_EQ(PrnIsRemoteByName(name()), 0);
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
}

}  // namespace
}  // namespace vesk::test
