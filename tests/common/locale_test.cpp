// Each printer's display language, default paper and unit, and the display
// text of option values.
#include <gtest/gtest.h>

#include <win/profile.h>

#include "common/res_support.h"
#include "core/devmode/dm_flags.h"
#include "core/item_format.h"
#include "core/item_store.h"
#include "core/locale.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/wstr.h"
#include "core/item_ids.h"

namespace vesk::test {
namespace {

class PrinterLocale : public ResourcePrinter {
protected:
    void SetUp() override {
        ResourcePrinter::SetUp();
        WCHAR p[kPathBufChars];
        BuildPrivateDirPath(p, kPathBufChars, kLocaleIniName);
        ini_ = p;
        std::filesystem::create_directories(winsim::hostPath(ini_)->parent_path());
        section_ = u"Office ,2,";
    }
    void country(const char* code) { winsim::config().userCountry = code; }
    void help(const char16_t* file) {
        auto d = winsim::findDriver(u"VESK Colour MFP");
        d->helpFile = kDriverDir + file;
        ASSERT_EQ(winsim::addDriver(*d), static_cast<DWORD>(ERROR_SUCCESS));
    }
    std::u16string key(const char16_t* k) {
        WCHAR b[64];
        GetPrivateProfileStringW(section_.c_str(), k, u"(none)", b, 64, ini_.c_str());
        return b;
    }
    void put(const char16_t* k, const char16_t* v) { WritePrivateProfileStringW(section_.c_str(), k, v, ini_.c_str()); }
    std::u16string ini_, section_;
};

TEST_F(PrinterLocale, TheCountryRuleAndTheBuiltInPaper) {
    help(u"VSKHLPus.HLP");
    struct Row {
        const char* dial;
        uint16_t country, paper, unit;
    } rows[] = {{"1", 1, 1, 1}, {"55", 5, 1, 1}, {"49", 0, 9, 0}};
    for (const Row& r : rows) {
        country(r.dial);
        DrvContext* c = context(0, 0);
        EXPECT_EQ(GetUserCountryCode(c), r.country) << r.dial;
        ASSERT_EQ(InitLocaleDefaults(c), 1);
        EXPECT_EQ(ItemRawById(c, kItRdmLocaleID), r.country) << r.dial;
        EXPECT_EQ(ItemRawById(c, kItRdmDspUnit), r.unit) << r.dial;
        EXPECT_EQ(ItemRawById(c, kItRdmLanguageID), 1u);
        EXPECT_EQ(ItemRawById(c, kItRdmDspLanguageID), 1u);
        // The built-in description's driver type 0 makes A4 every printer's paper.
        EXPECT_EQ(ItemRawById(c, kItDmPaperSize), 9u) << r.dial;
        EXPECT_EQ(c->ws->defPaper, 9u);
        EXPECT_EQ(key(u"DispLang"), u"1");
        EXPECT_EQ(key(u"DefUnit"), r.unit ? u"1" : u"0");
        EXPECT_EQ(key(u"DefPaper"), u"9");
        SetPaperDefaultsFromCountry(c);
        EXPECT_EQ(c->ws->defPaper, r.paper) << r.dial;
    }
}

TEST_F(PrinterLocale, TheInstalledLanguageOverridesTheLocale) {
    winsim::config().userLcid = 0x0804;  // Chinese (PRC)
    country("86");
    help(u"VSKHLPus.HLP");
    DrvContext* c = context(0, 0);
    InitLocaleDefaults(c);
    EXPECT_EQ(ItemRawById(c, kItRdmLanguageID), 1u);
    // A Japanese driver set: language 0, A4 and millimetres even for a user
    // whose dialling code asks for inches.
    country("1");
    help(u"VSKHLPjp.HLP");
    c = context(0, 0);
    InitLocaleDefaults(c);
    EXPECT_EQ(ItemRawById(c, kItRdmLanguageID), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmDspUnit), 0u);
    EXPECT_EQ(ItemRawById(c, kItDmPaperSize), 9u);
    EXPECT_EQ(key(u"DispLang"), u"0");
    EXPECT_EQ(key(u"DefUnit"), u"0");
    // The strings now come from the Japanese library.
    WCHAR b[32];
    ResLoadString(c, 154, b, 32, 0);
    EXPECT_EQ(std::u16string(b), u"インチ");
}

TEST_F(PrinterLocale, OnlyAWaitingHandOverWithALanguageIsTakenOver) {
    DrvContext* c = context(0, 0);
    EXPECT_EQ(LoadLocaleIni(c), 0);            // no file
    put(u"DispLang", u"4");
    EXPECT_EQ(LoadLocaleIni(c), 0);            // no VeskInstDone
    put(u"VeskInstDone", u"1");
    EXPECT_EQ(LoadLocaleIni(c), 0);            // taken over before
    put(u"VeskInstDone", u"0");
    put(u"DispLang", nullptr);
    EXPECT_EQ(LoadLocaleIni(c), 0);            // waiting, but no language
    put(u"DispLang", u"4");
    put(u"UserCode", u"1");
    put(u"UserCodeFIX", u"1");
    put(u"UserCodeString", u"12345678");
    help(u"VSKHLPgm.HLP");
    c = context(0, 0);
    ASSERT_EQ(InitLocaleDefaults(c), 1);
    EXPECT_EQ(key(u"VeskInstDone"), u"1");
    EXPECT_EQ(ItemRawById(c, kItRdmLanguageID), 4u);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 1u);
    WCHAR code[16];
    ItemGetString(c, ItemFindById(c, kItRdmLogCode), code, 16);
    EXPECT_EQ(std::u16string(code), u"12345678");
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeFix), 1u);
    WCHAR b[32];
    ResLoadString(c, 154, b, 32, 0);
    EXPECT_EQ(std::u16string(b), u"Zoll");
}

