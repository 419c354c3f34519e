// The registry: keys and values kept in hive files under the machine root.
//
// Layout under the machine's "registry" state folder:
//   HKLM.hive                        HKEY_LOCAL_MACHINE
//   users/<user name>/NTUSER.hive    one user's keys (HKEY_USERS\<name>)
// HKEY_CURRENT_USER is the machine's interactive user's hive; the names
// under HKEY_USERS are user names (the machine has no SIDs to offer).
// HKEY_CLASSES_ROOT is HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
//
// Every call reads the hive file anew (or a parsed tree of the very version
// the file still is, see HiveCache), so a change made by one process is
// seen by the next call of any other. A change is a read-modify-write of
// the whole hive under an exclusive lock on "<hive>.lock", written
// atomically (see registry_store.cpp).
//
// A handle names its key by path. A key deleted (by this or another
// process) while a handle is open makes calls on that handle fail with
// ERROR_KEY_DELETED, as on Windows.
//
// Access: the identity of the calling thread decides what a handle may get
// when it is opened. Administrators (or a thread acting as SYSTEM) may write
// everywhere; other users may write only their own keys, and read the rest.
// A handle keeps the rights it was opened with; a value written or deleted
// through a handle without KEY_SET_VALUE is refused with ERROR_ACCESS_DENIED.
// Creating a subkey and deleting a key are checked against the caller's
// rights on the keys themselves, not the rights of the handle named (a
// handle opened with KEY_READ may create where its caller may write), as
// on Windows. The predefined keys carry the most the caller may have at the
// time of each call.
//
// Choices where Windows leaves room:
// - A key path may not start with '\\' nor hold an empty component
//   (ERROR_BAD_PATHNAME); one trailing '\\' is accepted.
// - RegCreateKeyW and RegOpenKeyW with an empty subkey on a handle that is
//   not a predefined key return a new handle to the same key (Windows
//   returns the caller's handle itself, which the caller would then close
//   twice). RegCreateKeyExW and RegOpenKeyExW do the same, as documented.
// - RegDeleteKeyW with an empty subkey deletes the handle's own key.
// - A name buffer too small for RegEnumKeyExW/RegEnumValueW gives
//   ERROR_MORE_DATA, copies nothing and leaves the size unchanged: Windows
//   reports a count only on success and points callers to RegQueryInfoKeyW
//   for the longest name.
// - A string value is kept with exactly the bytes the caller gave: a size
//   that leaves out the terminator stores the text without one, and
//   RegQueryValueExW returns it so, as on Windows.
// - REG_OPTION_VOLATILE keys are kept like the others (the machine never
//   restarts); key classes are accepted and not kept.
#include <win/registry.h>
#include <winsim/registry.h>

#include "core/guard.h"
#include "core/handle_table.h"
#include "core/sim.h"
#include "registry_store.h"
#include "core/store_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace fs = std::filesystem;
using namespace winsim::detail;
using winsim::detail::reg::Key;

namespace {

constexpr ACCESS_MASK kDelete = 0x00010000;
constexpr ACCESS_MASK kWriteDac = 0x00040000;
constexpr ACCESS_MASK kWriteOwner = 0x00080000;
constexpr ACCESS_MASK kMaximumAllowed = 0x02000000;
constexpr ACCESS_MASK kGenericAll = 0x10000000;
constexpr ACCESS_MASK kGenericExecute = 0x20000000;
constexpr ACCESS_MASK kGenericWrite = 0x40000000;
constexpr ACCESS_MASK kGenericRead = 0x80000000;
constexpr ACCESS_MASK kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | kDelete | kWriteDac | kWriteOwner;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

enum class Hive { Machine, User, Users };

// Where a key lives: a hive and the path below its root. The first `fixed`
// components exist implicitly (the path of HKEY_CLASSES_ROOT).
struct Location {
    Hive hive = Hive::Machine;
    std::u16string user;
    std::vector<std::u16string> path;
    size_t fixed = 0;
};

struct OpenKey {
    Location loc;
    ACCESS_MASK granted = 0;
};

HandleTable<OpenKey>& table() {
    static auto* t = new HandleTable<OpenKey>(0x1000, 4);
    return *t;
}

uintptr_t predefinedIndex(HKEY h) {
    auto v = reinterpret_cast<uintptr_t>(h);
    auto low = static_cast<uint32_t>(v);
    if (low < 0x80000000u || low > 0x80000003u) return UINTPTR_MAX;
    // Accept the sign-extended form only (as the macros produce it).
    if (v != reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT) + (low - 0x80000000u)) return UINTPTR_MAX;
    return low - 0x80000000u;
}
bool isPredefined(HKEY h) { return predefinedIndex(h) != UINTPTR_MAX; }

