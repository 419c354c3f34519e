// vesk printer properties | convert | event | upgrade | query, and the
// application's path of vesk printer caps: the host plays the application
// (DocumentPropertiesW, DeviceCapabilitiesW) and the spooler (the interface
// library's conversion, printer events, upgrade and job check).
#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <win/windows.h>
#include <win/user.h>
#include <win/winddiui.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/devmode/dm_layout.h"
#include "core/process.h"
#include "devmode_merge.h"
#include "printer_context.h"
#include "printer_ui.h"

namespace vesk::host {
namespace {

using winsim::fromUtf8;
using winsim::toUtf8;

std::string hex(uint32_t v, int width = 8) {
    std::ostringstream o;
    o << "0x" << std::hex << std::setw(width) << std::setfill('0') << v;
    return o.str();
}

uint16_t rd16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
int16_t rds16(const std::vector<uint8_t>& b, size_t at) { return static_cast<int16_t>(rd16(b, at)); }
uint32_t rd32(const std::vector<uint8_t>& b, size_t at) { return rd16(b, at) | (uint32_t{rd16(b, at + 2)} << 16); }

std::string wideField(const uint8_t* p, size_t chars) {
    std::u16string s;
    for (size_t i = 0; i < chars; ++i) {
        const char16_t c = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
        if (!c) break;
        s += c;
    }
    return toUtf8(s);
}

// A printer opened for the command, with the host's copy of the driver
// library given back at the end.
struct Session {
    HANDLE printer = nullptr;
    std::u16string name;
    ~Session() {
        if (printer) ClosePrinter(printer);
        processDetach();
    }
};

bool openSession(const Args& args, const std::string& name, Session& s, std::string* error) {
    if (!openMachine(args, error)) return false;
    s.name = fromUtf8(name);
    if (!winsim::findPrinter(s.name)) {
        *error = "no printer named '" + name + "'";
        return false;
    }
    if (!OpenPrinterW(s.name.data(), &s.printer, nullptr)) {
        *error = "cannot open '" + name + "': " + winsim::spoolerErrorText(GetLastError());
        return false;
    }
    return true;
}

// The printer's interface library, loaded as the spooler loads it.
struct InterfaceLibrary {
    HMODULE module = nullptr;
    ~InterfaceLibrary() {
        if (module) FreeLibrary(module);
    }
    bool load(HANDLE printer, std::string* error) {
        DWORD needed = 0;
        GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
        std::vector<uint8_t> block(needed ? needed : 1);
        if (!needed || !GetPrinterDriverW(printer, nullptr, 2, block.data(), needed, &needed)) {
            *error = "the printer's driver is not installed";
            return false;
        }
        const auto* d = reinterpret_cast<const DRIVER_INFO_2W*>(block.data());
        module = d->pConfigFile ? LoadLibraryW(d->pConfigFile) : nullptr;
        if (!module) *error = "cannot load the printer's interface library";
        return module != nullptr;
    }
    template <class Fn>
    Fn entry(const char* name, std::string* error) const {
        auto f = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (!f) *error = std::string("the interface library has no ") + name;
        return f;
    }
};

// FIELD=VALUE words; a paper given by a form name takes the form's number.
bool parseFields(const std::vector<std::string>& words, size_t from, std::vector<std::pair<std::string, std::string>>& out,
                 std::string* error) {
    for (size_t i = from; i < words.size(); ++i) {
        std::string w = words[i];
        if (w == "--set") continue;
        const size_t eq = w.find('=');
        if (eq == std::string::npos || eq == 0) {
            *error = "'" + w + "' is not FIELD=VALUE";
            return false;
        }
        out.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    }
    return true;
}

bool resolvePaperNames(std::vector<std::pair<std::string, std::string>>& fields, std::string* error) {
    const auto forms = winsim::listForms();
    for (auto& [key, value] : fields) {
        if (key != "paper" || value.empty() || std::isdigit(static_cast<unsigned char>(value[0]))) continue;
        size_t i = 0;
        while (i < forms.size() && strcasecmp(toUtf8(forms[i].name).c_str(), value.c_str()) != 0) ++i;
        if (i == forms.size()) {
            *error = "no form named '" + value + "'";
            return false;
        }
        value = std::to_string(i + 1);
    }
    return true;
}

// The DEVMODE an application starts from: the size, then the printer's
// DEVMODE from DocumentPropertiesW, then the fields set in it.
bool applicationDevmode(const Args& args, Session& s, std::vector<std::pair<std::string, std::string>> fields,
                        std::vector<uint8_t>& dm, std::string* error) {
    const LONG size = DocumentPropertiesW(nullptr, s.printer, s.name.data(), nullptr, nullptr, 0);
    if (size <= 0) {
        *error = "DocumentPropertiesW gives no DEVMODE size (" + std::to_string(size) + ")";
        return false;
    }
    dm.assign(static_cast<size_t>(size), 0);
    const LONG r = DocumentPropertiesW(nullptr, s.printer, s.name.data(), reinterpret_cast<PDEVMODEW>(dm.data()),
                                       nullptr, DM_OUT_BUFFER);
    if (r < 0) {
        *error = "DocumentPropertiesW could not give the printer's DEVMODE (" + std::to_string(r) + ")";
        return false;
    }
    if (fields.empty()) return true;
    if (!resolvePaperNames(fields, error)) return false;
    auto pc = OpenPrinterContext(args, toUtf8(s.name), error);
    return pc && SetDevmodeFields(pc->ctx, dm, fields, nullptr, error);
}

std::string fieldsText(uint32_t f) {
    static const char* const kNames[] = {"ORIENTATION", "PAPERSIZE", "PAPERLENGTH", "PAPERWIDTH", "SCALE", "POSITION",
                                         "NUP", "DISPLAYORIENTATION", "COPIES", "DEFAULTSOURCE", "PRINTQUALITY",
                                         "COLOR", "DUPLEX", "YRESOLUTION", "TTOPTION", "COLLATE", "FORMNAME",
                                         "LOGPIXELS", "BITSPERPEL", "PELSWIDTH", "PELSHEIGHT", "DISPLAYFLAGS",
                                         "DISPLAYFREQUENCY", "ICMMETHOD", "ICMINTENT", "MEDIATYPE", "DITHERTYPE"};
    std::string out = hex(f);
    std::string sep = " (";
    for (size_t i = 0; i < sizeof kNames / sizeof kNames[0]; ++i)
        if (f & (1u << i)) out += sep + kNames[i], sep = " ";
    return sep == " " ? out + ")" : out;
}

// The DEVMODE field by field: the public part and the private header.
void printDevmode(const std::vector<uint8_t>& dm) {
    if (dm.size() < 72) {
        std::cout << "  (" << dm.size() << " bytes: too short for a DEVMODE)\n";
        return;
    }
    const size_t size = rd16(dm, 68);
    std::cout << "  dmDeviceName     \"" << wideField(dm.data(), 32) << "\"\n"
              << "  dmSpecVersion    " << hex(rd16(dm, 64), 4) << "\n"
              << "  dmDriverVersion  " << hex(rd16(dm, 66), 4) << "\n"
              << "  dmSize           " << size << "\n"
              << "  dmDriverExtra    " << rd16(dm, 70) << "\n";
    if (dm.size() < 166 || size < 166) return;
    std::cout << "  dmFields         " << fieldsText(rd32(dm, 72)) << "\n";
    static const struct {
        const char* name;
        size_t at;
    } kShorts[] = {{"dmOrientation", 76}, {"dmPaperSize", 78},    {"dmPaperLength", 80}, {"dmPaperWidth", 82},
                   {"dmScale", 84},       {"dmCopies", 86},       {"dmDefaultSource", 88}, {"dmPrintQuality", 90},
                   {"dmColor", 92},       {"dmDuplex", 94},       {"dmYResolution", 96}, {"dmTTOption", 98},
                   {"dmCollate", 100}};
    for (const auto& f : kShorts) std::cout << "  " << std::left << std::setw(17) << f.name << std::right << rds16(dm, f.at) << "\n";
    std::cout << "  dmFormName       \"" << wideField(dm.data() + 102, 32) << "\"\n";
    if (dm.size() >= 220 && size >= 220) {
        std::cout << "  dmNup            " << rd32(dm, 180) << "\n"
                  << "  dmICMMethod      " << rd32(dm, 188) << "\n"
                  << "  dmICMIntent      " << rd32(dm, 192) << "\n"
                  << "  dmMediaType      " << rd32(dm, 196) << "\n"
                  << "  dmDitherType     " << rd32(dm, 200) << "\n";
    }
    if (dm.size() >= 361 && std::memcmp(dm.data() + 349, "priv", 4) == 0)
        std::cout << "  private part     \"priv\", " << rd32(dm, 353) << " bytes, version " << hex(rd32(dm, 357)) << "\n";
}

int properties(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2) return fail("usage: vesk printer properties NAME [--set FIELD=VALUE ...]");
    std::vector<std::pair<std::string, std::string>> fields;
    std::string error;
    if (!parseFields(words, 2, fields, &error)) return fail(error);
    Session s;
    if (!openSession(args, words[1], s, &error)) return fail(error);
    std::vector<uint8_t> in;
    if (!applicationDevmode(args, s, fields, in, &error)) return fail(error);
    std::vector<uint8_t> out(in.size(), 0);
    const LONG r = DocumentPropertiesW(nullptr, s.printer, s.name.data(), reinterpret_cast<PDEVMODEW>(out.data()),
                                       reinterpret_cast<PDEVMODEW>(in.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
    std::cout << "DocumentPropertiesW(DM_IN_BUFFER | DM_OUT_BUFFER): " << r << (r == IDOK ? " (IDOK)" : "") << "\n";
    if (r < 0) return fail("the driver refused the DEVMODE");
    printDevmode(out);
    return 0;
}

int convert(const Args& args, const std::vector<std::string>& words) {
    bool defaults = false;
    long fromVersion = -1;
    std::vector<std::string> rest;
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i] == "--defaults") {
            defaults = true;
        } else if (words[i] == "--from-version" && i + 1 < words.size()) {
            char* end = nullptr;
            fromVersion = std::strtol(words[++i].c_str(), &end, 0);
            if (*end || fromVersion < 0 || fromVersion > 0xFFFF) return fail("--from-version takes a number 0-65535");
        } else {
            rest.push_back(words[i]);
        }
    }
    if (rest.size() != 1 || (defaults && fromVersion >= 0))
        return fail("usage: vesk printer convert NAME [--defaults | --from-version N]");
    std::string error;
    Session s;
    if (!openSession(args, rest[0], s, &error)) return fail(error);
    InterfaceLibrary lib;
    if (!lib.load(s.printer, &error)) return fail(error);
    using ConvertFn = BOOL(WINAPI*)(LPWSTR, PDEVMODEW, PDEVMODEW, LONG*, DWORD);
    auto convertFn = lib.entry<ConvertFn>("DrvConvertDevMode", &error);
    if (!convertFn) return fail(error);

