// Profile (INI) functions on the machine's files.
//
// What one process writes the next read in any process sees: a read uses a
// file's parsed text again only while the file (for a missing file, its
// folder) is the very version it was read from (see ReadCache). A write is a read-modify-write
// cycle held under an exclusive lock (a lock file under the machine's
// "profile" state folder, one per file, named by the hash of its
// case-folded Windows path), so two processes writing the same file never
// lose each other's change. Readers take no lock: a file is only ever
// replaced by renaming a complete new version over it, so a reader sees the
// old or the new text, never a half-written one, and a crash mid-write
// leaves the old file whole.
//
// Choices where Windows leaves room:
// - Section and key names given by the caller are blank-trimmed too.
// - The list forms (null section or key) ignore the default.
// - The section reader returns each entry as "key=value" with the blanks
//   around key and value removed and quotes kept (so a copied section reads
//   back the same), and the text of lines without '='; comments and blank
//   lines are left out. Writing a section with a null block deletes it.
// - A cut result sets ERROR_MORE_DATA; a missing file, section or key sets
//   ERROR_FILE_NOT_FOUND (the default is then returned).
// - A write whose text would change the file's structure is refused with
//   ERROR_INVALID_PARAMETER: CR or LF in a section, key or value (it would
//   start a new line), '=' in a key, a key starting with '[' or ';', an
//   empty key. Windows writes such text as it is and corrupts the file.
// - Deleting a key removes every line of it in the section, and deleting a
//   section removes every section of that name, so no older duplicate comes
//   back into view after the delete.
// - Deleting from a missing file succeeds without creating it.
// - A write that leaves the text unchanged does not rewrite the file.
#include <win/profile.h>

#include "core/sim.h"
#include "profile_parse.h"
#include "core/store_file.h"

#include <cstring>
#include <memory>
#include <sys/stat.h>

#include <cerrno>
#include <mutex>
#include <new>

namespace fs = std::filesystem;
using namespace winsim::detail;
namespace ini = winsim::detail::ini;

namespace {

constexpr const char16_t* kWinIni = u"win.ini";

// A caller's text as a view (null: empty), for lookups that keep no copy.
std::u16string_view view(LPCWSTR s) { return s ? std::u16string_view(s, wlen(s)) : std::u16string_view(); }

// The name of the file a profile call names: a bare name lives in the
// Windows directory. Empty for an empty name.
std::u16string iniName(LPCWSTR file) {
    std::u16string name = file ? wstr(file) : std::u16string(kWinIni);
    if (name.empty()) return name;
    bool bare = name.find_first_of(u"\\/:") == std::u16string::npos;
    if (bare) name = winsim::fromUtf8(winsim::config().windowsDir) + u"\\" + name;
    return name;
}

std::optional<ResolvedPath> iniPath(LPCWSTR file, PathError* err) {
    std::u16string name = iniName(file);
    if (name.empty()) {
        if (err) *err = PathError::BadName;
        return std::nullopt;
    }
    return resolve(name, err);
}

struct Loaded {
    std::shared_ptr<const ini::Document> doc;
    bool missing = true;
};

// Files read lately, each with the version of the file (of its folder when
// it was missing) it was read from. A read whose version is unchanged takes
// the parsed text again at the cost of one stat(). Only names that are
// absolute and spelt as the host path that resolves them are kept: path
// resolution tries the exact spelling first, so while that version stands
// it resolves the name the same way, and a lookup needs no resolution. Only
// settled versions are kept (store::HostKey).
class ReadCache {
public:
    static ReadCache& get() {
        static ReadCache* c = new ReadCache;
        return *c;
    }

    // The kept text of `name` while its file is the version it was read
    // from. The entry is copied out whole, so the stat() runs unlocked and
    // what it confirms is the very version the copy belongs to.
    bool find(std::u16string_view name, UINT codePage, Loaded& out) {
        const uint64_t generation = machineGeneration();
        std::shared_ptr<const fs::path> checked;
        store::HostKey key;
        {
            std::lock_guard g(lock_);
            const Entry* e = lookup(name, codePage, generation);
            if (!e) return false;
            checked = e->checked;
            key = e->key;
            out.doc = e->doc;
            out.missing = e->missing;
        }
        auto now = store::hostKey(*checked);
        if (now && *now == key) return true;
        out = Loaded{};
        return false;
    }

