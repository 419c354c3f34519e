// Documents and pages through the engine: the outer records of a job, the
// spooler-side library's calls, the job's name, failed writes, the job
// bound page by page and the device reset.
#include <gtest/gtest.h>

#include <winsim/memory.h>

#include <algorithm>

#include "decode/stream.h"
#include "frame_support.h"
#include "job_state.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;

namespace {

decode::DecodedStream decoded(const std::vector<std::uint8_t>& s) {
    return decode::decodeAll(decode::Bytes(s.data(), s.size()));
}

// Outer record types in stream order.
std::vector<int> outerTypes(const std::vector<std::uint8_t>& s) {
    std::vector<int> t;
    for (size_t at = 0; at + 8 <= s.size();) {
        t.push_back(s[at]);
        at += 8 + (s[at + 4] | s[at + 5] << 8 | s[at + 6] << 16 | static_cast<size_t>(s[at + 7]) << 24);
    }
    return t;
}

// The spooler-side library's calls, in order.
std::vector<winsim::JournalEntry> libraryCalls() {
    std::vector<winsim::JournalEntry> out;
    for (const auto& e : winsim::journal())
        if (e.function.rfind("DrvSpl", 0) == 0) out.push_back(e);
    return out;
}

const char* kTwoPages = "job name=\"Two\"\npage\nendpage\npage\nendpage\n";

class Job : public DriverMachine {};

class JapaneseJob : public DriverMachine {
protected:
    JapaneseJob() : DriverMachine(japaneseMachine()) {}
};

}  // namespace

TEST_F(Job, PagesGoBetweenTheJobHeaderAndTheLibrarysEnd) {
    winsim::journalEnable(true);
    const Printed p = printScript(kTwoPages, printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    EXPECT_EQ(outerTypes(p.stream), (std::vector<int>{0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF4, 0xF0, 0xF5, 0xF1}));
    const auto s = decoded(p.stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobHeaders.size(), 1u);
    EXPECT_EQ(s.jobName, "Two");
    EXPECT_EQ(s.pages.size(), 2u);

    std::vector<std::string> calls;
    uint64_t written = 0;
    for (const auto& e : libraryCalls()) {
        if (e.function == "DrvSplWritePrinter") {
            const uint64_t n = std::stoull(e.detail);
            EXPECT_LE(n, 4096u);
            written += n;
            if (calls.empty() || calls.back() != "write") calls.push_back("write");
        } else {
            calls.push_back(e.function);
        }
    }
    EXPECT_EQ(written, p.stream.size());
    EXPECT_EQ(calls, (std::vector<std::string>{"DrvSplStartDocEx", "DrvSplStartPage", "write", "DrvSplEndPage", "write",
                                               "DrvSplStartPage", "write", "DrvSplEndPage", "write", "DrvSplEndDoc",
                                               "DrvSplClose"}));
    // The library went with the document.
    EXPECT_EQ(GetModuleHandleW(u"KW12C123.DLL"), nullptr);
}

TEST_F(Job, TheJobsNameIsMadeSafeAndANullNameWritesNoRecord) {
    const Printed named = printScript("job name=\"a\\\"b\\nc\"\npage\nendpage\n", printerName_);
    ASSERT_TRUE(named.job.ok) << named.job.error;
    const auto s = decoded(named.stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobName, "a'b c");
    // The record is the name and 23 bytes.
    const std::vector<int> types = outerTypes(named.stream);
    ASSERT_GE(types.size(), 2u);
    const size_t second = 8 + (named.stream[4] | named.stream[5] << 8);
    EXPECT_EQ(named.stream[second + 4], 5 + 23);

    const Printed none = printScript("page\nendpage\n", printerName_);
    ASSERT_TRUE(none.job.ok) << none.job.error;
    EXPECT_EQ(outerTypes(none.stream), (std::vector<int>{0xF3, 0xF4, 0xF0, 0xF5, 0xF1}));
}

TEST_F(JapaneseJob, ALongNameIsCutAt128BytesOnACharacterBoundary) {
    std::string name;
    for (int i = 0; i < 70; ++i) name += "\\u3042";
    const Printed p = printScript("job name=\"x" + name + "\"\npage\nendpage\n", printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    const auto s = decoded(p.stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    // "x" and 63 two-byte characters: the 64th would pass byte 128.
    ASSERT_EQ(s.jobName.size(), 127u);
    EXPECT_EQ(s.jobName.substr(1, 2), "\x82\xA0");
    EXPECT_EQ(s.jobName.substr(125, 2), "\x82\xA0");
}

TEST_F(Job, WithEmfSpoolingTheSpoolersDocumentNameIsTheJobsName) {
    setPrinterItems({{kItRdmEMFSpool, 1}});
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    const DWORD job = startSpoolJob(u"Spooled name");
    ASSERT_NE(job, 0u);
    std::u16string engineName = u"Engine name";
    ASSERT_TRUE(DrvStartDoc(d.so(), engineName.data(), job));
    ASSERT_NE(d.pdev()->jobName, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d.pdev()->jobName), d.pdev()->jobNameLength), "Spooled name");
    EXPECT_TRUE(DrvEndDoc(d.so(), 0));
    EndDocPrinter(printer_);

    // An empty spooler name keeps the engine's.
    const DWORD unnamed = startSpoolJob(u"");
    ASSERT_TRUE(DrvStartDoc(d.so(), engineName.data(), unnamed));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(d.pdev()->jobName), d.pdev()->jobNameLength), "Engine name");
    EXPECT_TRUE(DrvEndDoc(d.so(), 0));
    EndDocPrinter(printer_);
}