    std::vector<uint8_t> out(1260, 0);
    std::vector<uint8_t> in;
    DWORD mode = CDM_DRIVER_DEFAULT;
    if (!defaults) {
        if (!applicationDevmode(args, s, {}, in, &error)) return fail(error);
        if (fromVersion >= 0 && in.size() >= 361) {
            const uint32_t v = (rd32(in, 357) & 0xFFFF) | (static_cast<uint32_t>(fromVersion) << 16);
            for (int k = 0; k < 4; ++k) in[357 + k] = static_cast<uint8_t>(v >> (8 * k));
        }
        out = in;
        mode = CDM_CONVERT;
    }
    LONG size = static_cast<LONG>(out.size());
    SetLastError(0);
    const BOOL ok = convertFn(s.name.data(), in.empty() ? nullptr : reinterpret_cast<PDEVMODEW>(in.data()),
                              reinterpret_cast<PDEVMODEW>(out.data()), &size, mode);
    const DWORD e = GetLastError();
    std::cout << "DrvConvertDevMode(" << (mode == CDM_CONVERT ? "CDM_CONVERT" : "CDM_DRIVER_DEFAULT") << "): "
              << (ok ? "TRUE" : "FALSE") << ", size " << size;
    if (!ok) std::cout << ", error " << e << " (" << winsim::spoolerErrorText(e) << ")";
    std::cout << "\n";
    if (!ok) return 1;
    printDevmode(out);
    if (DWORD se = winsim::setPrinterDevmode(s.name, out); se != ERROR_SUCCESS)
        return fail("cannot keep the DEVMODE: " + winsim::spoolerErrorText(se));
    std::cout << "kept as the printer's DEVMODE\n";
    return 0;
}

