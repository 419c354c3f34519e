// Process environment: the machine's variables, the size protocol, setting
// and removing, and the expansion of %NAME% references.
#include <gtest/gtest.h>

#include <winsim/winsim.h>
#include "platform/file_helpers.h"

namespace {
std::u16string get(const char16_t* name) {
    WCHAR buf[512];
    DWORD n = GetEnvironmentVariableW(name, buf, 512);
    if (n == 0 || n >= 512) return u"<none>";
    return std::u16string(buf, n);
}
std::u16string expand(const char16_t* text) {
    WCHAR buf[512];
    DWORD n = ExpandEnvironmentStringsW(text, buf, 512);
    if (n == 0 || n > 512) return u"<failed>";
    EXPECT_EQ(buf[n - 1], 0);
    return std::u16string(buf, n - 1);
}
}  // namespace

TEST(Environment, StartsFromTheMachineWithNamesInAnyCase) {
    winsim::MachineConfig c;
    c.userName = "alice";
    winsim::TempMachine m(c);
    EXPECT_EQ(get(u"SystemRoot"), u"C:\\WINDOWS");
    EXPECT_EQ(get(u"SYSTEMROOT"), u"C:\\WINDOWS");
    EXPECT_EQ(get(u"windir"), u"C:\\WINDOWS");
    EXPECT_EQ(get(u"temp"), u"C:\\WINDOWS\\Temp");
    EXPECT_EQ(get(u"TMP"), u"C:\\WINDOWS\\Temp");
    EXPECT_EQ(get(u"USERNAME"), u"alice");
    EXPECT_EQ(get(u"USERPROFILE"), u"C:\\Documents and Settings\\alice");
    EXPECT_EQ(get(u"COMPUTERNAME"), u"VESKPC");
    EXPECT_EQ(get(u"PATH").rfind(u"C:\\WINDOWS\\system32;C:\\WINDOWS", 0), 0u);
    EXPECT_EQ(get(u"HOME"), u"<none>");  // the host's environment is not seen
}

TEST(Environment, SizeProtocolAndMissingVariables) {
    winsim::TempMachine m;
    WCHAR buf[16];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", buf, 10), 11u);  // needs 11 with the terminator
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", nullptr, 0), 11u);
    EXPECT_EQ(GetEnvironmentVariableW(u"SystemRoot", buf, 11), 10u);
    EXPECT_EQ(std::u16string(buf), u"C:\\WINDOWS");
    EXPECT_EQ(buf[11], u'#');
    EXPECT_FAILS_WITH(GetEnvironmentVariableW(u"NoSuchVariable", buf, 16), 0u, ERROR_ENVVAR_NOT_FOUND);
    EXPECT_FAILS_WITH(GetEnvironmentVariableW(nullptr, buf, 16), 0u, ERROR_ENVVAR_NOT_FOUND);
}

TEST(Environment, SetReplaceAndRemove) {
    winsim::TempMachine m;
    ASSERT_TRUE(SetEnvironmentVariableW(u"VeskMode", u"one"));
    ASSERT_TRUE(SetEnvironmentVariableW(u"VESKMODE", u"two"));
    EXPECT_EQ(get(u"veskmode"), u"two");
    ASSERT_TRUE(SetEnvironmentVariableW(u"Empty", u""));
    WCHAR buf[4];
    SetLastError(99);
    EXPECT_EQ(GetEnvironmentVariableW(u"Empty", buf, 4), 0u);
    EXPECT_LAST_ERROR(ERROR_SUCCESS);  // set, but empty
    ASSERT_TRUE(SetEnvironmentVariableW(u"veskMODE", nullptr));
    EXPECT_EQ(get(u"VeskMode"), u"<none>");
    EXPECT_TRUE(SetEnvironmentVariableW(u"VeskMode", nullptr));  // already gone
    EXPECT_FAILS_WITH(SetEnvironmentVariableW(u"A=B", u"x"), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(SetEnvironmentVariableW(u"", u"x"), FALSE, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(SetEnvironmentVariableW(nullptr, u"x"), FALSE, ERROR_INVALID_PARAMETER);
}

TEST(Environment, ExpansionOfReferences) {
    winsim::TempMachine m;
    EXPECT_EQ(expand(u"%SystemDrive%\\_vesk\\x.ini"), u"C:\\_vesk\\x.ini");
    EXPECT_EQ(expand(u"%systemroot%\\system32"), u"C:\\WINDOWS\\system32");
    EXPECT_EQ(expand(u"%NOPE%\\x"), u"%NOPE%\\x");
    EXPECT_EQ(expand(u"%NOPE%%windir%"), u"%NOPE%C:\\WINDOWS");
    EXPECT_EQ(expand(u"100%% and 50%"), u"100%% and 50%");
    EXPECT_EQ(expand(u"%windir"), u"%windir");
    EXPECT_EQ(expand(u""), u"");

    // The result's size, terminator included; nothing written when it does not fit.
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%windir%", buf, 8), 11u);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%windir%", nullptr, 0), 11u);
    EXPECT_FAILS_WITH(ExpandEnvironmentStringsW(nullptr, buf, 8), 0u, ERROR_INVALID_PARAMETER);
}

TEST(Environment, NineXMachineHasTheSmallerSet) {
    winsim::MachineConfig c;
    c.osPlatform = 1;
    c.osMajor = 4;
    c.osMinor = 10;
    winsim::TempMachine m(c);
    EXPECT_EQ(get(u"windir"), u"C:\\WINDOWS");
    EXPECT_EQ(get(u"SystemRoot"), u"<none>");
    EXPECT_EQ(get(u"TEMP"), u"C:\\WINDOWS\\Temp");
}

TEST(Environment, OverlongExpansionFails) {
    winsim::TempMachine m;
    ASSERT_TRUE(SetEnvironmentVariableW(u"Big", std::u16string(20000, u'b').c_str()));
    WCHAR buf[8];
    EXPECT_EQ(ExpandEnvironmentStringsW(u"%Big%", nullptr, 0), 20001u);
    EXPECT_FAILS_WITH(ExpandEnvironmentStringsW(u"%Big%%Big%", buf, 8), 0u, ERROR_INSUFFICIENT_BUFFER);
}
