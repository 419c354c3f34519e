// The job and page headers rendered from a model's command groups: node
// kinds, option kinds, the driver's own commands, the font lines and the
// two passes of a block.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <fstream>

#include "core/font_tables.h"
#include "frame_support.h"
#include "header/header.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;
namespace fs = std::filesystem;

namespace {

// JobStart holds the general cases, PageStart the driver's own commands,
// PageEnd the font lines.
const char* kModel = R"(*FileVersion: 3.61
*CommandString 1: "@PJL ONE<0D0A>"
*CommandString 2: ""
*CommandString 3: "@PJL THREE<0D0A>"
*CommandString 4: "@PJL ELSE<0D0A>"
*CommandString 5: "@PJL ELSEIF<0D0A>"

*OpenUI *VPD_dmCopies: Numeric
*OptionCommand: { "COPIES=" "<0D0A>" }
*NumericValue: 0 "3 1 1 999 0 1 254 600"
*CloseUI
*OpenUI *VPD_dmScale: Numeric
*OptionCommand: { "SCALE=" "<0D0A>" }
*NumericValue: 0 "3 100 1 400 0 1 7 0"
*CloseUI
*OpenUI *VPD_rdmFuncSelectDuplex: Boolean
*DefaultVPD_rdmFuncSelectDuplex: False
*VPD_rdmFuncSelectDuplex True: "DUPLEX ON<0D0A>"
*VPD_rdmFuncSelectDuplex False: "DUPLEX OFF<0D0A>"
*CloseUI
*OpenUI *VPD_rdmFuncSelectStaple: Boolean
*DefaultVPD_rdmFuncSelectStaple: False
*VPD_rdmFuncSelectStaple True: "STAPLE<0D0A>"
*CloseUI
*OpenUI *VPD_rdmMachineFeed: Boolean|TypeUnknown
*DefaultVPD_rdmMachineFeed: False
*VPD_rdmMachineFeed True: "FEED FAST<0D0A>"
*VPD_rdmMachineFeed False: "FEED NORMAL<0D0A>"
*CloseUI
*OpenUI *VPD_rdmDstResolutionW: PickOne
*OptionCommand: { "RES=" "<0D0A>" }
*DefaultVPD_rdmDstResolutionW: IDS_RESOLUTION_600
*VPD_rdmDstResolutionW IDS_RESOLUTION_600: "600"
*VPD_rdmDstResolutionW IDS_RESOLUTION_1200: "1200"
*CloseUI
*OpenUI *VPD_rdmDstResolutionH: Identity *VPD_rdmDstResolutionW
*OptionCommand: { "VRES=" "<0D0A>" }
*CloseUI
*OpenUI *VPD_rdmSortType: PickMany
*OptionCommand: { "SORT=" "<0D0A>" }
*VPD_rdmSortType: IDList { {IDS_SORT_COLLATE "C"} {IDS_SORT_ROTATE "R"} }
*CloseUI
*OpenUI *VPD_rdmUserCode: String
*OptionCommand: { "CODE=%"" "%"<0D0A>" }
*StringValue: 8 ASCII
*DefaultVPD_rdmUserCode: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_wdmPresetName: String
*OptionCommand: { "PRESET=%"" "%"<0D0A>" }
*DefaultVPD_wdmPresetName: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmTTFont: FontTbl
*OptionCommand: { "TTFONT=" "<0D0A>" }
*DefaultVPD_rdmTTFont: IDS_TTFONT_SUBSTITUTE
*VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: "SUBSTITUTE"
*VPD_rdmTTFont IDS_TTFONT_DOWNLOAD: "DOWNLOAD"
*TTFS *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: IDList { {"Arial" "Vesk Sans"} }
*CloseUI

*OpenUI *VPD_rdmTallyID: String
*OptionCommand: { "@PJL SET TIME = " " <0D0A>" }
*DefaultVPD_rdmTallyID: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_wdmDriverVersion: String
*OptionCommand: { "PRINTER=" " <0D0A>" }
*DefaultVPD_wdmDriverVersion: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmIniFileName: String
*OptionCommand: { "INI=" "<0D0A>" }
*DefaultVPD_rdmIniFileName: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmLogging: Boolean
*OptionCommand: { "LOG=" "<0D0A>" }
*DefaultVPD_rdmLogging: False
*CloseUI
*OpenUI *VPD_rdmDllLogCode: String
*OptionCommand: { "LOGDLL=" "<0D0A>" }
*DefaultVPD_rdmDllLogCode: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmTelNo: String
*OptionCommand: { "FAX=" "<0D0A>" }
*DefaultVPD_rdmTelNo: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmMarginOdd: Numeric
*OptionCommand: { "MARGIN=" "<0D0A>" }
*NumericValue: "4 0 0 2400 1 10 3 2"
*CloseUI
*OpenUI *VPD_rdmSimplexMargin: Numeric
*OptionCommand: { "SHIFTX=" "<0D0A>" }
*NumericValue: "4 0 0 2400 1 10 1 1"
*CloseUI
*OpenUI *VPD_rdmShiftMarginY: Numeric
*OptionCommand: { "SHIFTY=" "<0D0A>" }
*NumericValue: "4 0 0 2400 1 10 1 0"
*CloseUI
*OpenUI *VPD_wdmOvlPath: String
*OptionCommand: { "OVERLAYS=" "<0D0A>" }
*DefaultVPD_wdmOvlPath: IDS_STRING_EMPTY
*CloseUI
*OpenUI *VPD_rdmColorMatchingMode: Boolean
*OptionCommand: { "RCM=" "<0D0A>" }
*DefaultVPD_rdmColorMatchingMode: True
*CloseUI

*Judge 1=DuplexOn: { VPD_rdmFuncSelectDuplex == 1 }
*Judge 2=StapleOn: { VPD_rdmFuncSelectStaple == 1 }
*Judge 3=CodeGiven: { VPD_rdmUserCode > 0 }

*CommandGroup: JobStart {
    Type: StringType 1
    Type: StringType 2
    Type: StringType 3
    Type: GroupType VPD_dmCopies
    Type: GroupType VPD_dmScale
    Type: GroupType VPD_rdmFuncSelectDuplex
    Type: GroupType VPD_rdmFuncSelectStaple
    Type: GroupType VPD_rdmMachineFeed
    Type: GroupType VPD_rdmDstResolutionW
    Type: GroupType VPD_rdmDstResolutionH 9
    Type: GroupType VPD_rdmSortType
    Command: DuplexOn {
        Type: StringType 1
    } ElseIf: StapleOn {
        Type: StringType 5
    } Else {
        Type: StringType 4
    }
    Command: CodeGiven {
        Type: GroupType VPD_rdmUserCode
    }
    Type: GroupType VPD_wdmPresetName
    Type: GroupType VPD_rdmTTFont
}
*CommandGroup: PageStart {
    Type: GroupType VPD_rdmTallyID
    Type: GroupType VPD_wdmDriverVersion
    Type: GroupType VPD_rdmIniFileName
    Type: GroupType VPD_rdmLogging
    Type: GroupType VPD_rdmDllLogCode
    Type: GroupType VPD_rdmTelNo
    Type: GroupType VPD_rdmMarginOdd
    Type: GroupType VPD_rdmSimplexMargin
    Type: GroupType VPD_rdmShiftMarginY
    Type: GroupType VPD_wdmOvlPath
    Type: GroupType VPD_rdmColorMatchingMode
}
*CommandGroup: PageEnd {
    Type: FontType
}
)";

