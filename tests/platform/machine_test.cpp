// The emulated machine: its configuration file, path mapping, fault injection
// and the module registry.
#include <gtest/gtest.h>

#include <winsim/winsim.h>
#include "core/sim.h"

namespace fs = std::filesystem;
using winsim::detail::PathError;
using winsim::detail::resolve;

TEST(Machine, ConfigurationRoundTripsThroughTheFile) {
    winsim::MachineConfig c;
    c.osMajor = 6;
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

TEST(Paths, ResolveNormalisesAndRefusesWhatCannotExist) {
    winsim::TempMachine m;
    // Any letter case finds the stored entry; the spelling given is kept.
    auto r = resolve(u"c:\\windows\\SYSTEM32\\Spool");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->host, m.root() / "C" / "WINDOWS" / "system32" / "spool");
    EXPECT_EQ(r->normalized, u"C:\\windows\\SYSTEM32\\Spool");
    // Separators, dot components and trailing dots and blanks.
    r = resolve(u"C:/WINDOWS//system32\\.\\..\\Fonts\\x.ttf. ");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->normalized, u"C:\\WINDOWS\\Fonts\\x.ttf");
    EXPECT_FALSE(resolve(u"C:\\NoSuchDir\\file.txt")->parentExists);

    PathError e{};
    EXPECT_FALSE(resolve(u"\\\\server\\share\\x", &e));
    EXPECT_EQ(e, PathError::NotDrivePath);
    EXPECT_FALSE(resolve(u"C:\\a|b", &e));
    EXPECT_EQ(e, PathError::BadName);
    // The longest path is 259 characters.
    EXPECT_TRUE(resolve(u"C:\\" + std::u16string(256, u'a')));
    EXPECT_FALSE(resolve(u"C:\\" + std::u16string(257, u'a'), &e));
    EXPECT_EQ(e, PathError::TooLong);
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

TEST(Modules, RegistryMapsWindowsNamesCaseInsensitively) {
    winsim::TempMachine m;
    EXPECT_TRUE(winsim::registerModule(u"VeskGR.DLL", "/lib/a.so"));
    EXPECT_TRUE(winsim::registerModule(u"kw00c150.dll", "/lib/b.so"));
    EXPECT_TRUE(winsim::registerModule(u"C:\\x\\veskgr.dll", "/lib/c.so"));  // replaces
    EXPECT_EQ(winsim::registeredModule(u"VESKGR.dll").value_or(""), "/lib/c.so");
    EXPECT_EQ(winsim::registeredModules().size(), 2u);
    EXPECT_FALSE(winsim::registeredModule(u"other.dll"));
}
