// The control interface of the stand-in spooler: printers and drivers added
// and removed by the host and the tests, and the install of our driver set.
#include "store.h"

#include "driver_calls.h"

#include "core/guard.h"

#include <fstream>

namespace fs = std::filesystem;

namespace winsim {
namespace {

// Our libraries, as the build names them and as the driver set names them.
struct Library {
    const char* hostName;
    const char16_t* windowsName;
};
constexpr Library kGraphics{"libveskgr.so", u"veskgr.dll"};
constexpr Library kInterface{"libveskui.so", u"veskui.dll"};
constexpr Library kConstraints{"libveskexc.so", u"veskexc.dll"};

constexpr size_t kMaxDriverName = 64;  // the driver keeps driver names in 65 characters

bool isRegularFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// A file name that is valid on the machine's drives.
bool validFileName(std::u16string_view n) {
    if (n.empty() || n.size() > 128 || n.back() == u'.' || n.back() == u' ') return false;
    for (char16_t c : n)
        if (c < 0x20 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'/' || c == u'\\' || c == u'|' ||
            c == u'?' || c == u'*')
            return false;
    return true;
}

DWORD fail(std::string* error, DWORD code, const std::string& why) {
    if (error) *error = why;
    return code;
}

}  // namespace

bool isValidPrinterName(std::u16string_view fullName) { return spool::validPrinterName(fullName); }

DWORD addPrinter(const PrinterRecord& in) {
    std::u16string full = in.name;
    if (!in.server.empty() && !(full.size() > 1 && full[0] == u'\\' && full[1] == u'\\'))
        full = in.server + u"\\" + full;
    if (!spool::validPrinterName(full)) return ERROR_INVALID_PRINTER_NAME;
    if (!in.devmode.empty() && !devmodeSizeMatches(in.devmode)) return ERROR_INVALID_PARAMETER;
    if (in.port.empty()) return ERROR_INVALID_PARAMETER;
    PrinterRecord added;
    DWORD e = spool::changeState([&](spool::State& s) -> DWORD {
        if (s.printerByName(full)) return ERROR_PRINTER_ALREADY_EXISTS;
        if (!s.driverByName(in.driver)) return ERROR_UNKNOWN_PRINTER_DRIVER;
        PrinterRecord p = in;
        p.id = s.nextPrinterId++;
        p.name = full;
        p.server = spool::splitServer(full, nullptr);
        p.status = 0;
        p.data.clear();
        p.attributes &= ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK);
        p.attributes |= p.server.empty() ? PRINTER_ATTRIBUTE_LOCAL : PRINTER_ATTRIBUTE_NETWORK;
        if (p.priority < 1 || p.priority > 99) p.priority = 1;
        added = p;
        s.printers.push_back(std::move(p));
        return ERROR_SUCCESS;
    });
    // The driver's part of the install; the printer stays added whatever the
    // driver answers, as its install steps may be tried again later.
    if (e == ERROR_SUCCESS) spool::sendPrinterAdded(added);
    return e;
}

DWORD removePrinter(std::u16string_view name) {
    if (auto p = findPrinter(name)) spool::sendPrinterDeleted(*p);
    std::vector<std::u16string> spoolFiles;
    DWORD e = spool::changeBoth([&](spool::State& s, spool::Jobs& j) -> DWORD {
        PrinterRecord* p = s.printerByName(name);
        if (!p) return ERROR_INVALID_PRINTER_NAME;
        uint32_t id = p->id;
        s.printers.erase(s.printers.begin() + (p - s.printers.data()));
        for (auto it = j.jobs.begin(); it != j.jobs.end();) {
            if (it->printerId == id) {
                spoolFiles.push_back(it->spoolFile);
                it = j.jobs.erase(it);
            } else {
                ++it;
            }
        }
        return ERROR_SUCCESS;
    });
    if (e) return e;
    for (const auto& f : spoolFiles)
        if (auto r = detail::resolve(fromUtf8(config().spoolDir()) + u"\\" + f)) {
            std::error_code ec;
            fs::remove(r->host, ec);
        }
    return ERROR_SUCCESS;
}

std::vector<PrinterRecord> listPrinters() {
    spool::State s;
    if (spool::readState(s)) return {};
    return s.printers;
}

