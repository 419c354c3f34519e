// One page or dialog of the page table run on its own: a sheet session is
// opened as the spooler's sheet call would open it (without the common UI,
// so no pages are added), the page runs under the page procedure and the
// session closes, saving when the user ended the page with OK.
#include "sheets/page_runner.h"

#include <win/user.h>

#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "dialogs/file_dialogs.h"
#include "pipeline/file_button.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

// The two sheet kinds' headers and the call that opened the session, so
// that the same call closes it.
struct RunSession {
    DOCUMENTPROPERTYHEADER doc{};
    DEVICEPROPERTYHEADER device{};
    PROPSHEETUI_INFO info{};
    PFNPROPSHEETUI call = nullptr;
    DrvContext* ctx = nullptr;

    bool open(PFNPROPSHEETUI sheet, LPARAM header) {
        info = PROPSHEETUI_INFO{};
        info.cbSize = sizeof info;
        info.Reason = PROPSHEETUI_REASON_INIT;
        info.lParamInit = header;
        call = sheet;
        if (call(&info, 0) != 1) return false;
        ctx = reinterpret_cast<DrvContext*>(info.UserData);
        return ctx != nullptr;
    }
    void close() {
        if (!ctx) return;
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        call(&info, 0);
        ctx = nullptr;
    }
};

// A template made as a child window is a sheet page; any other runs as a
// dialog of its own.
bool isChildTemplate(HMODULE strings, DWORD id) {
    HRSRC r = FindResourceW(strings, MAKEINTRESOURCEW(id), RT_DIALOG);
    const auto* p = r ? static_cast<const BYTE*>(LockResource(LoadResource(strings, r))) : nullptr;
    if (!p || SizeofResource(strings, r) < 16) return false;
    const uint32_t style = uint32_t(p[12] | (p[13] << 8) | (p[14] << 16) | (uint32_t(p[15]) << 24));
    return (style & WS_CHILD) != 0;
}

bool runsInSheet(const UiPage& page, HMODULE strings) {
    return !(page.kind & kPageUserSetting) && !PageIsFileDialog(&page) && isChildTemplate(strings, page.id);
}

// The page on its own: IDOK or IDCANCEL for a sheet page, the dialog's end
// id for a dialog; marks the session changed when the user kept what the
// page set.
LONG runPage(DrvContext* ctx, UiPage& page, HWND owner) {
    SheetSession* s = SheetSessionOf(ctx);
    HMODULE strings = ResGetStringDll(ctx);
    if (!s || !strings) return kRunPageNoSession;
    if (!FindResourceW(strings, MAKEINTRESOURCEW(page.id), RT_DIALOG)) return kRunPageNotShown;
    if (runsInSheet(page, strings)) {
        const PROPSHEETPAGEW record = SheetPageRecord(ctx, page, strings);
        const INT_PTR answer = SheetRunPages(ctx, &record, 1, 0, owner, strings, nullptr);
        if (answer < 0) return kRunPageNotShown;
        if (answer > 0) s->changed = 1;
        return answer > 0 ? IDOK : IDCANCEL;
    }
    const int answer = OnFileButton(ctx, 0, page.id, owner);
    if (answer < 0) return kRunPageNotShown;
    const UiPageState* st = UiPageStateOf(ctx);
    if (st && st->proceedFlag) s->changed = 1;
    return answer;
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" LONG WINAPI VeskUiRunPage(HWND hWnd, HANDLE hPrinter, LPWSTR pPrinterName, DWORD pageId, PDEVMODEW pdmIn,
                                     PDEVMODEW pdmOut, DWORD cbOut) {
    if (!hPrinter || pageId == 0 || pageId > 0xFFFF) return kRunPageNotAPage;
    RunSession run;
    run.doc.cbSize = sizeof run.doc;
    run.doc.hPrinter = hPrinter;
    run.doc.pszPrinterName = pPrinterName;
    run.doc.pdmIn = pdmIn;
    run.doc.pdmOut = pdmOut && cbOut ? pdmOut : nullptr;
    run.doc.cbOut = run.doc.pdmOut ? cbOut : 0;
    run.doc.fMode = DM_IN_PROMPT | (pdmIn ? DM_IN_BUFFER : 0) | (run.doc.pdmOut ? DM_OUT_BUFFER : 0);
    if (!run.open(&DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&run.doc))) return kRunPageNoSession;
    UiPage* page = PageFindById(run.ctx, int(pageId));
    // A page of the printer sheet alone runs in a printer session.
    if (page && (page->kind & kPageDevice) && !(page->kind & kPageDocument)) {
        run.close();
        run.device.cbSize = sizeof run.device;
        run.device.hPrinter = hPrinter;
        run.device.pszPrinterName = pPrinterName;
        if (!run.open(&DrvDevicePropertySheets, reinterpret_cast<LPARAM>(&run.device))) return kRunPageNoSession;
        page = PageFindById(run.ctx, int(pageId));
    }
    const LONG answer = page ? runPage(run.ctx, *page, hWnd) : kRunPageNotAPage;
    run.close();
    return answer;
}
