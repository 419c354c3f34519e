// Document and printer sheet sessions over their reasons: init and its
// failures, the header, the destroy branches and their results, the
// printer update at every printer-sheet call, and the common UI reached by
// name.
#include <win/modules.h>
#include <winsim/modules.h>

#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/model/constraints.h"
#include "core/paths.h"
#include "ui/sheet_support.h"

namespace vesk::test {
namespace {

class SheetSession_ : public SheetPrinter {};

TEST_F(SheetSession_, DocumentInitAddsPagesAndDestroyLeavesNothingHeld) {
    const size_t before = heldBlocks();
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    SheetSession* s = sessionOf(i);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->kind, kSheetDocument);
    EXPECT_EQ(s->changed, 0u);
    EXPECT_FALSE(com_.pages.empty());
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY), 1);
    EXPECT_EQ(i.Result, 0u);
    EXPECT_EQ(com_.setResults, 0);
    EXPECT_EQ(i.UserData, 0u);
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();
    EXPECT_EQ(heldBlocks(), before);
}

TEST_F(SheetSession_, DocumentAndPrinterSheetsOfferTheirOwnPages) {
    auto d = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, d, PROPSHEETUI_REASON_INIT), 1);
    const size_t documentPages = com_.pages.size();
    DrvContext* ctx = contextOf(d);
    int expectDoc = 0, expectDev = 0;
    for (int p = 0; p < CtxPages(ctx)->count; ++p) {
        const UiPage& pg = CtxPages(ctx)->pages[p];
        const bool left = pg.key && MdlKeyCond1Holds(ctx, pg.key);
        expectDoc += (pg.kind & kPageDocument) && !left;
        expectDev += (pg.kind & kPageDevice) && !left;
    }
    call(DrvDocumentPropertySheets, d, PROPSHEETUI_REASON_DESTROY);
    EXPECT_EQ(int(documentPages), expectDoc);
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();

    auto p = info(reinterpret_cast<LPARAM>(&devHeader_));
    ASSERT_EQ(call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_EQ(sessionOf(p)->kind, kSheetPrinter);
    EXPECT_EQ(sessionOf(p)->permission, 1u);
    EXPECT_EQ(int(com_.pages.size()), expectDev);
    EXPECT_NE(expectDoc, expectDev);
    call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_DESTROY);
}

TEST_F(SheetSession_, AFailedInitReturnsMinusOneAndHoldsNothing) {
    const size_t before = heldBlocks();
    // No printer information.
    winsim::failCall("GetPrinterW", 1, ERROR_ACCESS_DENIED, SIZE_MAX);
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), -1);
    winsim::clearFaults();
    EXPECT_EQ(i.UserData, 0u);
    EXPECT_EQ(heldBlocks(), before);
    // Memory short at every allocation of init in turn: either the init
    // succeeds or it fails with nothing held.
    int failures = 0;
    for (size_t n = 1; n <= 400; ++n) {
        auto j = info(reinterpret_cast<LPARAM>(&docHeader_));
        winsim::failCall("GlobalAlloc", n, ERROR_NOT_ENOUGH_MEMORY);
        const LONG r = call(DrvDocumentPropertySheets, j, PROPSHEETUI_REASON_INIT);
        winsim::clearFaults();
        if (r == 1) {
            call(DrvDocumentPropertySheets, j, PROPSHEETUI_REASON_DESTROY);
            for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
            com_.pages.clear();
        } else {
            ASSERT_EQ(r, -1);
            EXPECT_EQ(j.UserData, 0u);
            ++failures;
        }
        ASSERT_EQ(heldBlocks(), before) << "allocation " << n;
        if (r == 1 && n > 50) break;
    }
    EXPECT_GT(failures, 0);
}

TEST_F(SheetSession_, APrinterThatFailsItsCheckLaterStillEndsItsSession) {
    const size_t before = heldBlocks();
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    winsim::failCall("GetPrinterW", 1, ERROR_ACCESS_DENIED, SIZE_MAX);
    PROPSHEETUI_INFO_HEADER h{};
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&h)), -1);
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY), 1);
    winsim::clearFaults();
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();
    EXPECT_EQ(heldBlocks(), before);
}

