// vesk printer install | check | rename: the host plays the printer events
// and the interface library's openings that run the driver's install
// sequence, install check and rename handling, and prints what each changed
// in printer data, the driver's INI files and its directories.
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/bridge/bridge.h"
#include "core/devmode_sizes.h"
#include "core/ini_wrap.h"
#include "core/install/install_check.h"
#include "core/install/install_ini.h"
#include "core/install/install_printer.h"
#include "core/install/install_steps.h"
#include "core/locks.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/process.h"
#include "core/wstr.h"

namespace fs = std::filesystem;

namespace vesk::host {
namespace {

std::string u8(std::u16string_view s) { return winsim::toUtf8(s); }

std::string valueText(const winsim::PrinterValue& v) {
    if (v.type == REG_SZ || v.type == REG_EXPAND_SZ) {
        std::u16string s;
        for (size_t i = 0; i + 1 < v.data.size(); i += 2) s += static_cast<char16_t>(v.data[i] | (v.data[i + 1] << 8));
        while (!s.empty() && s.back() == 0) s.pop_back();
        return "\"" + u8(s) + "\"";
    }
    std::ostringstream o;
    o << std::hex << std::setfill('0');
    for (size_t i = 0; i < v.data.size() && i < 32; ++i) o << (i ? " " : "") << std::setw(2) << int(v.data[i]);
    if (v.data.size() > 32) o << " ...";
    return o.str();
}

// What an install may change: printer data, the keys of the driver's INI
// files and the files of its directories, each under a readable label.
using Snapshot = std::map<std::string, std::string>;

void addIni(Snapshot& s, const std::u16string& path) {
    if (path.empty() || GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::vector<WCHAR> names(32768), text(32768);
    const DWORD n = GetPrivateProfileSectionNamesW(names.data(), static_cast<DWORD>(names.size()), path.c_str());
    for (const WCHAR* sec = names.data(); sec < names.data() + n && *sec; sec += WLen(sec) + 1) {
        const DWORD m = GetPrivateProfileSectionW(sec, text.data(), static_cast<DWORD>(text.size()), path.c_str());
        for (const WCHAR* line = text.data(); line < text.data() + m && *line; line += WLen(line) + 1) {
            const std::u16string l(line);
            const size_t eq = l.find(u'=');
            s[u8(path) + " [" + u8(sec) + "] " + u8(l.substr(0, eq))] = eq == std::u16string::npos ? "" : u8(l.substr(eq + 1));
        }
    }
}

void addFiles(Snapshot& s, const std::u16string& dir) {
    auto host = winsim::hostPath(dir);
    std::error_code ec;
    if (!host || !fs::is_directory(*host, ec)) return;
    for (const auto& e : fs::directory_iterator(*host, ec))
        if (e.is_regular_file(ec)) s["file " + u8(dir) + "\\" + e.path().filename().string()] = "present";
}

Snapshot snapshot(HANDLE printer, const std::u16string& name) {
    Snapshot s;
    if (auto p = winsim::findPrinter(name))
        for (const auto& v : p->data) s["printer data " + u8(v.name)] = valueText(v);
    WCHAR b[kWsPathChars] = {};
    std::u16string privateDir, userDir;
    if (GetPrivateDirPlain(b, kWsPathChars)) privateDir = b;
    if (GetUserDataDirPlain(b, kWsPathChars)) userDir = b;
    for (int which : {0, 1})
        if (GetIniFilePathEx(b, which)) addIni(s, b);
    for (const char16_t* f : {u"KW00C170.ini", u"KW00C171.ini"})
        if (BuildPrivateDirPath(b, kWsPathChars, f)[0]) addIni(s, b);
    if (GetSetupIniPathEx(printer, b)) addIni(s, b);
    if (BuildWindowsDirPath(b, kWsPathChars, u"zordb.ini")[0]) addIni(s, b);
    addFiles(s, privateDir);
    if (userDir != privateDir) addFiles(s, userDir);
    return s;
}

void printChanges(const Snapshot& before, const Snapshot& after) {
    size_t n = 0;
    for (const auto& [k, v] : after) {
        auto old = before.find(k);
        if (old == before.end()) std::cout << "  + " << k << (v == "present" ? "" : " = " + v) << "\n", ++n;
        else if (old->second != v) std::cout << "  ~ " << k << " = " << v << " (was " << old->second << ")\n", ++n;
    }
    for (const auto& [k, v] : before)
        if (!after.count(k)) std::cout << "  - " << k << "\n", ++n;
    if (!n) std::cout << "  (nothing changed)\n";
}

// An open handle of the printer with every right, closed at the end.
struct Handle {
    HANDLE h = nullptr;
    explicit Handle(const std::u16string& name) {
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &h, &pd)) h = nullptr;
    }
    ~Handle() {
        if (h) ClosePrinter(h);
        processDetach();
    }
};

bool parseNumber(const std::string& s, long* out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 0);
    if (s.empty() || *end) return false;
    *out = v;
    return true;
}

