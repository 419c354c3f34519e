// The Exc getters: the buffer protocol, the lists a command takes, printer
// options and values, trials that leave everything as it was, stamps as
// PJL lines, the ANSI DEVMODE and the INI path.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "commands/command_base.h"
#include "commands/driver_files.h"
#include "core/devmode_sizes.h"
#include "core/persist/opt_persist.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "exc/exc_command_support.h"

namespace vesk::test {
namespace {

class ExcGetters : public ExcSession {
protected:
    // Size 0, one byte short and exact: 1, 1 with nothing copied, 0.
    template <class F>
    void expectProtocol(const char* what, F f) {
        SCOPED_TRACE(what);
        int32_t need = -1;
        ASSERT_EQ(f(0, nullptr, &need), 1);
        ASSERT_GT(need, 1);
        std::vector<char> b(static_cast<size_t>(need), 'x');
        int32_t again = -1;
        EXPECT_EQ(f(need - 1, b.data(), &again), 1);
        EXPECT_EQ(again, need);
        EXPECT_EQ(std::string(b.data(), b.size()), std::string(b.size(), 'x'));
        EXPECT_EQ(f(need, b.data(), &again), 0);
        EXPECT_EQ(b.back(), '\0');
    }
    std::string option(const char* cmd) {
        return entries([&](int32_t s, char* b, int32_t* n) { return ExcGetPrinterOption(h_, cmd, s, b, n); });
    }
    std::string value(const char* cmd) {
        return fetch([&](int32_t s, char* b, int32_t* n) { return ExcGetPrinterValue(h_, cmd, s, b, n); });
    }
    std::string marks(int32_t selector) {
        return entries([&](int32_t s, char* b, int32_t* n) { return ExcGetWaterMarkList(h_, selector, s, b, n); });
    }
    // A text stamp saved as entry `i` of the printer's list.
    void saveStamp(uint32_t i, const char16_t* chars, uint32_t page) {
        DrvContext* c = e()->ctx;
        ASSERT_EQ(EnsureParentDir(GetIniFilePath(c)), 1);
        ItemSetString(c, ItemFindById(c, kItWdmWmChar), chars);
        ItemSetRawById(c, kItRdmWmKind, 1);
        ItemSetRawById(c, kItRdmWmPage, page);
        ItemSetRawById(c, kItRdmWmStartPage, 2);
        ItemSetRawById(c, kItRdmWmEndPage, 5);
        ASSERT_EQ(SaveStampByIndex(c, i), 1);
    }
    // The handle's state a trial must leave as it was.
    std::vector<BYTE> state() {
        const DmSizes& s = dmSizes();
        std::vector<BYTE> v(e()->ctx->devmode, e()->ctx->devmode + s.totalSize);
        v.insert(v.end(), e()->ctx->devmode + dmSectionBase(s, 3), e()->ctx->devmode + s.stateSize);
        v.insert(v.end(), e()->given, e()->given + e()->count);
        const auto* values = reinterpret_cast<const BYTE*>(e()->values);
        v.insert(v.end(), values, values + sizeof(uint32_t) * static_cast<size_t>(e()->count));
        return v;
    }
};

TEST_F(ExcGetters, EveryGetterFollowsTheBufferProtocol) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("STAPLE", "OFF")).c_str(), nullptr), 0);
    ItemSetRawById(e()->ctx, 604, 9);
    saveStamp(0, u"DRAFT", 0);
    expectProtocol("base", [&](int32_t s, char* b, int32_t* n) { return ExcGetCommandBase(h_, s, b, n); });
    expectProtocol("values", [&](int32_t s, char* b, int32_t* n) { return ExcGetCommandValue(h_, "TRAY", 0, s, b, n); });
    expectProtocol("enabled", [&](int32_t s, char* b, int32_t* n) { return ExcGetCommandValue(h_, "TRAY", 1, s, b, n); });
    expectProtocol("option", [&](int32_t s, char* b, int32_t* n) { return ExcGetPrinterOption(h_, "OUTBIN", s, b, n); });
    expectProtocol("value", [&](int32_t s, char* b, int32_t* n) { return ExcGetPrinterValue(h_, "TRAYPAPER1", s, b, n); });
    expectProtocol("marks", [&](int32_t s, char* b, int32_t* n) { return ExcGetWaterMarkList(h_, 0, s, b, n); });
    expectProtocol("ini", [&](int32_t s, char* b, int32_t* n) { return ExcGetIniFileName("Office [2]", s, b, n); });
    ASSERT_EQ(ExcUpdateCommand(h_, "@PJL SET STAPLE = LEFTTOP\r\n", nullptr), 1);
    expectProtocol("change", [&](int32_t s, char* b, int32_t* n) { return ExcGetCommandChange(h_, s, b, n); });
    EXPECT_EQ(e()->change, nullptr);

    int32_t need = 0;
    char b[8];
    EXPECT_EQ(ExcGetCommandBase(nullptr, 8, b, &need), -1);
    EXPECT_EQ(ExcGetCommandValue(nullptr, "TRAY", 0, 8, b, &need), -1);
    EXPECT_EQ(ExcGetPrinterOption(nullptr, "TRAY", 8, b, &need), -1);
    EXPECT_EQ(ExcGetPrinterValue(nullptr, "TRAY", 8, b, &need), -1);
    EXPECT_EQ(ExcGetWaterMarkList(nullptr, 0, 8, b, &need), -1);
    EXPECT_EQ(ExcGetWaterMarkList(h_, 2, 8, b, &need), -1);
    EXPECT_EQ(ExcGetIniFileName("No such printer", 8, b, &need), -1);
    // Unknown commands give an empty answer.
    EXPECT_EQ(ExcGetCommandValue(h_, "NOSUCH", 0, 8, b, &need), 0);
    EXPECT_EQ(need, 0);
    EXPECT_EQ(ExcGetPrinterValue(h_, "TRAY", 8, b, &need), 0);
    EXPECT_EQ(need, 0);
}

