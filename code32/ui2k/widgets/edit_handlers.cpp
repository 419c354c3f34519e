// Text edits bound to string items and numeric edits with their scale,
// unit suffix and lengths shown in display units.
#include <win/wingdi.h>
#include <win/user.h>

#include "controls/ctl_ops.h"
#include "core/item.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/text_convert.h"
#include "core/ui_lookup.h"
#include "core/units.h"
#include "pipeline/ui_pipeline.h"
#include "sheets/sheet_session.h"
#include "widgets/num_text.h"
#include "widgets/widget_support.h"

namespace vesk {
namespace {

constexpr size_t kEditChars = 522;
constexpr int kSuffixChars = 16;
constexpr int kNoRecordLimit = 6;
constexpr int kPathLimit = 260;
constexpr uint32_t kFlagPathLimit = 0x400000;
constexpr int kItemDisplayUnit = 179;
constexpr int kSavePresetDialog = 1032;
constexpr int kFreeSizePage = 1017;
constexpr int32_t kWholeMaxMetric = 45455070;
constexpr int32_t kWholeMaxInch = 1789569;

uint32_t itemSize(const DmItem* item) { return item->typeWord & 0xFFFF; }
bool isLength(const UiControl* c) { return (c->flags & kCtlLengthInDots) != 0; }
bool isMultiline(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & ES_MULTILINE) != 0; }

// Backslash-n (as the item stores line ends) and CR LF (as the edit shows
// them), in place; the text only shrinks or grows within `capacity`.
void crlfToEscape(WCHAR* t) {
    size_t o = 0;
    for (size_t i = 0; t[i]; ++i) {
        if (t[i] == u'\r' && t[i + 1] == u'\n') {
            t[o++] = u'\\';
            t[o++] = u'n';
            ++i;
        } else {
            t[o++] = t[i];
        }
    }
    t[o] = 0;
}

void escapeToCrlf(const WCHAR* src, WCHAR* dest, size_t capacity) {
    size_t o = 0;
    for (size_t i = 0; src[i] && o + 1 < capacity; ++i) {
        if (src[i] == u'\\' && src[i + 1] == u'n' && o + 2 < capacity) {
            dest[o++] = u'\r';
            dest[o++] = u'\n';
            ++i;
        } else {
            dest[o++] = src[i];
        }
    }
    dest[o] = 0;
}

void setTextIfDifferent(HWND window, const WCHAR* text) {
    WCHAR current[kEditChars] = {};
    GetWindowTextW(window, current, int(kEditChars));
    if (!WideEqual(current, text)) SetWindowTextW(window, text);
}

bool storedItem(const UiControl* c) { return c->item && itemSection(*c->item) != 0; }

// The suffix text of the record, at most 16 characters.
void suffixOf(DrvContext* ctx, const NumRecord& rec, WCHAR* out) {
    out[0] = 0;
    if (rec.suffixId) ResLoadString(ctx, rec.suffixId, out, kSuffixChars + 1, 0);
}

// A length's current value formatted as the show handler shows it.
void formatValue(DrvContext* ctx, const UiControl* c, const NumRecord* rec, int32_t value, WCHAR* out, size_t cap) {
    if (isLength(c)) {
        int32_t shown = ItemDotsToDisplay(ctx, 0, value);
        if (rec) {
            int32_t lo, hi;
            NumGetDisplayRange(ctx, rec->minimum, rec->maximum, &lo, &hi);
            if (value <= rec->maximum && shown > hi) shown = hi;
            if (value >= rec->minimum && shown < lo) shown = lo;
        }
        NumFormatText(shown, NumDisplayScale(ctx), out, cap);
    } else {
        NumFormatText(value, rec ? rec->scale : 0, out, cap);
    }
    if (rec) {
        WCHAR suffix[kSuffixChars + 1];
        suffixOf(ctx, *rec, suffix);
        const size_t n = WideLength(out);
        WideCopy(out + n, cap - n, suffix);
    }
}

// The text as a stored value: lengths in 1200-dpi units.
int32_t parseValue(DrvContext* ctx, const UiControl* c, const NumRecord* rec, const WCHAR* text, bool* overflow) {
    if (isLength(c)) return DisplayToDotsItem(ctx, 0, NumParseText(text, NumDisplayScale(ctx), overflow));
    return NumParseText(text, rec ? rec->scale : 0, overflow);
}

// The item's value brought inside the record's range (for a length the
// display range, converted back), stored when it moved; the value.
uint32_t keepInRange(DrvContext* ctx, const UiControl* c, const NumRecord& rec) {
    const int32_t value = int32_t(CtlGetItemValue(ctx, c));
    int32_t kept = value;
    if (isLength(c)) {
        int32_t lo, hi;
        NumGetDisplayRange(ctx, rec.minimum, rec.maximum, &lo, &hi);
        const int32_t shown = ItemDotsToDisplay(ctx, 0, value);
        if (shown < lo || shown > hi) kept = DisplayToDotsItem(ctx, 0, shown < lo ? lo : hi);
    } else {
        kept = value < rec.minimum ? rec.minimum : value > rec.maximum ? rec.maximum : value;
    }
    if (kept != value) ItemSetValue(ctx, c->item, uint32_t(kept));
    return uint32_t(kept);
}

}  // namespace

