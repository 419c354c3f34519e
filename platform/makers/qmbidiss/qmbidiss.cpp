// The maker's remote-configuration bridge. On a terminal server a printer may
// be the client-side copy of a print server's printer; the bridge names that
// printer, connects to the server and hands over its files, printer data and
// DEVMODE. The same library stands for QMBIDISS.dll and KORVANSV.dll.
//
// The print server is a second emulated machine. Settings of the local
// machine:
//   qmbidiss.server = HOSTDIR              the server machine's root folder
//   qmbidiss.printer.LOCAL = TYPE:SERVER   per local printer: the server type
//                                          (17, 18, 19, other) and the
//                                          server's printer name
//   qmbidiss.result.ENTRY = N              the entry answers N without
//                                          doing its work (QMGetServerType:
//                                          fills its names, answers N)
//   qmbidiss.missing = ENTRY,ENTRY         entries left out (hidden when the
//                                          library loads; kept hidden for the
//                                          rest of the process)
// Server paths may begin with %SystemDrive%, %SystemRoot% or %Driver% (one
// or two percent signs, any case), taken from the server's configuration;
// local paths with %SystemDrive%, the local Windows directory's drive.
// Every call is journalled under its entry name and failCall works on those
// names.
#include <maker/qmbidi.h>
#include <win/codepage.h>
#include <win/files.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>
#include <winsim/modules.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>

#include "core/sim.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace fs = std::filesystem;

