// Directories and paths: the private and per-user directory rules per OS
// version, the per-printer INI per terminal-server state and install flag,
// the builders' 260-character rule, resource names, and the private
// directory's set-up with links left alone.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/modules.h>
#include <winsim/registry.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "common/services_support.h"
#include "core/devmode_sizes.h"
#include "core/dirs.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/wstr.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;
namespace fs = std::filesystem;

namespace {

std::u16string privateDir() {
    WCHAR b[kPathBufChars];
    return GetPrivateDirPlain(b, kPathBufChars) ? std::u16string(b) : u"(none)";
}

std::u16string userDir() {
    WCHAR b[kPathBufChars];
    return GetUserDataDirPlain(b, kPathBufChars) ? std::u16string(b) : u"(none)";
}

void setRegistryDir(const std::u16string& dir) {
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\MAREN\\VeskDrv", u"_VESKDirectory", dir));
}

fs::path host(const std::u16string& win) { return *winsim::hostPath(win); }

class DriverPaths : public PrinterMachine {
protected:
    DriverPaths() : PrinterMachine(osConfig(5, 2)) {}
    // A context whose DEVMODE holds `language` in option 177.
    DrvContext* contextWithLanguage(uint32_t language) {
        DrvContext* c = context();
        c->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
        ItemSetRawById(c, kItRdmLanguageID, language);
        return c;
    }
};

}  // namespace

TEST_F(DriverPaths, PrivateDirectoryByVersionAndRegistry) {
    winsim::config().osMajor = 5;
    winsim::config().osMinor = 0;
    EXPECT_EQ(privateDir(), u"C:\\_vesk");
    setRegistryDir(u"");
    EXPECT_EQ(privateDir(), u"C:\\_vesk");  // empty means the default
    setRegistryDir(u"D:\\Data\\_vesk");
    EXPECT_EQ(privateDir(), u"D:\\Data\\_vesk");
    // A value that does not fit is not cut into another folder's name.
    setRegistryDir(u"D:\\" + std::u16string(300, u'x'));
    EXPECT_EQ(privateDir(), u"C:\\_vesk");
    // A value stored without its NUL is still read whole and terminated.
    std::u16string bare = u"E:\\Shared";
    ASSERT_TRUE(winsim::regSet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\MAREN\\VeskDrv", u"_VESKDirectory", REG_SZ,
                               bare.data(), bare.size() * 2));
    EXPECT_EQ(privateDir(), bare);
    // Before Windows 2000 the system directory serves.
    winsim::config().osMajor = 4;
    EXPECT_EQ(privateDir(), u"C:\\WINDOWS\\system32");
    WCHAR b[kPathBufChars];
    ASSERT_TRUE(GetPrivateDirFromRegistry(b, kPathBufChars));
    EXPECT_EQ(std::u16string(b), bare);
}

TEST_F(DriverPaths, PerUserDirectoryAndProfileFallback) {
    EXPECT_EQ(userDir(), u"C:\\Documents and Settings\\user\\_vesk");
    winsim::config().osMajor = 4;
    EXPECT_EQ(userDir(), u"C:\\WINDOWS\\system32\\maren\\_vesk\\user");
    winsim::config().osMajor = 5;

    WCHAR b[kPathBufChars];
    winsim::hideExport(u"UserEnv.dll", "GetUserProfileDirectoryW");
    EXPECT_EQ(GetUserProfileDirNoFallback(b, kPathBufChars), 0u);
    EXPECT_EQ(b[0], 0);
    ASSERT_GT(GetUserProfileDir(b, kPathBufChars), 0u);
    EXPECT_EQ(std::u16string(b), u"C:\\_vesk");
    EXPECT_EQ(userDir(), u"(none)");
    winsim::showExport(u"UserEnv.dll", "GetUserProfileDirectoryW");
    // A capacity too small for the folder gives nothing, not a cut folder.
    EXPECT_EQ(GetUserProfileDirNoFallback(b, 10), 0u);
    EXPECT_EQ(GetLocalAppDataLowDir(b, 10), 0);
    winsim::config().osMajor = 6;
    ASSERT_EQ(GetLocalAppDataLowDir(b, kPathBufChars), 1);
    EXPECT_EQ(std::u16string(b).rfind(u"C:\\Documents and Settings\\user\\", 0), 0u);
}

