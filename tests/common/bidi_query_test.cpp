// The device query through the stand-in monitor library: what the answers
// set, the gates, the faults of the library and of its answers, and that a
// failing step leaves the device section as it was.
#include <gtest/gtest.h>

#include <winsim/spooler.h>

#include "common/bidi_support.h"
#include "core/bidi/bidi.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

using BidiQuery = BidiPrinter;

uint32_t raw(DrvContext* c, int id) { return ItemRawById(c, id); }

TEST_F(BidiQuery, FullQueryStoresTraysOptionsMemoryAndVersions) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(BidiGetDeviceInfoQuiet(c), 1);
    // Installed trays: 3 -> tray 1, 4 -> tray 2, 5 and 6 -> the bank, 1 -> bypass.
    for (int id : {10111, 10112, 10113, 10114, 10138}) EXPECT_EQ(raw(c, id), 1u) << id;
    EXPECT_EQ(raw(c, 10136), 0u);
    EXPECT_EQ(raw(c, 10175), 9u);  // A4
    EXPECT_EQ(raw(c, 10176), 8u);  // A3
    EXPECT_EQ(raw(c, 10177), 9u) << "0x08 is A4 in the second map";
    EXPECT_EQ(raw(c, 10145), 1u) << "the second map gives orientation 1";
    EXPECT_EQ(raw(c, 10143), 0u);
    EXPECT_EQ(raw(c, 10202), 0u) << "device paper 0x01 is no paper";
    EXPECT_EQ(raw(c, 10208), 2u);
    EXPECT_EQ(raw(c, 10234), 257u);
    EXPECT_EQ(raw(c, 10242), 1u) << "bank tray 4 is locked";
    EXPECT_EQ(raw(c, 10239), 0u);
    for (int id : {10014, 10020, 10061, 10070}) EXPECT_EQ(raw(c, id), 1u) << id;
    EXPECT_EQ(raw(c, 10018), 0u);
    EXPECT_EQ(raw(c, kItRdmPrinterMemory), 512u);
    EXPECT_EQ(raw(c, kItRdmMemoryType), 1u);
    EXPECT_EQ(text(c, kItRdmSystemVersion), "V1.20.03");
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "PDL 2.01");
    EXPECT_EQ(text(c, kItRdmOther), "Finisher FN-2");
    EXPECT_EQ(raw(c, kItRdmCoverDefTray), 3u) << "tray value 4 stands before 5";
    EXPECT_EQ(raw(c, kItRdmMPDefTray), 4u) << "one candidate: its own code";
    EXPECT_EQ(DmGetFlagE(c), 1);
    // Printer data has the flag and the device items; the settings file
    // section is gone, since printer data could be written.
    auto flag = winsim::printerData(name_, u"BidiFlag");
    ASSERT_TRUE(flag);
    EXPECT_EQ(flag->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    auto bank = winsim::printerData(name_, u"BankTray");
    ASSERT_TRUE(bank);
    EXPECT_EQ(bank->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(BidiIniHasFlag(c), 0);
}

TEST_F(BidiQuery, QueryGateAbsentAllowsAndZeroRefuses) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BidiGateOn(c, kBidiGateQuery), 1) << "absent key reads 1";
    gate(kBidiGateQuery, u"0", c);
    DmPutFlagE(c, 1);
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 1);
    EXPECT_EQ(DmGetFlagE(c), 0);
    EXPECT_EQ(winsim::journalCount("BidiOpen"), 0u);
    EXPECT_EQ(BidiQueryDeviceStatus(c, nullptr), 1);
    EXPECT_EQ(BidiRefreshOnOpen(c, nullptr), 1);
    EXPECT_EQ(winsim::journalCount("BidiOpen"), 0u) << "nothing is asked with the gate off";
    gate(kBidiGateQuery, u"2", c);
    EXPECT_EQ(BidiGateOn(c, kBidiGateQuery), 0) << "only 1 counts as on";
}

