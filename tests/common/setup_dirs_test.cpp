// Work and spool directory instructions of the setup INI and VESK.ini.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <string>

#include "common/sample_printer_support.h"
#include "core/registry_values.h"
#include "core/setupdirs/setup_dirs.h"

namespace vesk::test {
namespace {

const std::u16string kVeskIni = u"C:\\WINDOWS\\system32\\VESK.ini";
const std::u16string kSetupIni = kDriverDir + u"KW12D172.ini";

class SetupDirs : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        CreateDirectoryW(u"C:\\Data", nullptr);
        c_ = context(0, 0);
        ASSERT_NE(c_, nullptr);
    }
    static std::u16string reg(const char16_t* value) {
        WCHAR b[300] = {};
        if (!RegReadHklmString(kRegDrvKey, value, b, 300)) return u"(missing)";
        return b;
    }
    static std::u16string key(const std::u16string& file, const char16_t* k) {
        WCHAR b[300] = {};
        GetPrivateProfileStringW(u"Office ,2,", k, u"(missing)", b, 300, file.c_str());
        return b;
    }
    void work(const std::string& line) {
        write(kVeskIni, "[Office ,2,]\r\n" + line + "\r\nOther=1\r\n");
        EXPECT_EQ(ApplyWorkDirectory(u"Office ,2,", kVeskIni.c_str()), 1);
        EXPECT_EQ(key(kVeskIni, kSdWorkDirKey), u"(missing)") << line;
        EXPECT_EQ(key(kVeskIni, u"Other"), u"1");
    }
    DrvContext* c_ = nullptr;
};

TEST_F(SetupDirs, AnExistingDirectoryBecomesThePrivateDirectoryWithOrWithoutItsBackslash) {
    work("VESKDirectory=C:\\Data");
    EXPECT_EQ(reg(kRegPrivateDirValue), u"C:\\Data\\_vesk");
    work("VESKDirectory=C:\\");
    EXPECT_EQ(reg(kRegPrivateDirValue), u"C:\\_vesk");
    work("VESKDirectory=c:\\data\\");
    EXPECT_EQ(reg(kRegPrivateDirValue), u"c:\\data\\_vesk");
    work("VESKDirectory=");
    EXPECT_EQ(reg(kRegPrivateDirValue), u"");
}

TEST_F(SetupDirs, WhatIsNoDirectoryLeavesTheRegistryButLosesTheInstruction) {
    work("VESKDirectory=C:\\Data");
    write(u"C:\\Data\\plain", "x");
    for (const char* bad : {"VESKDirectory=C:\\Nowhere", "VESKDirectory=C:\\Data\\plain", "VESKDirectory=C:\\Da*",
                            "VESKDirectory=*", "Missing=1"}) {
        work(bad);
        EXPECT_EQ(reg(kRegPrivateDirValue), u"C:\\Data\\_vesk") << bad;
    }
}