    // Reads `name` as a profile call does, keeping the result when it may
    // (never for a name that depends on the current directory).
    Loaded read(const std::u16string& name, UINT codePage, bool mayKeep) {
        Loaded l;
        PathError err{};
        auto p = name.empty() ? std::nullopt : resolve(name, &err);
        std::string bytes;
        std::optional<store::HostKey> before;
        fs::path checked;
        const bool keep = mayKeep && p && exactSpelling(*p);
        if (keep) {
            checked = p->kind == ResolvedPath::Kind::File ? p->host
                      : p->parentExists                  ? p->host.parent_path()
                                                         : nearestFolder(p->host.parent_path());
            if (!checked.empty()) before = store::hostKey(checked);
        }
        store::ReadStatus rs = p ? store::readFile(p->host, bytes) : store::ReadStatus::Missing;
        l.missing = rs != store::ReadStatus::Ok;
        l.doc = std::make_shared<const ini::Document>(ini::Document::parse(bytes, codePage));
        if (!keep || !before || rs == store::ReadStatus::Failed || !before->settled()) return l;
        // The version checked must be the one read: a file as a file, a
        // missing one through the folder that lacks it.
        if (before->directory != l.missing) return l;
        auto after = store::hostKey(checked);
        if (!after || !(*after == *before)) return l;
        std::lock_guard g(lock_);
        Entry& e = slot(name, codePage, machineGeneration());
        e.checked = std::make_shared<const fs::path>(std::move(checked));
        e.key = *before;
        e.missing = l.missing;
        e.doc = l.doc;
        return l;
    }

private:
    struct Entry {
        uint64_t generation = 0;
        std::u16string name;
        UINT codePage = 0;
        std::shared_ptr<const fs::path> checked;  // the file, or the folder of a missing one
        store::HostKey key;
        bool missing = true;
        std::shared_ptr<const ini::Document> doc;
    };
    static constexpr size_t kEntries = 16;

    // For a name whose folder is missing: the deepest folder above it that
    // exists. While that folder's version stands nothing was made in it, so
    // the missing folder below it, and the file, are still missing. Empty
    // when the first entry that exists on the way up is no folder, or is a
    // link to nothing.
    static fs::path nearestFolder(fs::path p) {
        for (;;) {
            int error = 0;
            if (auto k = store::hostKey(p, &error)) return k->directory ? p : fs::path();
            // A dangling link may come to life without its folder changing.
            struct stat link;
            if (error != ENOENT || ::lstat(p.c_str(), &link) == 0) return {};
            fs::path up = p.parent_path();
            if (up == p) return {};
            p = std::move(up);
        }
    }

    // The host path is the name's drive folder and components as spelt.
    static bool exactSpelling(const ResolvedPath& p) {
        if (p.normalized.size() < 3) return false;
        fs::path naive = winsim::machineRoot() / std::string(1, static_cast<char>(p.normalized[0]));
        std::u16string_view rest = std::u16string_view(p.normalized).substr(3);
        while (!rest.empty()) {
            size_t sep = rest.find(u'\\');
            naive /= winsim::toUtf8(rest.substr(0, sep));
            rest = sep == std::u16string_view::npos ? std::u16string_view() : rest.substr(sep + 1);
        }
        return naive == p.host;
    }

    const Entry* lookup(std::u16string_view name, UINT codePage, uint64_t generation) const {
        for (const Entry& e : entries_)
            if (e.doc && e.generation == generation && e.codePage == codePage && e.name == name) return &e;
        return nullptr;
    }

