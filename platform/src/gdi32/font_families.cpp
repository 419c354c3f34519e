// EnumFontFamiliesW over the machine's screen fonts. "fonts.screen" lists
// them (';' between entries, ":raster" after a raster face); without the
// key the machine has a small set of TrueType faces, a vertical "@" face,
// a Japanese face and two raster faces.
#include <win/wingdi.h>

#include <string>
#include <vector>

#include "core/sim.h"

namespace {

struct Face {
    std::u16string name;
    bool raster = false;
};

constexpr const char* kDefaultFonts =
    "Arial;Courier New;Times New Roman;Century;@MS Gothic;MS Gothic;\xEF\xBC\xAD\xEF\xBC\xB3 "
    "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF;System:raster;Terminal:raster";

std::vector<Face> screenFaces() {
    const auto configured = winsim::config().get("fonts.screen");
    const std::string list = configured ? *configured : kDefaultFonts;
    std::vector<Face> out;
    size_t at = 0;
    while (at <= list.size()) {
        size_t end = list.find(';', at);
        if (end == std::string::npos) end = list.size();
        std::string entry = list.substr(at, end - at);
        at = end + 1;
        while (!entry.empty() && entry.front() == ' ') entry.erase(entry.begin());
        while (!entry.empty() && entry.back() == ' ') entry.pop_back();
        Face f;
        if (const size_t colon = entry.rfind(":raster"); colon != std::string::npos && colon + 7 == entry.size()) {
            f.raster = true;
            entry.resize(colon);
            while (!entry.empty() && entry.back() == ' ') entry.pop_back();
        }
        f.name = winsim::fromUtf8(entry);
        if (!f.name.empty() && f.name.size() < LF_FACESIZE) out.push_back(f);
    }
    return out;
}

bool sameFace(const std::u16string& a, const WCHAR* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
        if (up(a[i]) != up(b[i])) return false;
    }
    return i == a.size() && !b[i];
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW proc, LPARAM lParam) {
    if (winsim::detail::enter("EnumFontFamiliesW")) return 0;
    if (!dc || !proc) return 0;
    int result = 1;
    for (const Face& f : screenFaces()) {
        if (family && !sameFace(f.name, family)) continue;
        ENUMLOGFONTW elf{};
        elf.elfLogFont.lfHeight = 13;
        elf.elfLogFont.lfWeight = 400;
        elf.elfLogFont.lfCharSet = f.name[0] > 0x7F ? 128 : 0;
        f.name.copy(elf.elfLogFont.lfFaceName, LF_FACESIZE - 1);
        f.name.copy(elf.elfFullName, LF_FACESIZE - 1);
        NEWTEXTMETRICW ntm{};
        ntm.tm.tmHeight = 13;
        ntm.tm.tmAscent = 10;
        ntm.tm.tmDescent = 3;
        ntm.tm.tmAveCharWidth = 6;
        ntm.tm.tmMaxCharWidth = 6;
        ntm.tm.tmWeight = 400;
        ntm.tm.tmCharSet = elf.elfLogFont.lfCharSet;
        result = proc(&elf.elfLogFont, &ntm.tm, f.raster ? RASTER_FONTTYPE : TRUETYPE_FONTTYPE, lParam);
        if (!result) break;
    }
    return result;
}

}  // extern "C"
