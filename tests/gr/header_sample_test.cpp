// The sample model's job header, page header and page trailer for settings
// away from the defaults (the defaults' blocks are in the job listings),
// compared with the texts kept under tests/gr/golden (written again with
// VESK_UPDATE_GOLDEN=1 after a change has been looked at).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "decode/pjl.h"
#include "frame_support.h"
#include "header/header.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;
namespace fs = std::filesystem;

namespace {

class SampleHeader : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        winsim::setVirtualClock(133540924280000000ull, 1);  // 2024-03-05 06:07:08
        ctx_ = CtxCreateEx(printer_, printer_, nullptr, 0, 0x10000, 0, nullptr);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        CtxReleaseEx(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }

    void setText(int id, const char* text) { setItemText(ctx_, id, text); }

    // The three blocks, a line of the listing each.
    std::string blocks() {
        std::string out;
        const std::pair<const char*, int (*)(DrvContext*, BYTE*, uint32_t)> all[] = {
            {"job header", JobHeaderBuilder}, {"page header", PageHeaderBuilder}, {"page trailer", PageTrailerBuilder}};
        for (const auto& [name, builder] : all) {
            out += std::string(name) + ":\n";
            const int n = builder(ctx_, nullptr, 0);
            EXPECT_GE(n, 0) << name;
            std::string text(static_cast<size_t>(n < 0 ? 0 : n), '\0');
            EXPECT_EQ(builder(ctx_, reinterpret_cast<BYTE*>(text.data()), static_cast<uint32_t>(text.size())), n);
            decode::Issue issue;
            const decode::Bytes bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
            EXPECT_TRUE(decode::checkTextBlock(bytes, 0, &issue)) << name << ": " << issue.reason;
            for (const auto& l : decode::splitLines(bytes))
                out += "  " + decode::escapeBytes(l.text) + (l.end == decode::LineEnd::CrLf ? "\\r\\n" : "") + "\n";
        }
        return out;
    }

    void check(const std::string& name) {
        const std::string text = blocks();
        const fs::path golden = fs::path(VESK_SOURCE_DIR) / "tests/gr/golden" / ("header-" + name + ".txt");
        if (const char* u = std::getenv("VESK_UPDATE_GOLDEN"); u && *u == '1') {
            std::ofstream(golden, std::ios::binary) << text;
            return;
        }
        const std::string want = readText(golden);
        ASSERT_FALSE(want.empty()) << golden << " is missing (VESK_UPDATE_GOLDEN=1 writes it)";
        EXPECT_EQ(text, want) << "the headers for " << name << " differ from " << golden;
    }

    DrvContext* ctx_ = nullptr;
};

}  // namespace

TEST_F(SampleHeader, DuplexFinishingAndTheJobsIdentity) {
    ItemSetRawById(ctx_, kItRdmFuncSelectDuplex, 1);      // duplex
    ItemSetRawById(ctx_, kItRdmDuplexType, 1);     // short edge
    ItemSetRawById(ctx_, kItRdmMarginOdd, 120);   // odd margin (no scale: as it is)
    ItemSetRawById(ctx_, kItRdmMarginEven, 240);   // even margin, 1200-dpi dots
    ItemSetRawById(ctx_, kItRdmSimplexMargin, 600);   // horizontal shift
    ItemSetRawById(ctx_, kItRdmSimplexBindType, 2);     // binding on the right: turned
    ItemSetRawById(ctx_, kItRdmOutputOptionTypeFin3000, 1);   // the finisher is fitted
    ItemSetRawById(ctx_, kItRdmFuncSelectStaple, 1);      // staple
    ItemSetRawById(ctx_, kItRdmStapleType, 3);
    ItemSetRawById(ctx_, kItRdmFuncSelectPunch, 1);      // punch
    ItemSetRawById(ctx_, kItRdmPunchType, 2);
    ItemSetRawById(ctx_, kItRdmColorMode, 3);     // monochrome
    setText(kItRdmUserCode, "1234");
    setText(kItRdmUserID, "alice");
    setText(kItRdmTelNo, "03-(123)4");
    check("duplex-finishing");
}

TEST_F(SampleHeader, BookletNupColourAndFonts) {
    ItemSetRawById(ctx_, kItRdmFuncSelectBooklet, 1);      // booklet
    ItemSetRawById(ctx_, kItRdmBookletType, 2);
    ItemSetRawById(ctx_, kItRdmFuncSelectNup, 1);      // N-up
    ItemSetRawById(ctx_, kItRdmNUPType, 4);
    ItemSetRawById(ctx_, kItRdmColorMode, 2);     // colour
    ItemSetRawById(ctx_, kItDmCopies, 3);      // copies
    ItemSetRawById(ctx_, kItRdmPrinterMemory, 1024);
    ItemSetRawById(ctx_, kItRdmDeviceFont, adoptFontRecords({{1, u"Vesk Sans"}, {3, u"Vesk Mono"}}));
    ItemSetRawById(ctx_, kItRdmDeviceFontNum, 2);
    ItemSetRawById(ctx_, kItRdmFontTable, adoptFontPairs({{u"Arial", u"Vesk Sans"}}));
    ItemSetRawById(ctx_, kItRdmFontTableNum, 1);
    check("booklet-nup-fonts");
}
