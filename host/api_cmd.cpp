// vesk api PRINTER STEP: the versioned driver API as an outside application
// uses it. veskexc.dll is loaded from the printer's driver directory, the
// API level is checked and a handle opened; the step runs on it and every
// call's result is printed with its meaning.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <vector>

#include <win/windows.h>
#include <winsim/winsim.h>

#include "api_session.h"
#include "commands.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "driver_library.h"
#include "printer_context.h"
#include "printer_ui.h"

namespace vesk::host {
namespace {

const char kApiUsage[] =
    "usage: vesk api PRINTER STEP\n"
    "  Loads veskexc.dll from the printer's driver directory, checks the API level\n"
    "  (VESKDrvCheckAPIVer), opens a handle (VESKDrvEnable) and runs one step:\n"
    "    devmode [--mode N] [--out FILE]\n"
    "                 VESKDrvGetDevmode: the size query, then the DEVMODE, decoded by\n"
    "                 field with its private header checked. Modes: 1 current\n"
    "                 settings (the default), 17 with the device query, 2 driver\n"
    "                 defaults, 18 with the device query, 4 the handle's DEVMODE with\n"
    "                 the resolution override. --out writes the bytes to FILE.\n"
    "    caps [ID|all|bitmap]\n"
    "                 VESKDrvGetCaps: capability items by id, all of them, or the\n"
    "                 bitmap of the items the level offers\n"
    "    status get|set|fields ID ... [--then STEP]...\n"
    "                 VESKDrvSetStatus and VESKDrvGetStatus on one handle\n"
    "  The handle is closed with VESKDrvDisable. The exit code is 0 only when every\n"
    "  call succeeded.\n";

using CheckFn = int32_t(WINAPI*)(const char*);
using EnableFn = void*(WINAPI*)(const char*);
using DisableFn = int32_t(WINAPI*)(void*);
using GetDevmodeFn = int32_t(WINAPI*)(void*, int32_t, void*);

const char* modeName(int32_t mode) {
    switch (mode) {
    case 1: return "current settings";
    case 17: return "current settings with the device query";
    case 2: return "driver defaults";
    case 18: return "driver defaults with the device query";
    case 4: return "the handle's DEVMODE with the resolution override";
    default: return "not a mode of the API";
    }
}

const char* osKindName(uint8_t kind) {
    switch (kind) {
    case 0: return "Windows 95";
    case 1: return "Windows NT before 5.0";
    case 2: return "Windows 2000 or later";
    case 3: return "Windows 98 or Me";
    default: return "unknown";
    }
}

std::string ansiField(const std::vector<uint8_t>& dm, size_t at, size_t bytes) {
    const char* p = reinterpret_cast<const char*>(dm.data() + at);
    return std::string(p, strnlen(p, bytes));
}

std::string hex(uint32_t v, int digits = 8) {
    std::ostringstream o;
    o << "0x" << std::hex << std::setw(digits) << std::setfill('0') << v;
    return o.str();
}

// One checked field: its text and "ok" or what was expected.
bool check(const char* name, const std::string& shown, bool ok, const std::string& expected) {
    std::cout << "  " << std::left << std::setw(17) << name << std::right << shown
              << (ok ? "  ok" : "  expected " + expected) << "\n";
    return ok;
}

// The private part field by field. False when a header field is not the
// driver's.
bool printPrivate(const std::vector<uint8_t>& dm) {
    using namespace vesk::dm;
    if (dm.size() < kOffStateFlags + kStateFlagCount) {
        std::cout << "  (no private part: " << dm.size() << " bytes)\n";
        return false;
    }
    const BYTE* p = dm.data();
    bool ok = check("tag", "\"" + ansiField(dm, kOffProductTag, 4) + "\"",
                    std::memcmp(p + kOffProductTag, "VESK", 4) == 0, "\"VESK\"");
    std::cout << "  settings INI     \"" << ansiField(dm, 228, 16) << "\"\n"
              << "  versions         \"" << ansiField(dm, 244, 16) << "\", \"" << ansiField(dm, 260, 16) << "\"\n"
              << "  common tag       \"" << ansiField(dm, 276, 8) << "\", version " << unsigned(p[284]) << "\n";
    ok &= check("signature", "\"" + ansiField(dm, kOffSignature, 4) + "\"",
                std::memcmp(p + kOffSignature, "priv", 4) == 0, "\"priv\"");
    ok &= check("private size", std::to_string(rd32(p, kOffPrivateSize)), rd32(p, kOffPrivateSize) == 1040, "1040");
    ok &= check("private version", hex(rd32(p, kOffPrivateVersion)), rd32(p, kOffPrivateVersion) == 0x00030003u,
                "0x00030003");
    std::cout << "  section bases    " << rd16(p, kOffSectionBase1) << ", " << rd16(p, kOffSectionBase2) << ", "
              << rd16(p, kOffSectionBase3) << "\n"
              << "  rdmMachineID     " << unsigned(p[kOffMachineId]) << "\n"
              << "  driver type      " << unsigned(p[kOffDriverType]) << "\n"
              << "  OS kind          " << unsigned(p[kOffOsKind]) << " (" << osKindName(p[kOffOsKind]) << ")\n"
              << "  job linking      " << unsigned(p[kOffJlInstalled]) << "\n"
              << "  terminal server  " << unsigned(p[kOffTse]) << "\n"
              << "  administrator    " << unsigned(p[kOffAdmin]) << "\n";
    return ok;
}

// The driver's own acceptance test of the DEVMODE, run by the host's copy
// of the common library on a context of the printer.
bool driverAccepts(ApiSession& s, const std::vector<uint8_t>& dm) {
    std::string error;
    auto pc = OpenPrinterContext(s.args, winsim::toUtf8(s.printerWide), &error);
    if (!pc) {
        std::cout << "  driver's check   not run: " << error << "\n";
        return false;
    }
    const bool ok = DmIsOwnDevmode(pc->ctx, dm.data(), dm.size()) == 1;
    std::cout << "  driver's check   " << (ok ? "accepted as the driver's own DEVMODE" : "refused") << "\n";
    return ok;
}

int runDevmode(ApiSession& s, const std::vector<std::string>& w) {
    int32_t mode = 1;
    std::string out;
    for (size_t i = 0; i < w.size(); ++i) {
        if (w[i] == "--mode" && i + 1 < w.size()) {
            char* end = nullptr;
            const long v = std::strtol(w[++i].c_str(), &end, 0);
            if (!*w[i].c_str() || *end) {
                fail("--mode takes a number");
                return 2;
            }
            mode = static_cast<int32_t>(v);
        } else if (w[i] == "--out" && i + 1 < w.size()) {
            out = w[++i];
        } else {
            std::fputs(kApiUsage, stderr);
            return 2;
        }
    }
    auto get = s.entry<GetDevmodeFn>("VESKDrvGetDevmode");
    if (!get) return fail("veskexc.dll lacks VESKDrvGetDevmode");
    const int32_t size = get(s.handle, mode, nullptr);
    std::cout << "VESKDrvGetDevmode(mode " << mode << ", " << modeName(mode) << ", no buffer): " << size
              << (size > 0 ? " (the DEVMODE's size)" : " (failed: an unknown mode, or the printer cannot be opened)")
              << "\n";
    if (size <= 0) return 1;
    std::vector<uint8_t> dm(static_cast<size_t>(size), 0);
    const int32_t r = get(s.handle, mode, dm.data());
    std::cout << "VESKDrvGetDevmode(mode " << mode << ", " << size << "-byte buffer): " << r
              << (r == size ? " (filled)" : " (failed)") << "\n";
    if (r != size) return 1;
    PrintDevmodePublic(dm);
    bool ok = printPrivate(dm);
    ok &= driverAccepts(s, dm);
    if (!out.empty()) {
        std::ofstream f(out, std::ios::binary);
        f.write(reinterpret_cast<const char*>(dm.data()), static_cast<std::streamsize>(dm.size()));
        if (!f) return fail("cannot write " + out);
        std::cout << "  written to " << out << "\n";
    }
    return ok ? 0 : 1;
}

// The library and the handle for the session's steps; closed at the end.
class OpenApi {
public:
    explicit OpenApi(ApiSession& s) : s_(s) {}
    OpenApi(const OpenApi&) = delete;
    OpenApi& operator=(const OpenApi&) = delete;
    ~OpenApi() {
        if (s_.handle && disable_) {
            const int32_t r = disable_(s_.handle);
            std::cout << "VESKDrvDisable: " << r << (r == 1 ? " (closed)" : " (unexpected result)") << "\n";
        }
        s_.handle = nullptr;
        if (s_.module) FreeLibrary(s_.module);
        s_.module = nullptr;
    }
    bool open(std::string* error) {
        s_.module = LoadDriverSetLibrary(s_.printerWide, u"veskexc.dll", error);
        if (!s_.module) return false;
        std::string missing;
        CheckFn check = nullptr;
        EnableFn enable = nullptr;
        BindExport(s_.module, "VESKDrvCheckAPIVer", &check, &missing);
        BindExport(s_.module, "VESKDrvEnable", &enable, &missing);
        BindExport(s_.module, "VESKDrvDisable", &disable_, &missing);
        if (!missing.empty()) return *error = "veskexc.dll lacks " + missing, false;
        const int32_t level = check(s_.printer.c_str());
        std::cout << "VESKDrvCheckAPIVer: " << level
                  << (level > 0 ? " (the API level in force)" : " (no printer name given)") << "\n";
        s_.handle = enable(s_.printer.c_str());
        std::cout << "VESKDrvEnable: " << (s_.handle ? "a handle" : "no handle")
                  << (s_.handle ? "" : " (the printer cannot be opened, or its name is too long)") << "\n";
        if (!s_.handle) return *error = "no handle for '" + s_.printer + "'", false;
        return true;
    }

private:
    ApiSession& s_;
    DisableFn disable_ = nullptr;
};

}  // namespace

int cmdApi(const Args& args) {
    const auto& w = args.words;
    for (const auto& a : w)
        if (a == "--help" || a == "-h") {
            std::fputs(kApiUsage, stdout);
            return 0;
        }
    if (w.size() < 2 || (w[1] != "devmode" && w[1] != "caps" && w[1] != "status")) {
        std::fputs(kApiUsage, stderr);
        return 2;
    }
    if (w[1] == "status") {
        // The status steps open their own handle and take the machine as words.
        std::vector<std::string> words = w;
        if (!args.machine.empty()) words.insert(words.begin(), {"--machine", args.machine});
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        return RunApiStatus(static_cast<int>(argv.size()), argv.data());
    }
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    if (w[1] == "caps") {
        std::vector<std::string> words = w;
        std::vector<char*> argv;
        for (std::string& word : words) argv.push_back(word.data());
        return RunApiCaps(static_cast<int>(argv.size()), argv.data());
    }
    ApiSession s;
    s.args = args;
    s.printerWide = winsim::fromUtf8(w[0]);
    s.printer = AnsiPrinterName(s.printerWide);
    const std::vector<std::string> rest(w.begin() + 2, w.end());
    OpenApi api(s);
    if (!api.open(&error)) return fail(error);
    return runDevmode(s, rest);
}

}  // namespace vesk::host