    Entry& slot(const std::u16string& name, UINT codePage, uint64_t generation) {
        for (Entry& e : entries_)
            if (e.name == name && e.codePage == codePage && e.generation == generation) return e;
        Entry& e = entries_[next_++ % kEntries];
        e = Entry{};
        e.generation = generation;
        e.name = name;
        e.codePage = codePage;
        return e;
    }

    std::mutex lock_;
    Entry entries_[kEntries];
    size_t next_ = 0;
};

bool absoluteName(std::u16string_view n) {
    return n.size() >= 3 && n[1] == u':' && n[2] == u'\\' &&
           ((n[0] >= u'A' && n[0] <= u'Z') || (n[0] >= u'a' && n[0] <= u'z'));
}

Loaded load(LPCWSTR file) {
    const UINT codePage = effectiveCodePage(0);
    Loaded l;
    // An absolute name is its own profile name (iniName), so a kept file is
    // found without copying it.
    const std::u16string_view given = view(file);
    if (absoluteName(given) && ReadCache::get().find(given, codePage, l)) return l;
    const std::u16string name = iniName(file);
    const bool absolute = absoluteName(name);
    if (absolute && !absoluteName(given) && ReadCache::get().find(name, codePage, l)) return l;
    return ReadCache::get().read(name, codePage, absolute);
}

std::string describe(LPCWSTR a, LPCWSTR b, LPCWSTR file) {
    auto part = [](LPCWSTR s) { return s ? winsim::toUtf8(wstr(s)) : std::string("(null)"); };
    return part(a) + "|" + part(b) + "|" + part(file);
}

// Copies a value, cut to n - 1 characters; returns the characters copied.
DWORD copyValue(std::u16string_view text, LPWSTR buf, DWORD n) {
    if (!buf || n == 0) return 0;
    size_t len = text.size();
    if (len > n - 1) {
        len = n - 1;
        setError(ERROR_MORE_DATA);
    }
    std::memcpy(buf, text.data(), len * sizeof(WCHAR));
    buf[len] = 0;
    return static_cast<DWORD>(len);
}

// Copies a double-NUL list; a cut list keeps n - 2 characters and two NULs.
DWORD copyList(const std::vector<std::u16string>& items, LPWSTR buf, DWORD n) {
    if (!buf || n == 0) return 0;
    std::u16string joined;
    for (const auto& s : items) {
        joined += s;
        joined += u'\0';
    }
    if (joined.size() + 1 <= n) {
        std::memcpy(buf, joined.data(), joined.size() * sizeof(WCHAR));
        buf[joined.size()] = 0;
        if (joined.empty() && n >= 2) buf[1] = 0;
        return static_cast<DWORD>(joined.size());
    }
    setError(ERROR_MORE_DATA);
    if (n < 2) {
        buf[0] = 0;
        return 0;
    }
    std::memcpy(buf, joined.data(), (n - 2) * sizeof(WCHAR));
    buf[n - 2] = 0;
    buf[n - 1] = 0;
    return n - 2;
}

bool hasLineBreak(std::u16string_view s) { return s.find_first_of(u"\r\n") != std::u16string_view::npos; }

bool validSection(LPCWSTR s) { return !hasLineBreak(wstr(s)); }

bool validKey(LPCWSTR k) {
    std::u16string key = wstr(k);
    std::u16string_view t = ini::trim(key);
    return !t.empty() && !hasLineBreak(key) && key.find(u'=') == std::u16string::npos && t.front() != u'[' &&
           t.front() != u';';
}

bool validValue(LPCWSTR v) { return !hasLineBreak(wstr(v)); }

enum class Missing { Create, Skip };

// Read-modify-write of one file under its lock. `edit` changes the document;
// the file is written only when its text changed.
template <class Edit>
BOOL modify(LPCWSTR file, Missing whenMissing, Edit edit) {
    PathError perr{};
    auto p = iniPath(file, &perr);
    if (!p) {
        setPathError(perr == PathError::None ? PathError::NotDrivePath : perr);
        return FALSE;
    }
    if (!p->parentExists) {
        setError(ERROR_PATH_NOT_FOUND);
        return FALSE;
    }
    std::u16string key;
    for (char16_t c : p->normalized) key += foldCase(c);
    fs::path stateFolder = stateDir("profile");
    store::FileLock lock(stateFolder / "locks" / store::lockName(key));
    if (!lock.held()) {
        setError(ERROR_SHARING_VIOLATION);
        return FALSE;
    }
    std::error_code ec;
    if (fs::is_directory(p->host, ec)) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    std::string bytes;
    store::ReadStatus rs = store::readFile(p->host, bytes);
    if (rs == store::ReadStatus::Failed) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (rs == store::ReadStatus::Missing && whenMissing == Missing::Skip) return TRUE;
    if (rs == store::ReadStatus::Ok && isReadOnly(p->host)) {
        setError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    ini::Document doc = ini::Document::parse(bytes, effectiveCodePage(0));
    edit(doc);
    std::string out = doc.serialize();
    if (rs == store::ReadStatus::Ok && out == bytes) return TRUE;
    DWORD err = store::replaceFile(p->host, out, stateFolder);
    if (err != ERROR_SUCCESS) {
        setError(err);
        return FALSE;
    }
    return TRUE;
}

DWORD getString(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buf, DWORD n, LPCWSTR file) {
    if (!buf || n == 0) return 0;
    Loaded l = load(file);
    if (!section) return copyList(l.doc->sectionNames(), buf, n);
    std::optional<size_t> h = l.doc->findSection(view(section));
    if (!key) return copyList(h ? l.doc->keyNames(*h) : std::vector<std::u16string>{}, buf, n);
    if (h) {
        if (std::optional<size_t> k = l.doc->findKey(*h, view(key)))
            return copyValue(ini::unquote(l.doc->lines()[*k].value), buf, n);
    }
    setError(ERROR_FILE_NOT_FOUND);
    std::u16string d = wstr(def);
    return copyValue(ini::trimRight(d), buf, n);
}

// Windows' reading of an integer: blanks, a sign, then "0x" and hexadecimal
// digits or decimal digits; anything after them is ignored; 32-bit wrap.
UINT parseInt(std::u16string_view s) {
    size_t i = 0;
    while (i < s.size() && ini::isBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) negative = s[i++] == u'-';
    uint32_t v = 0;
    if (i + 1 < s.size() && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        for (i += 2; i < s.size(); ++i) {
            char16_t c = s[i];
            uint32_t d;
            if (c >= u'0' && c <= u'9') d = c - u'0';
            else if (c >= u'a' && c <= u'f') d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F') d = c - u'A' + 10;
            else break;
            v = v * 16 + d;
        }
    } else {
        for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) v = v * 10 + static_cast<uint32_t>(s[i] - u'0');
    }
    return negative ? 0u - v : v;
}

UINT getInt(LPCWSTR section, LPCWSTR key, INT def, LPCWSTR file) {
    if (!section || !key) return static_cast<UINT>(def);
    Loaded l = load(file);
    std::optional<size_t> h = l.doc->findSection(view(section));
    if (h) {
        if (std::optional<size_t> k = l.doc->findKey(*h, view(key))) {
            std::u16string_view v = ini::unquote(l.doc->lines()[*k].value);
            if (!v.empty()) return parseInt(v);
        }
    }
    return static_cast<UINT>(def);
}

BOOL writeString(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
    if (!section) {
        if (!key && !value) return TRUE;  // flush: nothing is cached
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!validSection(section) || (key && !validKey(key)) || (value && !validValue(value))) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string s = wstr(section), k = wstr(key), v = wstr(value);
    if (!key) return modify(file, Missing::Skip, [&](ini::Document& d) { d.deleteSection(s); });
    if (!value) return modify(file, Missing::Skip, [&](ini::Document& d) { d.deleteKey(s, k); });
    return modify(file, Missing::Create, [&](ini::Document& d) { d.setValue(s, k, v); });
}

DWORD getSection(LPCWSTR section, LPWSTR buf, DWORD n, LPCWSTR file) {
    if (!buf || n == 0) return 0;
    Loaded l = load(file);
    std::optional<size_t> h = section ? l.doc->findSection(view(section)) : std::nullopt;
    if (!h) {
        if (l.missing) setError(ERROR_FILE_NOT_FOUND);
        return copyList({}, buf, n);
    }
    return copyList(l.doc->sectionEntries(*h), buf, n);
}

BOOL writeSection(LPCWSTR section, LPCWSTR block, LPCWSTR file) {
    if (!section || !validSection(section)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string s = wstr(section);
    if (!block) return modify(file, Missing::Skip, [&](ini::Document& d) { d.deleteSection(s); });
    std::vector<std::u16string> entries;
    for (const WCHAR* p = block; *p; p += wlen(p) + 1) {
        std::u16string e = wstr(p);
        std::u16string_view t = ini::trim(e);
        if (hasLineBreak(e) || (!t.empty() && t.front() == u'[')) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        entries.push_back(std::move(e));
    }
    return modify(file, Missing::Create, [&](ini::Document& d) { d.replaceSection(s, entries); });
}

template <class F, class R>
R guarded(R onFailure, F f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
    } catch (...) {
        setError(ERROR_GEN_FAILURE);
    }
    return onFailure;
}

DWORD failedGet(LPWSTR buf, DWORD n) {
    if (buf && n > 0) buf[0] = 0;
    if (buf && n > 1) buf[1] = 0;
    return 0;
}

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buf,
                                                 DWORD n, LPCWSTR file) {
    return guarded(failedGet(nullptr, 0), [&] {
        if (enterWith("GetPrivateProfileStringW", [&] { return describe(section, key, file); })) return failedGet(buf, n);
        return getString(section, key, def, buf, n, file);
    });
}