TEST_F(SheetSession_, NoHeaderOrNoInfoGivesMinusOne) {
    PROPSHEETUI_INFO i = info(0);
    EXPECT_EQ(DrvDocumentPropertySheets(&i, 0), -1);
    EXPECT_EQ(DrvDevicePropertySheets(&i, 0), -1);
    EXPECT_EQ(DrvDevicePropertySheets(nullptr, reinterpret_cast<LPARAM>(&devHeader_)), -1);
    EXPECT_EQ(DrvDocumentPropertySheets(nullptr, 0), -1);
    // A later reason without a session.
    auto j = info(reinterpret_cast<LPARAM>(&docHeader_));
    EXPECT_EQ(call(DrvDocumentPropertySheets, j, PROPSHEETUI_REASON_DESTROY), -1);
}

TEST_F(SheetSession_, HeaderCarriesFlagsTitleAndIcon) {
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    PROPSHEETUI_INFO_HEADER h{};
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&h)), 1);
    EXPECT_EQ(h.Flags, 6);
    EXPECT_EQ(std::u16string(h.pTitle), name_);
    EXPECT_EQ(h.IconID, 64082u);
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_GET_ICON), -1);
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, 77), 1);
    SETRESULT_INFO r{};
    r.Result = 5;
    EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_SET_RESULT, reinterpret_cast<LPARAM>(&r)), 1);
    EXPECT_EQ(i.Result, 5u);
    call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);

    // A printer sheet started without a name takes the printer's own.
    devHeader_.pszPrinterName = nullptr;
    auto p = info(reinterpret_cast<LPARAM>(&devHeader_));
    ASSERT_EQ(call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_INIT), 1);
    PROPSHEETUI_INFO_HEADER ph{};
    call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&ph));
    ASSERT_NE(ph.pTitle, nullptr);
    EXPECT_EQ(std::u16string(ph.pTitle), name_);
    call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_DESTROY);
}

TEST_F(SheetSession_, DestroyBranchesAndTheirResults) {
    struct Case {
        const char* name;
        DWORD mode;
        bool changed, applied;
        ULONG_PTR result;
    };
    for (const Case& c : {Case{"changed, copy", DM_COPY, true, false, 1}, Case{"changed, no output", 0, true, false, 1},
                          Case{"applied", 0, false, true, 1}, Case{"plain", DM_COPY, false, false, 0}}) {
        const size_t before = heldBlocks();
        docHeader_.fMode = c.mode;
        com_.setResults = 0;
        auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
        ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1) << c.name;
        sessionOf(i)->changed = c.changed;
        sessionOf(i)->applied = c.applied;
        call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);
        EXPECT_EQ(i.Result, c.result) << c.name;
        EXPECT_EQ(com_.setResults, int(c.result)) << c.name;
        for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
        com_.pages.clear();
        EXPECT_EQ(heldBlocks(), before) << c.name;
    }
}

TEST_F(SheetSession_, CancelAfterADeviceQueryRestoresTheSnapshot) {
    ASSERT_EQ(winsim::setPrinterData(name_, u"BidiFlag", REG_DWORD, {1, 0, 0, 0}), DWORD(ERROR_SUCCESS));
    const size_t before = heldBlocks();
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    SheetSession* s = sessionOf(i);
    ASSERT_NE(s->snapshot, nullptr);
    DrvContext* ctx = contextOf(i);
    const uint32_t preset = ItemRawById(ctx, 41);
    ItemSetRawById(ctx, 41, preset + 3);
    call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);
    EXPECT_EQ(i.Result, 1u);
    EXPECT_EQ(com_.setResults, 1);
    // The released context (kept by the cache) holds the settings of init.
    EXPECT_EQ(ItemRawById(ctx, 41), preset);
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();
    EXPECT_EQ(heldBlocks(), before);
}

TEST_F(SheetSession_, ASnapshotIsFreedOnEveryDestroyPath) {
    ASSERT_EQ(winsim::setPrinterData(name_, u"BidiFlag", REG_DWORD, {1, 0, 0, 0}), DWORD(ERROR_SUCCESS));
    const size_t before = heldBlocks();
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    ASSERT_NE(sessionOf(i)->snapshot, nullptr);
    sessionOf(i)->changed = 1;  // the path that does not copy it back
    call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();
    EXPECT_EQ(heldBlocks(), before);
}

