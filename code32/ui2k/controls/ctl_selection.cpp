// Handlers of the controls that pick one value of an option: static texts
// and icons that follow the value, pictures stepped by a click, check
// boxes, radio buttons, list and combo boxes.
#include <win/user.h>

#include "controls/ctl_ops.h"
#include "controls/ctl_text.h"
#include "controls/ctl_values.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr size_t kTextChars = 522;
constexpr uint16_t kTypeList = 0x2a, kTypeImageList = 0x2f, kTypeCheckList = 0x31;
constexpr WORD kNotifySelChange = 1, kNotifyDropDown = 7;

// The preset list (type 0x32) is a list box of pictures: it takes the list
// messages too.
constexpr uint16_t kTypePresetList = 0x32;

bool isList(const UiControl* c) {
    const uint16_t t = c->type;
    return t == kTypeList || t == kTypeImageList || t == kTypeCheckList || t == kTypePresetList;
}

// The list and combo messages of the control's class.
struct ListMessages {
    UINT reset, add, setData, getData, getSel, setSel, count;
};
constexpr ListMessages kListMsgs{LB_RESETCONTENT, LB_ADDSTRING, LB_SETITEMDATA, LB_GETITEMDATA,
                                 LB_GETCURSEL,    LB_SETCURSEL, LB_GETCOUNT};
constexpr ListMessages kComboMsgs{CB_RESETCONTENT, CB_ADDSTRING, CB_SETITEMDATA, CB_GETITEMDATA,
                                  CB_GETCURSEL,    CB_SETCURSEL, CB_GETCOUNT};
const ListMessages& msgsOf(const UiControl* c) { return isList(c) ? kListMsgs : kComboMsgs; }

// The entry whose item data is `value`, -1 when none.
int findData(const UiControl* c, uint32_t value) {
    const ListMessages& m = msgsOf(c);
    const int n = int(SendMessageW(c->window, m.count, 0, 0));
    for (int i = 0; i < n; ++i)
        if (uint32_t(SendMessageW(c->window, m.getData, WPARAM(i), 0)) == value) return i;
    return -1;
}

// Empties the control and adds one entry per allowed value (with its text
// when `withText`), the value as item data.
void fillEntries(DrvContext* ctx, UiControl* c, bool withText) {
    const ListMessages& m = msgsOf(c);
    SendMessageW(c->window, m.reset, 0, 0);
    WCHAR text[kTextChars];
    CtlForEachAllowed(ctx, c->option, [&](CtlValue v) {
        if (withText) CtlLoadText(ctx, v.value, text, kTextChars);
        else text[0] = 0;
        const LRESULT at = SendMessageW(c->window, m.add, 0, reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendMessageW(c->window, m.setData, WPARAM(at), LPARAM(v.value));
        return true;
    });
}

void selectValue(const UiControl* c, uint32_t value) {
    const ListMessages& m = msgsOf(c);
    const int at = findData(c, value);
    if (at < 0) SendMessageW(c->window, m.setSel, WPARAM(-1), 0);
    else if (SendMessageW(c->window, m.getSel, 0, 0) != at) SendMessageW(c->window, m.setSel, WPARAM(at), 0);
}

// A selection change of a list or combo: the value of the new entry, or
// false when nothing is selected.
bool selectedValue(const UiControl* c, uint32_t* value) {
    const ListMessages& m = msgsOf(c);
    const LRESULT at = SendMessageW(c->window, m.getSel, 0, 0);
    if (at < 0) return false;
    *value = uint32_t(SendMessageW(c->window, m.getData, WPARAM(at), 0));
    return true;
}

// A marked value on a refusing control: the box, and the old entry again.
bool refused(DrvContext* ctx, UiControl* c, uint32_t newValue, uint32_t oldValue) {
    if (!CtlRefusal(c) || !CtlValueMarked(ctx, c->option, newValue)) return false;
    CtlRefusalBox(ctx, c);
    const int at = findData(c, oldValue);
    SendMessageW(c->window, msgsOf(c).setSel, WPARAM(at), 0);
    return true;
}

bool bound(const UiControl* c) { return c && c->item; }

}  // namespace

void CtlStaticShow(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!control || !control->option || !CtlFirstValueRecord(ctx, control->option)) return;
    // Without a bound item the format's number is 0.
    const int32_t current = control->item ? int32_t(CtlGetItemValue(ctx, control)) : 0;
    WCHAR format[kTextChars], text[kTextChars];
    bool any = false;
    CtlForEachAllowed(ctx, control->option, [&](CtlValue v) {
        if (CtlLoadText(ctx, v.value, format, kTextChars)[0]) {
            FormatOneInt(format, current, text, kTextChars);
            any = true;
        }
        return true;
    });
    if (any) SetWindowTextW(control->window, text);
}

int CtlPictureClick(DrvContext* ctx, UiPage*, UiControl* control, UINT, WPARAM, LPARAM) {
    if (!bound(control) || !control->option) return 0;
    const uint32_t current = CtlGetItemValue(ctx, control);
    const uint32_t option = control->option;
    uint32_t at = CtlFirstValueRecord(ctx, option);
    bool allowed = false, marked = false;
    while (at && CtlValueAt(ctx, option, at, &allowed, &marked) != current) at = CtlNextValueRecord(ctx, option, at);
    if (!at) return 0;
    // The next allowed value after the current one, wrapping once.
    auto scan = [&](uint32_t from, uint32_t stop, uint16_t* found) {
        for (uint32_t r = from; r && r != stop; r = CtlNextValueRecord(ctx, option, r)) {
            const uint16_t v = CtlValueAt(ctx, option, r, &allowed, &marked);
            if (v && allowed) return *found = v, true;
        }
        return false;
    };
    uint16_t next = 0;
    if (!scan(CtlNextValueRecord(ctx, option, at), 0, &next)) {
        const uint32_t end = CtlNextValueRecord(ctx, option, at);
        if (!scan(CtlFirstValueRecord(ctx, option), end, &next)) return 0;
    }
    CtlSetItemValue(ctx, control, next);
    return 1;
}

