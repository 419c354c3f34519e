// The machine's module registry: Windows module file names mapped to the
// shared libraries that implement them, kept in "modules.cfg".
#include "sim.h"
#include "name_map.h"

#include <fstream>

namespace fs = std::filesystem;

namespace winsim {
namespace {

std::mutex g_lock;

fs::path registryFile() {
    fs::path r = machineRoot();
    return r.empty() ? r : r / "modules.cfg";
}

std::vector<std::pair<std::u16string, fs::path>> readAll() {
    std::vector<std::pair<std::u16string, fs::path>> out;
    for (auto& e : detail::namemap::read(registryFile(), '=', 1)) out.emplace_back(std::move(e.name), fs::path(e.fields[0]));
    return out;
}

std::u16string baseName(std::u16string_view name) {
    size_t p = name.find_last_of(u"\\/");
    return std::u16string(p == std::u16string_view::npos ? name : name.substr(p + 1));
}

}  // namespace

bool registerModule(std::u16string_view fileName, const fs::path& hostLibrary) {
    std::lock_guard g(g_lock);
    fs::path f = registryFile();
    if (f.empty()) return false;
    std::u16string name = baseName(fileName);
    if (name.empty() || name.find(u'=') != std::u16string::npos) return false;
    return detail::namemap::put(f, "# Windows module name = library that implements it", '=',
                                {name, {hostLibrary.string()}}, 1);
}

std::optional<fs::path> registeredModule(std::u16string_view fileName) {
    std::lock_guard g(g_lock);
    std::u16string name = baseName(fileName);
    for (const auto& [n, lib] : readAll())
        if (detail::wequalNoCase(n, name)) return lib;
    return std::nullopt;
}

std::vector<std::pair<std::u16string, fs::path>> registeredModules() {
    std::lock_guard g(g_lock);
    return readAll();
}

bool installModule(std::u16string_view winPath, const fs::path& hostLibrary) {
    auto r = detail::resolve(winPath);
    if (!r || !r->parentExists) return false;
    {
        std::ofstream out(r->host, std::ios::binary | std::ios::trunc);
        out << "VESK-MODULE " << toUtf8(baseName(winPath)) << "\n";
        if (!out.flush()) return false;
    }
    return registerModule(winPath, hostLibrary);
}

}  // namespace winsim
