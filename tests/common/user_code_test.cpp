// The user code in KW00C170.ini and printer data, its install step and the
// provider path (off in the product, run here through the tests' switch
// with a small stand-in provider).
#include <gtest/gtest.h>

#include <win/files.h>
#include <winsim/registry.h>

#include "common/jobctl_support.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/usercode/user_code.h"

using namespace vesk;
using namespace vesk::test;

namespace {

const std::u16string kIni = u"C:\\_vesk\\KW00C170.ini";
constexpr char16_t kSection[] = u"Office [2]";

class UserCode : public JobControlPrinter {
protected:
    std::u16string ini(const char16_t* section, const char16_t* key) {
        WCHAR b[64] = {};
        IniGetString(section, key, u"(absent)", b, 64, kIni.c_str());
        return b;
    }
    void put(const char16_t* section, const char16_t* key, const char16_t* value) {
        IniWriteString(section, key, value, kIni.c_str());
    }
    bool iniExists() { return GetFileAttributesW(kIni.c_str()) != INVALID_FILE_ATTRIBUTES; }
    void setByte(const char16_t* value, std::vector<uint8_t> b) {
        ASSERT_EQ(winsim::setPrinterData(name_, value, REG_BINARY, b), static_cast<DWORD>(ERROR_SUCCESS));
    }
    DrvContext* remote() {
        winsim::PrinterRecord p;
        p.name = u"Remote";
        p.server = u"\\\\SRV";
        p.driver = u"VESK Colour MFP";
        EXPECT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
        HANDLE h = nullptr;
        EXPECT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"\\\\SRV\\Remote"), &h, nullptr));
        remoteHandle_ = h;
        DrvContext* c = CtxCreateEx(h, h, nullptr, 0, 0, 0, nullptr);
        if (c) contexts_.emplace_back(c);
        return c;
    }
    void TearDown() override {
        SetUserCodeProviderForTests(false);
        contexts_.clear();
        if (remoteHandle_) ClosePrinter(remoteHandle_);
        JobControlPrinter::TearDown();
    }
    HANDLE remoteHandle_ = nullptr;
};

}  // namespace

TEST_F(UserCode, LoadFromTheIni) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // No file: made with empty values.
    ASSERT_FALSE(iniExists());
    EXPECT_EQ(LoadUserCodeFromIni(c), 1);
    EXPECT_EQ(ini(kSection, u"UserCode"), u"0");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"");
    EXPECT_EQ(ini(u"MAREN UserCode", u"MRUUserCode"), u"");
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 0u);

    // A printer section with a code.
    put(kSection, u"UserCode", u"1");
    put(kSection, u"UserCodeString", u"12345678");
    put(kSection, u"UserCodeFIX", u"1");
    EXPECT_EQ(LoadUserCodeFromIni(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 1u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"12345678");
    EXPECT_EQ(text(c, kItRdmDllLogCode), u"12345678");
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeFix), 1);

    // A section without "UserCode" takes the machine's last code, unused.
    put(kSection, u"UserCode", nullptr);
    put(kSection, u"UserCodeFIX", nullptr);
    put(u"MAREN UserCode", u"MRUUserCode", u"555");
    EXPECT_EQ(LoadUserCodeFromIni(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 0u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"555");
    EXPECT_EQ(ini(kSection, u"UserCode"), u"0");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"555");
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeFix), 0);
}

TEST_F(UserCode, AnIniPathThatCannotBeBuiltKeepsTheDefaults) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, u"SOFTWARE\\MAREN\\VeskDrv", u"_VESKDirectory",
                                     u"C:\\" + std::u16string(250, u'd')));
    ItemSetRawById(c, kItRdmLogCodeUse, 1);
    winsim::journalClear();
    EXPECT_EQ(LoadUserCodeFromIni(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 0u);
    EXPECT_EQ(calls("WritePrivateProfileStringW"), 0u) << "no file of that name in the Windows directory";
    EXPECT_EQ(GetFileAttributesW(u"C:\\WINDOWS\\KW00C170.ini"), INVALID_FILE_ATTRIBUTES);
}

TEST_F(UserCode, ForPrinterByServerUseAndRemoteness) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // "ServerUse" set: the eight characters of the printer data, which need
    // not be terminated; the INI is not touched.
    setByte(u"ServerUse", {1});
    setByte(u"UserCodeUse", {1});
    setByte(u"UserCode", {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I'});
    EXPECT_EQ(LoadUserCodeForPrinter(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 1u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"ABCDEFGH");
    EXPECT_FALSE(iniExists());

    setByte(u"ServerUse", {0});
    EXPECT_EQ(LoadUserCodeForPrinter(c), 1);
    EXPECT_TRUE(iniExists()) << "without ServerUse the INI is read (and made)";

    DrvContext* r = remote();
    ASSERT_NE(r, nullptr);
    winsim::journalClear();
    EXPECT_EQ(LoadUserCodeForPrinter(r), 0);
    EXPECT_EQ(calls("GetPrinterDataW") + calls("GetPrivateProfileStringW"), 0u);
}

TEST_F(UserCode, SaveToTheIni) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmLogCodeUse, 1);
    setText(c, kItRdmLogCode, u"87654321");
    EXPECT_EQ(SaveUserCodeToIni(c), 1);
    EXPECT_EQ(ini(kSection, u"UserCode"), u"1");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"87654321");
    EXPECT_EQ(ini(kSection, u"UserCodeFIX"), u"1");
    EXPECT_EQ(ini(u"MAREN UserCode", u"MRUUserCode"), u"87654321");
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeFix), 1);
    setText(c, kItRdmLogCode, u"");
    EXPECT_EQ(SaveUserCodeToIni(c), 1);
    EXPECT_EQ(ini(kSection, u"UserCodeFIX"), u"0");
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeFix), 0);

    // A remote printer whose server supplies the code saves nothing.
    DrvContext* r = remote();
    ASSERT_NE(r, nullptr);
    ItemSetRawById(r, kItRdmServerLogCode, 1);
    EXPECT_EQ(SaveUserCodeToIni(r), 1);
    EXPECT_EQ(ini(u"\\\\SRV\\Remote", u"UserCode"), u"(absent)");
}

