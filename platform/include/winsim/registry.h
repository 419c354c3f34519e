// Registry access for the host programs and tests: set up and inspect the
// machine's registry without the access rules the Windows functions apply
// (as the machine's administrator would, with a registry editor).
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../win/registry.h"
#include "winsim.h"

namespace winsim {

struct WINSIM_API RegValue {
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

// Stores a value under `root` (a predefined key) and the key path `key`,
// creating the keys as needed. Returns false when the registry refuses it
// (bad name, damaged hive file, no machine).
WINSIM_API bool regSet(HKEY root, std::u16string_view key, std::u16string_view name, uint32_t type,
                       const void* data, size_t size);
// A string value stored with its terminating NUL.
WINSIM_API bool regSetString(HKEY root, std::u16string_view key, std::u16string_view name,
                             std::u16string_view text, uint32_t type = REG_SZ);
WINSIM_API bool regSetDword(HKEY root, std::u16string_view key, std::u16string_view name, uint32_t value);
// Reads a value; nothing when the key or the value is missing.
WINSIM_API std::optional<RegValue> regGet(HKEY root, std::u16string_view key, std::u16string_view name);
WINSIM_API bool regKeyExists(HKEY root, std::u16string_view key);

}  // namespace winsim
