// The job-control commands and the wrappers the rest of the driver calls.
//
// A command that opens a connection for its own work (fetch, store, the
// probe) reuses a connection the caller already holds and leaves it open:
// it closes and unloads only what it opened itself, so a stretch opened with
// kJcOpen keeps its connection across such commands.
#include <cstring>

#include "core/context_access.h"
#include "core/devmode/dm_flags.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/jobctl/jc_client.h"
#include "core/jobctl/jc_items.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/usercode/user_code.h"

namespace vesk {
namespace {

constexpr uint32_t kLanguageSelector = 1;

// Job control is on in this driver.
bool jobControlOn() { return ReturnTrue() != 0; }

JcWorkspace* stateOf(DrvContext* ctx) { return ctx && ctx->ws ? &ctx->ws->jc : nullptr; }

void clearProviderFlags(DrvContext* ctx) {
    DmClearProviderUserCode(ctx);
    DmClearProviderUserCode2(ctx);
}

DWORD openConnection(DrvContext* ctx) {
    JcWorkspace& jc = ctx->ws->jc;
    if (jc.connection) return kJcOk;
    HANDLE conn = nullptr;
    const DWORD r = jc.table->open(PrnGetPrinterName(ctx), &conn);
    if (r == kJcOk) jc.connection = conn;
    return r;
}

void closeConnection(JcWorkspace& jc) {
    if (jc.connection && jc.table) jc.table->close(jc.connection);
    jc.connection = nullptr;
}

// What a command set up for itself, undone at its end.
class Session {
public:
    explicit Session(DrvContext* ctx) : ctx_(ctx), jc_(ctx->ws->jc) {}
    ~Session() {
        if (opened_) closeConnection(jc_);
        if (loaded_) JcUnloadInterface(&jc_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    DWORD load() {
        if (jc_.module) return kJcOk;
        const DWORD r = JcLoadInterface(&jc_);
        loaded_ = r == kJcOk;
        return r;
    }
    DWORD open() {
        if (jc_.connection) return kJcOk;
        const DWORD r = openConnection(ctx_);
        opened_ = r == kJcOk;
        return r;
    }

private:
    DrvContext* ctx_;
    JcWorkspace& jc_;
    bool loaded_ = false;
    bool opened_ = false;
};

void getItems(DrvContext* ctx, uint32_t mask) {
    for (size_t i = 0; i < kJcItemRows; ++i)
        if (mask & JcItemTable()[i].maskBit) JcGetRow(ctx, JcItemTable()[i]);
}

void setItems(DrvContext* ctx, uint32_t mask, JcSetMode mode) {
    for (size_t i = 0; i < kJcItemRows; ++i)
        if (mask & JcItemTable()[i].maskBit) JcSetRow(ctx, JcItemTable()[i], mode);
}

DWORD printerOperation(DrvContext* ctx, bool a) {
    Session s(ctx);
    if (DWORD r = s.load()) return r;
    JcInterface* t = ctx->ws->jc.table;
    return a ? t->printerA(PrnGetPrinterName(ctx)) : t->printerB(PrnGetPrinterName(ctx));
}

DWORD itemsInOwnConnection(DrvContext* ctx, uint32_t mask, bool fetch) {
    Session s(ctx);
    if (DWORD r = s.load()) return r;
    const DWORD r = s.open();
    if (r == kJcOk) {
        if (fetch) getItems(ctx, mask);
        else setItems(ctx, mask, JcSetMode::Set);
    }
    return r;
}

DWORD movePrinterData(DrvContext* ctx, uint32_t mask, bool save) {
    if (!ctx || !ctx->ws) return ERROR_INVALID_PARAMETER;
    for (size_t i = 0; i < kJcItemRows; ++i) {
        const JcItemRow& row = JcItemTable()[i];
        if (!(mask & row.maskBit) || row.setOnly) continue;
        DmItem* item = ItemFindById(ctx, row.itemId);
        if (save) OptSaveToPrinterDataByField(ctx->printer, ctx, item);
        else OptReadFromPrinterDataByField(ctx->printer, ctx, item);
    }
    return (mask & ~0xFFu) ? kJcMoreData : kJcOk;
}

}  // namespace

DWORD JcDispatch(DrvContext* ctx, uint32_t command, uint32_t mask) {
    JcWorkspace* jc = stateOf(ctx);
    if (!jc) return ERROR_INVALID_PARAMETER;
    switch (command) {
        case kJcGetItems:
            getItems(ctx, mask);
            return 0;
        case kJcSetItems:
            setItems(ctx, mask, JcSetMode::Set);
            return 0;
        case kJcResendItems:
            setItems(ctx, mask, JcSetMode::Resend);
            return 0;
        case kJcOpen:
        case kJcOpenGetAll: {
            if (DWORD r = JcLoadInterface(jc)) return r;
            const DWORD r = openConnection(ctx);
            if (r == kJcOk && command == kJcOpenGetAll) {
                getItems(ctx, kJcMaskAll);
                clearProviderFlags(ctx);
            }
            return r;
        }
        case kJcClose:
        case kJcCloseAlt:
            closeConnection(*jc);
            JcUnloadInterface(jc);
            return 0;
        case kJcPrinterA: {
            const DWORD r = printerOperation(ctx, true);
            clearProviderFlags(ctx);
            return r;
        }
        case kJcPrinterB:
            return printerOperation(ctx, false);
        case kJcFetch: {
            const DWORD r = itemsInOwnConnection(ctx, mask, true);
            clearProviderFlags(ctx);
            return r;
        }
        case kJcStore:
            return itemsInOwnConnection(ctx, mask, false);
        default:
            return 0;
    }
}

DWORD JcCmd30001IfOn(DrvContext* ctx) { return jobControlOn() ? JcDispatch(ctx, kJcPrinterA, 0) : 0; }
DWORD JcFetchItemsIfOn(DrvContext* ctx, uint32_t mask) { return jobControlOn() ? JcDispatch(ctx, kJcFetch, mask) : 0; }
DWORD JcOpenIfOn(DrvContext* ctx) { return jobControlOn() ? JcDispatch(ctx, kJcOpen, 0) : 0; }
DWORD JcCloseIfOn(DrvContext* ctx) { return jobControlOn() ? JcDispatch(ctx, kJcClose, 0) : 0; }
DWORD JcGetItemsIfOn(DrvContext* ctx, uint32_t mask) { return jobControlOn() ? JcDispatch(ctx, kJcGetItems, mask) : 0; }
DWORD JcSetItemsIfOn(DrvContext* ctx, uint32_t mask) { return jobControlOn() ? JcDispatch(ctx, kJcSetItems, mask) : 0; }
DWORD JcResendItemsIfOn(DrvContext* ctx, uint32_t mask) {
    return jobControlOn() ? JcDispatch(ctx, kJcResendItems, mask) : 0;
}
DWORD JcStoreItemsIfOn(DrvContext* ctx, uint32_t mask) { return jobControlOn() ? JcDispatch(ctx, kJcStore, mask) : 0; }

DWORD JcSendLanguageIfOn(DrvContext* ctx) {
    JcWorkspace* jc = stateOf(ctx);
    if (!jobControlOn() || !jc || !jc->connection || !jc->table) return 0;
    uint16_t sub = 0;
    const uint8_t primary = DispLangLookup(ItemRawById(ctx, kItRdmLanguageID), &sub);
    const BYTE record[kJcLanguageRecordSize] = {kJcLanguageRecordSize, 0, 0, 0, primary, 0,
                                                static_cast<BYTE>(sub), static_cast<BYTE>(sub >> 8)};
    return jc->table->sendLanguage(jc->connection, kLanguageSelector, record);
}

void ClearJcItemsIfOn(DrvContext* ctx, uint32_t mask) {
    if (!jobControlOn() || !stateOf(ctx)) return;
    for (size_t i = 0; i < kJcItemRows; ++i)
        if (mask & JcItemTable()[i].maskBit) JcClearRow(ctx, JcItemTable()[i]);
}

DWORD JcCallWithSession(DrvContext* ctx, uint32_t value) {
    JcWorkspace* jc = stateOf(ctx);
    if (!jc || !jc->connection || !jc->table) return 0;
    return jc->table->call(jc->connection, value);
}

DWORD JcReadItemsFromPrinterData(DrvContext* ctx, uint32_t mask) { return movePrinterData(ctx, mask, false); }
DWORD JcSaveItemsToPrinterData(DrvContext* ctx, uint32_t mask) { return movePrinterData(ctx, mask, true); }

int JcProbe(DrvContext* ctx) {
    if (!jobControlOn()) return 1;
    if (!stateOf(ctx)) return 0;
    Session s(ctx);
    if (s.load() != kJcOk) return 0;
    return s.open() == kJcOk ? 1 : 0;
}

int JcInitAtInstall(DrvContext* ctx) {
    if (!stateOf(ctx)) return 0;
    if (JcProbe(ctx) == 0) {
        JcCmd30001IfOn(ctx);
        if (LoadUserCodeForPrinter(ctx) == 1 && (ItemRawById(ctx, kItRdmLogCodeUse) & 0xFF)) {
            WCHAR code[kWsUserCodeChars] = {};
            DmItem* logCode = ItemFindById(ctx, kItRdmLogCode);
            if (logCode && ItemGetString(ctx, logCode, code, kWsUserCodeChars) && code[0]) {
                ItemSetString(ctx, ItemFindById(ctx, kItRdmUserCode), code);
                JcStoreItemsIfOn(ctx, kJcMaskUserCode);
            }
        }
    }
    return JcStoreItemsIfOn(ctx, kJcMaskDriver) == kJcOk ? 1 : 0;
}

int JobControlFetchItems(DrvContext* ctx, uint32_t mask) { return JcFetchItemsIfOn(ctx, mask) == kJcOk ? 1 : 0; }

// The import gets the user code first, as the property sheets do, so that
// the identity items it then sends are the imported ones.
int JobControlRefresh(DrvContext* ctx) {
    if (!jobControlOn()) return 0;
    if (JcOpenIfOn(ctx) != kJcOk) {
        JcCloseIfOn(ctx);
        return 0;
    }
    JcGetItemsIfOn(ctx, kJcMaskUserCode);
    JcSetItemsIfOn(ctx, kJcMaskIdentity);
    JcCloseIfOn(ctx);
    return 1;
}

void JcReleaseContext(DrvContext* ctx) {
    JcWorkspace* jc = stateOf(ctx);
    if (!jc) return;
    closeConnection(*jc);
    JcUnloadInterface(jc);
}

}  // namespace vesk
