// The settings-file and INI helpers of the option-constraint library.
#include <gtest/gtest.h>

#include <winsim/ui.h>
#include <winsim/winsim.h>

#include <string>

#include "common_calls/settings_forms.h"
#include "core/res/res.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

TEST(ExcPaths, DrivePathsAndServerPathsAreFull) {
    const struct { const char16_t* path; int full; } rows[] = {
        {u"C:\\x.rst", 1}, {u"7:\\", 1},   {u"\\\\server\\share", 1}, {u"\\\\", 1},
        {u"C:x.rst", 0},   {u"C:", 0},     {u"\\x.rst", 0},           {u"", 0},  {u"x", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(PathIsDriveOrUnc(r.path), r.full) << winsim::toUtf8(r.path);
    EXPECT_EQ(PathIsDriveOrUnc(nullptr), 0);
}

TEST(ExcSectionNames, BracketsBecomeCommasOnNt) {
    winsim::TempMachine machine;
    std::u16string name = u"Office [2]";
    EXPECT_EQ(std::u16string(IniSectionBracketsToCommasExc(name.data())), u"Office ,2,");
    EXPECT_EQ(IniSectionBracketsToCommasExc(nullptr), nullptr);
}

TEST(ExcSectionNames, OnWindows9xADoubleByteCharacterIsSteppedOver) {
    winsim::MachineConfig cfg;
    cfg.osMajor = 4;
    cfg.osMinor = 10;
    cfg.osPlatform = 1;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    // 0x81 is a lead byte of code page 932: the "[" after it is its trail.
    std::u16string name = {u'\x81', u'[', u'[', u'A', u']'};
    IniSectionBracketsToCommasExc(name.data());
    EXPECT_EQ(name, (std::u16string{u'\x81', u'[', u',', u'A', u','}));
}

using ExcMessages = ExcPrinter;

TEST_F(ExcMessages, NoMessageBoxIsEverShown) {
    void* h = ExcGetExclusive("Office [2]");
    ASSERT_NE(h, nullptr);
    winsim::journalClear();
    EXPECT_EQ(MsgBoxOk(handle(h)->ctx, nullptr, 10023), 0);
    EXPECT_EQ(MsgBoxOkCancel(handle(h)->ctx, nullptr, 10023), 0);
    EXPECT_EQ(calls("MessageBoxW"), 0u);
    // A foreign settings header is refused silently.
    const char body[] = "RstVersion=100\r\nRstMachine=1\r\nRstLanguage=1\r\n";
    EXPECT_EQ(RstCheckHeaderExc(u"C:\\x.rst", body, 1, handle(h)->ctx, 1), 0);
    EXPECT_EQ(calls("MessageBoxW"), 0u);
    ExcFreeExclusive(h);
}

}  // namespace
}  // namespace vesk::test
