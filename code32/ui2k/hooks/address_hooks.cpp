// The remote dialog (destination from the address book or typed in) and the
// address-book dialog that adds, changes and deletes entries of the CSV
// address list. The book is written back after every change; when a write
// fails the store is read again from the file, which the failed save left
// as it was.
#include <win/commctrl.h>
#include <win/wingdi.h>
#include <win/user.h>

#include "core/item_store.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/address_pages.h"
#include "hooks/hook_state.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

// Remote dialog.
constexpr int kBookMode = 2482;
constexpr int kTypedMode = 2483;
constexpr int kAddressCombo = 2484;
constexpr int kLineCombo = 2485;
constexpr int kNumberEdit = 2486;
constexpr int kBookButton = 2487;
constexpr int kItemSelection = 242;
// Address book.
constexpr int kListView = 2490;
constexpr int kBookLine = 2491;
constexpr int kNameEdit = 2494;
constexpr int kBookNumber = 2489;
constexpr int kAdd = 2499;
constexpr int kUpdate = 2500;
constexpr int kDelete = 2501;
constexpr uint16_t kColumnTitles[] = {336, 337, 338};
constexpr uint16_t kMsgDeleteEntry = 10016;
constexpr size_t kTextChars = 400;

void textOf(UiPage* page, int id, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (page->window) GetDlgItemTextW(page->window, id, out, int(chars));
}

void focus(UiPage* page, int id) {
    if (HWND w = page->window ? GetDlgItem(page->window, id) : nullptr) SetFocus(w);
}

bool checked(UiPage* page, int id) {
    HWND w = page->window ? GetDlgItem(page->window, id) : nullptr;
    return w && SendMessageW(w, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// Book mode: the radio button 2482 is checked, or before the radios show
// their state, the item they share holds its value.
bool bookMode(DrvContext* ctx, UiPage* page) {
    if (checked(page, kBookMode)) return true;
    if (checked(page, kTypedMode)) return false;
    UiControl* r = CtlFindById(ctx, page, kBookMode);
    return r && r->item && CtlGetItemValue(ctx, r) == kBookMode;
}

// The store for this page, loaded here when no page has loaded it yet.
CsvStore* storeFor(DrvContext* ctx, uint16_t pageId) {
    if (CsvStore* s = CsvStoreOf(ctx)) return s;
    if (!CsvLoad(ctx)) return nullptr;
    if (HookState* h = HookStateOf(ctx, false)) h->addressOwnerPage = pageId;
    return CsvStoreOf(ctx);
}

void clampPosition(CsvStore* s, int wanted) {
    const int named = CsvNamedCount(s);
    if (named == 0) s->position = -1;
    else if (wanted >= named) s->position = int16_t(named - 1);
    else if (wanted < 0) s->position = 0;
    else s->position = int16_t(wanted);
}

void closeIfOwner(DrvContext* ctx, uint16_t pageId) {
    HookState* h = HookStateOf(ctx, false);
    if (h && h->addressLoaded && h->addressOwnerPage == pageId) CsvClose(ctx);
}

// The selected entry's number and line into the remote dialog.
void showEntry(DrvContext* ctx, UiPage* page) {
    CsvRecord* r = AddrEntryFind(ctx);
    if (!r || !page->window) return;
    SetDlgItemTextW(page->window, kNumberEdit, r->number);
    CtlComboSelectString(ctx, page, kLineCombo, r->line);
}

void fillAddressCombo(DrvContext* ctx, UiPage* page, HWND combo) {
    CsvStore* s = storeFor(ctx, 1034);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const int named = CsvNamedCount(s);
    for (int i = 1; i <= named; ++i)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CsvNamedAt(s, i)->text[0]));
    if (s && s->position >= 0) SendMessageW(combo, CB_SETCURSEL, WPARAM(s->position), 0);
    if (bookMode(ctx, page)) {
        showEntry(ctx, page);
    } else if (page->window && SendMessageW(GetDlgItem(page->window, kLineCombo), CB_GETCURSEL, 0, 0) < 0) {
        CtlComboSelectString(ctx, page, kLineCombo, nullptr);
    }
}

// ---- Address book ----

