// The stand-in's common file dialogs: folders and files of the machine, the
// default OK (filter, enter a folder, accept a file within the buffer), the
// hook seeing messages first, and the script's folder, file and press steps.
#include <win/commdlg.h>
#include <win/files.h>

#include "window/window_support.h"

namespace {

using namespace wintest;

class FileDialogs : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        for (const char16_t* d : {u"C:\\docs", u"C:\\docs\\sub"}) CreateDirectoryW(d, nullptr);
        for (const char16_t* f : {u"C:\\docs\\a.rst", u"C:\\docs\\b.rst", u"C:\\docs\\c.txt"}) {
            HANDLE h = CreateFileW(f, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            CloseHandle(h);
        }
        ofn_.lStructSize = sizeof ofn_;
        ofn_.lpstrFile = file_;
        ofn_.nMaxFile = 260;
        ofn_.lpstrFilter = u"Presets\0*.rst\0All\0*.*\0";
        ofn_.nFilterIndex = 1;
        ofn_.lpstrInitialDir = u"C:\\docs";
        ofn_.lpstrDefExt = u"rst";
    }
    BOOL open(const char* script, bool save = false) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        return save ? GetSaveFileNameW(&ofn_) : GetOpenFileNameW(&ofn_);
    }
    std::u16string file() const { return file_; }
    winsim::TempMachine machine_;
    OPENFILENAMEW ofn_{};
    WCHAR file_[260] = {};
};

TEST_F(FileDialogs, AcceptsANameInTheShownFolderWithTheDefaultExtension) {
    EXPECT_TRUE(open("file \"report\"; ok", true));
    EXPECT_EQ(file(), u"C:\\docs\\report.rst");
    EXPECT_EQ(ofn_.nFileOffset, 8);
    EXPECT_EQ(ofn_.nFileExtension, 15);
    EXPECT_TRUE(winsim::ui::failures().empty());
    // Opening keeps an existing name without a dot as it is.
    HANDLE h = CreateFileW(u"C:\\docs\\plain", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
    EXPECT_TRUE(open("file \"plain\"; ok"));
    EXPECT_EQ(file(), u"C:\\docs\\plain");
}

TEST_F(FileDialogs, PatternsFilterAndFoldersAreEnteredBeforeAFileIsTaken) {
    Recorder rec;
    ofn_.Flags = OFN_ENABLEHOOK;
    ofn_.lpfnHook = [](HWND, UINT m, WPARAM w, LPARAM) -> UINT_PTR {
        if (m == WM_COMMAND && LOWORD(w) == IDOK) Recorder::current()->lines.push_back("hook OK");
        return 0;
    };
    std::string error;
    ASSERT_TRUE(winsim::ui::queueScript("file \"*.*\"; ok; dump; file sub; ok; dump; folder \"C:\\\\docs\"; "
                                        "file \"a.rst\"; ok",
                                        &error))
        << error;
    EXPECT_TRUE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(file(), u"C:\\docs\\a.rst");
    EXPECT_EQ(rec.only("hook OK").size(), 3u);
    const auto dumps = winsim::ui::dumps();
    ASSERT_EQ(dumps.size(), 2u);
    // "*.*" lists the three files; "sub" moved into the folder (entry 0 the
    // root, then docs and sub, sub selected).
    EXPECT_NE(dumps[0].find("1120 ListBox \"\" list 3 items"), std::string::npos) << dumps[0];
    EXPECT_NE(dumps[1].find("1121 ListBox \"\" list 3 items sel 2 \"sub\""), std::string::npos) << dumps[1];
    EXPECT_NE(dumps[1].find("1120 ListBox \"\" list 0 items"), std::string::npos) << dumps[1];
}

TEST_F(FileDialogs, ATooSmallBufferEndsWithoutAFileAndSaysHowMuchIsNeeded) {
    ofn_.nMaxFile = 10;
    EXPECT_FALSE(open("file \"a.rst\"; ok"));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(FNERR_BUFFERTOOSMALL));
    EXPECT_EQ(file_[0], WCHAR(14));  // "C:\docs\a.rst" and its NUL
    EXPECT_FALSE(open("cancel"));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
    ofn_.lStructSize = 12;
    EXPECT_FALSE(GetOpenFileNameW(&ofn_));
    EXPECT_EQ(CommDlgExtendedError(), DWORD(CDERR_STRUCTSIZE));
}

TEST_F(FileDialogs, TheHookSeesEveryCommandFirstAndCanKeepTheDialogOpen) {
    static int refusals;
    refusals = 0;
    ofn_.Flags = OFN_ENABLEHOOK;
    ofn_.lCustData = 77;
    ofn_.lpfnHook = [](HWND h, UINT m, WPARAM w, LPARAM l) -> UINT_PTR {
        if (m == WM_INITDIALOG) {
            EXPECT_EQ(reinterpret_cast<OPENFILENAMEW*>(l)->lCustData, 77);
            return 1;
        }
        if (m == WM_COMMAND && LOWORD(w) == 4711) {
            SetDlgItemTextW(h, edt1, u"b.rst");
            SendMessageW(h, WM_COMMAND, IDOK, 0);
            return 1;
        }
        if (m == WM_COMMAND && LOWORD(w) == IDOK && refusals++ == 0) return 1;
        return 0;
    };
    EXPECT_TRUE(open("file \"a.rst\"; ok; press 4711"));
    EXPECT_EQ(refusals, 2);
    EXPECT_EQ(file(), u"C:\\docs\\b.rst");
    EXPECT_TRUE(winsim::ui::failures().empty());
}

TEST_F(FileDialogs, ScriptStepsNeedAFileDialogAndAFolderOfTheMachine) {
    EXPECT_FALSE(open("folder \"C:\\\\nowhere\"; cancel"));
    const auto f = winsim::ui::failures();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_NE(f[0].find("no folder C:\\nowhere"), std::string::npos) << f[0];
    std::vector<winsim::ui::Step> steps;
    std::string error;
    EXPECT_FALSE(winsim::ui::parseScript("press", steps, &error));
    EXPECT_FALSE(winsim::ui::parseScript("folder", steps, &error));
}

}  // namespace
