// The control handlers and the subclass procedure on pages of a running
// sheet: key filters, arrow stepping, numeric edits in display units, the
// hold loop of repeat buttons on the virtual clock, owner-drawn button
// faces, the preset list's drawing and the composed preview pictures.
#include <win/comctl_controls.h>
#include <win/user.h>
#include <win/wingdi.h>
#include <winsim/window.h>

#include <cstring>
#include <vector>

#include "controls/ctl_ops.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/units.h"
#include "pictures/pictures.h"
#include "ui/page_support.h"
#include "widgets/num_text.h"
#include "widgets/printer_regions.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk::test {
namespace {

constexpr int kLengthEdit = 2470;  // page 1003, type 63, item 104 (0..2400 dots), no arrows
constexpr int kMarginEdit = 2468;  // page 1003, type 63, item 106, a length that steps
constexpr int kUserIdEdit = 2241;  // page 1010, type 61, item 215 (9 bytes)
constexpr int kButton = 2079;      // page 1003, a push button
constexpr UINT kHold = 0x8002;

class WidgetPage : public DocumentSession {
protected:
    void TearDown() override {
        winsim::useRealClock();
        DocumentSession::TearDown();
    }
    void makePage(int pageId) {
        SheetPrepareControls(ctx_, nullptr);
        sessionOf(i_)->currentPageId = uint16_t(pageId);
        pageWindow_ = createPage(pageId);
        ASSERT_NE(pageWindow_, nullptr);
        page_ = PageFindById(ctx_, pageId);
        ASSERT_NE(page_, nullptr);
    }
    // The control's window subclassed as the page machinery does it.
    UiControl* subclass(int id) {
        UiControl* c = CtlFindById(ctx_, page_, id);
        EXPECT_NE(c, nullptr);
        if (!c) return nullptr;
        c->window = GetDlgItem(pageWindow_, id);
        EXPECT_NE(c->window, nullptr);
        // The page's init may have subclassed it already; never twice.
        if (c->previousProc) return c;
        SetWindowLongPtrW(c->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c));
        c->previousProc = uintptr_t(SetWindowLongPtrW(c->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CtlWndProc)));
        return c;
    }
    std::u16string text(HWND w) {
        WCHAR t[256] = {};
        GetWindowTextW(w, t, 256);
        return t;
    }
    void type(HWND w, const std::u16string& s) {
        for (char16_t ch : s) SendMessageW(w, WM_CHAR, ch, 1);
    }
    int postedPaints() {
        int n = 0;
        MSG m;
        while (PeekMessageW(&m, pageWindow_, WM_PAINT, WM_PAINT, PM_REMOVE))
            if (m.message == WM_PAINT && m.wParam == 0 && m.lParam == 0) ++n;
        return n;
    }

    HWND pageWindow_ = nullptr;
    UiPage* page_ = nullptr;
};

TEST_F(WidgetPage, TextEditStopsAtTheItemsAnsiBytes) {
    winsim::config().ansiCodePage = 932;
    makePage(1010);
    UiControl* c = subclass(kUserIdEdit);
    ASSERT_TRUE(c && c->item && c->option);
    ASSERT_EQ(c->item->typeWord & 0xFFFF, 9u);
    type(c->window, u"123456789");
    EXPECT_EQ(text(c->window), u"12345678");
    // The user id takes letters and digits only.
    SetWindowTextW(c->window, u"");
    type(c->window, u"a-b\u3042");
    EXPECT_EQ(text(c->window), u"ab");
    // Bound to a multi-byte string option, a double-byte character costs two
    // bytes.
    const uint32_t own = c->option;
    c->option = MdlFindOptionByKeyAlias2(ctx_, 869);
    ASSERT_NE(c->option, 0u);
    SetWindowTextW(c->window, u"1234567");
    SendMessageW(c->window, EM_SETSEL, 7, 7);
    type(c->window, u"\u3042");
    EXPECT_EQ(text(c->window), u"1234567");
    SetWindowTextW(c->window, u"123456");
    SendMessageW(c->window, EM_SETSEL, 6, 6);
    type(c->window, u"\u3042x");
    EXPECT_EQ(text(c->window), u"123456\u3042");
    // The selection is replaced, so it does not count.
    SendMessageW(c->window, EM_SETSEL, 0, 2);
    type(c->window, u"A");
    EXPECT_EQ(text(c->window), u"A3456\u3042");
    // A full edit refuses a paste.
    winsim::ui::setClipboardText(u"Z");
    SetWindowTextW(c->window, u"12345678");
    SendMessageW(c->window, EM_SETSEL, 8, 8);
    SendMessageW(c->window, WM_PASTE, 0, 0);
    EXPECT_EQ(text(c->window), u"12345678");
    c->option = own;
    winsim::config().ansiCodePage = 1252;
}

