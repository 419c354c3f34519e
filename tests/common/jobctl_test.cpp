// The job-control client against the stand-in job-control library on the
// sample printer: loading and versions, the item commands, the connection
// commands inside an open stretch, printer data, the install step.
#include <gtest/gtest.h>

#include <win/files.h>
#include <winsim/modules.h>

#include "common/jobctl_support.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/ini_wrap.h"
#include "core/languages.h"
#include "core/model/query.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class JobControl : public JobControlPrinter {};

bool jcLoaded() { return GetModuleHandleW(u"ZORJC32.DLL") != nullptr; }

}  // namespace

TEST_F(JobControl, VersionNegotiation) {
    JcWorkspace s{};
    ASSERT_EQ(JcLoadInterface(&s), 0u);
    EXPECT_EQ(s.version, 258);
    EXPECT_NE(s.table, nullptr);
    EXPECT_EQ(calls("JCGetInterface"), 1u);
    JcUnloadInterface(&s);
    EXPECT_FALSE(jcLoaded());
    EXPECT_EQ(calls("JCDisposeInterface", "version 258"), 1u);

    winsim::config().set("zorjc32.versions", "257");
    winsim::journalClear();
    ASSERT_EQ(JcLoadInterface(&s), 0u);
    EXPECT_EQ(s.version, 257);
    EXPECT_EQ(calls("JCGetInterface", "version 258"), 1u);
    EXPECT_EQ(calls("JCGetInterface", "version 257"), 1u);
    JcUnloadInterface(&s);

    // "Granted" without a table is a failure, and nothing stays loaded.
    winsim::config().set("zorjc32.no_table", "1");
    EXPECT_NE(JcLoadInterface(&s), 0u);
    EXPECT_EQ(s.module, nullptr);
    EXPECT_FALSE(jcLoaded());
    winsim::config().set("zorjc32.no_table", "0");

    winsim::config().set("zorjc32.versions", "259");
    EXPECT_NE(JcLoadInterface(&s), 0u) << "the common library asks for 258 and 257 only";
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, AMissingLibraryGivesTheSystemErrorAndItemCommandsDoNothing) {
    ASSERT_TRUE(DeleteFileW(kJcLibraryPath.c_str()));
    JcWorkspace s{};
    EXPECT_EQ(JcLoadInterface(&s), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(s.module, nullptr);
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(JcDispatch(c, kJcOpen, 0), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(JcDispatch(c, kJcStore, kJcMaskJobItems), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(JcDispatch(c, kJcSetItems, kJcMaskJobItems), 0u);
    EXPECT_EQ(JcProbe(c), 0);
    EXPECT_EQ(calls("JcSetItem"), 0u);
}

TEST_F(JobControl, OnlyTheSystemDirectoryIsSearched) {
    // A copy beside the application (or in the current directory) is never
    // the driver's job-control library.
    ASSERT_TRUE(DeleteFileW(kJcLibraryPath.c_str()));
    ASSERT_TRUE(CreateDirectoryW(u"C:\\Program Files\\App", nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(winsim::installModule(u"C:\\Program Files\\App\\ZORJC32.DLL", ZORJC32_PATH));
    winsim::setProgramPath(u"C:\\Program Files\\App\\app.exe");
    ASSERT_TRUE(SetCurrentDirectoryW(u"C:\\Program Files\\App"));
    JcWorkspace s{};
    EXPECT_EQ(JcLoadInterface(&s), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_FALSE(jcLoaded());
    ASSERT_TRUE(winsim::installModule(kJcLibraryPath, ZORJC32_PATH));
    EXPECT_EQ(JcLoadInterface(&s), 0u);
    JcUnloadInterface(&s);
}

TEST_F(JobControl, AVersion257InterfaceNeverReceivesTheDriverCodes) {
    winsim::config().set("zorjc32.versions", "257");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    setText(c, kItRdmUserID, u"USER0001");
    EXPECT_EQ(JcDispatch(c, kJcStore, kJcMaskAll), 0u);
    EXPECT_EQ(calls("JcSetItem", "code 4"), 1u);
    for (const char* code : {"code 256", "code 257", "code 258"}) EXPECT_EQ(calls("JcSetItem", code), 0u) << code;
    EXPECT_EQ(held(c, kJcCodeProduct), u"(none)");

    // Version 258 receives them: the product word, the driver version and
    // the LANGID of the printer language.
    winsim::config().set("zorjc32.versions", "257,258");
    EXPECT_EQ(JcDispatch(c, kJcStore, kJcMaskDriver), 0u);
    EXPECT_EQ(held(c, kJcCodeProduct), u"VESK");
    EXPECT_EQ(held(c, kJcCodeVersion), text(c, kItWdmDriverVersion));
    uint16_t sub = 0;
    const uint32_t primary = DispLangLookup(ItemRawById(c, kItRdmLanguageID), &sub);
    EXPECT_EQ(held(c, kJcCodeLangId), winsim::fromUtf8(std::to_string((sub << 10) | primary)));
    EXPECT_FALSE(jcLoaded()) << "the store closes and unloads what it opened";
}

TEST_F(JobControl, ItemsRoundTripThroughTheLibrary) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ItemSetRawById(c, kItRdmTelLine, 3);
    setText(c, kItRdmUserCode, u"1234");
    setText(c, kItRdmJOBPassword, u"pw");
    setText(c, kItRdmOwnerName, u"OWNER1");
    ASSERT_EQ(JcDispatch(c, kJcStore, kJcMaskAll), 0u);
    EXPECT_EQ(held(c, kJcCodeTelLine), u"3") << "the line goes as decimal text";

    ClearJcItemsIfOn(c, kJcMaskAll);
    EXPECT_EQ(ItemRawById(c, kItRdmTelLine), 0u);
    EXPECT_EQ(text(c, kItRdmOwnerName), u"");
    // Mask 5: the user code and the job password only.
    EXPECT_EQ(JcDispatch(c, kJcFetch, 0x5), 0u);
    EXPECT_EQ(text(c, kItRdmUserCode), u"1234");
    EXPECT_EQ(text(c, kItRdmJOBPassword), u"pw");
    EXPECT_EQ(text(c, kItRdmOwnerName), u"");
    EXPECT_EQ(ItemRawById(c, kItRdmTelLine), 0u);
    EXPECT_EQ(JcDispatch(c, kJcFetch, 0x40), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmTelLine), 3u);

    // An item the library has no value for is left alone.
    setText(c, kItRdmDocumentName, u"kept");
    EXPECT_EQ(JcDispatch(c, kJcFetch, 0x10), 0u);
    EXPECT_EQ(text(c, kItRdmDocumentName), u"kept");
}

TEST_F(JobControl, TheResendClearsFirstAndTheLineTakesTheModelValue) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    setText(c, kItRdmOwnerName, u"OWNER1");
    ItemSetRawById(c, kItRdmTelLine, 9);
    ASSERT_EQ(JcDispatch(c, kJcStore, 0x42), 0u);
    ASSERT_EQ(held(c, kJcCodeOwner), u"OWNER1");
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    EXPECT_EQ(JcDispatch(c, kJcResendItems, 0x42), 0u);
    EXPECT_EQ(text(c, kItRdmOwnerName), u"");
    // The model's default line goes through the item's map: job control
    // gets the line number, not the model value.
    const uint32_t model = MdlGetOptionValue(c, kItRdmTelLine);
    const uint32_t line = ItemMapToRaw(c, ItemFindById(c, kItRdmTelLine), model);
    EXPECT_EQ(line, 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmTelLine), line);
    EXPECT_EQ(held(c, kJcCodeOwner), u"(none)") << "the cleared value was sent";
    EXPECT_EQ(held(c, kJcCodeTelLine), u"1");
    JcDispatch(c, kJcClose, 0);
}

TEST_F(JobControl, OpenAndGetAllClearsTheProviderFlagBytes) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    DmSetProviderUserCode(c);
    DmSetProviderUserCode2(c);
    EXPECT_EQ(JcDispatch(c, kJcOpenGetAll, 0), 0u);
    EXPECT_EQ(DmGetProviderUserCode(c), 0);
    EXPECT_EQ(DmGetFlag(c, DmFlag::UserCodeDll), 0);
    EXPECT_NE(c->ws->jc.connection, nullptr) << "left open for the caller's stretch";
    EXPECT_EQ(JcDispatch(c, kJcClose, 0), 0u);
    EXPECT_EQ(c->ws->jc.connection, nullptr);
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, UnknownCodesAreRefused) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(JcFindRow(9), nullptr);
    EXPECT_EQ(JcFindRow(259), nullptr);
    EXPECT_TRUE(JcFindRow(0x100)->setOnly);
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    WCHAR b[16];
    EXPECT_EQ(JcQueryItemText(c, 9, b, 16), kJcMoreData);
    JcInterface* t = c->ws->jc.table;
    const BYTE v[4] = {1, 0, 0, 0};
    EXPECT_EQ(t->setItem(c->ws->jc.connection, 300, kJcKindNumber, v, 4), kJcMoreData);
    JcDispatch(c, kJcClose, 0);
    EXPECT_EQ(JcReadItemsFromPrinterData(c, 0x100), kJcMoreData);
    EXPECT_EQ(JcDispatch(c, 0x12345, 0), 0u) << "an unknown command does nothing";
}

