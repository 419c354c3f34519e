// The import of a download: the flags' state machine, the lists taken into
// the printer's own INI and preset files, the refusal while the printer
// keeps its INI in the private directory, and the bidirectional handler.
#include <gtest/gtest.h>

#include "common/bridge_support.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/printer_identity.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class BridgeImport : public BridgeMachine {
protected:
    void SetUp() override {
        BridgeMachine::SetUp();
        write(kDriverDir + u"veskui.dll", "interface library");
        const std::string lang = "RstLanguage=" + std::to_string(ItemRawById(full(), kItRdmLanguageID));
        serverFile(u"user0000.rst", "[Central]\r\nRstVersion=200\r\nRstMachine=133\r\n" + lang +
                                        "\r\nrdmMarginOdd=77\r\n");
        contexts_.clear();
    }
    std::u16string copyIni() { return std::u16string(kCopy) + u"KW12D170.ini"; }
    UINT korvanFlg() { return IniGetInt(u"korvan", u"KorvanFlg", 0, copyIni().c_str()); }
    void setFlag(const char16_t* name, uint32_t v) {
        std::vector<uint8_t> b{static_cast<uint8_t>(v), 0, 0, 0};
        ASSERT_EQ(winsim::setPrinterData(name_, name, REG_BINARY, b), 0u);
    }
};

}  // namespace

TEST_F(BridgeImport, TheFlagsStateMachine) {
    DrvContext* c = full();
    EXPECT_EQ(SrvCfgImportSettings(c), 0) << "nothing downloaded";
    EXPECT_EQ(flag(kKorvanConnection), 0xFFFFFFFFu);

    // Imported elsewhere, not yet recorded here: the flags follow, nothing runs.
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    ASSERT_EQ(CreateDirectoryW(u"C:\\_vesk\\Office [2]", nullptr), TRUE);
    ASSERT_TRUE(IniWriteString(u"korvan", u"KorvanFlg", u"2", copyIni().c_str()));
    winsim::journalClear();
    EXPECT_EQ(SrvCfgImportSettings(c), 0);
    EXPECT_EQ(flag(kKorvanConnection), 1u);
    EXPECT_EQ(flag(kKorvanIni), 2u);
    EXPECT_TRUE(bridgeCalls().empty());

    // Downloaded, waiting: the lists are imported once.
    ASSERT_TRUE(winsim::deletePrinterData(name_, kKorvanConnection) == 0);
    ASSERT_TRUE(winsim::deletePrinterData(name_, kKorvanIni) == 0);
    ASSERT_EQ(SrvCfgConnect(c), 1);
    EXPECT_EQ(korvanFlg(), 1u);
    EXPECT_EQ(SrvCfgImportSettings(c), 1);
    EXPECT_EQ(korvanFlg(), 2u);
    EXPECT_EQ(flag(kKorvanIni), 2u);
    winsim::journalClear();
    EXPECT_EQ(SrvCfgImportSettings(c), 0) << "done once";
    EXPECT_TRUE(bridgeCalls().empty());

    // A connection recorded without the INI flag takes the file's.
    setFlag(kKorvanIni, 0);
    ASSERT_TRUE(IniWriteString(u"korvan", u"KorvanFlg", u"1", copyIni().c_str()));
    setRegFlag(u"QMBIDI_FLG", 0);
    EXPECT_EQ(SrvCfgImportSettings(c), 0) << "the bridge must be usable";
    EXPECT_EQ(flag(kKorvanIni), 0u);
}

