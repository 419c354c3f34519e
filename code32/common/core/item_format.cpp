#include "core/item_format.h"

#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "core/res/text_format.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"

namespace vesk {
namespace {

constexpr uint16_t kTypePickOne = 1, kTypePickMany = 2, kTypeBoolean = 4, kTypeNumeric = 8, kTypeString = 16;
constexpr uint32_t kStringOn = 370, kStringOff = 371, kStringNone = 96;
constexpr int kItemStampKind = kItRdmWmKind, kItemStampId = kItRdmWmID;

size_t number(WCHAR* buffer, size_t capacity, const WCHAR* format, int32_t v) {
    return FormatBounded(buffer, capacity, format, {nullptr, &v, 1});
}

}  // namespace

size_t ItemFormatValue(DrvContext* ctx, int key, WCHAR* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    DmItem* item = nullptr;
    const uint32_t value = ItemValueByKey(ctx, key, &item);
    const uint32_t opt = MdlFindOptionByKey(ctx, key);
    uint16_t optionId = 0;
    if (opt) MdlViewOf(ctx).u16(opt + kMdlOptId, &optionId);
    const uint16_t type = opt ? MdlGetOptionType(ctx, optionId) : 0;
    const uint16_t base = type & 0xFF;
    if (opt && (base == kTypePickOne || base == kTypePickMany)) {
        uint32_t id = value;
        if (id >= 2284 && id <= 2286) id = 261 + (id - 2284);
        if (!ResLoadString(ctx, id, buffer, capacity, 0))
            return number(buffer, capacity, u"%d is not string-ID", static_cast<int32_t>(value));
        return WLen(buffer);
    }
    if (opt && type == kTypeBoolean) return ResLoadString(ctx, value ? kStringOn : kStringOff, buffer, capacity, 0);
    if (opt && type == kTypeNumeric) {
        size_t n = number(buffer, capacity, u"%d", static_cast<int32_t>(value));
        uint16_t unitId = 0;
        const uint32_t values = MdlGetOptionValues(ctx, optionId, nullptr);
        if (values && MdlViewOf(ctx).u16(values + kMdlNumUnit, &unitId) && unitId && n + 1 < capacity)
            n += ResLoadString(ctx, unitId, buffer + n, capacity - n, 0);
        return n;
    }
    if (opt && type == kTypeString) {
        if (item) ItemGetString(ctx, item, buffer, capacity);
        return WLen(buffer);
    }
    const int id = item ? item->id : 0;
    if (id == kItemStampKind) {
        switch (value) {
            case 1: WCopyCut(buffer, capacity, u"文字ｽﾀﾝﾌﾟ"); break;
            case 2: WCopyCut(buffer, capacity, u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ"); break;
            case 3: WCopyCut(buffer, capacity, u"合成"); break;
            default: ResLoadString(ctx, kStringNone, buffer, capacity, 0); break;
        }
        return WLen(buffer);
    }
    if (id == kItemStampId) {
        const uint32_t kind = ItemValueById(ctx, kItemStampKind);
        const int control = kind == 1 ? 2310 : kind == 2 ? 2339 : kind == 3 ? 2584 : 0;
        if (control) CtlGetItemString(ctx, control, buffer, capacity);
        else ResLoadString(ctx, kStringNone, buffer, capacity, 0);
        return WLen(buffer);
    }
    return number(buffer, capacity, u"%d", static_cast<int32_t>(value));
}

}  // namespace vesk
