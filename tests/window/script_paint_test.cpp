// The UI script's parser, dump lines that read back, and update regions.
#include "window/window_support.h"

namespace wintest {
namespace {

TEST(Script, StatementsParseWithQuotesCommentsAndClearErrors) {
    std::vector<winsim::ui::Step> steps;
    std::string error;
    ASSERT_TRUE(winsim::ui::parseScript("# a comment\nselect 2017 \"A4; \\\"wide\\\"\"; select 2017 #3\n"
                                        "  type 2352 \"12.5\" ;scroll 2380 thumb -4; key SHIFT+TAB; answer IDNO\n"
                                        "wait 1000; expect dialog 1017; png \"out file.png\"; ok",
                                        steps, &error))
        << error;
    ASSERT_EQ(steps.size(), 10u);
    EXPECT_EQ(steps[0].verb, "select");
    EXPECT_EQ(steps[0].id, 2017);
    EXPECT_EQ(steps[0].text, u"A4; \"wide\"");
    EXPECT_EQ(steps[1].index, 3);
    EXPECT_EQ(steps[2].text, u"12.5");
    EXPECT_EQ(steps[3].word, "thumb");
    EXPECT_EQ(steps[3].number, -4);
    EXPECT_EQ(steps[4].word, "SHIFT+TAB");
    EXPECT_EQ(steps[7].id, 1017);
    EXPECT_EQ(steps[8].word, "out file.png");
    EXPECT_EQ(steps[9].verb, "ok");
    const struct {
        const char* text;
        const char* error;
    } bad[] = {
        {"click", "line 1: click needs an id in 'click'"},
        {"click 12 13", "line 1: '13' after the statement in 'click 12 13'"},
        {"ok\nselect 5", "line 2: select needs a \"text\" or #index in 'select 5'"},
        {"type 5 \"open", "line 1: a text without its closing quote in 'type 5 \"open'"},
        {"expect box 3", "line 1: expect needs 'dialog ID' in 'expect box 3'"},
        {"wait -5", "line 1: wait needs milliseconds in 'wait -5'"},
        {"click 70000", "line 1: click needs an id in 'click 70000'"},
        {"dance", "line 1: unknown statement 'dance' in 'dance'"},
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(winsim::ui::parseScript(b.text, steps, &error)) << b.text;
        EXPECT_EQ(error, b.error);
    }
}

TEST(Script, DumpLinesReadBackWithTheirQuotedTexts) {
    winsim::ui::ControlState s;
    s.id = 2049;
    s.className = u"ComboBox";
    s.text = u"say \"hi\"\\\nnext";
    s.kind = "combo";
    s.count = 3;
    s.selection = 1;
    s.selectedText = u"Ä4";
    s.top = 1;
    s.dropped = true;
    s.visible = false;
    s.enabled = false;
    s.focused = true;
    s.ownerDraw = true;
    const std::string line = winsim::ui::dumpLine(s);
    EXPECT_EQ(line, "2049 ComboBox \"say \\\"hi\\\"\\\\\\nnext\" combo 3 items sel 1 \"Ä4\" top 1 dropped owner-draw "
                    "disabled hidden focus");
    winsim::ui::ControlState back;
    ASSERT_TRUE(winsim::ui::parseDumpLine("    " + line, back));
    EXPECT_EQ(winsim::ui::dumpLine(back), line);
    EXPECT_EQ(back.text, s.text);
    winsim::ui::ControlState bar;
    ASSERT_TRUE(winsim::ui::parseDumpLine("2050 ScrollBar \"\" vscroll pos -3 of -10..10", bar));
    EXPECT_EQ(bar.pos, -3);
    EXPECT_EQ(bar.minPos, -10);
    EXPECT_FALSE(winsim::ui::parseDumpLine("x Button \"a\" push", bar));
    EXPECT_FALSE(winsim::ui::parseDumpLine("5 Button \"open", bar));
    EXPECT_FALSE(winsim::ui::parseDumpLine("5 Button \"a\" push sel x", bar));
}

using Paint = WindowTest;

TEST_F(Paint, UpdateRegionsUniteValidateAndPaintOnDemand) {
    Recorder rec;
    HWND d = open({{kButton, 3, BS_OWNERDRAW, 5, 5, 40, 14, u""}});
    HWND b = GetDlgItem(d, 3);
    RedrawWindow(d, nullptr, nullptr, RDW_VALIDATE | RDW_ALLCHILDREN);
    RECT r{};
    EXPECT_FALSE(GetUpdateRect(d, &r, FALSE));
    const RECT a{10, 10, 20, 20}, c{30, 5, 40, 15};
    InvalidateRect(d, &a, FALSE);
    InvalidateRect(d, &c, FALSE);
    EXPECT_TRUE(GetUpdateRect(d, &r, FALSE));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 5);
    EXPECT_EQ(r.right, 40);
    EXPECT_EQ(r.bottom, 20);
    const RECT part{10, 10, 15, 15};
    ValidateRect(d, &part);  // a part leaves the whole rectangle waiting
    EXPECT_TRUE(GetUpdateRect(d, &r, FALSE));
    ValidateRect(d, nullptr);
    EXPECT_FALSE(GetUpdateRect(d, &r, FALSE));
    rec.lines.clear();
    RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    EXPECT_EQ(rec.only("DRAWITEM"), (std::vector<std::string>{"DRAWITEM 3"}));
    EXPECT_FALSE(GetUpdateRect(b, &r, FALSE));
    // Hidden windows are not painted; WM_SETREDRAW is kept per window.
    ShowWindow(b, SW_HIDE);
    InvalidateRect(b, nullptr, TRUE);
    rec.lines.clear();
    UpdateWindow(b);
    EXPECT_TRUE(rec.lines.empty());
    EXPECT_EQ(winsim::openWindowDcs(), 0u);
}

}  // namespace
}  // namespace wintest
