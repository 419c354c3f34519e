// Settings files on the sample printer: the header test, the item filters of
// the flags, the files a plain export writes, full-import side effects and a
// rewrite that fails part-way.
#include <gtest/gtest.h>

#include <winsim/spooler.h>
#include <winsim/ui.h>
#include <winsim/winsim.h>

#include <string>

#include "common/sample_printer_support.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const WCHAR kFile[] = u"C:\\sets\\a.rst";

class SettingsFile : public SamplePrinter {
protected:
    void SetUp() override {
        SamplePrinter::SetUp();
        CtxCacheClear();
        c_ = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        ASSERT_NE(c_, nullptr);
        contexts_.emplace_back(c_);
        ASSERT_EQ(EnsureParentDir(kFile), 1);
        winsim::clearMessageBoxes();
    }
    std::string text(const WCHAR* path = kFile) {
        char* t = IniTextLoad(path);
        std::string s = t ? t : "";
        IniTextFree(t);
        return s;
    }
    // A file with a header of the given version (and language unless
    // `noLanguage`) in the printer's section and one setting.
    void writeHeader(const char16_t* version, bool noLanguage = false) {
        const std::u16string section = u"Office ,2,";
        const std::string lang = std::to_string(ItemRawById(c_, kItRdmLanguageID));
        char* old = IniTextLoad(kFile);
        IniTextFree(old);
        IniWriteString(section.c_str(), u"RstVersion", version, kFile);
        IniWriteString(section.c_str(), u"RstMachine", u"133", kFile);
        if (!noLanguage) IniWriteString(section.c_str(), u"RstLanguage", winsim::fromUtf8(lang).c_str(), kFile);
        IniWriteString(section.c_str(), u"rdmMarginOdd", u"77", kFile);
    }
    DrvContext* c_ = nullptr;
};

}  // namespace

TEST_F(SettingsFile, TheHeaderDecidesAndARefusalChangesNothing) {
    const uint32_t before = ItemRawById(c_, kItRdmMarginOdd);
    writeHeader(u"250");
    EXPECT_EQ(SettingsTransfer(c_, kFile, kStRead | kStPresetDevice), 1);
    EXPECT_EQ(c_->ws->rejectedFile, 0u);
    EXPECT_EQ(ItemRawById(c_, kItRdmMarginOdd), 77u) << "the same version family is accepted";

    ItemSetRawById(c_, kItRdmMarginOdd, before);
    writeHeader(u"300");
    EXPECT_EQ(SettingsTransfer(c_, kFile, kStRead | kStPresetDevice), 1);
    EXPECT_EQ(c_->ws->rejectedFile, 1u);
    EXPECT_EQ(ItemRawById(c_, kItRdmMarginOdd), before);
    ASSERT_EQ(winsim::messageBoxLog().size(), 1u) << "message 10023 (its text: the end-to-end test)";
    // No message with 0x8000 or 0x10.
    EXPECT_EQ(SettingsTransfer(c_, kFile, kStRead | kStNoMessage), 1);
    EXPECT_EQ(SettingsTransfer(c_, kFile, kStRead | kStQuality), 1);
    EXPECT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(c_->ws->rejectedFile, 1u);

    // A file without "RstLanguage" is refused too.
    IniWriteString(u"Office ,2,", nullptr, nullptr, kFile);
    writeHeader(u"200", true);
    EXPECT_EQ(SettingsTransfer(c_, kFile, kStRead | kStNoMessage), 1);
    EXPECT_EQ(c_->ws->rejectedFile, 1u);
    EXPECT_EQ(SettingsTransfer(c_, u"\\\\srv\\a.rst", kStRead), 0) << "only drive paths";
}