// The spooler calls of the identity switch and the publication that the
// driver made, in order.
void printSpoolerCalls() {
    for (const auto& j : winsim::journal())
        if (j.function == "RevertToPrinterSelf" || j.function == "ImpersonatePrinterClient" ||
            j.function == "SetPrinterW" || j.function == "WaitForSingleObject" || j.function == "ReleaseMutex")
            std::cout << "  " << j.function << (j.detail.empty() ? "" : " " + j.detail) << "\n";
}

int event(const Args& args, const std::vector<std::string>& words) {
    static const struct {
        const char* word;
        INT code;
    } kEvents[] = {{"add-connection", PRINTER_EVENT_ADD_CONNECTION},
                   {"delete-connection", PRINTER_EVENT_DELETE_CONNECTION},
                   {"initialize", PRINTER_EVENT_INITIALIZE},
                   {"delete", PRINTER_EVENT_DELETE},
                   {"cache-refresh", PRINTER_EVENT_CACHE_REFRESH}};
    INT code = 0;
    if (words.size() == 3)
        for (const auto& e : kEvents)
            if (words[2] == e.word) code = e.code;
    if (!code)
        return fail("usage: vesk printer event NAME initialize|delete|add-connection|delete-connection|cache-refresh");
    std::string error;
    Session s;
    if (!openSession(args, words[1], s, &error)) return fail(error);
    InterfaceLibrary lib;
    if (!lib.load(s.printer, &error)) return fail(error);
    using EventFn = BOOL(WINAPI*)(LPWSTR, INT, DWORD, LPARAM);
    auto eventFn = lib.entry<EventFn>("DrvPrinterEvent", &error);
    if (!eventFn) return fail(error);
    winsim::journalClear();
    winsim::journalEnable(true);
    const BOOL ok = eventFn(s.name.data(), code, 0, 0);
    winsim::journalEnable(false);
    std::cout << "DrvPrinterEvent(" << words[2] << "): " << (ok ? "TRUE" : "FALSE") << "\n";
    printSpoolerCalls();
    return ok ? 0 : 1;
}