TEST_F(ExcGetters, CommandValuesFollowTheInstalledOptionsAndTheSettings) {
    DrvContext* c = e()->ctx;
    EXPECT_EQ(values("TRAY"), "ALL,TRAY1,TRAY2");
    ItemSetRawById(c, kItRdmInOptionSupportBank, 1);
    EXPECT_EQ(values("TRAY"), "ALL,TRAY1,TRAY2,TRAY3,TRAY4");
    // Not given yet: nothing is enabled.
    EXPECT_EQ(values("TRAY", 1), "");
    ASSERT_EQ(ExcSetCommandBase(h_, base().c_str(), nullptr), 0);
    // The model puts the paper bank's trays back to automatic while its
    // paper-bank option is off: the other trays are kept.
    EXPECT_EQ(values("TRAY", 1), "ALL,TRAY1,TRAY2");
    const std::string paper = values("PAPER");
    EXPECT_EQ(paper, "SAME,A3,A4,A5,A6,JPOST,JISB4,JISB5,JISB6,LETTER,LEGAL,HALFLETTER,LEDGER,CUSTOM");
    EXPECT_EQ(values("APLPAGESIZE").find("NONE"), std::string::npos);
    EXPECT_EQ(values("COPIES"), "1,999,0");
    EXPECT_EQ(values("PAPERSCALEH"), "25,400,0");
    EXPECT_EQ(values("PAPERSCALEH", 1), "") << "listed only while the scale is given";
    EXPECT_EQ(values("USERCODE"), "");
    EXPECT_EQ(values("FORCEFEED"), "SEF,LEF,ALL");
    EXPECT_EQ(values("FORCEFEED", 1), "") << "neither stapling nor punching given";
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("STAPLE", "OFF")).c_str(), nullptr), 0);
    EXPECT_EQ(values("FORCEFEED", 1), "ALL");
}

TEST_F(ExcGetters, TrialsLeaveTheDevmodeFlagsAndValuesAsTheyWere) {
    ASSERT_EQ(ExcSetCommandBase(h_, base(line("STAPLE", "OFF") + line("DUPLEX", "ON") + line("COLLATE", "SORT") +
                                         line("BINDING", "LEFT") + line("BOOKLET", "OFF") + line("NUP", "OFF"))
                                    .c_str(),
                                nullptr),
              0);
    ItemSetRawById(e()->ctx, 449, 1);
    const std::vector<BYTE> before = state();
    for (const char* cmd : {"TRAY", "STAPLE", "DUPLEX", "COLLATE", "BINDING", "BOOKLET", "NUP", "PAPER", "COPIES"})
        values(cmd, 1);
    EXPECT_TRUE(state() == before);
    saveStamp(0, u"DRAFT", 1);
    const std::vector<BYTE> beforeMarks = state();
    EXPECT_NE(marks(0), "");
    EXPECT_TRUE(state() == beforeMarks);
}