// ---- Text edits ----

int CtlEditInit(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item) return 0;
    const uint32_t size = itemSize(c->item);
    const uint32_t code = itemTypeCode(*c->item);
    int limit = (code == kTypeWide || code == kTypeWide2) ? int(size / 2) - 1 : int(size) - 1;
    int stringMax = 0, kinds = 0;
    if (OptStringLimits(ctx, c->option, &stringMax, &kinds) && stringMax > 0) {
        limit = stringMax;
        if ((c->flags & kFlagPathLimit) && limit > kPathLimit) limit = kPathLimit;
    }
    if (limit > 0 && c->window) SendMessageW(c->window, EM_LIMITTEXT, WPARAM(limit), 0);
    return 0;
}

void CtlEditShow(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (!ctx || !c || !c->window) return;
    const SheetSession* s = SheetSessionOf(ctx);
    if (s && s->currentPageId == kSavePresetDialog && (!page || page->id != kSavePresetDialog)) return;
    WCHAR text[kEditChars] = {};
    if (storedItem(c))
        ItemGetString(ctx, c->item, text, kEditChars);
    else
        GetWindowTextW(c->window, text, int(kEditChars));
    if (isMultiline(c->window)) {
        WCHAR shown[kEditChars];
        escapeToCrlf(text, shown, kEditChars);
        setTextIfDifferent(c->window, shown);
    } else {
        setTextIfDifferent(c->window, text);
    }
}

int CtlEditCommand(DrvContext* ctx, UiPage*, UiControl* c, WPARAM wParam, LPARAM) {
    if (!ctx || !c || !c->window || !storedItem(c)) return 0;
    const UINT code = HIWORD(wParam);
    const uint32_t size = itemSize(c->item);
    WCHAR text[kEditChars] = {};
    if (code == EN_KILLFOCUS) {
        const size_t cap = size + 1 < kEditChars ? size + 1 : kEditChars;
        GetWindowTextW(c->window, text, int(cap));
        if (isMultiline(c->window)) crlfToEscape(text);
        const size_t before = WideLength(text);
        size_t start = 0, end = before;
        while (start < end && text[start] == u' ') ++start;
        while (end > start && text[end - 1] == u' ') --end;
        if (end - start != before) {
            WCHAR trimmed[kEditChars];
            for (size_t i = start; i < end; ++i) trimmed[i - start] = text[i];
            trimmed[end - start] = 0;
            ItemSetString(ctx, c->item, trimmed);
            SetWindowTextW(c->window, trimmed);
        }
        return 0;
    }
    if (code != EN_CHANGE && code != EN_UPDATE) return 0;
    GetWindowTextW(c->window, text, int(kEditChars));
    if (isMultiline(c->window)) crlfToEscape(text);
    // What fits the item as ANSI bytes, cut on a character boundary.
    const uint32_t code7 = itemTypeCode(*c->item);
    if (code7 != kTypeWide && code7 != kTypeWide2 && size > 0) {
        char ansi[kEditChars * 2];
        const int bytes = int(size) < int(sizeof ansi) ? int(size) : int(sizeof ansi);
        StrWideToAnsi(ansi, text, bytes);
        StrAnsiToWide(text, ansi, int(kEditChars));
    }
    WCHAR current[kEditChars] = {};
    ItemGetString(ctx, c->item, current, kEditChars);
    if (!WideEqual(current, text)) ItemSetString(ctx, c->item, text);
    return 1;
}

// ---- Numeric edits ----

int CtlNumEditInit(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item) return 0;
    NumRecord rec;
    int limit = kNoRecordLimit;
    if (NumRecordOf(ctx, c, &rec)) {
        WCHAR suffix[kSuffixChars + 1];
        suffixOf(ctx, rec, suffix);
        limit = rec.maxChars + int(WideLength(suffix));
    }
    if (c->window) SendMessageW(c->window, EM_LIMITTEXT, WPARAM(limit), 0);
    return 0;
}

