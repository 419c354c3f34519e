// The job-control step of the document's start: which items the job-control
// library is asked for, on whose behalf, and what reaches the job's header.
#include <gtest/gtest.h>
#include <win/files.h>
#include <win/modules.h>
#include <win/system.h>
#include <winsim/winsim.h>

#include <cstring>

#include "common_calls/start_doc_steps.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/ini_wrap.h"
#include "core/jobctl/jc_client.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "decode/stream.h"
#include "frame_support.h"

using namespace vesk;
using namespace grtest;

namespace {

class Handover : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        ctx_ = CtxCreateEx(printer_, printer_, nullptr, 0, 0x10000, 0, nullptr);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::clearFaults();
        CtxReleaseEx(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }
    // The library's value of `code` for the printer, set through the client.
    void hold(int itemId, uint32_t mask, const char* text) {
        setItemText(ctx_, itemId, text);
        ASSERT_EQ(JcStoreItemsIfOn(ctx_, mask), 0u);
        setItemText(ctx_, itemId, "");
    }
    std::string item(int id) {
        DmItem* it = ItemFindById(ctx_, id);
        const BYTE* f = ItemGetRawAddress(ctx_, it);
        return std::string(reinterpret_cast<const char*>(f), strnlen(reinterpret_cast<const char*>(f), itemSize(*it)));
    }
    static size_t calls(const std::string& function, const std::string& detailPart = {}) {
        size_t n = 0;
        for (const auto& e : winsim::journal())
            n += e.function == function && e.detail.find(detailPart) != std::string::npos;
        return n;
    }
    static std::string userOfQueries() {
        for (const auto& e : winsim::journal())
            if (e.function == "JcGetItemForUser") return e.detail.substr(e.detail.find("user ") + 5);
        return {};
    }
    DrvContext* ctx_ = nullptr;
};

TEST_F(Handover, TheHeldIdentityReachesTheItemsAndTheTelephoneRowsAreNotAsked) {
    hold(kItRdmUserCode, 0x1, "4321");
    hold(kItRdmOwnerName, 0x2, "Owner One");
    hold(kItRdmTelNo, 0x20, "0123");
    setItemText(ctx_, kItRdmUserID, "kept");  // the library answers its empty text
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(JcStartDocHandover(ctx_, printer_, 0), 1);
    EXPECT_EQ(item(kItRdmUserCode), "4321");
    EXPECT_EQ(item(kItRdmOwnerName), "Owner One");
    EXPECT_EQ(item(kItRdmUserID), "");
    EXPECT_EQ(item(kItRdmTelNo), "");  // held, but not asked
    EXPECT_EQ(calls("JcGetItemForUser", "6"), 0u);
    EXPECT_EQ(calls("JcGetItemForUser", "7"), 0u);
    EXPECT_EQ(winsim::journalCount("JCDisposeInterface"), 1u);
    EXPECT_EQ(winsim::journalCount("JcClose"), 1u);
    EXPECT_EQ(GetModuleHandleW(u"ZORJC32.DLL"), nullptr);
}

TEST_F(Handover, AJobWithoutAKnownUserIsAskedForTheLoggedOnUser) {
    hold(kItRdmUserCode, 0x1, "77");
    winsim::journalEnable(true);
    winsim::journalClear();
    // Job 0 is no job of the spooler: its user is unknown.
    JcStartDocHandover(ctx_, printer_, 0);
    WCHAR me[300] = {};
    DWORD n = 300;
    ASSERT_TRUE(GetUserNameW(me, &n));
    EXPECT_EQ(userOfQueries(), winsim::toUtf8(me));
    EXPECT_EQ(item(kItRdmUserCode), "77");
}

TEST_F(Handover, OnlyVersion257AsksForNoUserAndTheFailingExtendedQueryFallsBack) {
    hold(kItRdmUserCode, 0x1, "55");
    winsim::config().set("zorjc32.versions", "257");
    winsim::journalEnable(true);
    winsim::journalClear();
    JcStartDocHandover(ctx_, printer_, 0);
    EXPECT_EQ(winsim::journalCount("GetUserNameW"), 0u);
    EXPECT_EQ(winsim::journalCount("GetJobW"), 0u);
    EXPECT_EQ(item(kItRdmUserCode), "55");

    winsim::config().set("zorjc32.versions", "257,258,259");
    setItemText(ctx_, kItRdmUserCode, "");
    winsim::failCall("JcGetItemForUser", 1, 87, SIZE_MAX);
    JcStartDocHandover(ctx_, printer_, 0);
    EXPECT_EQ(item(kItRdmUserCode), "55");
}

