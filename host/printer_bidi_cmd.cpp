// vesk printer bidi | modeldb: the device query through the printer's monitor
// library and the model database the maker's tools read.
#include <iostream>
#include <string>
#include <vector>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/bidi/bidi.h"
#include "core/bidi/bidi_maps.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/model_db.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }
// Built by appends: the "\"" + text + "\"" form trips a false -Wrestrict in
// GCC 12's optimised string concatenation.
std::string quoted(const WCHAR* s) {
    std::string q = "\"";
    q += u8(s);
    q += '"';
    return q;
}

std::string printerDataFlag(const std::u16string& printer, const char16_t* name) {
    auto v = winsim::printerData(printer, name);
    if (!v) return "(missing)";
    uint32_t n = 0;
    for (size_t i = 0; i < v->data.size() && i < 4; ++i) n |= static_cast<uint32_t>(v->data[i]) << (8 * i);
    return std::to_string(n);
}

std::string iniFlag(int has, int value) { return has ? std::to_string(value) : "(missing)"; }

// The trays the device reported, one per tray item group.
void printTrays(DrvContext* ctx) {
    static const struct {
        uint32_t trayValue;
        const char* name;
    } kTrays[] = {{3, "tray 1"}, {4, "tray 2"}, {5, "tray 3"}, {6, "tray 4"},
                  {7, "large-capacity tray"}, {1, "bypass tray"}, {2, "multi-purpose tray"}};
    int shown = 0;
    for (const auto& t : kTrays) {
        const BidiTrayItems* items = BidiTrayItemsOf(t.trayValue);
        if (!items || !ItemRawById(ctx, items->installed)) continue;
        std::cout << "  " << t.name << ": paper " << ItemRawById(ctx, items->paper) << ", orientation "
                  << ItemRawById(ctx, items->orientation) << ", media " << ItemRawById(ctx, items->media)
                  << (ItemRawById(ctx, items->lock) ? ", locked" : "") << "\n";
        ++shown;
    }
    if (!shown) std::cout << "  (none)\n";
}

// The installed options the device reported.
void printOptions(DrvContext* ctx) {
    static const struct {
        uint32_t deviceValue;
        const char* name;
    } kOptions[] = {{0x01, "duplex unit"},  {0x67, "large-capacity tray"}, {0x66, "paper bank"},
                    {0x10, "manual tray"},  {0x1E, "one-step option"},     {0x07, "upper bin"},
                    {0x22, "finisher 500"}, {0x25, "finisher"},            {0x03, "hard disk"}};
    std::string line;
    for (const auto& o : kOptions)
        if (ItemRawById(ctx, BidiOptionItem(o.deviceValue))) line += (line.empty() ? "" : ", ") + std::string(o.name);
    std::cout << "  " << (line.empty() ? "(none)" : line) << "\n";
}

// One line per device-information item holding something.
void printDeviceItems(DrvContext* ctx) {
    int shown = 0;
    for (int i = 0; i < ctx->items->count; ++i) {
        DmItem& it = ctx->items->items[i];
        if (!OptIsDeviceInfoItem(it.id) || itemSection(it) != 2) continue;
        const uint32_t code = itemTypeCode(it);
        std::string value;
        if (code == kTypeAnsi || code == kTypeAnsi2 || code == kTypeWide || code == kTypeWide2) {
            WCHAR text[80] = {};
            ItemGetString(ctx, &it, text, 80);
            if (!text[0]) continue;
            value = quoted(text);
        } else {
            const uint32_t raw = ItemGetRaw(ctx, &it);
            if (raw == 0) continue;
            value = std::to_string(raw);
        }
        std::cout << "  " << it.id << " " << (it.fieldName ? u8(it.fieldName) : std::string("-")) << " = " << value
                  << "\n";
        ++shown;
    }
    if (!shown) std::cout << "  (none)\n";
}

