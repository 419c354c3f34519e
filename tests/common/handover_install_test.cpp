// The install's hand-over steps: the section applied, its bundle and marks.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <string>

#include "common/jobctl_support.h"
#include "core/handover/handover.h"
#include "core/item_ids.h"

namespace vesk::test {
namespace {

const std::u16string kIni = u"C:\\WINDOWS\\system32\\VESK.ini";

class HandoverInstall : public JobControlPrinter {
protected:
    void SetUp() override {
        JobControlPrinter::SetUp();
        CreateDirectoryW(u"C:\\Spool", nullptr);
        c_ = open();
        ASSERT_NE(c_, nullptr);
    }
    void section(const std::string& body) { write(kIni, "[Office ,2,]\r\n" + body); }
    std::u16string key(const char16_t* k) {
        WCHAR b[300] = {};
        GetPrivateProfileStringW(u"Office ,2,", k, u"(missing)", b, 300, kIni.c_str());
        return b;
    }
    DrvContext* c_ = nullptr;
};

TEST_F(HandoverInstall, TheSectionsCodeAndSpoolDirectoryAreAppliedAndItsBundleCounts) {
    write(kDriverDir + u"HAND.rsb", "[us]\r\nNumDeficonfiles=0\r\n");
    section("DefaultRst=HAND.rsb\r\nSetUserCode=2468\r\nSpoolDirectory=C:\\Spool\r\n");
    EXPECT_EQ(InstApplyVeskIni(c_), 1);
    EXPECT_EQ(text(c_, kItRdmLogCode), u"2468");
    EXPECT_TRUE(HandoverUserCodeChanged(c_));
    EXPECT_EQ(data(u"SpoolDirectory"), std::u16string(u"C:\\Spool", 9));
    EXPECT_EQ(key(u"SetUserCode"), u"(missing)");
    EXPECT_EQ(key(u"SpoolDirectory"), u"(missing)");
    // The bundle stays for the bundle step, which marks the section.
    EXPECT_EQ(key(u"DefaultRst"), u"HAND.rsb");
    EXPECT_EQ(key(u"BatchInstallDone"), u"(missing)");
    char16_t path[300] = {};
    ASSERT_EQ(GetVeskIniDefaultRst(path, c_), 1);
    EXPECT_EQ(std::u16string(path), kDriverDir + u"HAND.rsb");
}

TEST_F(HandoverInstall, NothingToDoLeavesTheFileAlone) {
    section("BatchInstallDone=1\r\n");
    EXPECT_EQ(InstApplyVeskIni(c_), 1);
    EXPECT_FALSE(HandoverUserCodeChanged(c_));
    EXPECT_EQ(InstApplyDefaultRst(0, c_, 0), 0);
    EXPECT_EQ(key(u"DefaultRstName"), u"(missing)");
}

TEST_F(HandoverInstall, ABundleThatIsNotThereIsMarkedAppliedAndItsKeyGoes) {
    section("DefaultRst=GONE.rsb\r\n");
    EXPECT_EQ(InstApplyDefaultRst(0, c_, 0), 0);
    EXPECT_EQ(key(u"DefaultRst"), u"(missing)");
    EXPECT_EQ(key(u"BatchInstallDone"), u"1");
    EXPECT_EQ(key(u"DefaultRstName"), kDriverDir + u"GONE.rsb");
    // A name with a drive letter stands as it is; no extension is no bundle.
    section("DefaultRst=C:\\x\\NOEXT\r\n");
    EXPECT_EQ(InstApplyDefaultRst(0, c_, 0), 0);
    EXPECT_EQ(key(u"DefaultRstName"), u"C:\\x\\NOEXT");
}

TEST_F(HandoverInstall, ASectionWithWorkButNoBundleIsLeftUnmarked) {
    section("SetOwnerID=OWNER1\r\n");
    EXPECT_EQ(InstApplyDefaultRst(0, c_, 0), 0);
    EXPECT_EQ(key(u"BatchInstallDone"), u"(missing)");
    EXPECT_EQ(key(u"SetOwnerID"), u"OWNER1");
}

}  // namespace
}  // namespace vesk::test
