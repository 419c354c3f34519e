// Printer handles and printer information: OpenPrinterW, ClosePrinter,
// GetPrinterW, SetPrinterW, GetPrinterDriverW, GetPrinterDriverDirectoryW
// and the spooler's client impersonation.
#include "store.h"

#include "core/guard.h"
#include "security/security_internal.h"

namespace winsim::spool {
namespace {

constexpr ACCESS_MASK kReadControl = 0x00020000;
constexpr ACCESS_MASK kSynchronize = 0x00100000;
constexpr ACCESS_MASK kMaximumAllowed = 0x02000000;
constexpr ACCESS_MASK kGenericAll = 0x10000000;
constexpr ACCESS_MASK kGenericExecute = 0x20000000;
constexpr ACCESS_MASK kGenericWrite = 0x40000000;
constexpr ACCESS_MASK kGenericRead = 0x80000000;

// Maps generic rights onto printer or server rights. Zero asks for the
// ordinary right (use a printer, enumerate a server).
ACCESS_MASK mapAccess(ACCESS_MASK want, bool server, bool admin) {
    const ACCESS_MASK all = server ? SERVER_ALL_ACCESS : PRINTER_ALL_ACCESS;
    const ACCESS_MASK plain = kReadControl | (server ? SERVER_ACCESS_ENUMERATE : PRINTER_ACCESS_USE);
    if (want == 0) return plain & ~kReadControl;
    ACCESS_MASK out = want & ~(kGenericAll | kGenericExecute | kGenericWrite | kGenericRead | kMaximumAllowed);
    if (want & (kGenericRead | kGenericWrite | kGenericExecute)) out |= plain;
    if (want & kGenericAll) out |= all;
    if (want & kMaximumAllowed) out |= admin ? all : plain;
    return out;
}

// Rights an ordinary user holds on a printer or the server; everything else
// needs the administrator identity.
bool userMayHold(ACCESS_MASK granted, bool server) {
    const ACCESS_MASK user =
        kReadControl | kSynchronize | (server ? SERVER_ACCESS_ENUMERATE : PRINTER_ACCESS_USE);
    return (granted & ~user) == 0;
}

std::u16string computerServerName() { return u"\\\\" + fromUtf8(config().computerName); }

bool knownDatatype(std::u16string_view d) {
    static const char16_t* const kTypes[] = {u"RAW", u"RAW [FF appended]", u"RAW [FF auto]", u"TEXT",
                                             u"NT EMF 1.003", u"NT EMF 1.006", u"NT EMF 1.007",
                                             u"NT EMF 1.008"};
    for (const char16_t* t : kTypes)
        if (detail::wequalNoCase(d, t)) return true;
    return false;
}

// The folder name of a driver environment under spool\DRIVERS, or null.
const char16_t* environmentFolder(std::u16string_view env) {
    if (detail::wequalNoCase(env, u"Windows NT x86")) return u"W32X86";
    if (detail::wequalNoCase(env, u"Windows x64")) return u"x64";
    if (detail::wequalNoCase(env, u"Windows IA64")) return u"IA64";
    if (detail::wequalNoCase(env, u"Windows 4.0")) return u"WIN40";
    return nullptr;
}

BOOL failWith(DWORD code) {
    detail::setError(code);
    return FALSE;
}

DWORD jobCount(uint32_t printerId) {
    std::shared_ptr<const Jobs> j;
    if (readSharedJobs(j)) return 0;
    DWORD n = 0;
    for (const auto& job : j->jobs) n += job.printerId == printerId;
    return n;
}

DWORD effectiveAttributes(const PrinterRecord& p) {
    DWORD a = p.attributes & ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK);
    return a | (p.server.empty() ? PRINTER_ATTRIBUTE_LOCAL : PRINTER_ATTRIBUTE_NETWORK);
}

BOOL getPrinterInfo(const PrinterRecord& pr, DWORD level, LPBYTE buf, DWORD cb, LPDWORD needed) {
    switch (level) {
        case 1: {
            Packer p(sizeof(PRINTER_INFO_1W));
            size_t desc = p.addText(pr.name + u"," + pr.driver + u"," + pr.location);
            size_t name = p.addText(pr.name);
            size_t comment = p.addText(pr.comment);
            if (!checkBuffer(buf, cb, needed, p.size())) return FALSE;
            PRINTER_INFO_1W r{};
            r.Flags = PRINTER_ENUM_ICON8;
            r.pDescription = Packer::at<WCHAR>(buf, desc);
            r.pName = Packer::at<WCHAR>(buf, name);
            r.pComment = Packer::at<WCHAR>(buf, comment);
            putRecord(buf, r);
            p.writeTo(buf);
            return TRUE;
        }
        case 2: {
            Packer p(sizeof(PRINTER_INFO_2W));
            size_t devmode = p.addBlobOrNone(pr.devmode);
            size_t server = p.addTextOrNone(pr.server);
            size_t name = p.addText(pr.name);
            size_t share = p.addText(pr.share);
            size_t port = p.addText(pr.port);
            size_t driver = p.addText(pr.driver);
            size_t comment = p.addText(pr.comment);
            size_t location = p.addText(pr.location);
            size_t sep = p.addText(u"");
            size_t proc = p.addText(u"WinPrint");
            size_t datatype = p.addText(u"RAW");
            size_t params = p.addText(u"");
            if (!checkBuffer(buf, cb, needed, p.size())) return FALSE;
            PRINTER_INFO_2W r{};
            r.pServerName = Packer::at<WCHAR>(buf, server);
            r.pPrinterName = Packer::at<WCHAR>(buf, name);
            r.pShareName = Packer::at<WCHAR>(buf, share);
            r.pPortName = Packer::at<WCHAR>(buf, port);
            r.pDriverName = Packer::at<WCHAR>(buf, driver);
            r.pComment = Packer::at<WCHAR>(buf, comment);
            r.pLocation = Packer::at<WCHAR>(buf, location);
            r.pDevMode = Packer::at<DEVMODEW>(buf, devmode);
            r.pSepFile = Packer::at<WCHAR>(buf, sep);
            r.pPrintProcessor = Packer::at<WCHAR>(buf, proc);
            r.pDatatype = Packer::at<WCHAR>(buf, datatype);
            r.pParameters = Packer::at<WCHAR>(buf, params);
            r.Attributes = effectiveAttributes(pr);
            r.Priority = pr.priority;
            r.Status = pr.status;
            r.cJobs = jobCount(pr.id);
            putRecord(buf, r);
            p.writeTo(buf);
            return TRUE;
        }
        case 4: {
            Packer p(sizeof(PRINTER_INFO_4W));
            size_t name = p.addText(pr.name);
            size_t server = p.addTextOrNone(pr.server);
            if (!checkBuffer(buf, cb, needed, p.size())) return FALSE;
            PRINTER_INFO_4W r{};
            r.pPrinterName = Packer::at<WCHAR>(buf, name);
            r.pServerName = Packer::at<WCHAR>(buf, server);
            r.Attributes = effectiveAttributes(pr);
            putRecord(buf, r);
            p.writeTo(buf);
            return TRUE;
        }
        case 5: {
            Packer p(sizeof(PRINTER_INFO_5W));
            size_t name = p.addText(pr.name);
            size_t port = p.addText(pr.port);
            if (!checkBuffer(buf, cb, needed, p.size())) return FALSE;
            PRINTER_INFO_5W r{};
            r.pPrinterName = Packer::at<WCHAR>(buf, name);
            r.pPortName = Packer::at<WCHAR>(buf, port);
            r.Attributes = effectiveAttributes(pr);
            r.DeviceNotSelectedTimeout = 15000;
            r.TransmissionRetryTimeout = 45000;
            putRecord(buf, r);
            p.writeTo(buf);
            return TRUE;
        }
        default:
            return failWith(ERROR_INVALID_LEVEL);
    }
}

// Applies a PRINTER_INFO_2 to the stored printer: names, port, driver,
// comment, location, attributes, priority and (when given) the DEVMODE.
DWORD applyInfo2(State& s, PrinterRecord& pr, const PRINTER_INFO_2W& in, const std::optional<std::vector<uint8_t>>& dm) {
    std::u16string name = boundedText(in.pPrinterName, MAX_PATH);
    if (!validPrinterName(name)) return ERROR_INVALID_PRINTER_NAME;
    std::u16string local;
    std::u16string server = splitServer(name, &local);
    if (!detail::wequalNoCase(server, pr.server)) return ERROR_INVALID_PRINTER_NAME;  // no moving between servers
    if (!detail::wequalNoCase(name, pr.name)) {
        const PrinterRecord* other = s.printerByName(name);
        if (other && other->id != pr.id) return ERROR_PRINTER_ALREADY_EXISTS;
    }
    if (in.pDriverName) {
        std::u16string driver = boundedText(in.pDriverName);
        if (!s.driverByName(driver)) return ERROR_UNKNOWN_PRINTER_DRIVER;
        pr.driver = driver;
    }
    pr.name = name;
    if (in.pShareName) pr.share = boundedText(in.pShareName);
    if (in.pPortName) pr.port = boundedText(in.pPortName);
    if (in.pComment) pr.comment = boundedText(in.pComment);
    if (in.pLocation) pr.location = boundedText(in.pLocation);
    pr.attributes = in.Attributes & ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK);
    if (in.Priority >= 1 && in.Priority <= 99) pr.priority = in.Priority;
    if (dm) pr.devmode = *dm;
    return ERROR_SUCCESS;
}