void setCell(HWND list, int row, int column, const WCHAR* text) {
    LVITEMW it{};
    it.iSubItem = column;
    it.pszText = const_cast<WCHAR*>(text);
    SendMessageW(list, LVM_SETITEMTEXTW, WPARAM(row), reinterpret_cast<LPARAM>(&it));
}

// Every named entry as a row (its id the row's parameter), the selection
// on the store's position.
void fillList(DrvContext* ctx, HWND list) {
    CsvStore* s = CsvStoreOf(ctx);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    const int named = CsvNamedCount(s);
    for (int i = 0; i < named; ++i) {
        CsvRecord* r = CsvNamedAt(s, i + 1);
        LVITEMW it{};
        it.mask = LVIF_TEXT | LVIF_PARAM | LVIF_STATE;
        it.iItem = i;
        it.pszText = r->text[0];
        it.lParam = LPARAM(r->recordNo);
        it.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        const LRESULT row = SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&it));
        if (row < 0) continue;
        setCell(list, int(row), 1, r->number);
        setCell(list, int(row), 2, r->line);
    }
    if (s && s->position >= 0 && s->position < named) {
        LVITEMW st{};
        st.state = st.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, WPARAM(s->position), reinterpret_cast<LPARAM>(&st));
        SendMessageW(list, LVM_ENSUREVISIBLE, WPARAM(s->position), FALSE);
    }
}

void rebuildList(DrvContext* ctx, UiPage* page) {
    if (HWND list = page->window ? GetDlgItem(page->window, kListView) : nullptr) fillList(ctx, list);
}

void initBook(DrvContext* ctx, UiPage* page) {
    CsvStore* s = storeFor(ctx, 1035);
    HWND w = page->window;
    if (!w) return;
    HWND list = GetDlgItem(w, kListView);
    if (list) {
        RECT rc{};
        GetClientRect(list, &rc);
        for (int k = 0; k < 3; ++k) {
            WCHAR title[64] = {};
            ResLoadString(ctx, kColumnTitles[k], title, 64, 0);
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
            col.cx = (rc.right - rc.left) / 3;
            col.pszText = title;
            col.iSubItem = k;
            SendMessageW(list, LVM_INSERTCOLUMNW, WPARAM(k), reinterpret_cast<LPARAM>(&col));
        }
    }
    SetDlgItemTextW(w, kNameEdit, u"");
    SetDlgItemTextW(w, kBookNumber, u"");
    // The file's byte limits, as characters; AddressEntryValidate checks bytes.
    SendDlgItemMessageW(w, kNameEdit, EM_LIMITTEXT, kCsvNameBytes, 0);
    SendDlgItemMessageW(w, kBookNumber, EM_LIMITTEXT, kCsvNumberBytes, 0);
    CtlComboSelectString(ctx, page, kBookLine, nullptr);
    if (s && s->position < 0) clampPosition(s, int(int16_t(ItemValueById(ctx, kItemSelection))));
    if (list && SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == 0) fillList(ctx, list);
    // A book that is there but could not be read is never written over.
    if (!s || s->unreadable)
        for (int id : {kAdd, kUpdate, kDelete})
            if (HWND b = GetDlgItem(w, id)) EnableWindow(b, FALSE);
}

