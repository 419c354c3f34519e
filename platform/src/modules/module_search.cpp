// Finding a module's file: a path names one file of the machine; a bare name
// is looked for in the folders of the Windows search order. What the file is
// follows from the machine's module registry (its file name maps to one of
// our shared libraries) and from the load flags.
#include "module_loader.h"

#include <win/modules.h>
#include <winsim/modules.h>

#include <atomic>

namespace fs = std::filesystem;

namespace winsim::detail {
namespace {

std::atomic<std::u16string (*)()> g_pathProvider{nullptr};
std::atomic<bool (*)(const fs::path&)> g_resourceTest{nullptr};

// The modules the platform library itself stands for. The spooler's program
// and the graphics engine link them all, so they need no file on the drives.
constexpr std::u16string_view kSystemModules[] = {
    u"kernel32.dll", u"user32.dll",  u"advapi32.dll", u"winspool.drv",
    u"spoolss.dll",  u"gdi32.dll",   u"shell32.dll",  u"ole32.dll",
    u"userenv.dll",  u"mscms.dll",   u"compstui.dll", u"uxtheme.dll",
    u"comctl32.dll", u"comdlg32.dll",
};

constexpr DWORD kDataFlags =
    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE | LOAD_LIBRARY_AS_IMAGE_RESOURCE;
constexpr DWORD kSearchFlags = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_APPLICATION_DIR |
                               LOAD_LIBRARY_SEARCH_USER_DIRS | LOAD_LIBRARY_SEARCH_SYSTEM32 |
                               LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::is_regular_file(p, ec);
}

// The folder part of a Windows path ("C:\\A\\b.dll" -> "C:\\A", "C:\\b.dll" -> "C:\\").
std::u16string folderOf(std::u16string_view path) {
    size_t p = path.find_last_of(u'\\');
    if (p == std::u16string_view::npos) return {};
    if (p == 2 && path.size() > 1 && path[1] == u':') return std::u16string(path.substr(0, 3));
    return std::u16string(path.substr(0, p));
}

std::u16string trimEntry(std::u16string_view e) {
    size_t b = 0, n = e.size();
    while (b < n && (e[b] == u' ' || e[b] == u'\t')) ++b;
    while (n > b && (e[n - 1] == u' ' || e[n - 1] == u'\t')) --n;
    e = e.substr(b, n - b);
    if (e.size() >= 2 && e.front() == u'"' && e.back() == u'"') e = e.substr(1, e.size() - 2);
    return std::u16string(e);
}

// What the file at `found` is, given its name and the load flags.
DWORD classify(const ResolvedPath& found, DWORD flags, ModuleTarget& out) {
    out.path = windowsPathOf(found.host);
    if (out.path.empty()) out.path = found.normalized;
    out.name = moduleBaseName(out.path);
    if (flags & kDataFlags) {
        out.kind = ModuleKind::Data;
        out.host = found.host;
        return 0;
    }
    if (auto lib = registeredModule(out.name)) {
        out.kind = ModuleKind::Image;
        out.host = *lib;
        return 0;
    }
    // A system module's own file in the system directory is the platform.
    std::u16string canonical;
    if (isSystemModuleName(out.name, &canonical)) {
        auto sys = resolve(fromUtf8(config().systemDir));
        if (sys && sys->host == found.host.parent_path()) {
            out.kind = ModuleKind::System;
            out.path = systemModulePath(canonical);
            out.name = canonical;
            out.host.clear();
            return 0;
        }
    }
    auto test = g_resourceTest.load();
    if (test && test(found.host)) {
        out.kind = ModuleKind::Data;
        out.host = found.host;
        return 0;
    }
    return ERROR_BAD_EXE_FORMAT;
}

}  // namespace

std::u16string moduleBaseName(std::u16string_view name) {
    size_t p = name.find_last_of(u"\\/:");
    return std::u16string(p == std::u16string_view::npos ? name : name.substr(p + 1));
}