std::optional<PrinterRecord> findPrinter(std::u16string_view name) {
    spool::State s;
    if (spool::readState(s)) return std::nullopt;
    const PrinterRecord* p = s.printerByName(name);
    if (!p) return std::nullopt;
    return *p;
}

DWORD setPrinterDevmode(std::u16string_view printer, const std::vector<uint8_t>& devmode) {
    if (!devmode.empty() && !devmodeSizeMatches(devmode)) return ERROR_INVALID_PARAMETER;
    return spool::changeState([&](spool::State& s) -> DWORD {
        PrinterRecord* p = s.printerByName(printer);
        if (!p) return ERROR_INVALID_PRINTER_NAME;
        p->devmode = devmode;
        return ERROR_SUCCESS;
    });
}

DWORD setPrinterAttributes(std::u16string_view printer, uint32_t attributes) {
    return spool::changeState([&](spool::State& s) -> DWORD {
        PrinterRecord* p = s.printerByName(printer);
        if (!p) return ERROR_INVALID_PRINTER_NAME;
        p->attributes = attributes & ~(PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_NETWORK);
        p->attributes |= p->server.empty() ? PRINTER_ATTRIBUTE_LOCAL : PRINTER_ATTRIBUTE_NETWORK;
        return ERROR_SUCCESS;
    });
}

DWORD addDriver(const DriverRecord& d) {
    if (d.name.empty() || d.name.size() > kMaxDriverName) return ERROR_INVALID_PARAMETER;
    return spool::changeState([&](spool::State& s) -> DWORD {
        for (auto& old : s.drivers)
            if (detail::wequalNoCase(old.name, d.name)) {
                old = d;
                return ERROR_SUCCESS;
            }
        s.drivers.push_back(d);
        return ERROR_SUCCESS;
    });
}

std::optional<DriverRecord> findDriver(std::u16string_view name) {
    spool::State s;
    if (spool::readState(s)) return std::nullopt;
    const DriverRecord* d = s.driverByName(name);
    if (!d) return std::nullopt;
    return *d;
}

std::vector<DriverRecord> listDrivers() {
    spool::State s;
    if (spool::readState(s)) return {};
    return s.drivers;
}