TEST_F(JobControl, ALongValueIsCutToTheItemWithAFinalNul) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    const std::u16string longName = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::vector<BYTE> b;
    for (char16_t ch : longName) b.push_back(static_cast<BYTE>(ch)), b.push_back(0);
    b.push_back(0), b.push_back(0);
    ASSERT_EQ(c->ws->jc.table->setItem(c->ws->jc.connection, kJcCodeOwner, kJcKindText, b.data(),
                                       static_cast<DWORD>(b.size())),
              0u);
    EXPECT_EQ(JcDispatch(c, kJcGetItems, 0x2), 0u);
    // rdmOwnerName holds 16 characters and its NUL.
    EXPECT_EQ(text(c, kItRdmOwnerName), longName.substr(0, 16));

    // A size the library reports is not trusted: a huge claim is read
    // through a bounded block.
    winsim::config().set("zorjc32.report_size", "0x7FFFFFF0");
    setText(c, kItRdmOwnerName, u"");
    EXPECT_EQ(JcDispatch(c, kJcGetItems, 0x2), 0u);
    EXPECT_EQ(text(c, kItRdmOwnerName), longName.substr(0, 16));
    JcDispatch(c, kJcClose, 0);
}

TEST_F(JobControl, AFetchInsideAnOpenStretchLeavesItOpen) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    HANDLE conn = c->ws->jc.connection;
    ASSERT_NE(conn, nullptr);
    EXPECT_EQ(JcDispatch(c, kJcOpen, 0), 0u) << "a second open reuses the connection";
    EXPECT_EQ(JcDispatch(c, kJcFetch, kJcMaskUserCode), 0u);
    EXPECT_EQ(JcDispatch(c, kJcStore, kJcMaskUserCode), 0u);
    EXPECT_EQ(JcProbe(c), 1);
    EXPECT_EQ(c->ws->jc.connection, conn);
    EXPECT_TRUE(jcLoaded());
    EXPECT_EQ(calls("JcOpen"), 1u);
    EXPECT_EQ(calls("JcClose"), 0u);
    // The caller's later item commands still reach the library.
    setText(c, kItRdmUserID, u"LATER");
    winsim::journalClear();
    EXPECT_EQ(JcDispatch(c, kJcSetItems, 0x8), 0u);
    EXPECT_EQ(calls("JcSetItem", "code 4"), 1u);
    EXPECT_EQ(JcDispatch(c, kJcClose, 0), 0u);
    EXPECT_EQ(calls("JcClose"), 1u);
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, AContextFreedWithAConnectionClosesIt) {
    DrvContext* c = CtxCreateEx(printer_, printer_, nullptr, 0, 0, 0, nullptr);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    CtxReleaseEx(c, kReleaseFree);
    EXPECT_EQ(calls("JcClose"), 1u);
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, SessionCallsNeedAConnection) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    winsim::config().set("zorjc32.slot7", "5");
    EXPECT_EQ(JcCallWithSession(c, 42), 0u);
    EXPECT_EQ(JcSendLanguageIfOn(c), 0u);
    EXPECT_EQ(calls("JcCall") + calls("JcSendLanguage"), 0u);
    ASSERT_EQ(JcOpenIfOn(c), 0u);
    EXPECT_EQ(JcCallWithSession(c, 42), 5u);
    EXPECT_EQ(calls("JcCall", "42"), 1u);
    uint16_t sub = 0;
    const uint32_t primary = DispLangLookup(ItemRawById(c, kItRdmLanguageID), &sub);
    EXPECT_EQ(JcSendLanguageIfOn(c), 0u);
    EXPECT_EQ(calls("JcSendLanguage", "selector 1, primary " + std::to_string(primary) + ", sub " + std::to_string(sub)), 1u);
    JcCloseIfOn(c);
}

