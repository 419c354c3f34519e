// Option classes in printer data and the per-printer INI, the font tables in
// printer data and the synchronisation a context of kind 0 does at open, on
// the sample printer of the emulated machine.
#include <gtest/gtest.h>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstring>
#include <string>

#include "common/sample_printer_support.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/paths.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class OptPersist : public SamplePrinter {
protected:
    DrvContext* open(uint16_t kindWord = 0) {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, kindWord, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
    std::vector<uint8_t> bytes(const char16_t* value, DWORD* type = nullptr) {
        auto v = winsim::printerData(name_, value);
        if (!v) return {};
        if (type) *type = v->type;
        return v->data;
    }
    bool has(const char16_t* value) { return winsim::printerData(name_, value).has_value(); }
    void setBinary(const char16_t* value, std::vector<uint8_t> b) {
        ASSERT_EQ(winsim::setPrinterData(name_, value, REG_BINARY, b), static_cast<DWORD>(ERROR_SUCCESS));
    }
    std::string iniText(DrvContext* c) {
        char* t = IniTextLoad(GetIniFilePath(c));
        std::string s = t ? t : "";
        IniTextFree(t);
        return s;
    }
    static DmItem* firstOfType(DrvContext* c, uint32_t code) {
        for (int i = 0; i < c->items->count; ++i) {
            DmItem& it = c->items->items[i];
            if (itemTypeCode(it) == code && itemSize(it) && ItemGetStorage(c, &it)) return &it;
        }
        return nullptr;
    }
};

}  // namespace

