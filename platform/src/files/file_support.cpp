// Helpers of the file services: path lookup, times, share modes, errno mapping.
#include "files_internal.h"

#include <array>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace winsim::detail::files {

std::string journalText(const WCHAR* s) {
    if (!s) return "(null)";
    return toUtf8(std::u16string_view(s, wlenBounded(s, 1024)));
}

DWORD errorFromErrno(int e) {
    switch (e) {
        case 0: return ERROR_SUCCESS;
        case ENOENT: return ERROR_FILE_NOT_FOUND;
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case EBUSY:
        case EINVAL: return ERROR_ACCESS_DENIED;
        case EEXIST: return ERROR_FILE_EXISTS;
        case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
        case ENOSPC:
        case EDQUOT:
        case EFBIG: return ERROR_DISK_FULL;
        case EMFILE:
        case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        case EXDEV: return ERROR_NOT_SAME_DEVICE;
        case EIO: return ERROR_GEN_FAILURE;
        default: return ERROR_GEN_FAILURE;
    }
}

// --- Paths ---------------------------------------------------------------

namespace {

// A path already in resolved form: "X:\" and components of printable ASCII
// joined by single backslashes, none "." or "..", none ending in a dot or a
// blank, none holding a character names may not hold, shorter than
// MAX_PATH. Resolving such a path changes nothing but the drive's case.
// The characters such a component may hold: printable ASCII but for those
// a name may not hold (the separator is handled apart).
constexpr std::array<bool, 128> kPlainNameChar = [] {
    std::array<bool, 128> t{};
    for (int c = 32; c < 127; ++c) t[static_cast<size_t>(c)] = true;
    for (char c : std::string_view("/<>\"|?*:")) t[static_cast<unsigned char>(c)] = false;
    return t;
}();

bool alreadyResolved(std::u16string_view p) {
    if (p.size() < 4 || p.size() >= MAX_PATH || p[1] != u':' || p[2] != u'\\') return false;
    const char16_t d = p[0];
    if (!((d >= u'A' && d <= u'Z') || (d >= u'a' && d <= u'z'))) return false;
    size_t start = 3;
    for (size_t i = 3; i <= p.size(); ++i) {
        if (i < p.size() && p[i] != u'\\') {
            const char16_t c = p[i];
            if (c >= 128 || !kPlainNameChar[c]) return false;
            continue;
        }
        const size_t n = i - start;
        if (n == 0) return false;  // doubled or trailing separator
        const char16_t last = p[i - 1];
        if (last == u'.' || last == u' ') return false;  // also "." and ".."
        start = i + 1;
    }
    return true;
}

}  // namespace

bool speltHost(std::u16string_view p, std::string& host, std::u16string& normalized) {
    if (!alreadyResolved(p)) return false;
    // The host text reads as the machine root joined with the drive letter
    // and the path's components would.
    std::string text = machineRoot().native();
    if (text.empty()) return false;
    const char drive = static_cast<char>(foldCase(p[0]));
    if (text.back() != '/') text += '/';
    text += drive;
    const size_t at = text.size();
    text.resize(at + p.size() - 2);
    char* out = text.data() + at;
    for (size_t i = 2; i < p.size(); ++i) *out++ = p[i] == u'\\' ? '/' : static_cast<char>(p[i]);
    host = std::move(text);
    normalized.assign(p);
    normalized[0] = static_cast<char16_t>(drive);
    return true;
}

std::optional<ResolvedPath> spelt(std::u16string_view p) {
    std::string host;
    ResolvedPath r;
    if (!speltHost(p, host, r.normalized)) return std::nullopt;
    r.host = fs::path(std::move(host));
    return r;
}

namespace {

// What resolve() answers for a path already in resolved form whose exact
// spelling names an entry (its first lookup): one lookup and no further
// work. Nothing when the entry is missing, so the full resolution searches.
std::optional<ResolvedPath> resolveAsSpelt(std::u16string_view p) {
    auto r = spelt(p);
    if (!r) return std::nullopt;
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(r->host, ec);
    if (!fs::exists(st)) return std::nullopt;
    r->parentExists = true;
    if (fs::is_directory(st)) r->kind = ResolvedPath::Kind::Directory;
    else if (!fs::is_symlink(st)) r->kind = ResolvedPath::Kind::File;
    return r;
}

}  // namespace