TEST_F(WidgetPage, NumericEditTakesDigitsAndStepsWithinTheRange) {
    makePage(1003);
    UiControl* length = subclass(kLengthEdit);
    ASSERT_TRUE(length && length->item);
    SetWindowTextW(length->window, u"");
    type(length->window, u"1a-2.5");
    EXPECT_EQ(text(length->window), u"12.5");
    UiControl* c = subclass(kMarginEdit);
    ASSERT_TRUE(c && c->item);
    NumRecord rec;
    ASSERT_TRUE(NumRecordOf(ctx_, c, &rec));
    ASSERT_GT(rec.maximum, rec.minimum + 10);
    const int32_t step = DisplayToDotsItem(ctx_, 0, 1);
    ItemSetValue(ctx_, c->item, uint32_t(rec.maximum - 1));
    postedPaints();
    SendMessageW(c->window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), uint32_t(rec.maximum));
    EXPECT_EQ(postedPaints(), 1);
    // At the maximum an arrow up changes nothing and asks for no paint.
    SendMessageW(c->window, WM_KEYDOWN, VK_UP, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), uint32_t(rec.maximum));
    EXPECT_EQ(postedPaints(), 0);
    SendMessageW(c->window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), uint32_t(rec.maximum - step));
    ItemSetValue(ctx_, c->item, uint32_t(rec.minimum + 1));
    SendMessageW(c->window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), uint32_t(rec.minimum));
}

TEST_F(WidgetPage, PreparedNoArrowFlagKeepsTheEditsValue) {
    makePage(1003);
    UiControl* c = subclass(kLengthEdit);
    ASSERT_TRUE(c && c->item);
    // The table preparation marks this edit: arrows leave its value alone.
    ASSERT_TRUE(c->flags & 0x200000u);
    ItemSetValue(ctx_, c->item, 100);
    postedPaints();
    SendMessageW(c->window, WM_KEYDOWN, VK_UP, 0);
    SendMessageW(c->window, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), 100u);
    EXPECT_EQ(postedPaints(), 0);
}

TEST_F(WidgetPage, NumericEditStoresLengthsInDotsAndShowsThemInTheDisplayUnit) {
    makePage(1003);
    UiControl* c = subclass(kLengthEdit);
    ASSERT_TRUE(c && c->item);
    for (uint32_t unit : {0u, 1u}) {
        ItemSetValueById(ctx_, 179, unit);
        const int scale = unit ? 100 : 10;
        const uint32_t dots = uint32_t(DisplayToDotsItem(ctx_, 0, 15 * scale / 10));
        // A single-line edit reports its new text, and the page's dispatch
        // stores it.
        SetWindowTextW(c->window, u"1.5");
        EXPECT_EQ(CtlGetItemValue(ctx_, c), dots);
        // The handler itself stores a text the item does not hold yet.
        ItemSetValue(ctx_, c->item, 0);
        EXPECT_EQ(CtlNumEditCommand(ctx_, page_, c, MAKEWPARAM(kLengthEdit, EN_CHANGE), 0), 1);
        EXPECT_EQ(CtlGetItemValue(ctx_, c), dots);
        // The same text again changes nothing.
        EXPECT_EQ(CtlNumEditCommand(ctx_, page_, c, MAKEWPARAM(kLengthEdit, EN_CHANGE), 0), 0);
        ItemSetValue(ctx_, c->item, 1200);
        c->item->changed = 1;
        CtlNumEditShow(ctx_, page_, c);
        EXPECT_EQ(text(c->window), unit ? u"1.00" : u"25.4");
        EXPECT_EQ(CtlGetItemValue(ctx_, c), 1200u);
        // Focus loss on the shown text keeps the exact value.
        CtlNumEditMessage(ctx_, page_, c, WM_KILLFOCUS, 0, 0);
        EXPECT_EQ(CtlGetItemValue(ctx_, c), 1200u);
    }
    // A length beyond the option's range is stored as typed, and brought to
    // the range's end when the edit loses the focus.
    SetWindowTextW(c->window, u"12.5");
    EXPECT_EQ(CtlGetItemValue(ctx_, c), 15000u);
    CtlNumEditMessage(ctx_, page_, c, WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), 2400u);
    ItemSetValue(ctx_, c->item, 1200);
    // A negative or oversized length is taken back with a backspace, both
    // through the page and by the handler.
    postedPaints();
    SetWindowTextW(c->window, u"99999999999");
    EXPECT_EQ(CtlGetItemValue(ctx_, c), 1200u);
    EXPECT_EQ(CtlNumEditCommand(ctx_, page_, c, MAKEWPARAM(kLengthEdit, EN_CHANGE), 0), 0);
    int backspaces = 0;
    MSG m{};
    while (PeekMessageW(&m, c->window, WM_CHAR, WM_CHAR, PM_REMOVE)) backspaces += m.wParam == 8;
    EXPECT_EQ(backspaces, 2);
    EXPECT_EQ(CtlGetItemValue(ctx_, c), 1200u);
}

