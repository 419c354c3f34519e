// vesk api PRINTER status ...: the status items of the versioned API as an
// application uses them. The library is loaded from the printer's driver
// directory, one handle serves every step, records are built from field
// names and printed field by field, and the changed-items bitmap is listed
// by item number and name.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include <win/codepage.h>
#include <win/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/builtin_tables.h"
#include "core/item_ids.h"
#include "core/item_store.h"

namespace vesk::host {
namespace {

const char kUsage[] =
    "usage: vesk api PRINTER STEP [--then STEP]...\n"
    "  Steps on one handle of the versioned API (veskexc.dll of the printer's driver):\n"
    "    status get ID [--version N]           VESKDrvGetStatus, the record by field\n"
    "    status set ID FIELD=VALUE... [--mode N]\n"
    "                                          VESKDrvSetStatus with a record built from\n"
    "                                          field names (version=N sets the record's\n"
    "                                          version; text flags follow the fields given)\n"
    "    status fields ID                      the field names of an item's record\n"
    "    devmode [--mode N]                    VESKDrvGetDevmode (mode 4 by default): the\n"
    "                                          paper fields, the watermark selection and\n"
    "                                          a digest of the handle's DEVMODE bytes\n"
    "  Exit code 0 only when every step succeeded.\n";

const char* const kItemNames[36] = {
    "",          "settings file", "paper source", "media type",   "output tray", "colour",
    "orientation", "paper size",  "output paper", "copies",       "print method", "scale",
    "cover",     "marker paper",  "n-up",         "duplex",       "watermark definition", "watermark selection",
    "margins",   "sort",          "staple",       "punch",        "output direction", "output order",
    "white paper", "emulation",   "user id",      "print area",   "paper rotation", "merge action",
    "proof action", "security action", "stored action", "overlay action", "resolution", "colour planes",
};

struct Field {
    const char* name;
    size_t offset;
    size_t width;  // 0: a 32-bit number
    uint32_t flag = 0;  // the text flag of the method record
};

std::vector<Field> fieldsOf(uint32_t id) {
    if (id == 1) return {{"version", 0, 0}, {"path", 4, 260}, {"name", 264, 37}, {"comment", 301, 513}};
    if (id == 10 || id == 26)
        return {{"version", 0, 0},        {"method", 4, 0},           {"flags", 8, 0},
                {"userid", 12, 9, 0x1},   {"jobpw", 21, 5, 0x2},      {"storedpw", 26, 5, 0x4},
                {"owner", 31, 17, 0x8},   {"document", 48, 17, 0x10}, {"merge", 65, 65, 0x20},
                {"overlay", 130, 260, 0x40}};
    if (id == 16)
        return {{"version", 0, 0},       {"kind", 4, 0},          {"position", 8, 0},      {"opaque", 12, 0},
                {"page", 16, 0},         {"fontstyle", 20, 0},    {"effect", 24, 0},       {"colour", 28, 0},
                {"density", 32, 0},      {"size", 36, 0},         {"angle", 40, 0},        {"text", 44, 33},
                {"font", 77, 32},        {"image", 109, 260},     {"linepitch", 372, 0},   {"textpattern", 376, 0},
                {"tilepattern", 380, 0}, {"tilecolour", 384, 0},  {"tiledensity", 388, 0}, {"tilemask", 392, 0},
                {"flags", 396, 0}};
    // The 32-byte record, with the names of its values for the item.
    std::vector<const char*> names;
    switch (id) {
    case 7: names = {"size", "width", "length"}; break;
    case 11: names = {"type", "h", "v"}; break;
    case 12:
    case 13: names = {"type", "tray"}; break;
    case 15: names = {"type", "odd", "even"}; break;
    case 17: names = {"id"}; break;
    case 18: names = {"bind", "margin", "shift"}; break;
    case 14: case 19: case 20: case 21: names = {"type"}; break;
    case 35: names = {"cyan", "magenta", "yellow", "black"}; break;
    default: names = {"value"}; break;
    }
    std::vector<Field> f{{"version", 0, 0}};
    const char* generic[4] = {"a", "b", "c", "d"};
    for (size_t i = 0; i < 4; ++i) f.push_back({i < names.size() ? names[i] : generic[i], 4 + 4 * i, 0});
    f.push_back({"switch", 28, 0});
    return f;
}

size_t recordSize(uint32_t id, uint32_t version) {
    if (id == 1) return 816;
    if (id == 10 || id == 26) return 392;
    if (id == 16) return version >= 2 || version == 0 ? 412 : 372;
    return 32;
}

uint32_t le32(const std::vector<uint8_t>& r, size_t at) {
    return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | static_cast<uint32_t>(r[at + 3]) << 24;
}
void put32(std::vector<uint8_t>& r, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct Api {
    HMODULE module = nullptr;
    void*(WINAPI* enable)(const char*) = nullptr;
    int32_t(WINAPI* disable)(void*) = nullptr;
    int32_t(WINAPI* setStatus)(void*, uint32_t, void*, void*, int32_t) = nullptr;
    int32_t(WINAPI* getStatus)(void*, uint32_t, void*, uint32_t) = nullptr;
    int32_t(WINAPI* getDevmode)(void*, int32_t, void*) = nullptr;
    void* handle = nullptr;
    Api() = default;
    Api(const Api&) = delete;
    Api& operator=(const Api&) = delete;
    ~Api() {
        if (handle && disable) disable(handle);
        if (module) FreeLibrary(module);
    }
};

template <class F>
void bind(HMODULE m, const char* name, F* out, std::string* missing) {
    *out = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name)));
    if (!*out) *missing += std::string(missing->empty() ? "" : ", ") + name;
}