namespace {

constexpr DWORD kNotConnected = 1236;   // ERROR_CONNECTION_ABORTED
constexpr DWORD kNoServer = 53;         // ERROR_BAD_NETPATH
constexpr DWORD kNotSupported = 50;     // ERROR_NOT_SUPPORTED
constexpr char kBlockTag[4] = {'Q', 'M', 'C', 'N'};

const char* const kEntries[] = {"QMGetServerType",      "QMSaveInformationClear", "QMPrintConfigConnect",
                                "QMPrintConfigConnectEx", "QMPrintConfigDisConnect", "QMClientOSType",
                                "QMRegFileGetSize",     "QMGetDataFile",          "QMRegFileGetData",
                                "QMGetPrinterDataSize", "QMGetPrinterData",       "QMDevmodeSize",
                                "QMDevmode",            "QMSetDevmode",           "QMSaveDevmodeClear"};

struct Connection {
    fs::path root;
    winsim::MachineConfig cfg;
    DWORD type = 0;
};

std::mutex g_lock;
std::set<Connection*>& connections() {
    static std::set<Connection*> s;
    return s;
}

// The open connection `h`, made for server type `type` (a call naming another
// type than its connection's is refused).
Connection* live(HANDLE h, DWORD type) {
    auto* c = static_cast<Connection*>(h);
    std::lock_guard g(g_lock);
    return connections().count(c) && c->type == type ? c : nullptr;
}

std::string a(LPCSTR s) { return s ? std::string(s) : std::string("(null)"); }
std::string w8(LPCWSTR s) { return s ? winsim::toUtf8(s) : std::string("(null)"); }

// Journals the call; an injected fault or an override answers for it.
std::optional<DWORD> enter(const char* entry, const std::string& detail) {
    if (winsim::detail::enter(entry, detail)) {
        const DWORD e = GetLastError();
        return e ? e : 1;
    }
    if (auto v = winsim::config().get(std::string("qmbidiss.result.") + entry)) {
        char* end = nullptr;
        const unsigned long n = std::strtoul(v->c_str(), &end, 0);
        if (end && end != v->c_str() && !*end) return static_cast<DWORD>(n);
    }
    return std::nullopt;
}

fs::path serverRoot() {
    auto v = winsim::config().get("qmbidiss.server");
    return v ? fs::path(*v) : fs::path();
}

// The server type and server printer of a local printer.
bool served(std::u16string_view local, DWORD* type, std::u16string* serverPrinter) {
    auto v = winsim::config().get("qmbidiss.printer." + winsim::toUtf8(local));
    if (!v) return false;
    const size_t colon = v->find(':');
    if (colon == std::string::npos || colon == 0) return false;
    char* end = nullptr;
    const std::string t = v->substr(0, colon);
    const unsigned long n = std::strtoul(t.c_str(), &end, 10);
    if (!end || *end) return false;
    *type = static_cast<DWORD>(n);
    *serverPrinter = winsim::fromUtf8(v->substr(colon + 1));
    return true;
}

std::u16string fromAnsi(LPCSTR s) {
    if (!s) return {};
    const int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 0) return {};
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

// Replaces a leading variable ("%Name%" or "%%Name%%", any case) by `value`.
bool expandLeading(std::u16string& path, std::u16string_view name, const std::u16string& value) {
    for (int pct = 2; pct >= 1; --pct) {
        std::u16string var = std::u16string(static_cast<size_t>(pct), u'%') + std::u16string(name) +
                             std::u16string(static_cast<size_t>(pct), u'%');
        if (path.size() >= var.size() && winsim::detail::wequalNoCase(path.substr(0, var.size()), var)) {
            path = value + path.substr(var.size());
            return true;
        }
    }
    return false;
}

std::u16string driveOf(const std::string& windowsDir) { return winsim::fromUtf8(windowsDir.substr(0, 2)); }

// A server path as a host path under the server's root.
std::optional<fs::path> serverFile(const Connection& c, LPCSTR serverPath) {
    std::u16string p = fromAnsi(serverPath);
    if (!expandLeading(p, u"SystemDrive", driveOf(c.cfg.windowsDir)) &&
        !expandLeading(p, u"SystemRoot", winsim::fromUtf8(c.cfg.windowsDir)))
        expandLeading(p, u"Driver", winsim::fromUtf8(c.cfg.driverDir()));
    return winsim::hostPathOn(c.root, p);
}

std::optional<std::vector<uint8_t>> readHost(const fs::path& p) {
    std::error_code ec;
    if (!fs::is_regular_file(p, ec)) return std::nullopt;
    std::ifstream in(p, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::optional<winsim::PrinterRecord> serverPrinter(const Connection& c, LPCSTR name) {
    if (!name) return std::nullopt;
    return winsim::findPrinterOn(c.root, fromAnsi(name));
}

const winsim::PrinterValue* valueOf(const winsim::PrinterRecord& p, LPCSTR key, LPCSTR value) {
    if (!key || !value || std::string(key) != "PrinterDriverData") return nullptr;
    const std::u16string name = fromAnsi(value);
    for (const auto& v : p.data)
        if (winsim::detail::wequalNoCase(v.name, name)) return &v;
    return nullptr;
}

DWORD connect(DWORD type, HANDLE* connection, BYTE* block) {
    if (!connection || !block) return ERROR_INVALID_PARAMETER;
    *connection = nullptr;
    const fs::path root = serverRoot();
    auto cfg = root.empty() ? std::nullopt : winsim::readMachineConfig(root);
    if (!cfg) return kNoServer;
    auto* c = new (std::nothrow) Connection{root, *cfg, type};
    if (!c) return ERROR_NOT_ENOUGH_MEMORY;
    {
        std::lock_guard g(g_lock);
        connections().insert(c);
    }
    std::memset(block, 0, qmbidi::kConnectionBlockBytes);
    std::memcpy(block, kBlockTag, sizeof kBlockTag);
    std::memcpy(block + 4, &type, sizeof type);
    *connection = c;
    return 0;
}

}  // namespace

EXPORT BOOL DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == 0) {  // DLL_PROCESS_DETACH: connections a failed disconnect left open go
        std::lock_guard g(g_lock);
        for (Connection* c : connections()) delete c;
        connections().clear();
        return TRUE;
    }
    if (reason != 1) return TRUE;  // DLL_PROCESS_ATTACH
    auto v = winsim::config().get("qmbidiss.missing");
    if (!v) return TRUE;
    std::string list = *v + ",";
    for (size_t at = 0, comma; (comma = list.find(',', at)) != std::string::npos; at = comma + 1) {
        const std::string name = list.substr(at, comma - at);
        for (const char* e : kEntries)
            if (name == e) {
                winsim::hideExport(u"QMBIDISS.dll", e);
                winsim::hideExport(u"KORVANSV.dll", e);
            }
    }
    return TRUE;
}

EXPORT DWORD QMGetServerType(LPCWSTR local, DWORD nameBytes, DWORD idBytes, LPWSTR serverName, BYTE* serverId) {
    const auto forced = enter("QMGetServerType", w8(local));
    DWORD type = 0;
    std::u16string printer;
    if (!local || !served(local, &type, &printer)) return forced.value_or(0);
    if (serverName && nameBytes >= sizeof(WCHAR)) {
        const size_t chars = nameBytes / sizeof(WCHAR) - 1;
        const size_t n = printer.size() < chars ? printer.size() : chars;
        std::memcpy(serverName, printer.data(), n * sizeof(WCHAR));
        serverName[n] = 0;
    }
    if (serverId && idBytes) {
        std::memset(serverId, 0, idBytes);
        const fs::path root = serverRoot();
        auto cfg = root.empty() ? std::nullopt : winsim::readMachineConfig(root);
        const std::string id = cfg ? cfg->computerName : std::string();
        std::memcpy(serverId, id.data(), id.size() < idBytes ? id.size() : idBytes - 1);
    }
    return forced.value_or(type);
}

