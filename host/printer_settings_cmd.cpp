// vesk printer save | ini | fonts | export | import: the printer's persisted
// settings as the driver keeps them (printer data, the per-printer INI, the
// font tables and settings files).
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/font_tables.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/validation/free_size_slots.h"
#include "core/wstr.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

// Prints section `name` of an 8-bit INI text as it stands in the file.
bool printSection(const char* text, const WCHAR* rawName) {
    WCHAR name[kWsPrinterNameChars] = {};
    WCopyCut(name, kWsPrinterNameChars, rawName);
    IniSectionBracketsToCommas(name);
    const char* body = IniTextFindSection(name, text);
    if (!body) return false;
    std::cout << "[" << u8(name) << "]\n";
    for (const char* p = body; *p && *p != '[';) {
        uint32_t n = 0;
        const char* next = NextLineA(p, &n);
        std::string line(p, n);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
        if (!line.empty()) std::cout << line << "\n";
        p = next;
    }
    return true;
}

std::string fontName(const BYTE* at) {
    std::u16string s;
    for (int i = 0; i < 32; ++i) {
        const char16_t c = static_cast<char16_t>(at[2 * i] | at[2 * i + 1] << 8);
        if (!c) break;
        s.push_back(c);
    }
    return winsim::toUtf8(s);
}

void printTable(DrvContext* ctx, const char* title, int countItem, int handleItem, bool pairs) {
    const uint32_t n = ItemRawById(ctx, countItem);
    uint32_t bytes = 0;
    const BYTE* t = static_cast<const BYTE*>(FontTableData(ItemRawById(ctx, handleItem), &bytes));
    std::cout << title << " (" << n << ")\n";
    const uint32_t entry = pairs ? 128 : 68;
    for (uint32_t i = 0; t && i < n && (i + 1) * entry <= bytes; ++i) {
        const BYTE* e = t + i * entry;
        if (pairs) std::cout << "  " << fontName(e) << " -> " << fontName(e + 64) << "\n";
        else std::cout << "  " << (e[0] | e[1] << 8 | e[2] << 16 | e[3] << 24) << "\t" << fontName(e + 4) << "\n";
    }
}

// The flags of `--as KIND`: export, import.
bool kindFlags(const std::string& kind, uint32_t* exportFlags, uint32_t* importFlags) {
    struct Row {
        const char* name;
        uint32_t out, in;
    };
    static const Row kRows[] = {
        {"plain", kStWrite, kStRead},
        {"preset", kStWrite | kStNoMessage, kStRead | kStPresetDevice | kStImportDriverSection},
        {"quality", kStWrite | kStQuality, kStRead | kStQuality},
        {"stamp", kStWrite | kStStamp, kStRead | kStStamp},
        {"device", kStWrite, kStRead},
        {"freesize", kStWrite | kStFreeSize, kStRead | kStFreeSize},
    };
    for (const Row& r : kRows)
        if (kind == r.name) return *exportFlags = r.out, *importFlags = r.in, true;
    return false;
}

}  // namespace

int printerSave(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3) return fail("usage: vesk printer save NAME [user|device|all]");
    const std::string what = words.size() == 3 ? words[2] : "all";
    if (what != "user" && what != "device" && what != "all") return fail("save takes user, device or all");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    TakePrinterDefault(c);
    if (what != "device") OptSaveUserClasses(pc->printer, c);
    if (what != "user") OptSaveDeviceClass(pc->printer, c);
    std::cout << "printer '" << words[1] << "': " << what << " settings saved\n";
    return 0;
}

int printerIni(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3)
        return fail("usage: vesk printer ini NAME [KW12D170|KW00C170|KW00C171|KW00C172]");
    const std::string which = words.size() == 3 ? words[2] : "KW12D170";
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    WCHAR path[kWsPathChars] = {};
    if (which == "KW12D170") WCopyCut(path, kWsPathChars, GetIniFilePath(c));
    else if (which == "KW00C170") BuildPrivateDirPath(path, kWsPathChars, u"KW00C170.ini");
    else if (which == "KW00C171") BuildPrivateDirPath(path, kWsPathChars, u"KW00C171.ini");
    else if (which == "KW00C172") BuildPrivateDirPath(path, kWsPathChars, u"KW00C172.txt");
    else return fail("unknown INI file '" + which + "'");
    std::cout << "; " << u8(path) << "\n";
    char* text = IniTextLoad(path);
    if (!text) return fail("cannot read " + u8(path));
    bool any = printSection(text, PrnGetPrinterName(c));
    if (which == "KW12D170") {
        // The lists of the display language: counts, free sizes, stamps.
        any = printSection(text, GetLangSection(c)) || any;
        WCHAR section[kListKeyChars];
        for (int i = 0; i < kFreeSizeSlotCount; ++i) any = printSection(text, FormatFreeSizeSection(section, i, c)) || any;
        for (int i = 0; i < GetStampCount(c); ++i) any = printSection(text, FormatStampSection(section, i, c)) || any;
        any = printSection(text, FormatStampSection(section, kScratchStamp, c)) || any;
    }
    if (which == "KW00C172") {
        any = printSection(text, u"VESKPrnSection") || any;
        any = printSection(text, u"VESKRsdSection") || any;
        any = printSection(text, PrnGetDriverName(c)) || any;
    }
    IniTextFree(text);
    if (!any) std::cout << "; no section of printer '" << words[1] << "'\n";
    return 0;
}

int printerFonts(const Args& args, const std::vector<std::string>& words, bool reset) {
    if (words.size() != 2) return fail("usage: vesk printer fonts NAME [--reset]");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    if (reset) {
        if (!FontSubstTableResetDefaults(c) || !FontSubstTableSave(pc->printer, c, 0))
            return fail("cannot reset the font substitution table of '" + words[1] + "'");
    }
    printTable(c, "device fonts", kItRdmDeviceFontNum, kItRdmDeviceFont, false);
    printTable(c, "option fonts", kItRdmOptionFontNum, kItRdmOptionFont, false);
    printTable(c, "substitution", kItRdmFontTableNum, kItRdmFontTable, true);
    return 0;
}

int printerTransfer(const Args& args, const std::vector<std::string>& words, const std::string& kind, bool import) {
    if (words.size() != 3)
        return fail(std::string("usage: vesk printer ") + (import ? "import" : "export") +
                    " NAME FILE [--as plain|preset|quality|stamp|device|freesize] (FILE a drive path of the "
                    "machine, e.g. C:\\presets\\a.rst)");
    uint32_t out = 0, in = 0;
    if (!kindFlags(kind, &out, &in)) return fail("unknown --as '" + kind + "'");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    TakePrinterDefault(c);
    const std::u16string file = winsim::fromUtf8(words[2]);
    int ok = 0;
    if (kind == "device") ok = import ? DeviceFileLoad(file.c_str(), in, c) : DeviceFileSave(file.c_str(), out, c);
    else if (import) ok = SettingsImport(pc->printer, file.c_str(), in, c);
    else ok = SettingsExport(pc->printer, file.c_str(), out, c);
    if (!ok) return fail(std::string(import ? "cannot import " : "cannot export ") + words[2]);
    if (import && c->ws->rejectedFile) {
        std::cout << "printer '" << words[1] << "': " << words[2] << " rejected, nothing changed\n";
        return 0;
    }
    if (import) {
        if (!StorePrinterDefault(c, words[1], &error)) return fail(error);
        if (kind == "device") OptSaveDeviceClass(pc->printer, c);
    }
    std::cout << "printer '" << words[1] << "': " << (import ? "imported " : "exported ") << words[2] << "\n";
    return 0;
}

}  // namespace vesk::host