TEST_F(DriverPaths, SettingsIniPerTerminalServerStateAndInstallFlag) {
    installQueryLibrary();
    setAnswer("1");  // a terminal-server printer
    DrvContext* normal = context();
    DrvContext* installing = context(kCreateInstallRunning);
    // Before the INI path is known the data directory is the per-user one.
    WCHAR b[kPathBufChars];
    ASSERT_TRUE(GetUserDataDir(b, kPathBufChars, installing));
    EXPECT_EQ(std::u16string(b), u"C:\\Documents and Settings\\user\\_vesk");

    EXPECT_EQ(std::u16string(GetIniFilePath(normal)), u"C:\\Documents and Settings\\user\\_vesk\\KW12D170.ini");
    EXPECT_EQ(std::u16string(GetIniFilePath(installing)), u"C:\\_vesk\\KW12D170.ini");
    ASSERT_TRUE(GetUserDataDir(b, kPathBufChars, installing));
    EXPECT_EQ(std::u16string(b), u"C:\\_vesk");  // the INI's folder once known

    // The process-wide install flag reaches new contexts.
    SetInstallRunning(true);
    DrvContext* during = context();
    SetInstallRunning(false);
    EXPECT_EQ(std::u16string(GetIniFilePath(during)), u"C:\\_vesk\\KW12D170.ini");

    // A name with a drive is used as it is, for terminal-server printers too.
    normal->desc->settingsIniName = u"D:\\Conf\\KW12D170.ini";
    EXPECT_EQ(std::u16string(GetIniFilePath(normal)), u"D:\\Conf\\KW12D170.ini");

    ASSERT_EQ(GetIniFilePathEx(b, 1), 1);
    EXPECT_EQ(std::u16string(b), u"C:\\Documents and Settings\\user\\_vesk\\KW12D170.ini");
    ASSERT_EQ(GetIniFilePathEx(b, 0), 1);
    EXPECT_EQ(std::u16string(b), u"C:\\_vesk\\KW12D170.ini");
}

TEST_F(DriverPaths, SettingsIniOfAPrinterNotOnATerminalServer) {
    installQueryLibrary();
    setAnswer("0");
    DrvContext* c = context();
    EXPECT_EQ(std::u16string(GetIniFilePath(c)), u"C:\\_vesk\\KW12D170.ini");
    EXPECT_EQ(std::u16string(GetSetupIniPath(c)), kDriverDir + u"KW12D172.ini");
    EXPECT_EQ(std::u16string(GetInstIniPath(c)), kDriverDir + u"KWINST.ini");
    WCHAR b[kPathBufChars];
    ASSERT_NE(GetSetupIniPathEx(printer_, b), nullptr);
    EXPECT_EQ(std::u16string(b), kDriverDir + u"KW12D172.ini");
}

TEST_F(DriverPaths, BuildersNeverCutAPath) {
    const std::u16string sys = u"C:\\WINDOWS\\system32\\";
    WCHAR b[kPathBufChars];
    size_t exact = sys.size() + 5 + 1;  // "a.ini" and the NUL
    BuildSystemDirPath(b, exact, u"a.ini");
    EXPECT_EQ(std::u16string(b), sys + u"a.ini");
    BuildSystemDirPath(b, exact - 1, u"a.ini");
    EXPECT_EQ(b[0], 0);
    BuildPrivateDirPath(b, 9, u"x");  // "C:\_vesk\x" needs 11
    EXPECT_EQ(b[0], 0);
    BuildPrivateDirPath(b, 11, u"x");
    EXPECT_EQ(std::u16string(b), u"C:\\_vesk\\x");
    // Over 260 characters in all: empty whatever the caller's buffer.
    std::vector<WCHAR> big(600);
    BuildWindowsDirPath(big.data(), big.size(), std::u16string(250, u'n').c_str());
    EXPECT_EQ(big[0], 0);
    // Missing arguments leave the destination as it was.
    WCopyWhole(b, kPathBufChars, u"kept");
    BuildWindowsDirPath(b, kPathBufChars, nullptr);
    BuildDataDirPath(b, 0, u"x");
    EXPECT_EQ(std::u16string(b), u"kept");
    BuildDataDirPath(b, kPathBufChars, u"p.rst");
    EXPECT_EQ(std::u16string(b), u"C:\\Documents and Settings\\user\\_vesk\\p.rst");

    BuildDriverFilePath(b, kPathBufChars, u"KWINST.ini", printer_);
    EXPECT_EQ(std::u16string(b), kDriverDir + u"KWINST.ini");
    WCopyWhole(b, kPathBufChars, u"kept");
    BuildDriverFilePath(b, kPathBufChars, u"x", reinterpret_cast<HANDLE>(0x999));
    EXPECT_EQ(std::u16string(b), u"kept");  // no driver record: untouched
}

TEST_F(DriverPaths, SystemParentPath) {
    winsim::config().systemDir = "C:\\W\\S";
    winsim::config().windowsDir = "C:\\W";
    WCHAR b[kPathBufChars];
    BuildSystemParentPath(b, kPathBufChars, u"..\\..\\a");
    EXPECT_EQ(std::u16string(b), u"C:\\a");
    BuildSystemParentPath(b, kPathBufChars, u"..\\win.ini");
    EXPECT_EQ(std::u16string(b), u"C:\\W\\win.ini");
    for (const char16_t* bad : {u"a", u"..\\..\\..\\a", u".\\a"}) {
        WCopyWhole(b, kPathBufChars, u"old");
        BuildSystemParentPath(b, kPathBufChars, bad);
        EXPECT_EQ(b[0], 0) << winsim::toUtf8(bad);
    }
    BuildSystemParentPath(b, 6, u"..\\..\\a");  // "C:\a" fits in 5
    EXPECT_EQ(std::u16string(b), u"C:\\a");
    BuildSystemParentPath(b, 4, u"..\\..\\a");
    EXPECT_EQ(b[0], 0);
}