int bidi(const Args& args, const std::vector<std::string>& words) {
    std::string mode;
    std::string name;
    for (size_t i = 1; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "--status" || w == "--quiet" || w == "--refresh") {
            if (!mode.empty()) return fail("give one of --status, --quiet and --refresh");
            mode = w;
        } else if (!w.empty() && w[0] == '-') {
            return fail("unknown option " + w);
        } else if (name.empty()) {
            name = w;
        } else {
            return fail("usage: vesk printer bidi NAME [--status | --quiet | --refresh]");
        }
    }
    if (name.empty()) return fail("usage: vesk printer bidi NAME [--status | --quiet | --refresh]");
    std::string error;
    auto pc = OpenPrinterContext(args, name, &error);
    if (!pc) return fail(error);
    DrvContext* ctx = pc->ctx;
    int result;
    if (mode == "--status") result = BidiQueryDeviceStatus(ctx, nullptr);
    else if (mode == "--quiet") result = BidiGetDeviceInfoQuiet(ctx);
    else if (mode == "--refresh") result = BidiRefreshOnOpen(ctx, nullptr);
    else result = BidiGetDeviceInfo(ctx, nullptr);
    const std::u16string printer = winsim::fromUtf8(name);
    std::cout << "query:        " << (mode.empty() ? "full" : mode.substr(2)) << ", result " << result << "\n"
              << "state byte:   " << int(DmGetFlagE(ctx)) << "\n"
              << "printer data: BidiFlag " << printerDataFlag(printer, u"BidiFlag") << ", BidiExFlag "
              << printerDataFlag(printer, u"BidiExFlag") << (BidiHasFlag(ctx) ? "" : " (not writable)") << "\n"
              << "KW00C171.ini: BidiFlag " << iniFlag(BidiIniHasFlag(ctx), BidiIniGetFlag(ctx))
              << ", BidiExFlag " << iniFlag(BidiIniHasExFlag(ctx), BidiIniGetExFlag(ctx)) << "\n";
    if (!PrnIsBidiEnabled(ctx))
        std::cout << "note:         bidirectional support is off for the printer (vesk printer add --bidi)\n";
    std::cout << "trays:\n";
    printTrays(ctx);
    std::cout << "options:\n";
    printOptions(ctx);
    std::cout << "device items:\n";
    printDeviceItems(ctx);
    return result ? 0 : 1;
}

void printEntry(const WCHAR* section, const WCHAR* key, const WCHAR* file) {
    WCHAR value[kInstallerValueChars] = {};
    IniGetString(section, key, u"", value, kInstallerValueChars, file);
    std::cout << "  " << u8(key) << " = " << (value[0] ? u8(value) : std::string("(missing)")) << "\n";
}

int modeldb(const Args& args, const std::vector<std::string>& words) {
    bool reg = false;
    std::string name;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--register") reg = true;
        else if (!words[i].empty() && words[i][0] == '-') return fail("unknown option " + words[i]);
        else if (name.empty()) name = words[i];
        else return fail("usage: vesk printer modeldb NAME [--register]");
    }
    if (name.empty()) return fail("usage: vesk printer modeldb NAME [--register]");
    std::string error;
    auto pc = OpenPrinterContext(args, name, &error);
    if (!pc) return fail(error);
    DrvContext* ctx = pc->ctx;
    int result = 1;
    if (reg) result = ModelDbRegister(ctx);
    const WCHAR* model = GetModelDbSection(ctx);
    std::cout << "model:     " << (model ? quoted(model) : std::string("(none)")) << "\n";
    WCHAR loadDll[kInstallerValueChars] = {}, version[kInstallerValueChars] = {};
    ReadInstallerDllEntry(ctx, loadDll, version);
    std::cout << "installer: LoadDll32 = " << (loadDll[0] ? u8(loadDll) : std::string("(missing)"))
              << ", Version32 = " << (version[0] ? u8(version) : std::string("(missing)")) << "\n";
    if (reg) std::cout << "register:  result " << result << "\n";
    WCHAR path[kWsPathChars] = {};
    BuildWindowsDirPath(path, kWsPathChars, u"zordb.ini");
    std::cout << u8(path) << ":\n";
    if (model) {
        const WCHAR* section = model;
        while (*section == u' ' || *section == u'\t') ++section;
        for (const WCHAR* key : {u"LoadDll", u"ResDll", u"Version"}) printEntry(section, key, path);
    }
    return result ? 0 : 1;
}

}  // namespace

int printerBidi(const Args& args) {
    const std::vector<std::string>& words = args.words;
    if (!words.empty() && words[0] == "modeldb") return modeldb(args, words);
    return bidi(args, words);
}

}  // namespace vesk::host
