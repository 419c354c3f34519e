// The generated page templates against the page and control tables, and a
// page driven by a script and read back from its dump.
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "window/window_support.h"

namespace wintest {
namespace {

// The pages of the page table.
std::set<int> tablePages() {
    std::set<int> out;
    std::ifstream f(std::filesystem::path(VESK_TABLES_DIR) / "pages.tsv");
    std::string line;
    while (std::getline(f, line))
        if (!line.empty() && line[0] != '#') out.insert(std::stoi(line));
    return out;
}

// page -> control ids, in table order.
std::map<int, std::vector<int>> tableControls() {
    std::map<int, std::vector<int>> out;
    std::ifstream f(std::filesystem::path(VESK_TABLES_DIR) / "controls.tsv");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        int page = 0, id = 0;
        s >> page >> id;
        out[page].push_back(id);
    }
    return out;
}

// The control ids and classes a template lists, read straight from its bytes.
bool templateControls(const uint8_t* p, size_t size, std::vector<int>& ids, std::vector<std::u16string>& classes) {
    size_t at = 0;
    auto u16 = [&]() -> uint32_t {
        if (at + 2 > size) throw std::runtime_error("short");
        const uint32_t v = p[at] | (p[at + 1] << 8);
        at += 2;
        return v;
    };
    auto text = [&]() {
        std::u16string s;
        for (uint32_t c; (c = u16()) != 0;) s += char16_t(c);
        return s;
    };
    auto field = [&]() -> std::u16string {
        const uint32_t first = u16();
        if (first == 0) return {};
        if (first == 0xFFFF) return std::u16string(1, char16_t(u16()));
        at -= 2;
        return text();
    };
    try {
        if (u16() != 1 || u16() != 0xFFFF) return false;
        at += 8;
        const uint32_t style = u16() | (u16() << 16);
        const uint32_t count = u16();
        at += 8;
        field(), field(), text();
        if (style & DS_SETFONT) at += 6, text();
        for (uint32_t i = 0; i < count; ++i) {
            at = (at + 3) & ~size_t(3);
            at += 20;
            ids.push_back(int(u16() | (u16() << 16)));
            classes.push_back(field());
            field();
            at += u16();
        }
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

class Pages : public StringLibraryTest {
protected:
    // A page opened as a child of a plain frame, as a sheet would hold it.
    HWND openPage(int page, HWND* frame) {
        *frame = CreateWindowExW(0, u"#32770", u"frame", WS_POPUP | WS_VISIBLE, 0, 0, 1000, 760, nullptr, nullptr,
                                 nullptr, nullptr);
        HWND d = CreateDialogParamW(lib_, MAKEINTRESOURCEW(page), *frame, &Recorder::proc, 0);
        if (d) ShowWindow(d, SW_SHOW);  // pages are shown by their holder
        return d;
    }
};

TEST_F(Pages, EveryPageOfTheTablesHasATemplateWithExactlyItsControls) {
    auto tables = tableControls();
    const auto pages = tablePages();
    ASSERT_EQ(pages.size(), 47u);
    Recorder rec;
    size_t built = 0;
    for (int page : pages) {
        const auto& ids = tables[page];
        HRSRC r = FindResourceW(lib_, MAKEINTRESOURCEW(page), RT_DIALOG);
        ASSERT_TRUE(r) << page;
        std::vector<int> have;
        std::vector<std::u16string> classes;
        ASSERT_TRUE(templateControls(static_cast<const uint8_t*>(LockResource(LoadResource(lib_, r))),
                                     SizeofResource(lib_, r), have, classes))
            << page;
        EXPECT_EQ(have, ids) << "page " << page;
        // Pages without a report list build with the dialog manager too.
        if (std::find(classes.begin(), classes.end(), u"SysListView32") != classes.end()) continue;
        HWND frame = nullptr;
        HWND d = openPage(page, &frame);
        ASSERT_TRUE(d) << page << " error " << GetLastError();
        std::vector<int> children;
        for (HWND c = GetWindow(d, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(GetDlgCtrlID(c));
        EXPECT_EQ(children, ids) << "page " << page;
        DestroyWindow(frame);
        ++built;
    }
    EXPECT_GE(built, 40u);
}

TEST_F(Pages, ADumpAfterScriptedActionsReadsBackAsTheControlsState) {
    Recorder rec;
    HWND frame = nullptr;
    HWND page = openPage(1002, &frame);
    ASSERT_TRUE(page);
    HWND combo = GetDlgItem(page, 2017);
    for (const char16_t* t : {u"Letter", u"Legal", u"A4", u"A5"}) SendMessageW(combo, CB_ADDSTRING, 0, LPARAM(t));
    // The printer picture and the previews have their hand-set places.
    RECT picture{};
    GetClientRect(GetDlgItem(page, 2067), &picture);
    EXPECT_EQ(picture.right, 133 * 6 / 4);
    EXPECT_EQ(picture.bottom, 92 * 13 / 8);
    run("check 2069; select 2017 #2; type 2049 \"12.5\"; check 2071; uncheck 2071; dump");
    EXPECT_TRUE(winsim::ui::failures().empty()) << winsim::ui::failures()[0];
    ASSERT_EQ(winsim::ui::dumps().size(), 1u);
    const std::string dump = winsim::ui::dumps()[0];
    std::istringstream lines(dump);
    std::string line;
    std::set<int> seen;
    while (std::getline(lines, line)) {
        winsim::ui::ControlState parsed;
        ASSERT_TRUE(winsim::ui::parseDumpLine(line, parsed)) << line;
        if (parsed.kind == "dialog" || parsed.id == 0) continue;  // the page and its frame
        HWND h = winsim::ui::findControl(page, parsed.id);
        ASSERT_TRUE(h) << line;
        winsim::ui::ControlState live;
        ASSERT_TRUE(winsim::ui::controlState(h, live));
        EXPECT_EQ(winsim::ui::dumpLine(parsed), winsim::ui::dumpLine(live)) << line;
        seen.insert(parsed.id);
    }
    EXPECT_EQ(seen.size(), tableControls()[1002].size());
    EXPECT_NE(dump.find("2069 Button \"2069\" check on"), std::string::npos) << dump;
    EXPECT_NE(dump.find("2071 Button \"2071\" check off"), std::string::npos);
    EXPECT_NE(dump.find("2017 ComboBox \"A4\" combo 4 items sel 2 \"A4\""), std::string::npos);
    EXPECT_NE(dump.find("2049 Edit \"12.5\" edit"), std::string::npos);
    EXPECT_EQ(rec.only("COMMAND 2017 1"), (std::vector<std::string>{"COMMAND 2017 1"}));
}

}  // namespace
}  // namespace wintest