bool loadApi(const std::string& printer, Api& api, std::string* error) {
    const std::u16string name = winsim::fromUtf8(printer);
    auto p = winsim::findPrinter(name);
    if (!p) return *error = "no printer named '" + printer + "'", false;
    auto d = winsim::findDriver(p->driver);
    if (!d) return *error = "the driver of '" + printer + "' is not installed", false;
    const size_t slash = d->driverPath.find_last_of(u'\\');
    const std::u16string path =
        (slash == std::u16string::npos ? u"" : d->driverPath.substr(0, slash + 1)) + u"veskexc.dll";
    api.module = LoadLibraryW(path.c_str());
    if (!api.module) return *error = "cannot load " + winsim::toUtf8(path), false;
    std::string missing;
    bind(api.module, "VESKDrvEnable", &api.enable, &missing);
    bind(api.module, "VESKDrvDisable", &api.disable, &missing);
    bind(api.module, "VESKDrvSetStatus", &api.setStatus, &missing);
    bind(api.module, "VESKDrvGetStatus", &api.getStatus, &missing);
    bind(api.module, "VESKDrvGetDevmode", &api.getDevmode, &missing);
    if (!missing.empty()) return *error = winsim::toUtf8(path) + " lacks " + missing, false;
    std::string ansi(name.size() * 2 + 1, '\0');
    const int n = WideCharToMultiByte(CP_ACP, 0, name.c_str(), -1, ansi.data(), static_cast<int>(ansi.size()),
                                      nullptr, nullptr);
    ansi.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    api.handle = api.enable(ansi.c_str());
    if (!api.handle) return *error = "VESKDrvEnable found no handle for '" + printer + "'", false;
    return true;
}

void printRecord(uint32_t id, const std::vector<uint8_t>& r) {
    for (const Field& f : fieldsOf(id)) {
        if (f.offset + (f.width ? f.width : 4) > r.size()) continue;
        if (!f.width) {
            std::cout << "  " << f.name << " = " << le32(r, f.offset) << "\n";
            continue;
        }
        const char* text = reinterpret_cast<const char*>(r.data() + f.offset);
        std::cout << "  " << f.name << " = \"" << std::string(text, strnlen(text, f.width)) << "\"\n";
    }
}

// A section-1 item of the DEVMODE by the driver's own item table.
uint32_t itemIn(std::vector<uint8_t>& dm, int id) {
    for (int i = 0; i < builtinItemCount(); ++i)
        if (builtinItems()[i].id == id && itemSection(builtinItems()[i]) == 1)
            return ItemReadRawIn(dm.data(), &builtinItems()[i]);
    return 0;
}