// A caller's name as a view (null: empty), for lookups that keep no copy.
std::u16string_view view(LPCWSTR s) { return s ? std::u16string_view(s, wlen(s)) : std::u16string_view(); }

fs::path usersDir() { return stateDir("registry") / "users"; }

std::string userFolderName(std::u16string_view user) {
    std::string e = reg::escapeName(user);
    std::string out;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i] == '/' || (i == 0 && e[i] == '.')) out += e[i] == '/' ? "%2F" : "%2E";
        else out += e[i];
    }
    return out;
}

// Users that have a hive folder, with their names as first stored.
std::vector<std::u16string> knownUsers() {
    std::vector<std::u16string> out;
    if (winsim::machineRoot().empty()) return out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(usersDir(), ec)) {
        if (!e.is_directory(ec)) continue;
        if (auto n = reg::unescapeName(e.path().filename().string()); n && !n->empty()) out.push_back(*n);
    }
    return out;
}

std::u16string currentUser() { return winsim::fromUtf8(winsim::config().userName); }

// The stored spelling of a user's name, or nothing when that user has no keys.
std::optional<std::u16string> findUser(std::u16string_view name) {
    for (const auto& u : knownUsers())
        if (wequalNoCase(u, name)) return u;
    std::u16string me = currentUser();
    if (wequalNoCase(me, name)) return me;
    return std::nullopt;
}

// The machine hive's file, made once per machine root; null while the
// process has no machine.
std::shared_ptr<const fs::path> machineHiveFile() {
    static std::mutex lock;
    static uint64_t generation = ~uint64_t{0};
    static auto* file = new std::shared_ptr<const fs::path>;
    const uint64_t now = machineGeneration();
    std::lock_guard g(lock);
    if (generation != now || !*file) {
        const fs::path dir = stateDir("registry");
        *file = dir.empty() ? nullptr : std::make_shared<const fs::path>(dir / "HKLM.hive");
        generation = now;
    }
    return *file;
}

// A user's hive file (the folder of that name in its stored spelling).
fs::path userHiveFile(const Location& loc) {
    fs::path dir = usersDir() / userFolderName(loc.user);
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(usersDir(), ec)) {
        auto n = reg::unescapeName(e.path().filename().string());
        if (n && wequalNoCase(*n, loc.user)) {
            dir = e.path();
            break;
        }
    }
    return dir / "NTUSER.hive";
}

// The hive file of `loc`; null without a machine (nowhere to keep keys).
std::shared_ptr<const fs::path> hiveFile(const Location& loc) {
    if (loc.hive == Hive::Machine) return machineHiveFile();
    if (winsim::machineRoot().empty()) return nullptr;
    return std::make_shared<const fs::path>(userHiveFile(loc));
}

bool mayWrite(const Location& loc) {
    if (callerIsAdmin()) return true;
    return loc.hive == Hive::User && wequalNoCase(loc.user, currentUser());
}

ACCESS_MASK maximumFor(const Location& loc) { return mayWrite(loc) ? KEY_ALL_ACCESS : KEY_READ; }

// The rights a handle gets for `sam`, or nothing when the caller may not have them.
std::optional<ACCESS_MASK> grantFor(const Location& loc, REGSAM sam) {
    ACCESS_MASK m = sam & ~static_cast<ACCESS_MASK>(KEY_WOW64_64KEY | KEY_WOW64_32KEY);
    if (m & kGenericRead) m |= KEY_READ;
    if (m & kGenericWrite) m |= KEY_WRITE;
    if (m & kGenericExecute) m |= KEY_EXECUTE;
    if (m & kGenericAll) m |= KEY_ALL_ACCESS;
    m &= ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll);
    if (m & kMaximumAllowed) m = (m & ~kMaximumAllowed) | maximumFor(loc);
    if ((m & kWriteRights) && !mayWrite(loc)) return std::nullopt;
    return m;
}

// Resolves a handle into its location and rights.
LONG lookupKey(HKEY h, OpenKey& out) {
    switch (predefinedIndex(h)) {
        case 0:
            out.loc = Location{Hive::Machine, {}, {u"SOFTWARE", u"Classes"}, 2};
            break;
        case 1: out.loc = Location{Hive::User, currentUser(), {}, 0}; break;
        case 2: out.loc = Location{Hive::Machine, {}, {}, 0}; break;
        case 3: out.loc = Location{Hive::Users, {}, {}, 0}; break;
        default: {
            auto k = table().find(reinterpret_cast<HANDLE>(h));
            if (!k) return ERROR_INVALID_HANDLE;
            out = *k;
            return ERROR_SUCCESS;
        }
    }
    out.granted = maximumFor(out.loc);
    return ERROR_SUCCESS;
}

