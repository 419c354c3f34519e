// The emulated machine: building a root, its configuration, path mapping.
#include <gtest/gtest.h>

#include <fstream>

#include <winsim/winsim.h>
#include "core/sim.h"

namespace fs = std::filesystem;
using winsim::detail::resolve;

TEST(Machine, BuiltRootHasTheWindowsFolders) {
    winsim::TempMachine m;
    ASSERT_FALSE(m.root().empty());
    EXPECT_TRUE(fs::is_directory(m.root() / "C" / "WINDOWS" / "system32" / "spool" / "DRIVERS" / "W32X86" / "3"));
    EXPECT_TRUE(fs::is_directory(m.root() / "C" / "WINDOWS" / "system32" / "spool" / "PRINTERS"));
    EXPECT_TRUE(fs::is_directory(m.root() / "C" / "Documents and Settings" / "user"));
    EXPECT_EQ(winsim::machineRoot(), m.root());
}

TEST(Machine, ConfigurationRoundTripsThroughTheFile) {
    winsim::MachineConfig c;
    c.osMajor = 6;
    c.osMinor = 1;
    c.osSuite = 0x10;
    c.ansiCodePage = 932;
    c.userName = "alice";
    c.userIsAdmin = false;
    c.set("spooler.next", "7");
    winsim::TempMachine m(c);
    ASSERT_TRUE(winsim::useMachine(m.root()));
    const auto& r = winsim::config();
    EXPECT_EQ(r.osMajor, 6u);
    EXPECT_EQ(r.osSuite, 0x10u);
    EXPECT_EQ(r.ansiCodePage, 932u);
    EXPECT_EQ(r.userName, "alice");
    EXPECT_FALSE(r.userIsAdmin);
    EXPECT_EQ(r.get("spooler.next").value_or(""), "7");
}

TEST(Machine, BadConfigurationIsRefusedWithTheLine) {
    winsim::MachineConfig c;
    std::string err;
    EXPECT_FALSE(winsim::parseConfig("os.major=5\nos.minor=x\n", c, &err));
    EXPECT_NE(err.find("line 2"), std::string::npos);
    EXPECT_FALSE(winsim::parseConfig("no equals sign\n", c, &err));
    EXPECT_FALSE(winsim::parseConfig("os.build=99999999999\n", c, &err));
}

TEST(Machine, BuilderRefusesAFolderInUse) {
    winsim::TempMachine m;
    winsim::MachineBuilder b(m.root());
    std::string err;
    EXPECT_FALSE(b.build(&err, false));
    EXPECT_NE(err.find("not empty"), std::string::npos);
}

TEST(Paths, ResolveCaseInsensitivelyAndKeepStoredCase) {
    winsim::TempMachine m;
    auto r = resolve(u"c:\\windows\\SYSTEM32\\Spool");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->host, m.root() / "C" / "WINDOWS" / "system32" / "spool");
    EXPECT_EQ(r->normalized, u"C:\\windows\\SYSTEM32\\Spool");
    auto n = resolve(u"C:\\Windows\\NewFile.TXT");
    ASSERT_TRUE(n);
    EXPECT_EQ(n->host, m.root() / "C" / "WINDOWS" / "NewFile.TXT");
    EXPECT_TRUE(n->parentExists);
}

TEST(Paths, SeparatorsDotsAndTrailingBlanks) {
    winsim::TempMachine m;
    auto r = resolve(u"C:/WINDOWS//system32\\.\\..\\Fonts\\x.ttf. ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->normalized, u"C:\\WINDOWS\\Fonts\\x.ttf");
    auto missing = resolve(u"C:\\NoSuchDir\\file.txt");
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->parentExists);
}

TEST(Paths, RejectsUncBadNamesAndOverlongPaths) {
    winsim::TempMachine m;
    winsim::detail::PathError e{};
    EXPECT_FALSE(resolve(u"\\\\server\\share\\x", &e));
    EXPECT_EQ(e, winsim::detail::PathError::NotDrivePath);
    EXPECT_FALSE(resolve(u"C:\\a|b", &e));
    EXPECT_EQ(e, winsim::detail::PathError::BadName);
    std::u16string longPath = u"C:\\" + std::u16string(257, u'a');
    EXPECT_FALSE(resolve(longPath, &e));
    EXPECT_EQ(e, winsim::detail::PathError::TooLong);
    EXPECT_TRUE(resolve(u"C:\\" + std::u16string(256, u'a')));
}