TEST_F(SheetSession_, PrinterSheetPublishesAtEveryCallAndSavesOnlyWhenChanged) {
    winsim::journalEnable(true);
    winsim::journalClear();
    auto i = info(reinterpret_cast<LPARAM>(&devHeader_));
    ASSERT_EQ(call(DrvDevicePropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_EQ(winsim::journalCount("SetPrinterW"), 1u);
    PROPSHEETUI_INFO_HEADER h{};
    call(DrvDevicePropertySheets, i, PROPSHEETUI_REASON_GET_INFO_HEADER, reinterpret_cast<LPARAM>(&h));
    EXPECT_EQ(winsim::journalCount("SetPrinterW"), 2u);
    call(DrvDevicePropertySheets, i, PROPSHEETUI_REASON_DESTROY);
    EXPECT_EQ(winsim::journalCount("SetPrinterW"), 3u);
    EXPECT_EQ(i.Result, 0u);
    EXPECT_EQ(com_.setResults, 0);
    for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
    com_.pages.clear();

    auto j = info(reinterpret_cast<LPARAM>(&devHeader_));
    ASSERT_EQ(call(DrvDevicePropertySheets, j, PROPSHEETUI_REASON_INIT), 1);
    sessionOf(j)->changed = 1;
    call(DrvDevicePropertySheets, j, PROPSHEETUI_REASON_DESTROY);
    EXPECT_EQ(j.Result, 1u);
    EXPECT_EQ(com_.setResults, 1);
    winsim::journalEnable(false);
}

TEST_F(SheetSession_, NoPermissionComesFromTheCallersFlags) {
    docHeader_.fMode = 0x20;
    auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_EQ(DmGetNoPermission(contextOf(i)), 1);
    call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);
    devHeader_.Flags = DPS_NOPERMISSION;
    auto p = info(reinterpret_cast<LPARAM>(&devHeader_));
    ASSERT_EQ(call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_INIT), 1);
    EXPECT_EQ(DmGetNoPermission(contextOf(p)), 1);
    EXPECT_EQ(sessionOf(p)->permission, 0u);
    call(DrvDevicePropertySheets, p, PROPSHEETUI_REASON_DESTROY);
}

TEST_F(SheetSession_, InstallerHandOverSetsTheDisplayLanguage) {
    WCHAR dir[kWsPathChars] = {};
    ASSERT_GT(GetPrivateDirPlain(dir, kWsPathChars), 0u);
    const std::u16string file = std::u16string(dir) + u"\\KW00C170.ini";
    auto languageAfterInit = [&]() {
        auto i = info(reinterpret_cast<LPARAM>(&docHeader_));
        EXPECT_EQ(call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_INIT), 1);
        const uint32_t v = ItemRawById(contextOf(i), 177);
        call(DrvDocumentPropertySheets, i, PROPSHEETUI_REASON_DESTROY);
        for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
        com_.pages.clear();
        CtxCacheFlush(1);
        return v;
    };
    const uint32_t plain = languageAfterInit();
    // The INI functions name the section with brackets made commas.
    std::u16string cleaned = name_;
    IniSectionBracketsToCommas(cleaned.data());
    const std::string section = "[" + winsim::toUtf8(cleaned) + "]\r\n";
    // Without VeskInstDone the language stays.
    write(file, section + "DispLang=9\r\n");
    EXPECT_EQ(languageAfterInit(), plain);
    write(file, section + "VeskInstDone=1\r\nDispLang=" + std::to_string(plain + 1) + "\r\n");
    EXPECT_EQ(languageAfterInit(), plain + 1);
}

TEST_F(SheetSession_, MissingCommonUiRunsNothing) {
    static int calls = 0;
    calls = 0;
    auto counting = [](PPROPSHEETUI_INFO, LPARAM) -> LONG {
        ++calls;
        return -1;
    };
    winsim::setModuleMissing(u"compstui.dll", true);
    DWORD result = 7;
    EXPECT_EQ(RunCommonPropertySheet(nullptr, counting, 0, &result), -1);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(result, 7u);
    // The older entry reports the failure (it once answered TRUE).
    EXPECT_FALSE(PrinterProperties(nullptr, printer_));
    winsim::setModuleMissing(u"compstui.dll", false);
    EXPECT_EQ(RunCommonPropertySheet(nullptr, counting, 0, &result), -1);
    EXPECT_EQ(calls, 2);  // init, then destroy after the refusal
}

}  // namespace
}  // namespace vesk::test
