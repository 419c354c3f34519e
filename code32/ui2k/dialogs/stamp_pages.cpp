// The stamp pages: the edit page's stamp switch, list and buttons, and the
// text, image and overlay stamp dialogs they open. A button leaves a
// request in the change mask for the dialog it opens (a new stamp, or the
// caption of an edit); the dialog takes it at its WM_INITDIALOG.
#include <win/user.h>
#include <win/wingdi.h>

#include <initializer_list>

#include "core/devmode/dm_state.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "dialogs/font_subst.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"

namespace vesk {
namespace {

constexpr int kPageEdit = 1003, kPageText = 1022, kPageImage = 1023, kPageOverlay = 1037;
constexpr int kCtlSwitch = 2088, kCtlList = 2089, kBtnEdit = 2090, kBtnNewText = 2091, kBtnNewImage = 2092,
              kBtnNewOverlay = 2407, kBtnDelete = 2406, kCtlFont = 2314, kBtnTextDefaults = 2330,
              kBtnImageDefaults = 2347, kBtnOverlayDefaults = 2581;
constexpr int kCtlTextName = 2310, kCtlImageName = 2339, kCtlOverlayName = 2584;
constexpr int kItemStampId = 120, kItemStampKind = 109, kItemFontName = 121;
constexpr uint32_t kRequestNew = 0x20000000u, kRequestCaption = 0x2000000u, kRequestId = 0xFFFFu;
constexpr int kFixedStamps = 5;
constexpr int kOpenModal = 4;
constexpr size_t kTextChars = 522;
constexpr const WCHAR* kDefaultFace = u"Arial";
constexpr const WCHAR* kDefaultFaceJp = u"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF";

// The name control of a stamp kind (1 text, 2 image, 3 overlay), else 0.
int nameControl(uint32_t kind) {
    return kind == 1 ? kCtlTextName : kind == 2 ? kCtlImageName : kind == 3 ? kCtlOverlayName : 0;
}

int kindPage(uint32_t kind) {
    return kind == 1 ? kPageText : kind == 2 ? kPageImage : kind == 3 ? kPageOverlay : 0;
}

// The list text of the stamp now in the items. An overlay's name edit is
// bound to no item, so an overlay entry stays empty.
void stampName(DrvContext* ctx, WCHAR* out, size_t chars) {
    out[0] = 0;
    const int c = nameControl(ItemValueById(ctx, kItemStampKind));
    if (!c) WCopyCut(out, chars, u"read error");
    else CtlGetItemString(ctx, c, out, chars);
}

void renumber(HWND combo) {
    const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) SendMessageW(combo, CB_SETITEMDATA, WPARAM(i), LPARAM(i));
}

void setFontName(DrvContext* ctx, const WCHAR* face) {
    if (DmItem* it = ItemFindById(ctx, kItemFontName)) ItemSetString(ctx, it, face);
}

// The default face, or the combo's first face when the list lacks it.
void applyDefaultFace(DrvContext* ctx, UiPage* page) {
    UiControl* combo = CtlFindById(ctx, page, kCtlFont);
    if (!combo || !combo->window) return;
    const WCHAR* face = ResDllIsJp(ctx, nullptr) ? kDefaultFaceJp : kDefaultFace;
    LRESULT at = SendMessageW(combo->window, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(face));
    WCHAR text[LF_FACESIZE] = {};
    if (at < 0) {
        at = 0;
        if (SendMessageW(combo->window, CB_GETLBTEXTLEN, 0, 0) < LRESULT(LF_FACESIZE))
            SendMessageW(combo->window, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
        face = text;
    }
    CtlSetItemValue(ctx, combo, uint32_t(at));
    setFontName(ctx, face);
}

void stampSwitchOff(DrvContext* ctx) {
    UiPage* edit = PageFindById(ctx, kPageEdit);
    UiControl* check = edit ? CtlFindById(ctx, edit, kCtlSwitch) : nullptr;
    if (!check) return;
    CtlSetItemValue(ctx, check, 0);
    if (check->window) SendMessageW(check->window, BM_SETCHECK, BST_UNCHECKED, 0);
}

int switchCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam) {
    const uint32_t checked = SendMessageW(control->window, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    if (checked == (CtlGetItemValue(ctx, control) ? 1u : 0u)) return 0;
    CtlCommand(ctx, page, control, wParam, lParam);
    UiControl* list = CtlFindById(ctx, page, kCtlList);
    if (checked && list && list->window) {
        const LRESULT sel = SendMessageW(list->window, CB_GETCURSEL, 0, 0);
        if (sel >= 0) {
            LoadStampByIndex(ctx, uint32_t(sel));
            CtlSetItemValue(ctx, list, uint32_t(sel));
        }
    }
    return 1;
}

int listMessage(DrvContext* ctx, UiControl* control, UINT message, WPARAM wParam) {
    HWND combo = control->window;
    if (message == WM_INITDIALOG) {
        if (SendMessageW(combo, CB_GETCOUNT, 0, 0) != 0) return 1;
        if (!DmSaveState(ctx)) return 1;
        const int n = GetStampCount(ctx);
        for (int i = 0; i < n; ++i) {
            LoadStampByIndex(ctx, uint32_t(i));
            ItemSetValueById(ctx, kItemStampId, uint32_t(i));
            WCHAR name[kTextChars];
            stampName(ctx, name, kTextChars);
            const LRESULT at = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
            SendMessageW(combo, CB_SETITEMDATA, WPARAM(at), LPARAM(at));
        }
        DmRestoreState(ctx, 1);
        SendMessageW(combo, CB_SETCURSEL, WPARAM(CtlGetItemValue(ctx, control)), 0);
        return 1;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return 0;
    const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel >= 0) {
        LoadStampByIndex(ctx, uint32_t(sel));
        CtlSetItemValue(ctx, control, uint32_t(sel));
    }
    return 1;
}

int deleteStamp(DrvContext* ctx, UiPage* page) {
    UiControl* list = CtlFindById(ctx, page, kCtlList);
    if (!list || !list->window) return 1;
    HWND combo = list->window;
    const int s = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    const int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    if (s < kFixedStamps) {
        MsgBoxSimple(ctx, page->window, 10041, 0);
        return 1;
    }
    UiControl* overlay = CtlFindById(ctx, page, kBtnNewOverlay);
    const uint16_t question = overlay && overlay->hidden ? 10063 : 10029;
    if (MsgBoxSimple(ctx, page->window, question, 1) != IDOK) return 1;
    SendMessageW(combo, CB_DELETESTRING, WPARAM(s), 0);
    DeleteStamp(ctx, s);
    renumber(combo);
    uint32_t i = CtlGetItemValue(ctx, list);
    if (i >= uint32_t(n - 1)) i = 0;
    LoadStampByIndex(ctx, i);
    CtlSetItemValue(ctx, list, i);
    SendMessageW(combo, CB_SETCURSEL, WPARAM(i), 0);
    InvalidateRect(combo, nullptr, FALSE);
    stampSwitchOff(ctx);
    return 1;
}

// Opens a stamp dialog with its request; true when it closed with OK. A
// request the dialog never took is withdrawn.
bool openStampDialog(DrvContext* ctx, UiPage* page, int pageId, uint32_t request) {
    ChangeMaskAdd(ctx, request);
    UiSetProceedFlag(ctx, 0);
    OnFileButton(ctx, kOpenModal, pageId, page->window);
    if (ChangeMaskGet(ctx) & (request & ~kRequestId)) ChangeMaskClear(ctx, request);
    return UiProceedFlag(ctx) != 0;
}

int newOrEdit(DrvContext* ctx, UiPage* page, int button) {
    UiControl* list = CtlFindById(ctx, page, kCtlList);
    if (!list || !list->window) return 0;
    HWND combo = list->window;
    int s = int(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    int n = int(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    bool accepted = false;
    if (button != kBtnEdit) {
        const uint32_t kind = button == kBtnNewText ? 1 : button == kBtnNewImage ? 2 : 3;
        const int defaults = kind == 1 ? kBtnTextDefaults : kind == 2 ? kBtnImageDefaults : kBtnOverlayDefaults;
        accepted = openStampDialog(ctx, page, kindPage(kind), kRequestNew + uint32_t(defaults));
        if (accepted) {
            ItemSetValueById(ctx, kItemStampKind, kind);
            WCHAR name[kTextChars] = {};
            CtlGetItemString(ctx, nameControl(kind), name, kTextChars);
            s = int(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name)));
            SendMessageW(combo, CB_SETCURSEL, WPARAM(s), 0);
            ++n;
        }
    } else if (n > 0) {
        const uint32_t kind = ItemValueById(ctx, kItemStampKind);
        if (kindPage(kind)) {
            accepted = openStampDialog(ctx, page, kindPage(kind), kRequestCaption + 5004 + kind);
        } else {
            UiSetProceedFlag(ctx, 0);
        }
        if (accepted && s >= 0) {
            WCHAR name[kTextChars] = {};
            CtlGetItemString(ctx, nameControl(kind), name, kTextChars);
            SendMessageW(combo, CB_INSERTSTRING, WPARAM(s), reinterpret_cast<LPARAM>(name));
            SendMessageW(combo, CB_DELETESTRING, WPARAM(s + 1), 0);
        }
    }
    if (n > 0 && accepted && s >= 0) {
        ItemSetValueById(ctx, kItemStampId, uint32_t(s));
        CtlSetItemValue(ctx, list, uint32_t(s));
        SendMessageW(combo, CB_SETCURSEL, WPARAM(s), 0);
        SaveStampByIndex(ctx, uint32_t(s));
        renumber(combo);
    }
    for (int b : {kBtnEdit, kBtnNewText, kBtnNewImage, kBtnNewOverlay})
        if (HWND w = GetDlgItem(page->window, b)) InvalidateRect(w, nullptr, FALSE);
    return 1;
}

int fontMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam) {
    HWND combo = control->window;
    if (message == WM_INITDIALOG) {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        FontEnumFill(ctx, control);
        WCHAR face[LF_FACESIZE] = {};
        if (DmItem* it = ItemFindById(ctx, kItemFontName)) ItemGetString(ctx, it, face, LF_FACESIZE);
        const LRESULT at =
            face[0] ? SendMessageW(combo, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(face)) : -1;
        if (at >= 0) CtlSetItemValue(ctx, control, uint32_t(at));
        else applyDefaultFace(ctx, page);
        CtlShowValue(ctx, page, control);
        return 1;
    }
    if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return 0;
    const LRESULT sel = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (sel < 0) return 1;
    CtlSetItemValue(ctx, control, uint32_t(sel));
    WCHAR face[LF_FACESIZE] = {};
    if (SendMessageW(combo, CB_GETLBTEXTLEN, WPARAM(sel), 0) < LRESULT(LF_FACESIZE)) {
        SendMessageW(combo, CB_GETLBTEXT, WPARAM(sel), reinterpret_cast<LPARAM>(face));
        setFontName(ctx, face);
    }
    return 1;
}

// A stamp dialog opens: a new stamp's defaults and empty texts, an edit's
// caption, the dialog's kind.
int dialogOpens(DrvContext* ctx, UiPage* page) {
    const uint32_t mask = ChangeMaskGet(ctx);
    if (mask & kRequestNew) {
        ChangeMaskClear(ctx, kRequestNew | kRequestId);
        if (UiControl* c = CtlFindById(ctx, nullptr, int(mask & kRequestId)); c && c->option)
            OptApplyDependents(ctx, page, c->option, 0);
        for (int id : {2310, 2339, 2584, 2312, 2341, 2586}) CtlSetItemString(ctx, id, u"");
        LOGFONTW font{};
        HFONT f = page->window ? reinterpret_cast<HFONT>(SendMessageW(page->window, WM_GETFONT, 0, 0)) : nullptr;
        if (f && GetObjectW(f, sizeof font, &font)) setFontName(ctx, font.lfFaceName);
    }
    if (mask & kRequestCaption) {
        ChangeMaskClear(ctx, kRequestCaption | kRequestId);
        WCHAR caption[kTextChars] = {};
        ResLoadString(ctx, mask & kRequestId, caption, kTextChars, 0);
        if (caption[0] && page->window) SetWindowTextW(page->window, caption);
    }
    if (page->id == kPageText) ItemSetValueById(ctx, kItemStampKind, 1);
    if (page->id == kPageImage) ItemSetValueById(ctx, kItemStampKind, 2);
    if (page->id == kPageOverlay) ItemSetValueById(ctx, kItemStampKind, 3);
    return 0;
}

}  // namespace

int StampPagesHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                   LPARAM lParam) {
    if (!ctx || !ctx->ws || !page) return 0;
    if (!control) return message == WM_INITDIALOG ? dialogOpens(ctx, page) : 0;
    if (message == WM_COMMAND && LOWORD(wParam) != control->id) return 0;
    if (!control->window && control->id != kBtnDelete) return 0;
    switch (control->id) {
        case kCtlSwitch: return message == WM_COMMAND ? switchCommand(ctx, page, control, wParam, lParam) : 0;
        case kCtlList: return listMessage(ctx, control, message, wParam);
        case kBtnDelete: return message == WM_COMMAND ? deleteStamp(ctx, page) : 0;
        case kBtnEdit:
        case kBtnNewText:
        case kBtnNewImage:
        case kBtnNewOverlay: return message == WM_COMMAND ? newOrEdit(ctx, page, control->id) : 0;
        case kCtlFont: return page->id == kPageText ? fontMessage(ctx, page, control, message, wParam) : 0;
        case kBtnTextDefaults:
            if (message != WM_COMMAND) return 0;
            CtlCommand(ctx, page, control, wParam, lParam);
            applyDefaultFace(ctx, page);
            return 1;
        default: return 0;
    }
}

int StatusPageHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace vesk