void CtlPictureShow(DrvContext*, UiPage*, UiControl* control) {
    if (control && control->window) InvalidateRect(control->window, nullptr, FALSE);
}

void CtlIconShow(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!bound(control) || !control->option) return;
    uint16_t type = 0;
    MdlViewOf(ctx).u16(control->option + kMdlOptType, &type);
    const bool pickOne = (type & 0xFF) == 1 && !control->partner;
    const uint32_t current = CtlGetItemValue(ctx, control);
    CtlForEachAllowed(ctx, control->option, [&](CtlValue v) {
        if (pickOne && v.value != current) return true;
        DrawIconToWindow(ctx, control->window, v.value);
        return !pickOne;
    });
}

void CtlCheckShow(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!bound(control)) return;
    SendMessageW(control->window, BM_SETCHECK, CtlGetItemValue(ctx, control) ? BST_CHECKED : BST_UNCHECKED, 0);
}

int CtlCheckClick(DrvContext* ctx, UiPage* page, UiControl* control, UINT, WPARAM, LPARAM) {
    if (!bound(control)) return 0;
    OptChangeFromControlAlias(ctx, page, control, CtlGetItemValue(ctx, control) ? 0 : 1);
    return 1;
}

int CtlCheckCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM, LPARAM) {
    if (!bound(control)) return 0;
    const bool checked = SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    const uint32_t value = CtlGetItemValue(ctx, control);
    if (checked == (value != 0)) return 0;
    OptChangeFromControlAlias(ctx, page, control, value ? 0 : 1);
    return 1;
}

void CtlRadioShow(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!bound(control)) return;
    const bool on = CtlGetItemValue(ctx, control) == control->id;
    SendMessageW(control->window, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

int CtlRadioClick(DrvContext* ctx, UiPage* page, UiControl* control, UINT, WPARAM, LPARAM) {
    if (!bound(control)) return 0;
    OptChangeFromControlAlias(ctx, page, control, control->id);
    return 1;
}

int CtlRadioCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM, LPARAM) {
    if (!bound(control)) return 0;
    const bool checked = SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED;
    if (checked == (CtlGetItemValue(ctx, control) == control->id)) return 0;
    OptChangeFromControlAlias(ctx, page, control, control->id);
    return 1;
}

int CtlListInit(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!bound(control)) return 0;
    fillEntries(ctx, control, true);
    return 0;
}

void ListShowValue(DrvContext* ctx, UiPage*, UiControl* control) {
    if (bound(control)) selectValue(control, CtlGetItemValue(ctx, control));
}

void ComboShowValue(DrvContext* ctx, UiPage* page, UiControl* control) { ListShowValue(ctx, page, control); }

int CtlImageListInit(DrvContext* ctx, UiPage* page, UiControl* control) {
    if (!bound(control)) return 0;
    fillEntries(ctx, control, false);
    ListShowValue(ctx, page, control);
    return 0;
}

int CtlListCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM) {
    if (!bound(control) || HIWORD(wParam) != kNotifySelChange) return 0;
    uint32_t value = 0;
    if (!selectedValue(control, &value)) return 0;
    const uint32_t old = CtlGetItemValue(ctx, control);
    if (value == old) return 0;
    if (refused(ctx, control, value, old)) return 1;
    OptChangeFromControlAlias(ctx, page, control, value);
    return 1;
}

int CtlComboInit(DrvContext* ctx, UiPage* page, UiControl* control) {
    if (!bound(control)) return 0;
    fillEntries(ctx, control, true);
    ComboShowValue(ctx, page, control);
    return 0;
}

void CtlComboShow(DrvContext* ctx, UiPage*, UiControl* control) {
    if (!bound(control) || !control->item->changed) return;
    const int at = findData(control, CtlGetItemValue(ctx, control));
    if (at >= 0 && SendMessageW(control->window, CB_GETCURSEL, 0, 0) != at)
        SendMessageW(control->window, CB_SETCURSEL, WPARAM(at), 0);
}

int CtlComboCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM) {
    if (!bound(control)) return 0;
    if (HIWORD(wParam) == kNotifyDropDown) {
        const LRESULT at = SendMessageW(control->window, CB_GETCURSEL, 0, 0);
        if (at >= 1 && at <= 3) PostMessageW(control->window, CB_SETTOPINDEX, 0, 0);
        return 0;
    }
    if (HIWORD(wParam) != kNotifySelChange) return 0;
    uint32_t value = 0;
    if (!selectedValue(control, &value)) return 0;
    const uint32_t old = CtlGetItemValue(ctx, control);
    if (refused(ctx, control, value, old)) return 1;
    // The same value again: its constraints are checked once more.
    if (value == old) OptChangeFromControl(ctx, page, control, value, 0);
    else OptChangeFromControlAlias(ctx, page, control, value);
    return 1;
}

}  // namespace vesk