// A helper window whose timers move the mouse off and back onto the button
// and end the hold.
struct HoldScript {
    static HoldScript*& current() {
        static HoldScript* s = nullptr;
        return s;
    }
    HWND button = nullptr;
    bool byCapture = false;
    static LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        HoldScript* s = current();
        if (m == WM_TIMER && s) {
            KillTimer(w, wp);
            if (wp == 1) PostMessageW(s->button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5000, 5000));
            if (wp == 2) PostMessageW(s->button, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
            if (wp == 3) {
                if (s->byCapture) ReleaseCapture();
                else PostMessageW(s->button, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
            }
            return 0;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
};

class RepeatButton : public WidgetPage {
protected:
    void SetUp() override {
        WidgetPage::SetUp();
        winsim::setVirtualClock(0x01D0000000000000ull, 1000);
        makePage(1003);
        target_ = subclass(kLengthEdit);
        button_ = subclass(kButton);
        ASSERT_TRUE(target_ && button_);
        entry_.controlId = kLengthEdit;
        entry_.step = 1;
        attr_ = UiAttrRepeat{5, 1, &entry_};
        button_->attribute = &attr_;
        ItemSetValue(ctx_, target_->item, 100);
        helper_ = winsim::createWindow(u"HoldHelper", u"", nullptr, 0, reinterpret_cast<LONG_PTR>(&HoldScript::proc));
        script_.button = button_->window;
        HoldScript::current() = &script_;
    }
    void TearDown() override {
        HoldScript::current() = nullptr;
        if (button_) button_->attribute = nullptr;
        if (helper_) DestroyWindow(helper_);
        WidgetPage::TearDown();
    }
    // Runs a hold started by the mouse with `waits` idle points of 50 ms.
    uint32_t holdFor(int waits) {
        std::string steps;
        for (int i = 0; i < waits; ++i) steps += "wait 50\n";
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(steps, &error)) << error;
        SendMessageW(button_->window, kHold, WM_LBUTTONDOWN, 0);
        EXPECT_EQ(winsim::ui::pendingSteps(), 0u);
        return CtlGetItemValue(ctx_, target_);
    }
    UiControl *target_ = nullptr, *button_ = nullptr;
    UiRepeatEntry entry_{};
    UiAttrRepeat attr_{};
    HWND helper_ = nullptr;
    HoldScript script_;
};

TEST_F(RepeatButton, StepsAtOnceThenAfter400MsThenEvery100Ms) {
    SetTimer(helper_, 3, 650, nullptr);
    // Steps at 0, 400, 500 and 600 ms.
    EXPECT_EQ(holdFor(13), 104u);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(RepeatButton, LeavingTheButtonPausesTheSteps) {
    SetTimer(helper_, 1, 450, nullptr);
    SetTimer(helper_, 2, 750, nullptr);
    SetTimer(helper_, 3, 950, nullptr);
    // 0 and 400 ms; off from 450 to 750; 800 and 900 ms.
    EXPECT_EQ(holdFor(19), 104u);
}

TEST_F(RepeatButton, CaptureLossEndsTheHold) {
    script_.byCapture = true;
    SetTimer(helper_, 3, 450, nullptr);
    EXPECT_EQ(holdFor(9), 102u);
}

TEST_F(WidgetPage, ButtonFaceFramesRaisedAndSunk) {
    makePage(1003);
    HWND w = GetDlgItem(pageWindow_, kButton);
    ASSERT_NE(w, nullptr);
    const auto frames = [&](int pressed, int focused) {
        winsim::clearDrawLog();
        HDC dc = GetDC(w);
        RECT r{0, 0, 40, 20};
        DrawButtonFace(ctx_, page_, nullptr, nullptr, dc, &r, 2, pressed, focused);
        ReleaseDC(w, dc);
        std::vector<COLORREF> fills;
        bool focusRect = false;
        for (const auto& d : winsim::drawLog()) {
            if (d.operation == "FillRect") fills.push_back(d.colour);
            if (d.operation == "DrawFocusRect") focusRect = true;
        }
        if (focused) {
            EXPECT_TRUE(focusRect);
        }
        return fills;
    };
    const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT), dk = GetSysColor(COLOR_3DDKSHADOW),
                   face = GetSysColor(COLOR_BTNFACE), sh = GetSysColor(COLOR_BTNSHADOW);
    EXPECT_EQ(frames(0, 0), (std::vector<COLORREF>{hi, hi, dk, dk, face, face, sh, sh}));
    EXPECT_EQ(frames(1, 0), (std::vector<COLORREF>{sh, sh, face, face, dk, dk, hi, hi}));
    EXPECT_EQ(frames(0, 1).size(), 8u);
}

class PreviewPixels : public WidgetPage {
protected:
    void SetUp() override {
        WidgetPage::SetUp();
        makePage(1003);
        dc_ = CreateCompatibleDC(nullptr);
        HDC screen = GetDC(nullptr);
        bitmap_ = CreateCompatibleBitmap(screen, 80, 80);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        fill(RGB(0xF0, 0x0F, 0xFF));
    }
    void TearDown() override {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
        WidgetPage::TearDown();
    }
    void fill(COLORREF c) {
        RECT all{0, 0, 80, 80};
        HBRUSH b = CreateSolidBrush(c);
        FillRect(dc_, &all, b);
        DeleteObject(b);
    }
    void draw(int id, uint32_t flags, int x = 40, int y = 40) {
        RECT r{0, 0, 80, 80};
        DrawBitmapComposite(ctx_, page_, nullptr, dc_, &r, x, y, reinterpret_cast<HBITMAP>(uintptr_t(id)), flags, 0);
    }
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

TEST_F(PreviewPixels, KeyColourShowsThePageBackgroundOrTheThemePane) {
    // 6001 is 50 x 69, centred: its corner at (15, 5) is key colour.
    draw(6001, 0x50);
    EXPECT_EQ(GetPixel(dc_, 15, 6), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(GetPixel(dc_, 40, 40), RGB(255, 255, 255));  // the paper
    EXPECT_EQ(GetPixel(dc_, 2, 2), RGB(0xF0, 0x0F, 0xFF));  // outside the picture
    winsim::config().set("uxtheme.active", "1");
    winsim::config().set("comctl32.version", "6.0");
    fill(RGB(0, 0, 0));
    draw(6001, 0x50);
    EXPECT_EQ(GetPixel(dc_, 15, 6), RGB(252, 252, 254));
    // The theme-off flag keeps the classic background.
    RECT r{0, 0, 80, 80};
    DrawBitmapComposite(ctx_, page_, nullptr, dc_, &r, 40, 40, reinterpret_cast<HBITMAP>(uintptr_t(6001)), 0x50, 1);
    EXPECT_EQ(GetPixel(dc_, 15, 6), GetSysColor(COLOR_BTNFACE));
    winsim::config().set("uxtheme.active", "0");
    winsim::config().set("comctl32.version", "5.82");
}

TEST_F(PreviewPixels, FourBitPictureKeysOnItsFirstPixel) {
    // 7005 has a white background: transparent over the content.
    draw(7005, 0x1, 0, 0);
    EXPECT_EQ(GetPixel(dc_, 0, 0), RGB(0xF0, 0x0F, 0xFF));
    EXPECT_EQ(GetPixel(dc_, 2, 2), RGB(0, 0, 0));  // the ink frame
}

TEST_F(PreviewPixels, AndAndMergePaintCombineWithTheContent) {
    draw(6001, 0x50 | 0x2000);
    EXPECT_EQ(GetPixel(dc_, 15, 6), RGB(0xC0, 0x00, 0x33));
    fill(RGB(0xF0, 0x0F, 0xFF));
    draw(6001, 0x50 | 0x4000);
    EXPECT_EQ(GetPixel(dc_, 15, 6), RGB(0xF3, 0xFF, 0xFF));
}

TEST_F(PreviewPixels, StretchedPicturesAreGreyOnAMonochromeMachine) {
    RECT r{0, 0, 40, 30};
    const auto inkAt = [&]() {
        DrawBitmapComposite(ctx_, page_, nullptr, dc_, &r, 0, 0, reinterpret_cast<HBITMAP>(uintptr_t(6205)), 0x2, 0);
        return GetPixel(dc_, 6, 5);
    };
    ItemSetValueById(ctx_, 246, 1);
    EXPECT_EQ(inkAt(), RGB(0x20, 0x40, 0x80));
    ItemSetValueById(ctx_, 246, 0);
    EXPECT_EQ(inkAt(), RGB(61, 61, 61));
}

TEST_F(PreviewPixels, StretchedPicturesFillTheSharedPaletteOnAPaletteDisplay) {
    RECT r{0, 0, 40, 30};
    const auto stretch = [&]() {
        DrawBitmapComposite(ctx_, page_, nullptr, dc_, &r, 0, 0, reinterpret_cast<HBITMAP>(uintptr_t(6205)), 0x2, 0);
    };
    ItemSetValueById(ctx_, 246, 1);
    PaletteSharedForget();
    EXPECT_EQ(PaletteShared(nullptr, 0, 0), 0u);
    EXPECT_EQ(PaletteShared(dc_, -1, 0), 0u);
    winsim::config().set("display.bits", "8");
    PaletteSharedForget();
    EXPECT_EQ(PaletteShared(nullptr, 0, 0), 1u);
    stretch();
    // The target's own palette is back after the stretch.
    HGDIOBJ stock = GetStockObject(DEFAULT_PALETTE);
    EXPECT_EQ(SelectPalette(dc_, static_cast<HPALETTE>(stock), FALSE), stock);
    // The shared palette holds the picture's colours.
    auto previous = reinterpret_cast<HPALETTE>(PaletteShared(dc_, -1, 0));
    ASSERT_NE(previous, nullptr);
    HPALETTE made = SelectPalette(dc_, previous, FALSE);
    PALETTEENTRY e[256] = {};
    EXPECT_EQ(GetPaletteEntries(made, 0, 256, e), 256u);
    DeleteObject(made);
    bool ink = false;
    for (const PALETTEENTRY& p : e) ink |= p.peRed == 0x20 && p.peGreen == 0x40 && p.peBlue == 0x80;
    EXPECT_TRUE(ink);
    winsim::config().set("display.bits", "24");
    PaletteSharedForget();
}

TEST_F(PreviewPixels, WatermarkTextShowsItsColourExactlyOrThroughAMask) {
    UiControl* c = CtlFindById(ctx_, page_, 2039);
    ASSERT_TRUE(c);
    const auto* a = static_cast<const UiAttrPreview*>(CtlGetAttr(c, 8));
    ASSERT_TRUE(a);
    const auto set = [&](int slot, uint32_t v) {
        DmItem* it = ItemFindByKey(ctx_, a->keys[slot]);
        ASSERT_TRUE(it) << slot;
        ItemSetValue(ctx_, it, v);
    };
    ItemSetValueById(ctx_, 63, 1);
    ItemSetValueById(ctx_, 109, 1);
    ItemSetString(ctx_, ItemFindById(ctx_, 869), u"WM");
    set(4, 1);     // red kind
    set(5, 50);    // density: the other channels 127
    set(6, 0);     // angle
    set(7, 288);   // points
    set(3, 0);     // no frame
    set(10, 0);    // centred
    set(11, 0);    // not tiled
    set(12, 0);    // white area, ANDed
    const COLORREF colour = RGB(255, 127, 127);
    const RECT all{0, 0, 80, 80};
    bool textInColour = false;
    const auto drawn = [&](bool* masked) {
        fill(RGB(255, 255, 255));
        winsim::clearDrawLog();
        PreviewDrawWatermark(ctx_, page_, c, dc_, &all, 0);
        *masked = textInColour = false;
        for (const auto& d : winsim::drawLog()) {
            if (d.operation == "TextOut") textInColour |= d.colour == colour;
            if (d.operation == "BitBlt" && d.resourceId == 0x00EE0086) *masked = true;
        }
        int n = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x) n += GetPixel(dc_, x, y) == colour;
        return n;
    };
    bool masked = true;
    EXPECT_GT(drawn(&masked), 0);
    EXPECT_FALSE(masked);
    EXPECT_TRUE(textInColour);
    // A palette display has no such entry: the text goes through the mask
    // and still shows the colour.
    winsim::config().set("display.bits", "8");
    EXPECT_GT(drawn(&masked), 0);
    EXPECT_TRUE(masked);
    EXPECT_FALSE(textInColour);
    winsim::config().set("display.bits", "24");
    // Switched off, nothing is drawn.
    ItemSetValueById(ctx_, 63, 0);
    EXPECT_EQ(drawn(&masked), 0);
}

TEST_F(WidgetPage, DraggingASlidersThumbStoresThePositionItEndsAt) {
    makePage(1022);
    UiControl* c = subclass(2323);
    ASSERT_TRUE(c && c->item);
    NumRecord rec;
    ASSERT_TRUE(NumRecordOf(ctx_, c, &rec));
    ShowWindow(pageWindow_, SW_SHOW);
    CtlShowValue(ctx_, page_, c);
    std::vector<winsim::ui::Step> steps;
    std::string error;
    const int target = (rec.minimum + rec.maximum) / 2;
    ASSERT_TRUE(winsim::ui::parseScript("scroll 2323 thumb " + std::to_string(target), steps, &error)) << error;
    ASSERT_TRUE(winsim::ui::runStep(steps[0], &error)) << error;
    EXPECT_EQ(int32_t(CtlGetItemValue(ctx_, c)), target);
}

TEST_F(WidgetPage, PrinterPictureRegionsCountByModelOptionsAndShift) {
    const auto at = [&](int x, int y) {
        const PictureRegion* r = PictureRegionAt(ctx_, GetBuiltinTable8(), POINT{x, y}, nullptr);
        return r ? int(r->value) : 0;
    };
    ItemSetValueById(ctx_, 10020, 0);
    ItemSetValueById(ctx_, 10050, 0);
    ItemSetValueById(ctx_, 10018, 1);
    EXPECT_EQ(at(35, 62), int(kSourceTray1 + 1));
    // The paper bank's cassettes count only when it is fitted.
    EXPECT_EQ(at(35, 72), 0);
    ItemSetValueById(ctx_, 10020, 1);
    EXPECT_EQ(at(35, 72), int(kSourceTray3));
    EXPECT_EQ(at(110, 70), 7);  // the large-capacity tray
    // A fitted finisher moves the body left and takes the large-capacity
    // tray's place (its second item).
    ItemSetValueById(ctx_, 10050, 1);
    EXPECT_EQ(at(95, 72), 0);
    EXPECT_EQ(at(20, 52), int(kSourceTray1));
    EXPECT_EQ(at(110, 70), 0);
    RECT placed{};
    ASSERT_TRUE(PictureRegionAt(ctx_, GetBuiltinTable9(), POINT{110, 25}, &placed));
    EXPECT_EQ(placed.left, 104);
}

TEST_F(WidgetPage, PrinterPictureClickAndHoverPickTheTrayUnderTheMouse) {
    makePage(1002);
    ShowWindow(pageWindow_, SW_SHOW);
    pump();
    UiControl* picture = subclass(2067);
    UiControl* output = CtlFindById(ctx_, page_, 2066);
    ASSERT_TRUE(picture && output);
    RECT client{};
    GetClientRect(picture->window, &client);
    ASSERT_GE(client.right, 130);
    ItemSetValueById(ctx_, 10050, 1);
    OnOptionControlChanged(ctx_, page_, 1);
    SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(110, 25));
    EXPECT_EQ(CtlGetItemValue(ctx_, output), 38u);
    SendMessageW(picture->window, WM_LBUTTONUP, 0, MAKELPARAM(110, 40));
    EXPECT_EQ(CtlGetItemValue(ctx_, output), 37u);
    // The hover names the tray under the mouse, and nothing elsewhere.
    RECT wr{};
    GetWindowRect(picture->window, &wr);
    SendMessageW(picture->window, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 110, wr.top + 25));
    EXPECT_EQ(picture->hoverString, 38u);
    SendMessageW(picture->window, WM_NCHITTEST, 0, MAKELPARAM(wr.left + 2, wr.top + 2));
    EXPECT_EQ(picture->hoverString, 0u);
}