WINBASEAPI UINT WINAPI GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT def, LPCWSTR file) {
    return guarded(static_cast<UINT>(def), [&] {
        if (enterWith("GetPrivateProfileIntW", [&] { return describe(section, key, file); })) return static_cast<UINT>(def);
        return getInt(section, key, def, file);
    });
}

WINBASEAPI BOOL WINAPI WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
    return guarded(FALSE, [&] {
        if (enterWith("WritePrivateProfileStringW", [&] { return describe(section, key, file); })) return FALSE;
        return writeString(section, key, value, file);
    });
}

WINBASEAPI DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buf, DWORD n, LPCWSTR file) {
    return guarded(DWORD{0}, [&] {
        if (enterWith("GetPrivateProfileSectionW", [&] { return describe(section, nullptr, file); })) return failedGet(buf, n);
        return getSection(section, buf, n, file);
    });
}

WINBASEAPI BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR block, LPCWSTR file) {
    return guarded(FALSE, [&] {
        if (enterWith("WritePrivateProfileSectionW", [&] { return describe(section, nullptr, file); })) return FALSE;
        return writeSection(section, block, file);
    });
}

WINBASEAPI DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR buf, DWORD n, LPCWSTR file) {
    return guarded(DWORD{0}, [&]() -> DWORD {
        if (enterWith("GetPrivateProfileSectionNamesW", [&] { return describe(nullptr, nullptr, file); })) return failedGet(buf, n);
        if (!buf || n == 0) return 0;
        return copyList(load(file).doc->sectionNames(), buf, n);
    });
}

