// A printer made by the vesk command in another process: a context of it
// carries the printer's facts, names and language code, and writes the
// identity values that the command then shows.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>

#include "common/context_support.h"
#include "core/context_cache.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/languages.h"
#include "core/context.h"
#include "platform/run_vesk.h"

#ifdef VESK_BIN

using namespace vesk;
using namespace vesk::test;
namespace fs = std::filesystem;

TEST(VeskPrinterContext, CarriesThePrintersFactsNamesLanguageAndIdentity) {
    winsim::TempMachine machine;
    fs::path model = machine.root().parent_path() / (machine.root().filename().string() + "-VESKMFP1.VMD");
    std::ofstream(model) << "*% test model\n*FileVersion: \"3.61\"\n";
    auto add = vesktest::vesk(machine.root(), {"printer", "add", "Office [2]", "--model", model.string(), "--bidi"});
    ASSERT_EQ(add.status, 0) << add.out;
    auto help =
        vesktest::vesk(machine.root(), {"printer", "data", "Office [2]", "HelpFileName", "--set-sz", "VSKHLPgm.HLP"});
    ASSERT_EQ(help.status, 0) << help.out;

    ASSERT_TRUE(winsim::useMachine(machine.root()));
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"Office [2]"), &h, &pd));
    CtxCacheClear();
    DrvContext* c = CtxCreateEx(h, h, nullptr, 4, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    // Facts from the spooler, the language from the printer data.
    EXPECT_EQ(std::u16string(c->ws->printerName), u"Office [2]");
    EXPECT_EQ(std::u16string(PrnGetDriverName(c)), u"VESK Colour MFP");
    EXPECT_EQ(PrnIsRemote(c), 0);
    EXPECT_EQ(c->ws->serverConnection, 2u);
    EXPECT_EQ(PrnIsBidiEnabled(c), static_cast<uint32_t>(PRINTER_ATTRIBUTE_ENABLE_BIDI));
    EXPECT_EQ(std::u16string(c->ws->languageCode), u"gm");
    // The installed driver set's own language, from its help file.
    WCHAR code[3];
    EXPECT_EQ(PrnLanguageCode(c, 1, code), 1);
    EXPECT_EQ(std::u16string(code), u"us");
    EXPECT_EQ(std::u16string(GetDriverDir(c)), u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\");
    EXPECT_EQ(std::u16string(GetIniFilePath(c)), u"C:\\_vesk\\KW12D170.ini");

    // Identity values written here, seen by the command in its own process.
    EXPECT_EQ(PrnWriteDriverFiles(h, c), 1);
    EXPECT_EQ(PrnStorePrinterName(h), 1);
    CtxReleaseEx(c, kReleaseFree);
    ClosePrinter(h);
    auto show = vesktest::vesk(machine.root(), {"printer", "show", "Office [2]"});
    ASSERT_EQ(show.status, 0) << show.out;
    for (const char* line : {"SPLUserModePrinterDriver = REG_SZ, 24 bytes", "DriverIniFileName = REG_SZ, 24 bytes",
                             "DriverGRFileName = REG_SZ, 22 bytes: \"veskgr.dll\"",
                             "DriverEDFileName = REG_SZ, 2 bytes", "PrinterName = REG_SZ, 22 bytes: \"Office [2]\""})
        EXPECT_NE(show.out.find(line), std::string::npos) << line << "\n" << show.out;
    std::error_code ec;
    fs::remove(model, ec);
}

#endif  // VESK_BIN
