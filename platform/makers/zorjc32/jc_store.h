// The job-control library's state on the machine: per printer, whether it
// registered with the library and the values of its items, kept in one file
// under the machine root so that they outlive the process.
#pragma once
#include <win/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zorjc {

struct PrinterState {
    std::u16string printer;
    bool registered = false;
    std::vector<std::pair<DWORD, std::u16string>> values;  // item code, text
};

// Every printer's state (none when the file is missing or unreadable).
std::vector<PrinterState> loadAll();
// The state of one printer (names compare ignoring case); empty when unknown.
PrinterState load(std::u16string_view printer);
// Replaces the state of `s.printer`; a state without registration and
// values is dropped. False when the file cannot be written.
bool save(const PrinterState& s);

// Value helpers on a state.
const std::u16string* find(const PrinterState& s, DWORD code);
void put(PrinterState& s, DWORD code, std::u16string text);  // empty removes

}  // namespace zorjc