// A struct is kept as two upper-case hexadecimal digits per byte followed by
// the low byte of the bytes' sum, so a damaged or resized value is refused.
WINBASEAPI BOOL WINAPI GetPrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPVOID data, UINT size,
                                                LPCWSTR file) {
    return guarded(FALSE, [&]() -> BOOL {
        if (enterWith("GetPrivateProfileStructW", [&] { return describe(section, key, file); })) return FALSE;
        if (!section || !key || (!data && size)) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        Loaded l = load(file);
        std::optional<size_t> h = l.doc->findSection(view(section));
        std::optional<size_t> k = h ? l.doc->findKey(*h, view(key)) : std::nullopt;
        if (!k) {
            setError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        std::u16string_view v = ini::unquote(l.doc->lines()[*k].value);
        if (v.size() != (static_cast<size_t>(size) + 1) * 2) {
            setError(ERROR_INVALID_DATA);
            return FALSE;
        }
        auto hex = [](char16_t c) -> int {
            if (c >= u'0' && c <= u'9') return c - u'0';
            if (c >= u'a' && c <= u'f') return c - u'a' + 10;
            if (c >= u'A' && c <= u'F') return c - u'A' + 10;
            return -1;
        };
        std::string bytes;
        for (size_t i = 0; i < v.size(); i += 2) {
            int hi = hex(v[i]), lo = hex(v[i + 1]);
            if (hi < 0 || lo < 0) {
                setError(ERROR_INVALID_DATA);
                return FALSE;
            }
            bytes += static_cast<char>(hi * 16 + lo);
        }
        unsigned sum = 0;
        for (size_t i = 0; i < size; ++i) sum += static_cast<unsigned char>(bytes[i]);
        if ((sum & 0xFF) != static_cast<unsigned char>(bytes[size])) {
            setError(ERROR_INVALID_DATA);
            return FALSE;
        }
        if (size) std::memcpy(data, bytes.data(), size);
        return TRUE;
    });
}

WINBASEAPI BOOL WINAPI WritePrivateProfileStructW(LPCWSTR section, LPCWSTR key, LPCVOID data, UINT size,
                                                  LPCWSTR file) {
    return guarded(FALSE, [&]() -> BOOL {
        if (enterWith("WritePrivateProfileStructW", [&] { return describe(section, key, file); })) return FALSE;
        if (!data) return writeString(section, key, nullptr, file);  // no data: the key is deleted
        static const char16_t digits[] = u"0123456789ABCDEF";
        std::u16string text;
        unsigned sum = 0;
        auto put = [&](unsigned char b) {
            text += digits[b >> 4];
            text += digits[b & 15];
        };
        for (UINT i = 0; i < size; ++i) {
            unsigned char b = static_cast<const unsigned char*>(data)[i];
            sum += b;
            put(b);
        }
        put(static_cast<unsigned char>(sum & 0xFF));
        return writeString(section, key, text.c_str(), file);
    });
}

WINBASEAPI DWORD WINAPI GetProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR def, LPWSTR buf, DWORD n) {
    return guarded(DWORD{0}, [&] {
        if (enterWith("GetProfileStringW", [&] { return describe(section, key, nullptr); })) return failedGet(buf, n);
        return getString(section, key, def, buf, n, nullptr);
    });
}

