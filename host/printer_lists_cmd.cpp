// vesk printer presets | qualities | stamps | freesizes | repair: the
// printer's per-printer lists as the driver keeps them. Loads act on the
// printer's default DEVMODE, as the preset page would, and store it back.
#include <cstdlib>
#include <iostream>

#include <winsim/winsim.h>

#include "commands.h"
#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/res/res.h"
#include "core/units.h"
#include "core/validation/free_size_slots.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

// A decimal number in [lo, hi], or false.
bool number(const std::string& s, long lo, long hi, long* out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi) return false;
    *out = v;
    return true;
}

std::string iniValue(DrvContext* c, const WCHAR* section, const WCHAR* key) {
    WCHAR v[kWsPathChars] = {};
    IniGetString(section, key, u"", v, kWsPathChars, GetIniFilePath(c));
    return u8(v);
}

// The stamp items by field name, in the order of a stamp section.
constexpr int kStampIds[] = {109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121,
                             122, 123, 124, 125, 126, 127, 128, 869, 870, 871, 872, 873};

DmItem* stampItem(DrvContext* c, const std::string& field) {
    for (int id : kStampIds) {
        DmItem* it = ItemFindById(c, id);
        if (it && it->fieldName && u8(it->fieldName) == field) return it;
    }
    return nullptr;
}

std::string itemText(DrvContext* c, int id) {
    WCHAR v[kWsPathChars] = {};
    OptFormatIniValue(c, ItemFindById(c, id), v, kWsPathChars);
    return u8(v);
}

// A size in display units as the pages show it: 0.1 mm or 0.01 inch.
std::string displaySize(DrvContext* c, int32_t dots) {
    const int32_t v = ItemDotsToDisplay(c, 0, dots);
    const bool metric = UnitIsMetric(c);
    const int32_t div = metric ? 10 : 100;
    std::string frac = std::to_string(v % div);
    while (frac.size() < (metric ? 1u : 2u)) frac = "0" + frac;
    return std::to_string(v / div) + "." + frac;
}

std::string unitLabel(DrvContext* c) {
    WCHAR label[16] = {};
    ResLoadString(c, UnitIsMetric(c) ? 153 : 154, label, 16, 0);
    return u8(label);
}

int presetList(DrvContext* c) {
    const int n = GetPresetCount(c);
    std::cout << "presets (" << n << ")\n";
    for (int i = 0; i < n && i < kPresetSlots; ++i) {
        WCHAR key[kListKeyChars];
        FormatPresetKey(key, i, 0);
        std::cout << "  " << i << "\t" << iniValue(c, c->ws->printerName, key) << "\t"
                  << iniValue(c, c->ws->printerName, FormatPresetKey(key, i, 1)) << "\t"
                  << iniValue(c, c->ws->printerName, FormatPresetKey(key, i, 2)) << "\t"
                  << (PresetIsWritableByIndex(c, i) ? "writable" : "read-only") << "\n";
    }
    return 0;
}

int qualityList(DrvContext* c) {
    const int n = GetQualityCount(c);
    std::cout << "qualities (" << n << ")\n";
    for (int i = 0; i < n; ++i) {
        WCHAR key[kListKeyChars];
        FormatQualityKey(key, i);
        std::cout << "  " << i << "\t" << iniValue(c, c->ws->printerName, key) << "\t"
                  << iniValue(c, c->ws->printerName, (std::u16string(key) + u"Name").c_str()) << "\n";
    }
    return 0;
}


// The printer of a list command: its context and the command's word (list
// when none), or null after the message.
std::unique_ptr<PrinterContext> openList(const Args& args, const std::vector<std::string>& words,
                                         const std::string& usage, std::string* what) {
    if (words.size() < 2) return fail(usage), nullptr;
    *what = words.size() > 2 ? words[2] : "list";
    std::string error;
    std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) fail(error);
    return pc;
}

