// The one dialog procedure of every driver page and modal dialog: binds the
// page and its controls to the context, offers every message to the page
// hooks first, turns sheet notifications into the page check and the apply,
// saves presets, closes modal dialogs and hands every other message to the
// controls through the control-type table.
#include <win/prsht.h>
#include <win/user.h>

#include "address/csv_store.h"
#include "controls/ctl_ops.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/install/install_rename.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/cache.h"
#include "core/model/query.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "dialogs/file_dialogs.h"
#include "help/help_tip.h"
#include "hooks/page_hooks.h"
#include "pictures/pictures.h"
#include "pipeline/file_button.h"
#include "pipeline/opt_conflict.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr UINT kMsgFitAndShow = 0x8006;
constexpr int kCmdPressOk = 0x8003;
constexpr int kCmdHelp = 9;
constexpr int kCmdSaveFirst = 11111, kCmdSaveSecond = 22222;
constexpr uint32_t kMaskSaveFromButton = 0x10000000u, kMaskOkThroughSave = 0x800000u, kMaskFreeSize = 0x4000000u;
constexpr uint32_t kCtlNoContextHelp = 0x20000000u;
constexpr int kItemAddrListSelect = 242;
constexpr int kItemPreset = 41, kItemUiMode = 721, kItemUiStart = 880, kItemCallSrc = 715;
constexpr uint32_t kPresetFirst = 119, kPresetLast = 134, kPresetNone = 118;
constexpr int kPresetSlots = 16;
constexpr int kPresetName = 2145, kPresetComment = 2146, kPresetList = 2139, kPresetPicture = 2001;
constexpr int kMsgNameEmpty = 10031, kMsgNameTaken = 10024, kMsgOverwrite = 10032, kMsgPresetsFull = 10049;
constexpr int kMsgNoBitmap = 10043, kMsgNoFile = 10024;
constexpr size_t kTextChars = 522;
constexpr UINT kMsgNcPaint = 0x0085;        // WM_NCPAINT
constexpr UINT kMsgRButtonDblClk = 0x0206;  // WM_RBUTTONDBLCLK
// The help information of WM_HELP (its lParam).
struct HelpInfo {
    UINT size;
    int contextType;
    int controlId;
    HANDLE item;
    DWORD_PTR contextId;
    POINT mouse;
};

bool isPresetSaveButton(int id) { return id == 2038 || id == 2080 || id == 2097 || id == 2115; }

// The page ids that apply the sheet from their main page.
bool appliesSheet(DrvContext* ctx, int id) {
    if (id >= 1002 && id <= 1005) return ItemValueById(ctx, kItemUiMode) != 1;
    return (id >= 1001 && id <= 1006) || (id >= 1008 && id <= 1011) || id == 1015;
}

void bindControls(UiPage* page, HWND window) {
    page->window = window;
    for (int i = 0; i < page->controlCount; ++i) {
        UiControl& c = page->controls[i];
        c.window = GetDlgItem(window, c.secondId ? c.secondId : c.id);
    }
}

void unbind(UiPage* page) {
    page->window = nullptr;
    for (int i = 0; i < page->controlCount; ++i) page->controls[i].window = nullptr;
}

void copyName(DrvContext* ctx, WCHAR* out, size_t chars) {
    out[0] = 0;
    const WCHAR* name = PrnGetPrinterName(ctx);
    for (size_t i = 0; name && name[i] && i + 1 < chars; ++i) out[i] = name[i], out[i + 1] = 0;
}

int messageBox(DrvContext* ctx, HWND owner, uint32_t stringId, UINT style) {
    WCHAR text[kTextChars] = {}, caption[kTextChars];
    ResLoadString(ctx, stringId, text, kTextChars, 0);
    copyName(ctx, caption, kTextChars);
    return MessageBoxW(owner, text, caption, style);
}

const WCHAR* helpFile(DrvContext* ctx) {
    WCHAR name[kWsPathChars] = {};
    const uint32_t at = ModelGetTable1225(ctx);
    if (!at || !MdlReadWide(ctx, at, name, kWsPathChars)) name[0] = 0;
    return GetHelpFilePath(ctx, name);
}

