// The module loader: the table of loaded modules and the Windows functions
// over it. An image module is one of our shared libraries, mapped with
// dlopen (RTLD_NOW | RTLD_LOCAL); its DllMain runs on the first load and the
// last free. Module handles are values of our own (64 KiB apart, like image
// bases, never a host address), so a stale or forged handle is recognised.
#include "module_loader.h"

#include <win/modules.h>
#include <winsim/modules.h>

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace fs = std::filesystem;

namespace winsim::detail {
namespace {

using Entry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);

constexpr uintptr_t kProgramHandle = 0x00400000;  // the classic image base of a program
constexpr uintptr_t kFirstHandle = 0x10000000;
constexpr uintptr_t kHandleStep = 0x10000;
constexpr uint32_t kHandleSlots = 0xE000;  // handles stay below 0xF0000000
constexpr DWORD kDataFlags =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;
constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                               LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                               LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;
constexpr DWORD kKnownFlags = DONT_RESOLVE_DLL_REFERENCES | LOAD_WITH_ALTERED_SEARCH_PATH |
                              LOAD_IGNORE_CODE_AUTHZ_LEVEL | kDataFlags | kSearchFlags;

struct Module {
    uintptr_t handle = 0;
    ModuleKind kind = ModuleKind::Image;
    std::u16string path;  // Windows path
    std::u16string name;  // file name
    fs::path host;        // library (Image) or file (Data)
    void* dl = nullptr;   // dlopen handle (Image, System, Program)
    const link_map* map = nullptr;
    Entry entry = nullptr;  // DllMain of an image, when it has one
    uint32_t refs = 0;
    bool attached = false;  // DllMain(PROCESS_ATTACH) answered TRUE
    bool pinned = false;    // never unloaded by FreeLibrary
    bool unloading = false; // its detach is running
    uint64_t order = 0;     // load sequence
};

struct Loader {
    // The loader lock: held while DllMain runs, as on Windows, and recursive
    // so that a DllMain may itself call the loader.
    std::recursive_mutex lock;
    std::map<uintptr_t, std::unique_ptr<Module>> modules;  // by handle
    uint32_t nextSlot = 0;
    uint64_t loads = 0;
    std::vector<std::pair<std::u16string, std::string>> hidden;  // module file name, export
    std::vector<std::u16string> missing;                         // module file names
};

Loader& loader() {
    static Loader* l = new Loader;  // lives until exit: modules may be freed during teardown
    return *l;
}

void anchor() {}  // an address inside the platform library

std::string utf8(std::u16string_view s) { return toUtf8(s); }

HMODULE asHandle(uintptr_t h) { return reinterpret_cast<HMODULE>(h); }

std::u16string moduleKey(std::u16string_view nameOrPath) {
    return withDefaultExtension(moduleBaseName(nameOrPath));
}

bool isMissing(Loader& l, std::u16string_view nameOrPath) {
    std::u16string key = moduleKey(nameOrPath);
    for (const auto& m : l.missing)
        if (wequalNoCase(m, key)) return true;
    return false;
}

bool isHidden(Loader& l, std::u16string_view module, std::string_view proc) {
    for (const auto& [m, p] : l.hidden)
        if (p == proc && wequalNoCase(m, module)) return true;
    return false;
}

const link_map* linkMapOf(void* dl) {
    link_map* lm = nullptr;
    if (!dl || dlinfo(dl, RTLD_DI_LINKMAP, &lm) != 0) return nullptr;
    return lm;
}

// A symbol that the object `map` itself defines: dlsym also searches the
// libraries an object depends on, which a Windows module does not export.
void* ownSymbol(void* dl, const link_map* map, const char* name) {
    if (!dl || !map) return nullptr;
    dlerror();
    void* p = dlsym(dl, name);
    if (!p) return nullptr;
    Dl_info info;
    void* extra = nullptr;
    if (!dladdr1(p, &info, &extra, RTLD_DL_LINKMAP)) return nullptr;
    return static_cast<const link_map*>(extra) == map ? p : nullptr;
}

uintptr_t allocHandle(Loader& l) {
    for (uint32_t i = 0; i < kHandleSlots; ++i) {
        uintptr_t h = kFirstHandle + uintptr_t(l.nextSlot) * kHandleStep;
        l.nextSlot = (l.nextSlot + 1) % kHandleSlots;
        if (!l.modules.count(h) && !l.modules.count(h | 1)) return h;
    }
    return 0;
}

Module* find(Loader& l, HMODULE h) {
    auto it = l.modules.find(reinterpret_cast<uintptr_t>(h));
    return it == l.modules.end() ? nullptr : it->second.get();
}

Module* insert(Loader& l, std::unique_ptr<Module> m) {
    m->order = ++l.loads;
    Module* raw = m.get();
    l.modules.emplace(m->handle, std::move(m));
    return raw;
}

// The main program: created on first use, its path read from the
// configuration each time since a test may change it.
Module* program(Loader& l) {
    Module* m = find(l, asHandle(kProgramHandle));
    if (!m) {
        auto p = std::make_unique<Module>();
        p->handle = kProgramHandle;
        p->kind = ModuleKind::Program;
        p->dl = dlopen(nullptr, RTLD_NOW);
        p->map = linkMapOf(p->dl);
        p->pinned = true;
        m = insert(l, std::move(p));
    }
    m->path = programPath();
    m->name = moduleBaseName(m->path);
    return m;
}

// A built-in system module: the platform library under a system name. It is
// always present (the program links the platform), so it is never unloaded.
Module* systemModule(Loader& l, std::u16string_view canonical) {
    for (auto& [h, m] : l.modules)
        if (m->kind == ModuleKind::System && m->name == canonical) return m.get();
    uintptr_t h = allocHandle(l);
    if (!h) return nullptr;
    auto p = std::make_unique<Module>();
    p->handle = h;
    p->kind = ModuleKind::System;
    p->name = std::u16string(canonical);
    p->path = systemModulePath(canonical);
    Dl_info info;
    if (dladdr(reinterpret_cast<void*>(&anchor), &info) && info.dli_fname)
        p->dl = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
    p->map = linkMapOf(p->dl);
    p->pinned = true;
    return insert(l, std::move(p));
}

// A loaded module (not a data file) by file name: the first one loaded.
Module* findByName(Loader& l, std::u16string_view name) {
    Module* best = nullptr;
    for (auto& [h, m] : l.modules)
        if (m->kind != ModuleKind::Data && !m->unloading && wequalNoCase(m->name, name) &&
            (!best || m->order < best->order))
            best = m.get();
    if (!best) {
        Module* p = program(l);
        if (wequalNoCase(p->name, name)) best = p;
    }
    return best;
}

Module* findByPath(Loader& l, std::u16string_view path, bool data) {
    for (auto& [h, m] : l.modules)
        if ((m->kind == ModuleKind::Data) == data && !m->unloading && m->kind != ModuleKind::Program &&
            wequalNoCase(m->path, path))
            return m.get();
    return nullptr;
}

// Why dlopen refused a registered library, as the Windows error.
DWORD imageError(const fs::path& lib, const char* why) {
    std::error_code ec;
    if (!fs::is_regular_file(lib, ec)) return ERROR_MOD_NOT_FOUND;
    unsigned char id[5] = {};
    if (FILE* f = std::fopen(lib.c_str(), "rb")) {
        size_t n = std::fread(id, 1, sizeof id, f);
        std::fclose(f);
        const unsigned char elfClass = sizeof(void*) == 8 ? 2 : 1;
        if (n < sizeof id || id[0] != 0x7F || id[1] != 'E' || id[2] != 'L' || id[3] != 'F' || id[4] != elfClass)
            return ERROR_BAD_EXE_FORMAT;
    }
    std::string_view w = why ? why : "";
    if (w.find("undefined symbol") != std::string_view::npos) return ERROR_PROC_NOT_FOUND;
    if (w.find("cannot open shared object") != std::string_view::npos) return ERROR_MOD_NOT_FOUND;
    return ERROR_BAD_EXE_FORMAT;
}

Module* mapImage(Loader& l, const ModuleTarget& t, DWORD& err) {
    void* dl = dlopen(t.host.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        err = imageError(t.host, dlerror());
        return nullptr;
    }
    // A library can be mapped once per process: a second Windows path whose
    // name maps to the same library gives the module already loaded.
    for (auto& [h, m] : l.modules)
        if (m->dl == dl && !m->unloading && m->kind == ModuleKind::Image) {
            dlclose(dl);
            return m.get();
        }
    uintptr_t h = allocHandle(l);
    if (!h) {
        dlclose(dl);
        err = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    auto p = std::make_unique<Module>();
    p->handle = h;
    p->kind = ModuleKind::Image;
    p->path = t.path;
    p->name = t.name;
    p->host = t.host;
    p->dl = dl;
    p->map = linkMapOf(dl);
    p->entry = reinterpret_cast<Entry>(ownSymbol(dl, p->map, "DllMain"));
    return insert(l, std::move(p));
}

Module* mapData(Loader& l, const ModuleTarget& t, DWORD& err) {
    uintptr_t h = allocHandle(l);
    if (!h) {
        err = ERROR_NOT_ENOUGH_MEMORY;
        return nullptr;
    }
    auto p = std::make_unique<Module>();
    p->handle = h | 1;  // the low bit marks a data mapping, as LDR_IS_DATAFILE tests
    p->kind = ModuleKind::Data;
    p->path = t.path;
    p->name = t.name;
    p->host = t.host;
    return insert(l, std::move(p));
}

bool callEntry(Module& m, DWORD reason, LPVOID reserved) {
    try {
        return m.entry(asHandle(m.handle), reason, reserved) != FALSE;
    } catch (...) {
        return false;  // an exception must not unwind through the loader
    }
}

// Journals and runs the detach. A fault injected into "DllMain" is consumed
// and ignored here, as Windows ignores what DllMain answers to a detach.
void detach(Module& m, LPVOID reserved) {
    DWORD saved = GetLastError();
    enter("DllMain", "PROCESS_DETACH " + utf8(m.path));
    SetLastError(saved);
    callEntry(m, DLL_PROCESS_DETACH, reserved);
}

bool attach(Module& m) {
    if (!m.entry) {
        m.attached = true;
        return true;
    }
    // An injected fault stands for a DllMain that refuses without running.
    if (enter("DllMain", "PROCESS_ATTACH " + utf8(m.path))) return false;
    if (callEntry(m, DLL_PROCESS_ATTACH, nullptr)) {
        m.attached = true;
        return true;
    }
    detach(m, nullptr);  // a refused attach is followed by the detach call
    return false;
}

void unload(Loader& l, Module& m, LPVOID reserved) {
    m.unloading = true;
    if (m.attached && m.entry) {
        m.attached = false;
        detach(m, reserved);
    }
    void* dl = m.dl;
    const uintptr_t h = m.handle;
    l.modules.erase(h);  // destroys m
    if (dl) dlclose(dl);
}

HMODULE loadModule(const char* function, const WCHAR* rawName, DWORD flags) {
    auto& l = loader();
    std::lock_guard g(l.lock);
    const std::u16string given = wstr(rawName);
    if (enter(function, utf8(given))) return nullptr;
    if (!rawName) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::u16string name = withDefaultExtension(given);
    if (isMissing(l, name)) {
        setError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const bool asData = flags & kDataFlags;
    Module* m = nullptr;
    if (!isModulePath(name)) m = findByName(l, name);  // loaded already: no search
    if (!m) {
        ModuleTarget t;
        DWORD err = findModuleFile(name, flags, t);
        if (err) {
            setError(err);
            return nullptr;
        }
        if (isMissing(l, t.name)) {
            setError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        switch (t.kind) {
            case ModuleKind::System: m = systemModule(l, t.name); break;
            case ModuleKind::Data:
                // A file already mapped as an image serves a data load too.
                m = findByPath(l, t.path, false);
                if (!m) m = findByPath(l, t.path, true);
                if (!m) m = mapData(l, t, err);
                break;
            case ModuleKind::Image:
                m = findByPath(l, t.path, false);
                if (!m) m = mapImage(l, t, err);
                break;
            case ModuleKind::Program: break;
        }
        if (!m) {
            setError(err ? err : DWORD(ERROR_NOT_ENOUGH_MEMORY));
            return nullptr;
        }
    }
    if (m->kind == ModuleKind::System || m->kind == ModuleKind::Program) return asHandle(m->handle);
    ++m->refs;
    // The first load that may run code starts the module; one loaded before
    // with DONT_RESOLVE_DLL_REFERENCES is started now rather than never.
    if (m->kind == ModuleKind::Image && !m->attached && !asData && !(flags & DONT_RESOLVE_DLL_REFERENCES)) {
        const uintptr_t h = m->handle;
        if (!attach(*m)) {
            m = find(l, asHandle(h));
            if (m && --m->refs == 0 && !m->pinned) unload(l, *m, nullptr);
            setError(ERROR_DLL_INIT_FAILED);
            return nullptr;
        }
    }
    return asHandle(m->handle);
}

// A loaded module by name or path, as GetModuleHandleW finds it.
Module* lookupLoaded(Loader& l, std::u16string_view given, DWORD& err) {
    const std::u16string name = withDefaultExtension(given);
    err = ERROR_MOD_NOT_FOUND;
    if (isMissing(l, name)) return nullptr;
    if (isModulePath(name)) {
        PathError perr = PathError::None;
        auto r = resolve(name, &perr);
        if (!r) return nullptr;
        if (Module* m = findByPath(l, r->normalized, false)) return m;
        Module* p = program(l);
        return wequalNoCase(p->path, r->normalized) ? p : nullptr;
    }
    if (Module* m = findByName(l, name)) return m;
    std::u16string canonical;
    if (isSystemModuleName(name, &canonical) && !registeredModule(name)) {
        Module* m = systemModule(l, canonical);
        if (!m) err = ERROR_NOT_ENOUGH_MEMORY;
        return m;
    }
    return nullptr;
}

// The module that holds a code or data address.
Module* moduleAt(Loader& l, const void* address) {
    Dl_info info;
    void* extra = nullptr;
    if (!address || !dladdr1(address, &info, &extra, RTLD_DL_LINKMAP)) return nullptr;
    const auto* map = static_cast<const link_map*>(extra);
    for (auto& [h, m] : l.modules)
        if (m->kind == ModuleKind::Image && !m->unloading && m->map == map) return m.get();
    Module* p = program(l);
    if (p->map == map) return p;
    Module* k = systemModule(l, u"kernel32.dll");
    return k && k->map == map ? k : nullptr;
}

}  // namespace

std::optional<fs::path> moduleHostFile(HMODULE module) {
    auto& l = loader();
    std::lock_guard g(l.lock);
    Module* m = find(l, module);
    if (!m || (m->kind != ModuleKind::Image && m->kind != ModuleKind::Data)) return std::nullopt;
    return m->host;
}

}  // namespace winsim::detail

namespace winsim {

using namespace detail;

void hideExport(std::u16string_view module, std::string_view exportName) {
    auto& l = loader();
    std::lock_guard g(l.lock);
    std::u16string key = moduleKey(module);
    if (!isHidden(l, key, exportName)) l.hidden.emplace_back(key, std::string(exportName));
}

void showExport(std::u16string_view module, std::string_view exportName) {
    auto& l = loader();
    std::lock_guard g(l.lock);
    std::u16string key = moduleKey(module);
    std::erase_if(l.hidden, [&](const auto& e) { return e.second == exportName && wequalNoCase(e.first, key); });
}

void setModuleMissing(std::u16string_view module, bool missing) {
    auto& l = loader();
    std::lock_guard g(l.lock);
    std::u16string key = moduleKey(module);
    std::erase_if(l.missing, [&](const auto& m) { return wequalNoCase(m, key); });
    if (missing) l.missing.push_back(key);
}

void resetModuleKnobs() {
    auto& l = loader();
    std::lock_guard g(l.lock);
    l.hidden.clear();
    l.missing.clear();
}

std::vector<LoadedModule> loadedModules() {
    auto& l = loader();
    std::lock_guard g(l.lock);
    std::vector<const Module*> all;
    for (const auto& [h, m] : l.modules)
        if (m->kind != ModuleKind::Program && !m->unloading) all.push_back(m.get());
    std::sort(all.begin(), all.end(), [](const Module* a, const Module* b) { return a->order < b->order; });
    std::vector<LoadedModule> out;
    for (const Module* m : all)
        out.push_back({asHandle(m->handle), m->path, m->refs, m->kind == ModuleKind::Data,
                       m->kind == ModuleKind::System});
    return out;
}

size_t unloadAllModules() {
    auto& l = loader();
    std::lock_guard g(l.lock);
    size_t count = 0;
    for (;;) {
        // The module loaded last goes first; a detach may free others.
        Module* last = nullptr;
        for (auto& [h, m] : l.modules)
            if ((m->kind == ModuleKind::Image || m->kind == ModuleKind::Data) && !m->unloading &&
                (!last || m->order > last->order))
                last = m.get();
        if (!last) break;
        last->refs = 0;
        unload(l, *last, reinterpret_cast<LPVOID>(1));
        ++count;
    }
    return count;
}

std::u16string programPath() {
    const auto& cfg = config();
    if (auto p = cfg.get("program.path"); p && !p->empty()) return fromUtf8(*p);
    std::u16string dir = fromUtf8(cfg.systemDir);
    if (!dir.empty() && dir.back() != u'\\') dir += u'\\';
    return dir + u"spoolsv.exe";
}

void setProgramPath(std::u16string_view winPath) { config().set("program.path", toUtf8(winPath)); }

}  // namespace winsim

extern "C" {

using namespace winsim::detail;

WINBASEAPI HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName) {
    try {
        return loadModule("LoadLibraryW", lpLibFileName, 0);
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName) {
    try {
        if (!lpLibFileName) return loadModule("LoadLibraryA", nullptr, 0);
        std::u16string wide = ansiToWide(lpLibFileName);
        return loadModule("LoadLibraryA", wide.c_str(), 0);
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI HMODULE WINAPI LoadLibraryExW(LPCWSTR lpLibFileName, HANDLE hFile, DWORD dwFlags) {
    try {
        // hFile is reserved and must be NULL; the search flags replace the
        // altered search path and cannot be combined with it.
        if (hFile || (dwFlags & ~kKnownFlags) ||
            ((dwFlags & kSearchFlags) && (dwFlags & LOAD_WITH_ALTERED_SEARCH_PATH))) {
            if (enter("LoadLibraryExW", winsim::toUtf8(wstr(lpLibFileName)))) return nullptr;
            setError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        return loadModule("LoadLibraryExW", lpLibFileName, dwFlags);
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI FreeLibrary(HMODULE hLibModule) {
    try {
        auto& l = loader();
        std::lock_guard g(l.lock);
        Module* m = find(l, hLibModule);
        if (enter("FreeLibrary", m ? winsim::toUtf8(m->name) : std::string())) return FALSE;
        if (!m) {
            setError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        if (m->pinned || m->unloading || m->refs == 0) return TRUE;
        if (--m->refs == 0) unload(l, *m, nullptr);
        return TRUE;
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

WINBASEAPI FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
    try {
        auto& l = loader();
        std::lock_guard g(l.lock);
        Module* m = hModule ? find(l, hModule) : program(l);
        // Names below 64 Ki are ordinals (MAKEINTRESOURCE); no module here
        // exports by ordinal.
        const bool ordinal = reinterpret_cast<uintptr_t>(lpProcName) <= 0xFFFF;
        std::string detail = m ? winsim::toUtf8(m->name) : std::string("?");
        detail += ordinal ? "!#" + std::to_string(reinterpret_cast<uintptr_t>(lpProcName)) : "!" + std::string(lpProcName);
        if (enter("GetProcAddress", detail)) return nullptr;
        if (!m) {
            setError(ERROR_MOD_NOT_FOUND);
            return nullptr;
        }
        void* p = nullptr;
        if (!ordinal && m->kind != ModuleKind::Data && !isHidden(l, m->name, lpProcName))
            p = ownSymbol(m->dl, m->map, lpProcName);
        if (!p) {
            setError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        return reinterpret_cast<FARPROC>(p);
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName) {
    try {
        auto& l = loader();
        std::lock_guard g(l.lock);
        if (enter("GetModuleHandleW", winsim::toUtf8(wstr(lpModuleName)))) return nullptr;
        if (!lpModuleName) return asHandle(program(l)->handle);
        DWORD err = 0;
        Module* m = lookupLoaded(l, wstr(lpModuleName), err);
        if (!m) {
            setError(err);
            return nullptr;
        }
        return asHandle(m->handle);
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule) {
    try {
        auto& l = loader();
        std::lock_guard g(l.lock);
        const bool fromAddress = dwFlags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
        if (enter("GetModuleHandleExW", fromAddress ? std::string("address") : winsim::toUtf8(wstr(lpModuleName))))
            return FALSE;
        if (!phModule) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        *phModule = nullptr;
        const DWORD known = GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT |
                            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
        const bool pin = dwFlags & GET_MODULE_HANDLE_EX_FLAG_PIN;
        const bool unchanged = dwFlags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
        if ((dwFlags & ~known) || (pin && unchanged) || (fromAddress && !lpModuleName)) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        DWORD err = ERROR_MOD_NOT_FOUND;
        Module* m = nullptr;
        if (fromAddress) m = moduleAt(l, lpModuleName);
        else if (!lpModuleName) m = program(l);
        else m = lookupLoaded(l, wstr(lpModuleName), err);
        if (!m) {
            setError(err);
            return FALSE;
        }
        if (pin) m->pinned = true;
        else if (!unchanged && !m->pinned) ++m->refs;
        *phModule = asHandle(m->handle);
        return TRUE;
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

// Size protocol (as Windows Vista and later): the result is the length
// without the terminator; a buffer too small gets the path cut to nSize - 1
// characters and a terminator, the result is nSize and the last error
// ERROR_INSUFFICIENT_BUFFER. Success sets ERROR_SUCCESS so that a caller can
// tell a path of exactly nSize - 1 characters from a cut one.
WINBASEAPI DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize) {
    try {
        auto& l = loader();
        std::lock_guard g(l.lock);
        Module* m = hModule ? find(l, hModule) : program(l);
        if (enter("GetModuleFileNameW", m ? winsim::toUtf8(m->name) : std::string())) return 0;
        if (!m) {
            setError(ERROR_MOD_NOT_FOUND);
            return 0;
        }
        if (nSize == 0) {
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        if (!lpFilename) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        const std::u16string& path = m->path;
        if (path.size() < nSize) {
            copyOut(path, lpFilename, nSize);
            setError(ERROR_SUCCESS);
            return static_cast<DWORD>(path.size());
        }
        copyOut(std::u16string_view(path).substr(0, nSize - 1), lpFilename, nSize);
        setError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    } catch (...) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

// No thread notifications are ever sent, so there is nothing to turn off.
WINBASEAPI BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule) {
    if (enter("DisableThreadLibraryCalls")) return FALSE;
    (void)hLibModule;
    return TRUE;
}

}  // extern "C"