TEST(Paths, WindowsPathOfHostPath) {
    winsim::TempMachine m;
    EXPECT_EQ(winsim::detail::windowsPathOf(m.root() / "C" / "WINDOWS" / "win.ini"), u"C:\\WINDOWS\\win.ini");
    EXPECT_EQ(winsim::detail::windowsPathOf("/elsewhere/x"), u"");
}

TEST(Journal, FaultsFireOnTheNthCallAndRepeat) {
    winsim::failCall("Probe", 2, ERROR_ACCESS_DENIED, 1);
    EXPECT_FALSE(winsim::detail::enter("Probe"));
    EXPECT_TRUE(winsim::detail::enter("Probe"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(winsim::detail::enter("Probe"));
    EXPECT_FALSE(winsim::detail::enter("Probe"));
    winsim::journalEnable(true);
    winsim::detail::enter("Probe", "x");
    EXPECT_EQ(winsim::journalCount("Probe"), 1u);
    winsim::journalClear();
    EXPECT_EQ(winsim::journalCount("Probe"), 0u);
}

TEST(Clock, VirtualClockAdvancesAndTickWraps) {
    winsim::setVirtualClock(130000000000000000ull, 0xFFFFFF00u);
    winsim::advanceClock(0x200);
    EXPECT_EQ(winsim::nowTickCount(), 0x100u);
    EXPECT_EQ(winsim::nowFileTime(), 130000000000000000ull + 0x200ull * 10000);
    winsim::useRealClock();
}

TEST(Handles, CloseHandleRejectsUnknownHandles) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(reinterpret_cast<HANDLE>(0x12345)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Modules, RegistryMapsWindowsNamesCaseInsensitively) {
    winsim::TempMachine m;
    EXPECT_TRUE(winsim::registerModule(u"VeskGR.DLL", "/lib/a.so"));
    EXPECT_TRUE(winsim::registerModule(u"kw00c150.dll", "/lib/b.so"));
    EXPECT_TRUE(winsim::registerModule(u"C:\\x\\veskgr.dll", "/lib/c.so"));  // replaces
    EXPECT_EQ(winsim::registeredModule(u"VESKGR.dll").value_or(""), "/lib/c.so");
    EXPECT_EQ(winsim::registeredModules().size(), 2u);
    EXPECT_FALSE(winsim::registeredModule(u"other.dll"));
    EXPECT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\KW00C150.dll", "/lib/d.so"));
    EXPECT_TRUE(fs::exists(m.root() / "C" / "WINDOWS" / "system32" / "KW00C150.dll"));
    EXPECT_EQ(winsim::registeredModule(u"KW00C150.DLL").value_or(""), "/lib/d.so");
}

TEST(CodePages, AnsiConversionKeeps1252HolesAnd932Pairs) {
    winsim::TempMachine m;
    using winsim::detail::ansiToWide;
    using winsim::detail::wideToAnsi;
    EXPECT_EQ(ansiToWide("\x80\x81\xE9"), u"\u20AC\u0081\u00E9");
    EXPECT_EQ(wideToAnsi(u"\u20AC\u0081\u00E9"), "\x80\x81\xE9");
    bool lossless = true;
    EXPECT_EQ(wideToAnsi(u"\u3042", 0, &lossless), "?");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(ansiToWide("\x82\xA0", 932), u"\u3042");
    EXPECT_EQ(wideToAnsi(u"\u3042A", 932), "\x82\xA0" "A");
    EXPECT_TRUE(winsim::detail::isLeadByte(932, 0x82));
    EXPECT_FALSE(winsim::detail::isLeadByte(1252, 0x82));
}

TEST(Attributes, KeptBesideTheFileAndDirectoryBitFromHost) {
    winsim::TempMachine m;
    fs::path f = m.root() / "C" / "WINDOWS" / "a.txt";
    std::ofstream(f) << "x";
    using namespace winsim::detail;
    EXPECT_EQ(hostAttributes(f), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
    EXPECT_TRUE(setHostAttributes(f, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(isReadOnly(f));
    EXPECT_EQ(hostAttributes(f), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_TRUE(setHostAttributes(f, FILE_ATTRIBUTE_NORMAL));
    EXPECT_FALSE(isReadOnly(f));
    EXPECT_EQ(hostAttributes(m.root() / "C" / "WINDOWS"), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_EQ(hostAttributes(m.root() / "nope"), INVALID_FILE_ATTRIBUTES);
}