// The page-level check: the page key's option evaluated on a record that
// carries only that option. 1 when a conflict was shown.
int pageCheck(DrvContext* ctx, UiPage* page) {
    if (!page->key) return 0;
    UiControl probe{};
    probe.option = MdlFindOptionByKeyAlias2(ctx, page->key);
    if (!probe.option) return 0;
    return OptChangeFromControl(ctx, page, &probe, 0, 0);
}

LRESULT applyNotify(DrvContext* ctx, SheetSession* s, UiPageState* st, UiPage* page, HWND window) {
    st->applying = 1;
    LRESULT result;
    if (ChangeMaskGet(ctx) & kMaskOkThroughSave) {
        result = PSNRET_INVALID_NOCHANGEPAGE;
        const bool second = GetDlgItem(GetParent(window), kCmdSaveSecond) != nullptr;
        PostMessageW(window, WM_COMMAND, second ? kCmdSaveSecond : kCmdSaveFirst, 0);
    } else {
        st->proceedFlag = 1;
        if (pageCheck(ctx, page) == 1 || st->proceedFlag == 0) {
            OnOptionControlChanged(ctx, page, 0);
            result = PSNRET_INVALID_NOCHANGEPAGE;
        } else {
            result = PSNRET_NOERROR;
            st->proceedFlag = 1;
            if (page->id == s->mainPageId && appliesSheet(ctx, page->id)) {
                uint32_t mark = 0;
                if (OsIsNt5OrLater()) {
                    SendMessageW(GetParent(window), PSM_UNCHANGED, WPARAM(window), 0);
                    ItemSetRawById(ctx, kItemUiStart, 0);
                    SheetApply(ctx);
                    mark = 1;
                }
                ItemSetRawById(ctx, kItemUiStart, mark);
                ItemsClearChanged(ctx);
                OnOptionControlChanged(ctx, page, 1);
            }
        }
    }
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    st->applying = 0;
    return TRUE;
}

// The preset save of the sheet's OK (11111, 22222) and the save buttons.
INT_PTR presetSave(DrvContext* ctx, UiPageState* st, UiPage* page, HWND window, int id) {
    const uint32_t saved = st->proceedFlag;
    st->proceedFlag = 1;
    const bool stop = pageCheck(ctx, page) == 1 || st->proceedFlag == 0;
    st->proceedFlag = saved;
    if (stop) {
        ChangeMaskClear(ctx, kMaskSaveFromButton);
        OnOptionControlChanged(ctx, page, 0);
        return 0;
    }
    WCHAR name[kTextChars] = {}, comment[kTextChars] = {};
    CtlGetItemString(ctx, kPresetName, name, kTextChars);
    CtlGetItemString(ctx, kPresetComment, comment, kTextChars);
    const uint32_t preset = ItemValueById(ctx, kItemPreset);
    const int selected = preset > kPresetNone ? int(preset - kPresetFirst) : -1;
    if (id == kCmdSaveSecond) {
        bool reject = false;
        if (!name[0]) {
            messageBox(ctx, window, kMsgNameEmpty, MB_ICONEXCLAMATION);
            reject = true;
        } else {
            const int slot = PresetFindByName(ctx, name, selected);
            if (slot == 0 || (slot > 0 && !PresetIsWritableByIndex(ctx, slot))) {
                messageBox(ctx, window, kMsgNameTaken, MB_ICONEXCLAMATION);
                reject = true;
            } else if (slot > 0 && slot != selected) {
                if (messageBox(ctx, window, kMsgOverwrite, MB_YESNO | MB_ICONQUESTION) == IDNO) reject = true;
                else ItemSetValueById(ctx, kItemPreset, uint32_t(slot) + kPresetFirst);
            }
        }
        if (reject) {
            for (int edit = 2388; edit <= 2391; ++edit)
                if (page->id == 1002 + (edit - 2388))
                    if (HWND w = GetDlgItem(window, edit)) SetFocus(w);
            return 0;
        }
    } else if (OnFileButton(ctx, 0, 1032, window) == IDCANCEL) {
        return 0;
    }
    HCURSOR old = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    const uint32_t now = ItemValueById(ctx, kItemPreset);
    WCHAR key[kListKeyChars], path[kWsPathChars] = {};
    if (now > kPresetNone && now <= kPresetLast) {
        const WCHAR* ini = GetIniFilePath(ctx);
        FormatPresetKey(key, int(now - kPresetFirst), 0);
        IniGetString(ctx->ws->printerName, key, u"", path, kWsPathChars, ini);
        size_t len = 0;
        while (path[len]) ++len;
        if (len == 0 || (len > 2 && (path[len - 1] == u'R' || path[len - 1] == u'r'))) {
            if (MakeNewUserPresetPath(ctx, path)) IniWriteString(ctx->ws->printerName, key, path, ini);
        }
    } else {
        // A full list takes no further preset.
        if (GetPresetCount(ctx) >= kPresetSlots) {
            messageBox(ctx, window, kMsgPresetsFull, MB_ICONEXCLAMATION);
            SetCursor(old);
            return 0;
        }
        MakeNewUserPresetPath(ctx, path);
        // The save dialog may have named the preset.
        CtlGetItemString(ctx, kPresetName, name, kTextChars);
        CtlGetItemString(ctx, kPresetComment, comment, kTextChars);
        if (PresetAdd(ctx, path, name, comment))
            ItemSetValueById(ctx, kItemPreset, uint32_t(GetPresetCount(ctx)) + kPresetNone);
    }
    const uint32_t after = ItemValueById(ctx, kItemPreset);
    if (after >= kPresetFirst && after <= kPresetLast) {
        const int slot = int(after - kPresetFirst);
        if (slot >= 1 && slot <= 15) SavePresetByIndex(ctx, slot);
        PagesRefreshPresetLists(ctx);
        ItemSetValueById(ctx, kItemPreset, after);
    }
    if (id == kCmdSaveFirst || id == kCmdSaveSecond) {
        ChangeMaskClear(ctx, kMaskOkThroughSave);
        PostMessageW(window, WM_COMMAND, kCmdPressOk, 0);
    }
    SetCursor(old);
    return 0;
}

