#include "name_map.h"

#include "sim.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace winsim::detail::namemap {

std::vector<Entry> read(const fs::path& file, char sep, size_t maxFields) {
    std::vector<Entry> out;
    if (file.empty()) return out;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t first = line.find(sep);
        if (first == std::string::npos) continue;
        Entry e{fromUtf8(line.substr(0, first)), {}};
        size_t start = first + 1;
        for (;;) {
            size_t next = maxFields && e.fields.size() + 1 >= maxFields ? std::string::npos : line.find(sep, start);
            e.fields.push_back(line.substr(start, next == std::string::npos ? std::string::npos : next - start));
            if (next == std::string::npos) break;
            start = next + 1;
        }
        out.push_back(std::move(e));
    }
    return out;
}

bool put(const fs::path& file, std::string_view header, char sep, const Entry& e, size_t maxFields) {
    if (file.empty()) return false;
    auto all = read(file, sep, maxFields);
    bool replaced = false;
    for (auto& old : all)
        if (wequalNoCase(old.name, e.name)) {
            old = e;
            replaced = true;
        }
    if (!replaced) all.push_back(e);
    std::ostringstream o;
    o << header << '\n';
    for (const auto& entry : all) {
        o << toUtf8(entry.name);
        for (const auto& f : entry.fields) o << sep << f;
        o << '\n';
    }
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << o.str();
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    return !ec;
}

}  // namespace winsim::detail::namemap
