// The remote-configuration bridge's download against the stand-in bridge
// and a print server machine: when the bridge is used at all, the calls and
// paths of a download, what lands locally, and the failures that must leave
// no flag behind.
#include <gtest/gtest.h>

#include <winsim/spooler.h>

#include <algorithm>

#include "common/bridge_support.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class BridgeDownload : public BridgeMachine {
protected:
    void SetUp() override {
        BridgeMachine::SetUp();
        write(kDriverDir + u"veskui.dll", "interface library");
    }
    bool has(const std::vector<std::string>& calls, const std::string& line) {
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }
    bool hasPrefix(const std::vector<std::string>& calls, const std::string& head) {
        return std::any_of(calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(head, 0) == 0; });
    }
};

}  // namespace

TEST_F(BridgeDownload, TheBridgeIsNotEvenLoadedWhereItCannotServe) {
    DrvContext* c = full();
    setAnswer("0");
    EXPECT_EQ(SrvCfgGetState(c), 0) << "not a terminal server";
    setAnswer("1");
    setRegFlag(u"QMBIDI_FLG", 0);
    EXPECT_EQ(SrvCfgGetState(c), 0) << "flag 0";
    setRegFlag(u"QMBIDI_FLG", 1);
    std::filesystem::remove(*winsim::hostPath(kSystemDir + u"QMBIDISS.dll"));
    EXPECT_EQ(SrvCfgGetState(c), 0) << "library missing";
    EXPECT_EQ(SrvCfgConnect(c), 0);
    EXPECT_TRUE(bridgeCalls().empty());
    for (const auto& m : winsim::loadedModules()) EXPECT_EQ(m.path.find(u"QMBIDISS"), std::u16string::npos);
}

TEST_F(BridgeDownload, AMissingEntryFailsBeforeAnyServerCall) {
    DrvContext* c = full();
    winsim::hideExport(u"QMBIDISS.dll", "QMSaveDevmodeClear");
    EXPECT_EQ(SrvCfgConnect(c), 0);
    EXPECT_TRUE(bridgeCalls().empty());
    EXPECT_EQ(flag(kKorvanConnection), 0xFFFFFFFFu);
    for (const auto& m : winsim::loadedModules()) EXPECT_EQ(m.path.find(u"QMBIDISS"), std::u16string::npos);
    // The machine's own way of leaving an entry out.
    winsim::resetModuleKnobs();
    winsim::config().set("qmbidiss.missing", "QMRegFileGetData");
    EXPECT_EQ(SrvCfgConnect(c), 0);
    EXPECT_TRUE(bridgeCalls().empty());
    winsim::resetModuleKnobs();
    winsim::config().set("qmbidiss.missing", "");
    EXPECT_EQ(SrvCfgConnect(c), 1);
}

TEST_F(BridgeDownload, TypeNineteenOnlyClearsAndOtherTypesAskNothingMore) {
    DrvContext* c = full();
    serve("19");
    EXPECT_EQ(SrvCfgConnect(c), 0);

    EXPECT_EQ(bridgeCalls(), (std::vector<std::string>{"QMGetServerType Office [2]", "QMSaveInformationClear Office [2] 17"}));
    EXPECT_EQ(flag(kKorvanConnection), 0xFFFFFFFFu);

    winsim::journalClear();
    serve("5");
    EXPECT_EQ(SrvCfgConnect(c), 0);
    EXPECT_EQ(bridgeCalls(), std::vector<std::string>{"QMGetServerType Office [2]"}) << "an unserved type stops at once";
    EXPECT_EQ(SrvCfgClearSaveInfo(c), 0);
    serve("18");
    EXPECT_EQ(SrvCfgClearSaveInfo(c), 1);
}