// The per-page checks of a dialog's close; false keeps it open.
bool closeChecks(DrvContext* ctx, UiPageState* st, UiPage* page, HWND window, int id) {
    const bool ok = id == IDOK;
    switch (page->id) {
        case 1007: {
            if (id == 8) {
                HWND close = GetDlgItem(window, 8);
                SetFocus(close);
                if (GetFocus() != close) return false;
            }
            // Every pair of names: the preset item is the main pages' slot,
            // not the one the dialog shows.
            const int slot = PresetCheckDuplicates(ctx, window, -1);
            if (slot < 0) {
                st->proceedFlag = 0;
                PagesRefreshPresetLists(ctx);
                return true;
            }
            UiControl* list = CtlFindById(ctx, page, kPresetList);
            if (list && list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(slot), 0);
            if (HWND edit = GetDlgItem(window, kPresetName)) {
                SetFocus(edit);
                SendMessageW(edit, EM_SETSEL, 0, -1);
            }
            LoadPresetByIndex(ctx, slot);
            if (list) {
                CtlSetItemValue(ctx, list, uint32_t(slot) + kPresetFirst);
                OptChangeFromControl(ctx, page, list, uint32_t(slot) + kPresetFirst, 0);
            }
            OnOptionControlChanged(ctx, page, 1);
            st->proceedFlag = 0;
            return false;
        }
        case 1011:
            if (ok || DmGetFlagE(ctx)) {
                st->proceedFlag = 1;
                PresetRefreshCheck(ctx, 1);
                PagesRefreshCtrl2007(ctx);
                PagesRefreshCtrls2011(ctx);
            }
            return true;
        case 1017:
            if (ok) {
                SaveFreeSizeTable(ctx);
                OptUpdateScaling(ctx, 1);
                PagesRefreshCtrls2017(ctx);
            } else {
                ChangeMaskClear(ctx, kMaskFreeSize);
                LoadFreeSizeTable(ctx);
            }
            return true;
        case 1023:
            if (ok) {
                WCHAR file[kTextChars] = {};
                GetDlgItemTextW(window, 2341, file, int(kTextChars));
                int w = 0, h = 0;
                HBITMAP bmp = BmpLoadFile(file, &w, &h);
                if (!bmp) {
                    messageBox(ctx, window, kMsgNoBitmap, MB_ICONEXCLAMATION);
                    st->proceedFlag = 0;
                    return false;
                }
                DeleteObject(bmp);  // only a test that the file is a bitmap
            }
            return true;
        case 1034:
            // The remote dialog: a destination must be chosen or typed; its
            // book position is kept, and the book is let go either way.
            if (ok && !AddressPageValidate(ctx, page)) {
                st->proceedFlag = 0;
                return false;
            }
            if (ok)
                if (const CsvStore* book = CsvStoreOf(ctx))
                    ItemSetValueById(ctx, kItemAddrListSelect, uint32_t(uint16_t(book->position)));
            CsvClose(ctx);
            return true;
        case 1037:
            if (ok) {
                WCHAR file[kTextChars] = {};
                GetDlgItemTextW(window, 2586, file, int(kTextChars));
                // An overlay is a file of the machine with the page's extension.
                if (!UiFileExists(file) || !PageFileNameHasExtension(page, file)) {
                    messageBox(ctx, window, kMsgNoFile, MB_ICONEXCLAMATION);
                    st->proceedFlag = 0;
                    return false;
                }
            }
            return true;
        default: return true;
    }
}