// A model whose header names an option without an item.
const char* kBrokenModel = R"(*FileVersion: 3.61
*OpenUI *VPD_IDC_PRESET_BUTTON_MAINTENANCE: Boolean
*CloseUI
*CommandGroup: JobStart { Type: GroupType VPD_IDC_PRESET_BUTTON_MAINTENANCE }
*CommandGroup: PageStart { Type: GroupType VPD_dmColor }
)";

class Header : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ctx_ = contextFor(u"Header test", "HDRTEST1.VMD", kModel, &handle_);
    }
    void TearDown() override {
        for (DrvContext* c : contexts_) CtxReleaseEx(c, kReleaseFree);
        for (HANDLE h : handles_) ClosePrinter(h);
        DriverMachine::TearDown();
        std::error_code ec;
        for (const fs::path& d : models_) fs::remove_all(d, ec);
    }

    // A kind-0 context of a printer whose driver's model is `text`.
    DrvContext* contextFor(const std::u16string& name, const std::string& file, const char* text, HANDLE* out) {
        const fs::path dir = machine_.root().parent_path() / (machine_.root().filename().string() + "-models");
        fs::create_directories(dir);
        std::ofstream(dir / file, std::ios::binary) << text;
        models_.push_back(dir);
        HANDLE h = installPrinter(name, u"VESK " + name, dir / file);
        EXPECT_NE(h, nullptr);
        handles_.push_back(h);
        if (out) *out = h;
        DrvContext* c = CtxCreateEx(h, h, nullptr, 0, 0x10000, 0, nullptr);
        EXPECT_NE(c, nullptr);
        if (c) contexts_.push_back(c);
        return c;
    }

    static std::string render(int (*builder)(DrvContext*, BYTE*, uint32_t), DrvContext* c, int* result = nullptr) {
        const int n = builder(c, nullptr, 0);
        if (result) *result = n;
        if (n < 0) return "(failed)";
        std::string text(static_cast<size_t>(n), '\0');
        const int filled = builder(c, reinterpret_cast<BYTE*>(text.data()), static_cast<uint32_t>(n));
        EXPECT_EQ(filled, n);
        return text;
    }
    std::string job() { return render(JobHeaderBuilder, ctx_); }
    std::string page() { return render(PageHeaderBuilder, ctx_); }
    std::string trailer() { return render(PageTrailerBuilder, ctx_); }
    void set(int id, uint32_t v) { ItemSetRawById(ctx_, id, v); }
    void setText(int id, const char* text) { setItemText(ctx_, id, text); }

    DrvContext* ctx_ = nullptr;
    HANDLE handle_ = nullptr;
    std::vector<DrvContext*> contexts_;
    std::vector<HANDLE> handles_;
    std::vector<fs::path> models_;
};

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST_F(Header, NodesRenderInOrderAndOptionsByTheirKind) {
    ASSERT_NE(ctx_, nullptr);
    set(kItDmCopies, 300);  // dmCopies
    set(kItDmScale, 100);  // dmScale
    set(kItRdmDstResolutionW, 1200);
    set(kItRdmDstResolutionH, 600);
    const std::string j = job();
    // Literals end to end; the empty one adds nothing. 300 x 254 / 600.
    EXPECT_EQ(j.substr(0, 40), "@PJL ONE\r\n@PJL THREE\r\nCOPIES=127\r\nSCALE=");
    // A divisor of 0 leaves the value as it is.
    EXPECT_TRUE(has(j, "SCALE=100\r\n")) << j;
    EXPECT_TRUE(has(j, "DUPLEX OFF\r\n")) << j;
    // A Boolean without a text for its value writes its affixes only (none
    // here); TypeUnknown writes nothing; PickMany writes nothing.
    EXPECT_FALSE(has(j, "STAPLE")) << j;
    EXPECT_FALSE(has(j, "FEED")) << j;
    EXPECT_FALSE(has(j, "SORT=")) << j;
    // PickOne by value; an Identity option answers any sub-key.
    EXPECT_TRUE(has(j, "RES=1200\r\nVRES=600\r\n")) << j;
    EXPECT_TRUE(has(j, "@PJL ELSE\r\n")) << j;
    EXPECT_TRUE(has(j, "TTFONT=SUBSTITUTE\r\n")) << j;

    set(kItRdmFuncSelectDuplex, 1);  // duplex on
    set(kItDmCopies, 0xFFCE);  // -50 copies: signed, not a wrapped unsigned value
    const std::string on = job();
    EXPECT_TRUE(has(on, "COPIES=-21\r\n")) << on;
    EXPECT_TRUE(has(on, "DUPLEX ON\r\n")) << on;
    EXPECT_TRUE(has(on, "DUPLEX ON\r\nRES=1200\r\nVRES=600\r\n@PJL ONE\r\n")) << on;
    set(kItRdmFuncSelectDuplex, 0);
    set(kItRdmFuncSelectStaple, 1);  // staple on: the ElseIf
    EXPECT_TRUE(has(job(), "@PJL ELSEIF\r\n"));
    set(kItRdmDstResolutionW, 700);  // no value record: nothing
    EXPECT_FALSE(has(job(), "RES=7"));
}

