// FindFirstFileW / FindNextFileW / FindClose: directory search with wildcards.
//
// Find handles are not kernel objects: they live in a table of their own,
// FindClose is the only call that closes them, and CloseHandle refuses them
// (ERROR_INVALID_HANDLE) as it refuses any value it did not hand out. Their
// values are 2 modulo 4, so they never equal a kernel handle.
//
// Matching follows the Windows rules for the last component of the pattern:
//   '*'  any run of characters;  '?'  one character, or none before a dot or
//   at the end;  a '*' followed by '.' stops at the last dot of the name; a
//   '.' followed by '*' or '?', or ending the pattern, also matches the end of
//   a name without a dot. So "*.*" matches every name, "*." the names without
//   an extension, and "*.txt" the names whose last extension is "txt".
// Letter case is ignored. The machine's volumes keep no 8.3 short names (as
// an NTFS volume with short-name creation turned off), so cAlternateFileName
// is always empty and patterns match long names only.
//
// Entries come in the order of their upper-cased names, after "." and ".."
// in folders other than a drive root. The list of names is taken when the
// search starts; an entry removed before it is reached is skipped.
#include "files_internal.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace fs = std::filesystem;
using namespace winsim::detail;
using namespace winsim::detail::files;

namespace winsim::detail::files {

namespace {
// Pattern characters after translation.
constexpr char16_t kDosStar = 0xE000;  // '*' before a '.'
constexpr char16_t kDosQm = 0xE001;    // '?'
constexpr char16_t kDosDot = 0xE002;   // '.' before a wildcard or at the end

std::u16string translate(std::u16string_view p) {
    std::u16string out;
    for (size_t i = 0; i < p.size(); ++i) {
        char16_t c = p[i];
        char16_t next = i + 1 < p.size() ? p[i + 1] : 0;
        if (c == u'?') out += kDosQm;
        else if (c == u'*' && next == u'.') out += kDosStar;
        else if (c == u'.' && (next == u'*' || next == u'?' || next == 0)) out += kDosDot;
        else out += c;
    }
    return out;
}
}  // namespace

// True when `name` matches the search pattern `pattern` (Windows rules above).
bool matchesPattern(std::u16string_view pattern, std::u16string_view name) {
    std::u16string p = translate(pattern);
    const size_t P = p.size(), N = name.size();
    size_t lastDot = name.rfind(u'.');
    // memo[i * (N + 1) + j] = 2 when pattern from i matches name from j,
    // filled from the ends backwards.
    std::vector<unsigned char> memo((P + 1) * (N + 1), 0);
    auto at = [&](size_t i, size_t j) -> unsigned char& { return memo[i * (N + 1) + j]; };
    for (size_t i = P + 1; i-- > 0;) {
        for (size_t j = N + 1; j-- > 0;) {
            bool ok;
            if (i == P) {
                ok = j == N;
            } else {
                char16_t c = p[i];
                if (c == u'*') {
                    // Matches nothing more, or takes one character and stays.
                    ok = at(i + 1, j) == 2 || (j < N && at(i, j + 1) == 2);
                } else if (c == kDosStar) {
                    // The same, but it never takes the name's last dot.
                    ok = at(i + 1, j) == 2 || (j < N && j != lastDot && at(i, j + 1) == 2);
                } else if (c == kDosQm) {
                    if (j == N || name[j] == u'.') ok = at(i + 1, j) == 2;
                    else ok = at(i + 1, j + 1) == 2;
                } else if (c == kDosDot) {
                    if (j == N) ok = at(i + 1, j) == 2;
                    else ok = name[j] == u'.' && at(i + 1, j + 1) == 2;
                } else {
                    ok = j < N && foldCase(name[j]) == foldCase(c) && at(i + 1, j + 1) == 2;
                }
            }
            at(i, j) = ok ? 2 : 1;
        }
    }
    return at(0, 0) == 2;
}

}  // namespace winsim::detail::files

