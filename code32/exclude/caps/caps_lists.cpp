// The list routines the capability items share: allowed values of a
// built-in setting, the names of those values, the selectable public values
// of a model option, and the option and feature tests.
#include <algorithm>
#include <new>
#include <vector>

#include "caps/caps_items.h"
#include "common_calls/model_forms.h"
#include "core/allowed/allowed_values.h"
#include "core/dictionary_lookup.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr int kOutputTrayOption = 57;

DrvContext* ctxOf(void* handle) { return static_cast<DrvContext*>(handle); }

// The allowed values of a setting: 0 with none, -1 when the service failed
// (anything but done or too small is a failure, whatever its code).
int allowedValues(DrvContext* ctx, int optionId, std::vector<uint32_t>& out) {
    out.clear();
    uint32_t n = 0;
    int r = OptGetAllowedValues(ctx, static_cast<uint32_t>(optionId), 0, nullptr, &n);
    if (r != kAllowedDone && r != kAllowedTooSmall) return -1;
    if (n == 0) return 0;
    try {
        out.resize(n);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    r = OptGetAllowedValues(ctx, static_cast<uint32_t>(optionId), n, out.data(), &n);
    if (r != kAllowedDone) return -1;
    out.resize(std::min<size_t>(n, out.size()));
    return static_cast<int>(out.size());
}

int32_t putValues(const std::vector<uint32_t>& v, uint32_t* out, uint32_t capacity) {
    if (!out) return static_cast<int32_t>(v.size());
    const size_t n = std::min<size_t>(v.size(), capacity);
    std::copy_n(v.begin(), n, out);
    return static_cast<int32_t>(n);
}

// The values of CapsOptionValueList, worked out in full.
int32_t valueList(DrvContext* ctx, int optionId, std::vector<uint32_t>& out) {
    const int r = allowedValues(ctx, optionId, out);
    if (r <= 0) return r;
    if (optionId != kOutputTrayOption) return r;
    // The output trays: a leading 0 ("any tray"), the trays themselves
    // only when there is a choice between at least two.
    std::vector<uint32_t> trays{0};
    for (uint32_t v : out)
        if (v != 0) trays.push_back(v);
    if (trays.size() < 3) trays.resize(1);
    out.swap(trays);
    return static_cast<int32_t>(out.size());
}

}  // namespace

int32_t CapsOptionValueList(void* handle, int optionId, uint32_t* out, uint32_t capacity) {
    std::vector<uint32_t> v;
    const int32_t r = valueList(ctxOf(handle), optionId, v);
    return r <= 0 ? r : putValues(v, out, capacity);
}

int32_t CapsOptionValueNames(void* handle, int optionId, uint32_t entryBytes, CapsIdsService idsService,
                             CapsNamesService namesService, char* out, uint32_t capacity) {
    DrvContext* ctx = ctxOf(handle);
    if (!ctx || entryBytes == 0 || entryBytes > kCapsNameBytes) return -1;
    std::vector<uint32_t> values;
    if (valueList(ctx, optionId, values) <= 0) return -1;

    const int idCount = idsService(handle, nullptr, optionId);
    const int nameCount = namesService(handle, nullptr, static_cast<int>(entryBytes), optionId);
    if (idCount < 0 || nameCount < 0 || idCount != nameCount) return -1;
    std::vector<uint16_t> ids;
    std::vector<WCHAR> names;
    try {
        ids.resize(static_cast<size_t>(idCount) + 1);
        names.resize((static_cast<size_t>(nameCount) + 1) * entryBytes);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    // The fill calls must agree with the counts they were sized by.
    if (idCount > 0 && (idsService(handle, ids.data(), optionId) != idCount ||
                        namesService(handle, names.data(), static_cast<int>(entryBytes), optionId) != nameCount))
        return -1;

    WCHAR unnamed[kCapsNameBytes] = {};
    ResLoadString(ctx, kCapsUnnamedValueString, unnamed, kCapsNameBytes, 0);
    // The count query checks every name as the fill does, so that both
    // give the same answer.
    const size_t n = out ? std::min<size_t>(values.size(), capacity) : values.size();
    char entry[kCapsNameBytes] = {};
    for (size_t i = 0; i < n; ++i) {
        const WCHAR* name = unnamed;
        for (int k = 0; k < idCount; ++k) {
            if (ids[static_cast<size_t>(k)] == values[i]) {
                name = &names[static_cast<size_t>(k) * entryBytes];
                names[(static_cast<size_t>(k) + 1) * entryBytes - 1] = 0;
                break;
            }
        }
        if (!WideToAnsiBounded(name, entry, entryBytes)) return -1;
        if (out) std::copy_n(entry, entryBytes, out + i * entryBytes);
    }
    return static_cast<int32_t>(n);
}

int32_t CapsSelectableValues(void* handle, int optionId, uint32_t* out, uint32_t capacity) {
    DrvContext* ctx = ctxOf(handle);
    const uint32_t option = MdlFindOption(ctx, optionId);
    if (!option || MdlGetOptionType(ctx, optionId) != kMdlPickOne) return -1;
    const int count = MdlGetValueCount(ctx, optionId);
    const uint32_t head = MdlGetOptionValues(ctx, optionId, nullptr);
    if (count <= 0 || !head) return -1;
    const MdlImageView view = MdlViewOf(ctx);
    MdlListWalk walk(view, head, MdlValueRecordSize(kMdlPickOne));
    std::vector<uint32_t> kept;
    int seen = 0;
    for (uint32_t rec; seen < count && walk.next(&rec); ++seen) {
        uint16_t value = 0;
        if (!view.u16(rec + kMdlValId, &value)) return -1;
        const ValueSymbol* sym = ValueSymFind(optionId, value);
        if (!sym || !sym->usable) return -1;
        if (MdlEvalOptionCond1(ctx, option, value)) continue;
        kept.push_back(sym->windowsValue);
    }
    if (walk.failed() || kept.empty()) return -1;
    return putValues(kept, out, capacity);
}

bool CapsOptionPresent(DrvContext* ctx, int optionId) {
    return MdlFindOption(ctx, optionId) != 0 && (MdlGetOptionRawType(ctx, optionId) & kMdlTypeUnknown) == 0;
}

bool CapsOptionAvailable(DrvContext* ctx, int optionId) {
    return CapsOptionPresent(ctx, optionId) && MdlEvalOptionCond1(ctx, MdlFindOption(ctx, optionId), 0) == 0;
}

}  // namespace vesk