TEST_F(Job, AShortWriteFailsThePageAndEveryCallAfterIt) {
    // The third write is the JOBNAME record's text.
    winsim::config().set("kw12c123.short_write", "3");
    winsim::journalEnable(true);
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    const DWORD job = startSpoolJob(u"Short");
    std::u16string name = u"Short";
    ASSERT_TRUE(DrvStartDoc(d.so(), name.data(), job));
    EXPECT_FALSE(DrvStartPage(d.so()));
    EXPECT_TRUE(d.pdev()->flags & kPdevOutputFailed);
    const size_t writes = winsim::journalCount("DrvSplWritePrinter");
    EXPECT_FALSE(DrvStartPage(d.so()));
    EXPECT_FALSE(DrvSendPage(d.so()));
    EXPECT_EQ(winsim::journalCount("DrvSplWritePrinter"), writes);
    // The end still closes the session and frees the library, and says the
    // document failed.
    EXPECT_FALSE(DrvEndDoc(d.so(), 0));
    EXPECT_EQ(winsim::journalCount("DrvSplClose"), 1u);
    EXPECT_EQ(GetModuleHandleW(u"KW12C123.DLL"), nullptr);
    EndDocPrinter(printer_);
    // A new document starts afresh.
    winsim::config().set("kw12c123.short_write", "0");
    const DWORD next = startSpoolJob(u"Next");
    ASSERT_TRUE(DrvStartDoc(d.so(), name.data(), next));
    EXPECT_TRUE(DrvStartPage(d.so()));
    EXPECT_TRUE(DrvSendPage(d.so()));
    EXPECT_TRUE(DrvEndDoc(d.so(), 0));
    EndDocPrinter(printer_);
    EXPECT_TRUE(decoded(spoolBytes(next)).summary.ok);
}

TEST_F(Job, AWriteThatAnswersFailureFailsEvenWithTheWholeCount) {
    winsim::config().set("kw12c123.fail_write", "1");
    const Printed p = printScript(kTwoPages, printerName_);
    EXPECT_FALSE(p.job.ok);
    EXPECT_NE(p.job.error.find("DrvStartPage"), std::string::npos) << p.job.error;
    EXPECT_TRUE(p.stream.empty());
}

TEST_F(Job, ALibraryWithoutAWriteEntryIsNoDocument) {
    winsim::hideExport(u"KW12C123.DLL", "DrvSplWritePrinter");
    const Printed p = printScript(kTwoPages, printerName_);
    EXPECT_FALSE(p.job.ok);
    EXPECT_NE(p.job.error.find("DrvStartDoc"), std::string::npos) << p.job.error;
    EXPECT_EQ(GetModuleHandleW(u"KW12C123.DLL"), nullptr);
}

