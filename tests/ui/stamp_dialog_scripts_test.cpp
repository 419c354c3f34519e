// The stamp, free-size, font and installable-option dialogs of a document
// session, each opened as the pages open it and driven by a UI script, as
// `vesk ui` drives them: what the user's steps leave in the settings, the
// lists and the per-printer INI.
#include <win/files.h>
#include <win/wingdi.h>
#include <winsim/winsim.h>

#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/devmode/dm_state.h"
#include "pipeline/file_button.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

class DialogScripts : public PagePrinter {
protected:
    void SetUp() override {
        PagePrinter::SetUp();
        winsim::setVirtualClock(0, 1000);
    }
    // Opens `pageId` from the shown page under `script`; every step must be
    // done and every box answered.
    int run(int pageId, const std::string& script) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        const int r = OnFileButton(ctx_, 4, pageId, page_->window);
        expectScriptDone();
        return r;
    }
    // Presses a button of the shown page; its dialog runs `script`.
    void press(int id, const std::string& script) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        SendMessageW(page_->window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(item(id)));
        expectScriptDone();
    }
    void expectScriptDone() {
        for (const auto& f : winsim::ui::failures()) ADD_FAILURE() << f;
        EXPECT_EQ(winsim::ui::pendingSteps(), 0u);
    }
    std::u16string ini(const char16_t* section, const char16_t* key) {
        WCHAR v[600] = {};
        IniGetString(section, key, u"(none)", v, 600, GetIniFilePath(ctx_));
        return v;
    }
    std::vector<std::u16string> comboTexts(int id) {
        std::vector<std::u16string> out;
        HWND c = item(id);
        for (int i = 0; i < SendMessageW(c, CB_GETCOUNT, 0, 0); ++i) {
            WCHAR t[64] = {};
            SendMessageW(c, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t));
            out.emplace_back(t);
        }
        return out;
    }
    // The INI section of stamp `i`.
    static std::u16string stamp(int i) { return u"Stamp" + winsim::fromUtf8(std::to_string(i)) + u"us"; }
    // A file of the sample machine's user files, placed on this machine.
    void placeSample(const char* name, const std::u16string& at) {
        CreateDirectoryW(u"C:\\stamps", nullptr);
        write(at, readFile(sourceRoot() / "samples" / "machine" / "C" / "stamps" / name));
    }
};

TEST_F(DialogScripts, TheFreeSizeDialogKeepsTypedSizesOnOkAndDropsThemOnCancel) {
    openPage();
    EXPECT_EQ(run(1017, "expect dialog 1017; select 2364 #3; type 2365 \"Poster\"; ok"), IDOK);
    EXPECT_EQ(std::string(ctx_->ws->freeSizes[3].userName), "Poster");
    EXPECT_EQ(ini(u"FreeSize3us", u"wdmFreeSizeName"), u"Poster");
    // The other slots keep their names.
    EXPECT_EQ(ini(u"FreeSize2us", u"wdmFreeSizeName"), u"User size 3");
    EXPECT_EQ(run(1017, "expect dialog 1017; select 2364 #4; type 2365 \"Gone\"; cancel"), IDCANCEL);
    EXPECT_EQ(std::string(ctx_->ws->freeSizes[4].userName), "User size 5");
    EXPECT_EQ(ini(u"FreeSize4us", u"wdmFreeSizeName"), u"User size 5");
}

TEST_F(DialogScripts, ANewTextStampTakesTheModelsDefaultsAndIsSavedOnOk) {
    makePage(1003);
    pump();
    const int n = GetStampCount(ctx_);
    ASSERT_EQ(comboTexts(2089).size(), size_t(n));
    ItemSetValueById(ctx_, 119, 10);  // an angle the defaults put back
    press(2091, "expect dialog 1022; type 2310 \"Secret\"; type 2312 \"TOP SECRET\"; ok");
    const auto after = comboTexts(2089);
    ASSERT_EQ(after.size(), size_t(n + 1));
    EXPECT_EQ(after[size_t(n)], u"Secret");
    EXPECT_EQ(SendMessageW(item(2089), CB_GETCURSEL, 0, 0), n);
    EXPECT_EQ(GetStampCount(ctx_), n + 1);
    const std::u16string s = stamp(n);
    EXPECT_EQ(ini(s.c_str(), u"wdmWmCharName"), u"Secret");
    EXPECT_EQ(ini(s.c_str(), u"wdmWmChar"), u"TOP SECRET");
    EXPECT_EQ(ini(s.c_str(), u"rdmWmAngle"), u"45");
    EXPECT_EQ(ini(s.c_str(), u"rdmWmKind"), u"1");
    // A cancelled one leaves the list and the INI as they were.
    press(2091, "expect dialog 1022; type 2310 \"Dropped\"; cancel");
    EXPECT_EQ(comboTexts(2089).size(), size_t(n + 1));
    EXPECT_EQ(GetStampCount(ctx_), n + 1);
    EXPECT_EQ(ini(stamp(n + 1).c_str(), u"wdmWmCharName"), u"(none)");
}

