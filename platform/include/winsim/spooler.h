// Control interface of the stand-in spooler: printers, drivers, printer data
// and jobs of the current machine, for the host programs and the tests.
// Every function works on the machine's spooler state (kept under the
// machine root) exactly as the Windows calls do, and returns a Windows result
// code (ERROR_SUCCESS when done) where it can fail.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winsim.h"

namespace winsim {

// A printer-data value.
struct WINSIM_API PrinterValue {
    std::u16string name;
    uint32_t type = 0;  // REG_SZ 1, REG_EXPAND_SZ 2, REG_BINARY 3, REG_DWORD 4, REG_MULTI_SZ 7, ...
    std::vector<uint8_t> data;
};

// A printer as the spooler keeps it.
struct WINSIM_API PrinterRecord {
    uint32_t id = 0;              // stable while the printer exists, also across renames
    std::u16string name;          // full name: "Office" or, for a connection, "\\server\Office"
    std::u16string server;        // empty for a local printer, "\\server" for a connection
    std::u16string share;
    std::u16string port = u"LPT1:";
    std::u16string driver;        // name of an installed driver
    std::u16string comment;
    std::u16string location;
    uint32_t attributes = 0;      // PRINTER_ATTRIBUTE_*; LOCAL or NETWORK follows from `server`
    uint32_t status = 0;
    uint32_t priority = 1;
    std::vector<uint8_t> devmode; // the default DEVMODE (empty: none)
    std::vector<PrinterValue> data;
};

// An installed printer driver (DRIVER_INFO_3). Paths are Windows paths.
struct WINSIM_API DriverRecord {
    std::u16string name;
    uint32_t version = 3;
    std::u16string environment = u"Windows NT x86";
    std::u16string driverPath;
    std::u16string dataFile;
    std::u16string configFile;
    std::u16string helpFile;
    std::vector<std::u16string> dependentFiles;
    std::u16string monitor;
    std::u16string defaultDatatype;
};

// A form of the machine's own (the standard forms are built in).
struct WINSIM_API FormRecord {
    std::u16string name;
    int32_t cx = 0, cy = 0;                          // 0.001 mm
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // imageable area, 0.001 mm
    uint32_t flags = 0;                              // FORM_USER, FORM_BUILTIN, FORM_PRINTER
};

// A print job.
struct WINSIM_API JobRecord {
    uint32_t id = 0;
    uint32_t printerId = 0;
    std::u16string printer;        // printer name when the job was started
    std::u16string machine;        // "\\COMPUTER"
    std::u16string user;
    std::u16string document;
    std::u16string datatype;
    std::u16string outputFile;     // DOC_INFO_1 pOutputFile, empty when none
    std::u16string spoolFile;      // file name inside the machine's spool directory
    uint32_t status = 0;           // JOB_STATUS_*
    uint32_t pages = 0;
    uint64_t submitted = 0;        // FILETIME, UTC
    std::vector<uint8_t> devmode;
};

// Checks that `blob` is a DEVMODE by its own sizes: dmSize and dmDriverExtra
// (little-endian words at offsets 68 and 70) add up to the blob's length.
WINSIM_API bool devmodeSizeMatches(const std::vector<uint8_t>& blob);

// Printers.
// Whether a full printer name is acceptable: 1 to 259 characters, no ',' '!'
// or '\\' in the printer's own part, optionally after "\\server\".
WINSIM_API bool isValidPrinterName(std::u16string_view fullName);
WINSIM_API DWORD addPrinter(const PrinterRecord& printer);   // id, status and data are ignored
WINSIM_API DWORD removePrinter(std::u16string_view name);    // also removes its jobs and spool files
WINSIM_API std::vector<PrinterRecord> listPrinters();
WINSIM_API std::optional<PrinterRecord> findPrinter(std::u16string_view name);
// A printer of another machine, by that machine's root folder, read as it
// stands (a print server that a stand-in library reaches).
WINSIM_API std::optional<PrinterRecord> findPrinterOn(const std::filesystem::path& root, std::u16string_view name);
WINSIM_API DWORD setPrinterDevmode(std::u16string_view printer, const std::vector<uint8_t>& devmode);
WINSIM_API DWORD setPrinterAttributes(std::u16string_view printer, uint32_t attributes);

// Printer data of one printer.
WINSIM_API std::optional<PrinterValue> printerData(std::u16string_view printer, std::u16string_view value);
WINSIM_API DWORD setPrinterData(std::u16string_view printer, std::u16string_view value, uint32_t type,
                                const std::vector<uint8_t>& data);
WINSIM_API DWORD deletePrinterData(std::u16string_view printer, std::u16string_view value);

// Drivers.
WINSIM_API DWORD addDriver(const DriverRecord& driver);      // replaces a driver of the same name
WINSIM_API std::optional<DriverRecord> findDriver(std::u16string_view name);
WINSIM_API std::vector<DriverRecord> listDrivers();

// The driver set: our three libraries and the model description.
struct WINSIM_API DriverSetOptions {
    std::u16string driverName = u"VESK Colour MFP";
    std::filesystem::path libraryDir;   // holds libveskgr.so, libveskui.so, libveskexc.so
    std::filesystem::path modelFile;    // the model description (the driver's data file)
    // Further modules of the driver set: {Windows file name, host library}.
    std::vector<std::pair<std::u16string, std::filesystem::path>> extraModules;
    // Data files of the driver set (resource modules): {Windows file name,
    // source file}, copied and not registered.
    std::vector<std::pair<std::u16string, std::filesystem::path>> dataFiles;
};
// Copies the libraries (as veskgr.dll, veskui.dll, veskexc.dll), the model
// description (under its own file name) and a help file into the machine's
// driver directory, registers the libraries with the module registry and
// records the driver (DRIVER_INFO_3). Every source is checked before
// anything is copied: a missing one fails with ERROR_FILE_NOT_FOUND and
// leaves the machine as it was. `error` receives a readable reason.
WINSIM_API DWORD installDriverSet(const DriverSetOptions& options, std::string* error = nullptr);
// The help file the driver set installs (its two letters before the dot are
// the language code the driver reads from it).
inline constexpr char16_t kDriverHelpFile[] = u"VSKHLPus.HLP";

// Forms of the machine (the built-in ones first).
WINSIM_API std::vector<FormRecord> listForms();

// Jobs, oldest first; `printer` empty lists every printer's.
WINSIM_API std::vector<JobRecord> listJobs(std::u16string_view printer = {});
WINSIM_API std::optional<JobRecord> findJob(uint32_t jobId);
// Host path of a job's spool file (it holds the bytes written so far).
WINSIM_API std::optional<std::filesystem::path> jobSpoolFile(uint32_t jobId);

// Printer handles open in this process (for leak checks).
WINSIM_API size_t openPrinterHandles();

// A readable text for a spooler result code ("the printer name is invalid").
WINSIM_API std::string spoolerErrorText(DWORD code);

}  // namespace winsim
