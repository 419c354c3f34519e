// vesk machine bridge | vesk printer bridge: the remote-configuration bridge
// of a terminal server, installed with its print server (another machine
// folder), and its operations on a printer with what they left behind.
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>

#include <win/registry.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "core/bridge/bridge.h"
#include "core/devmode_sizes.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/wstr.h"
#include "core/printer_identity.h"
#include "printer_context.h"

namespace fs = std::filesystem;

namespace vesk::host {
namespace {

constexpr char16_t kBridgeKey[] = u"Software\\MAREN\\Tavo Printer Driver";

std::string u8(const WCHAR* s) { return winsim::toUtf8(s ? std::u16string(s) : std::u16string()); }

std::map<std::u16string, winsim::PrinterValue> dataOf(const std::u16string& printer) {
    std::map<std::u16string, winsim::PrinterValue> out;
    if (auto p = winsim::findPrinter(printer))
        for (const auto& v : p->data) out[v.name] = v;
    return out;
}

std::string flagText(DrvContext* ctx, const WCHAR* name) {
    uint32_t v = 0;
    return SrvCfgReadFlag(ctx, name, &v) ? std::to_string(v) : std::string("(none)");
}

void printFlags(DrvContext* ctx) {
    const WCHAR* printer = PrnGetPrinterName(ctx);
    std::cout << "state:            " << SrvCfgGetState(ctx) << " (0 not usable, 1 connected, 2 download needed)\n"
              << "KorvanConnection: " << flagText(ctx, kKorvanConnection) << "\n"
              << "KorvanIni:        " << flagText(ctx, kKorvanIni) << "\n"
              << "KorvanFlg:        " << SrvCfgReadKorvanFlg(ctx) << "\n"
              << "PresetRefresh:    " << flagText(ctx, u"PresetRefresh") << " (printer data), "
              << IniGetInt(printer, u"PresetRefresh", 0, GetIniFilePath(ctx)) << " (" << u8(GetIniFilePath(ctx))
              << ")\n";
}

// The files of the printer's copy folder.
void printCopies(DrvContext* ctx) {
    WCHAR dir[kPathBufChars] = {};
    BridgeCopyDir(ctx, dir, kPathBufChars);
    BridgeExpandSystemDrive(dir, kPathBufChars);
    std::cout << "copies in " << u8(dir) << ":\n";
    auto host = winsim::hostPath(std::u16string(dir));
    std::error_code ec;
    std::vector<std::pair<std::string, uintmax_t>> files;
    if (host && fs::is_directory(*host, ec))
        for (const auto& e : fs::directory_iterator(*host, ec))
            if (e.is_regular_file(ec)) files.emplace_back(e.path().filename().string(), e.file_size(ec));
    std::sort(files.begin(), files.end());
    if (files.empty()) std::cout << "  (none)\n";
    for (const auto& [name, size] : files) std::cout << "  " << name << "\t" << size << " bytes\n";
}

// The printer data values an operation wrote or changed.
void printDataChanges(const std::map<std::u16string, winsim::PrinterValue>& before,
                      const std::map<std::u16string, winsim::PrinterValue>& after) {
    std::cout << "printer data written:\n";
    bool any = false;
    for (const auto& [name, v] : after) {
        auto it = before.find(name);
        if (it != before.end() && it->second.data == v.data && it->second.type == v.type) continue;
        std::cout << "  " << winsim::toUtf8(name) << "\ttype " << v.type << ", " << v.data.size() << " bytes\n";
        any = true;
    }
    if (!any) std::cout << "  (none)\n";
}

// The preset and quality lists of the printer's INI.
void printLists(DrvContext* ctx) {
    const WCHAR* printer = PrnGetPrinterName(ctx);
    const WCHAR* ini = GetIniFilePath(ctx);
    for (const char16_t* list : {u"PresetList", u"QualityList"}) {
        const bool presets = list[0] == u'P';
        const UINT n = IniGetInt(printer, presets ? u"Count" : u"QualityCount", 0, ini);
        std::cout << (presets ? "presets" : "qualities") << " (" << n << "):\n";
        for (UINT i = 0; i < n; ++i) {
            std::u16string key = std::u16string(list) + winsim::fromUtf8(std::to_string(i));
            WCHAR path[kPathBufChars] = {}, name[kPathBufChars] = {};
            IniGetString(printer, key.c_str(), u"", path, kPathBufChars, ini);
            IniGetString(printer, (key + u"Name").c_str(), u"", name, kPathBufChars, ini);
            std::cout << "  " << i << "\t" << u8(name) << "\t" << u8(path) << "\n";
        }
    }
}

}  // namespace

int machineBridge(const Args& args) {
    const char* usage = "usage: vesk machine bridge --server DIR [PRINTER=TYPE:SERVERPRINTER...]";
    std::string server;
    std::vector<std::pair<std::string, std::string>> served;
    for (size_t i = 1; i < args.words.size(); ++i) {
        const std::string& w = args.words[i];
        if (w == "--server") {
            if (i + 1 >= args.words.size()) return fail(usage);
            server = args.words[++i];
            continue;
        }
        const size_t eq = w.find('=');
        const size_t colon = eq == std::string::npos ? eq : w.find(':', eq);
        if (eq == 0 || colon == std::string::npos || colon == eq + 1 || colon + 1 == w.size() ||
            w.find('\n') != std::string::npos)
            return fail("'" + w + "' is not PRINTER=TYPE:SERVERPRINTER");
        const std::string type = w.substr(eq + 1, colon - eq - 1);
        if (type.find_first_not_of("0123456789") != std::string::npos || type.size() > 9)
            return fail("the server type of '" + w + "' is not a number");
        served.emplace_back(w.substr(0, eq), w.substr(eq + 1));
    }
    if (server.empty()) return fail(usage);
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    std::error_code ec;
    const fs::path root = fs::absolute(server, ec);
    if (ec || !winsim::readMachineConfig(root)) return fail("'" + server + "' holds no machine (vesk machine init DIR)");
    if (fs::equivalent(root, winsim::machineRoot(), ec)) return fail("the print server must be another machine");

    const std::u16string dll = winsim::fromUtf8(winsim::config().systemDir) + u"\\QMBIDISS.dll";
    if (!winsim::installModule(dll, libraryDir() / "libqmbidiss.so"))
        return fail("cannot install " + winsim::toUtf8(dll) + " (is libqmbidiss.so built?)");
    HKEY key = nullptr;
    const DWORD one = 1;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kBridgeKey, &key) != 0 ||
        RegSetValueExW(key, u"QMBIDI_FLG", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one) != 0) {
        if (key) RegCloseKey(key);
        return fail("cannot write HKLM\\Software\\MAREN\\Tavo Printer Driver QMBIDI_FLG (an administrator may)");
    }
    RegCloseKey(key);
    winsim::config().set("qmbidiss.server", root.string());
    for (const auto& [printer, how] : served) winsim::config().set("qmbidiss.printer." + printer, how);
    if (!winsim::saveConfig()) return fail("cannot write the machine's configuration");
    std::cout << "bridge installed: " << winsim::toUtf8(dll) << ", QMBIDI_FLG = 1\n"
              << "print server:     " << root.string() << "\n";
    for (const auto& [printer, how] : served) std::cout << "  " << printer << " -> " << how << "\n";
    return 0;
}

