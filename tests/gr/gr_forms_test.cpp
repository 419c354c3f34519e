// What the graphics library's forms of the common functions do differently:
// its contexts, its settings files and lists, and the services it shares
// with the option-constraint library.
#include <gtest/gtest.h>
#include <win/profile.h>
#include <win/spooler.h>
#include <winsim/winsim.h>

#include <cstring>
#include <string>

#include "common_calls/context_devmode.h"
#include "common_calls/lists_gr.h"
#include "common_calls/settings_forms.h"
#include "core/devmode/dm_layout.h"
#include "core/driver_services.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_info.h"
#include "core/res/res.h"
#include "frame_support.h"

using namespace vesk;
using namespace grtest;

namespace {

class GrForms : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ASSERT_TRUE(winsim::installModule(u"C:\\WINDOWS\\system32\\ZORJC32.DLL", ZORJC32_PATH));
        ctx_ = CtxCreateGr(printer_, 0, 0x10000);
        ASSERT_NE(ctx_, nullptr);
    }
    void TearDown() override {
        winsim::journalEnable(false);
        winsim::clearFaults();
        CtxReleaseExGr(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }
    static void journalOn() {
        winsim::journalEnable(true);
        winsim::journalClear();
    }
    std::string ansiItem(int id) {
        DmItem* it = ItemFindById(ctx_, id);
        const BYTE* f = ItemGetRawAddress(ctx_, it);
        return std::string(reinterpret_cast<const char*>(f), strnlen(reinterpret_cast<const char*>(f), itemSize(*it)));
    }
    DrvContext* ctx_ = nullptr;
};

}  // namespace

// A graphics context shares the template's page table, never loads a
// resource library, and keeps the graphics driver's flags as 0x20000000.
TEST_F(GrForms, AContextWithoutPagesOrResources) {
    EXPECT_FALSE(CurrentProfile().clonesPageTable);
    EXPECT_FALSE(CurrentProfile().appliesHandOver);
    EXPECT_EQ(ctx_->pages, GetContextTemplate()->pages);
    EXPECT_EQ(ctx_->ws->creationFlags, kCreateApiCaller);
    EXPECT_EQ(ResGetStringDll(ctx_), nullptr);
    EXPECT_EQ(ctx_->resourceLibrary1, nullptr);
    for (BYTE* b : ctx_->ws->saveStack) EXPECT_NE(b, nullptr);
    HANDLE m = TsMutexCreateGr();
    ASSERT_NE(m, nullptr);
    CloseHandle(m);
}

// A stamp saved by the graphics library carries the watermark line and
// tile items; the common profile leaves them to the item table's marks.
TEST_F(GrForms, AStampSectionCarriesTheTileItems) {
    ASSERT_TRUE(ProfileOf(LibraryId::Gr).stampTransferCarriesTileItems);
    ASSERT_FALSE(ProfileOf(LibraryId::Test).stampTransferCarriesTileItems);
    ItemSetRawById(ctx_, kItWdmWmLinePitch, 7);
    ItemSetRawById(ctx_, kItWdmWmTileRotate, 45);
    EnsureParentDir(GetIniFilePath(ctx_));
    ASSERT_EQ(SetStampCount(ctx_, 1), 1);
    ASSERT_EQ(SaveStampByIndexGr(ctx_, 0), 1);
    WCHAR section[64] = {};
    ASSERT_NE(FormatStampSection(section, 0, ctx_), nullptr);
    const WCHAR* ini = GetIniFilePath(ctx_);
    for (int id = kItWdmWmLinePitch; id <= kItWdmWmTileRotate; ++id) {
        const DmItem* it = ItemFindById(ctx_, id);
        ASSERT_NE(it, nullptr);
        WCHAR value[32] = {};
        GetPrivateProfileStringW(section, it->fieldName, u"absent", value, 32, ini);
        EXPECT_NE(std::u16string(value), u"absent") << "item " << id;
    }
    ItemSetRawById(ctx_, kItWdmWmLinePitch, 0);
    ItemSetRawById(ctx_, kItWdmWmTileRotate, 0);
    ASSERT_EQ(LoadStampByIndexGr(ctx_, 0), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItWdmWmLinePitch), 7u);
    EXPECT_EQ(ItemRawById(ctx_, kItWdmWmTileRotate), 45u);
}

// A full import of a settings file opens no job-control session, and a
// rejected header shows no message.
TEST_F(GrForms, ImportsWithoutJobControlOrMessages) {
    WCHAR path[kWsPathChars] = {};
    ASSERT_NE(BuildPrivateDirPath(path, kWsPathChars, u"gr-import.rst"), nullptr);
    ASSERT_EQ(SettingsExportGr(printer_, path, kStWrite, ctx_), 1);
    journalOn();
    EXPECT_EQ(SettingsImportGr(printer_, path, kStRead, ctx_), 1);
    EXPECT_EQ(ctx_->ws->rejectedFile, 0u);
    EXPECT_EQ(winsim::journalCount("JcOpen"), 0u);
    EXPECT_EQ(RstCheckHeaderGr(path, "RstVersion=1\r\n", 1, ctx_, 1), 0);
    EXPECT_EQ(winsim::journalCount("MessageBoxW"), 0u);
    EXPECT_EQ(std::u16string(GetLangSectionGr(ctx_)), std::u16string(GetLangCode(ctx_)));
}

// A free size is cached with its name as stored (there is no resource
// string to stand for it).
TEST_F(GrForms, AFreeSizeKeepsItsStoredName) {
    ItemSetString(ctx_, ItemFindById(ctx_, kItWdmFreeSizeName), u"Poster");
    ItemSetRawById(ctx_, kItWdmFreeSizeWidth, 4000);
    ItemSetRawById(ctx_, kItWdmFreeSizeLength, 6000);
    ASSERT_EQ(OptionsToCachedFreeSizeGr(ctx_, 2), 1);
    const WsFreeSize& s = ctx_->ws->freeSizes[2];
    EXPECT_STREQ(s.userName, "Poster");
    EXPECT_STREQ(s.displayName, "Poster");
    EXPECT_STREQ(s.displayNameSized, "Poster");
    EXPECT_EQ(s.width, 4000);
}

// The services both the option-constraint and the graphics library carry.
TEST_F(GrForms, TheSharedServices) {
    DmWriteSignatureExc(ctx_);
    EXPECT_EQ(ansiItem(kItRdmIniFileName), "KW12D170.ini");
    EXPECT_EQ(ansiItem(kItRdmiCDCVerStr), "01.00");
    EXPECT_EQ(ansiItem(kItRdmKwomMark), "");
    EXPECT_EQ(ItemRawById(ctx_, kItRdmKwomVersion), 0u);

    EXPECT_EQ(std::u16string(GetResLangCodeExc(ctx_)), u"us");
    EXPECT_EQ(std::u16string(GetResLangCodeExc(nullptr)), u"us");

    OptFindApply(ctx_, kItRdmFuncSelectTonerSave, 1);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmFuncSelectTonerSave), 1u);
    OptFindApply(ctx_, 60000, 1);  // an unknown id does nothing

    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(PrnGetInfoExc(printer_, 2));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(std::u16string(info->pPrinterName), printerName_);
    PrnFreeInfo2(info);
    winsim::failCall("GetPrinterW", 2, ERROR_INVALID_HANDLE);
    EXPECT_EQ(PrnGetInfoExc(printer_, 2), nullptr);
    EXPECT_EQ(FontListsLoadExc(ctx_), 1);
}
