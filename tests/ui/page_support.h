// A document session of the sample printer whose pages the sheet's page
// procedure makes inside a test frame, and the helpers the page machinery
// tests share.
#pragma once
#include <win/user.h>
#include <winsim/ui.h>
#include <winsim/window.h>

#include "controls/ctl_ops.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "ui/sheet_support.h"

namespace vesk::test {

// A document sheet session of the sample printer (the common UI's init call
// made, its context at hand) with a test frame for the pages it makes.
class DocumentSession : public SheetPrinter {
protected:
    void SetUp() override {
        SheetPrinter::SetUp();
        i_ = info(reinterpret_cast<LPARAM>(&docHeader_));
        ASSERT_EQ(call(DrvDocumentPropertySheets, i_, PROPSHEETUI_REASON_INIT), 1);
        ctx_ = contextOf(i_);
    }
    void TearDown() override {
        if (frame_) DestroyWindow(frame_);
        if (ctx_) call(DrvDocumentPropertySheets, i_, PROPSHEETUI_REASON_DESTROY);
        SheetPrinter::TearDown();
    }
    // The frame the pages go into: a new one, or the current one (made at
    // first use).
    HWND newFrame() {
        frame_ = winsim::createWindow(u"TestFrame", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
        return frame_;
    }
    HWND frame() { return frame_ ? frame_ : newFrame(); }
    // Page template `id` made in the frame as the sheet creates it, under
    // `proc` (the sheet's page procedure unless given).
    HWND createPage(int id, DLGPROC proc = &SheetPageDlgProc) {
        psp_.dwSize = sizeof psp_;
        psp_.pszTemplate = MAKEINTRESOURCEW(id);
        psp_.lParam = reinterpret_cast<LPARAM>(ctx_);
        return CreateDialogParamW(ResGetStringDll(ctx_), MAKEINTRESOURCEW(id), frame(), proc,
                                  reinterpret_cast<LPARAM>(&psp_));
    }

    // Runs what is posted (at most 2000 messages).
    static void pump() {
        MSG m;
        for (int n = 0; n < 2000 && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE); ++n) DispatchMessageW(&m);
    }

    PROPSHEETUI_INFO i_{};
    PROPSHEETPAGEW psp_{};
    DrvContext* ctx_ = nullptr;
    HWND frame_ = nullptr;
};

class PagePrinter : public DocumentSession {
protected:
    void SetUp() override {
        DocumentSession::SetUp();
        if (ctx_) SheetPrepareControls(ctx_, nullptr);
    }
    // Page `id` in a frame, as the sheet creates it; the posted layout not
    // yet run.
    HWND makePage(int id = 1002) {
        HWND w = createPage(id);
        page_ = PageFindById(ctx_, id);
        return w;
    }
    // Page 1002 laid out and refreshed, its controls with their own class
    // procedures (the subclass procedure is tested on its own) and filled.
    HWND openPage(int id = 1002) {
        HWND w = makePage(id);
        if (!w) return nullptr;
        pump();
        KeepClassProcs(ctx_, page_);
        return w;
    }
    static void KeepClassProcs(DrvContext* ctx, UiPage* page) {
        for (int i = 0; i < page->controlCount; ++i) {
            UiControl& c = page->controls[i];
            if (c.window && c.previousProc) SetWindowLongPtrW(c.window, GWLP_WNDPROC, LONG_PTR(c.previousProc));
        }
        for (int i = 0; i < page->controlCount; ++i) CtlInit(ctx, page, &page->controls[i]);
        OnOptionControlChanged(ctx, page, 1);
    }
    UiControl* control(int id) { return CtlFindById(ctx_, page_, id); }
    HWND item(int id) { return GetDlgItem(page_->window, id); }
    // Selects the combo entry with item data `value` as the user would.
    void pick(int id, uint32_t value) {
        HWND c = item(id);
        const int n = int(SendMessageW(c, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < n; ++i)
            if (uint32_t(SendMessageW(c, CB_GETITEMDATA, WPARAM(i), 0)) == value) {
                SendMessageW(c, CB_SETCURSEL, WPARAM(i), 0);
                SendMessageW(page_->window, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(c));
                return;
            }
        ADD_FAILURE() << "no entry " << value << " in " << id;
    }
    void click(int id) {
        HWND b = item(id);
        SendMessageW(b, BM_SETCHECK, SendMessageW(b, BM_GETCHECK, 0, 0) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED,
                     0);
        SendMessageW(page_->window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
    }
    UiPageState* state() { return UiPageStateOf(ctx_); }

    UiPage* page_ = nullptr;
};

// Values of the sample model.
constexpr uint32_t kPaperA3 = 40, kPaperA4 = 41;
constexpr uint32_t kSourceAuto = 1, kSourceTray1 = 3, kSourceTray3 = 5, kSourceTray4 = 6;
constexpr uint32_t kMediaPlain = 1, kMediaThick = 3;

}  // namespace vesk::test

// ---- Dialog tests on an ordinary context of the sample printer: a fresh
// window system for each test, the message boxes it showed, the string
// library's texts and, on request, a sheet session (which keeps the nested
// dialogs' go-ahead and pressed button).
#include "common/lists_support.h"
#include "sheets/sheet_support.h"

namespace vesk::test {

class DialogPrinter : public ListPrinter {
protected:
    void SetUp() override {
        ListPrinter::SetUp();
        winsim::ui::reset();
    }
    void TearDown() override {
        if (session_) {
            // The session ends with the context's reference, as a sheet's does.
            for (auto& p : contexts_)
                if (p.get() == c_) (void)p.release();
            SheetSessionEnd(c_);
        }
        winsim::ui::reset();
        ListPrinter::TearDown();
    }
    void beginSession() {
        session_ = SheetSessionBegin(c_) != nullptr;
        ASSERT_TRUE(session_);
    }
    // The texts of the message boxes shown, in order.
    std::vector<std::u16string> boxes() {
        std::vector<std::u16string> out;
        for (const auto& b : winsim::messageBoxLog()) out.push_back(b.text);
        return out;
    }
    std::u16string text(int id) {
        WCHAR t[600] = {};
        ResLoadString(c_, uint32_t(id), t, 600, 0);
        return t;
    }
    bool session_ = false;
};
// ---- End of the dialog tests' fixture

}  // namespace vesk::test
