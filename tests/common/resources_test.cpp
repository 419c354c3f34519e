// Strings with value suffixes, the libraries' lifetime, message boxes, the
// wait window and the window fix-up.
#include <gtest/gtest.h>

#include <cstring>

#include "common/res_support.h"
#include "core/item_store.h"
#include "core/res/res.h"
#include "core/res/text_format.h"
#include "core/item_ids.h"

namespace vesk::test {
namespace {

std::u16string load(DrvContext* c, uint32_t id, int suffix, size_t cap = 200) {
    std::vector<WCHAR> b(cap, u'#');
    ResLoadString(c, id, b.data(), cap, suffix);
    return b.data();
}

void setFreeSize(DrvContext* c, int slot, const char* name, int32_t w, int32_t l) {
    std::strncpy(c->ws->freeSizes[slot].userName, name, kWsFreeSizeNameBytes);
    c->ws->freeSizes[slot].width = w;
    c->ws->freeSizes[slot].length = l;
}

TEST_F(ResourcePrinter, ValueSuffixesByKindAndUnit) {
    DrvContext* c = context(0, 0);
    ASSERT_TRUE(c && c->model);
    EXPECT_EQ(load(c, 153, 0), u"mm");
    EXPECT_EQ(load(c, 29, 0), u"Output tray 1");
    // Kind 1: ":" and the tray's name.
    ASSERT_TRUE(ItemSetString(c, ItemFindById(c, kItWdmPrintPostTray1Name), u"Upper"));
    EXPECT_EQ(load(c, 29, 1), u"Output tray 1:Upper");
    EXPECT_EQ(load(c, 50017, 1), u"Bin 1:Upper");
    // Kind 2, metric: slot 1 for string 110, 0.1 mm with one decimal.
    // 1200-dpi dots: 9921 = 210.0 mm, 14031 = 297.0 mm.
    ItemSetRawById(c, kItRdmDspUnit, 0);
    setFreeSize(c, 1, "Photo", 9921, 14031);
    EXPECT_EQ(load(c, 110, 1), u"Photo(210.0 x 297.0mm)");
    // Kind 3 in an inch context: string 153 reads as the label of 154.
    ItemSetRawById(c, kItRdmDspUnit, 1);
    EXPECT_EQ(load(c, 153, 1), u"inch");
    EXPECT_EQ(load(c, 110, 1), u"Photo(8.27 x 11.70inch)"  /* lengths round up to cover the dots */);
    // The suffix never writes past the capacity.
    EXPECT_EQ(load(c, 110, 1, 10), u"Photo(8.2");
    EXPECT_EQ(load(c, 29, 1, 16), u"Output tray 1:U");
}

TEST_F(ResourcePrinter, AMissingLibraryGivesEmptyStringsAndIsTriedAgain) {
    removeResource("VESKR1us.DLL");
    DrvContext* c = context(0, 0);
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(load(c, 154, 0), u"");
    EXPECT_EQ(load(c, 154, 0), u"");
    EXPECT_EQ(winsim::journalCount("LoadLibraryW"), 2u);
    EXPECT_EQ(c->resourceLibrary1, nullptr);
    installResource("VESKR1us.DLL");
    EXPECT_EQ(load(c, 154, 0), u"inch");
    EXPECT_EQ(load(c, 153, 0), u"mm");
    EXPECT_EQ(winsim::journalCount("LoadLibraryW"), 3u);   // kept once loaded
    ASSERT_TRUE(ResGetBmpDll(c));
    EXPECT_TRUE(ResLoadBitmapId(c, 7001));
    ResFreeDlls(c);
    EXPECT_EQ(c->resourceLibrary1, nullptr);
    EXPECT_EQ(c->resourceLibrary2, nullptr);
    EXPECT_EQ(winsim::journalCount("FreeLibrary"), 2u);
    // The display language picks the library: "jp" for option 177 = 0.
    ItemSetRawById(c, kItRdmLanguageID, 0);
    EXPECT_EQ(load(c, 154, 0), u"インチ");
}

TEST(FormatBounded, OnlyTheGivenArgumentsOfTheirKindAreSubstituted) {
    WCHAR b[64];
    const int32_t v[3] = {7, -42, 255};
    struct Row {
        const WCHAR* format;
        FormatArgs args;
        const WCHAR* expected;
    } rows[] = {
        {u"%d, %d and %d", {nullptr, v, 3}, u"7, -42 and 255"},
        {u"%d and %d", {nullptr, v, 1}, u"7 and %d"},             // no second argument
        {u"%s gone %d", {nullptr, v, 1}, u"%s gone 7"},           // a string asked, none given
        {u"File %s (%d)", {u"a.rpo", nullptr, 0}, u"File a.rpo (%d)"},
        {u"%s %s", {u"x", nullptr, 0}, u"x %s"},
        {u"%ld.%01d|%02d|%5d|%-3d|%x|%%", {nullptr, v, 3}, u"7.-42|255|%5d|%-3d|%x|%"},
        {u"%03d|%X", {nullptr, v + 2, 1}, u"255|%X"},
        {u"end %", {nullptr, v, 3}, u"end %"},
    };
    for (const Row& r : rows) {
        FormatBounded(b, 64, r.format, r.args);
        EXPECT_EQ(std::u16string(b), r.expected) << winsim::toUtf8(r.format);
    }
    EXPECT_EQ(FormatBounded(b, 6, u"%d%d%d", {nullptr, v, 3}), 5u);
    EXPECT_EQ(std::u16string(b), u"7-422");
}

TEST_F(ResourcePrinter, MessageBoxArgumentRulesAndFraming) {
    DrvContext* c = context(0, 0);
    const uint16_t three[3] = {1, 2, 3};
    const uint16_t nine[9] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    MsgBoxRequest rq{10023, 0, MB_ICONEXCLAMATION, MB_OK, nullptr, kMsgArgNone, 0, three, nullptr};
    EXPECT_EQ(MsgBoxShow(c, &rq, nullptr), 0);         // an argument with kind 0
    rq.argKind = kMsgArgValues;
    EXPECT_EQ(MsgBoxShow(c, &rq, nullptr), 0);         // kind 2 without values
    EXPECT_EQ(MsgBoxShow(c, nullptr, nullptr), 0);
    EXPECT_TRUE(winsim::messageBoxLog().empty());

    rq.valueCount = 3;
    EXPECT_EQ(MsgBoxShow(c, &rq, nullptr), IDOK);
    rq.argument = nine, rq.valueCount = 9;             // past 8: the first value only
    MsgBoxShow(c, &rq, nullptr);
    rq.argKind = kMsgArgText, rq.argument = u"a.rpo", rq.leading = u"Lead", rq.trailing = u"Trail";
    rq.buttonStyle = MB_OKCANCEL;
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MsgBoxShow(c, &rq, nullptr), IDCANCEL);
    auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 3u);
    // String 10023 reads "The file %s cannot be used.": no string is given
    // to the integer requests, so it stays as it is.
    EXPECT_EQ(log[0].text, u"The file %s cannot be used.");
    EXPECT_EQ(log[0].caption, u"Office [2]");            // caption 0: the printer's name
    EXPECT_EQ(log[0].style, UINT(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(log[2].text, u"Lead\r\n\r\nThe file a.rpo cannot be used.\r\n\r\nTrail\r\n\r\n");
    EXPECT_EQ(log[2].style, UINT(MB_ICONEXCLAMATION | MB_OKCANCEL));
    rq = {10022, 153, MB_ICONEXCLAMATION, MB_OK, nullptr, kMsgArgNone, 0, nullptr, nullptr};
    MsgBoxShow(c, &rq, nullptr);
    EXPECT_EQ(winsim::messageBoxLog().back().caption, u"mm");
}

// A string library of one string: a VRES module with one string block.
std::string oneStringLibrary(uint32_t id, const std::u16string& text) {
    std::string block;
    auto u16 = [](std::string& o, uint32_t v) { o += char(v & 0xFF), o += char(v >> 8 & 0xFF); };
    auto u32 = [&](std::string& o, uint32_t v) { u16(o, v & 0xFFFF), u16(o, v >> 16); };
    for (uint32_t i = 0; i < 16; ++i) {
        if (i != (id & 15)) {
            u16(block, 0);
            continue;
        }
        u16(block, static_cast<uint32_t>(text.size()));
        for (char16_t c : text) u16(block, c);
    }
    std::string out = "VRES";
    u16(out, 1), u16(out, 0), u32(out, 1), u32(out, 16 + static_cast<uint32_t>(block.size()));
    out += block;
    u32(out, 6), u32(out, (id >> 4) + 1), u32(out, 16), u32(out, static_cast<uint32_t>(block.size()));
    return out;
}

TEST_F(ResourcePrinter, MessageValuesAreFormattedAsIntegersUpToEight) {
    write(kDriverDir + u"VESKR1us.DLL", oneStringLibrary(10022, u"%d-%d-%d %s"));
    DrvContext* c = context(0, 0);
    const uint16_t three[3] = {1, 2, 65535};
    const uint16_t nine[9] = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    MsgBoxRequest rq{10022, 0, MB_ICONEXCLAMATION, MB_OK, nullptr, kMsgArgValues, 3, three, nullptr};
    MsgBoxShow(c, &rq, nullptr);
    rq.valueCount = 9, rq.argument = nine;
    MsgBoxShow(c, &rq, nullptr);
    rq.valueCount = 2;
    MsgBoxShow(c, &rq, nullptr);
    auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].text, u"1-2-65535 %s");
    EXPECT_EQ(log[1].text, u"9-%d-%d %s");     // a count past 8 passes the first value only
    EXPECT_EQ(log[2].text, u"9-8-%d %s");
}