// Entry N of a list loaded into the printer's default DEVMODE (stored back)
// or the default DEVMODE saved into it.
int loadOrSave(DrvContext* c, const std::vector<std::string>& words, const std::string& noun, long n,
               int (*act)(DrvContext*, long, bool)) {
    const bool save = words[2] == "save";
    TakePrinterDefault(c);
    if (!act(c, n, save)) return fail("cannot " + words[2] + " " + noun + " " + words[3]);
    std::string error;
    if (!save && !StorePrinterDefault(c, words[1], &error)) return fail(error);
    std::cout << "printer '" << words[1] << "': " << noun << " " << n << (save ? " saved\n" : " loaded\n");
    return 0;
}

}  // namespace

int printerPresets(const Args& args, const std::vector<std::string>& words) {
    const std::string usage =
        "usage: vesk printer presets NAME [list | add FILE NAME [COMMENT] | load N | save N | clear]";
    std::string what;
    const std::unique_ptr<PrinterContext> pc = openList(args, words, usage, &what);
    if (!pc) return 1;
    DrvContext* c = pc->ctx;
    long n = 0;
    if (what == "list" && words.size() <= 3) return presetList(c);
    if (what == "add" && (words.size() == 5 || words.size() == 6)) {
        const std::u16string file = winsim::fromUtf8(words[3]), name = winsim::fromUtf8(words[4]);
        const std::u16string comment = words.size() == 6 ? winsim::fromUtf8(words[5]) : u"";
        if (!isDrivePath(file.c_str())) return fail("FILE must be a drive path of the machine, e.g. C:\\presets\\a.rst");
        if (GetPresetCount(c) >= kPresetSlots) return fail("the preset list is full (16 presets)");
        if (!PresetAdd(c, file.c_str(), name.c_str(), comment.c_str())) return fail("cannot add the preset");
        std::cout << "printer '" << words[1] << "': preset " << GetPresetCount(c) - 1 << " added\n";
        return 0;
    }
    if (what == "clear" && words.size() == 3) {
        if (!PresetClear(c)) return fail("cannot clear the preset list");
        std::cout << "printer '" << words[1] << "': preset list cleared\n";
        return 0;
    }
    if ((what == "load" || what == "save") && words.size() == 4) {
        if (!number(words[3], 0, kPresetSlots - 1, &n)) return fail("N is a preset slot, 0 to 15");
        if (n >= GetPresetCount(c)) return fail("no preset " + words[3] + " in the list");
        return loadOrSave(c, words, "preset", n, [](DrvContext* ctx, long i, bool save) {
            return save ? SavePresetByIndex(ctx, static_cast<int>(i)) : LoadPresetByIndex(ctx, static_cast<int>(i));
        });
    }
    return fail(usage);
}

int printerQualities(const Args& args, const std::vector<std::string>& words) {
    const std::string usage = "usage: vesk printer qualities NAME [list | add FILE NAME | load N | save N]";
    std::string what;
    const std::unique_ptr<PrinterContext> pc = openList(args, words, usage, &what);
    if (!pc) return 1;
    DrvContext* c = pc->ctx;
    long n = 0;
    if (what == "list" && words.size() <= 3) return qualityList(c);
    if (what == "add" && words.size() == 5) {
        const std::u16string file = winsim::fromUtf8(words[3]), name = winsim::fromUtf8(words[4]);
        if (!isDrivePath(file.c_str())) return fail("FILE must be a drive path of the machine, e.g. C:\\presets\\q.rsq");
        if (!QualityAdd(c, file.c_str(), name.c_str())) return fail("cannot add the quality");
        std::cout << "printer '" << words[1] << "': quality " << GetQualityCount(c) - 1 << " added\n";
        return 0;
    }
    if ((what == "load" || what == "save") && words.size() == 4) {
        if (!number(words[3], 0, GetQualityCount(c) - 1, &n)) return fail("no quality " + words[3] + " in the list");
        return loadOrSave(c, words, "quality", n, [](DrvContext* ctx, long i, bool save) {
            const uint32_t slot = static_cast<uint32_t>(i);
            if (!save) return LoadQualityByIndex(ctx, slot);
            // The entry keeps its name: it is what item 867 holds on the page.
            WCHAR key[kListKeyChars];
            const std::u16string nameKey = std::u16string(FormatQualityKey(key, static_cast<int>(i))) + u"Name";
            ItemSetString(ctx, ItemFindById(ctx, kItWdmUserSetName),
                          winsim::fromUtf8(iniValue(ctx, ctx->ws->printerName, nameKey.c_str())).c_str());
            return SaveQualityByIndex(ctx, slot);
        });
    }
    return fail(usage);
}

