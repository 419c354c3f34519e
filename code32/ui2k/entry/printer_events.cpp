// DrvPrinterEvent and its handlers: connections added and deleted, a printer
// initialised, deleted or its cache refreshed.
#include <win/windows.h>

#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/install/install_steps.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/locks.h"
#include "core/devmode/dm_state.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/printer_identity.h"
#include "entry/scoped.h"
#include "entry/ui_entry.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/install/batch_install.h"
#include "core/install/install_printer.h"
#include "core/install/install_rename.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

constexpr uint32_t kFeatureRemoteConfig = 7;
// Job-control operations of a deleted connection and a deleted printer.
constexpr uint32_t kJcDeleteConnectionOps[] = {2, 3, 4, 5, 8};
constexpr uint32_t kJcDeletePrinterOps[] = {256, 257, 258};

constexpr DWORD kAllThenRead[] = {PRINTER_ALL_ACCESS, PRINTER_READ};
constexpr DWORD kAllThenServerThenUse[] = {PRINTER_ALL_ACCESS, SERVER_ALL_ACCESS, PRINTER_ACCESS_USE};

template <size_t N>
HANDLE openChain(const WCHAR* name, const DWORD (&rights)[N]) {
    return OpenPrinterWith(name, rights, N);
}

// The thread runs as the spooler itself for the scope; the client's identity
// is restored only with a token RevertToPrinterSelf really handed out.
class AsSpooler {
public:
    AsSpooler() : token_(RevertToPrinterSelf()) {}
    ~AsSpooler() {
        if (token_) ImpersonatePrinterClient(token_);
    }
    AsSpooler(const AsSpooler&) = delete;
    AsSpooler& operator=(const AsSpooler&) = delete;

private:
    HANDLE token_;
};

// Job control opened for the context, the operations called, closed.
template <size_t N>
void callJobControl(DrvContext* ctx, const uint32_t (&ops)[N]) {
    JcOpenIfOn(ctx);
    for (uint32_t op : ops) JcCallWithSession(ctx, op);
    JcCloseIfOn(ctx);
}

}  // namespace

int PrinterEventAddConnection(const WCHAR* name) {
    ScopedPrinter h(openChain(name, kAllThenRead));
    if (!h) return 0;
    InstallMark mark;
    mark.set();
    int ok;
    {
        const bool mutex = IsFeatureOn(kFeatureRemoteConfig) != 0;
        if (mutex) TsMutexWait();
        ok = InstallPrinter(h.get(), nullptr, kInstallAddConnection) ? 1 : 0;
        if (mutex) TsMutexRelease();
    }
    mark.clear();
    if (!WriteInstallStamp(h.get(), 1, 0)) ok = 0;
    if (ok && !InstallMigrateQuality(h.get())) ok = 0;
    if (ok && !InstallCheckRstVersion(h.get(), 1)) ok = 0;
    if (ok) {
        ScopedInfo2 info(PrnGetInfo2(h.get()));
        if (InstallApplyDefaultRst(h.get(), info.get()) == 1) ok = 0;
    }
    return ok;
}

int PrinterEventDeleteConnection(const WCHAR* name) {
    ScopedPrinter h(openChain(name, kAllThenServerThenUse));
    if (!h) return 0;
    ScopedContext ctx(CtxCreate(h.get(), h.get(), nullptr, kCreateInterface));
    if (ctx) {
        JcOpenIfOn(ctx.get());
        ItemSetString(ctx.get(), ItemFindById(ctx.get(), kItRdmUserCode), u"");
        for (uint32_t op : kJcDeleteConnectionOps) JcCallWithSession(ctx.get(), op);
        JcCloseIfOn(ctx.get());
        WCHAR ini[kWsPathChars] = {};
        if (GetIniFilePathEx(ini, 0)) {
            SetBatchInstallDoneIni(ini, name, 0);
            IniWriteString(name, u"DrvInstVersion", u"", ini);
        }
    }
    return 1;
}

int PrinterEventInitialize(const WCHAR* name) {
    ScopedPrinter h(OpenPrinterAs(name, PRINTER_ALL_ACCESS));
    if (!h) return 0;
    AsSpooler self;
    InstallMark mark;
    mark.set();
    if (PrnBatchInstallDone(h.get())) return 1;
    if (!OsIsNt5OrLater()) {
        const int installed = InstallPrinter(h.get(), nullptr, kInstallInitialise);
        mark.clear();
        return installed && WriteInstallStamp(h.get(), 1, 0) ? 1 : 0;
    }
    if (VeskIniHasAppSection(h.get())) return 1;
    int installed;
    {
        TsMutexHold mutex;
        installed = InstallPrinter(h.get(), nullptr, kInstallInitialise);
    }
    return installed && WriteInstallStamp(h.get(), 1, 0) ? 1 : 0;
}

int PrinterEventDelete(const WCHAR* name) {
    ScopedPrinter h(openChain(name, kAllThenServerThenUse));
    if (!h) return 0;
    ScopedContext ctx(CtxCreate(h.get(), h.get(), nullptr, kCreateInterface));
    if (ctx) callJobControl(ctx.get(), kJcDeletePrinterOps);
    return 1;
}

int PrinterEventCacheRefresh(const WCHAR* name) {
    ScopedPrinter h(openChain(name, kAllThenServerThenUse));
    if (!h) return 0;
    InstallCopyFilesToSystemDir(h.get());
    return 1;
}

}  // namespace vesk

VESK_UI_EXPORT BOOL WINAPI DrvPrinterEvent(LPWSTR pPrinterName, INT DriverEvent, DWORD, LPARAM) {
    using namespace vesk;
    switch (DriverEvent) {
    case PRINTER_EVENT_ADD_CONNECTION: {
        AsSpooler self;
        return PrinterEventAddConnection(pPrinterName) ? TRUE : FALSE;
    }
    case PRINTER_EVENT_DELETE_CONNECTION: {
        AsSpooler self;
        PrinterEventDeleteConnection(pPrinterName);
        return TRUE;
    }
    case PRINTER_EVENT_INITIALIZE: return PrinterEventInitialize(pPrinterName) ? TRUE : FALSE;
    case PRINTER_EVENT_DELETE:
        PrinterEventDelete(pPrinterName);
        return TRUE;
    case PRINTER_EVENT_CACHE_REFRESH: return PrinterEventCacheRefresh(pPrinterName) ? TRUE : FALSE;
    default: return TRUE;
    }
}