void CtlNumEditShow(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return;
    NumRecord record;
    const NumRecord* rec = NumRecordOf(ctx, c, &record) ? &record : nullptr;
    WCHAR text[kEditChars] = {};
    GetWindowTextW(c->window, text, int(kEditChars));
    if (isLength(c)) {
        const DmItem* unit = ItemFindById(ctx, kItemDisplayUnit);
        if (unit && unit->changed) text[0] = 0;
    }
    int32_t value = int32_t(CtlGetItemValue(ctx, c));
    const int32_t parsed = parseValue(ctx, c, rec, text, nullptr);
    if (parsed == value && (GetFocus() == c->window || (text[0] && !c->item->changed))) return;
    if (isLength(c) && !text[0] && rec && !c->hidden) {
        const int32_t bounded = value > rec->maximum ? rec->maximum : value < rec->minimum ? rec->minimum : value;
        if (bounded != value) ItemSetValue(ctx, c->item, uint32_t(bounded));
        value = bounded;
    }
    WCHAR shown[kEditChars];
    formatValue(ctx, c, rec, value, shown, kEditChars);
    setTextIfDifferent(c->window, shown);
}

int CtlNumEditCommand(DrvContext* ctx, UiPage*, UiControl* c, WPARAM wParam, LPARAM) {
    if (!ctx || !c || !c->item || !c->window) return 0;
    NumRecord record;
    const NumRecord* rec = NumRecordOf(ctx, c, &record) ? &record : nullptr;
    const UINT code = HIWORD(wParam);
    WCHAR text[kEditChars] = {};
    if (code == EN_UPDATE) {
        if (!rec || !rec->suffixId) return 0;
        WCHAR suffix[kSuffixChars + 1];
        suffixOf(ctx, *rec, suffix);
        GetWindowTextW(c->window, text, int(kEditChars));
        const size_t n = WideLength(text), k = WideLength(suffix);
        const bool ends = k && n >= k && WideEqual(text + n - k, suffix);
        SendMessageW(c->window, EM_LIMITTEXT, WPARAM(rec->maxChars + (ends ? k : 0)), 0);
        return 0;
    }
    if (code != EN_CHANGE) return 0;
    const uint32_t type = itemTypeCode(*c->item);
    if (type < kTypeS8 || type > kTypeU32) return 0;
    GetWindowTextW(c->window, text, int(kEditChars));
    bool overflow = false;
    const uint32_t current = CtlGetItemValue(ctx, c);
    int32_t value;
    if (isLength(c)) {
        const int scale = NumDisplayScale(ctx);
        const int32_t shown = NumParseText(text, scale, &overflow);
        value = DisplayToDotsItem(ctx, 0, shown);
        const int32_t wholeMax = UnitIsMetric(ctx) ? kWholeMaxMetric : kWholeMaxInch;
        const bool refused = overflow || shown < 0 || (type == kTypeS16 && value > 0x7FFF) ||
                             (type == kTypeU16 && value > 0xFFFF) || shown / scale > wholeMax;
        if (refused) {
            PostMessageW(c->window, WM_CHAR, 8, 0);
            return 0;
        }
        if (ItemDotsToDisplay(ctx, 0, int32_t(current)) == shown) return 0;
    } else {
        value = NumParseText(text, rec ? rec->scale : 0, &overflow);
        if (overflow) {
            PostMessageW(c->window, WM_CHAR, 8, 0);
            return 0;
        }
    }
    if (uint32_t(value) == current) return 0;
    ItemSetValue(ctx, c->item, uint32_t(value));
    return 1;
}

int CtlNumEditMessage(DrvContext* ctx, UiPage* page, UiControl* c, UINT message, WPARAM, LPARAM) {
    if (message != WM_KILLFOCUS || !ctx || !c || !c->item || !c->window) return 0;
    NumRecord record;
    const NumRecord* rec = NumRecordOf(ctx, c, &record) ? &record : nullptr;
    uint32_t value = CtlGetItemValue(ctx, c);
    if (rec) {
        WCHAR text[kEditChars] = {};
        GetWindowTextW(c->window, text, int(kEditChars));
        int32_t typed;
        if (isLength(c)) {
            // A text that still shows the current value keeps it exactly:
            // converting back would round it to the display unit.
            WCHAR shown[kEditChars];
            formatValue(ctx, c, rec, int32_t(value), shown, kEditChars);
            typed = WideEqual(shown, text) ? int32_t(value) : parseValue(ctx, c, rec, text, nullptr);
        } else {
            typed = NumParseText(text, rec->scale, nullptr);
        }
        if (uint32_t(typed) != value) ItemSetValue(ctx, c->item, uint32_t(typed));
        value = uint32_t(typed);
    }
    // A value the user leaves outside the option's range is brought to the
    // nearer bound before the constraints see it: the driver's validation
    // would otherwise reset it to the default once the DEVMODE is merged.
    if (rec) value = keepInRange(ctx, c, *rec);
    OptChangeFromControl(ctx, page, c, value, 0);
    if (page && page->id == kFreeSizePage && rec) keepInRange(ctx, c, *rec);
    c->item->changed = 1;
    InvalidateRect(c->window, nullptr, TRUE);
    return 0;
}

}  // namespace vesk
