// vesk api PRINTER caps [ID|all|bitmap]: the capability items of the
// versioned API as an outside application reads them. veskexc.dll is loaded
// from the printer's driver directory, its entries bound by name, and each
// item asked with a count query first and then with a buffer of that size.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <win/codepage.h>
#include <win/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"

namespace vesk::host {
namespace {

const char kCapsUsage[] =
    "usage: vesk api PRINTER caps [ID|all|bitmap]\n"
    "  Opens a versioned-API handle of veskexc.dll for the printer and prints\n"
    "  capability item ID (1-56), every item (all, the default, which also\n"
    "  builds and frees the record of all items) or the 32-byte bitmap.\n"
    "  Lists are decoded: bins and output trays with their names, papers with\n"
    "  names and sizes, resolution ids with their dots per inch.\n";

using GetCapsFn = intptr_t(WINAPI*)(void*, uint32_t, void*);

enum class Kind { Number, List, Names24, Names64, Sizes, Halves };
struct ItemInfo {
    const char* name;
    Kind kind;
};
// The items in id order (index = id - 1).
constexpr ItemInfo kItems[56] = {
    {"capability items", Kind::Number},  {"input bins", Kind::List},
    {"input bin names", Kind::Names24},  {"media types", Kind::List},
    {"media type names", Kind::Names64}, {"output trays", Kind::List},
    {"output tray names", Kind::Names64}, {"colour machine", Kind::Number},
    {"landscape rotation", Kind::Number}, {"papers", Kind::List},
    {"paper names", Kind::Names64},      {"paper sizes", Kind::Sizes},
    {"largest paper extent", Kind::Halves}, {"smallest paper extent", Kind::Halves},
    {"output paper sizes", Kind::List},  {"output paper names", Kind::Names64},
    {"most copies", Kind::Number},       {"print methods", Kind::List},
    {"scaling types", Kind::Number},     {"largest scale", Kind::Halves},
    {"smallest scale", Kind::Halves},    {"cover sheets", Kind::Number},
    {"mark sheets", Kind::Number},       {"item 24", Kind::Number},
    {"duplex unit", Kind::Number},       {"odd margin max (0.1 mm)", Kind::Number},
    {"odd margin min (0.1 mm)", Kind::Number}, {"even margin max (0.1 mm)", Kind::Number},
    {"even margin min (0.1 mm)", Kind::Number}, {"watermark kinds", Kind::List},
    {"stamps", Kind::Number},            {"stamp ids", Kind::List},
    {"stamp names", Kind::Names64},      {"shift margin", Kind::Number},
    {"simplex margin max (0.1 mm)", Kind::Number}, {"simplex margin min (0.1 mm)", Kind::Number},
    {"shift margin max (0.1 mm)", Kind::Number}, {"shift margin min (0.1 mm)", Kind::Number},
    {"sort types", Kind::List},          {"staple types", Kind::List},
    {"punch types", Kind::List},         {"output direction", Kind::Number},
    {"orderly output", Kind::Number},    {"white paper output", Kind::Number},
    {"emulations", Kind::List},          {"user id", Kind::Number},
    {"print areas", Kind::List},         {"paper rotation", Kind::Number},
    {"job linking", Kind::Number},       {"hard disk", Kind::Number},
    {"hard disk (2)", Kind::Number},     {"stored printing", Kind::Number},
    {"form overlay", Kind::Number},      {"resolutions", Kind::List},
    {"colour planes", Kind::Number},     {"mark paper types", Kind::List},
};

// Dots per inch of the resolution table's ids.
int dpiOfResolutionId(uint32_t id) {
    switch (id) {
    case 1: return 300;
    case 2: return 400;
    case 3: case 17: case 18: return 600;
    case 4: return 1200;
    case 5: return 2400;
    default: return 0;
    }
}

struct Api {
    HMODULE module = nullptr;
    void*(WINAPI* enable)(const char*) = nullptr;
    int32_t(WINAPI* disable)(void*) = nullptr;
    GetCapsFn getCaps = nullptr;
    Api() = default;
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;
    ~Api() {
        if (module) FreeLibrary(module);
    }
};

template <class F>
void bindEntry(HMODULE m, const char* name, F* out, std::string* missing) {
    *out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    if (!*out) *missing += std::string(missing->empty() ? "" : ", ") + name;
}

bool loadApi(const std::u16string& printer, Api& api, std::string* error) {
    auto p = winsim::findPrinter(printer);
    if (!p) return *error = "no printer named '" + winsim::toUtf8(printer) + "'", false;
    auto d = winsim::findDriver(p->driver);
    if (!d) return *error = "the driver of '" + winsim::toUtf8(printer) + "' is not installed", false;
    const size_t slash = d->driverPath.find_last_of(u'\\');
    const std::u16string path =
        (slash == std::u16string::npos ? u"" : d->driverPath.substr(0, slash + 1)) + u"veskexc.dll";
    api.module = LoadLibraryW(path.c_str());
    if (!api.module)
        return *error = "cannot load " + winsim::toUtf8(path) + " (error " + std::to_string(GetLastError()) + ")", false;
    std::string missing;
    bindEntry(api.module, "VESKDrvEnable", &api.enable, &missing);
    bindEntry(api.module, "VESKDrvDisable", &api.disable, &missing);
    bindEntry(api.module, "VESKDrvGetCaps", &api.getCaps, &missing);
    if (!missing.empty()) return *error = winsim::toUtf8(path) + " lacks " + missing, false;
    return true;
}

std::string ansiText(const char* b, size_t bytes) {
    std::string s(b, strnlen(b, bytes));
    // Shown as UTF-8 through the machine's ANSI code page.
    std::u16string w(s.size() + 1, u'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), static_cast<int>(w.size()));
    w.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return winsim::toUtf8(w);
}

class CapsSession {
public:
    CapsSession(const Api& api, void* h) : api_(api), h_(h) {}

    // One item: the answer and, for a list, its decoded entries.
    void item(uint32_t id) {
        const ItemInfo& info = kItems[id - 1];
        const intptr_t n = api_.getCaps(h_, id, nullptr);
        std::printf("%2u %-28s ", static_cast<unsigned>(id), info.name);
        switch (info.kind) {
        case Kind::Number: std::printf("%ld%s\n", static_cast<long>(n), n == -1 ? " (cannot be given)" : ""); return;
        case Kind::Halves: {
            uint16_t pair[2] = {};
            const intptr_t r = api_.getCaps(h_, id, pair);
            if (r == -1) std::printf("-1 (cannot be given)\n");
            else std::printf("0x%08lx: %d x %d\n", static_cast<unsigned long>(r) & 0xFFFFFFFFul,
                             static_cast<int16_t>(pair[0]), static_cast<int16_t>(pair[1]));
            return;
        }
        default: break;
        }
        if (n <= 0) {
            std::printf("%ld%s\n", static_cast<long>(n), n == -1 ? " (cannot be given)" : " (none)");
            return;
        }
        std::printf("%ld %s\n", static_cast<long>(n), n == 1 ? "entry" : "entries");
        const size_t entry = info.kind == Kind::Names24 ? 24 : info.kind == Kind::Names64 ? 64 : info.kind == Kind::Sizes ? 8 : 4;
        std::vector<char> b(static_cast<size_t>(n) * entry);
        const intptr_t got = api_.getCaps(h_, id, b.data());
        if (got <= 0) {
            std::printf("     fill: %ld\n", static_cast<long>(got));
            return;
        }
        for (size_t i = 0; i < static_cast<size_t>(got); ++i) {
            const char* e = b.data() + i * entry;
            if (info.kind == Kind::Names24 || info.kind == Kind::Names64) {
                std::printf("     \"%s\"\n", ansiText(e, entry).c_str());
            } else if (info.kind == Kind::Sizes) {
                int32_t wl[2];
                std::memcpy(wl, e, sizeof wl);
                std::printf("     %d x %d (0.1 mm)\n", wl[0], wl[1]);
            } else {
                uint32_t v;
                std::memcpy(&v, e, sizeof v);
                std::printf("     %u%s\n", v, decoration(id, i, v).c_str());
            }
        }
    }

    void bitmap() {
        BYTE b[32] = {};
        const intptr_t r = api_.getCaps(h_, 0, b);
        std::printf(" 0 bitmap %ld:", static_cast<long>(r));
        for (BYTE x : b) std::printf(" %02X", x);
        std::printf("\n");
    }

    // The record of all items, built and freed through the entry.
    bool aggregate() {
        const intptr_t r = api_.getCaps(h_, 0x80000001u, nullptr);
        std::printf("record of all items: %s\n", r ? "built" : "0 (cannot be built)");
        if (!r) return false;
        const intptr_t f = api_.getCaps(h_, 0x80000002u, reinterpret_cast<void*>(r));
        std::printf("record freed: %ld\n", static_cast<long>(f));
        return f == 1;
    }

private:
    // Names and sizes that belong to entry i of a value list.
    std::string decoration(uint32_t id, size_t i, uint32_t v) {
        auto nameOf = [&](uint32_t namesId, size_t bytes) -> std::string {
            const intptr_t n = api_.getCaps(h_, namesId, nullptr);
            if (n <= 0 || i >= static_cast<size_t>(n)) return {};
            std::vector<char> names(static_cast<size_t>(n) * bytes);
            if (api_.getCaps(h_, namesId, names.data()) <= static_cast<intptr_t>(i)) return {};
            return "  \"" + ansiText(names.data() + i * bytes, bytes) + "\"";
        };
        switch (id) {
        case 2: return nameOf(3, 24);
        case 4: return nameOf(5, 64);
        case 6: return nameOf(7, 64);
        case 15: return nameOf(16, 64);
        case 10: {
            std::string s = nameOf(11, 64);
            const intptr_t n = api_.getCaps(h_, 12, nullptr);
            if (n > 0 && i < static_cast<size_t>(n)) {
                std::vector<int32_t> sz(static_cast<size_t>(n) * 2);
                if (api_.getCaps(h_, 12, sz.data()) > static_cast<intptr_t>(i))
                    s += "  " + std::to_string(sz[i * 2]) + " x " + std::to_string(sz[i * 2 + 1]) + " (0.1 mm)";
            }
            return s;
        }
        case 54: {
            const int dpi = dpiOfResolutionId(v);
            return dpi ? "  (" + std::to_string(dpi) + " dpi)" : "";
        }
        default: return {};
        }
    }

    const Api& api_;
    void* h_;
};

std::string ansiName(const std::u16string& name) {
    std::string out(name.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, out.data(), static_cast<int>(out.size()), nullptr,
                                      nullptr);
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

}  // namespace

int RunApiCaps(int argc, char** argv) {
    std::vector<std::string> w(argv, argv + argc);
    for (const auto& a : w)
        if (a == "--help" || a == "-h") {
            std::fputs(kCapsUsage, stdout);
            return 0;
        }
    if (w.size() < 2 || w.size() > 3 || w[1] != "caps") {
        std::fputs(kCapsUsage, stderr);
        return 2;
    }
    const std::string what = w.size() == 3 ? w[2] : "all";
    uint32_t id = 0;
    if (what != "all" && what != "bitmap") {
        char* end = nullptr;
        const unsigned long v = std::strtoul(what.c_str(), &end, 10);
        if (what.empty() || *end || v < 1 || v > 56) return fail("caps takes an item id 1-56, all or bitmap");
        id = static_cast<uint32_t>(v);
    }
    const std::u16string printer = winsim::fromUtf8(w[0]);
    Api api;
    std::string error;
    if (!loadApi(printer, api, &error)) return fail(error);
    void* h = api.enable(ansiName(printer).c_str());
    if (!h) return fail("VESKDrvEnable gave no handle for '" + w[0] + "'");
    CapsSession s(api, h);
    bool ok = true;
    if (what == "bitmap") {
        s.bitmap();
    } else if (id) {
        s.item(id);
    } else {
        s.bitmap();
        for (uint32_t i = 1; i <= 56; ++i) s.item(i);
        ok = s.aggregate();
    }
    api.disable(h);
    return ok ? 0 : 1;
}

}  // namespace vesk::host