TEST_F(BridgeDownload, ATypeSeventeenDownloadCopiesTheServersFilesAndSettings) {
    DrvContext* c = full();
    // The server's device settings: the memory size as the driver keeps it,
    // the memory type with a size the driver does not expect.
    ItemSetRawById(c, kItRdmPrinterMemory, 3);
    OptSaveClass(printer_, c, 2, kOptSaveAll);
    auto ram = winsim::printerData(name_, u"RAM");
    ASSERT_TRUE(ram);
    std::vector<uint8_t> serverRam(ram->data.size(), 0);
    serverRam[0] = 96;
    serverData(u"RAM", serverRam);
    serverData(u"RAMType", std::vector<uint8_t>(ram->data.size() + 3, 1));
    const auto localType = winsim::printerData(name_, u"RAMType");

    ASSERT_EQ(SrvCfgConnect(c), 1);
    const auto calls = bridgeCalls();
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0], "QMGetServerType Office [2]");
    EXPECT_EQ(calls[1], "QMSaveInformationClear Office [2] 17");
    EXPECT_EQ(calls[2], "QMPrintConfigConnectEx 17 PRINTSRV");
    EXPECT_EQ(calls[3], "QMClientOSType 17");
    EXPECT_EQ(calls[4], "QMRegFileGetSize %SystemDrive%\\_vesk\\KW00C171.ini 1 (null)");
    EXPECT_TRUE(hasPrefix(calls, "QMGetDataFile %SystemDrive%\\_vesk\\KW12D170.ini -> %SystemDrive%\\_vesk\\Office [2]\\KW12D170.ini "));
    EXPECT_TRUE(has(calls, "QMGetDataFile C:\\_vesk\\user0000.rst -> %SystemDrive%\\_vesk\\Office [2]\\user0000.rst 28"));
    EXPECT_EQ(calls[calls.size() - 2], "QMPrintConfigDisConnect 17");
    EXPECT_EQ(calls.back(), "QMSetDevmode 17 Office [2] " + winsim::toUtf8(kDriverDir) + "veskui.DLL DrvConvertDevMode");
    EXPECT_EQ(calls.end() - std::find(calls.begin(), calls.end(), "QMPrintConfigDisConnect 17"), 2)
        << "the DEVMODE is set after the connection is closed";

    EXPECT_EQ(read(std::u16string(kCopy) + u"user0000.rst"), "[Central]\r\nrdmMarginOdd=77\r\n");
    EXPECT_NE(read(std::u16string(kCopy) + u"KW00C171.ini"), "(missing)");
    EXPECT_EQ(IniGetInt(u"korvan", u"KorvanFlg", 0, (std::u16string(kCopy) + u"KW12D170.ini").c_str()), 1u);
    EXPECT_EQ(winsim::printerData(name_, u"RAM")->data, serverRam);
    EXPECT_EQ(ItemRawById(c, kItRdmPrinterMemory), 96u);
    EXPECT_EQ(winsim::printerData(name_, u"RAMType")->data, localType->data) << "a value of another size is not taken";
    EXPECT_EQ(flag(u"PresetRefresh"), 1u);
    EXPECT_EQ(IniGetInt(name_.c_str(), u"PresetRefresh", 0, GetIniFilePath(c)), 1u);
    EXPECT_EQ(flag(kKorvanConnection), 1u);
    EXPECT_EQ(flag(kKorvanIni), 1u);

    winsim::journalClear();
    EXPECT_EQ(SrvCfgGetState(c), 1);
    EXPECT_EQ(SrvCfgConnect(c), 1);
    EXPECT_TRUE(bridgeCalls().empty()) << "a connected printer is never downloaded again";
}

TEST_F(BridgeDownload, AnOlderServerKeepsItsFilesInItsWindowsFolder) {
    makeServer(4, 1);
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    const auto calls = bridgeCalls();
    EXPECT_EQ(calls[4], "QMRegFileGetSize %SystemRoot%\\KW00C171.ini 1 (null)");
    EXPECT_TRUE(has(calls, "QMRegFileGetSize %SystemRoot%\\KW12D170.ini 1 (null)"));
}

