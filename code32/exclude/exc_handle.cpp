#include "exc_handle.h"

#include <win/spooler.h>

#include <cstring>

#include "common_calls/context_forms.h"
#include "common_calls/jc_query.h"
#include "core/context_cache.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr int kPrinterNameChars = 260;
constexpr DWORD kJcItemUserCode = 1;
constexpr DWORD kJcTextKind = 1;

void releaseContext(ExcContext* h) {
    if (!h->ctx) return;
    // A released context never stays cached: the next one is built from
    // the printer's stored settings.
    CtxRelease(h->ctx);
    CtxCacheFlush(1);
    h->ctx = nullptr;
}

// The user code the job-control library keeps for the printer goes into
// the context; without an answer the stored one stays.
void takeUserCode(ExcContext* h) {
    WCHAR answer[9] = {};  // 18 bytes, the query's size for the user code
    static_assert(sizeof answer == 18);
    if (JcQueryStringExc(h->printer, kJcItemUserCode, kJcTextKind, answer) != 1) return;
    // The item holds at most 8 ANSI bytes, cut on a character boundary.
    ItemSetString(h->ctx, ItemFindById(h->ctx, kItRdmUserCode), answer);
}

void freeHandle(ExcContext* h) {
    ExcResetHandle(h, 0);
    MemFree(h->given);
    MemFree(h->values);
    releaseContext(h);
    if (h->printer) ClosePrinter(h->printer);
    MemFree(h);
}

}  // namespace

int ExcOpenContext(ExcContext* h, int query) {
    if (!h) return -1;
    releaseContext(h);
    h->ctx = CtxCreate(h->printer, h->printer, nullptr, kCreateExc);
    if (!h->ctx) return -1;
    BidiRefreshOnOpenExc(h->ctx, query);
    takeUserCode(h);
    return 0;
}

int ExcResetHandle(ExcContext* h, int reopen) {
    if (!h) return -1;
    if (h->given) std::memset(h->given, 0, static_cast<size_t>(h->count));
    if (h->values) std::memset(h->values, 0, sizeof(uint32_t) * static_cast<size_t>(h->count));
    MemFree(h->change);
    h->change = nullptr;
    h->changeLength = 0;
    MemFree(h->base);
    h->base = nullptr;
    h->baseLength = 0;
    return reopen == 1 ? ExcOpenContext(h, 0) : 0;
}

ExcContext* ExcUsableHandle(void* handle) {
    auto* h = static_cast<ExcContext*>(handle);
    return h && h->ctx ? h : nullptr;
}

}  // namespace vesk

using namespace vesk;

void* WINAPI ExcGetExclusive(const char* printerName) {
    if (!printerName) return nullptr;
    // A name that does not fit is refused, never cut: a cut name could
    // open another printer.
    WCHAR name[kPrinterNameChars] = {};
    if (StrAnsiToWide(name, printerName, kPrinterNameChars) != 1 || !name[0]) return nullptr;
    auto* h = static_cast<ExcContext*>(MemAllocZero(sizeof(ExcContext)));
    if (!h) return nullptr;
    if (!OpenPrinterW(name, &h->printer, nullptr)) {
        h->printer = nullptr;
        freeHandle(h);
        return nullptr;
    }
    h->count = kExcItemCount;
    h->given = static_cast<BYTE*>(MemAllocZero(static_cast<size_t>(kExcItemCount)));
    h->values = static_cast<uint32_t*>(MemAllocZero(sizeof(uint32_t) * kExcItemCount));
    if (!h->given || !h->values || ExcOpenContext(h, 1) != 0) {
        freeHandle(h);
        return nullptr;
    }
    return h;
}

void WINAPI ExcFreeExclusive(void* handle) {
    if (handle) freeHandle(static_cast<ExcContext*>(handle));
}