TEST_F(BidiQuery, CoverAndMarkCandidatesFollowTheTrayPriority) {
    struct Case {
        const char* trays;
        uint32_t cover;
        uint32_t mark;
    } cases[] = {
        // Values 4 and 3 both cover candidates: 3 stands first (code 1).
        {"tray = 4 0 1 4\ntray = 3 0 1 4\n", 1, 0},
        // A single candidate keeps its own code, even one the priority lacks.
        {"tray = 12 0 1 8\ntray = 3 0 1 0\n", 0, 5},
        // No candidate's value is listed: counts as tray value 3.
        {"tray = 99 0 1 4\ntray = 98 0 1 4\n", 1, 0},
        // Both bits on one tray, mark from the later of two by priority (2 before 1).
        {"tray = 1 0 1 12\ntray = 2 0 1 8\n", 4, 4},
    };
    for (const Case& k : cases) {
        device(std::string("model = VESK MFP1 Colour\n") + k.trays +
               "option = 1\nmemory = 0\nversion.system = V\n");
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        ItemSetRawById(c, kItRdmCoverDefTray, 0);
        ItemSetRawById(c, kItRdmMPDefTray, 0);
        ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1) << k.trays;
        EXPECT_EQ(raw(c, kItRdmCoverDefTray), k.cover) << k.trays;
        EXPECT_EQ(raw(c, kItRdmMPDefTray), k.mark) << k.trays;
    }
}

TEST_F(BidiQuery, BatchInstallBundleLeavesCoverAndMarkTrays) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    WCHAR ini[kWsPathChars] = {};
    ASSERT_TRUE(GetIniFilePathEx(ini, 0));
    ASSERT_TRUE(IniWriteString(name_.c_str(), u"BatchInstRst", u"C:\\b.rst", ini));
    ItemSetRawById(c, kItRdmCoverDefTray, 0);
    ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(raw(c, kItRdmCoverDefTray), 0u);
    EXPECT_EQ(raw(c, 10112), 1u) << "the rest of the walk still runs";
}

TEST_F(BidiQuery, MemoryAnswersAndMemoryKind) {
    struct Case {
        const char* lines;
        uint32_t memory;
        uint32_t kind;
    } cases[] = {
        {"memory = 0x100000\nmemory.bytes = 3\n", 77, 1},  // 3 bytes: unchanged
        {"memory = 0x100000\nmemory.kind = 2\n", 1024, 0},
        {"memory = 0x100000\nmemory.kind = 7\n", 1024, 1},
        {"memory = 0x100000\n", 1024, 1},  // no kind answer
    };
    for (const Case& k : cases) {
        device(std::string("model = VESK MFP1 Colour\ntray = 3 0 1 0\noption = 1\nversion.system = V\n") + k.lines);
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        ItemSetRawById(c, kItRdmPrinterMemory, 77);
        ItemSetRawById(c, kItRdmMemoryType, 9);
        ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1) << k.lines;
        EXPECT_EQ(raw(c, kItRdmPrinterMemory), k.memory) << k.lines;
        EXPECT_EQ(raw(c, kItRdmMemoryType), k.kind) << k.lines;
    }
}

