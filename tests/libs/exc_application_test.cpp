// veskexc as an outside application uses it: loaded from the printer's
// driver directory, its entries bound by name, a handle opened and freed.
#include <gtest/gtest.h>

#include <win/modules.h>
#include <win/spooler.h>
#include <winsim/memory.h>
#include <winsim/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "common/jc_seed.h"
#include "library_exports.h"

namespace {

using GetExclusiveFn = void*(WINAPI*)(const char*);
using FreeExclusiveFn = void(WINAPI*)(void*);

size_t journalHits(std::string_view function, std::string_view detail) {
    size_t n = 0;
    for (const auto& e : winsim::journal()) n += e.function == function && e.detail == detail;
    return n;
}

class ExcApplication : public ::testing::Test {
protected:
    void SetUp() override {
        driverDir = winsim::fromUtf8(winsim::config().driverDir()) + u"\\";
        ASSERT_TRUE(winsim::installModule(driverDir + u"VESKEXC.DLL", VESKEXC_PATH));
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        std::filesystem::copy_file(VESK_SAMPLE_MODEL, *winsim::hostPath(driverDir + u"VESKMFP1.VMD"));
        winsim::DriverRecord d;
        d.name = u"VESK Colour MFP";
        d.driverPath = driverDir + u"veskgr.dll";
        d.dataFile = driverDir + u"VESKMFP1.VMD";
        d.configFile = driverDir + u"veskui.dll";
        ASSERT_EQ(winsim::addDriver(d), static_cast<DWORD>(ERROR_SUCCESS));
        winsim::PrinterRecord p;
        p.name = u"Office C400";
        p.driver = d.name;
        ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
    }
    winsim::TempMachine machine;
    std::u16string driverDir;
};

TEST_F(ExcApplication, OpensAHandleWithTheUserCodeAndLeavesNothingBehind) {
    ASSERT_TRUE(vesk::test::jcSeedText(u"Office C400", 1, u"4711"));
    const size_t blocks = winsim::liveGlobalBlocks(), printers = winsim::openPrinterHandles();
    ASSERT_TRUE(winsim::loadedModules().empty());

    HMODULE lib = LoadLibraryW((driverDir + u"VESKEXC.DLL").c_str());
    ASSERT_NE(lib, nullptr) << GetLastError();
    auto get = reinterpret_cast<GetExclusiveFn>(reinterpret_cast<void*>(GetProcAddress(lib, "ExcGetExclusive")));
    auto free = reinterpret_cast<FreeExclusiveFn>(reinterpret_cast<void*>(GetProcAddress(lib, "ExcFreeExclusive")));
    ASSERT_NE(get, nullptr);
    ASSERT_NE(free, nullptr);
    EXPECT_EQ(get("Office C999"), nullptr);

    winsim::journalEnable(true);
    void* h = get("Office C400");
    ASSERT_NE(h, nullptr);
    // The user code was asked for (size, then value) on a connection the
    // library loaded for this one query and gave back.
    EXPECT_EQ(journalHits("JcGetItem", "code 1, size"), 1u);
    EXPECT_EQ(journalHits("JcGetItem", "code 1, 18 bytes"), 1u);
    EXPECT_EQ(winsim::loadedModules().size(), 1u) << "only veskexc stays loaded";
    free(h);
    free(nullptr);
    winsim::journalEnable(false);
    EXPECT_TRUE(FreeLibrary(lib));
    EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
    EXPECT_EQ(winsim::openPrinterHandles(), printers);
    EXPECT_TRUE(winsim::loadedModules().empty());
}

TEST(ExcExports, ExactlyTheEntriesLandedSoFar) {
    std::string error;
    const auto names = exports::definedExports(VESKEXC_PATH, &error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(names, (std::set<std::string>{"DllMain", "ExcFreeExclusive", "ExcGetCommandBase", "ExcGetCommandChange",
                                            "ExcGetCommandValue", "ExcGetDriverDevmode", "ExcGetExclusive",
                                            "ExcGetIniFileName", "ExcGetPrinterOption", "ExcGetPrinterValue",
                                            "ExcGetWaterMarkList", "ExcSetCommandBase", "ExcUpdateCommand",
                                            "VESKDrvCheckAPIVer", "VESKDrvDisable", "VESKDrvEnable",
                                            "VESKDrvGetCaps", "VESKDrvGetDevmode", "VESKDrvGetStatus",
                                            "VESKDrvSetStatus"}));
}

}  // namespace