// Splits "--key value" options off `words` (from position `first`).
bool takeOption(std::vector<std::string>& words, const std::string& key, std::string* value, std::string* error) {
    for (size_t i = 0; i < words.size(); ++i) {
        if (words[i] != key) continue;
        if (i + 1 >= words.size()) return *error = key + " needs a value", false;
        *value = words[i + 1];
        words.erase(words.begin() + static_cast<long>(i), words.begin() + static_cast<long>(i) + 2);
        return true;
    }
    return true;
}

}  // namespace

int RunInstallEvent(HANDLE printer, int type) {
    if (type == kInstallNewDefault) {
        // The DEVMODE conversion's new-printer default, under the mutex; the
        // first-install stamp unless the printer is a client-side copy.
        std::vector<BYTE> dm(dmSizes().totalSize);
        int ok;
        {
            InstallRunningScope running;
            TsMutexWait();
            ok = InstallPrinter(printer, dm.data(), type);
            TsMutexRelease();
        }
        if (!ok) return 0;
        WCHAR name[kWsPrinterNameChars] = {};
        PrnCopyPrinterName(printer, name, kWsPrinterNameChars);
        uint32_t serverType = 0;
        const bool client = std::u16string(name).find(u"\\Client") != std::u16string::npos ||
                            (SrvCfgGetServerType(printer, name, &serverType) && serverType == 17);
        return WriteInstallStamp(printer, 1, client ? 0 : 2);
    }
    if (type == kInstallInitialise) {
        int ok;
        {
            InstallRunningScope running;
            TsMutexWait();
            ok = InstallPrinter(printer, nullptr, type);
            TsMutexRelease();
        }
        return ok && WriteInstallStamp(printer, 1, 0);
    }
    InstallRunningScope running;
    return InstallPrinter(printer, nullptr, type);
}

