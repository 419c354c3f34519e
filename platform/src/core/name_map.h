// Name-map files of the machine (programs.cfg, modules.cfg): one entry a
// line, a Windows name and its fields joined by one separator character;
// lines starting with '#' are comments. Whole-file read, replace-or-append,
// atomic rewrite.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace winsim::detail::namemap {

struct Entry {
    std::u16string name;
    std::vector<std::string> fields;
};

// The entries of `file` (none when it is missing). A line without `sep` is
// skipped; with `maxFields` set, the last field takes the rest of the line.
std::vector<Entry> read(const std::filesystem::path& file, char sep, size_t maxFields = 0);

// Replaces every entry whose name equals `e.name` ignoring case (taking its
// spelling) or appends it, then rewrites `file` with `header` as its first
// line. False when the file cannot be written.
bool put(const std::filesystem::path& file, std::string_view header, char sep, const Entry& e,
         size_t maxFields = 0);

}  // namespace winsim::detail::namemap
