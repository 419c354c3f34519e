#include "api/opt_values.h"

#include <win/files.h>
#include <win/profile.h>
#include <win/spooler.h>

#include <algorithm>
#include <vector>

#include "api/api_handle.h"
#include "common_calls/devmode_forms.h"
#include "common_calls/model_forms.h"
#include "core/builtin_tables.h"
#include "core/devmode/dm_paper.h"
#include "core/dictionary_lookup.h"
#include "core/driver_desc.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "core/os_version.h"
#include "core/path_names.h"
#include "core/printer_info.h"
#include "core/res/res.h"
#include "core/sysdeps.h"
#include "core/ui_lookup.h"
#include "core/units.h"
#include "core/wstr.h"
#include "status/status_engine.h"

namespace vesk {
namespace {

enum : int {
    kItPaperSize = 8, kItSrcLength = 44, kItSrcWidth = 45, kItOutPaperSize = 50, kItDstLength = 51,
    kItDstWidth = 52, kItScaleSwitch = 58, kItScaleType = 90, kItScaleH = 92, kItScaleV = 93,
};
constexpr uint32_t kScaleFitToPaper = 2;
constexpr size_t kIniPathChars = 260;

// The value ids of a PickOne option record in model order. False when the
// option is of another type, has no values or its list is damaged.
bool pickOneValues(DrvContext* ctx, uint32_t option, std::vector<uint16_t>& out) {
    out.clear();
    const MdlImageView v = MdlViewOf(ctx);
    uint16_t type = 0;
    if (!option || !v.u16(option + kMdlOptType, &type) || MdlBaseType(type) != kMdlPickOne) return false;
    uint32_t head = 0;
    if (!v.link(option + kMdlOptValues, MdlValueRecordSize(kMdlPickOne), &head) || !head) return false;
    MdlListWalk walk(v, head, MdlValueRecordSize(kMdlPickOne));
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t value = 0;
        if (!v.u16(rec + kMdlValId, &value)) return false;
        out.push_back(value);
    }
    return !walk.failed() && !out.empty();
}

bool leftOut(DrvContext* ctx, uint32_t option, uint16_t value, uint32_t flags) {
    return (flags & kOptSkipDisabled) &&
           (MdlEvalOptionCond1(ctx, option, value) || MdlEvalOptionCond2(ctx, option, value));
}

int listedOrFail(int n) { return n > 0 ? n : -1; }

void clear(WCHAR* out, size_t chars) {
    if (out && chars) out[0] = 0;
}

}  // namespace

int OptValueSelectable(void* handle, int optionId, int value, uint32_t flags) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx || !MdlFindOption(ctx, optionId)) return 0;
    if (MdlGetOptionRawType(ctx, optionId) & kMdlTypeUnknown) return 0;
    const uint32_t option = MdlFindBoundOption(static_cast<uint32_t>(optionId), ctx);
    if (!option) return 0;
    const auto v = static_cast<uint32_t>(value);
    if ((flags & kOptSkipDisabled) && MdlEvalOptionCond1(ctx, option, v)) return 0;
    if ((flags & kOptSkipHidden) && MdlEvalOptionCond2(ctx, option, v)) return 0;
    return 1;
}

uint16_t OptValueByPublicValue(void* handle, int optionId, int publicValue) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx) return 0;
    std::vector<uint16_t> values;
    if (!pickOneValues(ctx, MdlFindBoundOption(static_cast<uint32_t>(optionId), ctx), values)) return 0;
    for (uint16_t value : values) {
        const ValueSymbol* sym = ValueSymFind(optionId, value);
        if (!sym) return 0;
        if (sym->usable && sym->windowsValue == static_cast<uint32_t>(publicValue)) return value;
    }
    return 0;
}

int OptListPublicValuesEx(void* handle, uint16_t* out, int optionId, uint32_t flags) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx) return -1;
    const uint32_t option = MdlFindOption(ctx, optionId);
    std::vector<uint16_t> values;
    if (!pickOneValues(ctx, option, values)) return -1;
    // Every value needs its public value before anything is written.
    std::vector<uint16_t> listed;
    for (uint16_t value : values) {
        const ValueSymbol* sym = ValueSymFind(optionId, value);
        if (!sym || !sym->usable) return -1;
        if (!leftOut(ctx, option, value, flags)) listed.push_back(static_cast<uint16_t>(sym->windowsValue));
    }
    if (out) std::copy(listed.begin(), listed.end(), out);
    return listedOrFail(static_cast<int>(listed.size()));
}

int OptListPublicValues(void* handle, uint16_t* out, int optionId) {
    return OptListPublicValuesEx(handle, out, optionId, 0);
}

int OptListValueNamesEx(void* handle, WCHAR* out, int entryChars, int optionId, uint32_t flags) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx || (out && entryChars <= 0)) return -1;
    const uint32_t option = MdlFindOption(ctx, optionId);
    std::vector<uint16_t> values;
    if (!pickOneValues(ctx, option, values)) return -1;
    int n = 0;
    for (uint16_t value : values) {
        if (leftOut(ctx, option, value, flags)) continue;
        if (out) ResLoadString(ctx, value, out + static_cast<size_t>(n) * static_cast<size_t>(entryChars),
                               static_cast<size_t>(entryChars), 0);
        ++n;
    }
    return listedOrFail(n);
}

