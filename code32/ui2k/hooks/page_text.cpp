// Small routines of the remote and address pages: text checks, the entry
// at the selection and selecting a combo entry by its text.
#include <win/codepage.h>
#include <win/user.h>

#include "core/item_store.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/address_pages.h"
#include "hooks/page_hooks.h"

namespace vesk {
namespace {

constexpr size_t kComboTextChars = 261;

bool equalExact(const WCHAR* a, const WCHAR* b) {
    size_t i = 0;
    for (; a[i] && a[i] == b[i]; ++i) {}
    return a[i] == b[i];
}

int findExact(HWND combo, const WCHAR* text) {
    const int count = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(i), 0) >= LRESULT(kComboTextChars)) continue;
        WCHAR entry[kComboTextChars] = {};
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(entry));
        if (equalExact(entry, text)) return i;
    }
    return -1;
}

}  // namespace

int StrHasNoComma(const WCHAR* text) {
    for (size_t i = 0; text && text[i]; ++i)
        if (text[i] == u',') return 0;
    return 1;
}

int StrIsDialChars(const WCHAR* text) {
    for (size_t i = 0; text && text[i]; ++i) {
        const WCHAR c = text[i];
        const bool ok = (c >= u'0' && c <= u'9') || c == u'-' || c == u'#' || c == u'*' || c == u'/' || c == 0xFF65;
        if (!ok) return 0;
    }
    return 1;
}

int AnsiFitsBytes(const WCHAR* text, size_t limit) {
    const int chars = int(WLen(text));
    if (!chars) return 1;
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text, chars, nullptr, 0, nullptr, nullptr);
    return bytes >= 0 && size_t(bytes) <= limit ? 1 : 0;
}

CsvRecord* AddrEntryFind(DrvContext* ctx) {
    CsvStore* s = CsvStoreOf(ctx);
    if (!s || s->position < 0) return nullptr;
    return CsvNamedAt(s, s->position + 1);
}

uint16_t AddrEntryIndexOf(DrvContext* ctx, uint16_t id) {
    const int at = CsvNamedIndexOf(CsvStoreOf(ctx), id);
    return at > 0 ? uint16_t(at - 1) : uint16_t(0xFFFF);
}

int CtlComboSelectString(DrvContext* ctx, UiPage* page, int controlId, const WCHAR* text) {
    if (!ctx || !page || !page->window) return 0;
    UiControl* c = CtlFindById(ctx, page, controlId);
    HWND combo = GetDlgItem(page->window, controlId);
    if (!c || !combo) return 0;
    int at = text ? findExact(combo, text) : -1;
    uint32_t defaultId = 0;
    if (at < 0 && c->item) {
        // The entry named by the string of the option's default value.
        defaultId = MdlGetOptionValue(ctx, c->item->id);
        WCHAR name[kComboTextChars] = {};
        if (defaultId && ResLoadString(ctx, defaultId, name, kComboTextChars, 0) > 0) at = findExact(combo, name);
        if (at < 0) defaultId = 0;
    }
    if (at < 0) at = 0;
    SendMessageW(combo, CB_SETCURSEL, WPARAM(at), 0);
    if (!c->item) return 1;
    const LRESULT data = SendMessageW(combo, CB_GETITEMDATA, WPARAM(at), 0);
    CtlSetItemValue(ctx, c, defaultId ? defaultId : (data == CB_ERR ? 0 : uint32_t(data)));
    return 1;
}

}  // namespace vesk