int upgrade(const Args& args, const std::vector<std::string>& words) {
    if (words.size() != 2) return fail("usage: vesk printer upgrade NAME");
    std::string error;
    Session s;
    if (!openSession(args, words[1], s, &error)) return fail(error);
    InterfaceLibrary lib;
    if (!lib.load(s.printer, &error)) return fail(error);
    using UpgradeFn = BOOL(WINAPI*)(DWORD, LPBYTE);
    auto upgradeFn = lib.entry<UpgradeFn>("DrvUpgradePrinter", &error);
    if (!upgradeFn) return fail(error);
    std::u16string dir = fromUtf8(winsim::config().driverDir());
    DRIVER_UPGRADE_INFO_1 info{s.name.data(), dir.data()};
    SetLastError(0);
    const BOOL ok = upgradeFn(1, reinterpret_cast<LPBYTE>(&info));
    const DWORD e = GetLastError();
    std::cout << "DrvUpgradePrinter(1): " << (ok ? "TRUE" : "FALSE");
    if (!ok) std::cout << ", error " << e << " (" << winsim::spoolerErrorText(e) << ")";
    std::cout << "\n";
    return ok ? 0 : 1;
}

int query(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2) return fail("usage: vesk printer query NAME [FIELD=VALUE ...]");
    std::vector<std::pair<std::string, std::string>> fields;
    std::string error;
    if (!parseFields(words, 2, fields, &error)) return fail(error);
    Session s;
    if (!openSession(args, words[1], s, &error)) return fail(error);
    std::vector<uint8_t> dm;
    if (!applicationDevmode(args, s, fields, dm, &error)) return fail(error);
    InterfaceLibrary lib;
    if (!lib.load(s.printer, &error)) return fail(error);
    using QueryFn = BOOL(WINAPI*)(PDEVQUERYPRINT_INFO);
    auto queryFn = lib.entry<QueryFn>("DevQueryPrintEx", &error);
    if (!queryFn) return fail(error);
    WCHAR text[256] = {};
    DEVQUERYPRINT_INFO info{};
    info.cbSize = sizeof info;
    info.Level = 1;
    info.hPrinter = s.printer;
    info.pDevMode = reinterpret_cast<PDEVMODEW>(dm.data());
    info.pszErrorStr = text;
    info.cchErrorStr = 256;
    const BOOL ok = queryFn(&info);
    std::cout << "DevQueryPrintEx: " << (ok ? "TRUE (the job may print)" : "FALSE (the job is held)") << "\n";
    if (text[0]) std::cout << "  error text \"" << toUtf8(std::u16string(text)) << "\"\n";
    std::cout << "  dmFields         " << fieldsText(rd32(dm, 72)) << "\n"
              << "  dmPaperSize      " << rds16(dm, 78) << "\n"
              << "  dmPaperWidth     " << rds16(dm, 82) << "\n"
              << "  dmPaperLength    " << rds16(dm, 80) << "\n"
              << "  dmFormName       \"" << wideField(dm.data() + 102, 32) << "\"\n";
    return ok ? 0 : 1;
}