TEST_F(SetupDirs, TheDeletionKeepsTheFilesLastWriteTime) {
    write(kVeskIni, "[Office ,2,]\r\nVESKDirectory=C:\\Data\r\nSpoolDirectory=C:\\Data\r\n");
    setTime(kVeskIni, -3600);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ASSERT_TRUE(GetFileAttributesExW(kVeskIni.c_str(), GetFileExInfoStandard, &before));
    ApplyWorkDirectory(u"Office ,2,", kVeskIni.c_str());
    ApplySpoolDirectory(kVeskIni.c_str(), u"Office ,2,", c_);
    ASSERT_TRUE(GetFileAttributesExW(kVeskIni.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(after.ftLastWriteTime.dwLowDateTime, before.ftLastWriteTime.dwLowDateTime);
    EXPECT_EQ(after.ftLastWriteTime.dwHighDateTime, before.ftLastWriteTime.dwHighDateTime);
    EXPECT_EQ(key(kVeskIni, kSdSpoolDirKey), u"(missing)");
}

TEST_F(SetupDirs, TheHandOverFileWinsOverTheSetupIni) {
    CreateDirectoryW(u"C:\\Setup", nullptr);
    write(kSetupIni, "[Office ,2,]\r\nVESKDirectory=C:\\Setup\r\n");
    write(kVeskIni, "[Office ,2,]\r\nVESKDirectory=C:\\Data\r\n");
    EXPECT_EQ(ApplyWorkDirectorySetupIni(printer_, name_.c_str(), c_), 1);
    EXPECT_EQ(reg(kRegPrivateDirValue), u"C:\\Setup\\_vesk");
    EXPECT_EQ(ApplyWorkDirectoryVeskIni(printer_, c_, name_.c_str()), 1);
    EXPECT_EQ(reg(kRegPrivateDirValue), u"C:\\Data\\_vesk");
    EXPECT_EQ(key(kSetupIni, kSdWorkDirKey), u"(missing)");
}

TEST_F(SetupDirs, TheSpoolDirectoryGoesToThePrinterOrWithExactlyOnToAll) {
    write(kVeskIni, "[Office ,2,]\r\nSpoolDirectory=C:\\Data\r\nSpoolDirectoryAll=on\r\n");
    EXPECT_EQ(ApplySpoolDirectory(kVeskIni.c_str(), u"Office ,2,", c_), 1);
    EXPECT_EQ(data(kSdSpoolDirKey), std::u16string(u"C:\\Data", 8));  // with its NUL
    EXPECT_EQ(reg(kRegSpoolDirValue), u"(missing)");
    EXPECT_EQ(key(kVeskIni, kSdSpoolAllKey), u"(missing)");

    write(kVeskIni, "[Office ,2,]\r\nSpoolDirectory=C:\\Data\\\r\nSpoolDirectoryAll=ON\r\n");
    ApplySpoolDirectory(kVeskIni.c_str(), u"Office ,2,", c_);
    EXPECT_EQ(reg(kRegSpoolDirValue), u"C:\\Data\\");

    write(kVeskIni, "[Office ,2,]\r\nSpoolDirectory=C:\\Gone\r\nSpoolDirectoryAll=ON\r\n");
    ApplySpoolDirectory(kVeskIni.c_str(), u"Office ,2,", c_);
    EXPECT_EQ(reg(kRegSpoolDirValue), u"C:\\Data\\");
    EXPECT_EQ(key(kVeskIni, kSdSpoolDirKey), u"(missing)");

    write(kVeskIni, "[Office ,2,]\r\nSpoolDirectory=\r\nSpoolDirectoryAll=ON\r\n");
    ApplySpoolDirectory(kVeskIni.c_str(), u"Office ,2,", c_);
    EXPECT_EQ(reg(kRegSpoolDirValue), u"");
    EXPECT_EQ(data(kSdSpoolDirKey), std::u16string(u"C:\\Data", 8));  // with its NUL
}

TEST_F(SetupDirs, AListedFileIsSavedAgainFromTheCurrentSettings) {
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    write(u"C:\\_vesk\\KW12D170.ini",
          "[Office ,2,]\r\nCount=1\r\nPresetList0=C:\\Data\\p.rst\r\nQualityCount=1\r\n"
          "QualityList0=C:\\Data\\q.rsq\r\n");
    EXPECT_EQ(ResavePresetFile(c_, 0), 1);
    EXPECT_EQ(ResaveQualityFile(c_, 0), 1);
    EXPECT_NE(read(u"C:\\Data\\p.rst").find("RstVersion=200"), std::string::npos) << read(u"C:\\Data\\p.rst");
    EXPECT_NE(read(u"C:\\Data\\q.rsq").find("[Office ,2,]"), std::string::npos) << read(u"C:\\Data\\q.rsq");
    EXPECT_EQ(ResavePresetFile(c_, 1), 0);
    EXPECT_EQ(ResaveQualityFile(c_, 5), 0);
}

// Windows on D: (the system drive).
class SetupDirsOnD : public ::testing::Test {
protected:
    static winsim::MachineConfig onD() {
        winsim::MachineConfig c;
        c.windowsDir = "D:\\WINNT";
        c.systemDir = "D:\\WINNT\\system32";
        return c;
    }
    winsim::TempMachine machine_{onD()};
};

TEST_F(SetupDirsOnD, SystemDriveIsTheWindowsDrive) {
    ASSERT_TRUE(CreateDirectoryW(u"D:\\Data", nullptr));
    const std::u16string ini = u"D:\\WINNT\\system32\\VESK.ini";
    ASSERT_TRUE(WritePrivateProfileStringW(u"P", kSdWorkDirKey, u"%systemdrive%\\Data", ini.c_str()));
    ApplyWorkDirectory(u"P", ini.c_str());
    WCHAR b[300] = {};
    ASSERT_TRUE(RegReadHklmString(kRegDrvKey, kRegPrivateDirValue, b, 300));
    EXPECT_EQ(std::u16string(b), u"D:\\Data\\_vesk");
    WCHAR dir[300] = {};
    EXPECT_EQ(GetSystemWindowsDir(dir, 300), 1);
    EXPECT_EQ(std::u16string(dir), u"D:\\WINNT");
    EXPECT_EQ(GetSystemWindowsDir(dir, 4), 0);
}

}  // namespace
}  // namespace vesk::test
