// The machine's module registry: Windows module file names mapped to the
// shared libraries that implement them, kept in "modules.cfg".
#include "sim.h"

#include <fstream>
#include <sstream>

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
    fs::path f = registryFile();
    if (f.empty()) return out;
    std::ifstream in(f, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        out.emplace_back(fromUtf8(line.substr(0, eq)), fs::path(line.substr(eq + 1)));
    }
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
    auto all = readAll();
    bool replaced = false;
    for (auto& [n, lib] : all)
        if (detail::wequalNoCase(n, name)) {
            n = name;
            lib = hostLibrary;
            replaced = true;
        }
    if (!replaced) all.emplace_back(name, hostLibrary);
    std::ostringstream o;
    o << "# Windows module name = library that implements it\n";
    for (const auto& [n, lib] : all) o << toUtf8(n) << "=" << lib.string() << "\n";
    fs::path tmp = f;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << o.str();
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, f, ec);
    return !ec;
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
