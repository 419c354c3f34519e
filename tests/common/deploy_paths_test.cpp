// Paths of the default presets' deployment: the path macros of bundle
// entries in both modes, and the names of the deployed copies.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <string>

#include "common/lists_support.h"
#include "core/deploy/deploy.h"
#include "core/terminal_server.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class DeployPaths : public ListPrinter {};

const std::u16string kSys = u"C:\\WINDOWS\\system32";
const std::u16string kPriv = u"C:\\_vesk";

std::u16string expand(const std::u16string& in, int mode, DrvContext* c, size_t size = kWsPathChars) {
    WCHAR buf[kWsPathChars + 40] = {};
    std::u16string cut = in.substr(0, kWsPathChars + 39);
    for (size_t i = 0; i < cut.size(); ++i) buf[i] = cut[i];
    const int ok = mode == 2 ? ExpandInstallPathChecked(buf, size, c) : ExpandInstallPath(buf, size, mode, c);
    EXPECT_EQ(ok != 0, buf[0] != 0) << "a failure leaves the buffer empty: " << winsim::toUtf8(in);
    return buf;
}

}  // namespace

TEST_F(DeployPaths, PathMacrosFollowTheModeAndTheSystemVersion) {
    const std::u16string longName(250, u'n');
    struct Row {
        std::u16string in;
        int mode;        // 0 plain, 1 preset, 2 preset with the name check
        uint32_t major;  // Windows version of the machine
        std::u16string out;
    };
    const Row rows[] = {
        // The double backslash after the prefix is kept: the remainder keeps its own.
        {u"%sysdir%\\A.rsd", 1, 5, kPriv + u"\\\\A.rsd"},
        {u"%SysDir%\\A.rsd", 0, 5, kSys + u"\\\\A.rsd"},
        {u"%sysdir%\\A.rsd", 1, 4, kSys + u"\\\\A.rsd"},
        {u"%windir%\\W.rsd", 1, 5, kDriverDir + u"\\W.rsd"},
        {u"%WINDIR%\\W.rsd", 0, 5, u"C:\\WINDOWS\\\\W.rsd"},
        {u"..\\..\\B.rsq", 1, 5, u"C:\\B.rsq"},
        {u"..\\..\\B.rsq", 0, 5, u"C:\\B.rsq"},
        {u"..\\B.rsq", 1, 4, u"C:\\WINDOWS\\B.rsq"},
        {u"..\\..\\..\\B.rsq", 1, 5, u""},  // more levels than the system directory has
        {u".\\C.rsd", 1, 5, kDriverDir + u"C.rsd"},
        {u"C.rsd", 1, 5, kDriverDir + u"C.rsd"},
        {u".\\C.rsd", 0, 5, kSys + u"\\C.rsd"},
        {u"C.rsd", 0, 5, kSys + u"\\C.rsd"},
        {u"C.rsd", 1, 4, kSys + u"\\C.rsd"},
        {u"D:\\sets\\E.rsd", 1, 5, u"D:\\sets\\E.rsd"},
        {u"D:\\sets\\E.rsd", 0, 4, u"D:\\sets\\E.rsd"},
        // The name check of the checked form.
        {u"%sysdir%\\A.rsd", 2, 5, kPriv + u"\\\\A.rsd"},
        {u"%sysdir%\\NoExtension", 2, 5, u""},
        {u"%sysdir%\\A.long", 2, 5, u""},
        {u".\\.rsd", 2, 5, u""},
        {u"%sysdir%\\NoExtension", 1, 5, kPriv + u"\\\\NoExtension"},
        // Too long: the path itself, or the result.
        {u"%sysdir%\\" + longName + u".rsd", 1, 5, u""},
        {std::u16string(270, u'x'), 0, 5, u""},
        {longName, 0, 5, u""},
    };
    for (const Row& r : rows) {
        winsim::config().osMajor = r.major;
        winsim::config().osMinor = 0;
        EXPECT_EQ(expand(r.in, r.mode, c_), r.out) << winsim::toUtf8(r.in) << " mode " << r.mode << " on " << r.major;
    }
    winsim::config().osMajor = 5;
    winsim::config().osMinor = 2;
    EXPECT_EQ(expand(u"C.rsd", 0, c_, 10), u"") << "a result longer than the buffer is not cut";
    WCHAR none[1] = {u'x'};
    EXPECT_EQ(ExpandInstallPath(none, 0, 1, c_), 0);
}