INT_PTR dialogClose(DrvContext* ctx, UiPageState* st, UiPage* page, HWND window, int id) {
    const int carrier = (page->id == 1011 && DmGetFlagE(ctx)) ? IDOK : id;
    if (UiControl* c = CtlFindById(ctx, page, carrier))
        if (OptChangeFromControl(ctx, page, c, CtlGetItemValue(ctx, c), 0) == 1) {
            OnOptionControlChanged(ctx, page, 0);
            return 0;
        }
    st->proceedFlag = (id == IDCANCEL || id == IDNO) ? 0 : 1;
    if (!closeChecks(ctx, st, page, window, id)) return 0;
    unbind(page);
    if (PageIsFileDialog(page)) return 0;
    EndDialog(window, id);
    return 1;
}

// A handled control command: the preset of page 1001 reloaded around the
// paper and colour settings, the sheet marked changed.
void afterControlCommand(DrvContext* ctx, UiPage* page, HWND window) {
    if (!ItemsAnyChanged(ctx)) return;
    const uint32_t preset = ItemValueById(ctx, kItemPreset);
    if (page->id == 1001 && preset >= kPresetFirst && preset <= kPresetLast) {
        static constexpr int kKept[] = {13, 378, 57, 15};
        uint32_t values[4];
        for (int i = 0; i < 4; ++i) values[i] = ItemValueById(ctx, kKept[i]);
        LoadPresetByIndex(ctx, int(preset - kPresetFirst));
        for (int i = 0; i < 4; ++i) ItemSetValueById(ctx, kKept[i], values[i]);
        if (UiControl* list = CtlFindById(ctx, page, kPresetPicture))
            OptApplyDependents(ctx, page, list->option, list->applyMode);
    }
    SendMessageW(GetParent(window), PSM_CHANGED, WPARAM(window), 0);
}

// Every control of the page in order until one handles the message.
INT_PTR controlLoop(DrvContext* ctx, UiPage* page, HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                    bool command) {
    const bool byId = message == WM_MEASUREITEM || message == WM_DRAWITEM;
    for (int i = 0; i < page->controlCount; ++i) {
        UiControl* c = &page->controls[i];
        if (!c->window && message != WM_MEASUREITEM) continue;
        if (byId && c->id != LOWORD(wParam)) continue;
        const int handled = command ? CtlWmCommand(ctx, page, c, wParam, lParam)
                                    : CtlDispatchMessage(ctx, page, c, message, wParam, lParam);
        if (!handled) continue;
        if (command) {
            afterControlCommand(ctx, page, window);
            OnOptionControlChanged(ctx, page, 0);
            return 1;
        }
        if (message == WM_CTLCOLORSCROLLBAR || message == WM_CTLCOLORLISTBOX)
            return GetWindowLongPtrW(window, DWLP_MSGRESULT);
        return 1;
    }
    return 0;
}

