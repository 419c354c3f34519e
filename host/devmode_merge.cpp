#include "devmode_merge.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <winsim/winsim.h>

#include "core/context.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_public.h"
#include "core/devmode_sizes.h"
#include "core/item.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/text_convert.h"
#include "vds.h"

namespace vesk::host {
namespace {

struct ContextFree {
    void operator()(DrvContext* c) const { CtxReleaseEx(c, kReleaseFree); }
};
using Context = std::unique_ptr<DrvContext, ContextFree>;

Context openContext(HANDLE printer) {
    return Context(CtxCreateEx(printer, printer, nullptr, 0, kCreateInterface, 0, nullptr));
}

bool isTextItem(const DmItem& it) { return typeIsAnsi(itemTypeCode(it)) || typeIsWide(itemTypeCode(it)); }

// The text items that may be set by name: the job identity the job-control
// library keeps (user code, owner, passwords, user ID, document name,
// telephone number).
bool isIdentityText(const DmItem& it) {
    for (size_t i = 0; i < kJcItemRows; ++i)
        if (!JcItemTable()[i].setOnly && JcItemTable()[i].itemId == it.id) return isTextItem(it);
    return false;
}

// A numeric or bit item of the spooler's part past the public fields, or an
// identity text item, by its field name; null for any other name.
DmItem* privateItemNamed(DrvContext* ctx, const std::string& name) {
    const std::u16string wanted(name.begin(), name.end());
    for (int i = 0; i < ctx->items->count; ++i) {
        DmItem& it = ctx->items->items[i];
        if (!it.fieldName || wanted != it.fieldName || itemSection(it) != 1) continue;
        const uint32_t code = itemTypeCode(it);
        if (it.offset < dmSizes().publicSize || !(typeIsNumber(code) || typeIsBit(code) || isIdentityText(it)))
            return nullptr;
        return &it;
    }
    return nullptr;
}

// Writes `text` into a text item's field of `devmode`, cut to the field and
// terminated.
void writeText(std::vector<uint8_t>& devmode, const DmItem& it, const std::string& text) {
    BYTE* at = ItemStorageIn(devmode.data(), &it);
    const size_t size = itemSize(it);
    if (!at || size == 0) return;
    std::memset(at, 0, size);
    const std::u16string wide = winsim::fromUtf8(text);
    if (typeIsAnsi(itemTypeCode(it))) {
        WideToAnsiBounded(wide.c_str(), reinterpret_cast<char*>(at), size);
        return;
    }
    for (size_t i = 0; i < wide.size() && i + 1 < size / 2; ++i) {
        at[2 * i] = static_cast<BYTE>(wide[i]);
        at[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
    }
}

std::string itemText(DrvContext* ctx, const DmItem* it) {
    WCHAR b[512] = {};
    ItemGetString(ctx, it, b, 512);
    return winsim::toUtf8(b);
}

bool valueRange(const DmItem& it, int64_t* lo, int64_t* hi) {
    switch (itemTypeCode(it)) {
    case kTypeS8: *lo = INT8_MIN, *hi = INT8_MAX; return true;
    case kTypeS16: *lo = INT16_MIN, *hi = INT16_MAX; return true;
    case kTypeS32: *lo = INT32_MIN, *hi = INT32_MAX; return true;
    case kTypeU8: *lo = 0, *hi = UINT8_MAX; return true;
    case kTypeU16: *lo = 0, *hi = UINT16_MAX; return true;
    case kTypeU32: *lo = 0, *hi = UINT32_MAX; return true;
    default: *lo = 0, *hi = 1; return typeIsBit(itemTypeCode(it));
    }
}

bool parseNumber(const std::string& s, int64_t* out) {
    if (s.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(s.c_str(), &end, 0);
    if (*end || errno) return false;
    *out = v;
    return true;
}

int64_t itemValue(DrvContext* ctx, DmItem* it) {
    const uint32_t raw = ItemGetRaw(ctx, it);
    switch (itemTypeCode(*it)) {
    case kTypeS8: case kTypeS16: case kTypeS32: return static_cast<int32_t>(raw);
    default: return raw;
    }
}

// The value of a field in the context's DEVMODE: an item's, or a script
// field's from the spooler's part.
bool currentValue(DrvContext* ctx, const std::string& field, DmItem* item, int64_t* value) {
    if (item) {
        *value = itemValue(ctx, item);
        return true;
    }
    const std::vector<uint8_t> dm(ctx->devmode, ctx->devmode + dmSizes().totalSize);
    return vds::devmodeFieldValue(dm, field, value);
}

}  // namespace

bool SetDevmodeFields(DrvContext* ctx, std::vector<uint8_t>& devmode,
                      const std::vector<std::pair<std::string, std::string>>& fields,
                      std::vector<std::pair<DmItem*, int64_t>>* asked, std::string* error) {
    if (devmode.size() < dmSizes().totalSize) {
        *error = "the DEVMODE is shorter than the driver's";
        return false;
    }
    // The driver's items first, by their field names; the rest are a
    // script's keys.
    std::vector<std::pair<std::string, std::string>> scriptFields;
    std::vector<std::pair<DmItem*, int64_t>> values(fields.size(), {nullptr, 0});
    for (size_t i = 0; i < fields.size(); ++i) {
        const auto& [key, text] = fields[i];
        DmItem* it = privateItemNamed(ctx, key);
        if (!it) {
            scriptFields.push_back(fields[i]);
            continue;
        }
        if (isTextItem(*it)) {
            writeText(devmode, *it, text);
            values[i] = {it, 0};
            continue;
        }
        int64_t v = 0, lo = 0, hi = 0;
        if (!parseNumber(text, &v) || !valueRange(*it, &lo, &hi) || v < lo || v > hi) {
            *error = "bad value for DEVMODE field '" + key + "'";
            return false;
        }
        ItemWriteRawIn(devmode.data(), it, static_cast<uint32_t>(v));
        values[i] = {it, v};
    }
    if (!vds::applyDevmodeFields(devmode, scriptFields, error)) return false;
    for (size_t i = 0; i < fields.size(); ++i)
        if (!values[i].first) vds::devmodeFieldValue(devmode, fields[i].first, &values[i].second);
    if (asked) *asked = std::move(values);
    return true;
}

bool MergeDevmodeFields(HANDLE printer, std::vector<uint8_t>& devmode,
                        const std::vector<std::pair<std::string, std::string>>& fields,
                        std::vector<FieldOutcome>* outcomes, std::string* error) {
    Context ctx = openContext(printer);
    Context defaults = openContext(printer);
    if (!ctx || !ctx->devmode || !defaults || !defaults->devmode) {
        *error = "the driver gives no context for the printer";
        return false;
    }
    DmSetDefaults(defaults.get());
    std::vector<std::pair<DmItem*, int64_t>> asked;
    if (!SetDevmodeFields(ctx.get(), devmode, fields, &asked, error)) return false;

    if (!DmMergeDevmode(ctx.get(), devmode.data(), devmode.size(), kMergeModify | kMergeNoUi)) {
        *error = "the driver could not merge the DEVMODE";
        return false;
    }
    std::memcpy(devmode.data(), ctx->devmode, dmSizes().totalSize);
    for (size_t i = 0; i < fields.size(); ++i) {
        FieldOutcome o{fields[i].first, asked[i].second, 0, 0, false, {}, {}};
        DmItem* it = asked[i].first;
        if (it && isTextItem(*it)) {
            o.isText = true;
            o.askedText = fields[i].second;
            o.nowText = itemText(ctx.get(), it);
            outcomes->push_back(o);
            continue;
        }
        if (!currentValue(ctx.get(), o.field, it, &o.now)) continue;  // the form name
        currentValue(defaults.get(), o.field, it ? ItemFindById(defaults.get(), it->id) : nullptr, &o.byDefault);
        outcomes->push_back(o);
    }
    return true;
}

std::string DescribeOutcome(const FieldOutcome& o) {
    if (o.isText) return o.nowText == o.askedText ? "kept" : "changed to \"" + o.nowText + "\"";
    if (o.now == o.asked) return "kept";
    return (o.now == o.byDefault ? "reset to " : "repaired to ") + std::to_string(o.now);
}

}  // namespace vesk::host
