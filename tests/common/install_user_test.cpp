// The user's own set-up of a printer under terminal services: the default
// bundle's copy, the list paths, the old low-integrity copy, the settings
// version check and the migration of the list files.
#include <gtest/gtest.h>

#include "common/install_support.h"
#include "core/install/install_check.h"
#include "core/install/install_ini.h"
#include "core/install/install_printer.h"
#include "core/install/install_steps.h"

namespace vesk::test {
namespace {

class UserSetUp : public InstallMachine {
protected:
    explicit UserSetUp(const winsim::MachineConfig& cfg = osConfig(5, 1, VER_SUITE_TERMINAL)) : InstallMachine(cfg) {}
    void SetUp() override {
        InstallMachine::SetUp();
        CreateDirectoryW(u"C:\\_vesk", nullptr);
    }
    // A list file holding the printer's section and the sections that move
    // with it, and one that does not.
    void listFile(const std::u16string& path) {
        write(path, "[Office ,2,]\r\nk=1\r\n[condition]\r\nConditionOption0_0=VPD_ConditionOption=1\r\n"
                    "[disable]\r\nVESK Colour MFP=0\r\n[other]\r\nz=1\r\n");
    }
    bool has(const std::u16string& file, const char* section) {
        return read(file).find(std::string("[") + section + "]") != std::string::npos;
    }
    std::u16string at(const char16_t* file) { return userDir_ + u"\\" + file; }
    // Entry `n` of the preset (or quality) list of `ini` with its name.
    void entry(const std::u16string& ini, bool preset, int n, const char16_t* path, const char16_t* label) {
        const std::u16string key = (preset ? u"PresetList" : u"QualityList") + winsim::fromUtf8(std::to_string(n));
        put(ini, key.c_str(), path);
        put(ini, (key + u"Name").c_str(), label);
    }
};

TEST_F(UserSetUp, TheBatchBundleComesWithItsListsIntoTheUsersDirectory) {
    EXPECT_EQ(InstallApplyDefaultRst(printer_, nullptr), 0);  // nothing named: nothing to do
    EXPECT_EQ(get(user_, u"DefaultRst"), u"(none)");

    put(common_, u"DefaultRst", u"C:\\_vesk\\D.rsb");
    EXPECT_EQ(DefaultRstAppliedForUser(printer_, nullptr), 1);
    EXPECT_EQ(get(user_, u"DefaultRst"), u"C:\\_vesk\\D.rsb");
    EXPECT_EQ(get(user_, u"Count"), u"(none)");

    write(u"C:\\_vesk\\B.rsb", "[us]\r\nStampCount=0\r\nFreeSizeCount=0\r\n");
    put(common_, u"BatchInstRst", u"C:\\_vesk\\B.rsb");
    put(common_, u"Count", u"1");
    entry(common_, true, 0, u"C:\\_vesk\\A.rsd", u"Alpha");
    put(common_, u"PresetList0Comment", u"First");
    put(common_, u"QualityCount", u"1");
    entry(common_, false, 0, u"C:\\_vesk\\Q.rsq", u"Fine");
    listFile(u"C:\\_vesk\\A.rsd");
    listFile(u"C:\\_vesk\\Q.rsq");
    EXPECT_EQ(InstallApplyDefaultRst(printer_, nullptr), 0);
    EXPECT_EQ(get(user_, u"BatchInstRst"), u"C:\\_vesk\\B.rsb");
    EXPECT_EQ(get(user_, u"PresetList0"), at(u"A.rsd"));
    EXPECT_EQ(get(user_, u"PresetList0Name"), u"Alpha");
    EXPECT_EQ(get(user_, u"PresetList0Comment"), u"First");
    EXPECT_EQ(get(user_, u"QualityList0"), at(u"Q.rsq"));
    EXPECT_EQ(get(user_, u"QualityList0Name"), u"Fine");
    // A preset takes its conditions along; a quality only its settings.
    EXPECT_EQ(get(at(u"A.rsd"), u"k"), u"1");
    EXPECT_TRUE(has(at(u"A.rsd"), "condition"));
    EXPECT_TRUE(has(at(u"A.rsd"), "disable"));
    EXPECT_FALSE(has(at(u"A.rsd"), "other"));
    EXPECT_EQ(get(at(u"Q.rsq"), u"k"), u"1");
    EXPECT_FALSE(has(at(u"Q.rsq"), "condition"));
}

TEST_F(UserSetUp, ListPathsIntoTheCommonDirectoryMoveOnce) {
    EXPECT_EQ(GetTsIniState(printer_, nullptr), kTsIniNoList);  // no per-user copy
    put(user_, u"QualityCount", u"0");
    EXPECT_EQ(GetTsIniState(printer_, nullptr), kTsIniNoList);  // no preset count
    put(user_, u"Count", u"2");
    entry(user_, true, 0, u"c:\\_VESK\\A.rsd", u"Alpha");
    entry(user_, true, 1, u"C:\\keep\\B.rsd", u"Beta");
    put(user_, u"QualityCount", u"1");
    put(user_, u"QualityList0", u"C:\\_vesk\\Q.rsq");
    listFile(u"C:\\_vesk\\A.rsd");
    EXPECT_EQ(GetTsIniState(printer_, nullptr), kTsIniToCorrect);
    // A quality without its name stops the correction; nothing is marked.
    EXPECT_EQ(TsIniCorrectPaths(printer_, nullptr), kTsIniNoList);
    EXPECT_EQ(get(user_, u"TSIniCorrectDone"), u"(none)");
    put(user_, u"QualityList0Name", u"Fine");
    EXPECT_EQ(TsIniCorrectPaths(printer_, nullptr), kTsIniCorrected);
    EXPECT_EQ(get(user_, u"PresetList0"), at(u"A.rsd"));
    EXPECT_EQ(get(user_, u"PresetList1"), u"C:\\keep\\B.rsd");
    EXPECT_EQ(get(user_, u"QualityList0"), at(u"Q.rsq"));
    EXPECT_TRUE(has(at(u"A.rsd"), "condition"));
    EXPECT_EQ(get(user_, u"TSIniCorrectDone"), u"1");
    EXPECT_EQ(GetTsIniState(printer_, nullptr), kTsIniCorrected);
}

TEST_F(UserSetUp, TheSettingsVersionDecidesBetweenReinstallAndRedeployment) {
    // Either copy without a version: nothing to do, and no stamp.
    EXPECT_EQ(InstallCheckRstVersion(printer_, kStampCommonNewer), 1);
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"(none)");