TEST_F(WidgetPage, APlainNumberShowsItsSuffixAndItsSliderTheRecordsRange) {
    makePage(1021);
    UiControl* c = subclass(2263);
    UiControl* slider = subclass(2264);
    ASSERT_TRUE(c && c->item && slider);
    NumRecord rec;
    ASSERT_TRUE(NumRecordOf(ctx_, c, &rec));
    EXPECT_EQ(rec.suffixId, 159);
    EXPECT_EQ(rec.minimum, -50);
    EXPECT_EQ(rec.maximum, 50);
    ItemSetValue(ctx_, c->item, uint32_t(-20));
    c->item->changed = 1;
    CtlNumEditShow(ctx_, page_, c);
    EXPECT_EQ(text(c->window), u"-20 %");
    // The suffix does not count against the digits, and the text is taken
    // back as a number.
    CtlNumEditInit(ctx_, page_, c);
    EXPECT_EQ(SendMessageW(c->window, EM_GETLIMITTEXT, 0, 0), 3 + 2);
    SetWindowTextW(c->window, u"35 %");
    EXPECT_EQ(int32_t(CtlGetItemValue(ctx_, c)), 35);
    CtlSliderInit(ctx_, page_, slider);
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE;
    ASSERT_TRUE(GetScrollInfo(slider->window, SB_CTL, &si));
    EXPECT_EQ(si.nMin, -50);
    EXPECT_EQ(si.nMax, 50);
}