// The token RevertToPrinterSelf hands out: the identity to return to.
struct ClientToken : detail::KernelObject {
    bool wasSystem = false;
    std::optional<detail::Impersonation> impersonation;  // the client's thread token, if any
    const char* kindName() const override { return "token"; }
};

}  // namespace
}  // namespace winsim::spool

using namespace winsim;
using namespace winsim::spool;

extern "C" {

// Opens the printer `pPrinterName` (its full name, case-insensitive), or the
// local print server when the name is null, empty or "\\COMPUTER". The
// access asked in pDefault (null or zero: PRINTER_ACCESS_USE) is granted in
// full or not at all; rights beyond use need the administrator identity.
WINBASEAPI BOOL WINAPI OpenPrinterW(LPWSTR pPrinterName, LPHANDLE phPrinter, LPPRINTER_DEFAULTSW pDefault) {
    std::u16string name = boundedText(pPrinterName, MAX_PATH);
    if (detail::enterWith("OpenPrinterW", [&] { return toUtf8(name); })) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (!phPrinter) return failWith(ERROR_INVALID_PARAMETER);
        *phPrinter = nullptr;
        if (name.size() >= MAX_PATH) return failWith(ERROR_INVALID_PRINTER_NAME);
        bool server = name.empty() || detail::wequalNoCase(name, computerServerName());
        bool admin = detail::callerIsAdmin();
        ACCESS_MASK granted = mapAccess(pDefault ? pDefault->DesiredAccess : 0, server, admin);
        auto h = std::make_shared<PrinterHandle>();
        h->server = server;
        h->granted = granted;
        if (!server) {
            if (!validPrinterName(name)) return failWith(ERROR_INVALID_PRINTER_NAME);
            State s;
            if (DWORD e = readState(s)) return failWith(e);
            const PrinterRecord* pr = s.printerByName(name);
            if (!pr) return failWith(ERROR_INVALID_PRINTER_NAME);
            h->printerId = pr->id;
        }
        if (!admin && !userMayHold(granted, server)) return failWith(ERROR_ACCESS_DENIED);
        if (pDefault && pDefault->pDatatype) {
            std::u16string dt = boundedText(pDefault->pDatatype);
            if (!knownDatatype(dt)) return failWith(ERROR_INVALID_DATATYPE);
            h->datatype = dt;
        }
        if (pDefault && pDefault->pDevMode) {
            auto dm = copyDevmode(pDefault->pDevMode);
            if (!dm) return failWith(ERROR_INVALID_PARAMETER);
            h->devmode = std::move(*dm);
        }
        *phPrinter = addPrinterHandle(std::move(h));
        return TRUE;
    });
}