    put(common_, u"RstVersion", u"200", u"us");
    put(user_, u"RstVersion", u"199", u"us");
    put(user_, u"StampCount", u"1", u"us");
    EXPECT_EQ(InstallCheckRstVersion(printer_, kStampCommonNewer), 1);
    // Changed: the user's INI gets the setup INI's lists, and the stamp.
    EXPECT_EQ(get(user_, u"RstVersion", u"us"), u"200");
    EXPECT_EQ(get(user_, u"StampCount", u"us"), u"3");
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042640");
    EXPECT_EQ(get(user_, u"DrvInstVersion"), u"3.61");

    // The same version: the lists stay.
    put(user_, u"StampCount", u"1", u"us");
    winsim::advanceClock(1000);
    EXPECT_EQ(InstallCheckRstVersion(printer_, kStampCommonNewer), 1);
    EXPECT_EQ(get(user_, u"StampCount", u"us"), u"1");
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042641");
    // State 1 counts as changed whatever the versions say.
    EXPECT_EQ(InstallCheckRstVersion(printer_, kStampNeverSetUp), 1);
    EXPECT_EQ(get(user_, u"StampCount", u"us"), u"1");  // same family: lists kept
}

TEST_F(UserSetUp, TheCommonListFilesAreCopiedWhenNewer) {
    put(common_, u"Count", u"1");
    put(common_, u"PresetList0", u"C:\\_vesk\\A.rsr");
    put(common_, u"QualityCount", u"2");
    put(common_, u"QualityList0", u"C:\\_vesk\\Q");
    put(common_, u"QualityList1", u"C:\\_vesk\\Missing.rsq");
    write(u"C:\\_vesk\\A.rsd", "preset");
    write(u"C:\\_vesk\\Q.rsq", "quality");
    setTime(u"C:\\_vesk\\A.rsd", -10);
    EXPECT_EQ(InstallMigrateQuality(printer_), 1);
    EXPECT_EQ(read(at(u"A.rsd")), "preset");
    EXPECT_EQ(read(at(u"Q.rsq")), "quality");
    EXPECT_EQ(read(at(u"Missing.rsq")), "(missing)");
    // The same time: the user's copy stays; another time: replaced.
    write(at(u"A.rsd"), "user's");
    setTime(at(u"A.rsd"), -10);
    EXPECT_EQ(InstallMigrateQuality(printer_), 1);
    EXPECT_EQ(read(at(u"A.rsd")), "user's");
    setTime(at(u"A.rsd"), -20);
    EXPECT_EQ(InstallMigrateQuality(printer_), 1);
    EXPECT_EQ(read(at(u"A.rsd")), "preset");
}

// The low-integrity folder is Windows Vista's.
TEST_F(UserSetUp, TheUsersFirstCheckSetsThePrinterUpOnceForThem) {
    {
        InstallRunningScope running;
        ASSERT_EQ(InstallPrinter(printer_, nullptr, kInstallInitialise), 1);
    }
    ASSERT_EQ(WriteInstallStamp(printer_, 1, 2), 1);
    EXPECT_EQ(get(user_, u"RstVersion", u"us"), u"(none)");
    winsim::advanceClock(5000);
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    // The user's own copy: the setup INI's lists, stamped after the machine's.
    EXPECT_EQ(get(user_, u"RstVersion", u"us"), u"200");
    EXPECT_EQ(get(user_, u"StampCount", u"us"), u"3");
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042645");
    EXPECT_EQ(get(common_, u"DrvInstTime"), u"20220618042640");
    // A copy without a preset list counts as never set up: set up again.
    winsim::advanceClock(1000);
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042646");
    // With a list (empty here) it is corrected once, then up to date.
    put(user_, u"Count", u"0");
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    EXPECT_EQ(get(user_, u"TSIniCorrectDone"), u"1");
    const std::string before = read(user_);
    winsim::advanceClock(5000);
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    EXPECT_EQ(read(user_), before);
    // The machine installs again: the user's copy follows.
    ASSERT_EQ(WriteInstallStamp(printer_, 1, 0), 1);
    winsim::advanceClock(1000);
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042652");
}

class LowIntegrityCopy : public UserSetUp {
protected:
    LowIntegrityCopy() : UserSetUp(osConfig(6, 0, VER_SUITE_TERMINAL)) {}
    void SetUp() override {
        UserSetUp::SetUp();
        WCHAR b[kWsPathChars] = {};
        ASSERT_EQ(GetLocalAppDataLowDir(b, kWsPathChars), 1);
        oldDir_ = std::u16string(b) + u"\\_vesk";
        old_ = oldDir_ + u"\\KW12D170.ini";
    }
    std::u16string oldDir_, old_;
};

TEST_F(LowIntegrityCopy, WithoutTheOldCopyOnlyTheFlagsAreWritten) {
    EXPECT_EQ(LocalLowCorrect(printer_, nullptr), 1);
    EXPECT_EQ(get(user_, u"LocalLowCorrectDone"), u"1");
    EXPECT_EQ(get(user_, u"LocalLowCorrectDone", u"us"), u"1");
    EXPECT_EQ(get(user_, u"Count"), u"(none)");
}

TEST_F(LowIntegrityCopy, TheOldCopyIsTakenOverOnce) {
    ASSERT_TRUE(CreateDirectoryW(std::u16string(oldDir_.substr(0, oldDir_.rfind(u'\\'))).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(CreateDirectoryW(oldDir_.c_str(), nullptr));
    put(old_, u"Count", u"1");
    put(old_, u"PresetList0", (oldDir_ + u"\\A.rsd").c_str());
    put(old_, u"PresetList0Name", u"Alpha");
    put(old_, u"DrvDefJobMergePath", (oldDir_ + u"\\merge").c_str());
    put(old_, u"DefaultRst", u"C:\\_vesk\\D.rsb");
    put(old_, u"StampCount", u"1", u"us");
    put(old_, u"rdmWmKind", u"2", u"Stamp0us");
    listFile(oldDir_ + u"\\A.rsd");
    write(oldDir_ + u"\\Icon.rsd", "icon");
    write(u"C:\\_vesk\\D.rsb", "[us]\r\nNumDeficonfiles=2\r\nDeficonfiles1=%sysdir%\\Icon.rsd\r\n"
                               "Deficonfiles2=C:\\elsewhere\\X.rsd\r\n");
    EXPECT_EQ(LocalLowCorrect(printer_, nullptr), 1);
    EXPECT_EQ(get(user_, u"PresetList0"), at(u"A.rsd"));
    EXPECT_EQ(get(user_, u"PresetList0Name"), u"Alpha");
    EXPECT_EQ(get(user_, u"DrvDefJobMergePath"), at(u"merge"));
    EXPECT_TRUE(has(at(u"A.rsd"), "condition"));
    EXPECT_TRUE(has(at(u"A.rsd"), "disable"));
    EXPECT_EQ(get(user_, u"rdmWmKind", u"Stamp0us"), u"2");
    EXPECT_EQ(read(at(u"Icon.rsd")), "icon");
    EXPECT_EQ(get(user_, u"LocalLowCorrectDone"), u"1");
    EXPECT_EQ(get(user_, u"LocalLowCorrectDone", u"us"), u"1");
    // Done: a changed old copy is not read again.
    put(old_, u"PresetList0Name", u"Changed");
    EXPECT_EQ(LocalLowCorrect(printer_, nullptr), 1);
    EXPECT_EQ(get(user_, u"PresetList0Name"), u"Alpha");
}

}  // namespace
}  // namespace vesk::test
