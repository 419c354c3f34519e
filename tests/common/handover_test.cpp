// The installer's hand-over file: the identity instructions, the marks, the
// push at the next context open and the install programs of the model.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/process.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <string>

#include "common/jobctl_support.h"
#include "core/devmode/dm_flags.h"
#include "core/handover/handover.h"
#include "core/item_ids.h"
#include "core/persist/opt_persist.h"

namespace vesk::test {
namespace {

const std::u16string kIni = u"C:\\WINDOWS\\system32\\VESK.ini";
const std::u16string kUserIni = u"C:\\_vesk\\KW00C170.ini";

class Handover : public JobControlPrinter {
protected:
    void SetUp() override {
        JobControlPrinter::SetUp();
        c_ = open();
        ASSERT_NE(c_, nullptr);
    }
    void section(const std::string& body) { write(kIni, "[Office ,2,]\r\n" + body); }
    std::u16string key(const char16_t* k, const std::u16string& file = kIni) {
        WCHAR b[300] = {};
        GetPrivateProfileStringW(u"Office ,2,", k, u"(missing)", b, 300, file.c_str());
        return b;
    }
    int applyCode() {
        int changed = -1;
        EXPECT_EQ(ApplySetUserCode(kIni.c_str(), u"Office ,2,", &changed, c_), 1);
        EXPECT_EQ(key(u"SetUserCode"), u"(missing)");
        return changed;
    }
    DrvContext* c_ = nullptr;
};

TEST_F(Handover, EightDigitsSetTheCodeEverywhereAndTheKeyGoes) {
    section("SetUserCode=12345678\r\n");
    ASSERT_EQ(JcOpenIfOn(c_), 0u);
    EXPECT_EQ(applyCode(), 1);
    JcCloseIfOn(c_);
    EXPECT_EQ(ItemRawById(c_, kItRdmLogCodeUse), 1u);
    EXPECT_EQ(text(c_, kItRdmLogCode), u"12345678");
    EXPECT_EQ(text(c_, kItRdmUserCode), u"12345678");
    EXPECT_EQ(c_->ws->userCodeApplied, 1u);
    EXPECT_EQ(DmGetInstUserCode(c_), 1);
    EXPECT_EQ(held(c_, 1), u"12345678");
    auto code = winsim::printerData(name_, u"UserCode");
    ASSERT_TRUE(code);
    EXPECT_EQ(std::string(code->data.begin(), code->data.begin() + 8), "12345678");
}

TEST_F(Handover, BadCodesAreDroppedAndAnEmptyOneClears) {
    setText(c_, kItRdmLogCode, u"55555555");
    ItemSetRawById(c_, kItRdmLogCodeUse, 1);
    // A letter, and nine digits that a reader cut at eight would accept.
    for (const char* bad : {"1234A678", "123456789"}) {
        section(std::string("SetUserCode=") + bad + "\r\n");
        EXPECT_EQ(applyCode(), 1) << bad;
        EXPECT_EQ(text(c_, kItRdmLogCode), u"55555555") << bad;
        EXPECT_EQ(c_->ws->userCodeApplied, 0u);
        EXPECT_EQ(DmGetInstUserCode(c_), 0);
    }
    section("SetUserCode=*\r\n");
    EXPECT_EQ(applyCode(), 0);
    EXPECT_EQ(text(c_, kItRdmLogCode), u"55555555");

    section("SetUserCode=\r\n");
    EXPECT_EQ(applyCode(), 1);
    EXPECT_EQ(text(c_, kItRdmLogCode), u"");
    EXPECT_EQ(ItemRawById(c_, kItRdmLogCodeUse), 0u);
    WCHAR b[16] = {};
    GetPrivateProfileStringW(u"Office ,2,", u"UserCode", u"?", b, 16, kUserIni.c_str());
    EXPECT_EQ(std::u16string(b), u"0");
}

TEST_F(Handover, IdsWithinTheirLimitsAreTakenAndEveryKeyIsDeleted) {
    section("SetUserID=ABCDEFGHI\r\nSetOwnerID=OWNER6789ABCDEF0\r\n");
    EXPECT_EQ(ApplySetUserIds(kIni.c_str(), u"Office ,2,", c_), 1);
    EXPECT_EQ(text(c_, kItRdmUserID), u"");
    EXPECT_EQ(text(c_, kItRdmOwnerName), u"OWNER6789ABCDEF0");
    EXPECT_EQ(key(u"SetUserID"), u"(missing)");
    EXPECT_EQ(key(u"SetOwnerID"), u"(missing)");
    EXPECT_EQ(key(u"DrvInstSet"), u"1");

    section("SetUserID=USER0001\r\nSetOwnerID=OWNER6789ABCDEF01\r\n");
    EXPECT_EQ(ApplySetUserIds(kIni.c_str(), u"Office ,2,", c_), 1);
    EXPECT_EQ(text(c_, kItRdmUserID), u"USER0001");
    EXPECT_EQ(text(c_, kItRdmOwnerName), u"OWNER6789ABCDEF0");

    section("SetUserID=AB-12\r\n");
    EXPECT_EQ(ApplySetUserIds(kIni.c_str(), u"Office ,2,", c_), 1);
    EXPECT_EQ(text(c_, kItRdmUserID), u"USER0001");
    EXPECT_EQ(key(u"DrvInstSet"), u"(missing)");
    section("Other=1\r\n");
    EXPECT_EQ(ApplySetUserIds(kIni.c_str(), u"Office ,2,", c_), 0);
}

TEST_F(Handover, AReadOnlyFileIsMarkedAllTheSame) {
    section("SetOwnerID=OWNER1\r\n");
    ASSERT_TRUE(SetFileAttributesW(kIni.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ApplySetUserIds(kIni.c_str(), u"Office ,2,", c_), 1);
    EXPECT_EQ(key(u"SetOwnerID"), u"(missing)");
    EXPECT_EQ(key(u"DrvInstSet"), u"1");
}

TEST_F(Handover, WorkIsAnyRealInstruction) {
    section("SetUserCode=*\r\nSetUserID=\r\n");
    EXPECT_FALSE(VeskIniHasWorkFor(u"Office [2]"));
    section("SetUserCode=\r\n");
    EXPECT_TRUE(VeskIniHasWorkFor(u"Office [2]"));
    section("SetOwnerID=O\r\n");
    EXPECT_TRUE(VeskIniHasWorkFor(u"Office [2]"));
    EXPECT_TRUE(VeskIniHasAppSection(printer_));
    DeleteFileW(kIni.c_str());
    EXPECT_FALSE(VeskIniHasWorkFor(u"Office [2]"));
}

TEST_F(Handover, OnlyAnOwnerIsStoredMarkedAppliedAndLeavesTheDefaultBundleToTheInstall) {
    section("SetOwnerID=OWNER1\r\n");
    EXPECT_EQ(InstApplyVeskIni(c_), 0);
    EXPECT_EQ(text(c_, kItRdmOwnerName), u"OWNER1");
    EXPECT_EQ(key(u"BatchInstallDone"), u"1");
    EXPECT_EQ(key(u"SetOwnerID"), u"(missing)");
    EXPECT_EQ(key(u"BatchInstallDone", u"C:\\_vesk\\KW12D170.ini"), u"1");
    EXPECT_TRUE(winsim::printerData(name_, u"BatchInstallDone"));
    DeleteFileW(kIni.c_str());
    EXPECT_EQ(InstApplyVeskIni(c_), 0);
}

TEST_F(Handover, TheNextOrdinaryContextPushesTheSavedItemsAndResetsTheMark) {
    setText(c_, kItRdmOwnerName, u"OWNER7");
    setText(c_, kItRdmUserCode, u"4711");
    JcSaveItemsToPrinterData(c_, kJcMaskJobItems);
    section("DrvInstSet=1\r\n");
    DrvContext* next = open();
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(key(u"DrvInstSet"), u"0");
    EXPECT_EQ(held(next, 2), u"OWNER7");
    EXPECT_EQ(held(next, 1), u"4711");
}

// The child the install programs run as: ends at once.
TEST(HandoverChild, DISABLED_EndsAtOnce) {}

TEST_F(Handover, ExpandProgramsRunHiddenFromTheirDirectoriesAndAStartFailureIsSkipped) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::vector<std::string> child = {self, "--gtest_also_run_disabled_tests",
                                            "--gtest_filter=HandoverChild.DISABLED_EndsAtOnce"};
    ASSERT_TRUE(winsim::installProgram(kDriverDir + u"SYSA.EXE", child));
    ASSERT_TRUE(winsim::installProgram(kDriverDir + u"DRVB.EXE", child));
    // The data file's section alone (the context has its model already).
    write(kDriverDir + u"VESKMFP1.VMD", "[Expand File]\r\nSystemDirfiles=2\r\nSystemDir1=MISSING.EXE\r\n"
                                            "SystemDir2=SYSA.EXE\r\nDriverDirfiles=1\r\nDriverDir1=DRVB.EXE\r\n");
    winsim::journalClear();
    RunExpandFiles(c_);
    std::vector<std::string> starts;
    for (const auto& e : winsim::journal())
        if (e.function == "CreateProcessW") starts.push_back(e.detail);
    const std::string dir = "C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";
    ASSERT_EQ(starts.size(), 3u);
    EXPECT_EQ(starts[0], "app=" + dir + "MISSING.EXE;cmd=;cwd=C:\\WINDOWS\\system32;inherit=0;flags=0x0;"
                         "si.dwFlags=0x1;show=0");
    EXPECT_EQ(starts[1], "app=" + dir + "SYSA.EXE;cmd=;cwd=C:\\WINDOWS\\system32;inherit=0;flags=0x0;"
                         "si.dwFlags=0x1;show=0");
    EXPECT_EQ(starts[2], "app=" + dir + "DRVB.EXE;cmd=;cwd=" + dir + ";inherit=0;flags=0x0;si.dwFlags=0x1;show=0");
    EXPECT_EQ(calls("WaitForSingleObject"), 2u);
}

}  // namespace
}  // namespace vesk::test
