// The batch install's copy of the setup INI, its mark, and the default-job
// keys.
#include <gtest/gtest.h>

#include "common/install_support.h"
#include "core/install/batch_install.h"

namespace vesk::test {
namespace {

class BatchInstall : public InstallMachine {
protected:
    explicit BatchInstall(const winsim::MachineConfig& cfg = osConfig(5, 1)) : InstallMachine(cfg) {}
    DrvContext* open() {
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, kCreateInterface, 0, nullptr);
        EXPECT_NE(c, nullptr);
        contexts_.emplace_back(c);
        return c;
    }
    FILETIME time(const std::u16string& path) {
        WIN32_FILE_ATTRIBUTE_DATA a{};
        EXPECT_TRUE(GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &a));
        return a.ftLastWriteTime;
    }
};

class BatchInstallNt4 : public BatchInstall {
protected:
    BatchInstallNt4() : BatchInstall(osConfig(4, 0)) {}
};

TEST_F(BatchInstall, TheListsAreCopiedOnlyIntoATargetOfAnotherSettingsFamily) {
    DrvContext* c = open();
    ASSERT_EQ(RunBatchInstall(printer_, c, 0), 1);
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"3");
    EXPECT_EQ(get(common_, u"bIsBIDISupportForVESKFont", u"us"), u"0");
    EXPECT_EQ(get(common_, u"wdmFreeSizeName", u"FreeSize0us"), u"User size 1");

    // Same family (2xx): the user's lists stay.
    put(common_, u"RstVersion", u"299", u"us");
    put(common_, u"StampCount", u"1", u"us");
    ASSERT_EQ(RunBatchInstall(printer_, c, 0), 1);
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"1");
    // Another family, or no version at all: copied again.
    for (const char16_t* v : std::initializer_list<const char16_t*>{u"199", nullptr}) {
        ASSERT_TRUE(IniWriteString(u"us", u"RstVersion", v, common_.c_str()));
        ASSERT_EQ(RunBatchInstall(printer_, c, 0), 1);
        EXPECT_EQ(get(common_, u"StampCount", u"us"), u"3");
        EXPECT_EQ(get(common_, u"RstVersion", u"us"), u"200");
        put(common_, u"StampCount", u"1", u"us");
    }
    // With the lists done nothing is copied.
    ASSERT_TRUE(IniWriteString(u"us", u"RstVersion", nullptr, common_.c_str()));
    ASSERT_EQ(RunBatchInstall(printer_, c, 1), 1);
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"1");
}

TEST_F(BatchInstall, ASecondBatchInstallStopsAtTheMarkAndKeepsTheFileTime) {
    setTime(setup_, -3600);
    const FILETIME shipped = time(setup_);
    ASSERT_EQ(RunBatchInstall(printer_, nullptr, 0), 1);
    EXPECT_EQ(get(setup_, u"BatchInstallDone", u"BatchInstallDone"), u"1");
    FILETIME now = time(setup_);
    EXPECT_EQ(CompareFileTime(&now, &shipped), 0);
    EXPECT_EQ(get(common_, u"RstVersion", u"us"), u"200");

    // The second run with the lists done needs no context (this one could
    // not be made without the model) and writes nothing.
    put(common_, u"StampCount", u"1", u"us");
    std::filesystem::remove(*winsim::hostPath(kDriverDir + u"VESKMFP1.VMD"));
    MdlCacheFreeAll();
    const std::string before = read(setup_);
    EXPECT_EQ(RunBatchInstall(printer_, nullptr, 1), 1);
    EXPECT_EQ(read(setup_), before);
    now = time(setup_);
    EXPECT_EQ(CompareFileTime(&now, &shipped), 0);
    // Without the mark it needs the context.
    ASSERT_TRUE(IniWriteString(u"BatchInstallDone", nullptr, nullptr, setup_.c_str()));
    EXPECT_EQ(RunBatchInstall(printer_, nullptr, 1), 0);
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"1");
}

TEST_F(BatchInstall, DefaultJobKeysByMode) {
    DrvContext* c = open();
    ASSERT_EQ(CopyDefaultJobKeys(c, kJobKeysFromSetup, nullptr), 1);
    EXPECT_EQ(get(common_, u"MergeKey"), u"Software\\MAREN\\VeskMerge");
    EXPECT_EQ(get(common_, u"APIAPLInfo"), u"");
    // Windows 2000 and later take the merge path's own key.
    EXPECT_EQ(get(common_, u"DrvDefJobMergePath"), u"C:\\_vesk\\merge");
    EXPECT_EQ(get(common_, u"DrvDefJobMergePath2k"), u"(none)");
    EXPECT_EQ(get(common_, u"DefaultRst"), u"(none)");

    EXPECT_EQ(CopyDefaultJobKeys(c, kJobKeysDefaultRst, nullptr), 0);
    EXPECT_EQ(CopyDefaultJobKeys(c, kJobKeysDefaultRst, u"C:\\b.rsb"), 1);
    EXPECT_EQ(get(common_, u"DefaultRst"), u"C:\\b.rsb");
    EXPECT_EQ(CopyDefaultJobKeys(c, kJobKeysKind3, u"X"), 1);
    EXPECT_EQ(get(common_, u"DefaultRst"), u"X");
    EXPECT_EQ(get(common_, u"BatchInstRst"), u"X");
    EXPECT_EQ(CopyDefaultJobKeys(c, kJobKeysBatchRst, nullptr), 1);
    EXPECT_EQ(get(common_, u"BatchInstRst"), u"(none)");
    EXPECT_EQ(get(common_, u"DefaultRst"), u"X");
    EXPECT_EQ(CopyDefaultJobKeys(c, 2, u"X"), 0);

    // A setup INI without the language section leaves the keys empty.
    write(setup_, "[other]\r\nMergeKey=x\r\n");
    ASSERT_TRUE(IniWriteString(name_.c_str(), u"MergeKey", nullptr, common_.c_str()));
    EXPECT_EQ(CopyDefaultJobKeys(c, kJobKeysFromSetup, nullptr), 1);
    EXPECT_EQ(get(common_, u"MergeKey"), u"");
}

TEST_F(BatchInstallNt4, WindowsNt4TakesThePlainMergePath) {
    DrvContext* c = open();
    ASSERT_EQ(CopyDefaultJobKeys(c, kJobKeysFromSetup, nullptr), 1);
    EXPECT_EQ(get(GetIniFilePath(c), u"DrvDefJobMergePath"), u"C:\\WINDOWS\\system32\\maren");
}

}  // namespace
}  // namespace vesk::test