TEST_F(BidiQuery, ShorterTrayAnswersCountAsMissing) {
    device("model = VESK MFP1 Colour\n"
           "answer.1 = 3 4 5\nanswer.20 = 0x09\nanswer.21 = 3 3\nanswer.23 = 1\n"
           "option = 1\nmemory = 0\nversion.system = V\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    for (int id : {10240, 10241}) ItemSetRawById(c, id, 1);
    ItemSetRawById(c, 10177, 5);
    ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(raw(c, 10113), 1u) << "the third tray is still installed";
    EXPECT_EQ(raw(c, 10175), 9u);
    EXPECT_EQ(raw(c, 10176), 0u) << "no paper answer: no paper";
    EXPECT_EQ(raw(c, 10177), 0u);
    EXPECT_EQ(raw(c, 10208), 2u);
    EXPECT_EQ(raw(c, 10209), 1u) << "no media answer: media 1";
    EXPECT_EQ(raw(c, 10239), 1u);
    EXPECT_EQ(raw(c, 10240), 0u) << "no status answer: unlocked";
    EXPECT_EQ(raw(c, 10241), 0u);
}

TEST_F(BidiQuery, EmptyTrayAnswerEndsTheWalkWithSuccess) {
    device("model = VESK MFP1 Colour\nanswer.1 = 3 4\noption = 1\nmemory = 0\nversion.system = V\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(raw(c, 10111), 0u) << "kinds 20, 21 and 23 answered nothing";
    EXPECT_EQ(raw(c, 10014), 1u);
}

TEST_F(BidiQuery, EveryFailingStepRestoresTheDeviceSection) {
    const char* faults[] = {"fail = query 1 31",  "fail = query 20 31", "fail = query 21 31 data",
                            "fail = query 23 31", "fail = query 2 31",  "fail = query 11 31",
                            "fail = query 8 31 size"};
    for (const char* f : faults) {
        device(kTestDevice + f + "\n");
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        // Values the query would change, so a partial answer would show.
        for (int id : {10111, 10136, 10018}) ItemSetRawById(c, id, 1);
        ItemSetRawById(c, 10175, 13);
        ItemSetRawById(c, kItRdmPrinterMemory, 5);
        const std::vector<BYTE> before = section2(c);
        EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 0) << f;
        EXPECT_EQ(section2(c), before) << f;
        ItemSetString(c, ItemFindById(c, kItRdmSystemVersion), u"old");
        DmPutFlagE(c, 1);
        EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 0) << f;
        EXPECT_EQ(DmGetFlagE(c), 0) << f;
        EXPECT_EQ(text(c, kItRdmSystemVersion), "") << "a failed query empties the versions";
        EXPECT_FALSE(winsim::printerData(name_, u"BidiFlag")) << f;
    }
}

TEST_F(BidiQuery, GroupAnswersAreNotRequired) {
    device(kTestDevice + "fail = groupquery 259 31\nfail = group 31\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmMemoryType, 0);
    EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(raw(c, kItRdmMemoryType), 0u) << "without the group nothing of it is stored";
    EXPECT_EQ(raw(c, 10014), 1u);
}

TEST_F(BidiQuery, LastError102LetsRequestAndGroupGoOn) {
    device(kTestDevice + "fail = request 102\nfail = group 102\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "PDL 2.01");
    device(kTestDevice + "fail = request 31\n");
    EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 0);
}

TEST_F(BidiQuery, GroupSizeCallRefusedWithASizeStillCounts) {
    device(kTestDevice + "fail = groupquery 2 5 size\nfail = groupquery 259 31 size\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetString(c, ItemFindById(c, kItRdmOther), u"kept");
    ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "PDL 2.01") << "last error 5 with a size";
    EXPECT_EQ(text(c, kItRdmOther), "kept") << "another error fails the subkind";
}

TEST_F(BidiQuery, ModelNameGate) {
    device("model = Another Model\n" + kTestDevice.substr(kTestDevice.find('\n') + 1));
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 0) << "the device is another model";
    EXPECT_EQ(DmGetFlagE(c), 0);
    gate(kBidiGateModel, u"0", c);
    EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 1);
    device("version.system = V\n");
    EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 0) << "a device without model name";
}

TEST_F(BidiQuery, LongBlobsAreCutToTheItem) {
    device(kTestDevice + "version.system = ABCDEFGHIJKLMNOPQRSTUVWXYZ\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 1);
    EXPECT_EQ(text(c, kItRdmSystemVersion), "ABCDEFGHIJKLMNO") << "16 bytes with the terminator";
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "PDL 2.01") << "the next item is untouched";
}

TEST_F(BidiQuery, AnswersBeyondTheBoundAreRefused) {
    std::string many = "answer.2 =";
    for (int i = 0; i < 16385; ++i) many += " 1";
    device(kTestDevice + many + "\n");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const std::vector<BYTE> before = section2(c);
    EXPECT_EQ(BidiQueryCore(c, 1, kBidiQuiet), 0) << "64 KiB and 4 bytes of options";
    EXPECT_EQ(section2(c), before);
}

