// The names in the model's font-list copies against the plain conversion
// (AnsiToWideBounded into 32 characters), for ASCII names, which are
// widened without it, and for names that need the code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/eval_support.h"
#include "core/model/query.h"
#include "core/sysdeps.h"
#include "core/text_convert.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// The field the plain conversion gives: the name converted whole, cut to 32
// characters, nothing after its end (empty when the conversion fails).
std::vector<BYTE> plainField(const std::string& name) {
    WCHAR wide[kMdlFontNameChars + 1] = {};
    if (!AnsiToWideBounded(name.data(), name.size(), wide, kMdlFontNameChars + 1)) wide[0] = 0;
    std::vector<BYTE> f(2 * kMdlFontNameChars, 0);
    for (uint32_t i = 0; i < kMdlFontNameChars && wide[i]; ++i) {
        f[2 * i] = static_cast<BYTE>(wide[i]);
        f[2 * i + 1] = static_cast<BYTE>(wide[i] >> 8);
    }
    return f;
}

std::vector<BYTE> fieldAt(const BYTE* p) { return std::vector<BYTE>(p, p + 2 * kMdlFontNameChars); }

void expectNamesAsPlain(unsigned codePage, const std::vector<std::string>& names) {
    SCOPED_TRACE(codePage);
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = codePage;
    winsim::TempMachine machine(cfg);
    std::string fonts = "*DeviceFonts: IDList {", pairs;
    for (size_t i = 0; i < names.size(); ++i) {
        fonts += " {\"" + names[i] + "\" " + std::to_string(i + 1) + "}";
        // Each name as a TrueType name, with the next one as its device name.
        pairs += " {\"" + names[i] + "\" \"" + names[(i + 1) % names.size()] + "\"}";
    }
    std::string skipped;
    ImagePtr image = imageFromText(fonts + " }\n*OpenUI *VPD_rdmTTFont: FontTbl\n"
                                           "*VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: \"S\"\n"
                                           "*TTFS *VPD_rdmTTFont IDS_TTFONT_SUBSTITUTE: IDList {" +
                                   pairs + " }\n*CloseUI\n",
                                   &skipped);
    ASSERT_TRUE(image);
    EXPECT_EQ(skipped, "");
    ContextPtr ctx = modelContext(image.get());
    ASSERT_TRUE(ctx);
    uint32_t n = 0;
    BYTE* dev = MdlCopyDeviceFonts(ctx.get(), &n);
    ASSERT_TRUE(dev);
    ASSERT_EQ(n, names.size());
    BYTE* subst = MdlCopyFontSubstDefaults(ctx.get(), &n);
    ASSERT_TRUE(subst);
    ASSERT_EQ(n, names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<BYTE> want = plainField(names[i]);
        EXPECT_EQ(fieldAt(dev + i * kMdlFontRecordSize + 4), want) << "device font " << i;
        EXPECT_EQ(fieldAt(subst + i * kMdlFontPairSize), want) << "TrueType name " << i;
        EXPECT_EQ(fieldAt(subst + i * kMdlFontPairSize + 64), plainField(names[(i + 1) % names.size()]))
            << "device name " << i;
    }
    MemFree(dev);
    MemFree(subst);
}

}  // namespace

TEST(ModelFontNames, AsciiAndCodePageNamesMatchThePlainConversion) {
    const std::string k31(31, 'K'), k32(32, 'L'), k40(40, 'M');
    // Lengths around the field's 32 characters, all ASCII or with a byte
    // from 0x80 up anywhere (also past the cut, where it still decides the
    // conversion of the whole name).
    const std::vector<std::string> western = {"A",
                                              "Vesk Sans",
                                              k31,
                                              k32,
                                              k40,
                                              "Caf\xE9 Mono",
                                              k32 + "\xE9",
                                              k40 + "\xFC",
                                              "\x80\x81\x8D",
                                              "~!#$&'*+,-./:;=?@^_`|"};
    expectNamesAsPlain(1252, western);
    // Double-byte characters straddling the cut and past it, and kana
    // single bytes.
    const std::vector<std::string> japanese = {"Mincho",
                                               k31 + "\x82\xA0" + "Z",
                                               "\x82\xA0\x82\xA2\x82\xA4",
                                               k40 + "\x82\xA0",
                                               "\xB1\xB2\xB3 Kana",
                                               k31};
    expectNamesAsPlain(932, japanese);
}
