// The emulated machine: its root folder, configuration and path mapping.
//
// Layout of a machine root:
//   machine.cfg        configuration (key=value lines, UTF-8)
//   C/ ...             drive C: (one folder per drive letter, upper case)
//   registry/ spooler/ state of the registry and the spooler, kept by their services
#include "sim.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>
#include <time.h>

namespace fs = std::filesystem;

namespace winsim {
namespace {

constexpr const char* kConfigFile = "machine.cfg";

struct Current {
    std::mutex lock;
    fs::path root;
    std::atomic<uint64_t> generation{1};  // changes with every useMachine
    bool chosen = false;  // set by useMachine; else VESK_MACHINE is read
    // Set (under `lock`) once `cfg` holds the machine's configuration, and
    // cleared by useMachine; read without the lock by config(), whose answer
    // once loaded is the same reference the locked path gives.
    std::atomic<bool> loaded{false};
    MachineConfig cfg;
};
Current& current() {
    static Current* c = new Current;
    return *c;
}

bool parseUint(const std::string& v, uint32_t& out) {
    if (v.empty()) return false;
    char* end = nullptr;
    unsigned long long n = std::strtoull(v.c_str(), &end, 0);
    if (*end || n > 0xFFFFFFFFull) return false;
    out = static_cast<uint32_t>(n);
    return true;
}

bool parseInt(const std::string& v, int32_t& out) {
    if (v.empty()) return false;
    char* end = nullptr;
    long long n = std::strtoll(v.c_str(), &end, 10);
    if (*end || n < INT32_MIN || n > INT32_MAX) return false;
    out = static_cast<int32_t>(n);
    return true;
}

std::string trim(std::string s) {
    size_t b = s.find_first_not_of(" \t\r");
    size_t e = s.find_last_not_of(" \t\r");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

bool loadConfigLocked(Current& c) {
    if (c.loaded.load(std::memory_order_relaxed)) return true;
    if (!c.chosen) {
        const char* env = std::getenv("VESK_MACHINE");
        if (env && *env) c.root = fs::path(env);
    }
    if (c.root.empty()) return false;
    std::ifstream in(c.root / kConfigFile, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    MachineConfig cfg;
    if (!parseConfig(ss.str(), cfg, nullptr)) return false;
    c.cfg = std::move(cfg);
    c.loaded.store(true, std::memory_order_release);
    return true;
}

}  // namespace

std::optional<std::string> MachineConfig::get(std::string_view key) const {
    for (const auto& [k, v] : extra)
        if (k == key) return v;
    return std::nullopt;
}

void MachineConfig::set(std::string_view key, std::string_view value) {
    for (auto& [k, v] : extra)
        if (k == key) {
            v = value;
            return;
        }
    extra.emplace_back(std::string(key), std::string(value));
}

bool parseConfig(std::string_view text, MachineConfig& cfg, std::string* error) {
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNo = 0;
    auto fail = [&](const std::string& why) {
        if (error) *error = "machine.cfg line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        line = trim(line);
        if (line.empty() || line[0] == '#') continue;
        size_t eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key=value");
        std::string key = trim(line.substr(0, eq));
        std::string val = trim(line.substr(eq + 1));
        bool ok = true;
        if (key == "os.major") ok = parseUint(val, cfg.osMajor);
        else if (key == "os.minor") ok = parseUint(val, cfg.osMinor);
        else if (key == "os.build") ok = parseUint(val, cfg.osBuild);
        else if (key == "os.platform") ok = parseUint(val, cfg.osPlatform);
        else if (key == "os.suite") ok = parseUint(val, cfg.osSuite);
        else if (key == "os.servicepack") cfg.osServicePack = val;
        else if (key == "os.producttype") ok = parseUint(val, cfg.osProductType);
        else if (key == "codepage.ansi") ok = parseUint(val, cfg.ansiCodePage);
        else if (key == "codepage.oem") ok = parseUint(val, cfg.oemCodePage);
        else if (key == "user.name") ok = !(cfg.userName = val).empty();
        else if (key == "user.admin") { uint32_t b = 0; ok = parseUint(val, b) && b <= 1; cfg.userIsAdmin = b; }
        else if (key == "computer.name") cfg.computerName = val;
        else if (key == "locale.lcid") ok = parseUint(val, cfg.userLcid);
        else if (key == "locale.country") cfg.userCountry = val;
        else if (key == "time.bias") ok = parseInt(val, cfg.timeZoneBiasMinutes);
        else if (key == "dir.windows") cfg.windowsDir = val;
        else if (key == "dir.system") cfg.systemDir = val;
        else if (key == "dir.profiles") cfg.profilesDir = val;
        else if (key == "dir.programfiles") cfg.programFilesDir = val;
        else cfg.set(key, val);
        if (!ok) return fail("bad value for " + key);
    }
    return true;
}

std::string formatConfig(const MachineConfig& c) {
    std::ostringstream o;
    o << "# Emulated Windows machine for the vesk driver\n"
      << "os.major=" << c.osMajor << "\n"
      << "os.minor=" << c.osMinor << "\n"
      << "os.build=" << c.osBuild << "\n"
      << "os.platform=" << c.osPlatform << "\n"
      << "os.suite=0x" << std::hex << c.osSuite << std::dec << "\n"
      << "os.servicepack=" << c.osServicePack << "\n"
      << "os.producttype=" << c.osProductType << "\n"
      << "codepage.ansi=" << c.ansiCodePage << "\n"
      << "codepage.oem=" << c.oemCodePage << "\n"
      << "user.name=" << c.userName << "\n"
      << "user.admin=" << (c.userIsAdmin ? 1 : 0) << "\n"
      << "computer.name=" << c.computerName << "\n"
      << "locale.lcid=0x" << std::hex << c.userLcid << std::dec << "\n"
      << "locale.country=" << c.userCountry << "\n"
      << "time.bias=" << c.timeZoneBiasMinutes << "\n"
      << "dir.windows=" << c.windowsDir << "\n"
      << "dir.system=" << c.systemDir << "\n"
      << "dir.profiles=" << c.profilesDir << "\n"
      << "dir.programfiles=" << c.programFilesDir << "\n";
    for (const auto& [k, v] : c.extra) o << k << "=" << v << "\n";
    return o.str();
}

fs::path machineRoot() {
    auto& c = current();
    std::lock_guard g(c.lock);
    loadConfigLocked(c);
    return c.root;
}

bool useMachine(const fs::path& root) {
    auto& c = current();
    std::lock_guard g(c.lock);
    c.root = root;
    c.chosen = true;
    c.loaded.store(false, std::memory_order_release);
    c.generation.fetch_add(1, std::memory_order_acq_rel);
    c.cfg = MachineConfig{};
    return loadConfigLocked(c);
}

MachineConfig& config() {
    auto& c = current();
    if (c.loaded.load(std::memory_order_acquire)) return c.cfg;
    std::lock_guard g(c.lock);
    loadConfigLocked(c);
    return c.cfg;
}

bool saveConfig() {
    auto& c = current();
    std::lock_guard g(c.lock);
    if (c.root.empty()) return false;
    fs::path tmp = c.root / (std::string(kConfigFile) + ".tmp");
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << formatConfig(c.cfg);
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, c.root / kConfigFile, ec);
    return !ec;
}

MachineBuilder::MachineBuilder(fs::path root) : root_(std::move(root)) {}

MachineBuilder& MachineBuilder::os(uint32_t major, uint32_t minor, uint32_t build, uint32_t platform) {
    cfg_.osMajor = major;
    cfg_.osMinor = minor;
    cfg_.osBuild = build;
    cfg_.osPlatform = platform;
    return *this;
}
MachineBuilder& MachineBuilder::suite(uint32_t m) {
    cfg_.osSuite = m;
    return *this;
}
MachineBuilder& MachineBuilder::codePage(uint32_t ansi, uint32_t oem) {
    cfg_.ansiCodePage = ansi;
    cfg_.oemCodePage = oem ? oem : (ansi == 932 ? 932 : 437);
    return *this;
}
MachineBuilder& MachineBuilder::user(std::string name, bool admin) {
    cfg_.userName = std::move(name);
    cfg_.userIsAdmin = admin;
    return *this;
}
MachineBuilder& MachineBuilder::locale(uint32_t lcid, std::string country) {
    cfg_.userLcid = lcid;
    cfg_.userCountry = std::move(country);
    return *this;
}
MachineBuilder& MachineBuilder::configure(const MachineConfig& cfg) {
    cfg_ = cfg;
    return *this;
}

bool MachineBuilder::build(std::string* error, bool activate) {
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    std::error_code ec;
    if (fs::exists(root_, ec) && !fs::is_empty(root_, ec))
        return fail("folder is not empty: " + root_.string());
    fs::create_directories(root_, ec);
    if (ec) return fail("cannot create " + root_.string() + ": " + ec.message());
    {
        std::ofstream out(root_ / kConfigFile, std::ios::binary);
        out << formatConfig(cfg_);
        if (!out.flush()) return fail("cannot write machine.cfg");
    }
    fs::create_directories(root_ / "registry", ec);
    fs::create_directories(root_ / "spooler", ec);
    // Folders of drive C:, created through the path mapping so they keep the
    // case the configuration gives.
    auto winDir = [&](const std::string& w) -> bool {
        if (w.size() < 3 || w[1] != ':') return false;
        fs::path p = root_ / std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(w[0]))));
        std::string rest = w.substr(3);
        size_t start = 0;
        while (start <= rest.size()) {
            size_t sep = rest.find('\\', start);
            std::string comp = rest.substr(start, sep == std::string::npos ? std::string::npos : sep - start);
            if (!comp.empty()) p /= comp;
            if (sep == std::string::npos) break;
            start = sep + 1;
        }
        fs::create_directories(p, ec);
        return !ec;
    };
    for (const std::string& d : {cfg_.windowsDir, cfg_.systemDir, cfg_.driverDir(), cfg_.spoolDir(),
                                 cfg_.tempDir(), cfg_.profileDir(), cfg_.programFilesDir,
                                 cfg_.windowsDir + "\\Fonts"})
        if (!winDir(d)) return fail("cannot create machine folder " + d);
    if (activate && !useMachine(root_)) return fail("cannot open the new machine");
    return true;
}