// FNV-1a over the bytes: two DEVMODEs print the same digest when they are
// byte for byte the same.
uint32_t digestOf(const std::vector<uint8_t>& b) {
    uint32_t h = 2166136261u;
    for (uint8_t c : b) h = (h ^ c) * 16777619u;
    return h;
}

bool parseNumber(const std::string& s, uint32_t* out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(s.c_str(), &end, 0);
    if (*end || v > 0xFFFFFFFFull) return false;
    *out = static_cast<uint32_t>(v);
    return true;
}

class Session {
public:
    explicit Session(Api& api) : api_(api) {}
    // Runs one step (its words); false when it failed.
    bool run(const std::vector<std::string>& w);

private:
    bool get(uint32_t id, uint32_t version);
    bool set(uint32_t id, const std::vector<std::string>& pairs, int32_t mode);
    bool devmode(int32_t mode);
    Api& api_;
};

bool Session::get(uint32_t id, uint32_t version) {
    const int32_t size = api_.getStatus(api_.handle, id, nullptr, version);
    std::cout << "VESKDrvGetStatus(" << id << ", size): " << size << "\n";
    if (size <= 0) return false;
    std::vector<uint8_t> r(static_cast<size_t>(size), 0);
    if (id == 10 || id == 26) put32(r, 4, 0);
    const int32_t got = api_.getStatus(api_.handle, id, r.data(), version);
    std::cout << "VESKDrvGetStatus(" << id << "): " << got << (got < 0 ? " (refused)" : "") << "\n";
    if (got <= 0) return false;
    printRecord(id, r);
    return true;
}

bool Session::set(uint32_t id, const std::vector<std::string>& pairs, int32_t mode) {
    const std::vector<Field> fields = fieldsOf(id);
    uint32_t version = id == 16 ? 2 : 3;
    bool flagsGiven = false;
    for (const std::string& p : pairs)
        if (p.rfind("version=", 0) == 0 && !parseNumber(p.substr(8), &version)) {
            std::cerr << "vesk: api status set: bad version '" << p << "'\n";
            return false;
        }
    std::vector<uint8_t> r(recordSize(id, version), 0);
    put32(r, 0, version);
    uint32_t textFlags = 0;
    for (const std::string& p : pairs) {
        const size_t eq = p.find('=');
        const std::string key = eq == std::string::npos ? p : p.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : p.substr(eq + 1);
        const Field* f = nullptr;
        for (const Field& g : fields)
            if (key == g.name) f = &g;
        if (!f || eq == std::string::npos || f->offset + (f->width ? f->width : 4) > r.size()) {
            std::cerr << "vesk: api status set " << id << ": unknown field '" << key << "' (see 'status fields "
                      << id << "')\n";
            return false;
        }
        if (key == "version") continue;
        if (!f->width) {
            uint32_t v = 0;
            if (!parseNumber(value, &v)) {
                std::cerr << "vesk: api status set: '" << key << "' takes a number\n";
                return false;
            }
            put32(r, f->offset, v);
            flagsGiven = flagsGiven || ((id == 10 || id == 26) && key == "flags");
            continue;
        }
        if (value.size() >= f->width) {
            std::cerr << "vesk: api status set: '" << key << "' holds at most " << f->width - 1 << " bytes\n";
            return false;
        }
        std::memcpy(r.data() + f->offset, value.data(), value.size());
        textFlags |= f->flag;
    }
    if ((id == 10 || id == 26) && !flagsGiven) put32(r, 8, textFlags);
    std::vector<uint8_t> changed(32, 0);
    const int32_t rc = api_.setStatus(api_.handle, id, r.data(), changed.data(), mode);
    std::cout << "VESKDrvSetStatus(" << id << ", mode " << mode << "): " << rc
              << (rc == 0 ? " (set)" : rc < 0 ? " (refused)" : " (the driver's record version)") << "\n";
    std::cout << "  changed:";
    bool any = false;
    for (uint32_t i = 1; i <= 35; ++i)
        if (changed[(i - 1) / 8] & (0x80u >> ((i - 1) % 8))) {
            std::cout << (any ? ", " : " ") << i << " " << kItemNames[i];
            any = true;
        }
    std::cout << (any ? "\n" : " none\n");
    return rc >= 0;
}

