// Control interface of the stand-in platform: the emulated machine, its
// configuration, the call journal, failure injection and the virtual clock.
// Used by the host programs and the tests; the driver libraries never call it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "../win/types.h"

#define WINSIM_API __attribute__((visibility("default")))

namespace winsim {

// Persistent configuration of one machine, kept in "machine.cfg" in its root.
struct WINSIM_API MachineConfig {
    // Operating system as GetVersionExW reports it.
    uint32_t osMajor = 5;
    uint32_t osMinor = 1;
    uint32_t osBuild = 2600;
    uint32_t osPlatform = 2;          // 2 NT, 1 Windows 9x
    uint32_t osSuite = 0;             // VER_SUITE_* mask (0x10 terminal server)
    std::string osServicePack = "Service Pack 3";
    uint32_t osProductType = 1;       // 1 workstation, 2 domain controller, 3 server
    // Code pages.
    uint32_t ansiCodePage = 1252;
    uint32_t oemCodePage = 437;
    // Identity of the interactive user.
    std::string userName = "user";
    bool userIsAdmin = true;
    std::string computerName = "VESKPC";
    // Locale.
    uint32_t userLcid = 0x0409;
    std::string userCountry = "1";    // LOCALE_ICOUNTRY
    int32_t timeZoneBiasMinutes = 0;  // local = UTC - bias
    // Directories (Windows paths).
    std::string windowsDir = "C:\\WINDOWS";
    std::string systemDir = "C:\\WINDOWS\\system32";
    std::string profilesDir = "C:\\Documents and Settings";
    std::string programFilesDir = "C:\\Program Files";
    // Settings that later services add keep their own keys; unknown keys are
    // kept as they are so a newer machine folder still opens.
    std::vector<std::pair<std::string, std::string>> extra;

    // Derived paths.
    std::string profileDir() const { return profilesDir + "\\" + userName; }
    std::string driverDir() const { return systemDir + "\\spool\\DRIVERS\\W32X86\\3"; }
    std::string spoolDir() const { return systemDir + "\\spool\\PRINTERS"; }
    std::string tempDir() const { return windowsDir + "\\Temp"; }

    // Extra keys.
    std::optional<std::string> get(std::string_view key) const;
    void set(std::string_view key, std::string_view value);
};

// The machine root folder this process works on: the one useMachine chose,
// else $VESK_MACHINE. Empty when there is none.
WINSIM_API std::filesystem::path machineRoot();
// Makes `root` the current machine of this process and reloads its
// configuration. Returns false when the folder holds no machine.
WINSIM_API bool useMachine(const std::filesystem::path& root);
// The current machine's configuration (loaded on first use).
WINSIM_API MachineConfig& config();
// Writes the current configuration back to machine.cfg.
WINSIM_API bool saveConfig();
// Parses and prints the configuration text.
WINSIM_API bool parseConfig(std::string_view text, MachineConfig& out, std::string* error);
WINSIM_API std::string formatConfig(const MachineConfig& cfg);

// Builds a fresh machine root: the folder tree of drive C: (Windows, system,
// spool, driver and profile directories), an empty registry and spooler, and
// machine.cfg. Refuses a folder that already holds files.
class WINSIM_API MachineBuilder {
public:
    explicit MachineBuilder(std::filesystem::path root);
    MachineBuilder& os(uint32_t major, uint32_t minor, uint32_t build = 0, uint32_t platform = 2);
    MachineBuilder& suite(uint32_t suiteMask);
    MachineBuilder& codePage(uint32_t ansi, uint32_t oem = 0);
    MachineBuilder& user(std::string name, bool admin);
    MachineBuilder& locale(uint32_t lcid, std::string country);
    MachineBuilder& configure(const MachineConfig& cfg);
    MachineConfig& cfg() { return cfg_; }
    // Creates the machine; on success it also becomes the current machine
    // when `activate` is set. `error` receives a reason on failure.
    bool build(std::string* error = nullptr, bool activate = true);

private:
    std::filesystem::path root_;
    MachineConfig cfg_;
};

// A temporary machine for tests: built in a fresh folder under the host's
// temporary directory, made current, and removed with the object.
class WINSIM_API TempMachine {
public:
    TempMachine();
    explicit TempMachine(const MachineConfig& cfg);
    ~TempMachine();
    TempMachine(const TempMachine&) = delete;
    TempMachine& operator=(const TempMachine&) = delete;
    const std::filesystem::path& root() const { return root_; }

private:
    std::filesystem::path root_;
};

// Maps a Windows path of the current machine ("C:\\WINDOWS\\x.ini") to the
// host path under the machine root, resolving each existing component
// case-insensitively. Returns nothing for a path that is not a drive path,
// or has a component that cannot exist.
WINSIM_API std::optional<std::filesystem::path> hostPath(std::u16string_view winPath);
WINSIM_API std::optional<std::filesystem::path> hostPath(std::string_view winPathUtf8);
// Another machine than the current one, by its root folder (a print server
// that a stand-in library reaches): the host path of one of its drive paths
// (relative paths fail), and its configuration. Nothing when the folder holds
// no machine or the path cannot exist.
WINSIM_API std::optional<std::filesystem::path> hostPathOn(const std::filesystem::path& root,
                                                           std::u16string_view winPath);
WINSIM_API std::optional<MachineConfig> readMachineConfig(const std::filesystem::path& root);

// Module registry of the machine ("modules.cfg" in its root): which of our
// shared libraries implements a Windows module file name ("veskgr.dll",
// case-insensitive). The loader maps a module to its library through it; the
// module's file must also exist on the machine's drives to be loaded by path.
WINSIM_API bool registerModule(std::u16string_view fileName, const std::filesystem::path& hostLibrary);
WINSIM_API std::optional<std::filesystem::path> registeredModule(std::u16string_view fileName);
WINSIM_API std::vector<std::pair<std::u16string, std::filesystem::path>> registeredModules();
// Places a module file at a Windows path of the machine (a small text naming
// the module) and registers its library. Returns false when it cannot.
WINSIM_API bool installModule(std::u16string_view winPath, const std::filesystem::path& hostLibrary);

// Call journal: every stand-in call is recorded while the journal is on.
struct WINSIM_API JournalEntry {
    std::string function;
    std::string detail;
};
WINSIM_API void journalEnable(bool on);
WINSIM_API std::vector<JournalEntry> journal();
WINSIM_API void journalClear();
WINSIM_API size_t journalCount(std::string_view function);

// Failure injection: `function` fails on its `nth` call from now (1 = next
// call), setting `lastError`; `count` further calls fail after it (0 = only
// that one, SIZE_MAX = all later calls).
WINSIM_API void failCall(std::string_view function, size_t nth, DWORD lastError, size_t count = 0);
WINSIM_API void clearFaults();

// Clock: real by default; once set, virtual and moved only by advanceClock.
// Times are FILETIME units (100 ns since 1601-01-01 UTC).
WINSIM_API void setVirtualClock(uint64_t fileTimeUtc, uint32_t tickCount);
WINSIM_API void advanceClock(uint64_t milliseconds);
WINSIM_API void useRealClock();
WINSIM_API uint64_t nowFileTime();
WINSIM_API uint32_t nowTickCount();

// UTF-16 and UTF-8 helpers for callers of this interface.
WINSIM_API std::string toUtf8(std::u16string_view text);
WINSIM_API std::u16string fromUtf8(std::string_view text);

}  // namespace winsim