TEST_F(BridgeDownload, AFailingStepWritesNoFlag) {
    DrvContext* c = full();
    for (const char* entry : {"QMPrintConfigDisConnect", "QMSetDevmode", "QMClientOSType", "QMGetDataFile"}) {
        winsim::config().set(std::string("qmbidiss.result.") + entry, "5");
        EXPECT_EQ(SrvCfgConnect(c), 0) << entry;
        EXPECT_EQ(flag(kKorvanConnection), 0xFFFFFFFFu) << entry;
        EXPECT_EQ(flag(kKorvanIni), 0xFFFFFFFFu) << entry;
        EXPECT_EQ(IniGetInt(u"korvan", u"KorvanFlg", 0, (std::u16string(kCopy) + u"KW12D170.ini").c_str()), 0u) << entry;
        winsim::config().set(std::string("qmbidiss.result.") + entry, "0");
    }
    EXPECT_EQ(SrvCfgConnect(c), 1);
}

TEST_F(BridgeDownload, EmptyServerFiles) {
    serverFile(u"KW00C171.ini", "");
    serverFile(u"user0000.rst", "");
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    EXPECT_EQ(read(std::u16string(kCopy) + u"KW00C171.ini"), "") << "an empty local copy";
    EXPECT_EQ(read(std::u16string(kCopy) + u"user0000.rst"), "(missing)") << "skipped";
    EXPECT_EQ(callCount("QMGetDataFile"), 1u) << "only the per-printer INI had bytes";
}

TEST_F(BridgeDownload, ServerNamesNeverLeaveTheCopyFolder) {
    std::string ini = "[Central]\r\nCount=20\r\n";
    for (int i = 0; i < 20; ++i) ini += "PresetList" + std::to_string(i) + "=C:\\_vesk\\p" + std::to_string(i) + ".rst\r\n";
    serverFile(u"KW12D170.ini", ini);
    for (int i = 0; i < 20; ++i) serverFile(winsim::fromUtf8("C:\\_vesk\\p" + std::to_string(i) + ".rst"), "x");
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    EXPECT_EQ(callCount("QMGetDataFile"), 2u + 16u) << "the preset count is capped at 16";

    for (const char* bad : {"C:\\_vesk\\..", "C:\\_vesk\\a:b.rst", "C:\\_vesk\\", "..\\..\\evil.rst"}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(winsim::deletePrinterData(name_, kKorvanConnection) == 0);
        serverFile(u"KW12D170.ini", std::string("[Central]\r\nCount=2\r\nPresetList0=") + bad +
                                        "\r\nPresetList1=C:\\_vesk\\p1.rst\r\n");
        serverFile(u"C:\\evil.rst", "x");
        winsim::journalClear();
        ASSERT_EQ(SrvCfgConnect(c), 1);
        const bool evil = std::string(bad).find("evil") != std::string::npos;
        EXPECT_EQ(callCount("QMGetDataFile"), evil ? 3u : 2u) << "a refused name ends the copying";
        EXPECT_EQ(read(u"C:\\evil.rst"), "(missing)");
    }
    // A '/' separates too: the name after it is "..".
    ASSERT_TRUE(winsim::deletePrinterData(name_, kKorvanConnection) == 0);
    serverFile(u"KW12D170.ini", "[Central]\r\nCount=1\r\nPresetList0=C:\\_vesk\\p1.rst/..\r\n");
    winsim::journalClear();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    EXPECT_EQ(callCount("QMGetDataFile"), 2u);
}

TEST_F(BridgeDownload, TheServersDevmodeOnlyForTypeEighteenAndOfTheDriversSize) {
    DrvContext* c = full();
    std::vector<uint8_t> dm(dmSizes().totalSize, 0);
    dm[68] = 220;
    dm[70] = static_cast<uint8_t>((dm.size() - 220) & 0xFF);
    dm[71] = static_cast<uint8_t>((dm.size() - 220) >> 8);
    dm[100] = 0x5A;
    onServer([&] { ASSERT_EQ(winsim::setPrinterDevmode(u"Central", dm), 0u); });
    std::vector<BYTE> out(dmSizes().totalSize, 0);
    uint32_t type = 0;
    EXPECT_EQ(SrvCfgGetServerDevmode(c, out.data(), &type), 0);
    EXPECT_EQ(type, 17u);
    EXPECT_EQ(callCount("QMDevmodeSize"), 0u) << "type 17 is never asked";
    serve("18");
    ASSERT_EQ(SrvCfgGetServerDevmode(c, out.data(), &type), 1);
    EXPECT_EQ(out[100], 0x5A);
    EXPECT_EQ(callCount("QMPrintConfigDisConnect"), 1u);

    std::vector<uint8_t> shorter(dm.begin(), dm.end() - 4);
    shorter[70] = static_cast<uint8_t>((shorter.size() - 220) & 0xFF);
    onServer([&] { ASSERT_EQ(winsim::setPrinterDevmode(u"Central", shorter), 0u); });
    out.assign(out.size(), 0);
    EXPECT_EQ(SrvCfgGetServerDevmode(c, out.data(), &type), 0);
    EXPECT_EQ(out[100], 0) << "a DEVMODE of another size is refused";
    EXPECT_EQ(callCount("QMDevmode"), 1u);
}