TEST_F(OptPersist, EachTypeIsWrittenToPrinterDataAsTabled) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmPrinterMemory, 0x1234);
    ItemSetRawById(c, kItRdmMemoryType, 7);
    ItemSetRawById(c, kItRdmSourceOptionTypeDuplex, 5);  // a bit item stores 0 or 1
    ItemSetRawById(c, kItRdmLogging, 3);
    ItemSetString(c, ItemFindById(c, kItWdmPrintPostTray1Name), u"Upper");
    EXPECT_EQ(OptSaveClass(printer_, c, 2, kOptSaveAll), 1);

    DWORD type = 0;
    EXPECT_EQ(bytes(u"RAM", &type), (std::vector<uint8_t>{0x34, 0x12}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(bytes(u"RAMType"), (std::vector<uint8_t>{7}));
    EXPECT_EQ(bytes(u"Duplex"), (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(bytes(u"Logging", &type), (std::vector<uint8_t>{3, 0, 0, 0}));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << "item 10275 is always a DWORD";
    const auto tray = bytes(u"Tray1");
    ASSERT_EQ(tray.size(), 17u) << "a text item is stored at its full declared size";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(tray.data())), "Upper");
    EXPECT_FALSE(has(u"DeviceFontNumX"));
    // Class 2 never goes to the INI, class 1 never to printer data.
    EXPECT_FALSE(has(u"PrnMethod"));
}

TEST_F(OptPersist, ReadsZeroExtendShortValuesCutLongOnesAndSetOnlyTheirBit) {
    setBinary(u"Tray1", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O', 'P', 0});
    setBinary(u"Tray2", {'x', 'y'});  // shorter than the item, read after a full one
    std::vector<uint8_t> longRam(40, 0x11);
    setBinary(u"RAM", longRam);
    setBinary(u"Duplex", {1, 0, 0, 0});
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    WCHAR t[20] = {};
    ItemGetString(c, ItemFindById(c, kItWdmPrintPostTray1Name + 1), t, 20);
    EXPECT_EQ(std::u16string(t), u"xy") << "no bytes of the previous value behind a short one";
    EXPECT_EQ(ItemRawById(c, kItRdmPrinterMemory), 0x1111u) << "a longer value is cut to the item's size";
    EXPECT_EQ(ItemRawById(c, kItRdmSourceOptionTypeDuplex), 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmSourceOptionTypeDuplex + 1), 0u) << "the next bit of the word is its own value";
}

TEST_F(OptPersist, DocumentSettingsGoToTheIniAndComeBackInANewContext) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmPrnMethod, 2);
    ItemSetRawById(c, kItRdmFrontFunc, 0xFFFFFFF0u);
    OptActionWordSet(c, 0);
    ItemSetRawById(c, kItRdmActionProof, 1);
    ItemSetRawById(c, kItRdmActionOverlay, 1);
    EXPECT_EQ(OptSaveUserClasses(printer_, c), 1);
    const std::string ini = iniText(c);
    EXPECT_NE(ini.find("[Office ,2,]"), std::string::npos) << ini;
    EXPECT_NE(ini.find("PrnMethod=2\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("FrontFunc=4294967280\r\n"), std::string::npos) << "%lu for type 6\n" << ini;
    EXPECT_NE(ini.find("rdmAction=66\r\n"), std::string::npos) << "bits 1 and 6 as one word\n" << ini;
    EXPECT_EQ(ini.find("ACT_"), std::string::npos) << "the per-bit keys are never written";

    DrvContext* d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(ItemRawById(d, kItRdmPrnMethod), 2u);
    EXPECT_EQ(ItemRawById(d, kItRdmFrontFunc), 0xFFFFFFF0u);
    EXPECT_EQ(OptActionWordGet(d), 66u);
}

TEST_F(OptPersist, TheOldPerBitActionKeysAreMigratedOnce) {
    DrvContext* c = context();  // a light context loads nothing
    ASSERT_NE(c, nullptr);
    const WCHAR* ini = GetIniFilePath(c);
    ASSERT_EQ(EnsureParentDir(ini), 1);
    ASSERT_EQ(IniWriteString(name_.c_str(), u"ACT_PROOFPRINT", u"1", ini), 1);
    ASSERT_EQ(IniWriteString(name_.c_str(), u"ACT_REMOTEPRINT", u"1", ini), 1);
    DrvContext* d = open();
    ASSERT_NE(d, nullptr);
    // Bits without an old key (227, 231-239) keep their defaults.
    const uint16_t word = OptActionWordGet(d);
    EXPECT_EQ(word & 0x77u, (1u << 1) | (1u << 5)) << word;
    WCHAR v[16] = {};
    IniGetString(name_.c_str(), u"rdmAction", u"", v, 16, ini);
    EXPECT_EQ(std::u16string(v), winsim::fromUtf8(std::to_string(word))) << "written under the new key";
    // Once the word exists the old keys no longer count.
    ASSERT_EQ(IniWriteString(name_.c_str(), u"ACT_SECUREPRINT", u"1", ini), 1);
    DrvContext* e = open();
    EXPECT_EQ(OptActionWordGet(e), word);
}

TEST_F(OptPersist, IniNumbersAreConvertedAndRangeCheckedByType) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    WCHAR t[24];
    DmItem* s8 = firstOfType(c, kTypeS8);
    DmItem* s16 = firstOfType(c, kTypeS16);
    DmItem* u8 = ItemFindById(c, kItRdmPrnMethod);
    DmItem* u16 = ItemFindById(c, kItRdmPrinterMemory);
    ASSERT_TRUE(s8 && s16 && u8 && u16);
    for (DmItem* it : {s8, s16}) {
        ASSERT_EQ(OptStoreIniValue(c, it, u"-5"), 1);
        ASSERT_EQ(OptFormatIniValue(c, it, t, 24), 1);
        EXPECT_EQ(std::u16string(t), u"-5") << it->id;
    }
    EXPECT_EQ(OptStoreIniValue(c, s8, u"-129"), 0);
    EXPECT_EQ(OptStoreIniValue(c, s16, u"40000"), 0);
    ASSERT_EQ(OptStoreIniValue(c, u8, u"200"), 1);
    EXPECT_EQ(OptStoreIniValue(c, u8, u"300"), 0) << "never cut to the low bits";
    EXPECT_EQ(OptStoreIniValue(c, u8, u"-1"), 0);
    EXPECT_EQ(OptStoreIniValue(c, u8, u"12abc"), 0);
    EXPECT_EQ(OptStoreIniValue(c, u8, u""), 0);
    EXPECT_EQ(ItemRawById(c, kItRdmPrnMethod), 200u) << "refused values leave the item as it was";
    ASSERT_EQ(OptStoreIniValue(c, u16, u"65535"), 1);
    OptFormatIniValue(c, u16, t, 24);
    EXPECT_EQ(std::u16string(t), u"65535");
    // Text is bounded by the item's size.
    DmItem* tray = ItemFindById(c, kItWdmPrintPostTray1Name);
    ASSERT_EQ(OptStoreIniValue(c, tray, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ"), 1);
    WCHAR back[40] = {};
    ItemGetString(c, tray, back, 40);
    EXPECT_EQ(std::u16string(back), u"ABCDEFGHIJKLMNOP");
}

TEST_F(OptPersist, ChangedOnlySavesAndPathsThatAreNotDrivePaths) {
    DrvContext* first = open();
    ASSERT_NE(first, nullptr);
    OptSaveClass(printer_, first, 2, kOptSaveAll);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(winsim::deletePrinterData(name_, u"RAM"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(OptSaveDeviceClass(printer_, c), 1);
    EXPECT_FALSE(has(u"RAM")) << "an unchanged item is not written again";
    ItemSetRawById(c, kItRdmPrinterMemory, 1024);
    winsim::journalEnable(true);
    winsim::journalClear();
    OptSaveDeviceClass(printer_, c);
    EXPECT_EQ(winsim::journalCount("SetPrinterDataW"), 1u) << "only the changed item";
    EXPECT_EQ(bytes(u"RAM"), (std::vector<uint8_t>{0, 4}));
    // An INI that is not on a drive is neither read nor written.
    winsim::journalClear();
    EXPECT_EQ(OptSaveToIni(c, ItemFindById(c, kItRdmPrnMethod), u"\\\\server\\share\\x.ini", nullptr, nullptr), 1);
    EXPECT_EQ(OptLoadFromIni(c, ItemFindById(c, kItRdmPrnMethod), u"\\\\server\\share\\x.ini", nullptr, nullptr), 1);
    EXPECT_EQ(winsim::journalCount("WritePrivateProfileStringW"), 0u);
    EXPECT_EQ(winsim::journalCount("GetPrivateProfileStringW"), 0u);
    winsim::journalEnable(false);
}

TEST_F(OptPersist, TheWalksTakeTheMutexUnlessTheContextHoldsIt) {
    DrvContext* c = open();
    DrvContext* held = open(kKindOptMutexHeld);
    ASSERT_TRUE(c && held);
    winsim::journalEnable(true);
    winsim::journalClear();
    OptSaveClass(printer_, held, 1, 0);
    OptLoadClass(printer_, held, 1, 0, nullptr);
    EXPECT_EQ(winsim::journalCount("WaitForSingleObject"), 0u);
    OptSaveClass(printer_, c, 1, 0);
    OptLoadClass(printer_, c, 1, 0, nullptr);
    EXPECT_EQ(winsim::journalCount("WaitForSingleObject"), 2u);
    winsim::journalEnable(false);
}

TEST_F(OptPersist, FontTablesStartFromTheModelAndShrinkCleanly) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // The model's lists became the printer's.
    EXPECT_EQ(bytes(u"DeviceFontNum"), (std::vector<uint8_t>{4, 0}));
    EXPECT_EQ(bytes(u"DeviceFont").size(), 4u * 68);
    EXPECT_EQ(ItemRawById(c, kItRdmDeviceFontNum), 4u);
    EXPECT_EQ(ItemRawById(c, kItRdmOptionFontNum), 2u);
    const uint32_t pairs = ItemRawById(c, kItRdmFontTableNum);
    ASSERT_GE(pairs, 2u);
    EXPECT_EQ(bytes(u"LastFontTableNum"), (std::vector<uint8_t>{static_cast<uint8_t>(pairs), 0}));
    EXPECT_EQ(bytes(u"TTFontTable1").size(), 64u);

    // A table of one pair deletes the entries past it.
    BYTE one[128] = {};
    one[0] = 'A', one[64] = 'B';
    EXPECT_EQ(FontSubstTableWrite(printer_, one, 1, 0), 1);
    EXPECT_TRUE(has(u"TTFontTable1"));
    EXPECT_FALSE(has(u"TTFontTable2"));
    EXPECT_FALSE(has(u"DevFontTable2"));
    EXPECT_EQ(bytes(u"LastFontTableNum"), (std::vector<uint8_t>{1, 0}));

    // A pair with a half missing comes back empty, with the error.
    BYTE back[256];
    ASSERT_EQ(winsim::deletePrinterData(name_, u"DevFontTable1"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(FontSubstTableRead(printer_, back, 1, 0), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(back[0], 0);
    EXPECT_EQ(FontSubstTableRead(printer_, nullptr, 1, 0), 8u);

    // Back to the defaults: the model's pairs under the defaults' names.
    EXPECT_EQ(FontSubstTableResetDefaults(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmFontTableNum), pairs);
    EXPECT_TRUE(has(u"DefFontTableNum"));
    EXPECT_TRUE(has(u"TTFontDefTable1"));
}

TEST_F(OptPersist, TheBidirectionalSectionMovesIntoPrinterDataWhenItMay) {
    WCHAR path[kWsPathChars] = {};
    ASSERT_TRUE(BuildPrivateDirPath(path, kWsPathChars, u"KW00C171.ini"));
    ASSERT_EQ(EnsureParentDir(path), 1);
    DrvContext* probe = open();
    ASSERT_NE(probe, nullptr);
    const std::u16string lang = winsim::fromUtf8(std::to_string(ItemRawById(probe, kItRdmLanguageID)));
    auto writeSection = [&] {
        IniWriteString(name_.c_str(), u"BidiFlag", u"1", path);
        IniWriteString(name_.c_str(), u"RstVersion", u"200", path);
        IniWriteString(name_.c_str(), u"RstMachine", u"133", path);
        IniWriteString(name_.c_str(), u"RstLanguage", lang.c_str(), path);
        IniWriteString(name_.c_str(), u"rdmPrinterMemory", u"768", path);
    };
    // Without printer data "BidiFlag" the import happens, the section stays.
    writeSection();
    DrvContext* c = open();
    EXPECT_EQ(ItemRawById(c, kItRdmPrinterMemory), 768u);
    EXPECT_EQ(IniGetInt(name_.c_str(), u"BidiFlag", 0, path), 1u);
    EXPECT_FALSE(has(u"RAM") && bytes(u"RAM") == (std::vector<uint8_t>{0, 3}));
    // With it, the device settings move into printer data and the section goes.
    setBinary(u"BidiFlag", {1, 0, 0, 0});
    DrvContext* d = open();
    EXPECT_EQ(ItemRawById(d, kItRdmPrinterMemory), 768u);
    EXPECT_EQ(bytes(u"RAM"), (std::vector<uint8_t>{0, 3}));
    EXPECT_EQ(IniGetInt(name_.c_str(), u"BidiFlag", 0, path), 0u);
}

TEST_F(OptPersist, AServerConnectionKeepsItsUserCodeItemsOnlyWhileTheLogCodeIsUsed) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    c->ws->serverConnection = 1;  // a connection to a server's printer
    ItemSetRawById(c, kItRdmServerLogCode, 0);
    ItemSetRawById(c, kItRdmLogCodeUse, 1);
    OptSaveClass(printer_, c, 2, kOptSaveAll);
    EXPECT_TRUE(has(u"ServerUse"));
    EXPECT_FALSE(has(u"UserCodeUse"));
    ItemSetRawById(c, kItRdmServerLogCode, 1);
    OptSaveClass(printer_, c, 2, kOptSaveAll);
    EXPECT_EQ(bytes(u"UserCodeUse"), (std::vector<uint8_t>{1}));
}

TEST_F(OptPersist, APrinterThatCannotBeWrittenStillGivesTheModelsFonts) {
    winsim::failCall("SetPrinterDataW", 1, ERROR_ACCESS_DENIED, SIZE_MAX);
    DrvContext* c = open();
    winsim::clearFaults();
    ASSERT_NE(c, nullptr);
    EXPECT_FALSE(has(u"DeviceFontNum"));
    EXPECT_EQ(ItemRawById(c, kItRdmDeviceFontNum), 4u);
    EXPECT_EQ(ItemRawById(c, kItRdmOptionFontNum), 2u);
    EXPECT_GE(ItemRawById(c, kItRdmFontTableNum), 2u);
}
