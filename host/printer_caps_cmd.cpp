// vesk printer caps | summary: the device-capability answers of a printer
// as an application gets them (a device-capability context with the
// application's DEVMODE merged, extents from the built-in template), and
// the capability summary record with the request block applied.
#include <strings.h>

#include <cstdint>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/allowed/allowed_values.h"
#include "core/caps/device_caps.h"
#include "core/caps/summary.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_public.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/process.h"
#include "devmode_items.h"
#include "devmode_merge.h"
#include "driver_devmode.h"
#include "printer_context.h"
#include "printer_ui.h"

namespace vesk::host {
namespace {

constexpr uint32_t kCapsMergeFlags = 0x1000008;  // device capabilities, modify

// The questions, by the Windows DC_ number.
struct Question {
    const char* word;
    int dc;
};
constexpr Question kQuestions[] = {{"papers", 2},       {"papernames", 16}, {"papersize", 3},
                                   {"bins", 6},         {"binnames", 12},   {"enumresolutions", 13},
                                   {"minextent", 4},    {"maxextent", 5},   {"orientation", 17},
                                   {"duplex", 7},       {"collate", 22},    {"staple", 30}};

// A question by its word, its DC_ name or its number; 0 when none.
int questionOf(const std::string& w) {
    char* end = nullptr;
    const long n = std::strtol(w.c_str(), &end, 10);
    const bool number = !w.empty() && !*end;
    for (const Question& q : kQuestions)
        if ((number && n == q.dc) || strcasecmp(w.c_str(), q.word) == 0 ||
            strcasecmp(w.c_str(), ("DC_" + std::string(q.word)).c_str()) == 0)
            return q.dc;
    return 0;
}

const char* wordOf(int dc) {
    for (const Question& q : kQuestions)
        if (q.dc == dc) return q.word;
    return "?";
}


void printCount(int dc, int n) {
    std::cout << wordOf(dc) << ": " << n << (n < 0 ? " (not offered)" : "") << "\n";
}

template <typename Fill>
void printIds(int dc, int n, Fill fill) {
    printCount(dc, n);
    if (n <= 0) return;
    std::vector<uint16_t> v(static_cast<size_t>(n));
    fill(v.data());
    for (uint16_t x : v) std::cout << "  " << x << "\n";
}

template <typename Fill>
void printNames(int dc, int n, uint32_t chars, Fill fill) {
    printCount(dc, n);
    if (n <= 0) return;
    std::vector<WCHAR> v(static_cast<size_t>(n) * chars + 1, 0);
    fill(v.data());
    for (int i = 0; i < n; ++i) {
        std::u16string name(v.data() + static_cast<size_t>(i) * chars, chars);
        name.resize(std::char_traits<char16_t>::length(name.c_str()));
        std::cout << "  \"" << winsim::toUtf8(name) << "\"\n";
    }
}

template <typename Fill>
void printPairs(int dc, int n, Fill fill) {
    printCount(dc, n);
    if (n <= 0) return;
    std::vector<int32_t> v(2 * static_cast<size_t>(n));
    fill(v.data());
    for (int i = 0; i < n; ++i) std::cout << "  " << v[2 * i] << " x " << v[2 * i + 1] << "\n";
}

// DC_DUPLEX: the printer data value Duplex (4 bytes), -1 when unreadable.
int duplexAnswer(HANDLE printer) {
    DWORD type = 0, needed = 0, value = 0;
    if (GetPrinterDataW(printer, const_cast<LPWSTR>(u"Duplex"), &type, reinterpret_cast<BYTE*>(&value), 4, &needed) !=
            ERROR_SUCCESS ||
        needed != 4)
        return -1;
    return value ? 1 : 0;
}

void answer(DrvContext* ctx, HANDLE printer, int dc) {
    const DrvContext* tmpl = GetContextTemplate();
    switch (dc) {
    case 2: printIds(dc, CapsGetPapers(ctx, nullptr, kItDmPaperSize), [&](uint16_t* o) { CapsGetPapers(ctx, o, kItDmPaperSize); }); break;
    case 16:
        printNames(dc, CapsGetPaperNames(ctx, nullptr, kCapsPaperNameChars, kItDmPaperSize), kCapsPaperNameChars,
                   [&](WCHAR* o) { CapsGetPaperNames(ctx, o, kCapsPaperNameChars, kItDmPaperSize); });
        break;
    case 3:
        printPairs(dc, CapsGetPaperSizes(ctx, nullptr, kItDmPaperSize),
                   [&](int32_t* o) { CapsGetPaperSizes(ctx, o, kItDmPaperSize); });
        break;
    case 6: printIds(dc, CapsGetBins(ctx, nullptr, kItDmDefaultSource), [&](uint16_t* o) { CapsGetBins(ctx, o, kItDmDefaultSource); }); break;
    case 12:
        printNames(dc, CapsGetBinNames(ctx, nullptr, kCapsBinNameChars, kItDmDefaultSource), kCapsBinNameChars,
                   [&](WCHAR* o) { CapsGetBinNames(ctx, o, kCapsBinNameChars, kItDmDefaultSource); });
        break;
    case 13: printPairs(dc, CapsGetResolutions(ctx, nullptr), [&](int32_t* o) { CapsGetResolutions(ctx, o); }); break;
    case 4:
    case 5: {
        uint16_t wl[2] = {0, 0};
        const int32_t packed = CapsGetExtent(tmpl, wl, dc);
        std::cout << wordOf(dc) << ": " << wl[0] << " x " << wl[1] << " (0x" << std::hex << std::setw(8)
                  << std::setfill('0') << static_cast<uint32_t>(packed) << std::dec << std::setfill(' ') << ")\n";
        break;
    }
    case 17: std::cout << wordOf(dc) << ": " << GetSettingsField6(tmpl) << "\n"; break;
    case 7: std::cout << wordOf(dc) << ": " << duplexAnswer(printer) << "\n"; break;
    case 22: std::cout << wordOf(dc) << ": " << (DeviceHasCapability129(ctx) ? 1 : 0) << "\n"; break;
    case 30: std::cout << wordOf(dc) << ": " << OptHasAllowedValue(ctx, kItRdmStapleType) << "\n"; break;
    default: break;
    }
}

// The printer's handle and the application's DEVMODE, closed with the object.
struct OpenPrinter {
    HANDLE h = nullptr;
    ~OpenPrinter() {
        if (h) ClosePrinter(h);
        processDetach();
    }
};

std::string hexByte(unsigned v) {
    std::ostringstream o;
    o << "0x" << std::hex << std::setw(2) << std::setfill('0') << v;
    return o.str();
}

// One line per summary byte: the value and what each set bit stands for.
void printSummary(const BYTE* s) {
    for (uint32_t i = 0; i < kSummaryBytes; ++i) {
        std::cout << "byte " << std::setw(2) << i << ": " << hexByte(s[i]);
        std::string sep = "  ";
        for (const SummaryBit* b = SummaryBits(); b->group; ++b)
            if (b->byte == i && (s[i] & b->bit)) std::cout << sep << b->group << " " << b->value, sep = ", ";
        if (i == 1 && s[i] == 7) std::cout << "  duplex unit fitted";
        if (i == 8 && (s[i] & kSummaryTrayListedBlank)) std::cout << sep << "output tray of the blank column", sep = ", ";
        if (i == 8 && (s[i] & kSummaryTrayListedOther)) std::cout << sep << "output tray of the other column";
        std::cout << "\n";
    }
}

int deviceCaps(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2)
        return fail("usage: vesk printer caps NAME [INDEX...|papers|papernames|papersize|bins|binnames|enumresolutions|"
                    "minextent|maxextent|orientation|duplex|collate|staple|DC_NAME...] [FIELD=VALUE...]");
    std::vector<int> questions, indices;
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        char* end = nullptr;
        const long index = std::strtol(words[i].c_str(), &end, 10);
        if (eq != std::string::npos) {
            if (eq == 0) return fail("'" + words[i] + "' is not FIELD=VALUE");
            fields.emplace_back(words[i].substr(0, eq), words[i].substr(eq + 1));
        } else if (!words[i].empty() && !*end) {
            if (index < 0 || index > 0xFFFF) return fail("'" + words[i] + "' is not a capability index");
            indices.push_back(static_cast<int>(index));
        } else if (int dc = questionOf(words[i])) {
            questions.push_back(dc);
        } else {
            return fail("'" + words[i] + "' is not a device capability this command asks");
        }
    }
    // Numbers, or no question at all, go the application's way: through
    // DeviceCapabilitiesW to the printer's interface library.
    if (questions.empty()) return CapsThroughApplication(args, words[1], indices, fields);
    if (!indices.empty()) return fail("name the questions either by word or by number");
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    const std::u16string name = winsim::fromUtf8(words[1]);
    if (!winsim::findPrinter(name)) return fail("no printer named '" + words[1] + "'");
    OpenPrinter p;
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &p.h, &pd)) return fail("cannot open '" + words[1] + "'");
    std::vector<uint8_t> dm = PrinterJobDevmode(p.h, name);
    ReleaseDriverDevmodes();
    DrvContext* ctx = CtxCreateEx(p.h, p.h, nullptr, 0, kCreateDeviceCaps, 0, nullptr);
    if (!ctx || !ctx->model) {
        CtxReleaseEx(ctx, kReleaseFree);
        return fail("cannot open the driver of '" + words[1] + "' (is its model description installed?)");
    }
    bool ok = true;
    if (!dm.empty()) {
        ok = SetDevmodeFields(ctx, dm, fields, nullptr, &error);
        if (ok && !DmMergeDevmode(ctx, dm.data(), dm.size(), kCapsMergeFlags))
            ok = false, error = "the driver could not merge the DEVMODE";
    } else if (!fields.empty()) {
        ok = false, error = "the driver of '" + words[1] + "' gives no DEVMODE to change";
    }
    if (ok)
        for (int dc : questions) answer(ctx, p.h, dc);
    CtxReleaseEx(ctx, kReleaseCache1);
    return ok ? 0 : fail(error);
}