// ---- vesk printer caps through DeviceCapabilitiesW ----

const char* const kCapNames[] = {nullptr,           "DC_FIELDS",         "DC_PAPERS",        "DC_PAPERSIZE",
                                 "DC_MINEXTENT",    "DC_MAXEXTENT",      "DC_BINS",          "DC_DUPLEX",
                                 "DC_SIZE",         "DC_EXTRA",          "DC_VERSION",       "DC_DRIVER",
                                 "DC_BINNAMES",     "DC_ENUMRESOLUTIONS", "DC_FILEDEPENDENCIES", "DC_TRUETYPE",
                                 "DC_PAPERNAMES",   "DC_ORIENTATION",    "DC_COPIES",        "DC_BINADJUST",
                                 "DC_EMF_COMPLIANT", "DC_DATATYPE_PRODUCED", "DC_COLLATE",   "DC_MANUFACTURER",
                                 "DC_MODEL",        "DC_PERSONALITY",    "DC_PRINTRATE",     "DC_PRINTRATEUNIT",
                                 "DC_PRINTERMEM",   "DC_MEDIAREADY",     "DC_STAPLE",        "DC_PRINTRATEPPM",
                                 "DC_COLORDEVICE",  "DC_NUP"};
constexpr int kLastCap = 33;

void printNames(const std::vector<WCHAR>& buf, int n, size_t chars) {
    for (int i = 0; i < n; ++i) {
        std::u16string name(buf.data() + static_cast<size_t>(i) * chars, chars);
        name.resize(std::char_traits<char16_t>::length(name.c_str()));
        std::cout << "  \"" << toUtf8(name) << "\"\n";
    }
}

