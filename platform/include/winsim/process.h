// Control interface of the stand-in's processes: the machine's program
// registry, which says what host program runs when CreateProcessW starts a
// Windows program.
//
// A started program gets as arguments the registered host command followed
// by the Windows command line's arguments (split by the Windows rules, the
// program name left out), and in its environment:
//   VESK_MACHINE             the machine root of the parent
//   VESK_COMMAND_LINE        the Windows command line (UTF-8)
//   VESK_PROGRAM             the Windows path of the program
//   VESK_CURRENT_DIRECTORY   its Windows current directory
// Its host working directory is the host folder of that current directory.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "winsim.h"

namespace winsim {

// Registry of the machine ("programs.cfg" in its root). `program` is a
// Windows path ("C:\\WINDOWS\\system32\\expand.exe"), matched as a whole, or
// a file name ("expand.exe"), matched in any folder; both case-insensitive,
// a path entry before a name entry. `hostCommand` is the host program and its
// first arguments; none of them may hold a tab or a line break.
WINSIM_API bool registerProgram(std::u16string_view program, const std::vector<std::string>& hostCommand);
WINSIM_API std::optional<std::vector<std::string>> registeredProgram(std::u16string_view winPath);
// Places a small program file at a Windows path of the machine and registers
// that path. Returns false when it cannot.
WINSIM_API bool installProgram(std::u16string_view winPath, const std::vector<std::string>& hostCommand);

// Splits a Windows command line as a C runtime does: the first word (the
// program) by quotes only, the others with the backslash-and-quote rules.
WINSIM_API std::vector<std::u16string> splitCommandLine(std::u16string_view commandLine);

}  // namespace winsim
