// The registry's keys in memory and their hive files on the machine.
#pragma once
#include <win/types.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace winsim::detail::reg {

struct Value {
    std::u16string name;  // empty: the key's default value
    DWORD type = 0;
    std::string data;     // bytes as given
};

struct Key {
    std::u16string name;
    uint64_t lastWrite = 0;  // FILETIME units
    std::vector<Value> values;                  // creation order
    std::vector<std::unique_ptr<Key>> subkeys;  // case-insensitive name order

    Key* child(std::u16string_view name) const;
    // Adds a subkey at its sorted place (the name must be new).
    Key* addChild(std::u16string_view name, uint64_t time);
    bool removeChild(std::u16string_view name);
    Value* value(std::u16string_view name);
    // Whether two names sort before each other the way subkeys are kept.
    static bool before(std::u16string_view a, std::u16string_view b);
};

// Hive file text. Line oriented UTF-8:
//   vesk-registry 1
//   key <last write, 16 hex digits> <path below the hive's root, components joined by '\'>
//   value <type, 8 hex digits> <data as hex digits, "-" when empty> <name>
// A value line belongs to the key line above it. In names '%' and
// characters up to ' ' are written %XX, lone surrogates %uXXXX, the rest as
// UTF-8, so a name of any characters survives the round trip.
std::string format(const Key& root);
// Parses hive text into `root` (emptied first); false on any malformed line.
bool parse(std::string_view text, Key& root);

enum class LoadResult { Ok, Corrupt, Unreadable };
// Loads a hive file; a missing file is an empty hive.
LoadResult load(const std::filesystem::path& file, Key& root);
// Writes a hive file atomically; returns ERROR_SUCCESS or a Windows code.
DWORD save(const std::filesystem::path& file, const Key& root);

// Escaping of names in the hive text (also used for folder names of users).
std::string escapeName(std::u16string_view name);
std::optional<std::u16string> unescapeName(std::string_view text);

}  // namespace winsim::detail::reg
