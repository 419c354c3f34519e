// The job's settings at the start of a document: the identity items the job
// brought (user, code, passwords, document and owner names, fax number and
// line) are kept across the reload of the persisted settings, the
// bidirectional settings and the merge of the job's DEVMODE, and put back.
#include <win/devmode.h>

#include <cstring>

#include "core/devmode/dm_layout.h"
#include "core/item_store.h"
#include "common_calls/context_devmode.h"
#include "common_calls/start_doc_steps.h"
#include "job_state.h"
#include "core/item_ids.h"

namespace vesk {
namespace {

constexpr uint32_t kCreateStartDoc = 0x20000;

// The identity text items and the longest text each keeps (characters).
struct IdentityItem {
    int id;
    size_t maxChars;
};
constexpr IdentityItem kIdentityItems[] = {
    {215, 8}, {216, 8}, {220, 8}, {221, 8}, {217, 16}, {219, 16}, {243, 64},
};
constexpr size_t kIdentityCount = sizeof kIdentityItems / sizeof kIdentityItems[0];
constexpr size_t kKeptBytes = 65;

struct KeptIdentity {
    char text[kIdentityCount][kKeptBytes];
    uint32_t telLine;
};

void keep(DrvContext* ctx, KeptIdentity& k) {
    std::memset(&k, 0, sizeof k);
    for (size_t i = 0; i < kIdentityCount; ++i) {
        DmItem* it = ItemFindById(ctx, kIdentityItems[i].id);
        const BYTE* field = it ? ItemGetRawAddress(ctx, it) : nullptr;
        if (!field) continue;
        size_t n = 0;
        const size_t size = itemSize(*it);
        while (n < size && field[n]) ++n;
        if (n <= kIdentityItems[i].maxChars && n < kKeptBytes) std::memcpy(k.text[i], field, n);
    }
    k.telLine = ItemRawById(ctx, kItRdmTelLine) & 0xFF;
}

void restore(DrvContext* ctx, const KeptIdentity& k) {
    for (size_t i = 0; i < kIdentityCount; ++i) {
        if (!k.text[i][0]) continue;
        DmItem* it = ItemFindById(ctx, kIdentityItems[i].id);
        if (!it || itemSize(*it) == 0) continue;
        // The field takes the kept text with its terminator, zero-filled.
        BYTE field[kKeptBytes + 1] = {};
        const size_t n = std::strlen(k.text[i]);
        if (n >= itemSize(*it)) continue;
        std::memcpy(field, k.text[i], n);
        ItemSetRawBytes(ctx, it, field);
    }
    ItemSetRawById(ctx, kItRdmTelLine, k.telLine);
}

}  // namespace

int StartDocRefreshSettings(Pdev* p, uint32_t mergeFlags) {
    DrvContext* ctx = p->ctx;
    KeptIdentity kept;
    keep(ctx, kept);
    if (ctx->ws) ctx->ws->creationFlags = kCreateStartDoc;
    OptLoadClassesGr(ctx);
    BidiIniApplyAtStartDoc(ctx);
    DmApplyDevmodeFlagsGr(ctx, reinterpret_cast<const DEVMODEW*>(p->devmode), mergeFlags);
    if (p->devmode && p->devmodeSize > dm::kOffCollate + 1) {
        if (!(dm::fields(p->devmode) & DM_COLLATE)) ItemSetRawById(ctx, kItRdmFuncSelectSort, 0);
        if (dm::rds16(p->devmode, dm::kOffCollate) == 1) ItemSetRawById(ctx, kItRdmFuncSelectSort, 1);
    }
    restore(ctx, kept);
    JcStartDocHandover(ctx, p->printer, p->jobId);
    return 1;
}

}  // namespace vesk
