// The library's own entry that runs one page: a dialog or a sheet page of
// the sample printer under the page procedure, driven by a script, and what
// reaches the caller's DEVMODE.
#include <vector>

#include "sheets/page_runner.h"
#include "ui/sheet_support.h"

namespace vesk::test {
namespace {

class PageRunner : public SheetPrinter {
protected:
    void SetUp() override {
        SheetPrinter::SetUp();
        winsim::setVirtualClock(0, 1000);
    }
    void TearDown() override {
        winsim::ui::reset();
        SheetPrinter::TearDown();
    }
    // Runs page `id` under `script`; the entry's answer.
    LONG run(DWORD id, const std::string& script) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        out_.assign(4096, 0);
        return VeskUiRunPage(nullptr, printer_, const_cast<LPWSTR>(name_.c_str()), id, nullptr,
                             reinterpret_cast<PDEVMODEW>(out_.data()), DWORD(out_.size()));
    }
    // The DEVMODE the run wrote, by its size field; 0 when none.
    unsigned written() const { return unsigned(out_[68] | out_[69] << 8); }
    std::vector<BYTE> out_;
};

TEST_F(PageRunner, OkWritesTheDevmodeAndCancelLeavesIt) {
    // A dialog on its own.
    EXPECT_EQ(run(1035, "expect dialog 1035; ok"), IDOK);
    EXPECT_EQ(written(), sizeof(DEVMODEW));
    EXPECT_EQ(run(1035, "cancel"), IDCANCEL);
    EXPECT_EQ(written(), 0u);
    // A sheet page in a sheet of its own.
    EXPECT_EQ(run(1002, "expect dialog 0; ok"), IDOK);
    EXPECT_EQ(written(), sizeof(DEVMODEW));
    EXPECT_EQ(run(1002, "cancel"), IDCANCEL);
    EXPECT_EQ(written(), 0u);
    EXPECT_TRUE(winsim::ui::failures().empty());
    EXPECT_EQ(heldBlocks(), 0u);
}

TEST_F(PageRunner, ASourceChosenOnTheBasicPageStaysAfterItsRulesRan) {
    // Without the paper bank only its own trays go back to the automatic
    // one; Tray 1 stays chosen in the list and reaches the DEVMODE.
    EXPECT_EQ(run(1002, "select 2007 \"Tray 1\"; dump; ok"), IDOK);
    ASSERT_EQ(written(), sizeof(DEVMODEW));
    EXPECT_EQ(out_[88] | out_[89] << 8, DMBIN_UPPER);
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 1u);
    EXPECT_NE(dumps[0].find("2007 ComboBox \"Tray 1\" combo 4 items sel 1 "), std::string::npos) << dumps[0];
    EXPECT_TRUE(winsim::ui::failures().empty());
}

TEST_F(PageRunner, WhatIsNoPageOfTheDriverRunsNothing) {
    EXPECT_EQ(run(7777, ""), kRunPageNotAPage);
    EXPECT_EQ(VeskUiRunPage(nullptr, nullptr, nullptr, 1035, nullptr, nullptr, 0), kRunPageNotAPage);
    EXPECT_EQ(VeskUiRunPage(nullptr, printer_, nullptr, 0x10000, nullptr, nullptr, 0), kRunPageNotAPage);
    EXPECT_EQ(written(), 0u);
}

}  // namespace
}  // namespace vesk::test
