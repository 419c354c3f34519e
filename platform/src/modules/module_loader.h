// Internals of the module loader shared by its two halves (finding a module's
// file, and the module table with the Windows functions) and offered to the
// other services of the platform (the resource reader).
#pragma once
#include "core/sim.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#pragma GCC visibility push(default)
namespace winsim::detail {

enum class ModuleKind {
    Image,   // one of our shared libraries, mapped with dlopen
    System,  // a built-in system module: the platform library itself
    Data,    // a file mapped as data (no code, no DllMain, no exports)
    Program, // the main program (GetModuleHandleW(NULL))
};

// What a module name or path names on the machine.
struct ModuleTarget {
    ModuleKind kind = ModuleKind::Image;
    std::u16string path;         // Windows path, in the case the file is stored
    std::u16string name;         // its file name
    std::filesystem::path host;  // Image: the host library; Data: the host file
};

// The file name part of a name or path.
std::u16string moduleBaseName(std::u16string_view nameOrPath);
// Windows' default extension: ".dll" is appended to a file name without
// one; a trailing '.' means "no extension" and is dropped.
std::u16string withDefaultExtension(std::u16string_view nameOrPath);
// True for a name that holds a folder part (a separator or a drive colon).
bool isModulePath(std::u16string_view name);
// The built-in system modules (kernel32.dll, user32.dll, ...): true when
// `fileName` is one, with its canonical spelling.
bool isSystemModuleName(std::u16string_view fileName, std::u16string* canonical = nullptr);
// The Windows path of a built-in system module (in the system directory).
std::u16string systemModulePath(std::u16string_view canonicalName);

// Finds the file a name or path (default extension applied) stands for and
// what it is. Returns 0, or the error LoadLibrary reports:
// ERROR_MOD_NOT_FOUND (no such file anywhere), ERROR_BAD_EXE_FORMAT (a file
// whose name no library implements), path errors.
DWORD findModuleFile(std::u16string_view name, DWORD loadFlags, ModuleTarget& out);
// The folders a bare name is searched in, in order, for the given
// LoadLibraryExW flags.
std::vector<std::u16string> moduleSearchFolders(DWORD loadFlags);
void setSearchPathProvider(std::u16string (*provider)());

// Lets the resource service claim files in its own format: an unregistered
// file for which `test` answers true loads as a data module.
void setResourceModuleTest(bool (*test)(const std::filesystem::path& hostFile));
// The host file behind a loaded module: the library of an image module, the
// file of a data module, nothing for system modules and unknown handles.
std::optional<std::filesystem::path> moduleHostFile(HMODULE module);

}  // namespace winsim::detail
#pragma GCC visibility pop