TEST_F(ResourcePrinter, SimpleBoxesUseTheActiveWindowAndTheirButtons) {
    DrvContext* c = context(0, 0);
    HWND active = winsim::createWindow(u"App", u"Application");
    HWND mine = winsim::createWindow(u"Other", u"Other");
    winsim::setActiveWindow(active);
    winsim::queueMessageBoxAnswer(IDCANCEL);
    EXPECT_EQ(MsgBoxOkCancel(c, nullptr, 10016), IDCANCEL);
    MsgBoxOk(c, mine, 10016);
    MsgBoxWithText(c, nullptr, 10023, u"x.rst");
    auto log = winsim::messageBoxLog();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].owner, active);
    EXPECT_EQ(log[0].style, UINT(MB_ICONEXCLAMATION | MB_OKCANCEL));
    EXPECT_EQ(log[1].owner, mine);
    EXPECT_EQ(log[1].style, UINT(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(log[2].text, u"The file x.rst cannot be used.");
    winsim::setActiveWindow(nullptr);
}

TEST_F(ResourcePrinter, WaitWindowShowsThePrinterAndTheMessage) {
    DrvContext* c = context(0, 0);
    HWND w = WaitDialogCreate(c, 7001);
    ASSERT_TRUE(w);
    winsim::WindowInfo frame, text;
    ASSERT_TRUE(winsim::windowInfo(w, frame));
    ASSERT_TRUE(winsim::windowInfo(GetDlgItem(w, 5005), text));
    EXPECT_EQ(frame.text, u"Office [2]");
    EXPECT_EQ(text.text, u"Getting the printer's configuration...");
    WaitDialogDestroy(w);
    EXPECT_FALSE(IsWindow(w));
    DrawIconToWindow(c, nullptr, 7100);
    HWND shown = winsim::createWindow(u"Static", u"");
    DrawIconToWindow(c, shown, 7100);
    auto draws = winsim::drawLog();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].window, shown);
    EXPECT_EQ(draws[0].resourceId, 7100u);
    EXPECT_EQ(winsim::openWindowDcs(), 0u);
    EXPECT_EQ(winsim::liveImages(), 0u);
}