// Closes a printer handle; a document still open on it is ended first, so
// what was written so far stays a complete job.
WINBASEAPI BOOL WINAPI ClosePrinter(HANDLE hPrinter) {
    if (detail::enter("ClosePrinter")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        auto h = removePrinterHandle(hPrinter);
        if (!h) return failWith(ERROR_INVALID_HANDLE);
        std::lock_guard g(h->lock);
        if (h->jobId) finishDocument(*h, false);
        return TRUE;
    });
}

// Levels 1, 2, 4 and 5. The record and its strings (and the DEVMODE of level
// 2) are laid out in the caller's block; a block too small fails with
// ERROR_INSUFFICIENT_BUFFER and the size needed.
WINBASEAPI BOOL WINAPI GetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (detail::enter("GetPrinterW", "level " + std::to_string(Level))) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return failWith(e);
        return getPrinterInfo(*t.printer, Level, pPrinter, cbBuf, pcbNeeded);
    });
}

// Level 2 changes the printer (and its default DEVMODE when pDevMode is
// given); level 7 records a directory publication action. Both need
// administrator access on the handle.
WINBASEAPI BOOL WINAPI SetPrinterW(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD Command) {
    std::string detail = "level " + std::to_string(Level);
    if (Level == 7 && pPrinter) {
        PRINTER_INFO_7W in;
        std::memcpy(&in, pPrinter, sizeof in);
        detail += " action " + std::to_string(in.dwAction);
    }
    if (detail::enter("SetPrinterW", detail)) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return failWith(e);
        if (!(t.handle->granted & PRINTER_ACCESS_ADMINISTER)) return failWith(ERROR_ACCESS_DENIED);
        if (Level != 2 && Level != 7) return failWith(ERROR_INVALID_LEVEL);
        if (!pPrinter || Command != 0) return failWith(ERROR_INVALID_PARAMETER);
        uint32_t id = t.handle->printerId;
        DWORD e;
        if (Level == 2) {
            PRINTER_INFO_2W in;
            std::memcpy(&in, pPrinter, sizeof in);
            std::optional<std::vector<uint8_t>> dm;
            if (in.pDevMode) {
                dm = copyDevmode(in.pDevMode);
                if (!dm || dm->size() > kMaxDevmode) return failWith(ERROR_INVALID_PARAMETER);
            }
            e = changeState([&](State& s) -> DWORD {
                PrinterRecord* pr = s.printerById(id);
                return pr ? applyInfo2(s, *pr, in, dm) : ERROR_INVALID_PRINTER_NAME;
            });
        } else {
            PRINTER_INFO_7W in;
            std::memcpy(&in, pPrinter, sizeof in);
            if (in.dwAction != DSPRINT_PUBLISH && in.dwAction != DSPRINT_UPDATE &&
                in.dwAction != DSPRINT_UNPUBLISH && in.dwAction != DSPRINT_REPUBLISH)
                return failWith(ERROR_INVALID_PARAMETER);
            e = changeState([&](State& s) -> DWORD {
                PrinterRecord* pr = s.printerById(id);
                if (!pr) return ERROR_INVALID_PRINTER_NAME;
                if (in.dwAction == DSPRINT_UNPUBLISH) pr->attributes &= ~PRINTER_ATTRIBUTE_PUBLISHED;
                else if (in.dwAction != DSPRINT_UPDATE) pr->attributes |= PRINTER_ATTRIBUTE_PUBLISHED;
                return ERROR_SUCCESS;
            });
        }
        if (e) return failWith(e);
        return TRUE;
    });
}