void drawRow(DrvContext* ctx, const DRAWITEMSTRUCT* d) {
    CsvRecord* r = nullptr;
    if (CsvStore* s = CsvStoreOf(ctx)) {
        const int at = CsvNamedIndexOf(s, uint16_t(d->itemData));
        r = at ? CsvNamedAt(s, at) : nullptr;
    }
    const bool selected = (d->itemState & ODS_SELECTED) != 0;
    const bool disabled = (d->itemState & ODS_DISABLED) != 0;
    HBRUSH b = CreateSolidBrush(GetSysColor(disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    FillRect(d->hDC, &d->rcItem, b);
    DeleteObject(b);
    if (!r) return;
    const COLORREF old = SetTextColor(
        d->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const int mode = SetBkMode(d->hDC, TRANSPARENT);
    const WCHAR* cells[3] = {r->text[0], r->number, r->line};
    int left = d->rcItem.left;
    for (int k = 0; k < 3; ++k) {
        const int width = int(SendMessageW(d->hwndItem, LVM_GETCOLUMNWIDTH, WPARAM(k), 0));
        RECT cell{left + 2, d->rcItem.top, left + width, d->rcItem.bottom};
        DrawTextW(d->hDC, cells[k], int(WLen(cells[k])), &cell,
                  DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        left += width;
    }
    SetBkMode(d->hDC, mode);
    SetTextColor(d->hDC, old);
    if (d->itemState & ODS_FOCUS) DrawFocusRect(d->hDC, &d->rcItem);
}

void rowSelected(DrvContext* ctx, UiPage* page, const NMLISTVIEW* nm) {
    CsvStore* s = CsvStoreOf(ctx);
    const uint16_t at = AddrEntryIndexOf(ctx, uint16_t(nm->lParam));
    if (!s || at == 0xFFFF || !page->window) return;
    s->position = int16_t(at);
    CsvRecord* r = AddrEntryFind(ctx);
    if (!r) return;
    SetDlgItemTextW(page->window, kNameEdit, r->text[0]);
    SetDlgItemTextW(page->window, kBookNumber, r->number);
    CtlComboSelectString(ctx, page, kBookLine, r->line);
    OnOptionControlChanged(ctx, page, 0);
    SendMessageW(nm->hdr.hwndFrom, LVM_ENSUREVISIBLE, WPARAM(nm->iItem), FALSE);
}

void fillRecord(UiPage* page, CsvRecord* r) {
    textOf(page, kNameEdit, r->text[0], 65);
    textOf(page, kBookNumber, r->number, sizeof r->number / sizeof(WCHAR));
    textOf(page, kBookLine, r->line, kCsvLineChars);
}

// The file after a change; on failure the store goes back to the file.
bool saveBook(DrvContext* ctx, UiPage* page) {
    if (CsvWriteFile(ctx)) return true;
    CsvStore* s = CsvStoreOf(ctx);
    const int16_t keep = s ? s->position : -1;
    HookState* h = HookStateOf(ctx, false);
    const uint16_t owner = h ? h->addressOwnerPage : 0;
    CsvLoad(ctx);
    if (h) h->addressOwnerPage = owner;
    if ((s = CsvStoreOf(ctx))) clampPosition(s, keep);
    rebuildList(ctx, page);
    return false;
}

bool confirmDelete(DrvContext* ctx, UiPage* page, UiControl* button) {
    // The button's option carries the asking constraint; a model without
    // one asks here.
    if (button->option) return OptCheckConflict(ctx, page, button->option) == 1;
    return MsgBoxOkCancel(ctx, page->window, kMsgDeleteEntry) == IDOK;
}

int bookCommand(DrvContext* ctx, UiPage* page, UiControl* c) {
    CsvStore* s = CsvStoreOf(ctx);
    if (!s || s->unreadable) return 1;
    if (c->id == kAdd) {
        if (!AddressEntryValidate(ctx, page)) return 1;
        CsvRecord* r = CsvNewRecord(ctx, s->position + 2);
        if (!r) return 1;
        fillRecord(page, r);
        if (saveBook(ctx, page)) {
            ++s->position;
            rebuildList(ctx, page);
        }
        return 1;
    }
    if (c->id == kUpdate) {
        CsvRecord* r = AddrEntryFind(ctx);
        if (!r || !AddressEntryValidate(ctx, page)) return 1;
        fillRecord(page, r);
        if (saveBook(ctx, page)) rebuildList(ctx, page);
        return 1;
    }
    // Delete.
    if (CsvNamedCount(s) == 0 || s->position < 0 || !confirmDelete(ctx, page, c)) return 1;
    if (!CsvDeleteRecord(ctx, s->position + 1)) return 1;
    if (saveBook(ctx, page)) {
        clampPosition(s, s->position - 1);
        rebuildList(ctx, page);
    }
    return 1;
}

}  // namespace

int AddressEntryValidate(DrvContext* ctx, UiPage* page) {
    (void)ctx;
    if (!page || !page->window) return 0;
    WCHAR name[kTextChars], number[kTextChars], line[kTextChars];
    textOf(page, kNameEdit, name, kTextChars);
    textOf(page, kBookNumber, number, kTextChars);
    textOf(page, kBookLine, line, kTextChars);
    if (!name[0] || !StrHasNoComma(name) || !AnsiFitsBytes(name, kCsvNameBytes)) {
        focus(page, kNameEdit);
        return 0;
    }
    if (!number[0] || !StrIsDialChars(number) || !AnsiFitsBytes(number, kCsvNumberBytes)) {
        focus(page, kBookNumber);
        return 0;
    }
    if (!StrHasNoComma(line) || !AnsiFitsBytes(line, kCsvLineBytes)) {
        focus(page, kBookLine);
        return 0;
    }
    return 1;
}

int AddressPageValidate(DrvContext* ctx, UiPage* page) {
    if (!ctx || !page || !page->window) return 0;
    const bool book = bookMode(ctx, page);
    HWND combo = GetDlgItem(page->window, kAddressCombo);
    if (book && (!combo || SendMessageW(combo, CB_GETCOUNT, 0, 0) <= 0 || SendMessageW(combo, CB_GETCURSEL, 0, 0) < 0)) {
        focus(page, kAddressCombo);
        return 0;
    }
    WCHAR number[kTextChars];
    textOf(page, kNumberEdit, number, kTextChars);
    if (number[0] && StrIsDialChars(number)) return 1;
    focus(page, book ? kAddressCombo : kNumberEdit);
    return 0;
}

int PageAddressHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (!ctx || !page) return 0;
    if (!control) {
        if (message == WM_INITDIALOG) {
            CsvStore* s = storeFor(ctx, 1034);
            if ((!s || s->unreadable) && page->window)
                if (HWND b = GetDlgItem(page->window, kBookButton)) EnableWindow(b, FALSE);
            if (s) clampPosition(s, int(int16_t(ItemValueById(ctx, kItemSelection))));
        } else if (message == WM_DESTROY) {
            closeIfOwner(ctx, 1034);
        }
        return 0;
    }
    if (control->id == kAddressCombo) {
        if (message == WM_INITDIALOG && control->window) {
            fillAddressCombo(ctx, page, control->window);
            return 1;
        }
        if (message == WM_COMMAND && LOWORD(wParam) == kAddressCombo && HIWORD(wParam) == CBN_SELCHANGE) {
            CsvStore* s = CsvStoreOf(ctx);
            const LRESULT sel = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
            if (s && sel >= 0) {
                s->position = int16_t(sel);
                ItemSetValueById(ctx, kItemSelection, uint32_t(sel));
            }
            showEntry(ctx, page);
            return 1;
        }
        return 0;
    }
    if (control->id == kBookMode && message == WM_COMMAND && LOWORD(wParam) == kBookMode &&
        HIWORD(wParam) == BN_CLICKED)
        showEntry(ctx, page);
    return 0;
}

int PageAddressListHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                        LPARAM lParam) {
    if (!ctx || !page) return 0;
    if (message == WM_NOTIFY && lParam) {
        const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (nm->hdr.idFrom == UINT_PTR(kListView) && nm->hdr.code == LVN_ITEMCHANGED &&
            (nm->uNewState & LVIS_SELECTED) && !(nm->uOldState & LVIS_SELECTED)) {
            rowSelected(ctx, page, nm);
            return 1;
        }
        return 0;
    }
    if (!control) {
        if (message == WM_INITDIALOG) initBook(ctx, page);
        else if (message == WM_DESTROY) closeIfOwner(ctx, 1035);
        return 0;
    }
    if (control->id == kListView) {
        if (message == WM_INITDIALOG) {
            if (control->window && CsvStoreOf(ctx) && SendMessageW(control->window, LVM_GETITEMCOUNT, 0, 0) == 0)
                fillList(ctx, control->window);
            return 1;
        }
        if (message == WM_DRAWITEM && lParam) {
            const auto* d = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (d->CtlType != ODT_LISTVIEW) return 0;
            drawRow(ctx, d);
            return 1;
        }
        return 0;
    }
    if ((control->id == kAdd || control->id == kUpdate || control->id == kDelete) && message == WM_COMMAND &&
        LOWORD(wParam) == control->id && HIWORD(wParam) == BN_CLICKED)
        return bookCommand(ctx, page, control);
    return 0;
}

}  // namespace vesk