std::optional<Target> locate(const WCHAR* name) {
    // Longest text Windows accepts as a path at all; longer is refused before
    // anything is read past it.
    constexpr size_t kMaxText = 32767;
    if (!name || !name[0]) {
        setError(ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    size_t n = wlenBounded(name, kMaxText + 1);
    if (n > kMaxText) {
        setError(ERROR_FILENAME_EXCED_RANGE);
        return std::nullopt;
    }
    std::u16string_view text(name, n);
    PathError err = PathError::None;
    auto r = resolveAsSpelt(text);
    if (!r) r = resolve(text, &err);
    if (!r) {
        setPathError(err);
        return std::nullopt;
    }
    Target t;
    t.trailingSep = text.back() == u'\\' || text.back() == u'/';
    t.isRoot = r->normalized.size() == 3;
    t.path = std::move(*r);
    // The lookup has already seen an entry that is no link: no second look.
    if (t.path.kind != ResolvedPath::Kind::Unknown) {
        t.exists = true;
        t.isDir = t.path.kind == ResolvedPath::Kind::Directory;
        return t;
    }
    struct stat st{};
    if (::stat(t.path.host.c_str(), &st) == 0) {
        t.exists = true;
        t.isDir = S_ISDIR(st.st_mode);
    }
    return t;
}

void setMissingError(const Target& t) {
    setError(t.path.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

std::u16string fullPathOf(std::u16string_view in, size_t* filePart) {
    if (filePart) *filePart = std::u16string::npos;
    if (in.empty()) return {};
    std::u16string p(in);
    for (auto& c : p)
        if (c == u'/') c = u'\\';
    // Device-namespace paths are taken as they are.
    if (p.size() >= 4 && p.compare(0, 4, u"\\\\?\\") == 0) {
        size_t s = p.rfind(u'\\');
        if (filePart && s + 1 < p.size()) *filePart = s + 1;
        return p;
    }
    auto isLetter = [](char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); };
    std::u16string root;  // "C:" or "\\\\server\\share"
    std::u16string rest;
    std::u16string cwd = currentDirectory();
    if (p.size() >= 2 && p[0] == u'\\' && p[1] == u'\\') {
        size_t server = p.find(u'\\', 2);
        size_t share = server == std::u16string::npos ? server : p.find(u'\\', server + 1);
        root = p.substr(0, share);
        rest = share == std::u16string::npos ? std::u16string() : p.substr(share);
    } else if (p.size() >= 2 && p[1] == u':' && isLetter(p[0])) {
        root = p.substr(0, 2);
        rest = p.substr(2);
        if (rest.empty() || rest[0] != u'\\') {
            // Drive-relative: relative to the current directory on that drive,
            // or to the drive's root for another drive.
            if (cwd.size() >= 2 && foldCase(cwd[0]) == foldCase(p[0]))
                rest = cwd.substr(2) + u"\\" + rest;
            else
                rest = u"\\" + rest;
        }
    } else if (p[0] == u'\\') {
        root = cwd.substr(0, 2);
        rest = p;
    } else {
        root = cwd.substr(0, 2);
        rest = cwd.substr(2) + u"\\" + p;
    }
    bool endsWithSep = p.back() == u'\\';
    std::vector<std::u16string> comps;
    size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && rest[i] == u'\\') ++i;
        size_t j = i;
        while (j < rest.size() && rest[j] != u'\\') ++j;
        if (j > i) {
            std::u16string c = rest.substr(i, j - i);
            if (c == u"..") {
                if (!comps.empty()) comps.pop_back();
            } else if (c != u".") {
                while (!c.empty() && (c.back() == u'.' || c.back() == u' ')) c.pop_back();
                if (!c.empty()) comps.push_back(std::move(c));
            }
        }
        i = j;
    }
    std::u16string out = root + u"\\";
    for (size_t k = 0; k < comps.size(); ++k) {
        if (k) out += u'\\';
        if (k + 1 == comps.size() && filePart && !endsWithSep) *filePart = out.size();
        out += comps[k];
    }
    if (endsWithSep && !comps.empty()) out += u'\\';
    return out;
}

// --- Times ---------------------------------------------------------------
namespace {
constexpr const char* kCreatedAttr = "user.vesk.created";

std::optional<uint64_t> readCreated(int fd, const fs::path* host) {
    char buf[24] = {};
    ssize_t n = fd >= 0 ? fgetxattr(fd, kCreatedAttr, buf, sizeof buf - 1)
                        : getxattr(host->c_str(), kCreatedAttr, buf, sizeof buf - 1);
    if (n <= 0) return std::nullopt;
    char* end = nullptr;
    unsigned long long v = std::strtoull(buf, &end, 16);
    if (end == buf) return std::nullopt;
    return static_cast<uint64_t>(v);
}

FileTimes timesFrom(const struct stat& st, std::optional<uint64_t> created) {
    FileTimes t;
    t.accessed = toFileTime(st.st_atim);
    t.written = toFileTime(st.st_mtim);
    t.created = created.value_or(t.written);
    return t;
}
}  // namespace

uint64_t toFileTime(const timespec& ts) {
    int64_t v = static_cast<int64_t>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100 + static_cast<int64_t>(kUnixEpoch);
    return v < 0 ? 0 : static_cast<uint64_t>(v);
}

bool toTimespec(uint64_t fileTime, timespec& out) {
    if (fileTime > static_cast<uint64_t>(INT64_MAX)) return false;
    int64_t rel = static_cast<int64_t>(fileTime) - static_cast<int64_t>(kUnixEpoch);
    int64_t sec = rel / 10000000;
    int64_t rem = rel % 10000000;
    if (rem < 0) {
        rem += 10000000;
        --sec;
    }
    using T = decltype(out.tv_sec);
    if (sec < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        sec > static_cast<int64_t>(std::numeric_limits<T>::max()))
        return false;
    out.tv_sec = static_cast<T>(sec);
    out.tv_nsec = static_cast<long>(rem * 100);
    return true;
}

FileTimes timesOf(int fd, const struct stat& st) { return timesFrom(st, readCreated(fd, nullptr)); }

FileTimes accessAndWriteTimes(const struct stat& st) { return timesFrom(st, std::nullopt); }

FileTimes timesOf(const fs::path& host, const struct stat& st) { return timesFrom(st, readCreated(-1, &host)); }

bool setCreationTime(int fd, uint64_t fileTime) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llx", static_cast<unsigned long long>(fileTime));
    return fsetxattr(fd, kCreatedAttr, buf, std::char_traits<char>::length(buf), 0) == 0;
}