// Levels 1, 2 and 3 of the printer's driver for the environment asked (null:
// "Windows NT x86", the only one the machine has drivers for).
WINBASEAPI BOOL WINAPI GetPrinterDriverW(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                                         DWORD cbBuf, LPDWORD pcbNeeded) {
    if (detail::enterWith("GetPrinterDriverW", [&] { return "level " + std::to_string(Level); })) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        Target t;
        if (DWORD e = resolvePrinterHandle(hPrinter, t)) return failWith(e);
        std::u16string env = pEnvironment ? boundedText(pEnvironment) : std::u16string(kEnvironment);
        if (!environmentFolder(env)) return failWith(ERROR_INVALID_ENVIRONMENT);
        const DriverRecord* d = t.state->driverByName(t.printer->driver);
        if (!d || !detail::wequalNoCase(d->environment, env)) return failWith(ERROR_UNKNOWN_PRINTER_DRIVER);
        if (Level < 1 || Level > 3) return failWith(ERROR_INVALID_LEVEL);
        size_t rec = Level == 1 ? sizeof(DRIVER_INFO_1W) : Level == 2 ? sizeof(DRIVER_INFO_2W) : sizeof(DRIVER_INFO_3W);
        Packer p(rec);
        size_t name = p.addText(d->name);
        size_t envOff = Packer::kNone, path = Packer::kNone, data = Packer::kNone, cfg = Packer::kNone;
        size_t help = Packer::kNone, deps = Packer::kNone, mon = Packer::kNone, dt = Packer::kNone;
        if (Level >= 2) {
            envOff = p.addText(d->environment);
            path = p.addText(d->driverPath);
            data = p.addText(d->dataFile);
            cfg = p.addText(d->configFile);
        }
        if (Level == 3) {
            help = p.addTextOrNone(d->helpFile);
            if (!d->dependentFiles.empty()) {
                std::u16string multi;
                for (const auto& f : d->dependentFiles) multi += f + u'\0';
                deps = p.addText(multi);  // the added terminator is the list's second NUL
            }
            mon = p.addTextOrNone(d->monitor);
            dt = p.addTextOrNone(d->defaultDatatype);
        }
        if (!checkBuffer(pDriverInfo, cbBuf, pcbNeeded, p.size())) return FALSE;
        BYTE* b = pDriverInfo;
        if (Level == 1) {
            DRIVER_INFO_1W r{Packer::at<WCHAR>(b, name)};
            putRecord(b, r);
        } else {
            DRIVER_INFO_3W r{};
            r.cVersion = d->version;
            r.pName = Packer::at<WCHAR>(b, name);
            r.pEnvironment = Packer::at<WCHAR>(b, envOff);
            r.pDriverPath = Packer::at<WCHAR>(b, path);
            r.pDataFile = Packer::at<WCHAR>(b, data);
            r.pConfigFile = Packer::at<WCHAR>(b, cfg);
            r.pHelpFile = Packer::at<WCHAR>(b, help);
            r.pDependentFiles = Packer::at<WCHAR>(b, deps);
            r.pMonitorName = Packer::at<WCHAR>(b, mon);
            r.pDefaultDataType = Packer::at<WCHAR>(b, dt);
            if (Level == 2) {
                DRIVER_INFO_2W r2{r.cVersion, r.pName, r.pEnvironment, r.pDriverPath, r.pDataFile, r.pConfigFile};
                putRecord(b, r2);
            } else {
                putRecord(b, r);
            }
        }
        p.writeTo(b);
        return TRUE;
    });
}