TempMachine::TempMachine() : TempMachine(MachineConfig{}) {}

TempMachine::TempMachine(const MachineConfig& cfg) {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = fs::temp_directory_path() / ("vesk-machine-" + std::to_string(rd()));
        std::error_code ec;
        if (fs::create_directory(p, ec)) {
            root_ = p;
            break;
        }
    }
    MachineBuilder b(root_);
    b.configure(cfg);
    b.build(nullptr, true);
}

TempMachine::~TempMachine() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);
}

namespace detail {

namespace {
std::mutex g_cwdLock;
// A program started by CreateProcessW inherits its Windows current directory.
std::u16string initialDirectory() {
    const char* env = std::getenv("VESK_CURRENT_DIRECTORY");
    std::u16string d = env ? fromUtf8(env) : std::u16string();
    if (d.size() < 3 || d[1] != u':' || d[2] != u'\\') return u"C:\\";
    return d;
}
std::u16string g_cwd = initialDirectory();

bool badNameChar(char16_t c) {
    return c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u'?' || c == u'*' || c == u':';
}
}  // namespace

std::u16string currentDirectory() {
    std::lock_guard g(g_cwdLock);
    return g_cwd;
}

void setCurrentDirectory(std::u16string dir) {
    std::lock_guard g(g_cwdLock);
    g_cwd = std::move(dir);
}

uint64_t machineGeneration() { return current().generation.load(std::memory_order_acquire); }

fs::path stateDir(std::string_view name) {
    fs::path r = machineRoot();
    return r.empty() ? r : r / std::string(name);
}

std::optional<ResolvedPath> resolve(std::u16string_view in, PathError* err) {
    return resolveUnder(machineRoot(), true, in, err);
}

namespace {

// The names of a folder, kept between lookups while the folder's change
// stamps (inode, modification and change times) stay as they were. A listing
// is kept only when it was taken after the folder's last change had aged past
// the file system's timestamp step, so that a change made later, by any
// process, moves the stamps.
struct DirListing {
    dev_t dev = 0;
    ino_t ino = 0;
    struct timespec mtime {};
    struct timespec ctime {};
    std::vector<std::string> names;  // in the folder's own order
};

struct DirListings {
    std::mutex lock;
    std::unordered_map<std::string, DirListing> byPath;
};
DirListings& dirListings() {
    static DirListings* d = new DirListings;
    return *d;
}

constexpr int64_t kStampSettleNs = 50'000'000;  // well past any file system's timestamp step

bool sameStamp(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

int64_t nanosBetween(const struct timespec& from, const struct timespec& to) {
    return (static_cast<int64_t>(to.tv_sec) - from.tv_sec) * 1'000'000'000 + (to.tv_nsec - from.tv_nsec);
}

}  // namespace

std::optional<std::string> dirEntryNoCase(const fs::path& dir, const std::string& name) {
    auto search = [&](const std::vector<std::string>& names) -> std::optional<std::string> {
        for (const std::string& n : names)
            if (equalNoCase(n, name)) return n;
        return std::nullopt;
    };
    struct stat st {};
    const std::string key = dir.string();
    const bool stamped = ::stat(key.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    DirListings& d = dirListings();
    if (stamped) {
        std::lock_guard g(d.lock);
        auto it = d.byPath.find(key);
        if (it != d.byPath.end()) {
            const DirListing& l = it->second;
            if (l.dev == st.st_dev && l.ino == st.st_ino && sameStamp(l.mtime, st.st_mtim) &&
                sameStamp(l.ctime, st.st_ctim))
                return search(l.names);
            d.byPath.erase(it);
        }
    }
    struct timespec listedAt {};
    clock_gettime(CLOCK_REALTIME, &listedAt);
    DirListing l;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) l.names.push_back(e.path().filename().string());
    std::optional<std::string> found = search(l.names);
    if (stamped && !ec && nanosBetween(st.st_mtim, listedAt) > kStampSettleNs &&
        nanosBetween(st.st_ctim, listedAt) > kStampSettleNs) {
        l.dev = st.st_dev;
        l.ino = st.st_ino;
        l.mtime = st.st_mtim;
        l.ctime = st.st_ctim;
        std::lock_guard g(d.lock);
        if (d.byPath.size() >= 256) d.byPath.clear();
        d.byPath.emplace(key, std::move(l));
    }
    return found;
}

std::optional<ResolvedPath> resolveUnder(const fs::path& root, bool relativeAllowed, std::u16string_view in,
                                         PathError* err) {
    auto fail = [&](PathError e) -> std::optional<ResolvedPath> {
        if (err) *err = e;
        return std::nullopt;
    };
    if (err) *err = PathError::None;
    if (root.empty()) return fail(PathError::NoMachine);

    std::u16string path(in);
    for (auto& ch : path)
        if (ch == u'/') ch = u'\\';
    if (path.size() >= 2 && path[0] == u'\\' && path[1] == u'\\') return fail(PathError::NotDrivePath);
    bool hasDrive = path.size() >= 2 && path[1] == u':' &&
                    ((path[0] >= u'A' && path[0] <= u'Z') || (path[0] >= u'a' && path[0] <= u'z'));
    if (!hasDrive) {
        if (!relativeAllowed) return fail(PathError::NotDrivePath);
        std::u16string cwd = currentDirectory();
        if (!path.empty() && path[0] == u'\\') path = cwd.substr(0, 2) + path;
        else path = cwd + (cwd.empty() || cwd.back() == u'\\' ? u"" : u"\\") + path;
    } else if (path.size() > 2 && path[2] != u'\\') {
        return fail(PathError::NotDrivePath);  // drive-relative "C:x" is not supported
    }

    char16_t drive = foldCase(path[0]);
    std::vector<std::u16string> comps;
    size_t i = 2;
    while (i < path.size()) {
        while (i < path.size() && path[i] == u'\\') ++i;
        size_t j = i;
        while (j < path.size() && path[j] != u'\\') ++j;
        if (j > i) {
            std::u16string c = path.substr(i, j - i);
            if (c == u".") {
            } else if (c == u"..") {
                if (!comps.empty()) comps.pop_back();
            } else {
                while (!c.empty() && (c.back() == u'.' || c.back() == u' ')) c.pop_back();
                if (c.empty()) return fail(PathError::BadName);
                for (char16_t ch : c)
                    if (badNameChar(ch)) return fail(PathError::BadName);
                comps.push_back(std::move(c));
            }
        }
        i = j;
    }

    ResolvedPath r;
    r.normalized = std::u16string(1, drive) + u":\\";
    for (size_t k = 0; k < comps.size(); ++k) {
        if (k) r.normalized += u'\\';
        r.normalized += comps[k];
    }
    if (r.normalized.size() >= MAX_PATH) return fail(PathError::TooLong);

    fs::path host = root / std::string(1, static_cast<char>(drive));
    std::error_code ec;
    // Most paths are spelt as the files were made: when the exact spelling
    // names an entry, one lookup settles every component. The host path is
    // put together as text and parsed once.
    if (!comps.empty()) {
        std::string text = host.native();
        for (const auto& c : comps) {
            text += '/';
            text += toUtf8(c);
        }
        fs::path exact(std::move(text));
        const fs::file_status st = fs::symlink_status(exact, ec);
        if (fs::exists(st)) {
            r.parentExists = true;
            if (fs::is_directory(st)) r.kind = ResolvedPath::Kind::Directory;
            else if (!fs::is_symlink(st)) r.kind = ResolvedPath::Kind::File;
            r.host = std::move(exact);
            return r;
        }
    }
    // A file not there yet (or spelt otherwise) in a folder spelt as made:
    // only the last component needs the case-insensitive search.
    size_t first = 0;
    bool exists = false;
    if (comps.size() > 1) {
        fs::path parent = host;
        for (size_t k = 0; k + 1 < comps.size(); ++k) parent /= toUtf8(comps[k]);
        if (fs::is_directory(parent, ec)) {
            host = std::move(parent);
            first = comps.size() - 1;
            exists = true;
        }
    }
    if (first == 0) exists = fs::is_directory(host, ec);
    for (size_t k = first; k < comps.size(); ++k) {
        const bool last = k + 1 == comps.size();
        if (last) r.parentExists = exists;
        std::string name = toUtf8(comps[k]);
        if (exists) {
            fs::path exact = host / name;
            if (fs::exists(fs::symlink_status(exact, ec))) {
                host = exact;
            } else if (std::optional<std::string> stored = dirEntryNoCase(host, name)) {
                host /= *stored;
            } else {
                host /= name;
                exists = false;
                continue;
            }
            if (!last) exists = fs::is_directory(host, ec);
        } else {
            host /= name;
        }
    }
    if (comps.empty()) r.parentExists = false;
    r.host = host;
    return r;
}

std::u16string windowsPathOf(const fs::path& host) {
    fs::path root = machineRoot();
    if (root.empty()) return {};
    std::error_code ec;
    fs::path rel = fs::relative(host, root, ec);
    if (ec || rel.empty()) return {};
    auto it = rel.begin();
    std::string drive = it->string();
    if (drive.size() != 1 || !std::isupper(static_cast<unsigned char>(drive[0]))) return {};
    std::u16string out = fromUtf8(drive) + u":";
    ++it;
    if (it == rel.end()) return out + u"\\";
    for (; it != rel.end(); ++it) {
        if (it->string() == ".") continue;
        out += u"\\" + fromUtf8(it->string());
    }
    return out;
}

void setPathError(PathError e) {
    switch (e) {
        case PathError::None: break;
        case PathError::TooLong: setError(ERROR_FILENAME_EXCED_RANGE); break;
        case PathError::BadName: setError(ERROR_INVALID_NAME); break;
        case PathError::NoMachine:
        case PathError::NotDrivePath: setError(ERROR_PATH_NOT_FOUND); break;
    }
}

}  // namespace detail

std::optional<fs::path> hostPath(std::u16string_view winPath) {
    auto r = detail::resolve(winPath);
    if (!r) return std::nullopt;
    return r->host;
}

std::optional<fs::path> hostPath(std::string_view winPathUtf8) { return hostPath(fromUtf8(winPathUtf8)); }

std::optional<fs::path> hostPathOn(const fs::path& root, std::u16string_view winPath) {
    auto r = detail::resolveUnder(root, false, winPath);
    if (!r) return std::nullopt;
    return r->host;
}

std::optional<MachineConfig> readMachineConfig(const fs::path& root) {
    std::ifstream in(root / kConfigFile, std::ios::binary);
    if (!in) return std::nullopt;
    std::stringstream ss;
    ss << in.rdbuf();
    MachineConfig cfg;
    if (!parseConfig(ss.str(), cfg, nullptr)) return std::nullopt;
    return cfg;
}

}  // namespace winsim
