// vesk printer jobcontrol NAME [show | fetch ITEMS | store ITEMS | probe | init]
// vesk printer usercode NAME [--set CODE | --sync]
#include <cstdlib>
#include <iostream>
#include <sstream>

#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_private.h"
#include "core/dirs.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/languages.h"
#include "core/usercode/user_code.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(std::u16string_view s) { return winsim::toUtf8(s); }

// The item names a mask may be written with, by mask bit.
constexpr std::pair<const char*, uint32_t> kMaskNames[] = {
    {"usercode", 0x1}, {"owner", 0x2},    {"password", 0x4}, {"userid", 0x8},
    {"document", 0x10}, {"telno", 0x20}, {"telline", 0x40}, {"stored", 0x80},
};

// "userid,owner" or a number (decimal or 0x...) of the item table's bits.
bool parseMask(const std::string& text, uint32_t* mask, std::string* error) {
    char* end = nullptr;
    const unsigned long n = std::strtoul(text.c_str(), &end, 0);
    if (!text.empty() && !*end) {
        if (n == 0 || n > kJcMaskAll) return *error = "an item mask is 1 to 0x7FF", false;
        *mask = static_cast<uint32_t>(n);
        return true;
    }
    *mask = 0;
    std::stringstream words(text);
    for (std::string w; std::getline(words, w, ',');) {
        bool known = false;
        for (const auto& [name, bit] : kMaskNames)
            if (w == name) *mask |= bit, known = true;
        if (!known) {
            std::string names;
            for (const auto& [name, bit] : kMaskNames) names += std::string(names.empty() ? "" : ",") + name;
            return *error = "unknown item '" + w + "' (items: " + names + ", or a number)", false;
        }
    }
    if (!*mask) return *error = "name the items", false;
    return true;
}

const char* rowName(DrvContext* c, const JcItemRow& row) {
    if (row.code == kJcCodeProduct) return "(product word)";
    if (row.code == kJcCodeLangId) return "(LANGID of rdmLanguageID)";
    static thread_local std::string name;
    const WCHAR* n = ItemGetName(c, row.itemId);
    name = n ? u8(n) : std::to_string(row.itemId);
    return name.c_str();
}

std::string itemValue(DrvContext* c, const JcItemRow& row) {
    if (row.code == kJcCodeProduct) return "\"VESK\"";
    if (row.code == kJcCodeTelLine) return std::to_string(ItemRawById(c, row.itemId));
    if (row.code == kJcCodeLangId) {
        uint16_t sub = 0;
        const uint32_t primary = DispLangLookup(ItemRawById(c, row.itemId), &sub);
        return std::to_string((static_cast<uint32_t>(sub) << 10) | primary);
    }
    WCHAR b[300] = {};
    ItemGetString(c, ItemFindById(c, row.itemId), b, 300);
    return "\"" + u8(b) + "\"";
}

// What the library holds for the printer next to the items' values.
void showItems(DrvContext* c, const std::string& printer) {
    const DWORD load = JcDispatch(c, kJcOpen, 0);
    std::cout << "printer '" << printer << "': job-control library ";
    if (!c->ws->jc.module) std::cout << "ZORJC32.DLL cannot be loaded (error " << load << ")\n";
    else if (load) std::cout << "interface " << c->ws->jc.version << ", no connection (open answered " << load << ")\n";
    else std::cout << "interface " << c->ws->jc.version << ", connection open\n";
    std::cout << "code  item                        library            item\n";
    for (size_t i = 0; i < kJcItemRows; ++i) {
        const JcItemRow& row = JcItemTable()[i];
        std::string lib = "-";
        if (c->ws->jc.connection) {
            WCHAR b[300] = {};
            const DWORD r = JcQueryItemText(c, row.code, b, 300);
            lib = r == 0 ? "\"" + u8(b) + "\"" : r == kJcMoreData ? "(unset)" : "(error " + std::to_string(r) + ")";
        }
        std::string code = std::to_string(row.code), name = rowName(c, row);
        code.resize(6, ' ');
        name.resize(28, ' ');
        std::string libCol = lib;
        if (libCol.size() < 19) libCol.resize(19, ' ');
        std::cout << code << name << libCol << itemValue(c, row) << "\n";
    }
    JcDispatch(c, kJcClose, 0);
}