TEST_F(DriverPaths, ResourceLibrariesAndHelpFile) {
    DrvContext* jp = contextWithLanguage(0);
    EXPECT_EQ(std::u16string(GetResDllPath(jp, u"ABCDEFus.dll")), kDriverDir + u"ABCDEFjp.dll");
    EXPECT_EQ(std::u16string(GetBmpDllPath(jp, u"ABCDEFus.dll")), kDriverDir + u"ABCDCFXX.dll");
    EXPECT_EQ(ResDllIsJp(jp, u"ABCDEFus.dll"), 1);
    DrvContext* fr = contextWithLanguage(6);
    EXPECT_EQ(std::u16string(GetResDllPath(fr, u"VSKRESus.DLL")), kDriverDir + u"VSKRESfr.DLL");
    EXPECT_EQ(ResDllIsJp(fr, u"VSKRESus.DLL"), 0);
    EXPECT_EQ(std::u16string(GetLangCode(fr)), u"fr");
    // Names the rules cannot rewrite give no path rather than a write
    // before the name.
    EXPECT_EQ(std::u16string(GetResDllPath(fr, u"A.dll")), u"");
    EXPECT_EQ(std::u16string(GetResDllPath(fr, u"NODOTNAME")), u"");
    EXPECT_EQ(std::u16string(GetBmpDllPath(fr, u"A.dll")), u"");

    // The help file from printer data, else beside the string library.
    EXPECT_EQ(std::u16string(GetHelpFilePath(fr, u"VSKRESus.DLL")), kDriverDir + u"VSKRESfr.hlp");
    setData(u"HelpFileName", u"VSKHLPgm.HLP");
    EXPECT_EQ(std::u16string(GetHelpFilePath(fr, u"VSKRESus.DLL")), kDriverDir + u"VSKHLPgm.HLP");

    // A printer whose driver record cannot be read: the spooler's standard folder.
    EXPECT_EQ(std::u16string(GetDriverDirEx(reinterpret_cast<HANDLE>(0x999), std::vector<WCHAR>(261).data(), 261)),
              u"C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\2\\");
}

TEST_F(DriverPaths, PrivateDirectoryIsCreatedHiddenAndSecured) {
    EXPECT_EQ(CreatePrivateDir(nullptr), 1);
    EXPECT_EQ(GetFileAttributesW(u"C:\\_vesk"), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(ownedByAdministrators(u"C:\\_vesk"));
    auto ace = everyoneAce(u"C:\\_vesk");
    EXPECT_EQ(ace.first, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    EXPECT_EQ(ace.second, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(CreatePrivateDir(nullptr), 1);  // an existing directory counts

    // A file of that name is no private directory.
    setRegistryDir(u"C:\\notadir");
    std::ofstream(host(u"C:\\WINDOWS") / ".." / "notadir") << "x";
    EXPECT_EQ(CreatePrivateDir(nullptr), 0);
}

TEST_F(DriverPaths, SecuringThePrivateDirectorySkipsLinksAndSubfolders) {
    ASSERT_EQ(CreatePrivateDir(nullptr), 1);
    fs::path dir = host(u"C:\\_vesk");
    std::ofstream(dir / "KW12D170.ini") << "[a]\r\n";
    fs::create_directory(dir / "sub");
    std::ofstream(dir / "sub" / "inner.ini") << "x";
    // Planted links to a file of the system: a symbolic link and a hard link.
    fs::path victim = host(u"C:\\WINDOWS\\system32") / "victim.dll";
    std::ofstream(victim) << "system file";
    fs::create_symlink(victim, dir / "soft.ini");
    fs::create_hard_link(victim, dir / "hard.ini");
    auto before = fileSecurity(u"C:\\WINDOWS\\system32\\victim.dll", OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    ASSERT_FALSE(before.empty());

    EXPECT_EQ(SecurePrivateDir(nullptr), 1);
    EXPECT_TRUE(ownedByAdministrators(u"C:\\_vesk\\KW12D170.ini"));
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\KW12D170.ini").second, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\sub").second, 0u);
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\sub\\inner.ini").second, 0u);
    EXPECT_EQ(fileSecurity(u"C:\\WINDOWS\\system32\\victim.dll", OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION),
              before);

    // Subfolders get the descriptor with flag 2 and are entered with flag 4.
    EXPECT_EQ(ApplyEveryoneDacl(u"C:\\_vesk", kSecSubdirs), 1);
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\sub").second, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\sub\\inner.ini").second, 0u);
    EXPECT_EQ(ApplyEveryoneDacl(u"C:\\_vesk", kSecRecurse), 1);
    EXPECT_EQ(everyoneAce(u"C:\\_vesk\\sub\\inner.ini").second, static_cast<DWORD>(FILE_ALL_ACCESS));
    EXPECT_EQ(fileSecurity(u"C:\\WINDOWS\\system32\\victim.dll", OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION),
              before);
}