TEST_F(BridgeDownload, TheSeamsOfIdentityAndFeatures) {
    DrvContext* c = full();
    EXPECT_EQ(SrvCfgServerType(c, name_.c_str()), 17u);
    uint32_t type = 0;
    EXPECT_EQ(SrvCfgGetServerType(printer_, name_.c_str(), &type), 1);
    EXPECT_EQ(type, 17u);
    // A served copy is never taken for a renamed printer.
    setData(u"PrinterName", u"Elsewhere");
    PRINTER_INFO_2W* info = PrnGetInfo2(printer_);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 0);
    serve("18");
    EXPECT_EQ(PrnIsLocalRenamed(c, info), 1);
    PrnFreeInfo2(info);
    setAnswer("0");
    EXPECT_EQ(SrvCfgServerType(c, name_.c_str()), 0u);
    setAnswer("1");
    serve("17");
    EXPECT_EQ(RunFeature(7, c), 1) << "bit 7 connects";
    EXPECT_EQ(flag(kKorvanConnection), 1u);
    EXPECT_EQ(RunFeature(0, c), 0) << "bit 0 is off";
}

TEST_F(BridgeDownload, TheFirstGenerationFormCopiesOnlyTheRegisteredFiles) {
    ASSERT_TRUE(winsim::installModule(kSystemDir + u"KORVANSV.dll", QMBIDISS_PATH));
    setRegFlag(u"KORVAN_FLG", 1);
    winsim::hideExport(u"KORVANSV.dll", "QMSetDevmode");  // not in its set
    serverFile(u"KW00C171.ini", "[Central]\r\nBidiFlag=7\r\n");
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnectLegacy(c), 1);
    const auto calls = bridgeCalls();
    EXPECT_TRUE(has(calls, "QMPrintConfigConnect 17"));
    EXPECT_EQ(callCount("QMPrintConfigConnectEx"), 0u);
    EXPECT_NE(read(u"C:\\_vesk\\vesk\\KW00C171.ini"), "(missing)");
    EXPECT_EQ(read(std::u16string(kCopy) + u"KW12D170.ini"), "(missing)");
    EXPECT_EQ(flag(kKorvanConnection), 1u);
    EXPECT_EQ(flag(kKorvanIni), 0xFFFFFFFFu);
}

TEST(BridgeNames, CleanedAndSafeNames) {
    WCHAR n[16] = u"A/B<C>";
    EXPECT_EQ(std::u16string(SanitizeFileName(n, 16)), u"ABC");
    WCHAR full[7] = u"A/B<C>";
    EXPECT_EQ(std::u16string(SanitizeFileName(full, 6)), u"A/B<C>") << "kept when not shorter than the capacity";
    WCHAR out[32];
    EXPECT_EQ(BridgeSafeFileName(u"C:\\x\\y/z.rst", out, 32), 1);
    EXPECT_EQ(std::u16string(out), u"z.rst");
    for (const char16_t* bad : {u"C:\\x\\", u"C:\\x\\..", u"C:\\x\\.", u"C:\\x\\a:b", u""})
        EXPECT_EQ(BridgeSafeFileName(bad, out, 32), 0) << winsim::toUtf8(bad);
    EXPECT_EQ(BridgeSafeFileName(u"C:\\abcdef", out, 4), 0);
}
