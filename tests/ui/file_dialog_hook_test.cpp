// The file pages run through the stand-in's common file dialog: what the
// hook lets through, what it refuses with which message, the last folders
// and the spool folder page.
#include <win/files.h>

#include "core/ui_lookup.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "dialogs/file_dialogs.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_support.h"
#include "ui/page_support.h"

namespace vesk::test {
namespace {

class FilePages : public DialogPrinter {
protected:
    void SetUp() override {
        DialogPrinter::SetUp();
        // The dialogs run inside a sheet session, which keeps their go-ahead.
        beginSession();
        winsim::setVirtualClock(0, 1000);
        CreateDirectoryW(u"C:\\presets", nullptr);
    }
    // Runs page `pageId` under `script`; the dialog's answer.
    int run(int pageId, const std::string& script) {
        std::string error;
        EXPECT_TRUE(winsim::ui::queueScript(script, &error)) << error;
        winsim::clearMessageBoxes();
        file_.assign(600, u'\0');
        const int r = FileDialogRun(c_, PageFindById(c_, pageId), file_.data(), file_.size());
        return r;
    }
    std::u16string file() const { return file_.c_str(); }
    void touch(const std::u16string& path, const std::string& content = "") { write(path, content); }
    std::u16string file_;
};

TEST_F(FilePages, EnterOnTheManagingPageSavesTheTypedNameAsNew) {
    EXPECT_EQ(run(4002, "expect dialog 4002; folder \"C:\\\\presets\"; file report; key ENTER"), 1);
    EXPECT_EQ(file(), u"C:\\presets\\report.rst");
    EXPECT_EQ(UiFileButton(c_), 5001u);
    EXPECT_EQ(UiProceedFlag(c_), 1u);
    EXPECT_EQ(std::u16string(GetLastChosenFilePath(c_)), u"C:\\presets\\report.rst");
    EXPECT_EQ(value(printerSection(), u"SaveFilePath"), u"C:\\presets");
    EXPECT_TRUE(boxes().empty());
    EXPECT_TRUE(winsim::ui::failures().empty());
}

TEST_F(FilePages, PathsUpToTheLimitPassAndLongerOnesAreRefused) {
    // "C:\presets\" is 11 characters and ".rst" 4: 243 more make 258.
    const std::string ok(243, 'n'), tooLong(244, 'n');
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file " + ok + "; press 5001"), 1);
    EXPECT_EQ(file().size(), 258u);
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file " + tooLong + "; press 5001; answer IDOK; cancel"), 0);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{text(10024)});
    EXPECT_EQ(UiProceedFlag(c_), 0u);
}

TEST_F(FilePages, AForeignExtensionIsAskedAboutAndFixed) {
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file a.txt; press 5001; answer IDOK"), 1);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{text(10025)});
    EXPECT_EQ(file(), u"C:\\presets\\a.rst");
    // Cancel keeps the dialog open with nothing pressed.
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file a.txt; press 5001; answer IDCANCEL; cancel"), 0);
    EXPECT_EQ(UiFileButton(c_), 0u);
}

TEST_F(FilePages, ReadingAMissingOrReadOnlyFileIsRefused) {
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file nothere.rst; press 5002; answer IDOK; cancel"), 0);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{text(10023)});
    touch(u"C:\\presets\\ro.rst");
    put(printerSection(), u"Readonly", u"1", u"C:\\presets\\ro.rst");
    for (const char* button : {"5002", "5003", "5001"}) {
        EXPECT_EQ(run(4002, std::string("folder \"C:\\\\presets\"; file ro.rst; press ") + button +
                                "; answer IDOK; cancel"),
                  0)
            << button;
        EXPECT_EQ(boxes(), std::vector<std::u16string>{text(374)}) << button;
    }
    // A name that is only an extension is no name.
    EXPECT_EQ(run(4002, "folder \"C:\\\\presets\"; file .rst; press 5001; answer IDOK; cancel"), 0);
    EXPECT_EQ(boxes(), std::vector<std::u16string>{text(10024)});
}

TEST_F(FilePages, TheOpenPageTestsTheFileAndRemembersItsFolder) {
    CreateDirectoryW(u"C:\\a", nullptr);
    // Preset files the import test takes; an empty file it refuses.
    ASSERT_TRUE(SettingsExport(printer_, u"C:\\a\\x.rst", 0x20004, c_));
    ASSERT_TRUE(SettingsExport(printer_, u"C:\\x.rst", 0x20004, c_));
    touch(u"C:\\a\\empty.rst");
    EXPECT_EQ(run(4001, "folder \"C:\\\\a\"; file empty.rst; ok; cancel"), 0);
    EXPECT_EQ(run(4001, "expect dialog 4001; folder \"C:\\\\a\"; file x.rst; ok"), 1);
    EXPECT_EQ(value(printerSection(), u"OpenFilePath"), u"C:\\a");
    EXPECT_EQ(run(4001, "folder \"C:\\\\\"; file x; ok"), 1);
    EXPECT_EQ(file(), u"C:\\x.rst");
    EXPECT_EQ(value(printerSection(), u"OpenFilePath"), u"C:\\");
    // The next dialog starts in the remembered folder.
    EXPECT_EQ(run(4001, "file x.rst; ok"), 1);
    EXPECT_EQ(file(), u"C:\\x.rst");
    // The overlay save page has no key: nothing is remembered.
    UiPage* overlay = PageFindById(c_, 4007);
    FileDialogSaveLastFolder(c_, overlay, u"C:\\a\\o.rpo");
    WCHAR folder[260] = {};
    EXPECT_EQ(FileDialogGetLastFolder(c_, overlay, folder, 260), 0);
}

TEST_F(FilePages, TheSpoolFolderPageStoresTheDefaultFolderAsEmpty) {
    WCHAR windows[MAX_PATH] = {};
    GetWindowsDirectoryW(windows, MAX_PATH);
    const std::u16string temp = std::u16string(windows) + u"\\temp";
    CreateDirectoryW(temp.c_str(), nullptr);
    setData(u"SpoolDirectory", u"C:\\presets");
    EXPECT_EQ(run(4015, "expect dialog 4015; press 2887; ok"), 0);
    EXPECT_EQ(std::u16string(data(u"SpoolDirectory").c_str()), u"");
    EXPECT_EQ(run(4015, "folder \"C:\\\\presets\"; ok"), 0);
    EXPECT_EQ(std::u16string(data(u"SpoolDirectory").c_str()), u"C:\\presets");
    EXPECT_TRUE(winsim::ui::failures().empty());
}

TEST_F(FilePages, FiltersAndExtensionsFollowThePageKind) {
    EXPECT_EQ(std::u16string(PageFileFilter(PageFindById(c_, 4003))), u"*.bmp");
    EXPECT_EQ(std::u16string(PageFileFilter(PageFindById(c_, 4008))), u"*.rpo");
    EXPECT_EQ(std::u16string(PageFileFilter(PageFindById(c_, 1037))), u"*.rpo");
    UiPage* presets = PageFindById(c_, 4002);
    EXPECT_TRUE(PageFileHasExtension(presets, u".rst"));
    EXPECT_TRUE(PageFileHasExtension(presets, u".RST"));
    EXPECT_FALSE(PageFileHasExtension(presets, u".rSx"));
    EXPECT_TRUE(PageIsFileDialog(presets));
    EXPECT_FALSE(PageIsFileDialog(PageFindById(c_, 1007)));
}

}  // namespace
}  // namespace vesk::test
