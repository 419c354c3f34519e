// vesk printer add | list | show | data | remove
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <sstream>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "devmode_merge.h"
#include "driver_devmode.h"
#include "model_check.h"
#include "vds.h"

namespace fs = std::filesystem;

namespace vesk::host {
namespace {

constexpr uint32_t kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7;

// Options of a subcommand: "--key value" pairs and flags, then positional words.
struct Options {
    std::vector<std::string> words;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::string> flags;
    std::optional<std::string> get(const std::string& key) const {
        for (const auto& [k, v] : values)
            if (k == key) return v;
        return std::nullopt;
    }
    bool has(const std::string& flag) const {
        for (const auto& f : flags)
            if (f == flag) return true;
        return false;
    }
};

// Splits words into options; `withValue` lists the options that take a value.
bool parseOptions(const std::vector<std::string>& in, const std::vector<std::string>& withValue,
                  const std::vector<std::string>& bare, Options& out, std::string* error) {
    for (size_t i = 0; i < in.size(); ++i) {
        const std::string& w = in[i];
        if (w.rfind("--", 0) != 0) {
            out.words.push_back(w);
            continue;
        }
        std::string key = w, value;
        bool inline_ = false;
        if (size_t eq = w.find('='); eq != std::string::npos) key = w.substr(0, eq), value = w.substr(eq + 1), inline_ = true;
        bool takes = std::find(withValue.begin(), withValue.end(), key) != withValue.end();
        bool isFlag = std::find(bare.begin(), bare.end(), key) != bare.end();
        if (takes) {
            if (!inline_) {
                if (i + 1 >= in.size()) return *error = key + " needs a value", false;
                value = in[++i];
            }
            out.values.emplace_back(key, value);
        } else if (isFlag && !inline_) {
            out.flags.push_back(key);
        } else {
            return *error = "unknown option " + key, false;
        }
    }
    return true;
}

std::u16string w(const std::string& s) { return winsim::fromUtf8(s); }
std::string u8(std::u16string_view s) { return winsim::toUtf8(s); }

std::string hex(const std::vector<uint8_t>& b, size_t max) {
    std::ostringstream o;
    o << std::hex << std::setfill('0');
    for (size_t i = 0; i < b.size() && i < max; ++i) o << (i ? " " : "") << std::setw(2) << int(b[i]);
    if (b.size() > max) o << " ...";
    return o.str();
}

std::u16string utf16le(const std::vector<uint8_t>& b) {
    std::u16string s;
    for (size_t i = 0; i + 1 < b.size(); i += 2) s += static_cast<char16_t>(b[i] | (b[i + 1] << 8));
    return s;
}

std::string typeName(uint32_t t) {
    switch (t) {
        case 0: return "REG_NONE";
        case kRegSz: return "REG_SZ";
        case kRegExpandSz: return "REG_EXPAND_SZ";
        case kRegBinary: return "REG_BINARY";
        case kRegDword: return "REG_DWORD";
        case kRegMultiSz: return "REG_MULTI_SZ";
        default: return "type " + std::to_string(t);
    }
}

// A value as a person reads it; `max` bytes of binary data at most.
std::string decodeValue(const winsim::PrinterValue& v, size_t max) {
    std::ostringstream o;
    o << typeName(v.type) << ", " << v.data.size() << " bytes: ";
    switch (v.type) {
        case kRegSz:
        case kRegExpandSz: {
            std::u16string s = utf16le(v.data);
            bool terminated = !s.empty() && s.back() == u'\0';
            if (terminated) s.pop_back();
            o << '"' << u8(s) << '"' << (terminated ? "" : " (no terminating NUL)");
            break;
        }
        case kRegMultiSz: {
            std::u16string s = utf16le(v.data);
            size_t start = 0;
            bool first = true;
            while (start < s.size() && s[start] != u'\0') {
                size_t end = s.find(u'\0', start);
                if (end == std::u16string::npos) end = s.size();
                o << (first ? "" : ", ") << '"' << u8(s.substr(start, end - start)) << '"';
                first = false;
                start = end + 1;
            }
            break;
        }
        case kRegDword:
            if (v.data.size() == 4) {
                uint32_t d = v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (uint32_t(v.data[3]) << 24);
                o << d << " (0x" << std::hex << d << std::dec << ")";
                break;
            }
            [[fallthrough]];
        default:
            o << hex(v.data, max);
    }
    return o.str();
}

std::string attributeText(uint32_t a) {
    static const std::pair<uint32_t, const char*> kNames[] = {
        {PRINTER_ATTRIBUTE_QUEUED, "queued"},   {PRINTER_ATTRIBUTE_DIRECT, "direct"},
        {PRINTER_ATTRIBUTE_DEFAULT, "default"}, {PRINTER_ATTRIBUTE_SHARED, "shared"},
        {PRINTER_ATTRIBUTE_NETWORK, "network"}, {PRINTER_ATTRIBUTE_HIDDEN, "hidden"},
        {PRINTER_ATTRIBUTE_LOCAL, "local"},     {PRINTER_ATTRIBUTE_ENABLE_BIDI, "bidi"},
        {PRINTER_ATTRIBUTE_PUBLISHED, "published"}};
    std::ostringstream o;
    o << "0x" << std::hex << std::setw(8) << std::setfill('0') << a << std::dec;
    std::string sep = " (";
    for (const auto& [bit, name] : kNames)
        if (a & bit) o << sep << name, sep = ", ";
    if (sep == ", ") o << ")";
    return o.str();
}

bool machineReady(const Args& args, std::string* error) { return openMachine(args, error); }

int printerAdd(const Args& args, const Options& o) {
    if (o.words.size() != 2) return fail("usage: vesk printer add NAME [--driver-name NAME] [--model FILE] [--port PORT] [--connection \\\\SERVER] [--share NAME] [--bidi]");
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    winsim::PrinterRecord p;
    p.name = w(o.words[1]);
    p.server = w(o.get("--connection").value_or(""));
    if (!p.server.empty() && (p.server.size() < 3 || p.server.rfind(u"\\\\", 0) != 0))
        return fail("--connection takes a server name such as \\\\SERVER");
    if (auto port = o.get("--port")) p.port = w(*port);
    if (auto share = o.get("--share")) {
        p.share = w(*share);
        p.attributes |= PRINTER_ATTRIBUTE_SHARED;
    }
    if (o.has("--bidi")) p.attributes |= PRINTER_ATTRIBUTE_ENABLE_BIDI;

    // Check the name before anything is installed, so a bad name changes nothing.
    std::u16string full = p.server.empty() ? p.name : p.server + u"\\" + p.name;
    if (!winsim::isValidPrinterName(full))
        return fail("'" + u8(full) + "' is not a valid printer name (1 to 259 characters, no ',' '!' or '\\')");
    if (winsim::findPrinter(full)) return fail("a printer named '" + u8(full) + "' exists");

    winsim::DriverSetOptions set;
    if (auto d = o.get("--driver-name")) set.driverName = w(*d);
    set.libraryDir = libraryDir();
    if (auto m = o.get("--model")) {
        set.modelFile = *m;
    } else {
#ifdef VESK_SAMPLE_MODEL
        set.modelFile = VESK_SAMPLE_MODEL;
#endif
        std::error_code ec;
        if (set.modelFile.empty() || !fs::is_regular_file(set.modelFile, ec))
            return fail("the sample model description " + set.modelFile.string() +
                        " is not there; name a model description with --model FILE");
    }
    // The terminal-server query library and the spooler-side library belong
    // to the driver set: the driver loads them from its own directory.
    set.extraModules.emplace_back(u"KW00C150.dll", set.libraryDir / "libkw00c150.so");
    set.extraModules.emplace_back(u"KW12C123.DLL", set.libraryDir / "libkw12c123.so");
    // The resource modules: a string library per display language we ship
    // and the bitmap library, under the names the sample model gives.
    for (const char16_t* f : {u"VESKR1us.DLL", u"VESKR1jp.DLL", u"VESKR1gm.DLL", u"VESKC1XX.DLL"})
        set.dataFiles.emplace_back(f, set.libraryDir / u8(f));
#ifdef VESK_SETUP_INI
    // The setup INI (the default free sizes and stamps the lists repair from)
    // and, beside it, the default bundle with its presets and quality files.
    std::error_code dirError;
    for (const auto& f : fs::directory_iterator(fs::path(VESK_SETUP_INI).parent_path(), dirError))
        if (f.is_regular_file(dirError)) set.dataFiles.emplace_back(w(f.path().filename().string()), f.path());
#endif
    // The installer's file of the model database, beside the model description.
    if (const fs::path inst = fs::path(set.modelFile).parent_path() / "KWINST.ini"; fs::is_regular_file(inst))
        set.dataFiles.emplace_back(u"KWINST.ini", inst);
    p.driver = set.driverName;
    if (DWORD e = winsim::installDriverSet(set, &error); e != ERROR_SUCCESS)
        return fail("cannot install the driver set: " + error);
    installExpandProgram();
    if (DWORD e = winsim::addPrinter(p); e != ERROR_SUCCESS)
        return fail("cannot add the printer: " + winsim::spoolerErrorText(e));
    std::cout << "printer '" << u8(full) << "' added with driver '" << u8(set.driverName) << "'\n";
    // The spooler has converted the new printer's DEVMODE and sent its
    // printer event: the interface library installed it.
    return 0;
}

int printerList(const Args& args) {
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    auto printers = winsim::listPrinters();
    if (printers.empty()) {
        std::cout << "no printers\n";
        return 0;
    }
    for (const auto& p : printers)
        std::cout << u8(p.name) << "\t" << u8(p.driver) << "\t" << u8(p.port) << "\t" << attributeText(p.attributes)
                  << "\n";
    return 0;
}

int printerShow(const Args& args, const Options& o) {
    if (o.words.size() != 2) return fail("usage: vesk printer show NAME");
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    auto p = winsim::findPrinter(w(o.words[1]));
    if (!p) return fail("no printer named '" + o.words[1] + "'");
    std::cout << "printer:     " << u8(p->name) << "\n"
              << "server:      " << (p->server.empty() ? "(local)" : u8(p->server)) << "\n"
              << "share:       " << u8(p->share) << "\n"
              << "port:        " << u8(p->port) << "\n"
              << "driver:      " << u8(p->driver) << "\n"
              << "attributes:  " << attributeText(p->attributes) << "\n"
              << "devmode:     " << (p->devmode.empty() ? std::string("(none)") : std::to_string(p->devmode.size()) + " bytes")
              << "\n";
    if (auto d = winsim::findDriver(p->driver)) {
        auto file = [](const std::u16string& path) {
            if (path.empty()) return std::string("(none)");
            auto host = winsim::hostPath(path);
            std::error_code ec;
            bool there = host && fs::is_regular_file(*host, ec);
            return u8(path) + (there ? "" : "  (missing)");
        };
        std::cout << "driver files (version " << d->version << ", " << u8(d->environment) << "):\n"
                  << "  driver:    " << file(d->driverPath) << "\n"
                  << "  data:      " << file(d->dataFile) << "\n"
                  << "  config:    " << file(d->configFile) << "\n"
                  << "  help:      " << file(d->helpFile) << "\n";
        for (const auto& f : d->dependentFiles) std::cout << "  dependent: " << file(f) << "\n";
        if (!d->dataFile.empty()) {
            const ModelCheck c = CheckModelDescription(d->dataFile);
            const std::string problem = ModelDescriptionProblem(p->name);
            std::cout << "model:       ";
            if (!problem.empty()) std::cout << problem << "\n";
            else
                std::cout << c.statements << " statements read, " << c.skipped << " skipped"
                          << (c.firstReasons.empty() ? "" : " (" + c.firstReasons + ")") << "\n";
        }
    } else {
        std::cout << "driver files: the driver is not installed\n";
    }
    PrintInstallState(p->name);
    printDirectoriesInForce(p->name);
    std::cout << "printer data (" << p->data.size() << " values):\n";
    for (const auto& v : p->data) std::cout << "  " << u8(v.name) << " = " << decodeValue(v, 32) << "\n";
    auto jobs = winsim::listJobs(p->name);
    std::cout << "jobs (" << jobs.size() << "):\n";
    for (const auto& j : jobs) {
        auto spool = winsim::jobSpoolFile(j.id);
        std::error_code ec;
        uintmax_t size = spool ? fs::file_size(*spool, ec) : 0;
        std::cout << "  " << j.id << "  \"" << u8(j.document) << "\"  " << j.pages << " pages, "
                  << (ec ? 0 : size) << " bytes, status 0x" << std::hex << j.status << std::dec << "  "
                  << u8(j.spoolFile) << "\n";
    }
    return 0;
}

std::optional<std::vector<uint8_t>> parseHex(const std::string& s) {
    std::vector<uint8_t> out;
    std::string digits;
    for (char c : s)
        if (!std::isspace(static_cast<unsigned char>(c))) digits += c;
    if (digits.size() % 2) return std::nullopt;
    for (size_t i = 0; i < digits.size(); i += 2) {
        char* end = nullptr;
        std::string byte = digits.substr(i, 2);
        long v = std::strtol(byte.c_str(), &end, 16);
        if (*end) return std::nullopt;
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

int printerData(const Args& args, const Options& o) {
    if (o.words.size() < 2 || o.words.size() > 3)
        return fail("usage: vesk printer data NAME [VALUE [--set-sz TEXT | --set-dword N | --set-binary HEX | --delete]]");
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    std::u16string printer = w(o.words[1]);
    auto p = winsim::findPrinter(printer);
    if (!p) return fail("no printer named '" + o.words[1] + "'");
    int changes = o.has("--delete") + o.get("--set-sz").has_value() + o.get("--set-dword").has_value() +
                  o.get("--set-binary").has_value();
    if (changes > 1) return fail("give one of --set-sz, --set-dword, --set-binary and --delete");
    if (o.words.size() == 2) {
        if (changes) return fail("name the value to change");
        for (const auto& v : p->data) std::cout << u8(v.name) << " = " << decodeValue(v, 32) << "\n";
        return 0;
    }
    std::u16string name = w(o.words[2]);
    if (changes) {
        DWORD e;
        if (o.has("--delete")) {
            e = winsim::deletePrinterData(printer, name);
        } else if (auto s = o.get("--set-sz")) {
            std::u16string t = w(*s);
            std::vector<uint8_t> b;
            for (char16_t c : t) b.push_back(uint8_t(c)), b.push_back(uint8_t(c >> 8));
            b.push_back(0), b.push_back(0);
            e = winsim::setPrinterData(printer, name, kRegSz, b);
        } else if (auto d = o.get("--set-dword")) {
            char* end = nullptr;
            unsigned long long v = std::strtoull(d->c_str(), &end, 0);
            if (d->empty() || *end || v > 0xFFFFFFFFull) return fail("--set-dword takes a 32-bit number");
            std::vector<uint8_t> b{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
            e = winsim::setPrinterData(printer, name, kRegDword, b);
        } else {
            auto b = parseHex(*o.get("--set-binary"));
            if (!b) return fail("--set-binary takes hexadecimal bytes");
            e = winsim::setPrinterData(printer, name, kRegBinary, *b);
        }
        if (e != ERROR_SUCCESS) return fail("cannot change '" + o.words[2] + "': " + winsim::spoolerErrorText(e));
        return 0;
    }
    auto v = winsim::printerData(printer, name);
    if (!v) return fail("printer '" + o.words[1] + "' has no value '" + o.words[2] + "'");
    std::cout << u8(v->name) << " = " << decodeValue(*v, SIZE_MAX) << "\n";
    return 0;
}

// The printer's default DEVMODE with fields changed, as its property sheets
// would leave it: the driver's DEVMODE for the printer with the fields of a
// script's devmode statement or of the driver's private items set, merged
// by the driver; each field's outcome is listed.
int printerDevmode(const Args& args, const Options& o) {
    if (o.words.size() < 3)
        return fail("usage: vesk printer devmode NAME FIELD=VALUE... (the fields of a script's devmode, or "
                    "the driver's private items by field name)");
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    const std::u16string name = w(o.words[1]);
    if (!winsim::findPrinter(name)) return fail("no printer named '" + o.words[1] + "'");
    std::vector<std::pair<std::string, std::string>> fields;
    for (size_t i = 2; i < o.words.size(); ++i) {
        const size_t eq = o.words[i].find('=');
        if (eq == std::string::npos || eq == 0) return fail("'" + o.words[i] + "' is not FIELD=VALUE");
        fields.emplace_back(o.words[i].substr(0, eq), o.words[i].substr(eq + 1));
    }
    HANDLE h = nullptr;
    PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
    if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, &pd)) return fail("cannot open '" + o.words[1] + "'");
    std::vector<uint8_t> dm = PrinterJobDevmode(h, name);
    std::vector<FieldOutcome> outcomes;
    const bool merged = !dm.empty() && MergeDevmodeFields(h, dm, fields, &outcomes, &error);
    ClosePrinter(h);
    ReleaseDriverDevmodes();
    if (dm.empty()) return fail("the driver of '" + o.words[1] + "' gives no DEVMODE for it");
    if (!merged) return fail(error);
    if (DWORD e = winsim::setPrinterDevmode(name, dm); e != ERROR_SUCCESS)
        return fail("cannot set the DEVMODE of '" + o.words[1] + "': " + winsim::spoolerErrorText(e));
    std::cout << "printer '" << o.words[1] << "': default DEVMODE of " << dm.size() << " bytes set\n";
    for (const FieldOutcome& f : outcomes)
        std::cout << "  " << f.field << "=" << (f.isText ? f.askedText : std::to_string(f.asked)) << ": "
                  << DescribeOutcome(f) << "\n";
    return 0;
}

int printerRemove(const Args& args, const Options& o) {
    if (o.words.size() != 2) return fail("usage: vesk printer remove NAME");
    std::string error;
    if (!machineReady(args, &error)) return fail(error);
    DWORD e = winsim::removePrinter(w(o.words[1]));
    if (e != ERROR_SUCCESS) return fail("cannot remove '" + o.words[1] + "': " + winsim::spoolerErrorText(e));
    std::cout << "printer '" << o.words[1] << "' removed\n";
    return 0;
}

}  // namespace

fs::path libraryDir() {
    if (const char* env = std::getenv("VESK_LIB_DIR"); env && *env) return env;
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return self.parent_path().parent_path() / "lib";
}

int cmdPrinter(const Args& args) {
    if (!args.words.empty() && (args.words[0] == "bidi" || args.words[0] == "modeldb")) return printerBidi(args);
    if (!args.words.empty() && (args.words[0] == "install" || args.words[0] == "check" || args.words[0] == "rename")) return printerInstallCommands(args);
    if (!args.words.empty() && (args.words[0] == "deploy" || args.words[0] == "revalidate")) return printerDeploy(args);
    if (!args.words.empty() && (args.words[0] == "handover" || args.words[0] == "scenario")) return printerHandover(args);
    if (!args.words.empty() && isPrinterUiCommand(args.words[0])) return printerUi(args);
    Options o;
    std::string error;
    if (!parseOptions(args.words,
                      {"--driver-name", "--model", "--port", "--connection", "--share", "--set-sz", "--set-dword",
                       "--set-binary", "--set", "--as", "--request"},
                      {"--bidi", "--delete", "--suffix", "--init", "--reset", "--sync"}, o, &error))
        return fail(error);
    if (o.words.empty()) return fail("printer needs a subcommand: add, list, show, data, devmode, options, allowed, strings, locale, "
                    "save, ini, fonts, export, import, jobcontrol, usercode, presets, qualities, stamps, freesizes, repair, "
                    "caps, summary, bidi, modeldb, bridge, install, check, rename, deploy, revalidate, handover, "
                    "scenario, properties, convert, event, upgrade, query or remove");
    const std::string& sub = o.words[0];
    if (sub == "add") return printerAdd(args, o);
    if (sub == "list") return printerList(args);
    if (sub == "show") return printerShow(args, o);
    if (sub == "data") return printerData(args, o);
    if (sub == "remove") return printerRemove(args, o);
    if (sub == "devmode") return printerDevmode(args, o);
    if (sub == "strings") return printerStrings(args, o.words, o.has("--suffix"));
    if (sub == "locale") return printerLocale(args, o.words, o.has("--init"));
    if (sub == "save") return printerSave(args, o.words);
    if (sub == "ini") return printerIni(args, o.words);
    if (sub == "bridge") return printerBridge(args, o.words);
    if (sub == "fonts") return printerFonts(args, o.words, o.has("--reset"));
    if (sub == "jobcontrol") return printerJobControl(args, o.words);
    if (sub == "usercode") return printerUserCode(args, o.words, o.get("--set"), o.has("--sync"));
    if (sub == "presets") return printerPresets(args, o.words);
    if (sub == "qualities") return printerQualities(args, o.words);
    if (sub == "stamps") return printerStamps(args, o.words);
    if (sub == "freesizes") return printerFreeSizes(args, o.words);
    if (sub == "repair") return printerRepair(args, o.words);
    if (sub == "caps" || sub == "summary") return printerCaps(args, o.words, o.get("--request"));
    if (sub == "export" || sub == "import")
        return printerTransfer(args, o.words, o.get("--as").value_or("plain"), sub == "import");
    if (sub == "options" || sub == "allowed") {
        std::vector<std::string> sets;
        for (const auto& [k, v] : o.values)
            if (k == "--set") sets.push_back(v);
        return sub == "options" ? printerOptions(args, o.words, sets) : printerAllowed(args, o.words, sets);
    }
    return fail("unknown printer subcommand '" + sub + "'");
}

}  // namespace vesk::host
