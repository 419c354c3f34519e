// vesk printer options | allowed: the printer's options as the driver sees
// them now (value, hidden and disabled), and the built-in settings with the
// values that may be chosen now; both after setting items in the context.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <strings.h>

#include <winsim/winsim.h>

#include "commands.h"
#include "core/allowed/allowed_values.h"
#include "core/devmode/dm_private.h"
#include "core/dictionary_lookup.h"
#include "core/item_format.h"
#include "core/item_store.h"
#include "core/model/constraints.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "printer_context.h"

namespace vesk::host {
namespace {

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

// An item by field name (letter case aside) or by id.
DmItem* findItem(DrvContext* ctx, const std::string& word) {
    char* end = nullptr;
    const unsigned long id = std::strtoul(word.c_str(), &end, 10);
    if (!word.empty() && !*end) return ItemFindById(ctx, static_cast<int>(id));
    for (int i = 0; i < ctx->items->count; ++i) {
        DmItem& it = ctx->items->items[i];
        if (it.fieldName && strcasecmp(u8(it.fieldName).c_str(), word.c_str()) == 0) return &it;
    }
    return nullptr;
}

std::string itemName(const DmItem* it) {
    return it && it->fieldName ? u8(it->fieldName) : "item " + std::to_string(it ? it->id : 0);
}

// FIELD=VALUE into the context: a number as the raw value, a value name of
// the dictionary as its logical value, any text into a text item. Device
// items of section 2 carry their copies in section 1 along.
bool applySets(DrvContext* ctx, const std::vector<std::string>& sets, std::string* error) {
    bool device = false;
    for (const std::string& s : sets) {
        const size_t eq = s.find('=');
        if (eq == std::string::npos || eq == 0) return *error = "'" + s + "' is not FIELD=VALUE", false;
        const std::string field = s.substr(0, eq), value = s.substr(eq + 1);
        DmItem* it = findItem(ctx, field);
        if (!it) return *error = "no item named '" + field + "'", false;
        char* end = nullptr;
        const long long n = std::strtoll(value.c_str(), &end, 0);
        if (typeIsAddress(itemTypeCode(*it))) {
            if (!ItemSetString(ctx, it, winsim::fromUtf8(value).c_str()))
                return *error = "cannot set the text of '" + field + "'", false;
        } else if (!value.empty() && !*end) {
            if (n < INT32_MIN || n > UINT32_MAX) return *error = "'" + value + "' is not a 32-bit number", false;
            ItemSetRaw(ctx, it, static_cast<uint32_t>(n));
        } else if (const ValueSymbol* vs = ValueSymFindByName(value.c_str()); vs && vs->itemId == it->id) {
            ItemSetValue(ctx, it, vs->value);
        } else {
            return *error = "'" + value + "' is neither a number nor a value name of " + field, false;
        }
        device = device || itemSection(*it) == 2;
    }
    if (device) DmCopyExtBlock(ctx);
    return true;
}

std::string typeName(uint16_t type) {
    switch (type) {
        case kMdlPickOne: return "PickOne";
        case kMdlPickMany: return "PickMany";
        case kMdlBoolean: return "Boolean";
        case kMdlNumeric: return "Numeric";
        case kMdlString: return "String";
        case kMdlPickPage: return "PickPage";
        case kMdlPickSlot: return "PickSlot";
        case kMdlFontTbl: return "FontTbl";
        default: {
            std::ostringstream o;
            o << "type 0x" << std::hex << type;
            return o.str();
        }
    }
}

// The display name of a list value (its string), else its number alone.
std::string valueText(DrvContext* ctx, uint16_t value) {
    WCHAR b[128];
    if (!ResLoadString(ctx, value, b, 128, 0)) return std::to_string(value);
    return std::to_string(value) + " " + u8(b);
}

void showOption(DrvContext* ctx, DmItem* it, uint32_t option) {
    const uint16_t type = MdlGetOptionType(ctx, it->id);
    // The option's own key: an item that a built-in handler decides has none.
    uint16_t key = 0;
    MdlViewOf(ctx).u16(option + kMdlOptKey, &key);
    WCHAR text[256];
    ItemFormatValue(ctx, key, text, 256);
    const uint32_t hiddenNow = MdlOptionCond1Check(ctx, option, 0), disabledNow = MdlOptionCond2Check(ctx, option, 0);
    std::cout << it->id << "\t" << itemName(it) << "\t" << typeName(type) << "\t";
    if (typeIsAddress(itemTypeCode(*it))) std::cout << '"' << u8(text) << '"';
    else std::cout << ItemGetValue(ctx, it) << " (" << u8(text) << ")";
    std::cout << "\thidden " << hiddenNow << "\tdisabled " << disabledNow << "\n";
    // The values of a list option whose own conditions hold now, while the
    // option's do not.
    std::string hidden, disabled;
    for (uint32_t rec = MdlGetOptionValues(ctx, it->id, nullptr); rec; rec = MdlOptionGetValueList(ctx, option, rec)) {
        const uint16_t v = MdlOptionGetChoice(ctx, option, rec, nullptr);
        if (!v) continue;
        if (!hiddenNow && MdlOptionCond1Check(ctx, option, v)) hidden += (hidden.empty() ? "" : ", ") + valueText(ctx, v);
        if (!disabledNow && MdlOptionCond2Check(ctx, option, v)) disabled += (disabled.empty() ? "" : ", ") + valueText(ctx, v);
    }
    if (!hidden.empty()) std::cout << "\thidden values: " << hidden << "\n";
    if (!disabled.empty()) std::cout << "\tdisabled values: " << disabled << "\n";
}

std::string useText(uint32_t mask) {
    std::string s;
    for (auto [bit, word] : {std::pair{kAllowedUseDocument, "document"}, std::pair{kAllowedUseOwnChain, "printer option"},
                             std::pair{kAllowedUseDevice, "device"}})
        if (mask & bit) s += (s.empty() ? "" : ", ") + std::string(word);
    return s;
}

void showSetting(DrvContext* ctx, const AllowedSetting& row) {
    const DmItem* it = row.item ? ItemFindById(ctx, static_cast<int>(row.item)) : nullptr;
    const std::string item = "item " + std::to_string(row.item);
    std::cout << row.name << " (" << (!row.item ? "no item" : it && it->fieldName ? itemName(it) + ", " + item : item)
              << "; " << useText(row.useMask) << ")";
    if (!row.values) {
        std::cout << ": "
                  << (row.kind & kAllowedKindSpecial ? "computed by the option-constraint library"
                      : row.valueFormat == kAllowedFormatText ? "text from the model"
                      : row.valueFormat == kAllowedFormatNumber ? "a number from the model"
                                                                : "values from the model")
                  << "\n";
        return;
    }
    std::cout << "\n";
    for (uint32_t i = 0; i < row.values->count; ++i) {
        const AllowedValue& v = row.values->values[i];
        std::cout << "  " << v.word << "\t" << v.value << "\t"
                  << (OptValueAllowedBuiltin(ctx, &row, &v) ? "allowed" : "not allowed")
                  << (v.flags & kAllowedValueOff ? "\t(off)" : "") << (v.flags & kAllowedValueRepeat ? "\t(repeat)" : "")
                  << "\n";
    }
}

// The context of the printer with the sets applied, or null after an error.
std::unique_ptr<PrinterContext> openWithSets(const Args& args, const std::string& name,
                                             const std::vector<std::string>& sets, std::string* error) {
    auto pc = OpenPrinterContext(args, name, error);
    if (pc && !applySets(pc->ctx, sets, error)) return nullptr;
    return pc;
}

}  // namespace

int printerOptions(const Args& args, const std::vector<std::string>& words, const std::vector<std::string>& sets) {
    if (words.size() < 2) return fail("usage: vesk printer options NAME [FIELD...] [--set FIELD=VALUE...]");
    std::string error;
    const auto pc = openWithSets(args, words[1], sets, &error);
    if (!pc) return fail(error);
    DrvContext* c = pc->ctx;
    std::vector<DmItem*> chosen;
    for (size_t i = 2; i < words.size(); ++i) {
        DmItem* it = findItem(c, words[i]);
        if (!it) return fail("no item named '" + words[i] + "'");
        // Besides the model's options, the driver's persisted settings.
        if (!MdlFindOption(c, it->id) && !it->valueName)
            return fail("the model of '" + words[1] + "' has no option " + words[i]);
        chosen.push_back(it);
    }
    if (chosen.empty())
        for (int i = 0; i < c->items->count; ++i)
            if (MdlFindOption(c, c->items->items[i].id)) chosen.push_back(&c->items->items[i]);
    for (DmItem* it : chosen) {
        // A persisted setting the model does not offer shows its value only.
        if (const uint32_t option = MdlFindOption(c, it->id)) {
            showOption(c, it, option);
        } else if (typeIsAddress(itemTypeCode(*it))) {
            WCHAR text[600] = {};
            ItemGetString(c, it, text, 600);
            std::cout << it->id << "\t" << itemName(it) << "\tno model option\t\"" << u8(text) << "\"\n";
        } else {
            std::cout << it->id << "\t" << itemName(it) << "\tno model option\t" << ItemGetRaw(c, it) << "\n";
        }
    }
    return 0;
}

int printerAllowed(const Args& args, const std::vector<std::string>& words, const std::vector<std::string>& sets) {
    if (words.size() < 2) return fail("usage: vesk printer allowed NAME [SETTING...] [--set FIELD=VALUE...]");
    const AllowedTable* t = GetBuiltinTable10();
    std::vector<const AllowedSetting*> chosen;
    for (size_t i = 2; i < words.size(); ++i) {
        const AllowedSetting* row = nullptr;
        for (uint32_t r = 0; r < t->count && !row; ++r)
            if (strcasecmp(t->rows[r].name, words[i].c_str()) == 0) row = &t->rows[r];
        if (!row) return fail("no setting named '" + words[i] + "'");
        chosen.push_back(row);
    }
    if (chosen.empty())
        for (uint32_t r = 0; r < t->count; ++r) chosen.push_back(&t->rows[r]);
    std::string error;
    const auto pc = openWithSets(args, words[1], sets, &error);
    if (!pc) return fail(error);
    for (const AllowedSetting* row : chosen) showSetting(pc->ctx, *row);
    return 0;
}

}  // namespace vesk::host
