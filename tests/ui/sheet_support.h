// The sample printer with its resource libraries for the sheet tests, and
// a stand-in for the common UI's function that records what a session
// hands it.
#pragma once
#include <gtest/gtest.h>

#include <win/compstui.h>
#include <win/memory.h>
#include <win/prsht.h>
#include <win/winddiui.h>
#include <winsim/memory.h>
#include <winsim/window.h>

#include <vector>

#include "common/res_support.h"
#include "core/context_cache.h"
#include "core/model/cache.h"
#include "sheets/sheet_session.h"

namespace vesk::test {

// What a session asked of the common UI.
struct ComLog {
    std::vector<HPROPSHEETPAGE> pages;
    int setResults = 0;
    bool refuseOdd = false;  // every second page is refused
    int offered = 0;
    static ComLog*& current() {
        static ComLog* l = nullptr;
        return l;
    }
};

inline LONG_PTR CALLBACK fakeComPropSheet(HANDLE, UINT function, LPARAM p1, LPARAM p2) {
    ComLog* l = ComLog::current();
    if (!l) return 0;
    if (function == CPSFUNC_ADD_HPROPSHEETPAGE) {
        if (l->refuseOdd && (l->offered++ % 2)) return 0;
        l->pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(p1));
        return LONG_PTR(l->pages.size());
    }
    if (function == CPSFUNC_SET_RESULT && p2 == 1) ++l->setResults;
    return 1;
}

class SheetPrinter : public ResourcePrinter {
protected:
    void SetUp() override {
        ResourcePrinter::SetUp();
        winsim::ui::reset();
        ComLog::current() = &com_;
        docHeader_.cbSize = sizeof docHeader_;
        docHeader_.hPrinter = printer_;
        docHeader_.pszPrinterName = const_cast<LPWSTR>(name_.c_str());
        devHeader_.cbSize = sizeof devHeader_;
        devHeader_.hPrinter = printer_;
        devHeader_.pszPrinterName = const_cast<LPWSTR>(name_.c_str());
    }
    void TearDown() override {
        for (HPROPSHEETPAGE p : com_.pages) DestroyPropertySheetPage(p);
        com_.pages.clear();
        ComLog::current() = nullptr;
        ResourcePrinter::TearDown();
    }
    // Nothing a session took stays behind once the caches are emptied.
    size_t heldBlocks() {
        CtxCacheFlush(1);
        MdlCacheFreeAll();
        return winsim::liveGlobalBlocks();
    }
    PROPSHEETUI_INFO info(LPARAM header) {
        PROPSHEETUI_INFO i{};
        i.cbSize = sizeof i;
        i.Reason = PROPSHEETUI_REASON_INIT;
        i.hComPropSheet = reinterpret_cast<HANDLE>(uintptr_t(0x5150));
        i.pfnComPropSheet = &fakeComPropSheet;
        i.lParamInit = header;
        return i;
    }
    LONG call(PFNPROPSHEETUI sheet, PROPSHEETUI_INFO& i, WORD reason, LPARAM lParam = 0) {
        i.Reason = reason;
        return sheet(&i, lParam);
    }
    DrvContext* contextOf(const PROPSHEETUI_INFO& i) { return reinterpret_cast<DrvContext*>(i.UserData); }
    SheetSession* sessionOf(const PROPSHEETUI_INFO& i) { return SheetSessionOf(contextOf(i)); }

    ComLog com_;
    DOCUMENTPROPERTYHEADER docHeader_{};
    DEVICEPROPERTYHEADER devHeader_{};
};

}  // namespace vesk::test