// The folder printer drivers of an environment are installed under, e.g.
// "C:\WINDOWS\system32\spool\DRIVERS\W32X86" (drivers of version 3 are in
// its subfolder "3"). Only the local machine's own name is a known server.
WINBASEAPI BOOL WINAPI GetPrinterDriverDirectoryW(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                                  LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded) {
    if (detail::enter("GetPrinterDriverDirectoryW")) return FALSE;
    return detail::guarded<BOOL>(FALSE, [&]() -> BOOL {
        std::u16string server = boundedText(pName, MAX_PATH);
        if (!server.empty() && !detail::wequalNoCase(server, computerServerName()))
            return failWith(RPC_S_SERVER_UNAVAILABLE);
        std::u16string env = pEnvironment ? boundedText(pEnvironment) : std::u16string(kEnvironment);
        const char16_t* folder = environmentFolder(env);
        if (!folder) return failWith(ERROR_INVALID_ENVIRONMENT);
        if (Level != 1) return failWith(ERROR_INVALID_LEVEL);
        if (machineRoot().empty()) return failWith(ERROR_PATH_NOT_FOUND);
        std::u16string dir = fromUtf8(config().systemDir) + u"\\spool\\DRIVERS\\" + folder;
        size_t needed = (dir.size() + 1) * sizeof(WCHAR);
        if (!checkBuffer(pDriverDirectory, cbBuf, pcbNeeded, needed)) return FALSE;
        std::memcpy(pDriverDirectory, dir.c_str(), needed);
        return TRUE;
    });
}

WINBASEAPI HANDLE WINAPI RevertToPrinterSelf(void) {
    if (detail::enter("RevertToPrinterSelf")) return nullptr;
    return detail::guarded<HANDLE>(static_cast<HANDLE>(nullptr), [&]() -> HANDLE {
        auto token = std::make_shared<ClientToken>();
        token->wasSystem = detail::threadActsAsSystem();
        token->impersonation = detail::threadImpersonation();
        HANDLE h = detail::addHandle(std::move(token));
        detail::threadActsAsSystem() = true;
        detail::threadImpersonation().reset();  // the spooler's own identity has no thread token
        return h;
    });
}

WINBASEAPI BOOL WINAPI ImpersonatePrinterClient(HANDLE hToken) {
    if (detail::enter("ImpersonatePrinterClient")) return FALSE;
    auto token = detail::lookup<ClientToken>(hToken);
    if (!token) return failWith(ERROR_INVALID_HANDLE);
    detail::threadActsAsSystem() = token->wasSystem;
    detail::threadImpersonation() = token->impersonation;
    detail::removeHandle(hToken);
    return TRUE;
}

}  // extern "C"