TEST_F(JobControl, PrinterDataByFieldName) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    setText(c, kItRdmUserID, u"USER0001");
    setText(c, kItRdmOwnerName, u"OWNER1");
    setText(c, kItRdmUserCode, u"777");
    EXPECT_EQ(JcSaveItemsToPrinterData(c, kJcMaskJobItems), 0u);
    EXPECT_TRUE(winsim::printerData(name_, u"rdmUserID").has_value());
    EXPECT_TRUE(winsim::printerData(name_, u"rdmOwnerName").has_value());
    ClearJcItemsIfOn(c, kJcMaskJobItems);
    ASSERT_EQ(text(c, kItRdmUserID), u"");
    EXPECT_EQ(JcReadItemsFromPrinterData(c, kJcMaskIdentity), 0u);
    EXPECT_EQ(text(c, kItRdmUserID), u"USER0001");
    EXPECT_EQ(text(c, kItRdmOwnerName), u"OWNER1");
    EXPECT_EQ(text(c, kItRdmUserCode), u"") << "mask 158 leaves the user code";
    EXPECT_EQ(JcReadItemsFromPrinterData(c, kJcMaskUserCode | 0x100), kJcMoreData);
    EXPECT_EQ(text(c, kItRdmUserCode), u"777") << "the codes 1-8 of a refused mask still move";
}