void askOne(const std::u16string& name, int dc, const DEVMODEW* dm) {
    const char* label = dc >= 1 && dc <= kLastCap ? kCapNames[dc] : "index";
    const int n = DeviceCapabilitiesW(name.c_str(), nullptr, static_cast<WORD>(dc), nullptr, dm);
    std::cout << label << " (" << dc << "): " << n;
    if (n < 0) {
        std::cout << " (not answered)\n";
        return;
    }
    // The list questions: their entries, in a buffer of the size the count asks.
    auto fill = [&](size_t bytes) {
        std::vector<uint8_t> b(std::max<size_t>(bytes, 8), 0);
        DeviceCapabilitiesW(name.c_str(), nullptr, static_cast<WORD>(dc), reinterpret_cast<LPWSTR>(b.data()), dm);
        return b;
    };
    auto u16 = [](const std::vector<uint8_t>& b, size_t i) { return static_cast<uint16_t>(b[2 * i] | (b[2 * i + 1] << 8)); };
    auto i32 = [](const std::vector<uint8_t>& b, size_t i) {
        uint32_t v = 0;
        std::memcpy(&v, b.data() + 4 * i, 4);
        return static_cast<int32_t>(v);
    };
    auto names = [&](size_t chars) {
        auto b = fill(static_cast<size_t>(n) * chars * 2);
        std::vector<WCHAR> w(b.size() / 2 + 1, 0);
        std::memcpy(w.data(), b.data(), b.size() & ~size_t{1});
        std::cout << "\n";
        printNames(w, n, chars);
    };
    switch (dc) {
    case DC_FIELDS: std::cout << " = " << fieldsText(static_cast<uint32_t>(n)) << "\n"; return;
    case DC_PAPERS:
    case DC_BINS: {
        auto b = fill(static_cast<size_t>(n) * 2);
        std::cout << "\n";
        for (int i = 0; i < n; ++i) std::cout << "  " << u16(b, static_cast<size_t>(i)) << "\n";
        return;
    }
    case DC_PAPERSIZE:
    case DC_ENUMRESOLUTIONS: {
        auto b = fill(static_cast<size_t>(n) * 8);
        std::cout << "\n";
        for (int i = 0; i < n; ++i)
            std::cout << "  " << i32(b, 2 * static_cast<size_t>(i)) << " x " << i32(b, 2 * static_cast<size_t>(i) + 1)
                      << (dc == DC_PAPERSIZE ? " (0.1 mm)" : " dpi") << "\n";
        return;
    }
    case DC_MINEXTENT:
    case DC_MAXEXTENT:
        std::cout << " = " << (n & 0xFFFF) << " x " << ((static_cast<uint32_t>(n) >> 16) & 0xFFFF) << " (0.1 mm)\n";
        return;
    case DC_BINNAMES: names(24); return;
    case DC_PAPERNAMES:
    case DC_MEDIAREADY: names(64); return;
    case DC_PERSONALITY: names(32); return;
    case DC_VERSION:
    case DC_DRIVER: std::cout << " = " << hex(static_cast<uint32_t>(n), 4) << "\n"; return;
    case DC_TRUETYPE:
        std::cout << " =" << ((n & DCTT_BITMAP) ? " DCTT_BITMAP" : "") << ((n & DCTT_DOWNLOAD) ? " DCTT_DOWNLOAD" : "")
                  << ((n & DCTT_SUBDEV) ? " DCTT_SUBDEV" : "") << "\n";
        return;
    case DC_PRINTRATEUNIT: std::cout << (n == PRINTRATEUNIT_PPM ? " (pages per minute)" : "") << "\n"; return;
    case DC_NUP: {
        auto b = fill(static_cast<size_t>(n) * 4);
        std::cout << " =";
        for (int i = 0; i < n; ++i) std::cout << " " << i32(b, static_cast<size_t>(i));
        std::cout << "\n";
        return;
    }
    default: std::cout << "\n"; return;
    }
}

}  // namespace

void PrintDevmodePublic(const std::vector<uint8_t>& dm) { printDevmode(dm); }

int CapsThroughApplication(const Args& args, const std::string& printer, const std::vector<int>& indices,
                           const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string error;
    Session s;
    if (!openSession(args, printer, s, &error)) return fail(error);
    std::vector<uint8_t> dm;
    if (!fields.empty() && !applicationDevmode(args, s, fields, dm, &error)) return fail(error);
    const auto* devmode = dm.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(dm.data());
    if (indices.empty())
        for (int dc = 1; dc <= kLastCap; ++dc) askOne(s.name, dc, devmode);
    for (int dc : indices) askOne(s.name, dc, devmode);
    return 0;
}

int printerUi(const Args& args) {
    const std::vector<std::string>& w = args.words;
    if (w.empty()) return fail("printer needs a subcommand");
    if (w[0] == "properties") return properties(args, w);
    if (w[0] == "convert") return convert(args, w);
    if (w[0] == "event") return event(args, w);
    if (w[0] == "upgrade") return upgrade(args, w);
    if (w[0] == "query") return query(args, w);
    return fail("unknown printer subcommand '" + w[0] + "'");
}

bool isPrinterUiCommand(const std::string& word) {
    return word == "properties" || word == "convert" || word == "event" || word == "upgrade" || word == "query";
}

}  // namespace vesk::host