HKEY addKeyHandle(OpenKey k) { return reinterpret_cast<HKEY>(table().add(std::make_shared<OpenKey>(std::move(k)))); }

// Splits a subkey path into its names, views into `sub`.
LONG splitPath(LPCWSTR sub, std::vector<std::u16string_view>& out) {
    out.clear();
    std::u16string_view s = view(sub);
    if (s.empty()) return ERROR_SUCCESS;
    if (s.front() == u'\\') return ERROR_BAD_PATHNAME;
    if (s.back() == u'\\') s.remove_suffix(1);
    out.reserve(8);
    size_t start = 0;
    for (;;) {
        size_t sep = s.find(u'\\', start);
        const size_t n = sep == std::u16string_view::npos ? std::u16string_view::npos : sep - start;
        std::u16string_view comp = s.substr(start, n);
        if (comp.empty()) return ERROR_BAD_PATHNAME;
        if (comp.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
        out.push_back(comp);
        if (sep == std::u16string_view::npos) break;
        start = sep + 1;
    }
    return ERROR_SUCCESS;
}

// The location of `comps` below `base`; a path below HKEY_USERS moves into
// that user's hive.
Location below(const Location& base, const std::vector<std::u16string_view>& comps) {
    Location loc = base;
    size_t i = 0;
    if (loc.hive == Hive::Users && !comps.empty()) {
        loc.hive = Hive::User;
        loc.user = findUser(comps[0]).value_or(std::u16string(comps[0]));
        loc.fixed = 0;
        i = 1;
    }
    loc.path.reserve(loc.path.size() + comps.size() - i);
    for (; i < comps.size(); ++i) loc.path.emplace_back(comps[i]);
    return loc;
}

bool isHiveRoot(const Location& loc) { return loc.hive == Hive::Users || loc.path.size() <= loc.fixed; }

// Walks to a key. Components below loc.fixed are made on the way. Returns
// null when a key is missing, with the index of the first missing name.
Key* walk(Key& root, const Location& loc, size_t depth, size_t* missingAt = nullptr) {
    Key* k = &root;
    for (size_t i = 0; i < depth; ++i) {
        Key* c = k->child(loc.path[i]);
        if (!c && i < loc.fixed) c = k->addChild(loc.path[i], 0);
        if (!c) {
            if (missingAt) *missingAt = i;
            return nullptr;
        }
        k = c;
    }
    return k;
}

// Hives parsed lately, each with the version of its file it was parsed
// from. A read whose file is still that version (one stat()) walks the kept
// tree instead of reading and parsing the file again. Only settled versions
// are kept (store::HostKey), so a later change by any process gives the file
// another version and the next read parses it. Kept trees are never changed:
// writes parse their own copy under the hive's lock.
class HiveCache {
public:
    static HiveCache& get() {
        static HiveCache* c = new HiveCache;
        return *c;
    }

    // The parsed hive of `file` while the file is the version it was parsed
    // from; an empty one while there is no file (a missing hive, as a folder
    // of that name, is empty); null when the file must be read.
    std::shared_ptr<const Key> find(const fs::path& file) {
        int error = 0;
        auto now = store::hostKey(file, &error);
        if (!now) return error == ENOENT || error == ENOTDIR ? empty() : nullptr;
        if (now->directory) return empty();
        const uint64_t generation = machineGeneration();
        std::lock_guard g(lock_);
        for (const Entry& e : entries_)
            if (e.root && e.generation == generation && e.key == *now && e.file.native() == file.native())
                return e.root;
        return nullptr;
    }

    static std::shared_ptr<const Key> empty() {
        static const auto* e = new std::shared_ptr<const Key>(std::make_shared<const Key>());
        return *e;
    }

    void keep(const fs::path& file, const store::HostKey& key, std::shared_ptr<const Key> root) {
        const uint64_t generation = machineGeneration();
        std::lock_guard g(lock_);
        Entry* slot = nullptr;
        for (Entry& e : entries_)
            if (e.file.native() == file.native()) slot = &e;
        if (!slot) slot = &entries_[next_++ % kEntries];
        *slot = Entry{generation, file, key, std::move(root)};
    }

private:
    struct Entry {
        uint64_t generation = 0;
        fs::path file;
        store::HostKey key;
        std::shared_ptr<const Key> root;
    };
    static constexpr size_t kEntries = 8;
    std::mutex lock_;
    Entry entries_[kEntries];
    size_t next_ = 0;
};

// Runs `f(root, dirty)` on the hive of `loc`, under its lock when `write`;
// saves the hive when `f` succeeded and set `dirty`.
template <class F>
LONG withHive(const Location& loc, bool write, F f) {
    const std::shared_ptr<const fs::path> kept = hiveFile(loc);
    if (!kept) return ERROR_CANTOPEN;  // no machine: nowhere to keep keys
    const fs::path& file = *kept;
    // A read that may make the implicit keys of its path (loc.fixed) would
    // change the tree it walks: it gets a fresh one.
    const bool shared = !write && loc.fixed == 0;
    bool dirty = false;
    if (shared) {
        if (std::shared_ptr<const Key> kept = HiveCache::get().find(file))
            return f(const_cast<Key&>(*kept), dirty);
    }
    std::optional<store::FileLock> lock;
    if (write) {
        lock.emplace(fs::path(file).concat(".lock"));
        if (!lock->held()) return ERROR_CANTWRITE;
    }
    const std::optional<store::HostKey> before = shared ? store::hostKey(file) : std::nullopt;
    auto parsed = std::make_shared<Key>();
    Key& root = *parsed;
    switch (reg::load(file, root)) {
        case reg::LoadResult::Ok: break;
        case reg::LoadResult::Corrupt: return ERROR_BADDB;
        case reg::LoadResult::Unreadable: return ERROR_CANTREAD;
    }
    // Kept only when the version stat()ed before the read is still there
    // after it, so the tree is that version's.
    if (before && !before->directory && before->settled() && store::hostKey(file) == before)
        HiveCache::get().keep(file, *before, parsed);
    LONG r = f(root, dirty);
    if (r != ERROR_SUCCESS || !write || !dirty) return r;
    DWORD e = reg::save(file, root);
    return e == ERROR_SUCCESS ? ERROR_SUCCESS : (e == ERROR_DISK_FULL ? ERROR_DISK_FULL : ERROR_CANTWRITE);
}

// Runs `f(key)` on the key a handle names.
template <class F>
LONG onKey(const OpenKey& k, bool write, F f) {
    return withHive(k.loc, write, [&](Key& root, bool& dirty) -> LONG {
        Key* key = walk(root, k.loc, k.loc.path.size());
        if (!key) return ERROR_KEY_DELETED;
        return f(*key, dirty);
    });
}

uint64_t now() { return winsim::nowFileTime(); }

// Opens (and with `create` makes) `sub` below `h`.
LONG openOrCreate(HKEY h, LPCWSTR sub, REGSAM sam, bool create, PHKEY out, LPDWORD disposition) {
    *out = nullptr;
    OpenKey parent;
    if (LONG r = lookupKey(h, parent)) return r;
    std::vector<std::u16string_view> comps;
    if (LONG r = splitPath(sub, comps)) return r;
    OpenKey result;
    result.loc = below(parent.loc, comps);
    std::optional<ACCESS_MASK> grant = grantFor(result.loc, sam);
    if (!grant) return ERROR_ACCESS_DENIED;
    result.granted = *grant;
    if (comps.empty() && isPredefined(h)) {
        // A predefined key opened again is the predefined key itself.
        *out = h;
        if (disposition) *disposition = REG_OPENED_EXISTING_KEY;
        return ERROR_SUCCESS;
    }

    bool created = false;
    if (result.loc.hive == Hive::Users) {
        // HKEY_USERS itself: always there.
    } else if (parent.loc.hive == Hive::Users && result.loc.path.empty() && !findUser(result.loc.user)) {
        // A user with no keys yet: only an administrator makes one.
        if (!create) return ERROR_FILE_NOT_FOUND;
        if (!callerIsAdmin()) return ERROR_ACCESS_DENIED;
        std::error_code ec;
        fs::create_directories(userHiveFile(result.loc).parent_path(), ec);
        if (ec) return ERROR_CANTWRITE;
        created = true;
    } else {
        size_t parentDepth = parent.loc.hive == Hive::Users ? 0 : parent.loc.path.size();
        LONG r = withHive(result.loc, create, [&](Key& root, bool& dirty) -> LONG {
            size_t missing = 0;
            if (walk(root, result.loc, result.loc.path.size(), &missing)) return ERROR_SUCCESS;
            if (missing < parentDepth) return ERROR_KEY_DELETED;
            if (!create) return ERROR_FILE_NOT_FOUND;
            if (!mayWrite(result.loc)) return ERROR_ACCESS_DENIED;
            Key* k = walk(root, result.loc, missing);
            uint64_t t = now();
            k->lastWrite = t;
            for (size_t i = missing; i < result.loc.path.size(); ++i) k = k->addChild(result.loc.path[i], t);
            dirty = created = true;
            return ERROR_SUCCESS;
        });
        if (r) return r;
    }
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *out = addKeyHandle(std::move(result));
    return ERROR_SUCCESS;
}

LONG queryValue(HKEY h, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD cb) {
    if (reserved || (data && !cb)) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (k.loc.hive == Hive::Users) return ERROR_FILE_NOT_FOUND;
    return onKey(k, false, [&](Key& key, bool&) -> LONG {
        reg::Value* v = key.value(view(name));
        if (!v) return ERROR_FILE_NOT_FOUND;
        if (type) *type = v->type;
        auto size = static_cast<DWORD>(v->data.size());
        if (!data) {
            if (cb) *cb = size;
            return ERROR_SUCCESS;
        }
        if (*cb < size) {
            *cb = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(data, v->data.data(), size);
        *cb = size;
        return ERROR_SUCCESS;
    });
}

LONG setValue(HKEY h, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD cb) {
    (void)reserved;
    if (!data && cb) return ERROR_INVALID_PARAMETER;
    std::u16string n = wstr(name);
    if (n.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_SET_VALUE) || k.loc.hive == Hive::Users) return ERROR_ACCESS_DENIED;
    std::string bytes(reinterpret_cast<const char*>(data), data ? cb : 0);
    return onKey(k, true, [&](Key& key, bool& dirty) -> LONG {
        if (reg::Value* v = key.value(n)) {
            v->type = type;
            v->data = std::move(bytes);
        } else {
            key.values.push_back(reg::Value{n, type, std::move(bytes)});
        }
        key.lastWrite = now();
        dirty = true;
        return ERROR_SUCCESS;
    });
}

LONG deleteValue(HKEY h, LPCWSTR name) {
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_SET_VALUE) || k.loc.hive == Hive::Users) return ERROR_ACCESS_DENIED;
    std::u16string n = wstr(name);
    return onKey(k, true, [&](Key& key, bool& dirty) -> LONG {
        for (auto it = key.values.begin(); it != key.values.end(); ++it) {
            if (wequalNoCase(it->name, n)) {
                key.values.erase(it);
                key.lastWrite = now();
                dirty = true;
                return ERROR_SUCCESS;
            }
        }
        return ERROR_FILE_NOT_FOUND;
    });
}

