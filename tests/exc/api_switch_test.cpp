// The versioned API's switches on the sample printer: VESKAPIFunc1 from the
// setup INI in the driver directory, the feature tests of the stamp and
// free-size controls, and the terminal-server test.
#include <gtest/gtest.h>

#include <win/files.h>
#include <win/profile.h>

#include <string>

#include "api/api_handle.h"
#include "api/opt_values.h"
#include "core/devmode/dm_flags.h"
#include "core/item_store.h"
#include "exc/exc_support.h"

namespace vesk::test {
namespace {

class ApiSwitch : public ExcPrinter {
protected:
    void SetUp() override {
        ExcPrinter::SetUp();
        if (HasFatalFailure()) return;
        h_ = VESKDrvEnable("Office [2]");
        ASSERT_NE(h_, nullptr);
    }
    void TearDown() override {
        if (h_) VESKDrvDisable(h_);
        winsim::config().osPlatform = 2;
        ExcPrinter::TearDown();
    }
    DrvContext* ctx() const { return static_cast<DrvContext*>(h_); }
    std::u16string iniPath() {
        WCHAR p[260] = {};
        return ApiIniPath2(h_, p);
    }
    void* h_ = nullptr;
};

TEST_F(ApiSwitch, TheSwitchIsReadFromTheDriverDirectoryAtEveryTest) {
    const size_t printers = winsim::openPrinterHandles();
    const std::u16string path = iniPath();
    EXPECT_EQ(path, kDriverDir + u"KW12D172.ini");
    EXPECT_EQ(winsim::openPrinterHandles(), printers) << "the printer opened for the path is closed";
    EXPECT_EQ(ctx()->printer, nullptr);

    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTiledStamp), 0) << "no setup INI";
    ASSERT_TRUE(WritePrivateProfileStringW(u"us", u"StampCount", u"3", path.c_str()));
    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTiledStamp), 0) << "no section";
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"9", path.c_str()));
    EXPECT_EQ(ApiIniGetInt(h_, u"VESKAPI", u"VESKAPIFunc1"), 9);
    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTiledStamp), 1);
    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTallyMethod), 1);
    EXPECT_EQ(ApiFuncEnabled(h_, 0x2), 0);
    ASSERT_TRUE(WritePrivateProfileStringW(u"VESKAPI", u"VESKAPIFunc1", u"8", path.c_str()));
    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTiledStamp), 0) << "read anew";
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    EXPECT_EQ(ApiFuncEnabled(h_, kApiFuncTallyMethod), 0);
    EXPECT_EQ(ApiFuncEnabled(nullptr, kApiFuncTallyMethod), 0);
}

TEST_F(ApiSwitch, TheSystemDirectoryOnThe9xFamily) {
    WCHAR sys[260] = {};
    ASSERT_GT(GetSystemDirectoryW(sys, 260), 0u);
    winsim::config().osPlatform = 1;
    WCHAR dir[260];
    EXPECT_EQ(std::u16string(DriverDirOrSystemDir(h_, dir, 260)), std::u16string(sys) + u"\\");
    EXPECT_EQ(iniPath(), std::u16string(sys) + u"\\KW12D172.ini");
    // A directory that does not fit gives no path at all.
    EXPECT_EQ(std::u16string(DriverDirOrSystemDir(h_, dir, 4)), u"");
}

TEST_F(ApiSwitch, FeatureTestsOfTheStampAndFreeSizeControls) {
    EXPECT_EQ(StampControlEnabled(h_), 1);
    EXPECT_EQ(FreeSizeControlEnabled(h_), 1);
    // The sample device offers stamps only above its smallest memory.
    ItemSetRawById(ctx(), 10012, 256);
    EXPECT_EQ(StampControlEnabled(h_), 0);
    EXPECT_EQ(FreeSizeControlEnabled(h_), 1);
    ItemSetRawById(ctx(), 10012, 512);
    EXPECT_EQ(StampControlEnabled(h_), 1);
    EXPECT_EQ(StampControlEnabled(nullptr), 0);
}

TEST_F(ApiSwitch, TerminalServerOnlyOnTheNtFamily) {
    DmPutTerminalServerFlag(ctx(), 0);
    EXPECT_EQ(IsNtTerminalServer(h_), 0);
    DmPutTerminalServerFlag(ctx(), 1);
    EXPECT_EQ(IsNtTerminalServer(h_), 1);
    winsim::config().osPlatform = 1;
    EXPECT_EQ(IsNtTerminalServer(h_), 0);
    EXPECT_EQ(IsNtTerminalServer(nullptr), 0);
}

}  // namespace
}  // namespace vesk::test
