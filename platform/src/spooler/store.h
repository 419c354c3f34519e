// Internal services of the stand-in spooler: the persistent state of the
// machine's printers, drivers, forms and jobs, the printer handle table and
// the layout of records in a caller's buffer.
#pragma once
#include <winsim/spooler.h>
#include <win/spooler.h>

#include "core/sim.h"

#include <cstring>
#include <functional>
#include <memory>

namespace winsim::spool {

// Registry value types used by the spooler itself.
constexpr DWORD kRegSz = 1;
constexpr DWORD kRegBinary = 3;
constexpr DWORD kRegDword = 4;
constexpr DWORD kRegMultiSz = 7;

// Limits on what callers may store.
constexpr size_t kMaxValueName = 16383;              // characters, as for registry values
constexpr size_t kMaxValueData = 16u * 1024 * 1024;  // bytes
constexpr size_t kMaxDevmode = 0x20000;              // dmSize + dmDriverExtra are two WORDs
constexpr size_t kMaxText = 32767;                   // characters of any other text field
constexpr size_t kMaxFormName = 63;                  // characters

constexpr std::u16string_view kEnvironment = u"Windows NT x86";

// Printers, drivers and the machine's own forms ("printers.txt").
struct State {
    uint32_t nextPrinterId = 1;
    std::vector<DriverRecord> drivers;
    std::vector<PrinterRecord> printers;
    std::vector<FormRecord> forms;

    PrinterRecord* printerByName(std::u16string_view name);
    PrinterRecord* printerById(uint32_t id);
    const PrinterRecord* printerById(uint32_t id) const;
    const DriverRecord* driverByName(std::u16string_view name) const;
};

// Jobs ("jobs.txt").
struct Jobs {
    uint32_t nextJobId = 1;
    std::vector<JobRecord> jobs;
    JobRecord* byId(uint32_t id);
};

// Reads the state; a machine without spooler files has an empty state.
// Fails (ERROR_INVALID_DATA, with the reason in *why) when a file is damaged.
DWORD readState(State& out, std::string* why = nullptr);
// The same state shared read-only: no copy is made for a query.
DWORD readSharedState(std::shared_ptr<const State>& out, std::string* why = nullptr);
DWORD readJobs(Jobs& out, std::string* why = nullptr);
DWORD readSharedJobs(std::shared_ptr<const Jobs>& out, std::string* why = nullptr);
// Changes the state under the machine-wide spooler lock: reads the current
// state, runs `change`, and writes the result atomically only when `change`
// returns ERROR_SUCCESS. Returns `change`'s code or the write's failure.
DWORD changeState(const std::function<DWORD(State&)>& change);
DWORD changeJobs(const std::function<DWORD(Jobs&)>& change);
// Both, in the fixed order state then jobs (removing a printer with its jobs).
DWORD changeBoth(const std::function<DWORD(State&, Jobs&)>& change);

// Text helpers.
std::u16string boundedText(const WCHAR* s, size_t max = kMaxText);
bool validPrinterName(std::u16string_view name);   // local name, or "\\server\name"
std::u16string splitServer(std::u16string_view full, std::u16string* local);  // "\\server" part

// DEVMODE bytes from a caller's pointer (validated by its own size fields);
// nullopt when they are not plausible.
std::optional<std::vector<uint8_t>> copyDevmode(const void* dm);

// Built-in forms, in paper-number order (position + 1 = DMPAPER_* value).
const std::vector<FormRecord>& builtinForms();

// Printer handles. A handle is either the local print server or a printer.
struct PrinterHandle {
    bool server = false;
    uint32_t printerId = 0;
    ACCESS_MASK granted = 0;
    std::vector<uint8_t> devmode;    // PRINTER_DEFAULTS pDevMode, for the jobs of this handle
    std::u16string datatype;         // PRINTER_DEFAULTS pDatatype
    // The document in progress on this handle.
    uint32_t jobId = 0;
    int spoolFd = -1;
    bool inPage = false;
    std::mutex lock;
};
HANDLE addPrinterHandle(std::shared_ptr<PrinterHandle> h);
std::shared_ptr<PrinterHandle> lookupPrinterHandle(HANDLE h);
std::shared_ptr<PrinterHandle> removePrinterHandle(HANDLE h);

// Looks the handle up and checks that it is a printer handle whose printer
// still exists; sets the error and returns false otherwise.
struct Target {
    std::shared_ptr<PrinterHandle> handle;
    std::shared_ptr<const State> state;
    const PrinterRecord* printer = nullptr;
};
DWORD resolvePrinterHandle(HANDLE h, Target& out);
// The printer of a printer handle, with resolvePrinterHandle's answer. The
// thread keeps its last answer and gives it again, without a lookup, while no
// printer handle was opened or closed, the machine and its change counter are
// the same and the state cache was not touched: exactly when a lookup and a
// cached read would find the same record. `printer` stays valid until the
// thread's next call.
DWORD resolvePrinterQuick(HANDLE h, const PrinterRecord*& printer);

// Ends the document of a handle (EndDocPrinter and ClosePrinter).
DWORD finishDocument(PrinterHandle& h, bool abort);

// Layout of records and their strings in one caller's block: the records
// come first, then every string or blob in the order added. The added bytes
// are gathered in one buffer (alignment gaps zeroed) and copied at once.
class Packer {
public:
    // Room for the texts of a usual record, so they are added without
    // growing the buffer again and again.
    explicit Packer(size_t fixed) : fixed_(fixed) { bytes_.reserve(1024); }
    static constexpr size_t kNone = SIZE_MAX;
    // Returns the offset the bytes will have.
    size_t add(const void* data, size_t n, size_t align) {
        size_t at = (size() + align - 1) / align * align;
        bytes_.resize(at - fixed_);
        const auto* b = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), b, b + n);
        return at;
    }
    size_t addText(std::u16string_view s) {
        size_t at = add(s.data(), s.size() * sizeof(WCHAR), alignof(WCHAR));
        bytes_.insert(bytes_.end(), sizeof(WCHAR), 0);
        return at;
    }
    // A text that is absent when empty (a null pointer in the record).
    size_t addTextOrNone(std::u16string_view s) { return s.empty() ? kNone : addText(s); }
    size_t addBlobOrNone(const std::vector<uint8_t>& b) {
        return b.empty() ? kNone : add(b.data(), b.size(), alignof(DWORD));
    }
    size_t size() const { return fixed_ + bytes_.size(); }
    void writeTo(BYTE* base) const {
        if (!bytes_.empty()) std::memcpy(base + fixed_, bytes_.data(), bytes_.size());
    }
    template <class T>
    static T* at(BYTE* base, size_t off) {
        return off == kNone ? nullptr : reinterpret_cast<T*>(base + off);
    }

private:
    size_t fixed_;
    std::vector<uint8_t> bytes_;  // everything after the records
};

// The checks every buffer-filling call makes: a size out-parameter and a
// block that is large enough. Sets the error and returns false otherwise.
bool checkBuffer(const BYTE* buf, DWORD cbBuf, LPDWORD pcbNeeded, size_t needed);

// Writes a record into a possibly unaligned caller's block.
template <class T>
void putRecord(BYTE* dst, const T& rec) {
    std::memcpy(dst, &rec, sizeof(T));
}

// UTC FILETIME -> SYSTEMTIME.
SYSTEMTIME systemTimeOf(uint64_t fileTime);

}  // namespace winsim::spool
