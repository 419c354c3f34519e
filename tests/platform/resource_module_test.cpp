// Resource modules made by the generator: loading as data modules, strings,
// dialogs and images; files that are no resource module.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <win/user.h>
#include <winsim/window.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>

#include "platform/last_error.h"

namespace fs = std::filesystem;

namespace {

class ResourceModule : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* f : {"VESKR1us.DLL", "VESKR1jp.DLL", "VESKC1XX.DLL"}) put(f, fs::path(VESK_RES_DIR) / f);
    }
    void TearDown() override { winsim::resetWindows(); }
    void put(const std::string& name, const fs::path& source) {
        auto host = winsim::hostPath("C:\\" + name);
        ASSERT_TRUE(host);
        fs::copy_file(source, *host, fs::copy_options::overwrite_existing);
    }
    void putBytes(const std::string& name, const std::string& bytes) {
        std::ofstream(*winsim::hostPath("C:\\" + name), std::ios::binary) << bytes;
    }
    HMODULE load(const char16_t* name) { return LoadLibraryW(name); }
    winsim::TempMachine m_;
};

TEST_F(ResourceModule, StringsLoadWithTheirCountTruncatedAndUntranslated) {
    HMODULE us = load(u"C:\\VESKR1us.DLL"), jp = load(u"C:\\VESKR1jp.DLL");
    ASSERT_TRUE(us && jp);
    WCHAR buf[64];
    EXPECT_EQ(LoadStringW(us, 154, buf, 64), 4);
    EXPECT_EQ(std::u16string(buf), u"inch");
    EXPECT_EQ(LoadStringW(jp, 154, buf, 64), 3);
    EXPECT_EQ(std::u16string(buf), u"インチ");
    EXPECT_EQ(LoadStringW(jp, 10023, buf, 64), 17);
    EXPECT_EQ(std::u16string(buf), u"ファイル %s は使用できません。");
    // Cut to capacity - 1 and terminated; the count is what was copied.
    EXPECT_EQ(LoadStringW(us, 10023, buf, 5), 4);
    EXPECT_EQ(std::u16string(buf), u"The ");
    // Capacity 0: a pointer to the text itself.
    const WCHAR* p = nullptr;
    EXPECT_EQ(LoadStringW(us, 119, reinterpret_cast<LPWSTR>(&p), 0), 11);
    EXPECT_EQ(std::u16string(p, 11), u"PresetList0");
    // A missing id, and the empty string 2000, give 0 and an empty buffer.
    buf[0] = u'x';
    EXPECT_EQ(LoadStringW(us, 12345, buf, 64), 0);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(LoadStringW(us, 2000, buf, 64), 0);
    FreeLibrary(us);
    FreeLibrary(jp);
}

TEST_F(ResourceModule, TheWaitDialogTemplateBuildsItsFrameAndControl) {
    HMODULE us = load(u"C:\\VESKR1us.DLL");
    ASSERT_TRUE(us);
    HRSRC r = FindResourceW(us, MAKEINTRESOURCEW(4006), RT_DIALOG);
    ASSERT_TRUE(r);
    const auto* t = static_cast<const uint8_t*>(LockResource(LoadResource(us, r)));
    ASSERT_GT(SizeofResource(us, r), 26u);
    EXPECT_EQ(t[0] | t[1] << 8, 1);        // dlgVer
    EXPECT_EQ(t[2] | t[3] << 8, 0xFFFF);   // the extended layout
    HWND owner = winsim::createWindow(u"App", u"Application");
    HWND d = CreateDialogParamW(us, MAKEINTRESOURCEW(4006), owner, nullptr, 0);
    ASSERT_TRUE(d);
    EXPECT_EQ(GetWindow(d, GW_OWNER), owner);
    HWND c = GetDlgItem(d, 5005);
    ASSERT_TRUE(c);
    WCHAR cls[16];
    EXPECT_EQ(GetClassNameW(c, cls, 16), 6);
    EXPECT_EQ(std::u16string(cls), u"Static");
    EXPECT_TRUE(SetDlgItemTextW(d, 5005, u"Waiting"));
    winsim::WindowInfo info;
    ASSERT_TRUE(winsim::windowInfo(c, info));
    EXPECT_EQ(info.text, u"Waiting");
    EXPECT_TRUE(DestroyWindow(d));
    EXPECT_FALSE(IsWindow(c));   // children go with their dialog
    EXPECT_FAILS_WITH(DestroyWindow(d), FALSE, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FAILS_WITH(CreateDialogParamW(us, MAKEINTRESOURCEW(4999), nullptr, nullptr, 0), nullptr,
                      ERROR_RESOURCE_NAME_NOT_FOUND);
    FreeLibrary(us);
}

TEST_F(ResourceModule, BitmapsIconsAndCursorsDecodeAndAreFreed) {
    HMODULE bmp = load(u"C:\\VESKC1XX.DLL"), us = load(u"C:\\VESKR1us.DLL");
    ASSERT_TRUE(bmp && us);
    HBITMAP on = LoadBitmapW(bmp, MAKEINTRESOURCEW(7003));
    ASSERT_TRUE(on);
    winsim::ImageInfo img;
    ASSERT_TRUE(winsim::imageInfo(on, img));
    EXPECT_EQ(img.width, 13);
    EXPECT_EQ(img.height, 13);
    EXPECT_EQ(img.pixels[0], 0x000000u);           // the frame, top row first
    EXPECT_EQ(img.pixels[13 + 1], 0xFFFFFFu);      // inside the box
    HCURSOR cross = LoadCursorW(us, MAKEINTRESOURCEW(8001));
    ASSERT_TRUE(winsim::imageInfo(cross, img));
    EXPECT_EQ(img.kind, 'C');
    EXPECT_EQ(img.hotX, 15);
    EXPECT_EQ(winsim::liveImages(), 2u);
    EXPECT_TRUE(DeleteObject(on));
    EXPECT_TRUE(DestroyCursor(cross));
    EXPECT_EQ(winsim::liveImages(), 0u);
    EXPECT_FAILS_WITH(LoadBitmapW(us, MAKEINTRESOURCEW(7003)), nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
    FreeLibrary(bmp);
    FreeLibrary(us);
}

TEST_F(ResourceModule, AFileThatIsNoResourceModuleDoesNotLoad) {
    putBytes("NOTRES.DLL", "MZ this is no module of ours");
    EXPECT_FAILS_WITH(LoadLibraryW(u"C:\\NOTRES.DLL"), nullptr, ERROR_BAD_EXE_FORMAT);
    // A VRES header whose directory leaves the file loads as data but holds
    // no resources.
    std::string bad("VRES\x01\x00\x00\x00\x05\x00\x00\x00\x10\x00\x00\x00", 16);
    putBytes("BROKEN.DLL", bad);
    HMODULE h = LoadLibraryW(u"C:\\BROKEN.DLL");
    ASSERT_TRUE(h);
    WCHAR buf[8];
    EXPECT_EQ(LoadStringW(h, 1, buf, 8), 0);
    EXPECT_FAILS_WITH(FindResourceW(h, MAKEINTRESOURCEW(1), RT_STRING), nullptr, ERROR_RESOURCE_DATA_NOT_FOUND);
    FreeLibrary(h);
}

}  // namespace