LRESULT CALLBACK appProc(HWND, UINT, WPARAM, LPARAM) { return 1; }

TEST_F(ResourcePrinter, WindowProceduresAreResetOnlyWhenTheApplicationRuns) {
    DrvContext* c = context(0, 0);
    const auto app = reinterpret_cast<LONG_PTR>(&appProc);
    HWND page = winsim::createWindow(u"#32770", u"Page");
    HWND a = winsim::createWindow(u"Button", u"A", page, 1, app);
    HWND b = winsim::createWindow(u"Edit", u"B", page, 2, app);
    HWND d = winsim::createWindow(u"NoSuchClass", u"D", page, 3, app);
    FixAppWindowProcs(c, page);
    EXPECT_EQ(GetWindowLongPtrW(a, GWLP_WNDPROC), app);
    winsim::createWindow(u"CorelDRAW 9.0", u"Drawing");
    FixAppWindowProcs(c, page);
    WNDCLASSEXW wc{};
    ASSERT_TRUE(GetClassInfoExW(nullptr, u"Button", &wc));
    EXPECT_EQ(GetWindowLongPtrW(a, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
    WNDCLASSEXW edit{};
    ASSERT_TRUE(GetClassInfoExW(nullptr, u"Edit", &edit));
    EXPECT_NE(edit.lpfnWndProc, wc.lpfnWndProc);   // each control class has its own procedure
    EXPECT_EQ(GetWindowLongPtrW(b, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(edit.lpfnWndProc));
    EXPECT_EQ(GetWindowLongPtrW(d, GWLP_WNDPROC), app);   // a class nobody registered stays
}

}  // namespace
}  // namespace vesk::test
