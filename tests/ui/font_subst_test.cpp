// The font substitution page on the string library's dialog 1009: the
// lines of the pairs list, the device-font list, assigning a device font and
// the default table, over the machine's screen fonts.
#include <win/wingdi.h>
#include <winsim/window.h>

#include "common/lists_support.h"
#include "core/devmode/dm_state.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "dialogs/font_subst.h"
#include "hooks/page_hooks.h"

namespace vesk::test {
namespace {

const std::u16string kLongFace = u"Abcdefghijklmnopqrstuvwxyz01234";  // 31 characters

class FontSubstPage : public ListPrinter {
protected:
    void SetUp() override {
        ListPrinter::SetUp();
        winsim::ui::reset();
        winsim::config().set("fonts.screen", "Arial;@Vertical;" + winsim::toUtf8(kLongFace) + ";System:raster");
        page_ = PageFindById(c_, 1009);
        ASSERT_TRUE(page_);
        // A property page: a child of its sheet.
        sheet_ = winsim::createWindow(u"#32770", u"Sheet");
        dialog_ = CreateDialogParamW(ResGetStringDll(c_), MAKEINTRESOURCEW(1009), sheet_, nullptr, 0);
        ASSERT_TRUE(dialog_);
        page_->window = dialog_;
        for (int i = 0; i < page_->controlCount; ++i) page_->controls[i].window = GetDlgItem(dialog_, page_->controls[i].id);
        ASSERT_GE(GetNameListCount(c_), 2u);
        GetNameListItem(c_, 0, font0_, 32);
        GetNameListItem(c_, 1, font1_, 32);
        send(2384, WM_INITDIALOG);
        send(2385, WM_INITDIALOG);
    }
    void TearDown() override {
        winsim::ui::reset();
        ListPrinter::TearDown();
    }
    int send(int id, UINT message, WPARAM wParam = 0) {
        return FontSubstPageHook(c_, page_, CtlFindById(c_, page_, id), message, wParam, 0);
    }
    std::vector<std::u16string> lines(int id) {
        std::vector<std::u16string> out;
        HWND l = GetDlgItem(dialog_, id);
        for (int i = 0; i < SendMessageW(l, LB_GETCOUNT, 0, 0); ++i) {
            WCHAR t[128] = {};
            SendMessageW(l, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(t));
            out.emplace_back(t);
        }
        return out;
    }
    void pick(int id, int index) {
        SendDlgItemMessageW(dialog_, id, LB_SETCURSEL, WPARAM(index), 0);
        EXPECT_EQ(send(id, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE)), 1);
    }
    std::u16string substitute(const std::u16string& face) {
        WCHAR t[32] = {};
        FindNameListItem(c_, face.c_str(), t, 32);
        return t;
    }
    UiPage* page_ = nullptr;
    HWND sheet_ = nullptr, dialog_ = nullptr;
    WCHAR font0_[32] = {}, font1_[32] = {};
};

TEST_F(FontSubstPage, OnlyHorizontalTrueTypeFacesAreListedWithTheDevicePartAt34) {
    const auto pairs = lines(2385);
    ASSERT_EQ(pairs.size(), 2u);  // neither the "@" face nor the raster face
    EXPECT_EQ(pairs[0].substr(0, 5), u"Arial");
    EXPECT_EQ(pairs[0].substr(31, 3), u" > ");
    EXPECT_EQ(pairs[1].substr(0, 31), kLongFace);
    EXPECT_EQ(pairs[1].substr(31, 3), u" > ");
    EXPECT_EQ(pairs[1].substr(34), std::u16string(font0_));
    for (const auto& name : lines(2384)) EXPECT_NE(name[0], u'@');
    EXPECT_EQ(lines(2384).front(), std::u16string(font0_));
    WCHAR shown[64] = {};
    GetDlgItemTextW(dialog_, 2383, shown, 64);
    EXPECT_EQ(std::u16string(shown).substr(0, 5), u"Arial");
}

TEST_F(FontSubstPage, AssigningADeviceFontRewritesTheTableAndFontZeroDropsThePair) {
    pick(2385, 1);
    pick(2384, 1);
    EXPECT_EQ(lines(2385)[1], kLongFace + u" > " + font1_);
    EXPECT_EQ(SendDlgItemMessageW(dialog_, 2385, LB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(substitute(kLongFace), std::u16string(font1_));
    // Choosing the line again shows its device font in the other list.
    pick(2385, 0);
    pick(2385, 1);
    EXPECT_EQ(SendDlgItemMessageW(dialog_, 2384, LB_GETCURSEL, 0, 0), 1);
    // Device font 0 is no substitution: the pair goes.
    pick(2384, 0);
    EXPECT_EQ(substitute(kLongFace), std::u16string(font0_));
    EXPECT_EQ(lines(2385)[1].substr(34), std::u16string(font0_));
}

TEST_F(FontSubstPage, TheDefaultButtonEmptiesTheTable) {
    pick(2385, 0);
    pick(2384, 1);
    ASSERT_EQ(substitute(u"Arial"), std::u16string(font1_));
    EXPECT_EQ(send(2386, WM_COMMAND, MAKEWPARAM(2386, BN_CLICKED)), 1);
    EXPECT_EQ(substitute(u"Arial"), std::u16string(font0_));
    // Another control's command is not handled.
    EXPECT_EQ(FontSubstPageHook(c_, page_, CtlFindById(c_, page_, 2385), WM_COMMAND, MAKEWPARAM(2384, 1), 0), 0);
}

TEST(FontLines, AFaceIsPaddedTo31AndCut) {
    WCHAR line[kSubstLineChars];
    FontSubstLine(u"Arial", u"Dev", line);
    EXPECT_EQ(std::u16string(line), u"Arial" + std::u16string(26, u' ') + u" > Dev");
    FontSubstLine(u"Abcdefghijklmnopqrstuvwxyz0123456789", u"D", line);
    EXPECT_EQ(std::u16string(line).substr(31), u" > D");
}

}  // namespace
}  // namespace vesk::test
