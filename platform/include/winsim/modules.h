// Control interface of the module loader: knobs for tests and hooks for the
// host and the other services of the stand-in platform.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "winsim.h"

namespace winsim {

// Makes GetProcAddress answer NULL (ERROR_PROC_NOT_FOUND) for `exportName`
// of every module whose file name is `module` (case-insensitive; ".dll" is
// assumed when the name has no extension). Kept for the whole process, also
// across unloading and reloading the module.
WINSIM_API void hideExport(std::u16string_view module, std::string_view exportName);
WINSIM_API void showExport(std::u16string_view module, std::string_view exportName);
// Makes every load of `module` (by name or by path) fail with
// ERROR_MOD_NOT_FOUND as if the file were absent; a module already loaded
// stays loaded. Also applies to the built-in system modules.
WINSIM_API void setModuleMissing(std::u16string_view module, bool missing);
// Drops every hidden export and missing module.
WINSIM_API void resetModuleKnobs();

// One loaded module as the loader sees it.
struct WINSIM_API LoadedModule {
    HMODULE handle;
    std::u16string path;  // its Windows path on the machine
    uint32_t references;  // 0 for the built-in system modules (never unloaded)
    bool dataFile;        // mapped with LOAD_LIBRARY_AS_DATAFILE
    bool system;          // a built-in system module (the platform itself)
};
// Modules currently loaded, in load order (the main program not included).
WINSIM_API std::vector<LoadedModule> loadedModules();

// Gives every module still loaded its DLL_PROCESS_DETACH (lpReserved
// non-null, as at process termination) in the reverse order of loading and
// unmaps it. Returns how many modules were unloaded. Modules are NOT detached
// by themselves at exit: by then the host libraries' static objects may be
// destroyed, and a DllMain running after them would touch dead state; a host
// program calls this before it returns from main.
WINSIM_API size_t unloadAllModules();

// The main program: GetModuleHandleW(NULL) and GetModuleFileNameW(NULL)
// answer it and its folder is the first one a bare module name is searched
// in. Kept as machine setting "program.path"; default: the spooler's program
// in the system directory, so the program folder is the system directory.
WINSIM_API std::u16string programPath();
// Sets "program.path" in the current configuration (saveConfig persists it).
WINSIM_API void setProgramPath(std::u16string_view winPath);

// Supplies the value of the process's PATH (folders separated by ';'),
// searched last for a bare module name. Without a provider no PATH folder is
// searched. The environment service plugs itself in here.
WINSIM_API void setModuleSearchPathProvider(std::u16string (*provider)());

}  // namespace winsim