void stampWritten(int fd) {
    timespec now{};
    if (!toTimespec(nowFileTime(), now)) return;
    timespec both[2] = {now, now};
    futimens(fd, both);
}

void stampCreated(int fd) {
    uint64_t now = nowFileTime();
    setCreationTime(fd, now);
    timespec ts{};
    if (!toTimespec(now, ts)) return;
    timespec both[2] = {ts, ts};
    futimens(fd, both);
}

// --- Sharing -------------------------------------------------------------
//
// Each open description of a file (one per handle) holds shared locks on
// single bytes of a range no data ever reaches: one byte per access kind it
// has (read, write, delete) and one per kind it refuses to share. An open
// conflicts when another description holds "refuses X" for an access X it
// asks for, or "has X" for an X it refuses to share. Open-file-description
// locks conflict between descriptions of the same process as well as between
// processes, so one mechanism serves both. The claim is taken before it is
// checked: two opens racing for conflicting modes may both fail, never both
// succeed.
namespace {
constexpr off_t kShareBase = 0x7FFF0000;
// The bytes are ordered so that the commonest open (read, sharing read)
// claims one run and checks one run: two fcntl() calls in all.
enum ShareByte { kHasWrite, kHasDelete, kDenyRead, kHasRead, kDenyWrite, kDenyDelete, kMapped };

enum class LockResult { Ok, Unsupported, Failed };

LockResult lockBytes(int fd, int first, int count) {
    struct flock fl{};
    fl.l_type = F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareBase + first;
    fl.l_len = count;
    if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return LockResult::Ok;
    if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP || errno == ENOSYS) return LockResult::Unsupported;
    return LockResult::Failed;
}

LockResult lockByte(int fd, int which) { return lockBytes(fd, which, 1); }

// Whether another open description holds a lock on a byte of [first,
// first + count); `where` receives the first byte of the lock found, and
// `unknown` (when given) is set when the host could not be asked.
bool heldByOthers(int fd, int first, int count, off_t* where, bool* unknown = nullptr) {
    struct flock fl{};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = kShareBase + first;
    fl.l_len = count;
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0) {
        if (unknown) *unknown = true;
        return false;
    }
    if (where) *where = fl.l_start - kShareBase;
    return fl.l_type != F_UNLCK;
}