WINBASEAPI UINT WINAPI GetProfileIntW(LPCWSTR section, LPCWSTR key, INT def) {
    return guarded(static_cast<UINT>(def), [&] {
        if (enterWith("GetProfileIntW", [&] { return describe(section, key, nullptr); })) return static_cast<UINT>(def);
        return getInt(section, key, def, nullptr);
    });
}

WINBASEAPI BOOL WINAPI WriteProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value) {
    return guarded(FALSE, [&] {
        if (enterWith("WriteProfileStringW", [&] { return describe(section, key, nullptr); })) return FALSE;
        return writeString(section, key, value, nullptr);
    });
}

WINBASEAPI DWORD WINAPI GetProfileSectionW(LPCWSTR section, LPWSTR buf, DWORD n) {
    return guarded(DWORD{0}, [&] {
        if (enterWith("GetProfileSectionW", [&] { return describe(section, nullptr, nullptr); })) return failedGet(buf, n);
        return getSection(section, buf, n, nullptr);
    });
}

WINBASEAPI BOOL WINAPI WriteProfileSectionW(LPCWSTR section, LPCWSTR block) {
    return guarded(FALSE, [&] {
        if (enterWith("WriteProfileSectionW", [&] { return describe(section, nullptr, nullptr); })) return FALSE;
        return writeSection(section, block, nullptr);
    });
}

}  // extern "C"