std::u16string withDefaultExtension(std::u16string_view name) {
    std::u16string out(name);
    std::u16string base = moduleBaseName(out);
    if (base.empty()) return out;
    if (base.back() == u'.') {
        while (!out.empty() && out.back() == u'.') out.pop_back();
        return out;
    }
    if (base.find(u'.') == std::u16string::npos) out += u".dll";
    return out;
}

bool isModulePath(std::u16string_view name) { return name.find_first_of(u"\\/:") != std::u16string_view::npos; }

bool isSystemModuleName(std::u16string_view fileName, std::u16string* canonical) {
    for (auto s : kSystemModules)
        if (wequalNoCase(s, fileName)) {
            if (canonical) *canonical = std::u16string(s);
            return true;
        }
    return false;
}

std::u16string systemModulePath(std::u16string_view canonicalName) {
    std::u16string dir = fromUtf8(config().systemDir);
    if (!dir.empty() && dir.back() != u'\\') dir += u'\\';
    return dir + std::u16string(canonicalName);
}

std::vector<std::u16string> moduleSearchFolders(DWORD flags) {
    std::vector<std::u16string> folders;
    auto add = [&](std::u16string f) {
        if (f.empty()) return;
        for (const auto& g : folders)
            if (wequalNoCase(g, f)) return;
        folders.push_back(std::move(f));
    };
    const std::u16string programDir = folderOf(programPath());
    const std::u16string systemDir = fromUtf8(config().systemDir);
    if (flags & kSearchFlags) {
        // The restricted search of the LOAD_LIBRARY_SEARCH_* flags; this
        // platform keeps no user folders (AddDllDirectory).
        if (flags & (LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) add(programDir);
        if (flags & (LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)) add(systemDir);
        return folders;
    }
    // Safe search order: the current directory only after the system folders.
    add(programDir);
    add(systemDir);
    add(fromUtf8(config().windowsDir));
    add(currentDirectory());
    if (auto provider = g_pathProvider.load()) {
        std::u16string path = provider();
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find(u';', start);
            if (end == std::u16string::npos) end = path.size();
            add(trimEntry(std::u16string_view(path).substr(start, end - start)));
            start = end + 1;
        }
    }
    return folders;
}

DWORD findModuleFile(std::u16string_view name, DWORD flags, ModuleTarget& out) {
    if (isModulePath(name)) {
        PathError perr = PathError::None;
        auto r = resolve(name, &perr);
        if (!r) {
            if (perr == PathError::TooLong) return ERROR_FILENAME_EXCED_RANGE;
            if (perr == PathError::BadName) return ERROR_INVALID_NAME;
            return ERROR_MOD_NOT_FOUND;
        }
        if (!isFile(r->host)) return ERROR_MOD_NOT_FOUND;
        return classify(*r, flags, out);
    }
    std::u16string canonical;
    const bool system = isSystemModuleName(name, &canonical);
    auto builtIn = [&] {
        out.kind = ModuleKind::System;
        out.name = canonical;
        out.path = systemModulePath(canonical);
        out.host.clear();
        return DWORD(0);
    };
    // A system module resolves to the platform without a search, as a known
    // system library does, unless a test registered an implementation of
    // its own under that name. Data loads look for the file itself.
    if (system && !(flags & kDataFlags) && !registeredModule(name)) return builtIn();
    for (const auto& folder : moduleSearchFolders(flags)) {
        std::u16string candidate = folder;
        if (candidate.back() != u'\\') candidate += u'\\';
        candidate += name;
        auto r = resolve(candidate);
        if (r && isFile(r->host)) return classify(*r, flags, out);
    }
    if (system && !(flags & kDataFlags)) return builtIn();
    return ERROR_MOD_NOT_FOUND;
}

void setSearchPathProvider(std::u16string (*provider)()) { g_pathProvider = provider; }

void setResourceModuleTest(bool (*test)(const fs::path&)) { g_resourceTest = test; }

}  // namespace winsim::detail

namespace winsim {
void setModuleSearchPathProvider(std::u16string (*provider)()) { detail::setSearchPathProvider(provider); }
}  // namespace winsim