TEST_F(DialogScripts, AnImageStampNeedsABitmapAndAnOverlayItsExtension) {
    placeSample("logo.bmp", u"C:\\stamps\\logo.bmp");
    placeSample("letterhead.rpo", u"C:\\stamps\\letterhead.rpo");
    placeSample("letterhead.rpo", u"C:\\stamps\\letterhead.txt");
    makePage(1003);
    pump();
    const int n = GetStampCount(ctx_);
    winsim::clearMessageBoxes();
    press(2092, "expect dialog 1023; type 2339 \"Logo\"; type 2341 \"C:\\\\stamps\\\\logo.bmp\"; ok");
    EXPECT_TRUE(winsim::messageBoxLog().empty());
    ASSERT_EQ(comboTexts(2089).size(), size_t(n + 1));
    EXPECT_EQ(comboTexts(2089).back(), u"Logo");
    EXPECT_EQ(ini(stamp(n).c_str(), u"wdmWmImage"), u"C:\\stamps\\logo.bmp");
    EXPECT_EQ(ini(stamp(n).c_str(), u"rdmWmKind"), u"2");
    // An overlay file of another extension is refused with 10024 and the
    // dialog stays open for the right one.
    WCHAR refused[600] = {};
    ResLoadString(ctx_, 10024, refused, 600, 0);
    press(2407, "expect dialog 1037; type 2584 \"Letterhead\"; type 2586 \"C:\\\\stamps\\\\letterhead.txt\"; ok; "
                "answer IDOK; expect dialog 1037; type 2586 \"C:\\\\stamps\\\\letterhead.rpo\"; ok");
    ASSERT_EQ(winsim::messageBoxLog().size(), 1u);
    EXPECT_EQ(winsim::messageBoxLog()[0].text, std::u16string(refused));
    EXPECT_EQ(GetStampCount(ctx_), n + 2);
    EXPECT_EQ(ini(stamp(n + 1).c_str(), u"rdmWmKind"), u"3");
}

// The user's font page shows the substitutes; the device list there only
// follows the chosen face (it is the printer's page that assigns them).
TEST_F(DialogScripts, TheUserFontPageShowsTheChosenFaceWithItsDeviceFont) {
    winsim::config().set("fonts.screen", "Arial;@Vertical;Century;System:raster");
    openPage();
    WCHAR device[32] = {};
    FindNameListItem(ctx_, u"Century", device, 32);
    run(4004, "page 4004; select 2385 #1; dump; cancel");
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 1u);
    const std::string& d = dumps[0];
    EXPECT_NE(d.find("2385 ListBox \"\" list 2 items sel 1 \"Century "), std::string::npos) << d;
    EXPECT_NE(d.find("2291 Edit \"Century "), std::string::npos) << d;
    EXPECT_NE(d.find(" \"" + winsim::toUtf8(device) + "\" owner-draw disabled\n"), std::string::npos) << d;
    EXPECT_EQ(d.find("Vertical"), std::string::npos) << d;
}

TEST_F(DialogScripts, TheOptionsDialogInstallsTheClickedEntry) {
    openPage();
    ItemSetValueById(ctx_, 10020, 0);
    ItemSetValueById(ctx_, 10018, 1);
    ItemSetValueById(ctx_, 10012, 96);
    // The paper bank goes in and takes the large-capacity tray out; the
    // installed 96 MB entry falls back to 64 MB.
    EXPECT_EQ(run(1011, "expect dialog 1011; select 2164 #0; select 2164 #3; ok"), IDOK);
    EXPECT_EQ(ItemValueById(ctx_, 10020), 1u);
    EXPECT_EQ(ItemValueById(ctx_, 10018), 0u);
    EXPECT_EQ(ItemValueById(ctx_, 10012), 64u);
    // Cancel drops every click.
    EXPECT_EQ(run(1011, "expect dialog 1011; select 2164 #1; cancel"), IDCANCEL);
    EXPECT_EQ(ItemValueById(ctx_, 10018), 0u);
    EXPECT_EQ(ItemValueById(ctx_, 10020), 1u);
}

// The preset file page's buttons reach the launcher: save as new writes the
// settings into the typed file.
TEST_F(DialogScripts, SaveAsNewOnThePresetFilePageWritesTheFile) {
    openPage();
    CreateDirectoryW(u"C:\\presets", nullptr);
    EXPECT_NE(run(4002, "expect dialog 4002; folder \"C:\\\\presets\"; file report; key ENTER"), 0);
    WCHAR version[16] = {};
    IniGetString(PrnGetDriverName(ctx_), u"RstVersion", u"", version, 16, u"C:\\presets\\report.rst");
    EXPECT_EQ(std::u16string(version), u"200");
}

}  // namespace
}  // namespace vesk::test