bool keepDevmode(DrvContext* c, const std::string& printer) {
    const size_t len = DmClaimedLength(c->devmode);
    std::vector<uint8_t> dm(c->devmode, c->devmode + len);
    if (DWORD e = winsim::setPrinterDevmode(winsim::fromUtf8(printer), dm); e != ERROR_SUCCESS) {
        fail("cannot keep the DEVMODE of '" + printer + "': " + winsim::spoolerErrorText(e));
        return false;
    }
    return true;
}

void showUserCode(DrvContext* c) {
    WCHAR code[16] = {};
    ItemGetString(c, ItemFindById(c, kItRdmLogCode), code, 16);
    std::cout << "use:   " << ItemRawById(c, kItRdmLogCodeUse) << "\n"
              << "code:  \"" << u8(code) << "\"\n"
              << "fixed: " << int(DmGetFlag(c, DmFlag::UserCodeFix)) << "\n";
}

}  // namespace

int printerJobControl(const Args& args, const std::vector<std::string>& words) {
    const std::string usage =
        "usage: vesk printer jobcontrol NAME [show | fetch ITEMS | store ITEMS | probe | init] (ITEMS: "
        "usercode,owner,password,userid,document,telno,telline,stored or a mask)";
    if (words.size() < 2 || words.size() > 4) return fail(usage);
    const std::string what = words.size() > 2 ? words[2] : "show";
    const bool withItems = what == "fetch" || what == "store";
    if (withItems != (words.size() == 4) || (!withItems && what != "show" && what != "probe" && what != "init"))
        return fail(usage);
    std::string error;
    uint32_t mask = 0;
    if (withItems && !parseMask(words[3], &mask, &error)) return fail(error);
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    TakePrinterDefault(c);
    if (what == "probe") {
        const int p = JcProbe(c);
        std::cout << "printer '" << words[1] << "': " << p
                  << (p ? " (the library opens a connection for it)\n" : " (no connection: library missing or printer unknown)\n");
        return 0;
    }
    if (withItems) {
        const DWORD r = JcDispatch(c, what == "fetch" ? kJcFetch : kJcStore, mask);
        if (r != 0) return fail("the job-control library refused the " + what + " (" + std::to_string(r) + ")");
        if (what == "fetch" && !keepDevmode(c, words[1])) return 1;
        std::cout << "printer '" << words[1] << "': items 0x" << std::hex << mask << std::dec
                  << (what == "fetch" ? " fetched from" : " stored in") << " the library\n";
    } else if (what == "init") {
        CreatePrivateDir(c);
        const int r = JcInitAtInstall(c);
        if (!keepDevmode(c, words[1])) return 1;
        std::cout << "printer '" << words[1] << "': install step " << (r ? "done" : "could not store the driver's values")
                  << "\n";
    }
    showItems(c, words[1]);
    return 0;
}

int printerUserCode(const Args& args, const std::vector<std::string>& words, const std::optional<std::string>& set,
                    bool sync) {
    if (words.size() != 2 || (set && sync)) return fail("usage: vesk printer usercode NAME [--set CODE | --sync]");
    if (set && set->size() > 8) return fail("a user code has at most 8 characters");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    TakePrinterDefault(c);
    // The install sequence makes the private directory that holds
    // KW00C170.ini; a printer added by the host may not have it yet.
    CreatePrivateDir(c);
    if (set) {
        ItemSetRawById(c, kItRdmLogCodeUse, set->empty() ? 0 : 1);
        ItemSetString(c, ItemFindById(c, kItRdmLogCode), winsim::fromUtf8(*set).c_str());
        if (!SaveUserCodeToIni(c)) return fail("cannot save the user code");
    } else if (sync) {
        if (!SyncUserCodeAtInstall(c)) return fail("cannot bring the user code into line");
        if (!keepDevmode(c, words[1])) return 1;
        std::cout << "printer '" << words[1] << "': user code brought into line\n";
        showUserCode(c);
        return 0;
    }
    if (!LoadUserCodeForPrinter(c)) {
        std::cout << "printer '" << words[1] << "': a connection to a server's printer; its user code is not read here\n";
        return 0;
    }
    if (!keepDevmode(c, words[1])) return 1;
    std::cout << "printer '" << words[1] << "':\n";
    showUserCode(c);
    return 0;
}

}  // namespace vesk::host