TEST_F(WidgetPage, PresetListDrawingLeavesTheSettingsAsTheyWere) {
    makePage(1001);
    UiControl* c = subclass(2001);
    ASSERT_TRUE(c && c->item);
    ASSERT_TRUE(PresetAdd(ctx_, u"", u"Office", u""));
    ASSERT_TRUE(PresetAdd(ctx_, u"", u"Draft", u""));
    CtlPresetListInit(ctx_, page_, c);
    ItemSetValueById(ctx_, 15, 2);
    const std::vector<BYTE> before(ctx_->devmode, ctx_->devmode + 3808);
    HDC dc = GetDC(c->window);
    for (UINT entry = 0; entry < UINT(SendMessageW(c->window, LB_GETCOUNT, 0, 0)); ++entry) {
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTBOX;
        di.itemID = entry;
        di.itemAction = ODA_DRAWENTIRE;
        di.itemState = entry == 0 ? ODS_SELECTED : 0;
        di.hwndItem = c->window;
        di.hDC = dc;
        di.rcItem = RECT{0, 0, 108, 107};
        di.itemData = ULONG_PTR(SendMessageW(c->window, LB_GETITEMDATA, entry, 0));
        EXPECT_EQ(CtlPresetListMessage(ctx_, page_, c, WM_DRAWITEM, 0, LPARAM(&di)), 1);
    }
    ReleaseDC(c->window, dc);
    EXPECT_EQ(std::memcmp(before.data(), ctx_->devmode, before.size()), 0);
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

// Pixels of a memory surface that are not white.
int inkIn(HDC dc, const RECT& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) != RGB(255, 255, 255);
    return n;
}

