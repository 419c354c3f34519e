// The device description the stand-in monitor answers from: a small text
// file of "key = value" lines ('#' starts a comment, numbers decimal or 0x
// hex):
//   reachable = 0|1            open gives a handle (default 1)
//   ok = 0|1                   open's ok answer (default 1)
//   model = TEXT               the device's model name (none: the model-name
//                              call fails)
//   tray = VALUE PAPER MEDIA STATUS
//                              one tray, in the order the device lists them
//   option = VALUE...          installed options (the line may repeat)
//   memory = N                 the memory answer's first 32-bit word
//   memory.bytes = N           the memory answer's size (default 4)
//   memory.kind = N            the 4-byte memory-kind answer
//   version.system = TEXT      the system-version blob (the text and a NUL)
//   version.emulation = TEXT   the emulation-version blob
//   other = TEXT               the further device text
//   answer.KIND = VALUE...     replaces the list answer of kind 1, 2, 20, 21
//                              or 23 (so answers may differ in length)
//   fail = ENTRY [KIND] ERROR [size|data]
//                              the entry (open, close, request, group, model,
//                              query, groupquery) fails with that last error;
//                              with KIND only for that kind or subkind; with
//                              "size" only the size call, "data" only the call
//                              with a buffer
#pragma once
#include <win/types.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kw4mannt {

struct Fault {
    std::string entry;
    std::optional<DWORD> kind;
    DWORD error = 0;
    bool onSize = true;
    bool onData = true;
};

struct Device {
    bool reachable = true;
    bool ok = true;
    std::optional<std::u16string> model;
    std::map<DWORD, std::vector<uint32_t>> lists;  // kinds 1, 2, 20, 21, 23
    std::optional<std::vector<uint8_t>> memory;    // kind 11
    std::optional<uint32_t> memoryKind;            // group subkind 258
    std::map<DWORD, std::string> blobs;            // kind 8 (8), subkinds 2 and 259 (0x10000 + subkind)
    std::vector<Fault> faults;
};

constexpr DWORD kGroupBlobBase = 0x10000;

// Reads a description; nothing and a reason in *error when a line is bad.
std::optional<Device> ParseDevice(const std::string& text, std::string* error);
// Reads the file at a host path or a drive path of the machine.
std::optional<Device> LoadDevice(const std::string& path, std::string* error);

// The fault of an entry for a kind (0 when none) and a call (size or data).
const Fault* FindFault(const Device& d, const char* entry, std::optional<DWORD> kind, bool sizeCall);

}  // namespace kw4mannt