TEST_F(BridgeImport, TheServersListsBecomeThePrintersOwn) {
    serverFile(u"KW12D170.ini",
               "[Central]\r\nCount=1\r\nPresetList0=C:\\_vesk\\user0000.rst\r\nPresetList0Name=Draft\r\n"
               "PresetList0Comment=fast\r\nQualityCount=1\r\nQualityList0=C:\\_vesk\\q.rsq\r\nQualityList0Name=Q\r\n"
               "[us]\r\nStampCount=1\r\nFreeSizeCount=1\r\n"
               "[FreeSize0us]\r\nRstVersion=200\r\nwdmFreeSizeName=Card\r\nwdmFreeSizeWidth=1200\r\n"
               "[Stamp0us]\r\nrdmWmKind=1\r\nwdmWmChar=DRAFT\r\n");
    serverFile(u"q.rsq", "[Central]\r\nx=1\r\n");
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    ASSERT_EQ(SrvCfgImportSettings(c), 1);
    const std::u16string ini = GetIniFilePath(c);
    EXPECT_NE(ini.find(u"Documents and Settings"), std::u16string::npos) << "the per-user INI";
    auto get = [&](const char16_t* section, const char16_t* key) {
        WCHAR v[261] = {};
        IniGetString(section, key, u"", v, 261, ini.c_str());
        return std::u16string(v);
    };
    const std::u16string lang = GetLangCode(c);
    EXPECT_EQ(get(name_.c_str(), u"Count"), u"1");
    EXPECT_EQ(get(name_.c_str(), u"PresetList0"), u"C:\\_vesk\\user0000.rst");
    EXPECT_EQ(get(name_.c_str(), u"PresetList0Name"), u"Draft");
    EXPECT_EQ(get(name_.c_str(), u"PresetList0Comment"), u"fast");
    EXPECT_EQ(get(name_.c_str(), u"QualityList0"), u"C:\\_vesk\\q.rsq");
    EXPECT_EQ(get(name_.c_str(), u"QualityList0Name"), u"Q");
    EXPECT_EQ(get(lang.c_str(), u"FreeSizeCount"), u"1");
    EXPECT_EQ(get((u"FreeSize0" + lang).c_str(), u"wdmFreeSizeName"), u"Card");
    EXPECT_EQ(get((u"FreeSize0" + lang).c_str(), u"RstVersion"), u"200");
    EXPECT_EQ(get((u"Stamp0" + lang).c_str(), u"wdmWmChar"), u"DRAFT");
    // The preset file afresh under the printer's own name.
    const std::string preset = read(u"C:\\_vesk\\user0000.rst");
    EXPECT_NE(preset.find("[Office ,2,]"), std::string::npos) << preset;
    EXPECT_NE(preset.find("rdmMarginOdd=77"), std::string::npos) << preset;
    EXPECT_EQ(preset.find("[Central]"), std::string::npos);
    EXPECT_NE(ItemRawById(c, kItRdmMarginOdd), 77u) << "the DEVMODE is put back";
}

TEST_F(BridgeImport, ThePrivateIniIsNotImportedInto) {
    DrvContext* c = full();
    ASSERT_EQ(SrvCfgConnect(c), 1);
    // While installing, the printer's INI is the private directory's.
    DrvContext* installing = full(kCreateInstallRunning);
    Bridge b;
    ASSERT_EQ(LoadBridge(&b, installing), 1);
    BridgeQueryServerType(&b, name_.c_str());
    EXPECT_EQ(SrvCfgImportLists(&b, installing), 0);
    FreeBridge(&b);
    EXPECT_EQ(korvanFlg(), 1u) << "tried again later";
    EXPECT_EQ(IniGetInt(name_.c_str(), u"Count", 0, GetIniFilePath(installing)), 0u);
}

TEST_F(BridgeImport, TheBidirectionalSettingsOfTheServer) {
    DrvContext* c = full();
    WCHAR local[261] = {};
    BuildPrivateDirPath(local, 261, u"KW00C171.ini");
    IniWriteString(name_.c_str(), u"BidiFlag", u"1", local);
    ASSERT_EQ(SrvCfgConnect(c), 1);
    Bridge b;
    ASSERT_EQ(LoadBridge(&b, c), 1);
    BridgeQueryServerType(&b, name_.c_str());
    const std::u16string copy = std::u16string(u"C:\\_vesk\\Office [2]\\KW00C171.ini");
    ASSERT_EQ(SrvCfgApplyBidiIni(copy.c_str(), &b, c), 1);
    EXPECT_EQ(IniGetInt(name_.c_str(), u"BidiFlag", 7, local), 7u) << "no device information on the server";

    const std::string lang = std::to_string(ItemRawById(c, kItRdmLanguageID));
    write(copy, "[Central]\r\nBidiFlag=1\r\nRstVersion=200\r\nRstMachine=133\r\nRstLanguage=" + lang +
                    "\r\nrdmPrinterMemory=64\r\n");
    ASSERT_EQ(SrvCfgApplyBidiIni(copy.c_str(), &b, c), 1);
    FreeBridge(&b);
    EXPECT_EQ(IniGetInt(name_.c_str(), u"BidiFlag", 7, local), 1u);
    EXPECT_EQ(IniGetInt(name_.c_str(), u"rdmPrinterMemory", 0, local), 64u);
    EXPECT_EQ(flag(u"PresetRefresh"), 1u);
}