TEST_F(WidgetPage, PresetEntriesAndLaterPagePicturesShowTheBasicPreview) {
    makePage(1001);
    UiControl* list = subclass(2001);
    ASSERT_TRUE(list && list->item);
    ASSERT_TRUE(PresetAdd(ctx_, u"", u"Office", u""));
    CtlPresetListInit(ctx_, page_, list);
    ASSERT_GE(SendMessageW(list->window, LB_GETCOUNT, 0, 0), 1);
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 108, 107);
    HGDIOBJ old = SelectObject(mem, bitmap);
    // The preset page has no page picture: the entry draws the basic page's.
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_LISTBOX;
    di.itemAction = ODA_DRAWENTIRE;
    di.hwndItem = list->window;
    di.hDC = mem;
    di.rcItem = RECT{0, 0, 108, 107};
    di.itemData = ULONG_PTR(SendMessageW(list->window, LB_GETITEMDATA, 0, 0));
    ASSERT_EQ(CtlPresetListMessage(ctx_, page_, list, WM_DRAWITEM, 0, LPARAM(&di)), 1);
    EXPECT_GT(inkIn(mem, RECT{0, 0, 108, 70}), 100);
    // The edit page's picture has no key of its own and shows the same.
    UiPage* edit = PageFindById(ctx_, 1003);
    UiControl* picture = CtlFindById(ctx_, edit, 2039);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->option, 0u);
    const RECT all{0, 0, 108, 107};
    FillRect(mem, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    CtlPictureDrawIn(ctx_, edit, picture, mem, &all);
    EXPECT_GT(inkIn(mem, all), 100);
    SelectObject(mem, old);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
}