LONG deleteKey(HKEY h, LPCWSTR sub) {
    if (!sub) return ERROR_INVALID_PARAMETER;
    OpenKey parent;
    if (LONG r = lookupKey(h, parent)) return r;
    std::vector<std::u16string_view> comps;
    if (LONG r = splitPath(sub, comps)) return r;
    Location loc = below(parent.loc, comps);
    // Hive roots (the predefined keys, a user's whole hive) are not deleted.
    if (isHiveRoot(loc) || loc.path.empty()) return ERROR_ACCESS_DENIED;
    if (!mayWrite(loc)) return ERROR_ACCESS_DENIED;
    size_t parentDepth = parent.loc.hive == Hive::Users ? 0 : std::min(parent.loc.path.size(), loc.path.size() - 1);
    return withHive(loc, true, [&](Key& root, bool& dirty) -> LONG {
        size_t missing = 0;
        Key* above = walk(root, loc, loc.path.size() - 1, &missing);
        if (!above) return missing < parentDepth ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        Key* target = above->child(loc.path.back());
        if (!target) return comps.empty() ? ERROR_KEY_DELETED : ERROR_FILE_NOT_FOUND;
        if (!target->subkeys.empty()) return ERROR_ACCESS_DENIED;
        above->removeChild(loc.path.back());
        above->lastWrite = now();
        dirty = true;
        return ERROR_SUCCESS;
    });
}