namespace {

struct Entry {
    std::u16string name;  // as reported
    fs::path host;        // what to stat
};

struct Search {
    std::mutex lock;
    std::vector<Entry> entries;
    size_t next = 0;
};

struct FindTable {
    std::mutex lock;
    std::unordered_map<uintptr_t, std::shared_ptr<Search>> searches;
    uintptr_t next = 0x40000002;
};
FindTable& findTable() {
    static FindTable* t = new FindTable;
    return *t;
}

std::shared_ptr<Search> lookupSearch(HANDLE h) {
    auto& t = findTable();
    std::lock_guard g(t.lock);
    auto it = t.searches.find(reinterpret_cast<uintptr_t>(h));
    return it == t.searches.end() ? nullptr : it->second;
}

// Fills `out` for the entry; false when it no longer exists.
bool describe(const Entry& e, WIN32_FIND_DATAW& out) {
    struct stat st{};
    if (::stat(e.host.c_str(), &st) != 0) return false;
    WIN32_FIND_DATAW d;
    std::memset(&d, 0, sizeof d);
    d.dwFileAttributes = hostAttributes(e.host);
    if (d.dwFileAttributes == INVALID_FILE_ATTRIBUTES) return false;
    FileTimes t = timesOf(e.host, st);
    d.ftCreationTime = toFiletimeStruct(t.created);
    d.ftLastAccessTime = toFiletimeStruct(t.accessed);
    d.ftLastWriteTime = toFiletimeStruct(t.written);
    uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<DWORD>(size);
    std::memcpy(d.cFileName, e.name.data(), e.name.size() * sizeof(WCHAR));
    out = d;
    return true;
}

// Gives the next existing entry of the search, or false at the end.
bool advance(Search& s, WIN32_FIND_DATAW& out) {
    std::lock_guard g(s.lock);
    while (s.next < s.entries.size())
        if (describe(s.entries[s.next++], out)) return true;
    return false;
}

bool isWild(char16_t c) { return c == u'*' || c == u'?'; }

bool badPatternChar(char16_t c) {
    return c < 32 || c == u'<' || c == u'>' || c == u'"' || c == u'|' || c == u':';
}

bool nameLess(const Entry& a, const Entry& b) {
    size_t n = std::min(a.name.size(), b.name.size());
    for (size_t i = 0; i < n; ++i) {
        WCHAR x = foldCase(a.name[i]), y = foldCase(b.name[i]);
        if (x != y) return x < y;
    }
    return a.name.size() < b.name.size();
}

// Builds the entry list of a search; sets the error and returns false when
// the search cannot start or finds nothing.
bool collect(const WCHAR* pattern, Search& s) {
    constexpr size_t kMaxText = 32767;
    if (!pattern || !pattern[0]) {
        setError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    size_t n = wlenBounded(pattern, kMaxText + 1);
    if (n > kMaxText) {
        setError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::u16string text(pattern, n);
    for (auto& c : text)
        if (c == u'/') c = u'\\';
    // A pattern naming a folder by a trailing separator finds nothing.
    if (text.back() == u'\\') {
        setError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    size_t sep = text.rfind(u'\\');
    std::u16string folder, mask;
    if (sep == std::u16string::npos) {
        if (text.size() >= 2 && text[1] == u':') {
            setError(ERROR_PATH_NOT_FOUND);  // drive-relative paths are not supported
            return false;
        }
        mask = text;
    } else {
        folder = text.substr(0, sep + 1);
        mask = text.substr(sep + 1);
    }
    for (char16_t c : mask)
        if (badPatternChar(c)) {
            setError(ERROR_INVALID_NAME);
            return false;
        }

    if (std::none_of(mask.begin(), mask.end(), isWild)) {
        // A plain name: the path is normalised as any path and the one entry
        // it names is looked up in its folder.
        auto t = locate(text.c_str());
        if (!t) return false;
        if (t->isRoot) {
            setError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        if (!t->exists) {
            setMissingError(*t);
            return false;
        }
        s.entries.push_back({fromUtf8(t->path.host.filename().string()), t->path.host});
        return true;
    }

    auto dir = locate(folder.empty() ? currentDirectory().c_str() : folder.c_str());
    if (!dir) return false;
    if (!dir->exists || !dir->isDir) {
        setError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    size_t fullLength = dir->path.normalized.size() + (dir->isRoot ? 0 : 1) + mask.size();
    if (fullLength >= MAX_PATH) {
        setError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    std::vector<Entry> found;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir->path.host, ec)) {
        std::u16string name = fromUtf8(e.path().filename().string());
        if (name.size() >= MAX_PATH) continue;  // cannot be reported
        if (matchesPattern(mask, name)) found.push_back({std::move(name), e.path()});
    }
    if (ec) {
        setError(errorFromErrno(ec.value()));
        return false;
    }
    std::sort(found.begin(), found.end(), nameLess);
    if (!dir->isRoot) {
        if (matchesPattern(mask, u".")) s.entries.push_back({u".", dir->path.host});
        if (matchesPattern(mask, u"..")) s.entries.push_back({u"..", dir->path.host.parent_path()});
    }
    for (auto& e : found) s.entries.push_back(std::move(e));
    if (s.entries.empty()) {
        setError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    return true;
}

}  // namespace

extern "C" {

// Starts a search and gives its first entry. A missing folder:
// ERROR_PATH_NOT_FOUND; no entry matches, or the pattern ends in a
// separator: ERROR_FILE_NOT_FOUND. Returns INVALID_HANDLE_VALUE on failure.
WINBASEAPI HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData) {
    return guarded(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
        if (enterWith("FindFirstFileW", [&] { return journalText(lpFileName); })) return INVALID_HANDLE_VALUE;
        if (!lpFindFileData) {
            setError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        auto s = std::make_shared<Search>();
        if (!collect(lpFileName, *s)) return INVALID_HANDLE_VALUE;
        WIN32_FIND_DATAW first;
        if (!advance(*s, first)) {
            setError(ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        auto& t = findTable();
        std::lock_guard g(t.lock);
        uintptr_t id = t.next;
        t.next += 4;
        t.searches.emplace(id, std::move(s));
        *lpFindFileData = first;
        setError(ERROR_SUCCESS);
        return reinterpret_cast<HANDLE>(id);
    });
}

// Gives the next entry; ERROR_NO_MORE_FILES at the end.
WINBASEAPI BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("FindNextFileW")) return FALSE;
        auto s = lookupSearch(hFindFile);
        if (!s) {
            setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        if (!lpFindFileData) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (!advance(*s, *lpFindFileData)) {
            setError(ERROR_NO_MORE_FILES);
            return FALSE;
        }
        return TRUE;
    });
}

// Ends a search. Anything but a live find handle: ERROR_INVALID_HANDLE.
WINBASEAPI BOOL WINAPI FindClose(HANDLE hFindFile) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("FindClose")) return FALSE;
        std::shared_ptr<Search> victim;  // freed outside the lock
        auto& t = findTable();
        std::lock_guard g(t.lock);
        auto it = t.searches.find(reinterpret_cast<uintptr_t>(hFindFile));
        if (it == t.searches.end()) {
            setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        victim = std::move(it->second);
        t.searches.erase(it);
        return TRUE;
    });
}

}  // extern "C"