INT_PTR initDialog(DrvContext* ctx, SheetSession* s, UiPage* page, HWND window) {
    EnableWindow(window, FALSE);
    if (OsIsNt6OrLater())
        SetWindowLongPtrW(window, GWL_EXSTYLE, GetWindowLongPtrW(window, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
    if (GetWindowTextLengthW(window) == 0)
        if (const WCHAR* name = PrnGetPrinterName(ctx)) SetWindowTextW(window, name);
    SheetPrepareControls(ctx, page);
    FixAppWindowProcs(ctx, window);
    for (int i = 0; i < page->controlCount; ++i) {
        UiControl& c = page->controls[i];
        c.window = GetDlgItem(window, c.secondId ? c.secondId : c.id);
        c.previousProc = 0;
        CtlInit(ctx, page, &c);
    }
    s->shownCount = 0;
    if (page->id == 1003) Page1003InitHook(ctx, page, nullptr, WM_INITDIALOG, 0, 0);
    PostMessageW(window, kMsgFitAndShow, 0, 0);
    return TRUE;
}

void showConflict(DrvContext* ctx, UiPage* page, HWND window, WPARAM wParam, LPARAM lParam) {
    UiControl* c = CtlFindById(ctx, page, int(LOWORD(wParam)));
    const uint32_t entry = c ? OptConflictEntry(ctx, c->option, uint16_t(lParam)) : 0;
    if (!entry) return;
    ConflictMessageBox(ctx, entry, window);
    if (c->window) SetFocus(c->window);
}

POINT screenPoint(HWND window, LPARAM lParam) {
    POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
    ClientToScreen(window, &p);
    return p;
}

}  // namespace

INT_PTR CALLBACK PageDlgProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MEASUREITEM) {
        if (PageCtrlChanged(nullptr, nullptr, nullptr, message, wParam, lParam) == 1) return TRUE;
        auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (const CtlCellSize* cell = m ? CtlCellSizeFind(int(m->CtlID)) : nullptr) {
            if (cell->width > 0) m->itemWidth = UINT(cell->width);
            if (cell->height > 0) m->itemHeight = UINT(cell->height);
            return TRUE;
        }
    }
    DrvContext* ctx;
    UiPage* page = nullptr;
    if (message == WM_INITDIALOG) {
        ctx = PageTakeModalContext(lParam);
        if (!ctx) {
            const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            ctx = psp ? reinterpret_cast<DrvContext*>(psp->lParam) : nullptr;
        }
        SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(ctx));
        SheetSession* s = SheetSessionOf(ctx);
        page = s ? PageFindById(ctx, s->currentPageId) : nullptr;
        if (page) {
            bindControls(page, window);
            if (!s->mainPageId) s->mainPageId = page->id;
            SheetPrepareControls(ctx, page);
        }
    } else {
        ctx = reinterpret_cast<DrvContext*>(GetWindowLongPtrW(window, DWLP_USER));
        page = ctx ? PageFindByWindow(ctx, window) : nullptr;
    }
    SheetSession* s = SheetSessionOf(ctx);
    UiPageState* st = UiPageStateOf(ctx);
    if (!s || !st) return message == WM_INITDIALOG ? TRUE : FALSE;
    if (PageCtrlChanged(ctx, page, nullptr, message, wParam, lParam) == 1) {
        OnOptionControlChanged(ctx, page, 0);
        return TRUE;
    }
    if (message == WM_INITDIALOG) {
        const INT_PTR r = page ? initDialog(ctx, s, page, window) : TRUE;
        MdlReleaseStub(ctx->model);
        return r;
    }
    if (!page) return FALSE;
    switch (message) {
        case WM_PAINT: {
            if (!page->window) return 0;
            if (ItemsAnyChanged(ctx)) {
                OnOptionControlChanged(ctx, page, 0);
                return 0;
            }
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            if (ps.rcPaint.right > ps.rcPaint.left && ps.rcPaint.bottom > ps.rcPaint.top) OnOptionControlChanged(ctx, page, 0);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            HelpTipHide(ctx);
            if (page->window) OnOptionControlChanged(ctx, page, 0);
            return 0;
        case kMsgNcPaint: return 0;
        case WM_NOTIFY: {
            HelpTipHide(ctx);
            const auto* n = reinterpret_cast<const NMHDR*>(lParam);
            if (!n) return 0;
            switch (n->code) {
                case PSN_SETACTIVE:
                    s->currentPageId = page->id;
                    OnOptionControlChanged(ctx, page, 1);
                    return 0;
                case PSN_HELP: WinHelpW(window, helpFile(ctx), HELP_CONTEXT, page->helpId); return 0;
                case PSN_RESET: st->proceedFlag = 0; return 0;
                case PSN_APPLY: return applyNotify(ctx, s, st, page, window);
                default: return controlLoop(ctx, page, window, message, wParam, lParam, false);
            }
        }
        case WM_HELP: {
            HelpTipHide(ctx);
            const auto* info = reinterpret_cast<const HelpInfo*>(lParam);
            if (info) ShowContextHelp(window, static_cast<HWND>(info->item), WM_HELP);
            return 1;
        }
        case WM_CONTEXTMENU: {
            HelpTipHide(ctx);
            HWND target = reinterpret_cast<HWND>(wParam);
            if (target == window) {
                const UiControl* c = CtlHitTest(page, short(LOWORD(lParam)), short(HIWORD(lParam)));
                if (!c || (c->flags & kCtlNoContextHelp)) return 1;
                target = c->window;
            }
            ShowContextHelp(window, target, WM_CONTEXTMENU);
            return 1;
        }
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP: {
            UiControl* c = CtlFindByWindow(ctx, page, GetCapture());
            if (!c) {
                const POINT p = screenPoint(window, lParam);
                c = CtlHitTest(page, p.x, p.y);
            }
            if (c && (CtlDispatchMessage(ctx, page, c, message, wParam, lParam) || HelpTipControlId(ctx) == c->id))
                return 0;
            if (message == WM_MOUSEMOVE) HelpTipHide(ctx);
            return 0;
        }
        case WM_LBUTTONDBLCLK: return 0;
        case kMsgRButtonDblClk: {
            if ((wParam & (MK_CONTROL | MK_SHIFT)) != (MK_CONTROL | MK_SHIFT)) return 0;
            const POINT p = screenPoint(window, lParam);
            const UiControl* c = CtlHitTest(page, p.x, p.y);
            if (!c || !(c->flags & kCtlNoContextHelp) || ItemValueById(ctx, kItemCallSrc) != 1) return 0;
            OnFileButton(ctx, 0, 1065, window);
            if (st->proceedFlag) {
                HWND frame = GetParent(window);
                SendMessageW(frame, PSM_CHANGED, WPARAM(SendMessageW(frame, PSM_GETCURRENTPAGEHWND, 0, 0)), 0);
            }
            return 0;
        }
        case WM_TIMER:
            if (wParam == kHelpTipTimer) HelpTipTimer(ctx);
            return 0;
        case kMsgShowConflict: showConflict(ctx, page, window, wParam, lParam); return 0;
        case kMsgFitAndShow: PageFitAndShow(ctx, window); return 0;
        case WM_COMMAND: {
            HelpTipHide(ctx);
            const int id = LOWORD(wParam);
            if (id == kCmdPressOk) {
                PostMessageW(GetParent(window), PSM_PRESSBUTTON, PSBTN_OK, 0);
                return 0;
            }
            if (id == kCmdHelp) {
                WinHelpW(window, helpFile(ctx), HELP_CONTEXT, page->helpId);
                return 0;
            }
            if (id == kCmdSaveFirst || isPresetSaveButton(id)) ChangeMaskAdd(ctx, kMaskSaveFromButton);
            if (id == kCmdSaveFirst || id == kCmdSaveSecond || isPresetSaveButton(id))
                return presetSave(ctx, st, page, window, id);
            if (id == IDOK || id == IDCANCEL || id == IDYES || id == IDNO || id == 8)
                return dialogClose(ctx, st, page, window, id);
            return controlLoop(ctx, page, window, message, wParam, lParam, true);
        }
        case WM_DESTROY:
            HelpTipClose(ctx, window);
            unbind(page);
            return 0;
        default: return controlLoop(ctx, page, window, message, wParam, lParam, false);
    }
}

}  // namespace vesk
