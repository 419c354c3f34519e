// The spooler's persistent state under the machine root:
//
//   spooler/printers.txt   drivers, printers (with their data) and own forms
//   spooler/jobs.txt       the job queue and the next job id
//   spooler/lock           taken (flock) by every change, across processes;
//                          its first four bytes count the changes
//
// Both files are UTF-8 text of records, written whole to a temporary file and
// renamed over the old one, so a reader never sees a half-written state:
//
//   vesk-spooler 1
//   next-printer-id 2
//   printer
//    id 1
//    name Office Colour
//    value 4 01000000 Permission
//   end
//
// A record starts with its kind on a line of its own and ends with "end";
// each field is " key value". Text is UTF-8 with '%', control characters and
// unpaired surrogates written as %uXXXX; byte strings are hexadecimal ("-"
// when empty). Unknown keys are skipped so an older build reads newer files;
// anything else that does not parse makes the whole file unreadable (the
// calls then fail with ERROR_INVALID_DATA instead of losing data by writing
// over it).
#include "store.h"

#include "core/handle_table.h"
#include "core/store_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace fs = std::filesystem;

namespace winsim::spool {
namespace {

constexpr const char* kStateFile = "printers.txt";
constexpr const char* kJobsFile = "jobs.txt";
constexpr const char* kMagic = "vesk-spooler 1";

// ---- text encoding ----

void putUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string encodeText(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    static const char* hex = "0123456789ABCDEF";
    auto escape = [&](char16_t c) {
        out += "%u";
        for (int sh = 12; sh >= 0; sh -= 4) out += hex[(c >> sh) & 0xF];
    };
    for (size_t i = 0; i < s.size(); ++i) {
        char16_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            putUtf8(out, 0x10000 + ((static_cast<uint32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00));
            ++i;
        } else if (c < 0x20 || c == 0x7F || c == u'%' || (c >= 0xD800 && c <= 0xDFFF)) {
            escape(c);
        } else {
            putUtf8(out, c);
        }
    }
    return out;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool decodeText(std::string_view in, std::u16string& out) {
    out.clear();
    size_t i = 0;
    while (i < in.size()) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        if (b == '%') {
            if (i + 6 > in.size() || in[i + 1] != 'u') return false;
            uint32_t v = 0;
            for (size_t k = 2; k < 6; ++k) {
                int d = hexDigit(in[i + k]);
                if (d < 0) return false;
                v = v * 16 + static_cast<uint32_t>(d);
            }
            out += static_cast<char16_t>(v);
            i += 6;
            continue;
        }
        uint32_t cp;
        size_t n;
        if (b < 0x80) cp = b, n = 1;
        else if ((b & 0xE0) == 0xC0) cp = b & 0x1F, n = 2;
        else if ((b & 0xF0) == 0xE0) cp = b & 0x0F, n = 3;
        else if ((b & 0xF8) == 0xF0) cp = b & 0x07, n = 4;
        else return false;
        if (i + n > in.size()) return false;
        for (size_t k = 1; k < n; ++k) {
            unsigned char c = static_cast<unsigned char>(in[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        if (cp > 0x10FFFF) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i += n;
    }
    return true;
}

std::string encodeBytes(const std::vector<uint8_t>& b) {
    if (b.empty()) return "-";
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(b.size() * 2);
    for (uint8_t v : b) {
        out += hex[v >> 4];
        out += hex[v & 0xF];
    }
    return out;
}

bool decodeBytes(std::string_view in, std::vector<uint8_t>& out) {
    out.clear();
    if (in == "-") return true;
    if (in.size() % 2) return false;
    out.reserve(in.size() / 2);
    for (size_t i = 0; i < in.size(); i += 2) {
        int hi = hexDigit(in[i]), lo = hexDigit(in[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return true;
}

bool parseU32(std::string_view s, uint32_t& out) {
    if (s.empty() || s.size() > 12) return false;
    uint64_t v = 0;
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) base = 16, s.remove_prefix(2);
    for (char c : s) {
        int d = hexDigit(c);
        if (d < 0 || d >= base) return false;
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return false;
    }
    out = static_cast<uint32_t>(v);
    return true;
}

bool parseU64(std::string_view s, uint64_t& out) {
    if (s.empty() || s.size() > 20) return false;
    uint64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        uint64_t nv = v * 10 + static_cast<uint64_t>(c - '0');
        if (nv / 10 != v) return false;
        v = nv;
    }
    out = v;
    return true;
}

bool parseI32(std::string_view s, int32_t& out) {
    bool neg = !s.empty() && s[0] == '-';
    uint32_t v;
    if (!parseU32(neg ? s.substr(1) : s, v)) return false;
    int64_t r = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
    if (r < INT32_MIN || r > INT32_MAX) return false;
    out = static_cast<int32_t>(r);
    return true;
}

std::string hexWord(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

// ---- record reader ----

struct Field {
    std::string key;
    std::string value;
};
struct Record {
    std::string kind;
    std::vector<Field> fields;
    int line = 0;
};
struct Parsed {
    std::vector<Field> header;  // top-level "key value" lines
    std::vector<Record> records;
};

bool parseRecords(const std::string& text, Parsed& out, std::string* why) {
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    bool sawMagic = false;
    Record* open = nullptr;
    auto fail = [&](const std::string& reason) {
        if (why) *why = "line " + std::to_string(lineNo) + ": " + reason;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (!sawMagic) {
            if (line != kMagic) return fail("not a spooler state file");
            sawMagic = true;
            continue;
        }
        if (line[0] == ' ') {
            if (!open) return fail("field outside a record");
            size_t sp = line.find(' ', 1);
            Field f;
            f.key = line.substr(1, sp == std::string::npos ? std::string::npos : sp - 1);
            f.value = sp == std::string::npos ? std::string() : line.substr(sp + 1);
            open->fields.push_back(std::move(f));
            continue;
        }
        if (line == "end") {
            if (!open) return fail("'end' without a record");
            open = nullptr;
            continue;
        }
        size_t sp = line.find(' ');
        if (sp == std::string::npos) {
            if (open) return fail("record '" + open->kind + "' not ended");
            out.records.push_back({line, {}, lineNo});
            open = &out.records.back();
        } else {
            if (open) return fail("record '" + open->kind + "' not ended");
            out.header.push_back({line.substr(0, sp), line.substr(sp + 1)});
        }
    }
    if (!sawMagic && lineNo > 0) return fail("not a spooler state file");
    if (open) {
        if (why) *why = "record '" + open->kind + "' at line " + std::to_string(open->line) + " not ended";
        return false;
    }
    return true;
}

// Reads the fields of one record with typed setters.
class FieldReader {
public:
    FieldReader(const Record& r, std::string* why) : r_(r), why_(why) {}
    bool text(const Field& f, std::u16string& out) { return check(decodeText(f.value, out), f); }
    bool u32(const Field& f, uint32_t& out) { return check(parseU32(f.value, out), f); }
    bool i32(const Field& f, int32_t& out) { return check(parseI32(f.value, out), f); }
    bool u64(const Field& f, uint64_t& out) { return check(parseU64(f.value, out), f); }
    bool bytes(const Field& f, std::vector<uint8_t>& out) { return check(decodeBytes(f.value, out), f); }
    bool fail(const Field& f) { return check(false, f); }

private:
    bool check(bool ok, const Field& f) {
        if (!ok && why_) *why_ = "record '" + r_.kind + "' at line " + std::to_string(r_.line) + ": bad " + f.key;
        return ok;
    }
    const Record& r_;
    std::string* why_;
};

// ---- file access ----

fs::path spoolerDir() { return detail::stateDir("spooler"); }

using FileKey = detail::store::HostKey;
std::optional<FileKey> keyOf(const std::string& p) { return detail::store::hostKey(p); }

// Reads a whole file; a missing file is empty text. False on a read error.
bool readText(const fs::path& p, std::string& out) {
    out.clear();
    std::error_code ec;
    if (!fs::exists(p, ec)) return !ec;
    std::ifstream in(p, std::ios::binary);
    if (!in) return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return !in.bad();
}

bool writeAtomically(const fs::path& p, const std::string& text) {
    std::error_code ec;
    fs::create_directories(p.parent_path(), ec);
    fs::path tmp = p;
    tmp += ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (::rename(tmp.c_str(), p.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

// The change counter: the first four bytes of spooler/lock, mapped shared,
// so every process of the machine sees the same word. Every change adds one
// after its files are written; a reader whose cached state was read at the
// counter's present value needs no look at the files. Without the mapping
// (no machine, a file that cannot be made) readers look at the files.
//
// A read takes no lock: the word stays at one address for the life of the
// process (a new machine's file is mapped over it in place, and a machine
// without one gets a private page there), and a sequence number that is odd
// while the mapping changes tells a reader that raced a change to ask again
// under the lock.
class ChangeCounter {
public:
    static ChangeCounter& get() {
        static ChangeCounter* c = new ChangeCounter;
        return *c;
    }
    // The counter for the machine of `generation`; false when it has none.
    bool read(uint64_t generation, uint32_t& value) {
        const uint32_t seq = seq_.load(std::memory_order_acquire);
        if (!(seq & 1) && mapped_.load(std::memory_order_relaxed) == generation) {
            const uint32_t v = __atomic_load_n(word_.load(std::memory_order_relaxed), __ATOMIC_ACQUIRE);
            std::atomic_thread_fence(std::memory_order_acquire);
            if (seq_.load(std::memory_order_relaxed) == seq) {
                value = v;
                return true;
            }
        }
        std::lock_guard g(lock_);
        if (!mapFor(generation)) return false;
        value = __atomic_load_n(word_.load(std::memory_order_relaxed), __ATOMIC_ACQUIRE);
        return true;
    }
    void bump() {
        std::lock_guard g(lock_);
        if (mapFor(detail::machineGeneration()))
            __atomic_add_fetch(word_.load(std::memory_order_relaxed), 1, __ATOMIC_ACQ_REL);
    }

private:
    // Under lock_.
    bool mapFor(uint64_t generation) {
        if (generation == generation_) return valid_;
        const uint32_t seq = seq_.load(std::memory_order_relaxed);
        seq_.store(seq + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        mapped_.store(0, std::memory_order_relaxed);
        generation_ = generation;
        valid_ = mapWord();
        mapped_.store(valid_ ? generation : 0, std::memory_order_relaxed);
        seq_.store(seq + 2, std::memory_order_release);
        return valid_;
    }

    // Maps the machine's counter at the word's address (a fresh one the
    // first time); false, with a private page left there, when it cannot.
    bool mapWord() {
        uint32_t* const at = word_.load(std::memory_order_relaxed);
        bool ok = false;
        fs::path dir = spoolerDir();
        if (!dir.empty()) {
            std::error_code ec;
            fs::create_directories(dir, ec);
            int fd = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
            if (fd >= 0) {
                struct stat st;
                if (::fstat(fd, &st) == 0 && (st.st_size >= 4 || ::ftruncate(fd, 4) == 0)) {
                    void* p = ::mmap(at, sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_SHARED | (at ? MAP_FIXED : 0),
                                     fd, 0);
                    if (p != MAP_FAILED) {
                        word_.store(static_cast<uint32_t*>(p), std::memory_order_relaxed);
                        ok = true;
                    }
                }
                ::close(fd);
            }
        }
        if (!ok && at)
            ::mmap(at, sizeof(uint32_t), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        return ok;
    }

    std::mutex lock_;
    uint64_t generation_ = 0;  // no machine has generation 0
    bool valid_ = false;       // the word is generation_'s counter
    std::atomic<uint32_t> seq_{0};
    std::atomic<uint64_t> mapped_{0};  // the generation a lock-free read may answer for
    std::atomic<uint32_t*> word_{nullptr};
};

// The machine-wide lock of every change: a thread lock for this process and
// an flock on spooler/lock for the others.
class ChangeLock {
public:
    ChangeLock() : guard_(mutex()) {
        fs::path dir = spoolerDir();
        if (dir.empty()) return;
        std::error_code ec;
        fs::create_directories(dir, ec);
        fd_ = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0)
            while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~ChangeLock() {
        if (fd_ >= 0) ::close(fd_);  // releases the flock
    }
    bool ok() const { return fd_ >= 0; }
    static std::recursive_mutex& mutex() {
        static std::recursive_mutex* m = new std::recursive_mutex;
        return *m;
    }

private:
    std::lock_guard<std::recursive_mutex> guard_;
    int fd_ = -1;
};

// ---- state: format ----

void putField(std::ostringstream& o, const char* key, const std::string& v) { o << ' ' << key << ' ' << v << '\n'; }
void putText(std::ostringstream& o, const char* key, std::u16string_view v) {
    if (!v.empty()) putField(o, key, encodeText(v));
}

std::string formatState(const State& s) {
    std::ostringstream o;
    o << "# Printers, drivers and forms of the emulated machine's spooler.\n" << kMagic << "\n";
    o << "next-printer-id " << s.nextPrinterId << "\n";
    for (const auto& d : s.drivers) {
        o << "driver\n";
        putField(o, "name", encodeText(d.name));
        putField(o, "version", std::to_string(d.version));
        putText(o, "environment", d.environment);
        putText(o, "driver-path", d.driverPath);
        putText(o, "data-file", d.dataFile);
        putText(o, "config-file", d.configFile);
        putText(o, "help-file", d.helpFile);
        for (const auto& f : d.dependentFiles) putField(o, "dependent-file", encodeText(f));
        putText(o, "monitor", d.monitor);
        putText(o, "default-datatype", d.defaultDatatype);
        o << "end\n";
    }
    for (const auto& p : s.printers) {
        o << "printer\n";
        putField(o, "id", std::to_string(p.id));
        putField(o, "name", encodeText(p.name));
        putText(o, "server", p.server);
        putText(o, "share", p.share);
        putText(o, "port", p.port);
        putText(o, "driver", p.driver);
        putText(o, "comment", p.comment);
        putText(o, "location", p.location);
        putField(o, "attributes", hexWord(p.attributes));
        putField(o, "status", hexWord(p.status));
        putField(o, "priority", std::to_string(p.priority));
        if (!p.devmode.empty()) putField(o, "devmode", encodeBytes(p.devmode));
        for (const auto& v : p.data)
            o << " value " << v.type << ' ' << encodeBytes(v.data) << ' ' << encodeText(v.name) << '\n';
        o << "end\n";
    }
    for (const auto& f : s.forms) {
        o << "form\n";
        putField(o, "name", encodeText(f.name));
        putField(o, "flags", std::to_string(f.flags));
        putField(o, "size", std::to_string(f.cx) + " " + std::to_string(f.cy));
        putField(o, "area", std::to_string(f.left) + " " + std::to_string(f.top) + " " + std::to_string(f.right) +
                                " " + std::to_string(f.bottom));
        o << "end\n";
    }
    return o.str();
}

bool splitInts(const std::string& v, std::vector<int32_t>& out, size_t n) {
    out.clear();
    std::istringstream in(v);
    std::string w;
    while (in >> w) {
        int32_t x;
        if (!parseI32(w, x)) return false;
        out.push_back(x);
    }
    return out.size() == n;
}

bool parseState(const std::string& text, State& s, std::string* why) {
    Parsed parsed;
    if (!parseRecords(text, parsed, why)) return false;
    for (const auto& h : parsed.header)
        if (h.key == "next-printer-id" && !parseU32(h.value, s.nextPrinterId)) {
            if (why) *why = "bad next-printer-id";
            return false;
        }
    for (const auto& r : parsed.records) {
        FieldReader fr(r, why);
        if (r.kind == "driver") {
            DriverRecord d;
            d.environment.clear();
            for (const auto& f : r.fields) {
                bool ok = true;
                if (f.key == "name") ok = fr.text(f, d.name);
                else if (f.key == "version") ok = fr.u32(f, d.version);
                else if (f.key == "environment") ok = fr.text(f, d.environment);
                else if (f.key == "driver-path") ok = fr.text(f, d.driverPath);
                else if (f.key == "data-file") ok = fr.text(f, d.dataFile);
                else if (f.key == "config-file") ok = fr.text(f, d.configFile);
                else if (f.key == "help-file") ok = fr.text(f, d.helpFile);
                else if (f.key == "dependent-file") ok = fr.text(f, d.dependentFiles.emplace_back());
                else if (f.key == "monitor") ok = fr.text(f, d.monitor);
                else if (f.key == "default-datatype") ok = fr.text(f, d.defaultDatatype);
                if (!ok) return false;
            }
            if (d.name.empty()) {
                if (why) *why = "driver record at line " + std::to_string(r.line) + " has no name";
                return false;
            }
            s.drivers.push_back(std::move(d));
        } else if (r.kind == "printer") {
            PrinterRecord p;
            p.port.clear();
            for (const auto& f : r.fields) {
                bool ok = true;
                if (f.key == "id") ok = fr.u32(f, p.id);
                else if (f.key == "name") ok = fr.text(f, p.name);
                else if (f.key == "server") ok = fr.text(f, p.server);
                else if (f.key == "share") ok = fr.text(f, p.share);
                else if (f.key == "port") ok = fr.text(f, p.port);
                else if (f.key == "driver") ok = fr.text(f, p.driver);
                else if (f.key == "comment") ok = fr.text(f, p.comment);
                else if (f.key == "location") ok = fr.text(f, p.location);
                else if (f.key == "attributes") ok = fr.u32(f, p.attributes);
                else if (f.key == "status") ok = fr.u32(f, p.status);
                else if (f.key == "priority") ok = fr.u32(f, p.priority);
                else if (f.key == "devmode") ok = fr.bytes(f, p.devmode) && devmodeSizeMatches(p.devmode);
                else if (f.key == "value") {
                    // "TYPE HEX NAME"
                    size_t a = f.value.find(' ');
                    size_t b = a == std::string::npos ? a : f.value.find(' ', a + 1);
                    PrinterValue v;
                    ok = b != std::string::npos && parseU32(f.value.substr(0, a), v.type) &&
                         decodeBytes(f.value.substr(a + 1, b - a - 1), v.data) &&
                         decodeText(f.value.substr(b + 1), v.name);
                    if (!ok) return fr.fail(f);
                    p.data.push_back(std::move(v));
                }
                if (!ok) return false;
            }
            if (p.id == 0 || p.name.empty()) {
                if (why) *why = "printer record at line " + std::to_string(r.line) + " has no id or name";
                return false;
            }
            s.printers.push_back(std::move(p));
        } else if (r.kind == "form") {
            FormRecord fm;
            for (const auto& f : r.fields) {
                bool ok = true;
                std::vector<int32_t> v;
                if (f.key == "name") ok = fr.text(f, fm.name);
                else if (f.key == "flags") ok = fr.u32(f, fm.flags);
                else if (f.key == "size") {
                    ok = splitInts(f.value, v, 2);
                    if (ok) fm.cx = v[0], fm.cy = v[1];
                } else if (f.key == "area") {
                    ok = splitInts(f.value, v, 4);
                    if (ok) fm.left = v[0], fm.top = v[1], fm.right = v[2], fm.bottom = v[3];
                }
                if (!ok) return fr.fail(f);
            }
            if (fm.name.empty()) {
                if (why) *why = "form record at line " + std::to_string(r.line) + " has no name";
                return false;
            }
            s.forms.push_back(std::move(fm));
        }
        // Records of other kinds belong to newer builds and are skipped.
    }
    for (const auto& p : s.printers)
        if (p.id >= s.nextPrinterId) s.nextPrinterId = p.id + 1;
    return true;
}

// ---- jobs: format ----

std::string formatJobs(const Jobs& j) {
    std::ostringstream o;
    o << "# Print jobs of the emulated machine's spooler.\n" << kMagic << "\n";
    o << "next-job-id " << j.nextJobId << "\n";
    for (const auto& job : j.jobs) {
        o << "job\n";
        putField(o, "id", std::to_string(job.id));
        putField(o, "printer-id", std::to_string(job.printerId));
        putText(o, "printer", job.printer);
        putText(o, "machine", job.machine);
        putText(o, "user", job.user);
        putText(o, "document", job.document);
        putText(o, "datatype", job.datatype);
        putText(o, "output-file", job.outputFile);
        putText(o, "spool-file", job.spoolFile);
        putField(o, "status", hexWord(job.status));
        putField(o, "pages", std::to_string(job.pages));
        putField(o, "submitted", std::to_string(job.submitted));
        if (!job.devmode.empty()) putField(o, "devmode", encodeBytes(job.devmode));
        o << "end\n";
    }
    return o.str();
}

bool parseJobs(const std::string& text, Jobs& j, std::string* why) {
    Parsed parsed;
    if (!parseRecords(text, parsed, why)) return false;
    for (const auto& h : parsed.header)
        if (h.key == "next-job-id" && !parseU32(h.value, j.nextJobId)) {
            if (why) *why = "bad next-job-id";
            return false;
        }
    for (const auto& r : parsed.records) {
        if (r.kind != "job") continue;
        FieldReader fr(r, why);
        JobRecord job;
        for (const auto& f : r.fields) {
            bool ok = true;
            if (f.key == "id") ok = fr.u32(f, job.id);
            else if (f.key == "printer-id") ok = fr.u32(f, job.printerId);
            else if (f.key == "printer") ok = fr.text(f, job.printer);
            else if (f.key == "machine") ok = fr.text(f, job.machine);
            else if (f.key == "user") ok = fr.text(f, job.user);
            else if (f.key == "document") ok = fr.text(f, job.document);
            else if (f.key == "datatype") ok = fr.text(f, job.datatype);
            else if (f.key == "output-file") ok = fr.text(f, job.outputFile);
            else if (f.key == "spool-file") ok = fr.text(f, job.spoolFile);
            else if (f.key == "status") ok = fr.u32(f, job.status);
            else if (f.key == "pages") ok = fr.u32(f, job.pages);
            else if (f.key == "submitted") ok = fr.u64(f, job.submitted);
            else if (f.key == "devmode") ok = fr.bytes(f, job.devmode) && devmodeSizeMatches(job.devmode);
            if (!ok) return false;
        }
        if (job.id == 0) {
            if (why) *why = "job record at line " + std::to_string(r.line) + " has no id";
            return false;
        }
        if (job.id >= j.nextJobId) j.nextJobId = job.id + 1;
        j.jobs.push_back(std::move(job));
    }
    return true;
}

// ---- cached reads ----

// The last state read. While the change counter keeps the value it had when
// the state was read, a query costs no system call; otherwise the state is
// kept while the file's identity (device, inode, size, modification and
// change times) stays the same. A change reads with `verify`, always looking
// at the file: one made behind the spooler's back (another program writing
// the file) then drops the cached state and moves the counter on, so every
// process reads the file again. Readers share the parsed value; it is never
// changed once made.
template <class T>
struct Cache {
    std::mutex lock;
    std::string root;  // the machine root the file was read under
    std::string file;  // its host path
    std::optional<FileKey> key;
    std::shared_ptr<const T> value;
    uint64_t generation = 0;  // machine generation of the read
    bool counted = false;     // `count` is the counter at the read
    uint32_t count = 0;
    // Moves on with every change of the fields above (under `lock`), so a
    // reader can tell without the lock that the cache answers as it did.
    std::atomic<uint64_t> version{0};
    void changed() { version.fetch_add(1, std::memory_order_acq_rel); }
};

template <class T>
DWORD readCached(Cache<T>& cache, const char* fileName, bool (*parse)(const std::string&, T&, std::string*),
                 std::shared_ptr<const T>& out, std::string* why, bool verify = false) {
    const uint64_t generation = detail::machineGeneration();
    uint32_t count = 0;
    const bool counted = ChangeCounter::get().read(generation, count);
    if (counted && !verify) {
        std::lock_guard g(cache.lock);
        if (cache.value && cache.counted && cache.generation == generation && cache.count == count) {
            out = cache.value;
            return ERROR_SUCCESS;
        }
    }
    const fs::path root = machineRoot();
    if (root.empty()) {
        out = std::make_shared<const T>();
        return ERROR_SUCCESS;
    }
    std::string file;
    {
        std::lock_guard g(cache.lock);
        if (cache.root == root.native()) file = cache.file;
    }
    if (file.empty()) file = (root / "spooler" / fileName).native();
    auto key = keyOf(file);
    {
        std::lock_guard g(cache.lock);
        const bool sameFile = cache.file == file && cache.root == root.native();
        // A change trusts the file's identity only once its times have
        // settled: an edit in the same clock step may leave them as they were.
        if (key && cache.key && *cache.key == *key && sameFile && cache.value && (!verify || key->settled())) {
            cache.generation = generation;
            cache.counted = counted;
            cache.count = count;
            cache.changed();
            out = cache.value;
            return ERROR_SUCCESS;
        }
        if (verify && sameFile && cache.value && !(key && cache.key && *cache.key == *key)) {
            // Changed without the counter moving: no process may keep it.
            cache.value = nullptr;
            cache.key.reset();
            cache.changed();
            ChangeCounter::get().bump();
        }
    }
    std::string text;
    if (!readText(fs::path(file), text)) {
        if (why) *why = "cannot read " + file;
        return ERROR_READ_FAULT;
    }
    auto value = std::make_shared<T>();
    std::string reason;
    if (!parse(text, *value, &reason)) {
        if (why) *why = file + ": " + reason;
        return ERROR_INVALID_DATA;
    }
    std::lock_guard g(cache.lock);
    cache.root = root.native();
    cache.file = file;
    cache.key = key;
    // A file that is missing is kept as empty only while the counter vouches
    // for it: there is no identity to check it by.
    cache.value = key || counted ? value : nullptr;
    cache.generation = generation;
    cache.counted = counted;
    cache.count = count;
    cache.changed();
    out = std::move(value);
    return ERROR_SUCCESS;
}

Cache<State>& stateCache() {
    static Cache<State>* c = new Cache<State>;
    return *c;
}
Cache<Jobs>& jobsCache() {
    static Cache<Jobs>* c = new Cache<Jobs>;
    return *c;
}

}  // namespace

DWORD readSharedState(std::shared_ptr<const State>& out, std::string* why) {
    return readCached(stateCache(), kStateFile, parseState, out, why);
}

DWORD readState(State& out, std::string* why) {
    std::shared_ptr<const State> shared;
    if (DWORD e = readSharedState(shared, why)) return e;
    out = *shared;
    return ERROR_SUCCESS;
}

DWORD readSharedJobs(std::shared_ptr<const Jobs>& out, std::string* why) {
    return readCached(jobsCache(), kJobsFile, parseJobs, out, why);
}

DWORD readJobs(Jobs& out, std::string* why) {
    std::shared_ptr<const Jobs> shared;
    if (DWORD e = readSharedJobs(shared, why)) return e;
    out = *shared;
    return ERROR_SUCCESS;
}

DWORD changeBoth(const std::function<DWORD(State&, Jobs&)>& change) {
    if (spoolerDir().empty()) return ERROR_INVALID_PRINTER_NAME;  // no machine: no printers
    ChangeLock lock;
    if (!lock.ok()) return ERROR_ACCESS_DENIED;
    std::shared_ptr<const State> sharedState;
    std::shared_ptr<const Jobs> sharedJobs;
    if (DWORD e = readCached(stateCache(), kStateFile, parseState, sharedState, nullptr, true)) return e;
    if (DWORD e = readCached(jobsCache(), kJobsFile, parseJobs, sharedJobs, nullptr, true)) return e;
    State s = *sharedState;
    Jobs j = *sharedJobs;
    std::string before = formatState(s), beforeJobs = formatJobs(j);
    if (DWORD e = change(s, j)) return e;
    std::string after = formatState(s), afterJobs = formatJobs(j);
    fs::path dir = spoolerDir();
    const bool stateChanged = after != before, jobsChanged = afterJobs != beforeJobs;
    bool ok = !stateChanged || writeAtomically(dir / kStateFile, after);
    ok = ok && (!jobsChanged || writeAtomically(dir / kJobsFile, afterJobs));
    // Counted even when the second write failed: the first one is done.
    if (stateChanged || jobsChanged) ChangeCounter::get().bump();
    return ok ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

DWORD changeState(const std::function<DWORD(State&)>& change) {
    return changeBoth([&](State& s, Jobs&) { return change(s); });
}

DWORD changeJobs(const std::function<DWORD(Jobs&)>& change) {
    return changeBoth([&](State&, Jobs& j) { return change(j); });
}

// ---- lookups ----

PrinterRecord* State::printerByName(std::u16string_view name) {
    for (auto& p : printers)
        if (detail::wequalNoCase(p.name, name)) return &p;
    return nullptr;
}

PrinterRecord* State::printerById(uint32_t id) {
    for (auto& p : printers)
        if (p.id == id) return &p;
    return nullptr;
}

const PrinterRecord* State::printerById(uint32_t id) const {
    for (const auto& p : printers)
        if (p.id == id) return &p;
    return nullptr;
}

const DriverRecord* State::driverByName(std::u16string_view name) const {
    for (const auto& d : drivers)
        if (detail::wequalNoCase(d.name, name)) return &d;
    return nullptr;
}

JobRecord* Jobs::byId(uint32_t id) {
    for (auto& j : jobs)
        if (j.id == id) return &j;
    return nullptr;
}

// ---- text ----

std::u16string boundedText(const WCHAR* s, size_t max) {
    if (!s) return {};
    return std::u16string(s, detail::wlenBounded(s, max));
}

namespace {
bool validLocalName(std::u16string_view n) {
    if (n.empty() || n.size() >= MAX_PATH) return false;
    for (char16_t c : n)
        if (c < 0x20 || c == u'\\' || c == u',' || c == u'!') return false;
    return true;
}
}  // namespace

std::u16string splitServer(std::u16string_view full, std::u16string* local) {
    if (full.size() > 2 && full[0] == u'\\' && full[1] == u'\\') {
        size_t sep = full.find(u'\\', 2);
        if (sep == std::u16string_view::npos) {
            if (local) local->clear();
            return std::u16string(full);
        }
        if (local) *local = std::u16string(full.substr(sep + 1));
        return std::u16string(full.substr(0, sep));
    }
    if (local) *local = std::u16string(full);
    return {};
}

bool validPrinterName(std::u16string_view name) {
    if (name.empty() || name.size() >= MAX_PATH) return false;
    std::u16string local;
    std::u16string server = splitServer(name, &local);
    if (!server.empty()) {
        if (server.size() < 3) return false;
        for (char16_t c : server.substr(2))
            if (c < 0x20 || c == u'\\' || c == u',' || c == u'/') return false;
    }
    return validLocalName(local);
}

// ---- DEVMODE ----

std::optional<std::vector<uint8_t>> copyDevmode(const void* dm) {
    if (!dm) return std::nullopt;
    const uint8_t* b = static_cast<const uint8_t*>(dm);
    size_t size = static_cast<size_t>(b[68] | (b[69] << 8));
    size_t extra = static_cast<size_t>(b[70] | (b[71] << 8));
    if (size < 72) return std::nullopt;
    return std::vector<uint8_t>(b, b + size + extra);
}

// ---- handles ----

namespace {
// Printer handles live in a range of their own so that they are never
// mistaken for kernel handles (CloseHandle refuses them, as on Windows).
detail::HandleTable<PrinterHandle>& handleTable() {
    static auto* t = new detail::HandleTable<PrinterHandle>(0x50000000, 8);
    return *t;
}

// Moves on with every printer handle opened or closed: while it stands, a
// handle names the object it named.
std::atomic<uint64_t>& handleEpoch() {
    static std::atomic<uint64_t> epoch{1};
    return epoch;
}

// The last printer a thread's quick resolve found, with what it was found
// under: the handle table's epoch, the machine, the change counter and the
// state cache's version. The shared pointers keep the records alive.
struct QuickTarget {
    HANDLE h = nullptr;
    uint64_t epoch = 0;
    uint64_t generation = 0;
    uint32_t count = 0;
    uint64_t version = 0;
    std::shared_ptr<PrinterHandle> handle;
    std::shared_ptr<const State> state;
    const PrinterRecord* printer = nullptr;
};

QuickTarget& quickTarget() {
    static thread_local QuickTarget q;
    return q;
}
}  // namespace

HANDLE addPrinterHandle(std::shared_ptr<PrinterHandle> h) {
    HANDLE added = handleTable().add(std::move(h));
    handleEpoch().fetch_add(1, std::memory_order_acq_rel);
    return added;
}

std::shared_ptr<PrinterHandle> lookupPrinterHandle(HANDLE h) { return handleTable().find(h); }

std::shared_ptr<PrinterHandle> removePrinterHandle(HANDLE h) {
    auto removed = handleTable().remove(h);
    handleEpoch().fetch_add(1, std::memory_order_acq_rel);
    return removed;
}

DWORD resolvePrinterHandle(HANDLE h, Target& out) {
    out.handle = lookupPrinterHandle(h);
    if (!out.handle || out.handle->server) return ERROR_INVALID_HANDLE;
    if (DWORD e = readSharedState(out.state)) return e;
    out.printer = out.state->printerById(out.handle->printerId);
    if (!out.printer) return ERROR_INVALID_PRINTER_NAME;  // removed since the handle was opened
    return ERROR_SUCCESS;
}

DWORD resolvePrinterQuick(HANDLE h, const PrinterRecord*& printer) {
    QuickTarget& q = quickTarget();
    const uint64_t generation = detail::machineGeneration();
    const uint64_t epoch = handleEpoch().load(std::memory_order_acquire);
    uint32_t count = 0;
    const bool counted = ChangeCounter::get().read(generation, count);
    Cache<State>& cache = stateCache();
    if (q.printer && q.h == h && q.epoch == epoch && q.generation == generation && counted && q.count == count &&
        cache.version.load(std::memory_order_acquire) == q.version) {
        printer = q.printer;
        return ERROR_SUCCESS;
    }
    q.printer = nullptr;
    Target t;
    if (DWORD e = resolvePrinterHandle(h, t)) return e;
    printer = t.printer;
    // The state the record lies in stays held here until the thread's next
    // call, whether or not it is kept for reuse: a change by another thread
    // may already have replaced it in the cache, and then this is the last
    // reference to the record the caller is about to read.
    q.handle = std::move(t.handle);
    q.state = std::move(t.state);
    // Kept for reuse only when a read now would answer this very state from
    // the cache at the counter read above.
    std::lock_guard g(cache.lock);
    if (counted && cache.value == q.state && cache.counted && cache.generation == generation && cache.count == count) {
        q.h = h;
        q.epoch = epoch;
        q.generation = generation;
        q.count = count;
        q.version = cache.version.load(std::memory_order_acquire);
        q.printer = printer;
    }
    return ERROR_SUCCESS;
}

bool checkBuffer(const BYTE* buf, DWORD cbBuf, LPDWORD pcbNeeded, size_t needed) {
    if (!pcbNeeded) {
        detail::setError(RPC_X_NULL_REF_POINTER);
        return false;
    }
    if (!buf && cbBuf) {
        detail::setError(ERROR_INVALID_USER_BUFFER);
        return false;
    }
    if (needed > 0xFFFFFFFFu) {
        detail::setError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    *pcbNeeded = static_cast<DWORD>(needed);
    if (cbBuf < needed) {
        detail::setError(ERROR_INSUFFICIENT_BUFFER);
        return false;
    }
    return true;
}

SYSTEMTIME systemTimeOf(uint64_t ft) {
    SYSTEMTIME st{};
    uint64_t ms = ft / 10000;
    uint64_t days = ms / 86400000;
    uint64_t rest = ms % 86400000;
    st.wMilliseconds = static_cast<WORD>(rest % 1000);
    st.wSecond = static_cast<WORD>(rest / 1000 % 60);
    st.wMinute = static_cast<WORD>(rest / 60000 % 60);
    st.wHour = static_cast<WORD>(rest / 3600000);
    st.wDayOfWeek = static_cast<WORD>((days + 1) % 7);  // 1601-01-01 was a Monday
    // Civil date from days since 1601-01-01 (proleptic Gregorian).
    int64_t z = static_cast<int64_t>(days) - 134774 + 719468;  // days since 0000-03-01
    int64_t era = z / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t y = yoe + era * 400;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t d = doy - (153 * mp + 2) / 5 + 1;
    int64_t m = mp < 10 ? mp + 3 : mp - 9;
    st.wYear = static_cast<WORD>(y + (m <= 2));
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    return st;
}

}  // namespace winsim::spool

namespace winsim {

bool devmodeSizeMatches(const std::vector<uint8_t>& b) {
    if (b.size() < 72) return false;
    size_t size = static_cast<size_t>(b[68] | (b[69] << 8));
    size_t extra = static_cast<size_t>(b[70] | (b[71] << 8));
    return size >= 72 && size + extra == b.size();
}

size_t openPrinterHandles() { return spool::handleTable().size(); }

std::optional<PrinterRecord> findPrinterOn(const fs::path& root, std::u16string_view name) {
    std::string text;
    spool::State state;
    if (root.empty() || !spool::readText(root / "spooler" / spool::kStateFile, text) ||
        !spool::parseState(text, state, nullptr))
        return std::nullopt;
    const PrinterRecord* p = state.printerByName(name);
    if (!p) return std::nullopt;
    return *p;
}

}  // namespace winsim
