// A job whose settings come from three places at the document's start: a
// device option stored in the printer's data, the device settings a
// bidirectional query left in its settings file, and the identity the
// job-control library holds. Its decoded listing is kept under
// tests/gr/golden (VESK_UPDATE_GOLDEN=1 writes it again).
#include <gtest/gtest.h>
#include <win/files.h>
#include <win/profile.h>
#include <win/spooler.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <fstream>

#include "core/bidi/bidi.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "decode/listing.h"
#include "decode/stream.h"
#include "frame_support.h"

using namespace vesk;
using namespace grtest;
namespace fs = std::filesystem;

namespace {

const fs::path kSource = VESK_SOURCE_DIR;
constexpr char kScript[] = "job name=\"Settings\"\npage\nendpage\n";

class SettingsJob : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        // 2024-03-05 06:07:08 UTC.
        winsim::setVirtualClock(133540924280000000ull, 1000);
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        ctx_ = CtxCreateEx(printer_, printer_, nullptr, 0, kCreateInterface, 0, nullptr);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        CtxReleaseEx(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }
    // The job-control library's value of an item for the printer.
    void hold(int itemId, uint32_t mask, const char* text) {
        setItemText(ctx_, itemId, text);
        ASSERT_EQ(JcStoreItemsIfOn(ctx_, mask), 0u);
        setItemText(ctx_, itemId, "");
    }
    // Print logging on, with its file, in the printer's data.
    void storeLogging() {
        ItemSetRawById(ctx_, kItRdmLogging, 1);
        ASSERT_EQ(OptSaveToPrinterData(printer_, ctx_, ItemFindById(ctx_, kItRdmLogging)), 1);
        const std::u16string log = u"C:\\logs\\vesk.log";
        ASSERT_EQ(SetPrinterDataW(printer_, const_cast<LPWSTR>(u"LogFileName"), REG_SZ,
                                  reinterpret_cast<BYTE*>(const_cast<char16_t*>(log.c_str())),
                                  static_cast<DWORD>((log.size() + 1) * sizeof(char16_t))),
                  static_cast<DWORD>(ERROR_SUCCESS));
    }
    // The bidirectional settings file with the printer's memory, as a
    // device query leaves it (header, device settings, flags).
    void storeBidiMemory(uint32_t megabytes) {
        const uint32_t kept = ItemRawById(ctx_, kItRdmPrinterMemory);
        ItemSetRawById(ctx_, kItRdmPrinterMemory, megabytes);
        ASSERT_EQ(BidiIniExport(ctx_), 1);
        ItemSetRawById(ctx_, kItRdmPrinterMemory, kept);
    }
    std::string header(const Printed& p, std::string* listing) {
        const auto s = decode::decodeAll(decode::Bytes(p.stream.data(), p.stream.size()));
        EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
        vesk::decode::Summary sum;
        *listing = vesk::decode::listStream(vesk::decode::Bytes(p.stream.data(), p.stream.size()), {}, {}, &sum);
        return s.jobHeaders.empty() ? std::string() : s.jobHeaders[0];
    }
    DrvContext* ctx_ = nullptr;
};

bool has(const std::string& h, const std::string& line) { return h.find(line) != std::string::npos; }

}  // namespace

TEST_F(SettingsJob, StoredBidiAndJobControlSettingsReachTheHeader) {
    storeLogging();
    storeBidiMemory(1024);
    hold(kItRdmUserCode, 0x1, "4711");
    hold(kItRdmUserID, 0x8, "dora");
    hold(kItRdmOwnerName, 0x2, "Dora Owner");
    const Printed p = printScript(kScript, printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    std::string listing;
    const std::string h = header(p, &listing);
    EXPECT_TRUE(has(h, "@PJL SET VESKLOGFILE = \"C:\\logs\\vesk.log\"")) << h;
    EXPECT_TRUE(has(h, "@PJL SET MEMORYSIZE = 1024")) << h;
    EXPECT_TRUE(has(h, "@PJL SET USERCODE = \"4711\"")) << h;
    EXPECT_TRUE(has(h, "@PJL SET USERNAME = \"dora\"")) << h;

    const fs::path golden = kSource / "tests/gr/golden/settings-jobcontrol.txt";
    if (const char* u = std::getenv("VESK_UPDATE_GOLDEN"); u && *u == '1') {
        std::ofstream(golden, std::ios::binary) << listing;
        return;
    }
    const std::string want = readText(golden);
    ASSERT_FALSE(want.empty()) << golden << " is missing (VESK_UPDATE_GOLDEN=1 writes it)";
    EXPECT_EQ(listing, want);
}

// Without the job-control library the job prints with its own settings.
TEST_F(SettingsJob, WithoutTheLibraryTheJobPrintsAsBefore) {
    storeBidiMemory(1024);
    hold(kItRdmUserCode, 0x1, "4711");
    ASSERT_TRUE(DeleteFileW(u"C:\\WINDOWS\\system32\\ZORJC32.DLL"));
    const Printed p = printScript(kScript, printerName_);
    ASSERT_TRUE(p.job.ok) << p.job.error;
    std::string listing;
    const std::string h = header(p, &listing);
    EXPECT_TRUE(has(h, "@PJL SET MEMORYSIZE = 1024")) << h;
    EXPECT_TRUE(has(h, "@PJL SET USERCODE = NONE")) << h;
}
