// A renamed printer's next opening, and the preset list's one-time
// revalidation.
#include <gtest/gtest.h>

#include "common/install_support.h"
#include "core/devmode/dm_flags.h"
#include "core/install/install_rename.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/setupdirs/setup_dirs.h"

namespace vesk::test {
namespace {

class Rename : public InstallMachine {
protected:
    DrvContext* open() {
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, kCreateInterface, 0, nullptr);
        EXPECT_NE(c, nullptr);
        contexts_.emplace_back(c);
        return c;
    }
    std::u16string bidi_ = u"C:\\_vesk\\KW00C171.ini";
};

TEST_F(Rename, TheNewNameGetsTheOldBidirectionalSectionAndTheNamesAreStored) {
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    setData(u"PrinterName", u"Old [1]");
    put(bidi_, u"BidiFlag", u"1", u"Old [1]");
    put(bidi_, u"Tray1", u"A4", u"Old [1]");
    put(common_, u"StampCount", u"0", u"us");
    DrvContext* c = open();
    ASSERT_EQ(HandlePrinterRename(c), 1);
    EXPECT_EQ(get(bidi_, u"BidiFlag"), u"1");
    EXPECT_EQ(get(bidi_, u"Tray1"), u"A4");
    EXPECT_EQ(get(bidi_, u"BidiFlag", u"Old [1]"), u"1");  // the old section stays
    // The broken stamp list was repaired from the setup INI.
    EXPECT_EQ(get(common_, u"StampCount", u"us"), u"3");
    EXPECT_EQ(data(u"PrinterName"), name_ + u'\0');
    EXPECT_EQ(data(u"DriverName"), std::u16string(u"VESK Colour MFP") + u'\0');
    // Handled: the next opening has nothing to do.
    EXPECT_EQ(HandlePrinterRename(open()), 0);
}

TEST_F(Rename, ASectionTooLongToCopyWholeIsNotCopiedInPart) {
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    setData(u"PrinterName", u"Old");
    std::string text = "[Office ,2,]\r\nMine=1\r\n[Old]\r\n";
    for (int i = 0; i < 400; ++i) text += "Key" + std::to_string(i) + "=" + std::string(100, 'v') + "\r\n";
    write(bidi_, text);
    ASSERT_EQ(HandlePrinterRename(open()), 1);
    EXPECT_EQ(get(bidi_, u"Mine"), u"1");
    EXPECT_EQ(get(bidi_, u"Key0"), u"(none)");
    EXPECT_EQ(data(u"PrinterName"), name_ + u'\0');
}

TEST_F(Rename, AMissingStoredNameCountsAsARenameOfALocalPrinterOnly) {
    EXPECT_EQ(HandlePrinterRename(open()), 1);
    EXPECT_EQ(data(u"PrinterName"), name_ + u'\0');
    // A client-side copy of a server's printer is never handled here.
    ASSERT_EQ(winsim::deletePrinterData(name_, u"PrinterName"), static_cast<DWORD>(ERROR_SUCCESS));
    setData(u"ClientName", u"\\\\client");
    EXPECT_EQ(HandlePrinterRename(open()), 0);
    EXPECT_EQ(data(u"PrinterName"), u"(missing)");
    EXPECT_EQ(HandlePrinterRename(nullptr), 0);
}

TEST_F(Rename, ThePresetListIsRevalidatedOnceWhenForced) {
    DrvContext* c = open();
    const std::u16string ini = GetIniFilePath(c);
    ASSERT_EQ(EnsureParentDir(ini.c_str()), 1);
    EXPECT_EQ(PresetRefreshCheck(c, 0), 1);
    EXPECT_EQ(get(ini, u"PresetRefresh"), u"(none)");
    // The device query's flag or a pack install force it.
    DmSetFlagE(c);
    EXPECT_EQ(PresetRefreshCheck(c, 0), 1);
    EXPECT_EQ(get(ini, u"PresetRefresh"), u"1");
    DmClearFlagE(c);
    put(ini, u"PresetRefresh", u"0");
    put(ini, u"PackInstallDone", u"1");
    EXPECT_EQ(PresetRefreshCheck(c, 0), 1);
    EXPECT_EQ(get(ini, u"PresetRefresh"), u"1");
    // Done once: a forced check changes nothing more.
    const std::string before = read(ini);
    EXPECT_EQ(PresetRefreshCheck(c, 1), 1);
    EXPECT_EQ(read(ini), before);
}

}  // namespace
}  // namespace vesk::test
