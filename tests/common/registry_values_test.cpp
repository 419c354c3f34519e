// The driver's HKLM values: defaults written only where missing, the
// feature and custom set-up switches, and silent failures.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/registry.h>
#include <winsim/spooler.h>

#include "common/services_support.h"
#include "core/registry_values.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr char16_t kLog[] = u"Software\\MAREN\\PrintLog";

std::u16string text(const winsim::RegValue& v) {
    std::u16string s;
    for (size_t i = 0; i + 1 < v.data.size(); i += 2) s.push_back(static_cast<char16_t>(v.data[i] | v.data[i + 1] << 8));
    return s;
}

class RegistryValues : public PrinterMachine {};

}  // namespace

TEST_F(RegistryValues, PrintLogDefaultsOnlyWhereMissing) {
    EXPECT_EQ(RegEnsurePrintLogDefaults(nullptr), 1);
    auto dir = winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"LogFileDirectory");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->type, static_cast<uint32_t>(REG_SZ));
    EXPECT_EQ(text(*dir), std::u16string(u"C:\\WINDOWS\\temp\\PrintLog") + u'\0');  // with its NUL
    auto size = winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"MaxLogFileSize");
    ASSERT_TRUE(size);
    EXPECT_EQ(size->type, static_cast<uint32_t>(REG_DWORD));
    EXPECT_EQ(size->data, (std::vector<uint8_t>{64, 0, 0, 0}));

    // Existing values stay, except an empty directory.
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, kLog, u"LogFileDirectory", u""));
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, kLog, u"MaxLogFileSize", 5));
    EXPECT_EQ(RegEnsurePrintLogDefaults(nullptr), 1);
    EXPECT_EQ(text(*winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"LogFileDirectory")),
              std::u16string(u"C:\\WINDOWS\\temp\\PrintLog") + u'\0');
    EXPECT_EQ(winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"MaxLogFileSize")->data, (std::vector<uint8_t>{5, 0, 0, 0}));
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, kLog, u"LogFileDirectory", u"D:\\Logs"));
    EXPECT_EQ(RegEnsurePrintLogDefaults(nullptr), 1);
    EXPECT_EQ(text(*winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"LogFileDirectory")), std::u16string(u"D:\\Logs") + u'\0');

    // The log file's name beside them, from the graphics library's name.
    DrvContext* c = context();
    EXPECT_EQ(PrnWriteLogFileName(0, c), 1);
    EXPECT_EQ(data(u"LogFileName"), u"(missing)");
    EXPECT_EQ(PrnWriteLogFileName(1, c), 1);
    EXPECT_EQ(data(u"LogFileName"), std::u16string(u"veskgr.log") + u'\0');
}

TEST_F(RegistryValues, LogFileNameOfOtherLibraryNames) {
    auto named = [&](const std::u16string& file) {
        auto d = *winsim::findDriver(u"VESK Colour MFP");
        d.driverPath = kDriverDir + file;
        winsim::addDriver(d);
        DrvContext* c = context();
        EXPECT_EQ(PrnWriteLogFileName(1, c), 1);
        return data(u"LogFileName");
    };
    EXPECT_EQ(named(u"ABC.DLL"), std::u16string(u"ABC.log") + u'\0');
    EXPECT_EQ(named(u"ABC"), std::u16string(u"ABC.log") + u'\0');
    EXPECT_EQ(named(u"a.b.dll"), std::u16string(u"a.b.log") + u'\0');
    // No driver record: no name and nothing written.
    EXPECT_EQ(PrnWriteLogFileName(1, nullptr), 0);
}

TEST_F(RegistryValues, SwitchesAndDriverValues) {
    winsim::journalEnable(true);
    EXPECT_EQ(RegIsFeatureInstalled(1, nullptr), 0);
    EXPECT_EQ(winsim::journalCount("RegOpenKeyW"), 0u);
    winsim::journalEnable(false);
    const char16_t* jobLinker = u"Software\\MAREN\\Featurix\\JobLinker";
    EXPECT_EQ(RegIsFeatureInstalled(2, nullptr), 0);
    winsim::regSetDword(HKEY_LOCAL_MACHINE, jobLinker, u"INSTALL_COUNT", 0);
    EXPECT_EQ(RegIsFeatureInstalled(2, nullptr), 0);
    winsim::regSetDword(HKEY_LOCAL_MACHINE, jobLinker, u"INSTALL_COUNT", 3);
    EXPECT_EQ(RegIsFeatureInstalled(2, nullptr), 1);

    const char16_t* custom = u"Software\\MAREN\\VeskDrvCustomSetup";
    EXPECT_EQ(RegGetSaveDeviceSetup(nullptr), 0);
    winsim::regSetDword(HKEY_LOCAL_MACHINE, custom, u"SaveDeviceSetup", 1);
    EXPECT_EQ(RegGetSaveDeviceSetup(nullptr), 1);
    winsim::regSetString(HKEY_LOCAL_MACHINE, custom, u"SaveDeviceSetup", u"1");
    EXPECT_EQ(RegGetSaveDeviceSetup(nullptr), 0);  // the text "1" is not the number
    winsim::regSetDword(HKEY_LOCAL_MACHINE, custom, u"SaveDeviceSetup", 0x00010001);
    EXPECT_EQ(RegGetSaveDeviceSetup(nullptr), 1);  // only the first 16 bits count

    // The driver's own key is made on the first write; an empty string clears.
    const char16_t dir[] = u"D:\\Spool";
    EXPECT_EQ(RegSetDrvValue(u"SpoolDirectory", dir, sizeof dir), 1);
    WCHAR b[32];
    ASSERT_EQ(RegGetDrvValue(u"SpoolDirectory", b, sizeof b), 1);
    EXPECT_EQ(std::u16string(b), u"D:\\Spool");
    EXPECT_EQ(RegSetDrvValue(u"SpoolDirectory", u"", 2), 1);
    ASSERT_EQ(RegGetDrvValue(u"SpoolDirectory", b, sizeof b), 1);
    EXPECT_EQ(b[0], 0);
    // A value larger than the buffer is not read at all.
    EXPECT_EQ(RegSetDrvValue(u"SpoolDirectory", dir, sizeof dir), 1);
    EXPECT_EQ(RegGetDrvValue(u"SpoolDirectory", b, 6), 0);
    EXPECT_EQ(RegReadHklmString(kRegDrvKey, u"SpoolDirectory", b, 9), 1);
    EXPECT_EQ(RegReadHklmString(kRegDrvKey, u"SpoolDirectory", b, 8), 0);  // no room for the terminator
}

TEST_F(RegistryValues, WritesOfAStandardUserFailQuietly) {
    winsim::config().userIsAdmin = false;
    EXPECT_EQ(RegSetDrvValue(u"SpoolDirectory", u"D:\\x", 10), 0);
    EXPECT_EQ(RegEnsurePrintLogDefaults(nullptr), 1);  // it tried; nothing to report
    EXPECT_FALSE(winsim::regGet(HKEY_LOCAL_MACHINE, kLog, u"MaxLogFileSize"));
}