TEST_F(Handover, ResultThirteenSkipsARowAndALongAnswerIsCutWhole) {
    hold(kItRdmUserCode, 0x1, "99");
    hold(kItRdmOwnerName, 0x2, "An owner name far longer than the field");
    setItemText(ctx_, kItRdmUserCode, "mine");
    // The first question is the user code's size.
    winsim::failCall("JcGetItemForUser", 1, 13);
    JcStartDocHandover(ctx_, printer_, 0);
    EXPECT_EQ(item(kItRdmUserCode), "mine");
    const std::string owner = item(kItRdmOwnerName);
    EXPECT_EQ(owner, std::string("An owner name far longer than the field").substr(0, owner.size()));
    EXPECT_GE(owner.size(), 15u);
    EXPECT_LE(owner.size(), 16u);
}

TEST_F(Handover, AMissingLibraryKeepsTheItems) {
    hold(kItRdmUserCode, 0x1, "12");
    setItemText(ctx_, kItRdmUserCode, "own");
    ASSERT_TRUE(DeleteFileW(u"C:\\WINDOWS\\system32\\ZORJC32.DLL"));
    EXPECT_EQ(JcStartDocHandover(ctx_, printer_, 0), 1);
    EXPECT_EQ(item(kItRdmUserCode), "own");
}

// A job whose header carries the library's user code and user ID.
TEST_F(Handover, APrintedJobCarriesTheHeldIdentity) {
    hold(kItRdmUserCode, 0x1, "2468");
    hold(kItRdmUserID, 0x8, "carol");
    const Printed p = printScript("job name=\"Held\"\npage\nendpage\n", printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    const auto s = decode::decodeAll(decode::Bytes(p.stream.data(), p.stream.size()));
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    ASSERT_EQ(s.jobHeaders.size(), 1u);
    EXPECT_NE(s.jobHeaders[0].find("@PJL SET USERCODE = \"2468\""), std::string::npos) << s.jobHeaders[0];
    EXPECT_NE(s.jobHeaders[0].find("@PJL SET USERNAME = \"carol\""), std::string::npos) << s.jobHeaders[0];
}

// An answer that would end the PJL line or its quotes is made harmless.
TEST_F(Handover, AHeldAnswerCannotBreakThePjlLine) {
    hold(kItRdmUserID, 0x8, "a\"b\r\nc");
    const Printed p = printScript("job name=\"Held\"\npage\nendpage\n", printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    const auto s = decode::decodeAll(decode::Bytes(p.stream.data(), p.stream.size()));
    ASSERT_TRUE(s.summary.ok) << s.summary.error.text();
    ASSERT_EQ(s.jobHeaders.size(), 1u);
    const std::string& h = s.jobHeaders[0];
    const size_t at = h.find("@PJL SET USERNAME = \"");
    ASSERT_NE(at, std::string::npos) << h;
    const std::string line = h.substr(at, h.find('\n', at) - at);
    EXPECT_EQ(line.find("\"b"), std::string::npos) << line;
    EXPECT_EQ(line.find('\r'), line.size() - 1) << line;
}

}  // namespace

namespace {

// The settings at a document's start are read, never written back: the
// bidirectional settings file keeps its section for the user interface.
TEST_F(Handover, TheSyncAtTheStartWritesNoPrinterDataAndKeepsTheBidiSection) {
    WCHAR path[vesk::kWsPathChars] = {};
    ASSERT_NE(BuildPrivateDirPath(path, vesk::kWsPathChars, u"KW00C171.ini"), nullptr);
    EnsureParentDir(path);
    const WCHAR* name = PrnGetPrinterName(ctx_);
    ASSERT_TRUE(IniWriteString(name, u"BidiFlag", u"1", path));
    ASSERT_TRUE(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"BidiFlag"), REG_DWORD,
                                reinterpret_cast<BYTE*>(const_cast<char*>("\1\0\0\0")), 4) == ERROR_SUCCESS);
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(SettingsSyncAtOpenGr(ctx_), 1);
    EXPECT_EQ(winsim::journalCount("SetPrinterDataW"), 0u);
    EXPECT_EQ(winsim::journalCount("SetPrinterDataExW"), 0u);
    EXPECT_EQ(IniGetInt(name, u"BidiFlag", 0, path), 1u);
}

}  // namespace