TEST_F(DeployPaths, DeployedCopiesLandInsideTheirDirectory) {
    WCHAR out[kWsPathChars];
    ASSERT_EQ(MakePrivatePresetPath(u"C:\\sets\\A.rsd", out, 0x10), 1);
    EXPECT_EQ(std::u16string(out), kPriv + u"\\A.rsq") << "one backslash between directory and name";
    ASSERT_EQ(MakePrivatePresetPath(u"B.rst", out, 4), 1);
    EXPECT_EQ(std::u16string(out), kPriv + u"\\B.rsd");
    ASSERT_EQ(MakePrivatePresetPath(u"C:\\x\\C.rst", out, 0), 1);
    EXPECT_EQ(std::u16string(out), kPriv + u"\\C.rst");

    ASSERT_EQ(ChangeExtensionRsd(u"C:\\d\\X.rsr", out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), u"C:\\d\\X.rsd");
    ASSERT_EQ(ChangeExtensionRsq(u"C:\\d.e\\Y", out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), u"C:\\d.e\\Y.rsq") << "a dot in a folder is no extension";
    EXPECT_EQ(ChangeExtensionRsq(u"C:\\d\\Y.rsd", out, 8), 0);
    EXPECT_EQ(out[0], 0) << "a copy's name that does not fit is never cut";

    ASSERT_EQ(MakeUserRsrPath(c_, u"C:\\_vesk\\\\VDUPLEX.rsd", out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), kPriv + u"\\VDUPLEX.rsr");
}

TEST_F(DeployPaths, OnlyAnExistingRsbIsABundle) {
    write(kDriverDir + u"A.rsb", "[us]\r\n");
    write(kDriverDir + u"B.RSB", "[us]\r\n");
    write(kDriverDir + u"C.rsd", "[us]\r\n");
    EXPECT_EQ(IsBundleFile((kDriverDir + u"A.rsb").c_str()), 1);
    EXPECT_EQ(IsBundleFile((kDriverDir + u"B.RSB").c_str()), 1) << "letter case aside";
    EXPECT_EQ(IsBundleFile((kDriverDir + u"C.rsd").c_str()), 0);
    EXPECT_EQ(IsBundleFile((kDriverDir + u"Missing.rsb").c_str()), 0);
    EXPECT_EQ(IsBundleFile((kDriverDir + u".rsb").c_str()), 0) << "no base name";

    WCHAR out[kWsPathChars];
    EXPECT_EQ(GetDefaultRstName(c_, out, kWsPathChars), 1) << "the sample model names its bundle";
    EXPECT_EQ(std::u16string(out), kDriverDir + u"VESKDEF.rsb");
    EXPECT_EQ(GetPrinterDefaultRst(c_, out, kWsPathChars), 0) << "the printer's section names none yet";
    put(printerSection(), u"DefaultRst", u"D:\\b\\X.rsb");
    EXPECT_EQ(GetPrinterDefaultRst(c_, out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), u"D:\\b\\X.rsb");
}

TEST_F(DeployPaths, UnderTerminalServicesTheUsersCopyIsPerUserUnlessInstalling) {
    installQueryLibrary();
    setAnswer("1");
    TsForget();  // the fixture's context asked before the printer became a terminal-server one
    DrvContext* normal = context(0, 0);
    DrvContext* installing = context(kCreateInstallRunning, 0);
    WCHAR out[kWsPathChars];
    ASSERT_EQ(MakeUserRsrPath(normal, u"C:\\_vesk\\\\A.rsd", out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), u"C:\\Documents and Settings\\user\\_vesk\\A.rsr");
    ASSERT_EQ(MakeUserRsrPath(installing, u"A.rsd", out, kWsPathChars), 1);
    EXPECT_EQ(std::u16string(out), kPriv + u"\\A.rsr");
}
