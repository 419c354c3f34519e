// The job-control library's state file: "zorjc32/items.txt" under the
// machine root, one line a value: the printer name, a tab, the item code (or
// "registered"), a tab and the value as UTF-8 with backslash, tab, CR and LF
// escaped. Rewritten whole through a temporary file and a rename, under an
// advisory lock, so another process reads either the old or the new state.
#include "jc_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/sim.h"

namespace fs = std::filesystem;

namespace zorjc {
namespace {

constexpr char kRegistered[] = "registered";

fs::path folder() { return winsim::detail::stateDir("zorjc32"); }

// An exclusive lock on the folder's lock file for the object's lifetime.
class Lock {
public:
    Lock() {
        const fs::path dir = folder();
        if (dir.empty()) return;
        std::error_code ec;
        fs::create_directories(dir, ec);
        fd_ = ::open((dir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~Lock() {
        if (fd_ >= 0) ::close(fd_);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    int fd_ = -1;
};

std::string escape(std::string_view s) {
    std::string o;
    for (char c : s) {
        if (c == '\\') o += "\\\\";
        else if (c == '\t') o += "\\t";
        else if (c == '\n') o += "\\n";
        else if (c == '\r') o += "\\r";
        else o += c;
    }
    return o;
}

std::string unescape(std::string_view s) {
    std::string o;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            o += s[i];
            continue;
        }
        const char n = s[++i];
        o += n == 't' ? '\t' : n == 'n' ? '\n' : n == 'r' ? '\r' : n;
    }
    return o;
}

PrinterState& stateOf(std::vector<PrinterState>& all, std::u16string_view printer) {
    for (auto& s : all)
        if (winsim::detail::wequalNoCase(s.printer, printer)) return s;
    all.push_back(PrinterState{std::u16string(printer), false, {}});
    return all.back();
}

std::vector<PrinterState> readUnlocked() {
    std::vector<PrinterState> all;
    const fs::path dir = folder();
    if (dir.empty()) return all;
    std::ifstream in(dir / "items.txt", std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        const size_t a = line.find('\t');
        const size_t b = a == std::string::npos ? a : line.find('\t', a + 1);
        if (b == std::string::npos || a == 0) continue;
        PrinterState& s = stateOf(all, winsim::fromUtf8(unescape(line.substr(0, a))));
        const std::string code = line.substr(a + 1, b - a - 1);
        const std::u16string value = winsim::fromUtf8(unescape(line.substr(b + 1)));
        if (code == kRegistered) {
            s.registered = value == u"1";
            continue;
        }
        char* end = nullptr;
        const unsigned long n = std::strtoul(code.c_str(), &end, 10);
        if (!code.empty() && !*end && n <= 0xFFFFFFFFul) put(s, static_cast<DWORD>(n), value);
    }
    return all;
}

bool writeUnlocked(const std::vector<PrinterState>& all) {
    const fs::path dir = folder();
    if (dir.empty()) return false;
    std::ostringstream o;
    for (const auto& s : all) {
        const std::string name = escape(winsim::toUtf8(s.printer));
        if (s.registered) o << name << '\t' << kRegistered << "\t1\n";
        for (const auto& [code, text] : s.values) o << name << '\t' << code << '\t' << escape(winsim::toUtf8(text)) << '\n';
    }
    const fs::path tmp = dir / ("items.txt." + std::to_string(::getpid()));
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << o.str();
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, dir / "items.txt", ec);
    if (ec) fs::remove(tmp, ec);
    return !ec;
}

}  // namespace

std::vector<PrinterState> loadAll() {
    Lock lock;
    return readUnlocked();
}

PrinterState load(std::u16string_view printer) {
    for (auto& s : loadAll())
        if (winsim::detail::wequalNoCase(s.printer, printer)) return s;
    return PrinterState{std::u16string(printer), false, {}};
}

bool save(const PrinterState& s) {
    Lock lock;
    std::vector<PrinterState> all = readUnlocked();
    stateOf(all, s.printer) = s;
    std::vector<PrinterState> kept;
    for (auto& p : all)
        if (p.registered || !p.values.empty()) kept.push_back(std::move(p));
    return writeUnlocked(kept);
}

const std::u16string* find(const PrinterState& s, DWORD code) {
    for (const auto& [c, text] : s.values)
        if (c == code) return &text;
    return nullptr;
}

void put(PrinterState& s, DWORD code, std::u16string text) {
    for (auto it = s.values.begin(); it != s.values.end(); ++it)
        if (it->first == code) {
            if (text.empty()) s.values.erase(it);
            else it->second = std::move(text);
            return;
        }
    if (!text.empty()) s.values.emplace_back(code, std::move(text));
}

}  // namespace zorjc