EXPORT DWORD QMSaveInformationClear(LPCWSTR local, DWORD type) {
    if (auto r = enter("QMSaveInformationClear", w8(local) + " " + std::to_string(type))) return *r;
    return local ? 0 : ERROR_INVALID_PARAMETER;
}

EXPORT DWORD QMPrintConfigConnect(DWORD type, HANDLE* connection, BYTE* block) {
    if (auto r = enter("QMPrintConfigConnect", std::to_string(type))) return *r;
    return connect(type, connection, block);
}

EXPORT DWORD QMPrintConfigConnectEx(DWORD type, HANDLE* connection, BYTE* block, const BYTE* serverId, DWORD* out) {
    std::string id = serverId ? std::string(reinterpret_cast<const char*>(serverId),
                                            strnlen(reinterpret_cast<const char*>(serverId), qmbidi::kServerIdBytes))
                              : std::string("(null)");
    if (auto r = enter("QMPrintConfigConnectEx", std::to_string(type) + " " + id)) return *r;
    if (out) *out = 0;
    return connect(type, connection, block);
}

EXPORT DWORD QMPrintConfigDisConnect(HANDLE connection, BYTE* block, DWORD type) {
    if (auto r = enter("QMPrintConfigDisConnect", std::to_string(type))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    {
        std::lock_guard g(g_lock);
        connections().erase(c);
    }
    delete c;
    if (block) std::memset(block, 0, qmbidi::kConnectionBlockBytes);
    return 0;
}

EXPORT DWORD QMClientOSType(HANDLE connection, DWORD type, OSVERSIONINFOW* os) {
    if (auto r = enter("QMClientOSType", std::to_string(type))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    if (!os) return ERROR_INVALID_PARAMETER;
    std::memset(os, 0, sizeof *os);
    os->dwOSVersionInfoSize = sizeof *os;
    os->dwMajorVersion = c->cfg.osMajor;
    os->dwMinorVersion = c->cfg.osMinor;
    os->dwBuildNumber = c->cfg.osBuild;
    os->dwPlatformId = c->cfg.osPlatform;
    return 0;
}

EXPORT DWORD QMRegFileGetSize(HANDLE connection, DWORD type, LPCSTR serverPath, DWORD kind, LPCSTR printer,
                              DWORD* size) {
    if (auto r = enter("QMRegFileGetSize", a(serverPath) + " " + std::to_string(kind) + " " + a(printer))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    if (!serverPath || !size) return ERROR_INVALID_PARAMETER;
    *size = 0;
    auto p = serverFile(*c, serverPath);
    std::error_code ec;
    if (p && fs::is_regular_file(*p, ec)) *size = static_cast<DWORD>(fs::file_size(*p, ec));
    return 0;
}

EXPORT DWORD QMGetDataFile(HANDLE connection, DWORD type, LPCSTR serverPath, LPCSTR localPath, DWORD, DWORD,
                           DWORD size) {
    if (auto r = enter("QMGetDataFile", a(serverPath) + " -> " + a(localPath) + " " + std::to_string(size))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    if (!serverPath || !localPath) return ERROR_INVALID_PARAMETER;
    auto p = serverFile(*c, serverPath);
    auto bytes = p ? readHost(*p) : std::nullopt;
    if (!bytes) return ERROR_FILE_NOT_FOUND;
    if (bytes->size() != size) return ERROR_INVALID_DATA;
    std::u16string local = fromAnsi(localPath);
    expandLeading(local, u"SystemDrive", driveOf(winsim::config().windowsDir));
    HANDLE f = CreateFileW(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return GetLastError() ? GetLastError() : ERROR_PATH_NOT_FOUND;
    DWORD done = 0;
    const BOOL ok = size == 0 || WriteFile(f, bytes->data(), size, &done, nullptr);
    CloseHandle(f);
    return ok && done == size ? 0 : ERROR_WRITE_FAULT;
}

// Present for the driver's look-up; it never calls it.
EXPORT DWORD QMRegFileGetData(HANDLE, DWORD type, LPCSTR serverPath, DWORD, BYTE*) {
    if (auto r = enter("QMRegFileGetData", a(serverPath) + " " + std::to_string(type))) return *r;
    return kNotSupported;
}

EXPORT DWORD QMGetPrinterDataSize(HANDLE connection, DWORD type, LPCSTR printer, LPCSTR key, LPCSTR value,
                                  DWORD* size) {
    if (auto r = enter("QMGetPrinterDataSize", a(printer) + " " + a(key) + " " + a(value))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    if (!size) return ERROR_INVALID_PARAMETER;
    *size = 0;
    auto p = serverPrinter(*c, printer);
    if (!p) return ERROR_INVALID_PRINTER_NAME;
    const winsim::PrinterValue* v = valueOf(*p, key, value);
    if (!v) return ERROR_FILE_NOT_FOUND;
    *size = static_cast<DWORD>(v->data.size());
    return 0;
}

EXPORT DWORD QMGetPrinterData(HANDLE connection, DWORD type, LPCSTR printer, LPCSTR key, LPCSTR value, DWORD size,
                              BYTE* buffer) {
    if (auto r = enter("QMGetPrinterData", a(printer) + " " + a(key) + " " + a(value) + " " + std::to_string(size)))
        return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    auto p = serverPrinter(*c, printer);
    if (!p) return ERROR_INVALID_PRINTER_NAME;
    const winsim::PrinterValue* v = valueOf(*p, key, value);
    if (!v) return ERROR_FILE_NOT_FOUND;
    if (!buffer || size < v->data.size()) return ERROR_MORE_DATA;
    if (!v->data.empty()) std::memcpy(buffer, v->data.data(), v->data.size());
    return 0;
}

EXPORT DWORD QMDevmodeSize(HANDLE connection, DWORD type, LPCSTR printer, DWORD* size) {
    if (auto r = enter("QMDevmodeSize", a(printer))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    if (!size) return ERROR_INVALID_PARAMETER;
    *size = 0;
    auto p = serverPrinter(*c, printer);
    if (!p) return ERROR_INVALID_PRINTER_NAME;
    if (p->devmode.empty()) return ERROR_FILE_NOT_FOUND;
    *size = static_cast<DWORD>(p->devmode.size());
    return 0;
}

EXPORT DWORD QMDevmode(HANDLE connection, DWORD type, LPCSTR printer, DWORD size, BYTE* buffer) {
    if (auto r = enter("QMDevmode", a(printer) + " " + std::to_string(size))) return *r;
    Connection* c = live(connection, type);
    if (!c) return kNotConnected;
    auto p = serverPrinter(*c, printer);
    if (!p) return ERROR_INVALID_PRINTER_NAME;
    if (p->devmode.empty()) return ERROR_FILE_NOT_FOUND;
    if (!buffer || size < p->devmode.size()) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(buffer, p->devmode.data(), p->devmode.size());
    return 0;
}

// Makes the server printer's DEVMODE the local printer's default. The bridge
// would pass it through the named conversion entry of the printer-interface
// library; the stand-in only checks that the library is there and takes the
// server's DEVMODE over as it stands.
EXPORT DWORD QMSetDevmode(DWORD type, LPCWSTR local, LPCWSTR library, LPCSTR entry, DWORD, DWORD) {
    if (auto r = enter("QMSetDevmode", std::to_string(type) + " " + w8(local) + " " + w8(library) + " " + a(entry)))
        return *r;
    if (!local || !library || !entry) return ERROR_INVALID_PARAMETER;
    if (GetFileAttributesW(library) == INVALID_FILE_ATTRIBUTES) return ERROR_FILE_NOT_FOUND;
    DWORD served_type = 0;
    std::u16string name;
    if (!served(local, &served_type, &name)) return ERROR_INVALID_PRINTER_NAME;
    const fs::path root = serverRoot();
    auto p = root.empty() ? std::nullopt : winsim::findPrinterOn(root, name);
    if (!p) return kNoServer;
    if (p->devmode.empty()) return 0;
    return winsim::setPrinterDevmode(local, p->devmode);
}

// Present for the driver's look-up; it never calls it.
EXPORT DWORD QMSaveDevmodeClear(LPCWSTR local, DWORD type) {
    if (auto r = enter("QMSaveDevmodeClear", w8(local) + " " + std::to_string(type))) return *r;
    return 0;
}
