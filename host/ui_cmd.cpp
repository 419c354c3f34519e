// vesk ui dialog PRINTER PAGEID [--do ACTIONS] [--script FILE.vui] [--dump]
// [--png FILE] (the property sheets' commands are in ui_sheet_cmd.cpp):
// a page or dialog template of the printer's string library, opened under a
// neutral dialog procedure (the driver's pages come later), driven by a UI
// script, dumped and pictured as a PNG file. A page (a child template) is held by a plain frame as
// a sheet would hold it; a dialog runs on its own.
#include <iostream>
#include <memory>

#include <win/commctrl.h>
#include <win/windows.h>
#include <win/user.h>
#include <winsim/window.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/res/res.h"
#include "printer_context.h"
#include "ui_run.h"

namespace vesk::host {
namespace {

// Placeholder entries of every list, combo box and list view (one column),
// so that a script can pick in them: "ID #N", item data N.
constexpr int kPlaceholderItems = 4;

BOOL CALLBACK fillLists(HWND h, LPARAM) {
    WCHAR cls[16] = {};
    GetClassNameW(h, cls, 16);
    const std::u16string name(cls);
    const bool combo = name == u"ComboBox", report = name == u"SysListView32";
    if (!combo && !report && name != u"ListBox") return TRUE;
    const int id = GetDlgCtrlID(h);
    if (report) {
        const std::u16string head = winsim::fromUtf8(std::to_string(id));
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = const_cast<LPWSTR>(head.c_str());
        col.cx = 100;
        SendMessageW(h, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
    }
    for (int i = 0; i < kPlaceholderItems; ++i) {
        const std::u16string text = winsim::fromUtf8(std::to_string(id) + " #" + std::to_string(i));
        if (report) {
            LVITEMW row{};
            row.mask = LVIF_TEXT | LVIF_PARAM;
            row.iItem = i;
            row.pszText = const_cast<LPWSTR>(text.c_str());
            row.lParam = i;
            SendMessageW(h, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row));
            continue;
        }
        const LRESULT at = SendMessageW(h, combo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageW(h, combo ? CB_SETITEMDATA : LB_SETITEMDATA, WPARAM(at), i);
    }
    return TRUE;
}

// The neutral procedure: fills the lists, ends on IDOK and IDCANCEL.
INT_PTR CALLBACK neutralProc(HWND h, UINT m, WPARAM w, LPARAM) {
    if (m == WM_INITDIALOG) {
        EnumChildWindows(h, &fillLists, 0);
        return TRUE;
    }
    if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        EndDialog(h, LOWORD(w));
        return TRUE;
    }
    return FALSE;
}

struct FrameParam {
    HMODULE lib;
    int page;
    HWND made = nullptr;
};

// The frame of a page: makes the page as its child when it opens.
INT_PTR CALLBACK frameProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_INITDIALOG) {
        auto* p = reinterpret_cast<FrameParam*>(l);
        p->made = CreateDialogParamW(p->lib, MAKEINTRESOURCEW(p->page), h, &neutralProc, 0);
        if (!p->made) {
            EndDialog(h, -2);
            return TRUE;
        }
        RECT r{};
        GetWindowRect(p->made, &r);
        SetWindowPos(h, nullptr, 0, 0, r.right - r.left + 12, r.bottom - r.top + 40, SWP_NOMOVE | SWP_NOZORDER);
        ShowWindow(p->made, SW_SHOW);
        return TRUE;
    }
    if (m == WM_COMMAND && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        EndDialog(h, LOWORD(w));
        return TRUE;
    }
    return FALSE;
}

// The frame's template: a captioned pop-up with no controls.
std::vector<uint8_t> frameTemplate(const std::u16string& title) {
    std::vector<uint8_t> b;
    auto u16 = [&](uint32_t v) { b.push_back(uint8_t(v)), b.push_back(uint8_t(v >> 8)); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    u16(1), u16(0xFFFF), u32(0), u32(0), u32(WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_SETFONT | DS_MODALFRAME), u16(0);
    u16(0), u16(0), u16(280), u16(300), u16(0), u16(0);
    for (char16_t c : title) u16(c);
    u16(0);
    u16(8), u16(400), b.push_back(0), b.push_back(1);
    for (char16_t c : std::u16string(u"MS Shell Dlg")) u16(c);
    u16(0);
    return b;
}

bool isChildTemplate(HMODULE lib, int page) {
    HRSRC r = FindResourceW(lib, MAKEINTRESOURCEW(page), RT_DIALOG);
    const auto* p = r ? static_cast<const uint8_t*>(LockResource(LoadResource(lib, r))) : nullptr;
    if (!p || SizeofResource(lib, r) < 16) return false;
    const uint32_t style = uint32_t(p[12] | (p[13] << 8) | (p[14] << 16) | (p[15] << 24));
    return style & WS_CHILD;
}

int usageError() {
    return fail("usage: vesk ui dialog PRINTER PAGEID [--do \"ACTIONS\"] [--script FILE.vui] [--dump] [--png FILE]");
}

int uiDialog(const Args& args) {
    UiRun run;
    std::string error;
    if (!ParseUiRun(args.words, run, &error)) return error.empty() ? usageError() : fail(error);
    const auto& positional = run.positional;
    if (positional.size() != 2) return usageError();
    char* end = nullptr;
    const long page = std::strtol(positional[1].c_str(), &end, 10);
    if (*end || page <= 0 || page > 0xFFFF) return fail("'" + positional[1] + "' is not a page id");

    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, positional[0], &error);
    if (!pc) return fail(error);
    HMODULE lib = ResGetStringDll(pc->ctx);
    if (!lib) return fail("the string library of '" + positional[0] + "' cannot be loaded");
    if (!FindResourceW(lib, MAKEINTRESOURCEW(page), RT_DIALOG))
        return fail("the string library of '" + positional[0] + "' has no dialog " + std::to_string(page));

    INT_PTR result;
    bool ok;
    {
        UiSession session(run.steps);
        if (isChildTemplate(lib, int(page))) {
            FrameParam param{lib, int(page)};
            const auto t = frameTemplate(u"Page " + winsim::fromUtf8(std::to_string(page)));
            result = DialogBoxIndirectParamW(nullptr, t.data(), nullptr, &frameProc, reinterpret_cast<LPARAM>(&param));
        } else {
            result = DialogBoxParamW(lib, MAKEINTRESOURCEW(page), nullptr, &neutralProc, 0);
        }
        ok = session.Finish();
    }
    if (result == -1 || result == -2)
        return fail("dialog " + std::to_string(page) + " cannot be made (error " + std::to_string(GetLastError()) + ")");
    std::cerr << "dialog " << page << " ended with " << (result == IDOK ? "ok" : "cancel") << "\n";
    return ok ? 0 : 1;
}

}  // namespace

int cmdUi(const Args& args) {
    if (!args.words.empty() && (args.words[0] == "document-properties" || args.words[0] == "printer-properties"))
        return uiSheet(args);
    if (args.words.empty() || args.words[0] != "dialog") return usageError();
    return uiDialog(args);
}

}  // namespace vesk::host