bool heldByOthers(int fd, int which) { return heldByOthers(fd, which, 1, nullptr); }
}  // namespace

DWORD fileRights(DWORD desired) {
    DWORD r = desired & ~(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL | MAXIMUM_ALLOWED);
    if (desired & GENERIC_READ) r |= FILE_READ_DATA | FILE_READ_ATTRIBUTES | FILE_READ_EA | READ_CONTROL | SYNCHRONIZE;
    if (desired & GENERIC_WRITE)
        r |= FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_ATTRIBUTES | FILE_WRITE_EA | READ_CONTROL | SYNCHRONIZE;
    if (desired & GENERIC_EXECUTE) r |= FILE_EXECUTE | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
    if (desired & (GENERIC_ALL | MAXIMUM_ALLOWED)) r |= FILE_ALL_ACCESS;
    return r;
}

bool claimShare(int fd, DWORD rights, DWORD share, bool* enforced) {
    if (enforced) *enforced = false;
    bool r = rights & kReadRights, w = rights & kWriteRights, d = rights & DELETE;
    // An open that asks for none of the data or delete rights (attributes
    // only) neither checks nor records a share mode, as on Windows.
    if (!r && !w && !d) return true;
    bool taken = true;
    bool claims[kMapped] = {};
    claims[kHasRead] = r;
    claims[kHasWrite] = w;
    claims[kHasDelete] = d;
    claims[kDenyRead] = !(share & FILE_SHARE_READ);
    claims[kDenyWrite] = !(share & FILE_SHARE_WRITE);
    claims[kDenyDelete] = !(share & FILE_SHARE_DELETE);
    // Each run of neighbouring claims is taken with one lock.
    for (int i = 0; i < kMapped;) {
        if (!claims[i]) {
            ++i;
            continue;
        }
        int j = i;
        while (j < kMapped && claims[j]) ++j;
        LockResult lr = lockBytes(fd, i, j - i);
        if (lr == LockResult::Unsupported) return true;  // host file system without locks: not enforced
        if (lr == LockResult::Failed) {
            taken = false;
            break;
        }
        i = j;
    }
    // The bytes that would conflict: what this open asks for refused by
    // others, and what it refuses held by others.
    bool checks[kMapped] = {};
    checks[kDenyRead] = r;
    checks[kDenyWrite] = w;
    checks[kDenyDelete] = d;
    checks[kHasRead] = !(share & FILE_SHARE_READ);
    checks[kHasWrite] = !(share & FILE_SHARE_WRITE);
    checks[kHasDelete] = !(share & FILE_SHARE_DELETE);
    int first = 0, last = kMapped - 1;
    while (first < kMapped && !checks[first]) ++first;
    while (last >= first && !checks[last]) --last;
    bool conflict = false;
    off_t found = 0;
    // One look over the span of the checked bytes settles it when nothing
    // is held there, or when what is held is a checked byte; otherwise each
    // checked byte is looked at.
    bool unknown = false;
    if (first <= last && heldByOthers(fd, first, last - first + 1, &found, &unknown)) {
        if (found >= first && found <= last && checks[found]) {
            conflict = true;
        } else {
            for (int i = first; i <= last && !conflict; ++i)
                conflict = checks[i] && heldByOthers(fd, i, 1, nullptr, &unknown);
        }
    }
    if (conflict) {
        setError(ERROR_SHARING_VIOLATION);
        return false;
    }
    if (enforced) *enforced = taken && !unknown;
    return true;
}

bool markMapped(int fd) { return lockByte(fd, kMapped) != LockResult::Failed; }

bool mappedElsewhere(int fd) { return heldByOthers(fd, kMapped); }

// --- Open files ----------------------------------------------------------

int openHost(const char* path, int flags, mode_t mode) {
    int fd = ::open(path, flags | O_NOATIME, mode);
    if (fd < 0 && errno == EPERM) fd = ::open(path, flags, mode);  // not the owner
    return fd;
}

FileObject::~FileObject() {
    if (fd < 0) return;
    if (deleteOnClose) {
        // Only when the name still leads to this file.
        struct stat mine{}, named{};
        if (fstat(fd, &mine) == 0 && ::stat(host.c_str(), &named) == 0 && mine.st_dev == named.st_dev &&
            mine.st_ino == named.st_ino)
            ::unlink(host.c_str());
    }
    ::close(fd);
}

}  // namespace winsim::detail::files