// The entry of a preset that selects a text stamp of the printer's list
// shows the stamp over its paper; the same settings without the stamp do
// not, and drawing leaves the watermark switch as it was.
TEST_F(WidgetPage, PresetEntryOfAStampedPresetShowsTheStamp) {
    makePage(1001);
    UiControl* list = subclass(2001);
    ASSERT_TRUE(list && list->item);
    // A text stamp in the printer's list; the current settings keep no text,
    // so only a load of the stamp can draw it.
    ItemSetValueById(ctx_, 109, 1);
    ItemSetValueById(ctx_, 112, 50);
    ItemSetValueById(ctx_, 119, 45);
    ItemSetValueById(ctx_, 122, 72);
    ItemSetValueById(ctx_, 127, 1);
    ItemSetString(ctx_, ItemFindById(ctx_, 121), u"Sans");
    ItemSetString(ctx_, ItemFindById(ctx_, 869), u"DRAFT");
    ASSERT_EQ(SaveStampByIndex(ctx_, 0), 1);
    ASSERT_GE(GetStampCount(ctx_), 1);
    ItemSetString(ctx_, ItemFindById(ctx_, 869), u"");
    const std::u16string plain = u"C:\\sets\\plain.rst", stamped = u"C:\\sets\\stamped.rst";
    ASSERT_EQ(EnsureParentDir(plain.c_str()), 1);
    ItemSetValueById(ctx_, 63, 0);
    ASSERT_EQ(SettingsExport(ctx_->printer, plain.c_str(), kStPresetDevice, ctx_), 1);
    ItemSetValueById(ctx_, 63, 1);
    ItemSetValueById(ctx_, 120, 0);
    ASSERT_EQ(SettingsExport(ctx_->printer, stamped.c_str(), kStPresetDevice, ctx_), 1);
    ItemSetValueById(ctx_, 63, 0);
    ASSERT_TRUE(PresetAdd(ctx_, plain.c_str(), u"Plain", u""));
    ASSERT_TRUE(PresetAdd(ctx_, stamped.c_str(), u"Stamped", u""));
    CtlPresetListInit(ctx_, page_, list);
    const int n = int(SendMessageW(list->window, LB_GETCOUNT, 0, 0));
    ASSERT_GE(n, 2);
    auto drawEntry = [&](int index) {
        HDC screen = GetDC(nullptr);
        HDC mem = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, 108, 107);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(mem, bitmap);
        DRAWITEMSTRUCT di{};
        di.CtlType = ODT_LISTBOX;
        di.itemID = UINT(index);
        di.itemAction = ODA_DRAWENTIRE;
        di.hwndItem = list->window;
        di.hDC = mem;
        di.rcItem = RECT{0, 0, 108, 107};
        di.itemData = ULONG_PTR(SendMessageW(list->window, LB_GETITEMDATA, WPARAM(index), 0));
        EXPECT_EQ(CtlPresetListMessage(ctx_, page_, list, WM_DRAWITEM, 0, LPARAM(&di)), 1);
        std::vector<COLORREF> px;
        for (int y = 0; y < 107; ++y)
            for (int x = 0; x < 108; ++x) px.push_back(GetPixel(mem, x, y));
        SelectObject(mem, old);
        DeleteObject(bitmap);
        DeleteDC(mem);
        return px;
    };
    const std::vector<COLORREF> without = drawEntry(n - 2), with = drawEntry(n - 1);
    // Above the name band the pictures differ by darker (ANDed) pixels only.
    int marked = 0, lighter = 0;
    for (size_t i = 0; i < 80 * 108; ++i) {
        if (with[i] == without[i]) continue;
        ++marked;
        lighter += GetRValue(with[i]) > GetRValue(without[i]) || GetGValue(with[i]) > GetGValue(without[i]) ||
                   GetBValue(with[i]) > GetBValue(without[i]);
    }
    EXPECT_GT(marked, 0) << "the stamp shows in the stamped preset's entry";
    EXPECT_EQ(lighter, 0);
    EXPECT_EQ(ItemValueById(ctx_, 63), 0u) << "drawing restores the settings";
}

TEST_F(WidgetPage, PresetListHoldsOneEntryPerPreset) {
    makePage(1001);
    UiControl* c = subclass(2001);
    ASSERT_TRUE(c && c->option);
    CtlPresetListInit(ctx_, page_, c);
    EXPECT_EQ(SendMessageW(c->window, LB_GETCOUNT, 0, 0), GetPresetCount(ctx_));
    ASSERT_TRUE(PresetAdd(ctx_, u"", u"Office", u""));
    CtlPresetListInit(ctx_, page_, c);
    const int n = int(SendMessageW(c->window, LB_GETCOUNT, 0, 0));
    ASSERT_EQ(n, GetPresetCount(ctx_));
    ASSERT_GE(n, 1);
    EXPECT_EQ(SendMessageW(c->window, LB_GETITEMDATA, WPARAM(n - 1), 0), LRESULT(119 + n - 1));
}