TEST_F(PrinterLocale, SaveLocaleIniHandsTheValuesToItself) {
    DrvContext* c = context(0, 0);
    ItemSetRawById(c, kItRdmLanguageID, 6);
    ItemSetRawById(c, kItRdmLocaleID, 5);
    ItemSetRawById(c, kItRdmDspUnit, 1);
    ItemSetRawById(c, kItRdmLogCodeUse, 0);
    ASSERT_EQ(SaveLocaleIni(c), 1);
    EXPECT_EQ(key(u"VeskInstDone"), u"1");
    EXPECT_EQ(key(u"DefPaper"), u"1");
    EXPECT_EQ(key(u"UserCode"), u"0");
    EXPECT_EQ(key(u"UserCodeString"), u"");
    EXPECT_EQ(c->ws->dispLang, 6u);
    EXPECT_EQ(c->ws->defPaper, 1u);
    EXPECT_EQ(c->ws->defUnit, 1u);
}

TEST_F(PrinterLocale, ItemFormatValueByOptionType) {
    DrvContext* c = context(0, 0);
    WCHAR b[64];
    ItemSetValueById(c, kItDmPaperSize, 41);
    ItemFormatValue(c, 8, b, 64);                  // pick-one: the value's string
    EXPECT_EQ(std::u16string(b), u"A4");
    ItemSetValueById(c, kItDmOrientation, 2027);
    ItemFormatValue(c, 7, b, 64);
    EXPECT_EQ(std::u16string(b), u"Landscape");
    ItemSetRawById(c, kItRdmPrinterMemory, 777);
    ItemFormatValue(c, 10012, b, 64);              // a value without a string
    EXPECT_EQ(std::u16string(b), u"777 is not string-ID");
    ItemFormatValue(c, 10012, b, 8);
    EXPECT_EQ(std::u16string(b), u"777 is ");
    ItemSetValueById(c, kItRdmSourceOptionTypeDuplex, 1);
    ItemFormatValue(c, 10014, b, 64);              // Boolean: strings 370 and 371
    EXPECT_EQ(std::u16string(b), u"On");
    ItemSetValueById(c, kItRdmSourceOptionTypeDuplex, 0);
    ItemFormatValue(c, 10014, b, 64);
    EXPECT_EQ(std::u16string(b), u"Off");
    ItemSetValueById(c, kItDmCopies, 5);
    ItemFormatValue(c, 12, b, 64);                 // numeric without a unit text
    EXPECT_EQ(std::u16string(b), u"5");
}

}  // namespace
}  // namespace vesk::test