int printerStamps(const Args& args, const std::vector<std::string>& words) {
    const std::string usage =
        "usage: vesk printer stamps NAME [list | show N | save N FIELD=VALUE... | delete N] (N 0 to 255, or 256 "
        "the scratch stamp)";
    std::string what;
    const std::unique_ptr<PrinterContext> pc = openList(args, words, usage, &what);
    if (!pc) return 1;
    DrvContext* c = pc->ctx;
    const int count = GetStampCount(c);
    long n = 0;
    if (words.size() > 3 && !number(words[3], 0, kScratchStamp, &n)) return fail(usage);
    if (what == "list" && words.size() <= 3) {
        std::cout << "stamps (" << count << ")\n";
        if (!DmSaveState(c)) return fail("out of memory");
        for (int i = 0; i < count; ++i) {
            LoadStampByIndex(c, static_cast<uint32_t>(i));
            std::cout << "  " << i << "\tkind " << itemText(c, kItRdmWmKind) << "\t" << itemText(c, kItWdmWmChar)
                      << "\t" << itemText(c, kItWdmWmCharName) << "\t" << itemText(c, kItWdmWmImageName) << "\n";
        }
        DmRestoreState(c, 1);
        return 0;
    }
    if (what == "show" && words.size() == 4) {
        if (n >= count && n != kScratchStamp) return fail("no stamp " + words[3] + " in the list");
        if (!LoadStampByIndex(c, static_cast<uint32_t>(n))) return fail("cannot read stamp " + words[3]);
        std::cout << "stamp " << n << "\n";
        for (int id : kStampIds)
            if (const DmItem* it = ItemFindById(c, id)) std::cout << "  " << u8(it->fieldName) << "=" << itemText(c, id) << "\n";
        return 0;
    }
    if (what == "save" && words.size() >= 5) {
        TakePrinterDefault(c);
        if (n < count || n == kScratchStamp) LoadStampByIndex(c, static_cast<uint32_t>(n));
        for (size_t i = 4; i < words.size(); ++i) {
            const size_t eq = words[i].find('=');
            DmItem* it = eq == std::string::npos ? nullptr : stampItem(c, words[i].substr(0, eq));
            if (!it) return fail("'" + words[i] + "' is not FIELD=VALUE with a stamp field (rdmWmKind ... wdmWmFont)");
            const std::u16string v = winsim::fromUtf8(words[i].substr(eq + 1));
            if (!OptStoreIniValue(c, it, v.c_str())) return fail("'" + words[i] + "': the value does not fit the field");
        }
        if (!SaveStampByIndex(c, static_cast<uint32_t>(n))) return fail("cannot save stamp " + words[3]);
        std::cout << "printer '" << words[1] << "': stamp " << n << " saved (" << GetStampCount(c) << " stamps)\n";
        return 0;
    }
    if (what == "delete" && words.size() == 4) {
        if (!DeleteStamp(c, static_cast<int>(n))) return fail("no stamp " + words[3] + " in the list");
        std::cout << "printer '" << words[1] << "': stamp " << n << " deleted (" << GetStampCount(c) << " stamps)\n";
        return 0;
    }
    return fail(usage);
}