TEST_F(Job, BoundPagesPutOnlyTheJobHeaderOnPageOne) {
    setPrinterItems({{kItRdmJobLinker, 1}, {kItRdmImagePrint, 1}});
    const Printed p = printScript(kTwoPages, printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    EXPECT_EQ(outerTypes(p.stream), (std::vector<int>{0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1}));
    const auto s = decoded(p.stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    ASSERT_EQ(s.pages.size(), 1u);
    // Bound jobs are never banded: page 2 is a vector page.
    ASSERT_EQ(s.pages[0].records.size(), 2u);
}

TEST_F(Job, AResetRepeatsTheJobHeaderAndKeepsTheLibrary) {
    winsim::journalEnable(true);
    const Printed p = printScript("job name=\"Reset\"\npage\nendpage\nresetdc orient=2\npage\nendpage\n", printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    EXPECT_EQ(outerTypes(p.stream),
              (std::vector<int>{0xF3, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1, 0xF3, 0xF4, 0xF0, 0xF5, 0xF1}));
    const auto s = decoded(p.stream);
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobHeaders.size(), 2u);
    EXPECT_EQ(s.jobName, "Reset");
    EXPECT_EQ(winsim::journalCount("DrvSplStartDocEx"), 1u);
    EXPECT_EQ(winsim::journalCount("DrvSplClose"), 1u);
    EXPECT_EQ(winsim::journalCount("DrvSplStartPage"), 2u);
}

TEST_F(Job, ResetBeforeTheDocumentCarriesNothing) {
    EngineDevice a, b;
    ASSERT_TRUE(a.make(printer_)) << a.error;
    ASSERT_TRUE(b.make(printer_)) << b.error;
    EXPECT_TRUE(DrvResetPDEV(a.session->dhpdev(), b.session->dhpdev()));
    EXPECT_EQ(b.pdev()->flags & (kPdevDocStarted | kPdevResetting), 0u);
    SetLastError(0);
    EXPECT_FALSE(DrvResetPDEV(a.session->dhpdev(), nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Job, EndingADocumentWithoutLibraryStillClearsIt) {
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    Pdev* p = d.pdev();
    p->flags |= kPdevDocStarted | kPdevResetting;
    ASSERT_TRUE(PdevSetJobName(p, u"left over"));
    EXPECT_TRUE(DrvEndDoc(d.so(), 0));
    EXPECT_EQ(p->flags & (kPdevDocStarted | kPdevResetting), 0u);
    EXPECT_EQ(p->jobName, nullptr);
}

TEST_F(Job, APageStartedTwiceIsOnePage) {
    EngineDevice d;
    ASSERT_TRUE(d.make(printer_)) << d.error;
    const DWORD job = startSpoolJob(u"Twice");
    ASSERT_TRUE(DrvStartDoc(d.so(), nullptr, job));
    EXPECT_TRUE(DrvStartPage(d.so()));
    EXPECT_TRUE(DrvStartPage(d.so()));
    EXPECT_EQ(d.pdev()->pageCount, 1u);
    EXPECT_TRUE(DrvSendPage(d.so()));
    // A page sent without being started counts as one.
    EXPECT_TRUE(DrvSendPage(d.so()));
    EXPECT_EQ(d.pdev()->pageCount, 2u);
    EXPECT_TRUE(DrvEndDoc(d.so(), 0));
    EndDocPrinter(printer_);
}

TEST_F(Job, EveryBlockOfAJobGoesBackWhateverAllocationFails) {
    // Enable, a document of one page and disable, with the n-th allocation
    // failing, for every allocation the run makes: each run ends with the
    // blocks it started with.
    auto run = [&] {
        EngineDevice d;
        bool sent = false;
        if (d.make(printer_)) {
            const DWORD job = startSpoolJob(u"Sweep");
            if (DrvStartDoc(d.so(), nullptr, job)) {
                sent = DrvStartPage(d.so()) && DrvSendPage(d.so());
                sent = DrvEndDoc(d.so(), 0) && sent;
            }
            if (job) EndDocPrinter(printer_);
        }
        d.session.reset();
        CtxCacheFlush(1);
        return sent;
    };
    ASSERT_TRUE(run());  // the compiled model is made once, as a process keeps it
    const size_t base = winsim::liveGlobalBlocks();
    winsim::journalEnable(true);
    winsim::journalClear();
    ASSERT_TRUE(run());
    const size_t allocations = winsim::journalCount("GlobalAlloc");
    winsim::journalEnable(false);
    ASSERT_GT(allocations, 10u);
    RecordProperty("allocations", static_cast<int>(allocations));
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    for (size_t n = 1; n <= allocations; ++n) {
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        run();
        winsim::clearFaults();
        EXPECT_EQ(winsim::liveGlobalBlocks(), base) << "allocation " << n;
    }
}

TEST_F(Job, TheLibraryWritesToTheFileTheMachineNames) {
    winsim::config().set("kw12c123.output", "C:\\WINDOWS\\Temp\\job.vsk");
    const Printed p = printScript(kTwoPages, printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    EXPECT_TRUE(p.stream.empty());
    auto file = winsim::hostPath(u"C:\\WINDOWS\\Temp\\job.vsk");
    ASSERT_TRUE(file);
    const std::string bytes = readText(*file);
    const auto s = decoded(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    EXPECT_EQ(s.jobName, "Two");
    EXPECT_EQ(s.pages.size(), 2u);
}