DWORD installDriverSet(const DriverSetOptions& o, std::string* error) {
    try {
        if (machineRoot().empty()) return fail(error, ERROR_PATH_NOT_FOUND, "no machine is selected");
        if (o.driverName.empty() || o.driverName.size() > kMaxDriverName)
            return fail(error, ERROR_INVALID_PARAMETER, "a driver name has 1 to 64 characters");

        // Every file of the set: {Windows file name, source}. Nothing is
        // copied before every source is known to be there.
        struct Item {
            std::u16string name;
            fs::path source;
            bool module;
        };
        std::vector<Item> items;
        for (const Library& lib : {kGraphics, kInterface, kConstraints})
            items.push_back({lib.windowsName, o.libraryDir / lib.hostName, true});
        for (const auto& [name, lib] : o.extraModules) items.push_back({name, lib, true});
        for (const auto& [name, file] : o.dataFiles) items.push_back({name, file, false});
        std::u16string modelName = fromUtf8(o.modelFile.filename().string());
        items.push_back({modelName, o.modelFile, false});
        for (const auto& it : items) {
            if (!validFileName(it.name))
                return fail(error, ERROR_INVALID_NAME, "not a valid file name on the machine: " + toUtf8(it.name));
            if (!isRegularFile(it.source))
                return fail(error, ERROR_FILE_NOT_FOUND, "missing driver file: " + it.source.string());
        }

        std::u16string dirWin = fromUtf8(config().driverDir());
        auto dir = detail::resolve(dirWin);
        std::error_code ec;
        if (!dir || !fs::is_directory(dir->host, ec))
            return fail(error, ERROR_PATH_NOT_FOUND, "the machine has no driver directory " + toUtf8(dirWin));

        // Copy under temporary names, then put every file in place.
        std::vector<std::pair<fs::path, fs::path>> staged;  // temporary, final
        auto unstage = [&] {
            for (const auto& s : staged) fs::remove(s.first, ec);
        };
        auto stage = [&](const std::u16string& name) {
            auto r = detail::resolve(dirWin + u"\\" + name);
            if (!r) return fs::path();
            fs::path tmp = r->host;
            tmp += ".vesk-install";
            staged.push_back({tmp, r->host});
            return tmp;
        };
        for (const auto& it : items) {
            fs::path tmp = stage(it.name);
            if (tmp.empty() || !fs::copy_file(it.source, tmp, fs::copy_options::overwrite_existing, ec)) {
                unstage();
                return fail(error, ERROR_CANTWRITE, "cannot copy " + it.source.string() + " into the driver directory");
            }
        }
        {
            fs::path tmp = stage(kDriverHelpFile);
            bool ok = !tmp.empty();
            if (ok) {
                std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
                out << "VESK printer driver help.\r\n"
                       "The driver reads only this file's name: its two letters before the dot name the\r\n"
                       "language of the installed driver set.\r\n";
                ok = static_cast<bool>(out.flush());
            }
            if (!ok) {
                unstage();
                return fail(error, ERROR_CANTWRITE, "cannot write the help file into the driver directory");
            }
        }
        for (const auto& s : staged) {
            fs::rename(s.first, s.second, ec);
            if (ec) {
                unstage();
                return fail(error, ERROR_CANTWRITE, "cannot place " + s.second.string());
            }
        }
        for (const auto& it : items)
            if (it.module) {
                auto r = detail::resolve(dirWin + u"\\" + it.name);
                // Absolute, so the registry holds wherever the process runs from.
                if (!r || !registerModule(it.name, fs::absolute(r->host, ec)))
                    return fail(error, ERROR_CANTWRITE, "cannot register the module " + toUtf8(it.name));
            }

        const bool replaced = findDriver(o.driverName).has_value();
        DriverRecord d;
        d.name = o.driverName;
        d.version = 3;
        d.environment = std::u16string(spool::kEnvironment);
        d.driverPath = dirWin + u"\\" + kGraphics.windowsName;
        d.dataFile = dirWin + u"\\" + modelName;
        d.configFile = dirWin + u"\\" + kInterface.windowsName;
        d.helpFile = dirWin + u"\\" + kDriverHelpFile;
        d.dependentFiles.push_back(dirWin + u"\\" + kConstraints.windowsName);
        for (const auto& [name, lib] : o.extraModules) d.dependentFiles.push_back(dirWin + u"\\" + name);
        d.dependentFiles.push_back(d.dataFile);
        d.dependentFiles.push_back(d.helpFile);
        if (DWORD e = addDriver(d)) return fail(error, e, "cannot record the driver: " + spoolerErrorText(e));
        if (replaced) spool::sendDriverUpgraded(d.name, dirWin);
        return ERROR_SUCCESS;
    } catch (const std::exception& ex) {
        return fail(error, detail::caughtCode(std::current_exception()), ex.what());
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}

std::string spoolerErrorText(DWORD code) {
    switch (code) {
        case ERROR_SUCCESS: return "done";
        case ERROR_FILE_NOT_FOUND: return "no such value or file";
        case ERROR_PATH_NOT_FOUND: return "path not found";
        case ERROR_ACCESS_DENIED: return "access denied";
        case ERROR_INVALID_HANDLE: return "invalid handle";
        case ERROR_NOT_ENOUGH_MEMORY: return "not enough memory";
        case ERROR_INVALID_DATA: return "the spooler state is damaged";
        case ERROR_READ_FAULT: return "cannot read the spooler state";
        case ERROR_WRITE_FAULT: return "cannot write the spooler state";
        case ERROR_INVALID_PARAMETER: return "invalid parameter";
        case ERROR_INVALID_NAME: return "invalid name";
        case ERROR_CANTWRITE: return "cannot write";
        case ERROR_INSUFFICIENT_BUFFER: return "buffer too small";
        case ERROR_MORE_DATA: return "more data";
        case ERROR_NO_MORE_ITEMS: return "no more items";
        case ERROR_INVALID_PRINTER_NAME: return "no printer of that name (or the name is invalid)";
        case ERROR_PRINTER_ALREADY_EXISTS: return "a printer of that name exists";
        case ERROR_UNKNOWN_PRINTER_DRIVER: return "the printer driver is not installed";
        case ERROR_INVALID_LEVEL: return "invalid information level";
        case ERROR_INVALID_DATATYPE: return "unknown data type";
        case ERROR_INVALID_ENVIRONMENT: return "unknown environment";
        case ERROR_INVALID_FORM_NAME: return "invalid form name";
        case ERROR_INVALID_FORM_SIZE: return "invalid form size";
        default: return "error " + std::to_string(code);
    }
}

}  // namespace winsim