// Copies a name for the enumerators: ERROR_MORE_DATA when it does not fit.
LONG copyName(std::u16string_view n, LPWSTR buf, LPDWORD cch) {
    if (*cch <= n.size()) return ERROR_MORE_DATA;
    std::memcpy(buf, n.data(), n.size() * sizeof(WCHAR));
    buf[n.size()] = 0;
    *cch = static_cast<DWORD>(n.size());
    return ERROR_SUCCESS;
}

void emptyClass(LPWSTR cls, LPDWORD cch) {
    if (cls && cch && *cch > 0) cls[0] = 0;
    if (cch) *cch = 0;
}

void putTime(PFILETIME ft, uint64_t t) {
    if (!ft) return;
    ft->dwLowDateTime = static_cast<DWORD>(t);
    ft->dwHighDateTime = static_cast<DWORD>(t >> 32);
}

std::vector<std::u16string> sortedUsers() {
    std::vector<std::u16string> users = knownUsers();
    std::u16string me = currentUser();
    bool listed = false;
    for (const auto& u : users) listed = listed || wequalNoCase(u, me);
    if (!listed && !me.empty()) users.push_back(me);
    std::sort(users.begin(), users.end(), [](const auto& a, const auto& b) { return Key::before(a, b); });
    return users;
}