TEST_F(ExcGetters, PrinterOptionsAndValuesAsTheyAreNow) {
    DrvContext* c = e()->ctx;
    EXPECT_EQ(option("OUTBIN"), "UPPER");
    ItemSetRawById(c, 485, 1);
    ItemSetRawById(c, 489, 1);
    ItemSetRawById(c, 490, 1);
    EXPECT_EQ(option("OUTBIN"), "UPPER,INNER,FINISHERSHIFT,FINISHERPROOF") << "each word once";
    EXPECT_EQ(option("TRAYPAPER1"), "");
    ItemSetRawById(c, 604, 9);
    EXPECT_EQ(value("TRAYPAPER1"), "A4");
    ItemSetRawById(c, 604, 4711);
    EXPECT_EQ(value("TRAYPAPER1"), "");
    EXPECT_EQ(value("MEMORYSIZE"), "512");
    EXPECT_EQ(value("USERCODE"), "");
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"4711");
    EXPECT_EQ(value("USERCODE"), "\"4711\"");
}

TEST_F(ExcGetters, StampsAreWrittenAsLinesAndThePageRangeOnlyWhenOn) {
    saveStamp(0, u"DRAFT", 0);
    saveStamp(1, u"COPY", 1);
    const std::string list = fetch([&](int32_t s, char* b, int32_t* n) { return ExcGetWaterMarkList(h_, 0, s, b, n); });
    const std::string first = "@PJL SET WMKCHAR = \"DRAFT\"\r\n@PJL SET WMKPAGE = OFF\r\n@PJL SET WMKORDER = PAPER \r\n"
                              "@PJL SET WMKOPAQUE = OFF\r\n@PJL SET WMKDENSITY = 50\r\n";
    const std::string second = "@PJL SET WMKCHAR = \"COPY\"\r\n@PJL SET WMKPAGE = ON\r\n@PJL SET WMKSTARTPAGE = 2\r\n"
                               "@PJL SET WMKENDPAGE = 5\r\n@PJL SET WMKORDER = PAPER \r\n@PJL SET WMKOPAQUE = OFF\r\n"
                               "@PJL SET WMKDENSITY = 50\r\n";
    EXPECT_EQ(list, first + std::string(1, '\0') + second + std::string(1, '\0'));
    EXPECT_EQ(marks(1), "") << "no image stamps";
}

TEST_F(ExcGetters, TheDriverDevmodeInTheAnsiLayout) {
    int32_t need = 0;
    std::vector<BYTE> b(2000);
    EXPECT_EQ(ExcGetDriverDevmode("Office [2]", 1, 0, nullptr, &need), 1);
    EXPECT_EQ(need, 1196);
    EXPECT_EQ(ExcGetDriverDevmode("Office [2]", 2, 1195, b.data(), &need), 1) << "the size is checked first";
    EXPECT_EQ(ExcGetDriverDevmode("Office [2]", 2, 1196, b.data(), &need), -1);
    EXPECT_EQ(need, 1196);

    // The conversion the call hands out through.
    const BYTE* wide = e()->ctx->devmode;
    const std::string name(40, 'N');
    ASSERT_EQ(ExcDevmodeToAnsi(wide, 1260, name.c_str(), b.data(), 1195), 0u);
    ASSERT_EQ(ExcDevmodeToAnsi(wide, 1260, name.c_str(), b.data(), 1196), 1196u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data())), std::string(31, 'N'));
    EXPECT_EQ(b[36] | b[37] << 8, 156);
    EXPECT_EQ(std::memcmp(b.data() + 32, wide + 64, 4), 0);
    EXPECT_EQ(std::memcmp(b.data() + 38, wide + 70, 32), 0);
    EXPECT_EQ(std::memcmp(b.data() + 102, wide + 166, 1094), 0);
    WCHAR form[33] = {};
    std::memcpy(form, wide + 102, 64);
    std::string ansiForm;
    for (int i = 0; form[i]; ++i) ansiForm += static_cast<char>(form[i]);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data() + 70)), ansiForm.substr(0, 31));
}

}  // namespace
}  // namespace vesk::test