bool Session::devmode(int32_t mode) {
    const int32_t size = api_.getDevmode(api_.handle, mode, nullptr);
    std::vector<uint8_t> b(size > 0 ? static_cast<size_t>(size) : 0, 0);
    const int32_t rc = size > 0 ? api_.getDevmode(api_.handle, mode, b.data()) : size;
    std::cout << "VESKDrvGetDevmode(mode " << mode << "): " << rc << "\n";
    if (rc <= 0 || b.size() < 84) return false;
    auto u16 = [&](size_t at) { return static_cast<unsigned>(b[at] | b[at + 1] << 8); };
    std::cout << "  dmFields 0x" << std::hex << le32(b, 72) << std::dec << "\n"
              << "  dmOrientation " << u16(76) << ", dmPaperSize " << u16(78) << ", dmPaperLength " << u16(80)
              << ", dmPaperWidth " << u16(82) << "\n";
    if (b.size() >= 1260)
        std::cout << "  watermark switch " << itemIn(b, kItRdmFuncSelectWaterMark) << ", rdmWmID "
                  << itemIn(b, kItRdmWmID) << "\n";
    char digest[16];
    std::snprintf(digest, sizeof digest, "%08x", digestOf(b));
    std::cout << "  bytes " << b.size() << ", digest " << digest << "\n";
    return true;
}

bool Session::run(const std::vector<std::string>& w) {
    auto option = [&](const char* name, uint32_t fallback, std::vector<std::string>* rest) -> int64_t {
        uint32_t v = fallback;
        for (size_t i = 0; i < w.size(); ++i) {
            if (w[i] == name) {
                if (i + 1 >= w.size() || !parseNumber(w[i + 1], &v)) return -1;
                ++i;
            } else if (rest) {
                rest->push_back(w[i]);
            }
        }
        return v;
    };
    if (w.empty()) return false;
    std::cout << "==";
    for (const std::string& s : w) std::cout << " " << s;
    std::cout << "\n";
    if (w[0] == "devmode") {
        const int64_t mode = option("--mode", 4, nullptr);
        return mode >= 0 && devmode(static_cast<int32_t>(mode));
    }
    uint32_t id = 0;
    if (w[0] != "status" || w.size() < 3 || !parseNumber(w[2], &id)) {
        std::cerr << kUsage;
        return false;
    }
    if (w[1] == "fields") {
        for (const Field& f : fieldsOf(id))
            std::cout << "  " << f.name << (f.width ? " (text of " + std::to_string(f.width) + " bytes)" : "") << "\n";
        return true;
    }
    std::vector<std::string> rest;
    if (w[1] == "get") {
        const int64_t version = option("--version", 0, &rest);
        if (version < 0 || rest.size() != 3) return std::cerr << kUsage, false;
        return get(id, static_cast<uint32_t>(version));
    }
    if (w[1] == "set") {
        const int64_t mode = option("--mode", 0, &rest);
        if (mode < 0) return std::cerr << kUsage, false;
        return set(id, std::vector<std::string>(rest.begin() + 3, rest.end()), static_cast<int32_t>(mode));
    }
    std::cerr << kUsage;
    return false;
}

std::vector<std::string> splitWords(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ' ') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

}  // namespace

int RunApiStatus(int argc, char** argv) {
    Args args;
    std::vector<std::string> words;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--machine" && i + 1 < argc) args.machine = argv[++i];
        else if (a == "-h" || a == "--help") return std::cout << kUsage, 0;
        else words.push_back(a);
    }
    if (words.size() < 2) {
        std::cerr << kUsage;
        return 2;
    }
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    // The first step runs up to the first --then; each --then names one more.
    std::vector<std::vector<std::string>> steps(1);
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--then") {
            if (i + 1 >= words.size()) return fail("--then needs a step");
            steps.push_back(splitWords(words[++i]));
        } else {
            steps.front().push_back(words[i]);
        }
    }
    Api api;
    if (!loadApi(words[0], api, &error)) return fail(error);
    bool allOk = true;
    for (const auto& step : steps) allOk = Session(api).run(step) && allOk;
    return allOk ? 0 : 1;
}

}  // namespace vesk::host
