// A context's DEVMODE built for a printer of the stand-in spooler: the
// printer's default DEVMODE when it is this driver's, else the defaults, and
// the printer's default taken again on a reset.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <cstring>

#include "common/devmode_support.h"
#include "common/services_support.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_public.h"
#include "core/item_store.h"
#include "core/devmode/dm_defaults.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// A light context of the services fixture's printer (no model attached).
class DevmodeCreate : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        ctx_ = context();
    }
    // Builds for the context and returns the buffer (owned by the test).
    std::vector<BYTE> build(uint16_t kind) {
        BYTE* b = DmCreateDefault(ctx_, kind);
        EXPECT_NE(b, nullptr);
        std::vector<BYTE> v = b ? copyOf(b, 3808) : std::vector<BYTE>{};
        MemFree(b);
        return v;
    }
    void storeDefault(const std::vector<BYTE>& dm) {
        ASSERT_EQ(winsim::setPrinterDevmode(name_, dm), static_cast<DWORD>(ERROR_SUCCESS));
    }
    DrvContext* ctx_ = nullptr;
};

}  // namespace

TEST_F(DevmodeCreate, WithoutASpoolerDefaultTheDefaultsAreBuilt) {
    std::vector<BYTE> b = build(0);
    ASSERT_EQ(b.size(), 3808u);
    EXPECT_EQ(DmIsOwnDevmode(ctx_, b.data(), 1260), 1);
    EXPECT_EQ(s16(b.data(), 78), 9);
    EXPECT_EQ(ctx_->devmode, nullptr) << "the context's own pointer is put back";
}

TEST_F(DevmodeCreate, OwnSpoolerDefaultIsKeptAndAForeignOneIgnored) {
    std::vector<BYTE> mine = build(0);
    dm::wr16(mine.data(), 76, 2);
    mine[1250] = 7;
    storeDefault(copyOf(mine.data(), 1260));
    std::vector<BYTE> b = build(0);
    EXPECT_EQ(std::memcmp(b.data(), mine.data(), 1260), 0);
    b = build(3);  // full defaults, then the spooler's section 1
    EXPECT_EQ(s16(b.data(), 76), 2);

    std::vector<BYTE> foreign = copyOf(mine.data(), 1260);
    foreign[372] = 0x11;  // another machine
    storeDefault(foreign);
    b = build(0);
    EXPECT_EQ(s16(b.data(), 76), 1);
    EXPECT_EQ(b[1250], 0) << "nothing of the refused DEVMODE stays behind";
    EXPECT_EQ(DmIsOwnDevmode(ctx_, b.data(), 1260), 1);

    std::vector<BYTE> small(148 + 1048, 0);
    dm::wr16(small.data(), 68, 148);
    dm::wr16(small.data(), 70, 1048);
    storeDefault(small);
    b = build(1);
    EXPECT_EQ(DmIsOwnDevmode(ctx_, b.data(), 1260), 1);
}

TEST_F(DevmodeCreate, ResetWithReloadTakesThePrintersDefaultAgain) {
    FakeModel model;
    model.types = {{7, 1}, {12, 8}};
    model.ranges = {{12, {1, 99}}};
    model.values = {{12, 3}};
    ModelScope scope(model);
    std::vector<BYTE> stored = build(0);
    dm::wr16(stored.data(), 76, DMORIENT_LANDSCAPE);
    dm::wr16(stored.data(), 86, 5);
    storeDefault(copyOf(stored.data(), 1260));
    ctx_->devmode = static_cast<BYTE*>(MemAllocZero(3808));
    ASSERT_NE(ctx_->devmode, nullptr);
    DmSetDefaults(ctx_);
    EXPECT_EQ(s16(ctx_->devmode, 76), 1);
    DmPublicSetDefaults(ctx_, 2);
    EXPECT_EQ(s16(ctx_->devmode, 76), DMORIENT_LANDSCAPE) << "the printer's default again";
    EXPECT_EQ(s16(ctx_->devmode, 86), 5) << "within the model's range, kept";
    DmPublicSetDefaults(ctx_, 0);
    EXPECT_EQ(s16(ctx_->devmode, 76), 1) << "reason 0 resets to the description";
    EXPECT_EQ(s16(ctx_->devmode, 86), 1);
    MemFree(ctx_->devmode);
    ctx_->devmode = nullptr;
}