int printerFreeSizes(const Args& args, const std::vector<std::string>& words) {
    const std::string usage =
        "usage: vesk printer freesizes NAME [list | set SLOT NAME WIDTH LENGTH] (SLOT 0 to 9; sizes in 0.1 mm or "
        "0.01 inch by the display unit)";
    std::string what;
    const std::unique_ptr<PrinterContext> pc = openList(args, words, usage, &what);
    if (!pc) return 1;
    DrvContext* c = pc->ctx;
    if (what == "list" && words.size() <= 3) {
        LoadFreeSizeTable(c);
        for (int i = 0; i < kFreeSizeSlotCount; ++i) {
            const WsFreeSize& s = c->ws->freeSizes[i];
            WCHAR name[kWsFreeSizeNameBytes] = {};
            FreeSizePaperName(c, FreeSizePaperFromSlot(i), name, kWsFreeSizeNameBytes);
            std::cout << "  " << i << "\tpaper " << FreeSizePaperFromSlot(i) << "\t" << u8(name) << "\t"
                      << displaySize(c, s.width) << " x " << displaySize(c, s.length) << " " << unitLabel(c) << "\n";
        }
        return 0;
    }
    if (what == "set" && words.size() == 7) {
        long slot = 0, w = 0, l = 0;
        if (!number(words[3], 0, kFreeSizeSlotCount - 1, &slot)) return fail("SLOT is 0 to 9");
        // A free size may be larger than the model's custom paper; it only
        // has to fit a DEVMODE's paper fields.
        if (!number(words[5], 1, 0x7FFF, &w) || !number(words[6], 1, 0x7FFF, &l))
            return fail(std::string("WIDTH and LENGTH are 1 to 32767 (") + (UnitIsMetric(c) ? "0.1 mm" : "0.01 inch") +
                        ")");
        const std::u16string name = winsim::fromUtf8(words[4]);
        const DmItem* nameItem = ItemFindById(c, kItWdmFreeSizeName);
        const size_t most = nameItem ? itemSize(*nameItem) / 2 - 1 : 0;
        if (name.empty() || name.size() > most) return fail("NAME is 1 to " + std::to_string(most) + " characters");
        if (!DmSaveState(c)) return fail("out of memory");
        ItemSetString(c, ItemFindById(c, kItWdmFreeSizeName), name.c_str());
        ItemSetRawById(c, kItWdmFreeSizeWidth, static_cast<uint32_t>(DisplayToDotsItem(c, 0, static_cast<int32_t>(w))));
        ItemSetRawById(c, kItWdmFreeSizeLength, static_cast<uint32_t>(DisplayToDotsItem(c, 0, static_cast<int32_t>(l))));
        const int ok = SaveFreeSizeByIndex(c, static_cast<int>(slot));
        DmRestoreState(c, 1);
        if (!ok) return fail("cannot save free size " + words[3]);
        std::cout << "printer '" << words[1] << "': free size " << slot << " (paper "
                  << FreeSizePaperFromSlot(static_cast<int>(slot)) << ") saved\n";
        return 0;
    }
    return fail(usage);
}

int printerRepair(const Args& args, const std::vector<std::string>& words) {
    if (words.size() != 2) return fail("usage: vesk printer repair NAME");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    uint32_t found = 0;
    if (!RepairListsEx(c, &found))
        return fail("cannot repair the lists of '" + words[1] + "' (setup INI " + u8(GetSetupIniPath(c)) +
                    ", per-printer INI " + u8(GetIniFilePath(c)) + ")");
    const WCHAR* lang = GetLangSection(c);
    std::cout << "free sizes: "
              << ((found & kRepairedFreeSizes) ? "broken, " + std::to_string(IniGetInt(lang, u"FreeSizeCount", 0, GetIniFilePath(c))) +
                                                     " slots restored from the setup INI"
                                               : std::string("sound"))
              << "\n";
    std::cout << "stamps: "
              << ((found & kRepairedStamps) ? "broken, " + std::to_string(GetStampCount(c)) + " stamps restored from the setup INI"
                                            : std::string("sound"))
              << "\n";
    return 0;
}

}  // namespace vesk::host
