// EnumFontFamiliesW over the machine's screen fonts: every family with its
// type, one family by name, and a callback that stops the walk.
#include <win/wingdi.h>

#include "window/window_support.h"

namespace {

struct Seen {
    std::vector<std::pair<std::u16string, DWORD>> faces;
    int stopAfter = -1;
};

int CALLBACK collect(const LOGFONTW* font, const TEXTMETRICW*, DWORD type, LPARAM lParam) {
    auto* s = reinterpret_cast<Seen*>(lParam);
    s->faces.emplace_back(font->lfFaceName, type);
    return s->stopAfter < 0 || int(s->faces.size()) < s->stopAfter ? 1 : 0;
}

TEST(FontFamilies, TheMachineListsItsFacesWithTheirTypes) {
    winsim::TempMachine machine;
    HDC screen = GetDC(nullptr);
    Seen all;
    EXPECT_EQ(EnumFontFamiliesW(screen, nullptr, collect, reinterpret_cast<LPARAM>(&all)), 1);
    bool vertical = false, raster = false, arial = false;
    for (const auto& [name, type] : all.faces) {
        vertical |= name[0] == u'@' && type == TRUETYPE_FONTTYPE;
        raster |= type == RASTER_FONTTYPE;
        arial |= name == u"Arial";
    }
    EXPECT_TRUE(vertical && raster && arial);
    winsim::config().set("fonts.screen", "Century; Term:raster ;;Century Gothic");
    Seen some;
    EnumFontFamiliesW(screen, nullptr, collect, reinterpret_cast<LPARAM>(&some));
    ASSERT_EQ(some.faces.size(), 3u);
    EXPECT_EQ(some.faces[1], std::make_pair(std::u16string(u"Term"), DWORD(RASTER_FONTTYPE)));
    Seen one;
    EnumFontFamiliesW(screen, u"century", collect, reinterpret_cast<LPARAM>(&one));
    ASSERT_EQ(one.faces.size(), 1u);
    EXPECT_EQ(one.faces[0].first, u"Century");
    Seen stopped;
    stopped.stopAfter = 1;
    EXPECT_EQ(EnumFontFamiliesW(screen, nullptr, collect, reinterpret_cast<LPARAM>(&stopped)), 0);
    EXPECT_EQ(stopped.faces.size(), 1u);
    EXPECT_EQ(EnumFontFamiliesW(nullptr, nullptr, collect, 0), 0);
    ReleaseDC(nullptr, screen);
}

}  // namespace