TEST_F(BidiQuery, EveryOpenIsClosedOnceAndTheLibraryFreed) {
    const std::string devices[] = {kTestDevice, "ok = 0\n" + kTestDevice, "reachable = 0\n",
                                   kTestDevice + "fail = query 2 31\n", "model = Other\n"};
    for (const std::string& d : devices) {
        device(d);
        DrvContext* c = open();
        ASSERT_NE(c, nullptr);
        winsim::journalEnable(true);
        winsim::journalClear();
        BidiGetDeviceInfoQuiet(c);
        BidiQueryDeviceStatus(c, nullptr);
        BidiMonitorIsAvailable(c, 0);
        winsim::journalEnable(false);
        const size_t opened = d == "reachable = 0\n" ? 0 : winsim::journalCount("BidiOpen");
        EXPECT_GT(winsim::journalCount("BidiOpen"), 0u) << d;
        EXPECT_EQ(winsim::journalCount("BidiClose"), opened) << d;
        EXPECT_EQ(winsim::journalCount("BidiCloseUnknown"), 0u) << d;
        EXPECT_FALSE(monitorLoaded()) << d;
    }
}

TEST_F(BidiQuery, LibraryOnlyFromTheSystemDirectory) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // A copy beside the application (or the driver) must not be taken.
    ASSERT_TRUE(DeleteFileW((kSystemDir + u"kw4manNT.dll").c_str()));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\app", nullptr));
    ASSERT_TRUE(winsim::installModule(u"C:\\app\\kw4manNT.dll", KW4MANNT_PATH));
    winsim::setProgramPath(u"C:\\app\\app.exe");
    ASSERT_TRUE(winsim::installModule(kDriverDir + u"kw4manNT.dll", KW4MANNT_PATH));
    EXPECT_EQ(BidiMonitorIsAvailable(c, 0), 0);
    EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 0);
    EXPECT_FALSE(monitorLoaded());
}

TEST_F(BidiQuery, NineXNameOnlyWithFlag8OnNineX) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(winsim::installModule(kSystemDir + u"kwoman32.dll", KW4MANNT_PATH));
    winsim::setModuleMissing(u"kw4manNT.dll", true);
    EXPECT_EQ(BidiMonitorIsAvailable(c, kBidi9xName), 0) << "an NT machine takes kw4manNT.dll";
    winsim::config().osPlatform = 1;
    winsim::config().osMajor = 4;
    winsim::config().osMinor = 10;
    EXPECT_EQ(BidiMonitorIsAvailable(c, kBidi9xName), 1);
    EXPECT_EQ(BidiMonitorIsAvailable(c, 0), 0);
    winsim::resetModuleKnobs();
}

TEST_F(BidiQuery, StatusQueryVersionsOnlyAndFailureEmptiesThem) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    DmPutFlagE(c, 1);
    ItemSetRawById(c, 10111, 0);  // the sample model's default fits tray 1
    ASSERT_EQ(BidiQueryDeviceStatus(c, nullptr), 1);
    EXPECT_EQ(text(c, kItRdmSystemVersion), "V1.20.03");
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "PDL 2.01");
    EXPECT_EQ(raw(c, 10111), 0u) << "no trays asked";
    EXPECT_FALSE(winsim::printerData(name_, u"BidiFlag")) << "no flag written";
    device(kTestDevice + "fail = query 8 31\n");
    DmPutFlagE(c, 0);
    EXPECT_EQ(BidiQueryDeviceStatus(c, nullptr), 0);
    EXPECT_EQ(text(c, kItRdmSystemVersion), "");
    EXPECT_EQ(text(c, kItRdmEmulationVersion), "");
    EXPECT_EQ(DmGetFlagE(c), 0) << "the state byte is left alone";
    EXPECT_FALSE(winsim::printerData(name_, u"BidiFlag"));
}

TEST_F(BidiQuery, SpoolerBidiAttributeIsNeeded) {
    PRINTER_INFO_2W* info = nullptr;
    DWORD needed = 0;
    GetPrinterW(printer_, 2, nullptr, 0, &needed);
    std::vector<BYTE> block(needed);
    ASSERT_TRUE(GetPrinterW(printer_, 2, block.data(), needed, &needed));
    info = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
    info->Attributes &= ~PRINTER_ATTRIBUTE_ENABLE_BIDI;
    info->pSecurityDescriptor = nullptr;
    ASSERT_TRUE(SetPrinterW(printer_, 2, block.data(), 0));
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, 10111, 0);  // the sample model's default fits tray 1
    EXPECT_EQ(BidiGetDeviceInfoQuiet(c), 0);
    EXPECT_EQ(raw(c, 10111), 0u);
}

}  // namespace