TEST_F(UserCode, SyncAtInstall) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // No file: the empty values.
    EXPECT_EQ(SyncUserCodeAtInstall(c), 1);
    EXPECT_EQ(ini(kSection, u"UserCodeFIX"), u"0");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"");

    // Not set, with a last code: the last code, unused.
    put(kSection, u"UserCode", nullptr);
    put(u"MAREN UserCode", u"MRUUserCode", u"321");
    EXPECT_EQ(SyncUserCodeAtInstall(c), 1);
    EXPECT_EQ(text(c, kItRdmLogCode), u"321");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"321");

    // Set, without the hand-over file: read back, unused.
    put(kSection, u"UserCode", u"1");
    put(kSection, u"UserCodeString", u"999");
    ItemSetRawById(c, kItRdmLogCodeUse, 1);
    EXPECT_EQ(SyncUserCodeAtInstall(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 0u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"999");
    EXPECT_EQ(ini(kSection, u"UserCode"), u"0");
    EXPECT_EQ(ini(u"MAREN UserCode", u"MRUUserCode"), u"999");

    // Set, with the hand-over file and its flag: the installer's code stays.
    put(kSection, u"UserCode", u"1");
    write(u"C:\\WINDOWS\\system32\\VESK.ini", "[Office [2]]\r\n");
    c->ws->userCodeApplied = 1;
    setText(c, kItRdmLogCode, u"INST");
    EXPECT_EQ(SyncUserCodeAtInstall(c), 1);
    EXPECT_EQ(text(c, kItRdmLogCode), u"INST");
    EXPECT_EQ(ini(kSection, u"UserCode"), u"1");

    // The install user-code flag: the item's code is the fixed code.
    DmSetInstUserCode(c);
    setText(c, kItRdmLogCode, u"24680");
    EXPECT_EQ(SyncUserCodeAtInstall(c), 1);
    EXPECT_EQ(ini(kSection, u"UserCodeFIX"), u"1");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"24680");
    EXPECT_EQ(ini(u"MAREN UserCode", u"MRUUserCode"), u"24680");

    // A remote printer without a server code loses its code.
    DrvContext* r = remote();
    ASSERT_NE(r, nullptr);
    setText(r, kItRdmLogCode, u"111");
    ItemSetRawById(r, kItRdmLogCodeUse, 1);
    EXPECT_EQ(SyncUserCodeAtInstall(r), 1);
    EXPECT_EQ(text(r, kItRdmLogCode), u"");
    EXPECT_EQ(ItemRawById(r, kItRdmLogCodeUse), 0u);
    EXPECT_EQ(ini(u"\\\\SRV\\Remote", u"UserCodeFIX"), u"0");
}

TEST_F(UserCode, TheProviderPath) {
    ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\UCPROV.DLL", UCPROVIDER_PATH));
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, u"Software\\MAREN\\zorucode\\Providers", u"ProviderDLL",
                                     u"C:\\WINDOWS\\system32\\UCPROV.DLL"));
    winsim::config().set("ucprovider.code", "13579");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    // Switch off: nothing is loaded, no flag byte changes.
    DmSetProviderUserCode(c);
    winsim::journalClear();
    EXPECT_EQ(UpdateProviderUserCodeFlags(c), 1);
    EXPECT_EQ(LoadUserCodeOnMerge(c), 1);
    EXPECT_EQ(SaveUserCodeFromProvider(c), 1);
    EXPECT_EQ(DmGetProviderUserCode(c), 1);
    EXPECT_EQ(calls("MUCOpenUCDataA") + calls("RegOpenKeyExW") + calls("LoadLibraryW"), 0u);
    EXPECT_FALSE(iniExists());

    SetUserCodeProviderForTests(true);
    EXPECT_EQ(UpdateProviderUserCodeFlags(c), 1);
    EXPECT_EQ(DmGetProviderUserCode(c), 1);
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeDll), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 1u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"13579");
    EXPECT_EQ(text(c, kItRdmDllLogCode), u"13579");
    EXPECT_EQ(ini(kSection, u"UserCodeString"), u"13579");
    EXPECT_EQ(winsim::printerData(name_, u"DllUserCodeUse")->data, (std::vector<uint8_t>{1}));
    EXPECT_EQ(calls("MUCCloseUCDataA"), 1u);
    EXPECT_EQ(GetModuleHandleW(u"UCPROV.DLL"), nullptr) << "freed after the query";

    // No code (232): answered, unused.
    winsim::config().set("ucprovider.result", "232");
    EXPECT_EQ(UpdateProviderUserCodeFlags(c), 1);
    EXPECT_EQ(DmGetProviderUserCode(c), 1);
    EXPECT_EQ(ItemRawById(c, kItRdmLogCodeUse), 0u);
    EXPECT_EQ(text(c, kItRdmLogCode), u"");
    // Any other result: not answered, the items as they were.
    setText(c, kItRdmLogCode, u"KEEP");
    winsim::config().set("ucprovider.result", "5");
    EXPECT_EQ(UpdateProviderUserCodeFlags(c), 1);
    EXPECT_EQ(DmGetProviderUserCode(c), 0);
    EXPECT_EQ(text(c, kItRdmLogCode), u"KEEP");
    EXPECT_EQ(winsim::printerData(name_, u"DllUserCodeUse")->data, (std::vector<uint8_t>{0}));
}