int summary(const Args& args, const std::vector<std::string>& words, const std::string* requestHex) {
    if (words.size() != 2) return fail("usage: vesk printer summary NAME [--request HEX]");
    std::vector<uint8_t> block;
    if (requestHex) {
        std::string digits;
        for (char c : *requestHex)
            if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
        if (digits.size() % 2) return fail("--request takes 32 bytes in hexadecimal");
        for (size_t i = 0; i < digits.size(); i += 2) {
            char* end = nullptr;
            const std::string b = digits.substr(i, 2);
            const long v = std::strtol(b.c_str(), &end, 16);
            if (*end || !std::isxdigit(static_cast<unsigned char>(b[0]))) return fail("--request takes 32 bytes in hexadecimal");
            block.push_back(static_cast<uint8_t>(v));
        }
        if (block.size() != kSummaryBytes) return fail("--request takes 32 bytes in hexadecimal");
    }
    std::string error;
    auto pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* ctx = pc->ctx;
    const DmSizes& s = dmSizes();
    const DmItem* member = ItemFindById(ctx, kItRdmKwomMember);
    const DmItem* caps = ItemFindById(ctx, kItRdmKwomCaps);
    if (!member || !caps) return fail("the driver has no summary items");
    if (!requestHex) {
        if (!CapsBuildSummary(ctx)) return fail("the summary could not be built (no memory)");
        const std::vector<uint8_t> dm(ctx->devmode, ctx->devmode + s.totalSize);
        if (DWORD e = winsim::setPrinterDevmode(winsim::fromUtf8(words[1]), dm); e != ERROR_SUCCESS)
            return fail("cannot set the DEVMODE of '" + words[1] + "': " + winsim::spoolerErrorText(e));
        std::cout << "printer '" << words[1] << "': capability summary (rdmKwomCaps, DEVMODE offset " << caps->offset
                  << ") written into its default DEVMODE\n";
        printSummary(ctx->devmode + caps->offset);
        return 0;
    }
    std::vector<uint8_t> before(ctx->devmode, ctx->devmode + s.totalSize), after = before;
    std::memcpy(after.data() + member->offset, block.data(), kSummaryBytes);
    uint32_t mask = 0;
    const int r = CapsApplySummary(ctx, after.data(), &mask);
    std::cout << "request (rdmKwomMember, DEVMODE offset " << member->offset << "), mode " << int(block[kReqMode])
              << (block[kReqValid] == 1 ? "" : ", not valid (byte 1 is not 1): nothing is applied") << "\n";
    std::cout << "result " << r << ", change mask 0x" << std::hex << std::setw(5) << std::setfill('0') << mask
              << std::dec << std::setfill(' ');
    std::string sep = " (";
    for (int i = 0; i < kSummaryItemCount; ++i)
        if (mask & (1u << i)) {
            const DmItem* it = ItemFindById(ctx, SummaryItemIds()[i]);
            std::cout << sep << (it ? DmItemName(*it) : std::to_string(SummaryItemIds()[i])), sep = ", ";
        }
    std::cout << (sep == ", " ? ")" : "") << "\n";
    std::cout << "items changed in the copy of the DEVMODE:\n";
    PrintItemChanges(ctx, before.data(), after.data(), false);
    return r ? 0 : fail("the request was not applied (the device query failed)");
}

}  // namespace

int printerCaps(const Args& args, const std::vector<std::string>& words, const std::optional<std::string>& request) {
    if (!words.empty() && words[0] == "summary") return summary(args, words, request ? &*request : nullptr);
    if (request) return fail("--request belongs to vesk printer summary");
    return deviceCaps(args, words);
}

}  // namespace vesk::host