namespace {

int printerInstall(const Args& args, const std::vector<std::string>& in) {
    std::vector<std::string> words = in;
    std::string error, typeText;
    if (!takeOption(words, "--type", &typeText, &error)) return fail(error);
    long type = -1;
    if (words.size() != 2 || (!typeText.empty() && !parseNumber(typeText, &type)))
        return fail("usage: vesk printer install NAME [--type 0|1|2|6|7]");
    if (!openMachine(args, &error)) return fail(error);
    const std::u16string name = winsim::fromUtf8(words[1]);
    auto record = winsim::findPrinter(name);
    if (!record) return fail("no printer named '" + words[1] + "'");
    if (type < 0) type = record->server.empty() ? kInstallInitialise : kInstallAddConnection;
    if (type != 0 && type != 1 && type != 2 && type != 6 && type != 7)
        return fail("--type takes 0, 1, 2, 6 or 7");
    Handle h(name);
    if (!h.h) return fail("cannot open '" + words[1] + "'");
    const Snapshot before = snapshot(h.h, name);
    const int ok = RunInstallEvent(h.h, static_cast<int>(type));
    const Snapshot after = snapshot(h.h, name);
    std::cout << "install type " << type << " of '" << words[1] << "': " << (ok ? "done" : "failed") << "\n";
    printChanges(before, after);
    return ok ? 0 : 1;
}

int printerCheck(const Args& args, const std::vector<std::string>& in) {
    std::vector<std::string> words = in;
    std::string error, modeText;
    if (!takeOption(words, "--mode", &modeText, &error)) return fail(error);
    long mode = kInstallCheckConnection;
    if (words.size() != 2 || (!modeText.empty() && !parseNumber(modeText, &mode)))
        return fail("usage: vesk printer check NAME [--mode N]");
    if (!openMachine(args, &error)) return fail(error);
    const std::u16string name = winsim::fromUtf8(words[1]);
    if (!winsim::findPrinter(name)) return fail("no printer named '" + words[1] + "'");
    Handle h(name);
    if (!h.h) return fail("cannot open '" + words[1] + "'");
    const Snapshot before = snapshot(h.h, name);
    const int ok = InstallCheck(h.h, static_cast<int>(mode), nullptr);
    const Snapshot after = snapshot(h.h, name);
    std::cout << "install check of '" << words[1] << "' (mode " << mode << "): " << (ok ? "passed" : "failed") << "\n";
    printChanges(before, after);
    return ok ? 0 : 1;
}

int printerRename(const Args& args, const std::vector<std::string>& words) {
    if (words.size() != 3) return fail("usage: vesk printer rename OLD NEW");
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    const std::u16string from = winsim::fromUtf8(words[1]), to = winsim::fromUtf8(words[2]);
    if (!winsim::findPrinter(from)) return fail("no printer named '" + words[1] + "'");
    if (!winsim::isValidPrinterName(to))
        return fail("'" + words[2] + "' is not a valid printer name (1 to 259 characters, no ',' '!' or '\\')");
    Handle h(from);
    if (!h.h) return fail("cannot open '" + words[1] + "'");
    DWORD need = 0;
    GetPrinterW(h.h, 2, nullptr, 0, &need);
    std::vector<BYTE> buf(need ? need : 1);
    if (!GetPrinterW(h.h, 2, buf.data(), need, &need)) return fail("cannot read '" + words[1] + "'");
    auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    info->pPrinterName = const_cast<LPWSTR>(to.c_str());
    info->pDevMode = nullptr;
    info->pSecurityDescriptor = nullptr;
    if (!SetPrinterW(h.h, 2, buf.data(), 0))
        return fail("cannot rename '" + words[1] + "': " + winsim::spoolerErrorText(GetLastError()));
    std::cout << "printer '" << words[1] << "' renamed to '" << words[2]
              << "'; the driver carries its settings over when it next opens it\n";
    return 0;
}

}  // namespace

int printerInstallCommands(const Args& args) {
    const std::string& sub = args.words[0];
    if (sub == "install") return printerInstall(args, args.words);
    if (sub == "check") return printerCheck(args, args.words);
    return printerRename(args, args.words);
}

int InstallAddedPrinter(const std::u16string& name, bool connection) {
    Handle h(name);
    if (!h.h) return 0;
    if (connection) return RunInstallEvent(h.h, kInstallAddConnection);
    const int ok = RunInstallEvent(h.h, kInstallNewDefault);
    return RunInstallEvent(h.h, kInstallInitialise) && ok;
}

void PrintInstallState(const std::u16string& name) {
    static const char16_t* const kKeys[] = {u"BatchInstallDone", u"PackInstallDone", u"PresetRefresh",
                                            u"DrvInstTime",      u"DrvFirstInstTime", u"DrvInstType",
                                            u"DrvInstVersion",   u"TSIniCorrectDone", u"LocalLowCorrectDone",
                                            u"DefaultRst",       u"BatchInstRst"};
    WCHAR ini[kWsPathChars] = {};
    for (int which : {0, 1}) {
        if (!GetIniFilePathEx(ini, which) || GetFileAttributesW(ini) == INVALID_FILE_ATTRIBUTES) continue;
        std::cout << "install keys (" << u8(ini) << "):\n";
        for (const char16_t* key : kKeys) {
            WCHAR v[kWsPathChars] = {};
            if (IniGetString(name.c_str(), key, u"", v, kWsPathChars, ini))
                std::cout << "  " << u8(key) << " = " << u8(v) << "\n";
        }
    }
}

}  // namespace vesk::host