int printerBridge(const Args& args, const std::vector<std::string>& words) {
    if (words.size() < 2 || words.size() > 3)
        return fail("usage: vesk printer bridge NAME [state|connect|import|devmode|clear]");
    const std::string op = words.size() == 3 ? words[2] : "state";
    if (op != "state" && op != "connect" && op != "import" && op != "devmode" && op != "clear")
        return fail("unknown bridge operation '" + op + "' (state, connect, import, devmode or clear)");
    std::string error;
    auto pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    DrvContext* ctx = pc->ctx;
    const std::u16string name = winsim::fromUtf8(words[1]);
    const auto before = dataOf(name);
    const auto devmodeBefore = winsim::findPrinter(name)->devmode;
    int result = 1;
    if (op == "connect") result = SrvCfgConnect(ctx);
    else if (op == "import") result = SrvCfgImportSettings(ctx);
    else if (op == "clear") result = SrvCfgClearSaveInfo(ctx);
    if (op == "devmode") {
        std::vector<BYTE> dm(dmSizes().totalSize, 0);
        uint32_t type = 0;
        result = SrvCfgGetServerDevmode(ctx, dm.data(), &type);
        std::cout << "server type:      " << type << "\n";
        if (result) {
            std::u16string device;
            for (size_t i = 0; i < 32 && (dm[2 * i] | dm[2 * i + 1]); ++i)
                device.push_back(static_cast<char16_t>(dm[2 * i] | dm[2 * i + 1] << 8));
            std::cout << "server DEVMODE:   " << dm.size() << " bytes, device name '" << winsim::toUtf8(device) << "'\n";
        }
    }
    if (op != "state") std::cout << op << ":" << std::string(16 - op.size(), ' ') << " " << result << "\n";
    printFlags(ctx);
    if (op == "connect" || op == "state") printCopies(ctx);
    if (op == "connect") {
        printDataChanges(before, dataOf(name));
        const auto after = winsim::findPrinter(name)->devmode;
        std::cout << "DEVMODE:          "
                  << (after == devmodeBefore ? "unchanged" : "taken from the server (" + std::to_string(after.size()) +
                                                                 " bytes)")
                  << "\n";
    }
    if (op == "import") printLists(ctx);
    return result ? 0 : 1;
}

}  // namespace vesk::host