TEST_F(JobControl, InitAtInstallForAKnownPrinterStoresOnlyTheDriverCodes) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(JcInitAtInstall(c), 1);
    EXPECT_EQ(calls("JcPrinterA"), 0u);
    EXPECT_EQ(calls("JcSetItem", "code 1"), 0u);
    EXPECT_EQ(held(c, kJcCodeProduct), u"VESK");
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, InitAtInstallRegistersAnUnknownPrinterAndPushesItsUserCode) {
    winsim::config().set("zorjc32.known", "");
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(JcProbe(c), 0);
    IniWriteString(u"Office [2]", u"UserCode", u"1", u"C:\\_vesk\\KW00C170.ini");
    IniWriteString(u"Office [2]", u"UserCodeString", u"4711", u"C:\\_vesk\\KW00C170.ini");
    EXPECT_EQ(JcInitAtInstall(c), 1);
    EXPECT_EQ(calls("JcPrinterA", "Office [2]"), 1u);
    EXPECT_EQ(text(c, kItRdmUserCode), u"4711");
    EXPECT_EQ(held(c, kJcCodeUserCode), u"4711");
    EXPECT_EQ(held(c, kJcCodeProduct), u"VESK");
    EXPECT_EQ(JcProbe(c), 1) << "the library knows the printer from now on";

    // Operation B forgets it; a failing operation A leaves it unknown.
    EXPECT_EQ(JcDispatch(c, kJcPrinterB, 0), 0u);
    EXPECT_EQ(JcProbe(c), 0);
    winsim::config().set("zorjc32.slot0", "31");
    EXPECT_EQ(JcCmd30001IfOn(c), 31u);
    EXPECT_EQ(JcProbe(c), 0);
}

TEST_F(JobControl, InjectedFailuresReachTheCaller) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    winsim::failCall("JcOpen", 1, ERROR_ACCESS_DENIED);
    EXPECT_EQ(JcDispatch(c, kJcFetch, kJcMaskUserCode), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(jcLoaded());
    winsim::failCall("JCGetInterface", 1, ERROR_NOT_ENOUGH_MEMORY, 1);
    EXPECT_NE(JcDispatch(c, kJcOpen, 0), 0u);
    EXPECT_FALSE(jcLoaded());
}

TEST_F(JobControl, TheMergeFetchAndTheImportRefresh) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    setText(c, kItRdmOwnerName, u"IMPORTED");
    setText(c, kItRdmUserCode, u"");
    ASSERT_EQ(JcDispatch(c, kJcOpen, 0), 0u);
    const BYTE code[] = {'4', 0, '2', 0, 0, 0};
    ASSERT_EQ(c->ws->jc.table->setItem(c->ws->jc.connection, kJcCodeUserCode, kJcKindText, code, sizeof code), 0u);
    JcDispatch(c, kJcClose, 0);
    // The refresh takes the library's user code and sends the imported
    // identity; it leaves no connection behind.
    EXPECT_EQ(JobControlRefresh(c), 1);
    EXPECT_EQ(text(c, kItRdmUserCode), u"42");
    EXPECT_EQ(held(c, kJcCodeOwner), u"IMPORTED");
    EXPECT_FALSE(jcLoaded());

    setText(c, kItRdmOwnerName, u"");
    EXPECT_EQ(JobControlFetchItems(c, kJcMaskJobItems), 1);
    EXPECT_EQ(text(c, kItRdmOwnerName), u"IMPORTED");
    ASSERT_TRUE(DeleteFileW(kJcLibraryPath.c_str()));
    EXPECT_EQ(JobControlFetchItems(c, kJcMaskJobItems), 0);
    EXPECT_EQ(JobControlRefresh(c), 0);
}
