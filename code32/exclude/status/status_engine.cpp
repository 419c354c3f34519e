// The status engine: the frame around the item handlers. A Set reloads the
// persisted document settings, refuses items whose main option may not be
// changed, runs the item's Set, the tracking and the Verify, and either keeps
// the result (then carries out the outside writes the handlers queued) or
// puts the DEVMODE back as it was.
#include "status/status_engine.h"

#include <cstring>
#include <vector>

#include "api/api_devmode.h"
#include "api/api_handle.h"
#include "commands/devmode_sections.h"
#include "core/model/eval.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/persist/opt_persist.h"
#include "core/ui_lookup.h"
#include "core/ui_table.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItMarginSwitch = 70, kItSortType = 129, kItShiftMarginY = 105;
constexpr uint32_t kStatusSort = 19, kStatusMargin = 18;

// Capability item 34: the model has a Numeric shift-margin option.
bool shiftMarginIsNumeric(DrvContext* ctx) { return MdlGetOptionType(ctx, kItShiftMarginY) == kMdlNumeric; }

// Step 7: the main option must be neither disabled nor hidden; item 19 may
// go on with a hidden switch when its sort type may be changed.
bool mainOptionRefuses(DrvContext* ctx, const DrvApiItem* row, const BYTE* record) {
    if (!row->mainOption) return false;
    const uint32_t o = MdlFindBoundOption(row->mainOption, ctx);
    if (!o) return false;
    const bool c1 = MdlEvalOptionCond1(ctx, o, 0) == 1, c2 = MdlEvalOptionCond2(ctx, o, 0) == 1;
    if (!c1 && !c2) return false;
    if (row->id == kStatusSort && c2 && !c1 && RecU32(record, rec32::kSwitch) != 0) {
        const uint32_t sort = MdlFindBoundOption(kItSortType, ctx);
        return sort && (MdlEvalOptionCond1(ctx, sort, 0) == 1 || MdlEvalOptionCond2(ctx, sort, 0) == 1);
    }
    return true;
}

// The printer opened for one call, closed when the call ends.
class CallPrinter {
public:
    explicit CallPrinter(void* handle) : handle_(handle) { open_ = ApiOpenPrinter(handle, &printer_, nullptr) == 1; }
    ~CallPrinter() {
        if (open_) ApiClosePrinter(handle_, printer_);
    }
    CallPrinter(const CallPrinter&) = delete;
    CallPrinter& operator=(const CallPrinter&) = delete;
    bool ok() const { return open_; }
    HANDLE get() const { return printer_; }

private:
    void* handle_;
    HANDLE printer_ = nullptr;
    bool open_ = false;
};

// Steps 4 to 13 of a Set; the caller commits or rolls back.
int32_t runSet(StatusCall& call, HANDLE printer, int versionCheck) {
    DrvContext* ctx = call.ctx;
    const DrvApiItem* row = call.row;
    const bool marginTouched = (row->id == 14 || row->id == 15) && StRaw(ctx, kItMarginSwitch) != 0;
    OptLoadClasses(printer, 1, ctx);
    StatusBeforeSet(ctx, row, call.record, call.bitmap);
    if (mainOptionRefuses(ctx, row, call.record)) return -1;
    if (row->set(call) != 1) return -1;
    StatusAfterSet(ctx, row, call.record, call.bitmap);
    if (call.bitmap && !shiftMarginIsNumeric(ctx)) StatusBitClear(call.bitmap, kStatusMargin);
    if (row->verify && row->verify(call) != 1) return -1;
    if (marginTouched && StRaw(ctx, kItMarginSwitch) == 0) DmResetSimplexMargins(ctx);
    return versionCheck == 1 ? static_cast<int32_t>(row->version) : 0;
}

}  // namespace

uint32_t MdlFindBoundOption(uint32_t id, DrvContext* ctx) {
    if (!ctx) return 0;
    if (const StatusControl* c = StatusControlFind(static_cast<uint16_t>(id))) {
        UiPage* page = CtxPages(ctx) ? PageFindById(ctx, c->page) : nullptr;
        UiControl* control = page ? CtlFindById(ctx, page, c->control) : nullptr;
        if (control) {
            const uint32_t bound = MdlFindOptionByKeyAlias(ctx, control->key);
            const uint32_t own = page->key ? MdlFindOptionByKeyAlias(ctx, page->key) : 0;
            const bool pageAllows = (page->kind & 1) && !(own && MdlEvalOptionCond1(ctx, own, 0) == 1);
            if (bound && pageAllows) return bound;
        }
    }
    return MdlFindOption(ctx, static_cast<int>(id));
}