int OptListValueNames(void* handle, WCHAR* out, int entryChars, int optionId) {
    return OptListValueNamesEx(handle, out, entryChars, optionId, 0);
}

void DmRefreshPaperAndFitScale(void* handle, int mode) {
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx || mode != 1) return;
    DmSetSrcPaperItemsSwap(ctx, static_cast<int16_t>(ItemRawById(ctx, kItPaperSize)));
    DmSetDstPaperItemsSwap(ctx, static_cast<int16_t>(ItemRawById(ctx, kItOutPaperSize)));
    if (ItemValueById(ctx, kItScaleSwitch) != 1 || ItemValueById(ctx, kItScaleType) != kScaleFitToPaper) return;
    auto percent = [ctx](int dst, int src) {
        return MulDivOrMinus1(static_cast<int32_t>(ItemValueById(ctx, dst)), 100,
                              static_cast<int32_t>(ItemValueById(ctx, src)));
    };
    const int32_t w = percent(kItDstWidth, kItSrcWidth);
    const int32_t l = percent(kItDstLength, kItSrcLength);
    // A paper without a width or length gives no scale: the scales stay.
    if (w <= 0 || l <= 0) return;
    const auto scale = static_cast<uint32_t>(std::min(w, l));
    ItemSetValueById(ctx, kItScaleH, scale);
    ItemSetValueById(ctx, kItScaleV, scale);
}

int DuplexTypeHasMargins(int duplexType) { return duplexType >= 1 && duplexType <= 3 ? 1 : 0; }

WCHAR* DriverDirOrSystemDir(void* handle, WCHAR* out, size_t chars) {
    if (!out || chars == 0) return out;
    out[0] = 0;
    DrvContext* ctx = ApiUsableHandle(handle);
    if (!ctx) return out;
    if (OsIsWin9x()) {
        const UINT n = GetSystemDirectoryW(out, static_cast<UINT>(chars));
        if (n == 0 || n >= chars || !WAppendWhole(out, chars, u"\\")) clear(out, chars);
        return out;
    }
    // Outside an accessor the handle holds no printer: one is opened by its
    // name for the question.
    HANDLE printer = ctx->printer, own = nullptr;
    if (!printer && OpenPrinterW(ctx->ws->printerName, &own, nullptr)) printer = own;
    if (BYTE* block = printer ? PrnGetDriverInfo(printer, 3) : nullptr) {
        const auto* d3 = reinterpret_cast<const DRIVER_INFO_3W*>(block);
        if (d3->pDriverPath && WCopyWhole(out, chars, d3->pDriverPath)) {
            const WCHAR* file = FileNamePart(out);
            if (file == out) clear(out, chars);
            else out[file - out] = 0;
        }
        MemFree(block);
    }
    if (own) ClosePrinter(own);
    return out;
}

WCHAR* ApiIniPath2(void* handle, WCHAR* out) {
    if (!out) return out;
    out[0] = 0;
    const WCHAR* name = builtinDriverDesc().setupIniName;
    if (!name || !name[0]) return out;
    if (name[1] == u':') {
        if (!WCopyWhole(out, kIniPathChars, name)) clear(out, kIniPathChars);
        return out;
    }
    DriverDirOrSystemDir(handle, out, kIniPathChars);
    if (!out[0] || !WAppendWhole(out, kIniPathChars, name)) clear(out, kIniPathChars);
    return out;
}

int ApiIniGetInt(void* handle, const WCHAR* section, const WCHAR* key) {
    WCHAR path[kIniPathChars];
    if (!ApiIniPath2(handle, path)[0]) return 0;
    return static_cast<int>(GetPrivateProfileIntW(section, key, 0, path));
}

int ApiFuncEnabled(void* handle, uint32_t mask) {
    const auto bits = static_cast<uint32_t>(ApiIniGetInt(handle, u"VESKAPI", u"VESKAPIFunc1"));
    return bits & mask ? 1 : 0;
}

int ControlFeatureEnabled(DrvContext* ctx, int pageId, int controlId) {
    if (!ctx) return 0;
    uint16_t key = 0;
    if (CtxPages(ctx)) {
        if (UiControl* c = CtlFindById(ctx, PageFindById(ctx, pageId), controlId)) key = c->key;
    } else {
        const UiPage* pages = builtinPages();
        for (int i = 0; i < builtinPageCount() && !key; ++i) {
            if (pages[i].id != pageId) continue;
            for (int k = 0; k < pages[i].controlCount; ++k)
                if (pages[i].controls[k].id == controlId) key = pages[i].controls[k].key;
        }
    }
    return key != 0 && MdlEvalExclusiveByKeyExc(key, 0, ctx) == 0 ? 1 : 0;
}

int StampControlEnabled(void* handle) { return ControlFeatureEnabled(ApiUsableHandle(handle), 1003, 2407); }

int FreeSizeControlEnabled(void* handle) { return ControlFeatureEnabled(ApiUsableHandle(handle), 1029, 2296); }

int IsNtTerminalServer(void* handle) {
    DrvContext* ctx = ApiUsableHandle(handle);
    return ctx && !OsIsWin9x() && DmGetTerminalServerFlag(ctx) ? 1 : 0;
}

}  // namespace vesk