LONG enumKey(HKEY h, DWORD index, LPWSTR name, LPDWORD cch, LPDWORD reserved, LPWSTR cls, LPDWORD cchClass,
             PFILETIME ft) {
    if (!name || !cch || reserved) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (k.loc.hive == Hive::Users) {
        std::vector<std::u16string> users = sortedUsers();
        if (index >= users.size()) return ERROR_NO_MORE_ITEMS;
        if (LONG r = copyName(users[index], name, cch)) return r;
        emptyClass(cls, cchClass);
        putTime(ft, 0);
        return ERROR_SUCCESS;
    }
    return onKey(k, false, [&](Key& key, bool&) -> LONG {
        if (index >= key.subkeys.size()) return ERROR_NO_MORE_ITEMS;
        const Key& sub = *key.subkeys[index];
        if (LONG r = copyName(sub.name, name, cch)) return r;
        emptyClass(cls, cchClass);
        putTime(ft, sub.lastWrite);
        return ERROR_SUCCESS;
    });
}

LONG enumValue(HKEY h, DWORD index, LPWSTR name, LPDWORD cch, LPDWORD reserved, LPDWORD type, LPBYTE data,
               LPDWORD cb) {
    if (!name || !cch || reserved || (data && !cb)) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (k.loc.hive == Hive::Users) return ERROR_NO_MORE_ITEMS;
    return onKey(k, false, [&](Key& key, bool&) -> LONG {
        if (index >= key.values.size()) return ERROR_NO_MORE_ITEMS;
        const reg::Value& v = key.values[index];
        if (LONG r = copyName(v.name, name, cch)) return r;
        if (type) *type = v.type;
        auto size = static_cast<DWORD>(v.data.size());
        if (!data) {
            if (cb) *cb = size;
            return ERROR_SUCCESS;
        }
        if (*cb < size) {
            *cb = size;
            return ERROR_MORE_DATA;
        }
        if (size) std::memcpy(data, v.data.data(), size);
        *cb = size;
        return ERROR_SUCCESS;
    });
}

