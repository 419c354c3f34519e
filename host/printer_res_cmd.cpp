// vesk printer strings | locale: the printer's resource strings in its
// display language, and its display language, paper and unit.
#include <cstdlib>
#include <iostream>
#include <memory>

#include <win/profile.h>
#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "printer_context.h"
#include "core/context.h"
#include "core/devmode_sizes.h"
#include "core/dirs.h"
#include "core/item_format.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/languages.h"
#include "core/locale.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/process.h"
#include "core/res/res.h"
#include "core/wstr.h"
#include "core/item_ids.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

}  // namespace

int printerStrings(const Args& args, const std::vector<std::string>& words, bool suffix) {
    if (words.size() < 3) return fail("usage: vesk printer strings NAME ID... [--suffix]");
    std::vector<uint32_t> ids;
    for (size_t i = 2; i < words.size(); ++i) {
        char* end = nullptr;
        unsigned long v = std::strtoul(words[i].c_str(), &end, 0);
        if (words[i].empty() || *end || v == 0 || v > 0xFFFF) return fail("'" + words[i] + "' is not a string id (1 to 65535)");
        ids.push_back(static_cast<uint32_t>(v));
    }
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    if (!ResGetStringDll(pc->ctx)) {
        std::cerr << "vesk: the string library of display language '" << u8(GetLangCode(pc->ctx))
                  << "' cannot be loaded: its strings are empty\n";
    }
    // The free-size names and sizes of the suffixes come from the list's
    // cache, as a page loads it when it opens.
    if (suffix) LoadFreeSizeTable(pc->ctx);
    for (uint32_t id : ids) {
        WCHAR text[1024];
        ResLoadString(pc->ctx, id, text, 1024, suffix ? 1 : 0);
        std::cout << id << "\t" << u8(text) << "\n";
    }
    return 0;
}

int printerLocale(const Args& args, const std::vector<std::string>& words, bool init) {
    if (words.size() != 2) return fail("usage: vesk printer locale NAME [--init]");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    if (init) {
        // The driver's install sequence makes the private directory that
        // holds KW00C170.ini; a printer added by the host may not have it yet.
        CreatePrivateDir(c);
        if (!InitLocaleDefaults(c)) return fail("cannot decide the display language of '" + words[1] + "'");
        std::vector<uint8_t> dm(c->devmode, c->devmode + dmSizes().totalSize);
        if (DWORD e = winsim::setPrinterDevmode(winsim::fromUtf8(words[1]), dm); e != ERROR_SUCCESS)
            return fail("cannot keep the DEVMODE of '" + words[1] + "': " + winsim::spoolerErrorText(e));
    }
    const uint32_t lang = ItemRawById(c, kItRdmLanguageID), unit = ItemRawById(c, kItRdmDspUnit);
    WCHAR paper[128];
    ItemFormatValue(c, 8, paper, 128);
    std::cout << "display language: " << lang << " (" << u8(LangCodeFromId(lang)) << ")\n"
              << "paper:            " << u8(paper) << " (" << ItemRawById(c, kItDmPaperSize) << ")\n"
              << "unit:             " << (unit == 0 ? "millimetres" : "inches") << " (" << unit << ")\n"
              << "country code:     " << ItemRawById(c, kItRdmLocaleID) << "\n";
    WCHAR file[kPathBufChars];
    BuildPrivateDirPath(file, kPathBufChars, kLocaleIniName);
    WCHAR section[kPathBufChars];
    WCopyCut(section, kPathBufChars, PrnGetPrinterName(c));
    IniSectionBracketsToCommas(section);
    std::cout << u8(kLocaleIniName) << " [" << u8(section) << "]:\n";
    for (const WCHAR* key : {u"DispLang", u"DefPaper", u"DefUnit", u"VeskInstDone"}) {
        WCHAR v[64];
        GetPrivateProfileStringW(section, key, u"\x1F", v, 64, file);
        std::cout << "  " << u8(key) << " = " << (v[0] == u'\x1F' ? std::string("(not set)") : u8(v)) << "\n";
    }
    return 0;
}

}  // namespace vesk::host