BYTE* DmCopyBuffer(DrvContext* ctx) { return DmSaveSections13(ctx); }

void DmRestoreBuffer(DrvContext* ctx, BYTE* copy, int restore) {
    if (restore) DmRestoreSections13(ctx, copy);
    else MemFree(copy);
}

size_t StatusSetRecordSize(uint32_t id, uint32_t version) {
    switch (id) {
    case 1: return rec816::kSize;
    case 10:
    case 26: return rec392::kSize;
    case 16: return version >= 2 ? rec412::kSize : rec412::kSizeV1;
    default: return rec32::kSize;
    }
}

int32_t StatusSetItem(void* handle, uint32_t id, BYTE* record, BYTE* bitmap, int32_t mode) {
    DrvContext* ctx = ApiUsableHandle(handle);
    const DrvApiItem* row = StatusRowById(id);
    if (!ctx || !row || !row->supported || !record || !row->set) return -1;
    CallPrinter printer(handle);
    if (!printer.ok()) return -1;
    const int versionCheck = StatusCheckRecordVersion(id, record, row->version, mode);
    if (versionCheck == 2) return static_cast<int32_t>(row->version);
    // The handlers work on a copy of the fields the row's version knows.
    const uint32_t version = versionCheck == 1 ? row->version : RecU32(record, 0);
    std::vector<BYTE> local(StatusSetRecordSize(id, version));
    std::memcpy(local.data(), record, local.size());
    // Without a copy there would be no roll-back: refuse before anything
    // changes.
    BYTE* copy = DmCopyBuffer(ctx);
    if (!copy) return -1;
    StatusCall call;
    call.ctx = ctx;
    call.handle = handle;
    call.row = row;
    call.id = id;
    call.record = local.data();
    call.recordSize = local.size();
    call.bitmap = bitmap;
    call.mode = mode;
    const int32_t result = runSet(call, printer.get(), versionCheck);
    if (result == -1) {
        for (auto it = call.undo.rbegin(); it != call.undo.rend(); ++it) (*it)();
        DmRestoreBuffer(ctx, copy, 1);
        if (bitmap) std::memset(bitmap, 0, kStatusBitmapBytes);
        return -1;
    }
    DmRestoreBuffer(ctx, copy, 0);
    for (auto& commit : call.commits) commit();
    return result;
}

int32_t StatusGetItem(void* handle, uint32_t id, BYTE* record, uint32_t version) {
    DrvContext* ctx = ApiUsableHandle(handle);
    const DrvApiItem* row = StatusRowById(id);
    if (!ctx || !row || !row->supported || !row->get) return -1;
    CallPrinter printer(handle);
    if (!printer.ok()) return -1;
    const int cmp = StatusCompareGetVersion(row->version, version);
    if (cmp == 2) return -1;
    StatusGetCall call;
    call.ctx = ctx;
    call.handle = handle;
    call.id = id;
    call.version = version;
    const int size = row->get(call);
    if (!record || size <= 0) return size;
    // The handler fills a local record of the size it answers, seeded with
    // the caller's (some handlers read a field of it first).
    std::vector<BYTE> local(static_cast<size_t>(size));
    std::memcpy(local.data(), record, local.size());
    call.record = local.data();
    const int result = row->get(call);
    if (result > 0) std::memcpy(record, local.data(), std::min(local.size(), static_cast<size_t>(result)));
    RecPutU32(record, 0, cmp == 1 ? version : row->version);
    return result;
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI VESKDrvSetStatus(void* handle, uint32_t id, void* record, void* changed, int32_t mode) {
    if (!handle) return -1;
    return StatusSetItem(handle, id, static_cast<BYTE*>(record), static_cast<BYTE*>(changed), mode);
}

int32_t WINAPI VESKDrvGetStatus(void* handle, uint32_t id, void* record, uint32_t version) {
    if (!handle) return -1;
    return StatusGetItem(handle, id, static_cast<BYTE*>(record), version);
}