class PicturePage : public WidgetPage {
protected:
    // The basic page's preview picture drawn into a 120 x 120 memory surface.
    std::vector<COLORREF> drawPreview() {
        UiControl* c = CtlFindById(ctx_, page_, 2039);
        EXPECT_TRUE(c && c->option);
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP b = CreateCompatibleBitmap(screen, 120, 120);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, b);
        RECT all{0, 0, 120, 120};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        if (c) CtlPictureDrawIn(ctx_, page_, c, dc, &all);
        std::vector<COLORREF> px;
        for (int y = 0; y < 120; ++y)
            for (int x = 0; x < 120; ++x) px.push_back(GetPixel(dc, x, y));
        SelectObject(dc, old);
        DeleteObject(b);
        DeleteDC(dc);
        return px;
    }
};

TEST_F(PicturePage, PaperPictureWithTheWatermarkOverIt) {
    makePage(1002);
    ItemSetValueById(ctx_, 63, 0);
    const std::vector<COLORREF> plain = drawPreview();
    // The portrait paper is centred: white paper in the middle, the page
    // background where its key colour is.
    EXPECT_EQ(plain[60 * 120 + 60], RGB(255, 255, 255));
    EXPECT_EQ(plain[(60 - 30) * 120 + 60 - 22], GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(plain[2 * 120 + 2], RGB(0, 0, 0));
    ItemSetValueById(ctx_, 63, 1);
    ItemSetValueById(ctx_, 109, 1);
    ItemSetValueById(ctx_, 122, 200);
    ItemSetValueById(ctx_, 112, 100);  // full density: black text
    ItemSetString(ctx_, ItemFindByKey(ctx_, 869), u"TOP SECRET");
    const std::vector<COLORREF> marked = drawPreview();
    int changed = 0, outside = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x) {
            const bool differs = plain[size_t(y * 120 + x)] != marked[size_t(y * 120 + x)];
            // Only the paper area (48 x 67, centred, raised 2) may change.
            const bool inArea = x >= 36 && x < 84 && y >= 24 && y < 91;
            changed += differs && inArea;
            outside += differs && !inArea;
        }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(outside, 0);
    // Item 63 off again: the picture is as before.
    ItemSetValueById(ctx_, 63, 0);
    EXPECT_EQ(drawPreview(), plain);
}

}  // namespace
}  // namespace vesk::test

namespace vesk::test {
namespace {

TEST_F(WidgetPage, TabsShowTheirGroupsAndTheTreeListsEveryControl) {
    makePage(1003);
    HWND tab = CreateWindowExW(0, WC_TABCONTROLW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, pageWindow_,
                               reinterpret_cast<HMENU>(intptr_t(2900)), nullptr, nullptr);
    ASSERT_NE(tab, nullptr);
    const uint16_t first[] = {2079}, second[] = {2080, 2093};
    const UiTabRow rows[] = {{563, 1, first}, {563, 2, second}};
    const UiAttrTabs tabs{6, 2, rows};
    UiControl c{};
    c.id = 2900;
    c.type = kCtlTab;
    c.window = tab;
    c.attribute = &tabs;
    EXPECT_EQ(CtlTabInit(ctx_, page_, &c), 0);
    EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), 2);
    const auto shown = [&](int id) { return (GetWindowLongW(GetDlgItem(pageWindow_, id), GWL_STYLE) & WS_VISIBLE) != 0; };
    EXPECT_TRUE(shown(2079));
    EXPECT_FALSE(shown(2080));
    EXPECT_FALSE(shown(2093));
    SendMessageW(tab, TCM_SETCURSEL, 1, 0);
    NMHDR n{tab, 2900, UINT(TCN_SELCHANGE)};
    CtlTabMessage(ctx_, page_, &c, WM_NOTIFY, 2900, LPARAM(&n));
    EXPECT_FALSE(shown(2079));
    EXPECT_TRUE(shown(2080));
    EXPECT_TRUE(shown(2093));

    HWND tree = CreateWindowExW(0, WC_TREEVIEWW, u"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, pageWindow_,
                                reinterpret_cast<HMENU>(intptr_t(2901)), nullptr, nullptr);
    ASSERT_NE(tree, nullptr);
    UiControl t{};
    t.id = 2901;
    t.window = tree;
    for (int round = 0; round < 2; ++round) {  // a second fill replaces the first
        EXPECT_EQ(CtlTreeInit(ctx_, page_, &t), 0);
        size_t controls = 0;
        for (int p = 0; p < CtxPages(ctx_)->count; ++p) controls += size_t(CtxPages(ctx_)->pages[p].controlCount);
        EXPECT_EQ(size_t(SendMessageW(tree, TVM_GETCOUNT, 0, 0)), size_t(CtxPages(ctx_)->count) + controls);
    }
    winsim::ui::ControlState st;
    ASSERT_TRUE(winsim::ui::controlState(tree, st));
    bool named = false;
    for (const auto& d : st.details) named |= d.find("VPD_IDC_PRESET_ICONLIST\xEF\xBC\x9A") != std::string::npos;
    EXPECT_TRUE(named);
}

}  // namespace
}  // namespace vesk::test