TEST_F(Header, StringsAreConvertedAndMadeSafe) {
    ASSERT_NE(ctx_, nullptr);
    setText(kItRdmUserCode, "12\"3\r4");
    const std::string j = job();
    // The condition counts the text's length; the text loses its quote and
    // control byte.
    EXPECT_TRUE(has(j, "CODE=\"12'3 4\"\r\n")) << j;
    DmItem* preset = ItemFindById(ctx_, kItWdmPresetName);
    ASSERT_NE(preset, nullptr);
    ItemSetString(ctx_, preset, u"Caf\u00E9 \u20AC");
    EXPECT_TRUE(has(job(), "PRESET=\"Caf\xE9 \x80\"\r\n"));
    // An empty string writes nothing, affixes included.
    ItemSetString(ctx_, preset, u"");
    EXPECT_FALSE(has(job(), "PRESET"));
}

TEST_F(Header, DriverCommandsWriteTheirValues) {
    ASSERT_NE(ctx_, nullptr);
    winsim::setVirtualClock(133540924280000000ull, 1);  // 2024-03-05 06:07:08
    set(kItRdmMarginOdd, 1200);  // margin 1200 dots x 3 x 600 / (2 x 1200)
    set(kItRdmDstResolutionW, 600);
    set(kItRdmSimplexMargin, 240);
    set(kItRdmShiftMarginY, 240);
    set(kItRdmSimplexBindType, 4);     // binding: both turned
    std::string p = page();
    EXPECT_EQ(p.substr(0, 60), "@PJL SET DATE = \"2024/03/05\" \r\n@PJL SET TIME = \"06:07:08\" \r\n");
    EXPECT_TRUE(has(p, "@PJL SET VESKDRIVERNAME = \"VESK Header test\" \r\nPRINTER=\"Header test\" \r\n")) << p;
    EXPECT_TRUE(has(p, "INI=C:\\_vesk\\KW12D170.ini\r\n")) << p;
    EXPECT_TRUE(has(p, "MARGIN=900\r\n")) << p;
    EXPECT_TRUE(has(p, "SHIFTX=-120\r\n")) << p;
    // A divisor of 0 leaves the value in 1200-dpi dots.
    EXPECT_TRUE(has(p, "SHIFTY=-240\r\n")) << p;
    EXPECT_TRUE(has(p, "OVERLAYS=C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\\r\n")) << p;
    // The install recorded the print log's file name after the graphics
    // library; the log library is the same name ending in DLL.
    EXPECT_TRUE(has(p, "INI=C:\\_vesk\\KW12D170.ini\r\nLOG=veskgr.log\r\nLOGDLL=veskgr.DLL\r\nMARGIN=")) << p;
    // No fax number, no colour-matching file for this model.
    EXPECT_FALSE(has(p, "FAX")) << p;
    EXPECT_FALSE(has(p, "RCM")) << p;
    set(kItRdmSimplexBindType, 2);
    p = page();
    EXPECT_TRUE(has(p, "SHIFTX=-120\r\nSHIFTY=240\r\n")) << p;
    set(kItRdmSimplexBindType, 3);
    EXPECT_TRUE(has(page(), "SHIFTX=120\r\nSHIFTY=-240\r\n"));

    std::u16string log = u"C:\\logs\\print.log";
    ASSERT_EQ(SetPrinterDataW(handle_, const_cast<LPWSTR>(u"LogFileName"), REG_SZ,
                              reinterpret_cast<LPBYTE>(log.data()), static_cast<DWORD>((log.size() + 1) * 2)),
              static_cast<DWORD>(ERROR_SUCCESS));
    setText(kItRdmTelNo, "03-(123)4");
    p = page();
    EXPECT_TRUE(has(p, "LOG=C:\\logs\\print.log\r\nLOGDLL=C:\\logs\\print.DLL\r\nFAX=031234\r\n")) << p;
}