TEST_F(SettingsFile, TheFlagsChooseTheSectionTheHeaderAndTheItems) {
    // Plain export: the driver's name as section, all but the reserved and
    // the unsaved ranges, and the device settings file beside it.
    ASSERT_EQ(SettingsExport(printer_, kFile, kStWrite, c_), 1);
    std::string t = text();
    EXPECT_EQ(t.rfind("[VESK Colour MFP]\r\nRstVersion=200\r\nRstMachine=133\r\nRstLanguage=", 0), 0u) << t;
    EXPECT_NE(t.find("\r\ndmPaperSize="), std::string::npos);
    EXPECT_EQ(t.find("rdmJOBPassword="), std::string::npos) << "reserved";
    EXPECT_EQ(std::u16string(c_->ws->printerName), u"Office [2]") << "the name is put back";
    WCHAR device[kWsPathChars] = {};
    ASSERT_TRUE(BuildPrivateDirPath(device, kWsPathChars, u"KW00C172.txt"));
    const std::string d = text(device);
    EXPECT_NE(d.find("[VESKPrnSection]\r\n"), std::string::npos) << d;
    EXPECT_NE(d.find("rdmPrinterMemory="), std::string::npos);
    EXPECT_EQ(d.find("rdmServerLogCode="), std::string::npos) << "no log codes in the device file";

    // A stamp file: no header, only the watermark keys.
    ASSERT_EQ(SettingsTransfer(c_, u"C:\\sets\\s.rsb", kStWrite | kStStamp), 1);
    t = text(u"C:\\sets\\s.rsb");
    EXPECT_EQ(t.find("RstVersion"), std::string::npos);
    EXPECT_NE(t.find("rdmWmKind="), std::string::npos) << t;
    EXPECT_EQ(t.find("dmPaperSize="), std::string::npos);

    // The free-size form holds exactly its three keys.
    ASSERT_EQ(SettingsTransfer(c_, u"C:\\sets\\f.rst", kStWrite | kStFreeSize), 1);
    t = text(u"C:\\sets\\f.rst");
    EXPECT_EQ(t.substr(t.find("]\r\n") + 3).find("wdmFreeSizeName="), 0u) << t;
    size_t lines = 0;
    for (char ch : t) lines += ch == '\n';
    EXPECT_EQ(lines, 4u) << t;
}

TEST_F(SettingsFile, AFullImportTakesTheSetWithItsSideEffects) {
    ItemSetRawById(c_, kItRdmMarginOdd, 33);
    ItemSetRawById(c_, kItRdmUIModeChange, 1);
    ASSERT_EQ(SettingsExport(printer_, kFile, kStWrite, c_), 1);
    ItemSetRawById(c_, kItRdmMarginOdd, 0);
    ItemSetRawById(c_, kItRdmPresetNo, 3);
    ItemSetRawById(c_, kItRdmUIModeChange, 0);
    ItemSetRawById(c_, kItRdmOSKind, 1);
    ItemSetRawById(c_, kItRdmColorMatching, 1);
    EXPECT_EQ(SettingsImport(printer_, kFile, kStRead, c_), 1);
    EXPECT_EQ(c_->ws->rejectedFile, 0u);
    EXPECT_EQ(ItemRawById(c_, kItRdmMarginOdd), 33u);
    EXPECT_EQ(ItemRawById(c_, kItRdmPresetNo), 255u);
    EXPECT_EQ(ItemRawById(c_, kItRdmUIModeChange), 1u) << "held during the import, then put back";
    EXPECT_EQ(ItemRawById(c_, kItRdmOSKind), 1u) << "the printer's own kind stays";
    EXPECT_EQ(ItemRawById(c_, kItRdmColorMatching), 0u) << "kinds 0 and 1 reset colour matching";
    EXPECT_EQ(std::u16string(c_->ws->printerName), u"Office [2]");
}

TEST_F(SettingsFile, ARewriteThatFailsLeavesTheFileAsItWas) {
    ASSERT_EQ(SettingsExport(printer_, kFile, kStWrite, c_), 1);
    const std::string before = text();
    ItemSetRawById(c_, kItRdmMarginOdd, 99);
    winsim::failCall("MoveFileExW", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(SettingsExport(printer_, kFile, kStWrite, c_), 0);
    winsim::clearFaults();
    EXPECT_EQ(text(), before);
}

// A file may name the fields that say what the DEVMODE is; values read from
// it never change the buffer's sizes, versions or the driver's identity.
TEST_F(SettingsFile, AFileNeverChangesWhatTheDevmodeIs) {
    writeHeader(u"200");
    const std::u16string section = u"Office ,2,";
    IniWriteString(section.c_str(), u"dmDriverExtra", u"410", kFile);
    IniWriteString(section.c_str(), u"dmSize", u"12", kFile);
    IniWriteString(section.c_str(), u"dmSpecVersion", u"1", kFile);
    IniWriteString(section.c_str(), u"rdmMachineID", u"7", kFile);
    ASSERT_EQ(DmIsOwnDevmode(c_, c_->devmode, dmSizes().totalSize), 1);
    SettingsImport(printer_, kFile, kStRead | kStNoMessage, c_);
    EXPECT_EQ(DmIsOwnDevmode(c_, c_->devmode, dmSizes().totalSize), 1);
    EXPECT_EQ(ItemRawById(c_, kItRdmMarginOdd), 77u);
    SettingsTransfer(c_, kFile, kStRead | kStPresetDevice | kStImportDriverSection);
    EXPECT_EQ(DmIsOwnDevmode(c_, c_->devmode, dmSizes().totalSize), 1);
}
