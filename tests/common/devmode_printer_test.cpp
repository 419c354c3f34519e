// Contexts of kind 0 for a printer of the emulated machine whose driver set
// carries the sample model: the DEVMODE is built from the spooler's default
// DEVMODE when it is this driver's, else from the driver's defaults; a
// caller's DEVMODE is merged into it; the DEVMODE written back passes the
// driver's own acceptance and comes back as the printer's default.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <cstring>
#include <string>

#include "common/devmode_support.h"
#include "common/model_support.h"
#include "common/services_support.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_private.h"
#include "core/item_store.h"
#include "core/model/cache.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kDocMerge = 0x2000000 | 8;  // document merge without user interface

class DevmodePrinter : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        MdlCacheFreeAll();
        write(kDriverDir + u"VESKMFP1.VMD", readFile(sampleModel()));
    }
    void TearDown() override {
        contexts_.clear();
        PrinterMachine::TearDown();
        MdlCacheFreeAll();
    }
    // A new context of kind 0 (none from the cache), freed with the test.
    DrvContext* open() {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
    void storeDefault(const std::vector<BYTE>& dm) {
        ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    }
    static std::u16string text(DrvContext* c, int id) {
        WCHAR t[40] = {};
        ItemGetString(c, ItemFindById(c, id), t, 40);
        return t;
    }
};

}  // namespace

TEST_F(DevmodePrinter, WithoutASpoolerDefaultTheDriverDefaultsAreBuilt) {
    EXPECT_EQ(PrnHasInfo2Data(printer_), 0);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->model, nullptr);
    const BYTE* p = c->devmode;
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(DmIsOwnDevmode(c, p, 1260), 1);
    // The sample's defaults, as Windows values in the public fields.
    EXPECT_EQ(s16(p, 78), DMPAPER_A4);
    EXPECT_EQ(s16(p, 88), DMBIN_AUTO);
    EXPECT_EQ(s16(p, 76), DMORIENT_PORTRAIT);
    EXPECT_EQ(s16(p, 86), 1);
    EXPECT_EQ(text(c, 905), u"3.61");
    EXPECT_EQ(p[1241], 1);
    EXPECT_EQ(p[1248], 1) << "the printer has the bidirectional attribute";
}

TEST_F(DevmodePrinter, ACallersDevmodeIsMergedAndTheResultIsTakenBack) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    std::vector<BYTE> caller = copyOf(c->devmode, 1260);
    dm::wr16(caller.data(), 86, 4);       // copies: the model's range 1-999
    dm::wr16(caller.data(), 80, 2500);    // a paper by length and width
    dm::wr16(caller.data(), 82, 1500);
    dm::setFields(caller.data(), DM_COPIES | DM_PAPERLENGTH | DM_PAPERWIDTH);
    ASSERT_EQ(DmMergeDevmode(c, caller.data(), caller.size(), kDocMerge), 1);
    EXPECT_EQ(s16(c->devmode, 86), 4);
    EXPECT_EQ(s16(c->devmode, 80), 2500);
    EXPECT_EQ(s16(c->devmode, 82), 1500);

    // Written back as the printer's default, the next context takes it.
    const std::vector<BYTE> out = copyOf(c->devmode, 1260);
    ASSERT_EQ(DmIsOwnDevmode(c, out.data(), out.size()), 1);
    storeDefault(out);
    DrvContext* again = open();
    ASSERT_NE(again, nullptr);
    ASSERT_NE(again, c);
    // Section 1 as the spooler keeps it, but for the mirror of section 2,
    // which follows the new context's own section 2.
    EXPECT_EQ(std::memcmp(again->devmode, out.data(), 892), 0);
    EXPECT_EQ(std::memcmp(again->devmode + 1241, out.data() + 1241, 19), 0);
    EXPECT_EQ(text(again, 905), u"3.61") << "section 3 from the model";
}

TEST_F(DevmodePrinter, TheSpoolersDefaultIsTakenOnlyWhenItIsThisDrivers) {
    std::vector<BYTE> mine;
    {
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        mine = copyOf(c->devmode, 1260);
    }
    dm::wr16(mine.data(), 86, 7);
    storeDefault(mine);
    EXPECT_EQ(PrnHasInfo2Data(printer_), 1);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(s16(c->devmode, 86), 7);
    // Section 2 is empty, filled by the persisted settings only.
    const std::vector<BYTE> section2 = copyOf(c->devmode + 1260, 508);
    EXPECT_EQ(section2, std::vector<BYTE>(508, 0));

    // Another driver's private part: the driver's defaults instead.
    std::vector<BYTE> foreign = mine;
    std::memcpy(foreign.data() + 349, "xxxx", 4);
    storeDefault(foreign);
    c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(s16(c->devmode, 86), 1);
    EXPECT_EQ(DmIsOwnDevmode(c, c->devmode, 1260), 1);
}