LONG queryInfo(HKEY h, LPWSTR cls, LPDWORD cchClass, LPDWORD reserved, LPDWORD subKeys, LPDWORD maxSubKeyLen,
               LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
               LPDWORD securityDescriptor, PFILETIME ft) {
    if (reserved || (cls && !cchClass)) return ERROR_INVALID_PARAMETER;
    OpenKey k;
    if (LONG r = lookupKey(h, k)) return r;
    if (!(k.granted & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    auto fill = [&](DWORD nSub, DWORD maxSub, DWORD nVal, DWORD maxName, DWORD maxData, uint64_t t) {
        emptyClass(cls, cchClass);
        if (subKeys) *subKeys = nSub;
        if (maxSubKeyLen) *maxSubKeyLen = maxSub;
        if (maxClassLen) *maxClassLen = 0;
        if (values) *values = nVal;
        if (maxValueNameLen) *maxValueNameLen = maxName;
        if (maxValueLen) *maxValueLen = maxData;
        if (securityDescriptor) *securityDescriptor = 0;
        putTime(ft, t);
    };
    if (k.loc.hive == Hive::Users) {
        std::vector<std::u16string> users = sortedUsers();
        size_t longest = 0;
        for (const auto& u : users) longest = std::max(longest, u.size());
        fill(static_cast<DWORD>(users.size()), static_cast<DWORD>(longest), 0, 0, 0, 0);
        return ERROR_SUCCESS;
    }
    return onKey(k, false, [&](Key& key, bool&) -> LONG {
        size_t maxSub = 0, maxName = 0, maxData = 0;
        for (const auto& s : key.subkeys) maxSub = std::max(maxSub, s->name.size());
        for (const auto& v : key.values) {
            maxName = std::max(maxName, v.name.size());
            maxData = std::max(maxData, v.data.size());
        }
        fill(static_cast<DWORD>(key.subkeys.size()), static_cast<DWORD>(maxSub), static_cast<DWORD>(key.values.size()),
             static_cast<DWORD>(maxName), static_cast<DWORD>(maxData), key.lastWrite);
        return ERROR_SUCCESS;
    });
}

// Registry calls report failures as their result, including injected ones
// and exhausted memory. The journal's detail (`detail()`, the name a call
// names) is made only while calls are journalled.
template <class D, class F>
LONG guarded(const char* function, D detail, F f) {
    return guardedCode([&]() -> LONG {
        if (enterWith(function, detail)) {
            DWORD e = GetLastError();
            return e ? static_cast<LONG>(e) : ERROR_GEN_FAILURE;
        }
        return f();
    });
}

std::string nameOf(LPCWSTR s) {
    try {
        return s ? winsim::toUtf8(wstr(s)) : std::string();
    } catch (...) {
        return {};
    }
}

std::string noDetail() { return {}; }

// Lets the control helpers act as the machine's administrator.
struct ActAsSystem {
    bool saved = threadActsAsSystem();
    ActAsSystem() { threadActsAsSystem() = true; }
    ~ActAsSystem() { threadActsAsSystem() = saved; }
};

}  // namespace

extern "C" {

WINBASEAPI LONG WINAPI RegOpenKeyExW(HKEY h, LPCWSTR sub, DWORD options, REGSAM sam, PHKEY out) {
    return guarded("RegOpenKeyExW", [&] { return nameOf(sub); }, [&]() -> LONG {
        (void)options;
        if (!out) return ERROR_INVALID_PARAMETER;
        return openOrCreate(h, sub, sam, false, out, nullptr);
    });
}

WINBASEAPI LONG WINAPI RegOpenKeyW(HKEY h, LPCWSTR sub, PHKEY out) {
    return guarded("RegOpenKeyW", [&] { return nameOf(sub); }, [&]() -> LONG {
        if (!out) return ERROR_INVALID_PARAMETER;
        return openOrCreate(h, sub, kMaximumAllowed, false, out, nullptr);
    });
}

WINBASEAPI LONG WINAPI RegCreateKeyExW(HKEY h, LPCWSTR sub, DWORD reserved, LPWSTR cls, DWORD options,
                                       REGSAM sam, const SECURITY_ATTRIBUTES* sa, PHKEY out,
                                       LPDWORD disposition) {
    return guarded("RegCreateKeyExW", [&] { return nameOf(sub); }, [&]() -> LONG {
        (void)reserved;
        (void)cls;
        (void)sa;
        if (!out) return ERROR_INVALID_PARAMETER;
        *out = nullptr;
        if (!sub || (options & ~static_cast<DWORD>(REG_OPTION_VOLATILE | REG_OPTION_BACKUP_RESTORE))) return ERROR_INVALID_PARAMETER;
        return openOrCreate(h, sub, sam, true, out, disposition);
    });
}

WINBASEAPI LONG WINAPI RegCreateKeyW(HKEY h, LPCWSTR sub, PHKEY out) {
    return guarded("RegCreateKeyW", [&] { return nameOf(sub); }, [&]() -> LONG {
        if (!out) return ERROR_INVALID_PARAMETER;
        return openOrCreate(h, sub, kMaximumAllowed, true, out, nullptr);
    });
}

WINBASEAPI LONG WINAPI RegQueryValueExW(HKEY h, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                        LPDWORD cb) {
    return guarded("RegQueryValueExW", [&] { return nameOf(name); },
                   [&] { return queryValue(h, name, reserved, type, data, cb); });
}

WINBASEAPI LONG WINAPI RegSetValueExW(HKEY h, LPCWSTR name, DWORD reserved, DWORD type, const BYTE* data,
                                      DWORD cb) {
    return guarded("RegSetValueExW", [&] { return nameOf(name); },
                   [&] { return setValue(h, name, reserved, type, data, cb); });
}

WINBASEAPI LONG WINAPI RegDeleteValueW(HKEY h, LPCWSTR name) {
    return guarded("RegDeleteValueW", [&] { return nameOf(name); }, [&] { return deleteValue(h, name); });
}

WINBASEAPI LONG WINAPI RegDeleteKeyW(HKEY h, LPCWSTR sub) {
    return guarded("RegDeleteKeyW", [&] { return nameOf(sub); }, [&] { return deleteKey(h, sub); });
}

WINBASEAPI LONG WINAPI RegEnumValueW(HKEY h, DWORD index, LPWSTR name, LPDWORD cch, LPDWORD reserved,
                                     LPDWORD type, LPBYTE data, LPDWORD cb) {
    return guarded("RegEnumValueW", noDetail,
                   [&] { return enumValue(h, index, name, cch, reserved, type, data, cb); });
}

WINBASEAPI LONG WINAPI RegEnumKeyExW(HKEY h, DWORD index, LPWSTR name, LPDWORD cch, LPDWORD reserved,
                                     LPWSTR cls, LPDWORD cchClass, PFILETIME ft) {
    return guarded("RegEnumKeyExW", noDetail,
                   [&] { return enumKey(h, index, name, cch, reserved, cls, cchClass, ft); });
}

WINBASEAPI LONG WINAPI RegQueryInfoKeyW(HKEY h, LPWSTR cls, LPDWORD cchClass, LPDWORD reserved,
                                        LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen,
                                        LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                                        LPDWORD securityDescriptor, PFILETIME ft) {
    return guarded("RegQueryInfoKeyW", noDetail, [&] {
        return queryInfo(h, cls, cchClass, reserved, subKeys, maxSubKeyLen, maxClassLen, values, maxValueNameLen,
                         maxValueLen, securityDescriptor, ft);
    });
}

WINBASEAPI LONG WINAPI RegCloseKey(HKEY h) {
    return guarded("RegCloseKey", noDetail, [&]() -> LONG {
        if (isPredefined(h)) return ERROR_SUCCESS;
        return table().remove(reinterpret_cast<HANDLE>(h)) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
    });
}

// Every change is on disk when its call returns; flushing only checks the handle.
WINBASEAPI LONG WINAPI RegFlushKey(HKEY h) {
    return guarded("RegFlushKey", noDetail, [&]() -> LONG {
        OpenKey k;
        return lookupKey(h, k);
    });
}

}  // extern "C"

namespace winsim {

bool regSet(HKEY root, std::u16string_view key, std::u16string_view name, uint32_t type, const void* data,
            size_t size) {
    try {
        if (!isPredefined(root) || size > 0xFFFFFFFFu) return false;
        ActAsSystem system;
        std::u16string k(key), n(name);
        HKEY h = nullptr;
        if (openOrCreate(root, k.c_str(), KEY_ALL_ACCESS, true, &h, nullptr) != ERROR_SUCCESS) return false;
        LONG r = setValue(h, n.c_str(), 0, type, static_cast<const BYTE*>(data), static_cast<DWORD>(size));
        RegCloseKey(h);
        return r == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

bool regSetString(HKEY root, std::u16string_view key, std::u16string_view name, std::u16string_view text,
                  uint32_t type) {
    std::u16string t(text);
    return regSet(root, key, name, type, t.c_str(), (t.size() + 1) * sizeof(WCHAR));
}

bool regSetDword(HKEY root, std::u16string_view key, std::u16string_view name, uint32_t value) {
    uint8_t b[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
                    static_cast<uint8_t>(value >> 24)};
    return regSet(root, key, name, REG_DWORD, b, sizeof b);
}

std::optional<RegValue> regGet(HKEY root, std::u16string_view key, std::u16string_view name) {
    try {
        if (!isPredefined(root)) return std::nullopt;
        ActAsSystem system;
        std::u16string k(key), n(name);
        HKEY h = nullptr;
        if (openOrCreate(root, k.c_str(), KEY_READ, false, &h, nullptr) != ERROR_SUCCESS) return std::nullopt;
        RegValue v;
        DWORD type = 0, size = 0;
        LONG r = queryValue(h, n.c_str(), nullptr, &type, nullptr, &size);
        if (r == ERROR_SUCCESS) {
            v.data.resize(size);
            r = queryValue(h, n.c_str(), nullptr, &type, v.data.data(), &size);
            v.data.resize(size);
            v.type = type;
        }
        RegCloseKey(h);
        if (r != ERROR_SUCCESS) return std::nullopt;
        return v;
    } catch (...) {
        return std::nullopt;
    }
}

bool regKeyExists(HKEY root, std::u16string_view key) {
    try {
        if (!isPredefined(root)) return false;
        ActAsSystem system;
        std::u16string k(key);
        HKEY h = nullptr;
        if (openOrCreate(root, k.c_str(), KEY_READ, false, &h, nullptr) != ERROR_SUCCESS) return false;
        RegCloseKey(h);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace winsim