// A Boolean state without a text and a log name too short for its ending.
const char* kAffixModel = R"(*FileVersion: 3.61
*OpenUI *VPD_rdmFuncSelectStaple: Boolean
*OptionCommand: { "STAPLE=" "<0D0A>" }
*DefaultVPD_rdmFuncSelectStaple: False
*VPD_rdmFuncSelectStaple True: "ON"
*CloseUI
*OpenUI *VPD_rdmDllLogCode: String
*OptionCommand: { "LOGDLL=" "<0D0A>" }
*DefaultVPD_rdmDllLogCode: IDS_STRING_EMPTY
*CloseUI
*CommandGroup: JobStart {
    Type: GroupType VPD_rdmFuncSelectStaple
    Type: GroupType VPD_rdmDllLogCode
}
)";

TEST_F(Header, BooleanAffixesAndAShortLogName) {
    HANDLE h = nullptr;
    DrvContext* c = contextFor(u"Affix test", "HDRTEST3.VMD", kAffixModel, &h);
    ASSERT_NE(c, nullptr);
    std::u16string log = u"log";
    ASSERT_EQ(SetPrinterDataW(h, const_cast<LPWSTR>(u"LogFileName"), REG_SZ, reinterpret_cast<LPBYTE>(log.data()),
                              static_cast<DWORD>((log.size() + 1) * 2)),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(render(JobHeaderBuilder, c), "STAPLE=\r\nLOGDLL=log\r\n");
    ItemSetRawById(c, kItRdmFuncSelectStaple, 1);
    EXPECT_EQ(render(JobHeaderBuilder, c), "STAPLE=ON\r\nLOGDLL=log\r\n");
}

TEST_F(Header, ColourMatchingFilesOfTheModelsThatHaveThem) {
    ASSERT_NE(ctx_, nullptr);
    set(kItRdmColorMatchingMode, 1);
    set(kItRdmMediaType, 2);
    ctx_->desc->machineId = 130;
    EXPECT_TRUE(has(page(), "RCM=C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\KW80C153.rcm\r\n"));
    set(kItRdmColorMatchingMode, 2);
    set(kItRdmMediaType, 1);
    ctx_->desc->machineId = 131;
    EXPECT_TRUE(has(page(), "RCM=C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\KW81C152.rcm\r\n"));
    set(kItRdmColorMatchingMode, 0);
    EXPECT_FALSE(has(page(), "RCM"));
    set(kItRdmColorMatchingMode, 1);
    ctx_->desc->machineId = 133;
    EXPECT_FALSE(has(page(), "RCM"));
}

TEST_F(Header, TheDateHasOneLengthWhateverTheClockDoesBetweenThePasses) {
    ASSERT_NE(ctx_, nullptr);
    // 2024-12-31 23:59:59 UTC; the filling pass runs a second later.
    winsim::setVirtualClock(133801631990000000ull, 1);
    const int n = PageHeaderBuilder(ctx_, nullptr, 0);
    ASSERT_GT(n, 0);
    winsim::advanceClock(1000);
    std::string text(static_cast<size_t>(n), '\0');
    EXPECT_EQ(PageHeaderBuilder(ctx_, reinterpret_cast<BYTE*>(text.data()), static_cast<uint32_t>(n)), n);
    EXPECT_EQ(text.substr(0, 31), "@PJL SET DATE = \"2025/01/01\" \r\n");
    // A buffer short of the text is never written past, and fails.
    std::string small(static_cast<size_t>(n) + 4, 'z');
    EXPECT_EQ(PageHeaderBuilder(ctx_, reinterpret_cast<BYTE*>(small.data()), static_cast<uint32_t>(n - 1)), -1);
    EXPECT_EQ(small.substr(static_cast<size_t>(n) - 1), "zzzzz");
}

TEST_F(Header, FontLinesListTheUsedEntriesOrNothing) {
    ASSERT_NE(ctx_, nullptr);
    EXPECT_EQ(trailer(), "");
    // Device fonts: 68-byte records, id 0xFFFF unused.
    const uint32_t fonts = adoptFontRecords({{12, u"Alpha"}, {0xFFFF, u"Unused"}, {40, u"Beta"}});
    set(kItRdmDeviceFont, fonts);
    set(kItRdmDeviceFontNum, 3);
    EXPECT_EQ(trailer(), "@PJL SET DEVFONTID = \"12+Alpha/40+Beta\" \r\n");
    // Records, none in use: no line (no open quote).
    auto* records = static_cast<BYTE*>(FontTableData(fonts));
    records[0] = records[1] = records[136] = records[137] = 0xFF;
    EXPECT_EQ(trailer(), "");
    set(kItRdmDeviceFontNum, 0);
    EXPECT_EQ(trailer(), "");

    // The substitution table after the FontTbl value that has one.
    set(kItRdmFontTable, adoptFontPairs({{u"Arial", u"Vesk Sans"}, {u"Courier", u"Vesk Mono"}}));
    set(kItRdmFontTableNum, 2);
    EXPECT_TRUE(has(job(), "TTFONT=SUBSTITUTE\r\n@PJL SET SUBFONTTABLE = \"Arial+Vesk Sans/Courier+Vesk Mono\" \r\n"));
    set(kItRdmTTFont, 2);  // DOWNLOAD has no table
    EXPECT_FALSE(has(job(), "SUBFONTTABLE"));
    set(kItRdmTTFont, 1);
    set(kItRdmFontTableNum, 0);
    EXPECT_FALSE(has(job(), "SUBFONTTABLE"));
}

TEST_F(Header, AMissingItemOrCommandRecordFailsTheBlock) {
    HANDLE h = nullptr;
    DrvContext* broken = contextFor(u"Broken", "HDRTEST2.VMD", kBrokenModel, &h);
    ASSERT_NE(broken, nullptr);
    int result = 0;
    render(JobHeaderBuilder, broken, &result);
    EXPECT_EQ(result, -1);
    render(PageHeaderBuilder, broken, &result);
    EXPECT_EQ(result, -1);
    // No PageEnd group: an empty trailer.
    EXPECT_EQ(render(PageTrailerBuilder, broken, &result), "");
    EXPECT_EQ(result, 0);
}
