// vesk machine init | show | set
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include <winsim/winsim.h>

#include "commands.h"

namespace vesk::host {
namespace {

// ---- The sample machine's own files (the user's preset, stamp and overlay
// files the dialogs open): samples/machine holds one folder per drive, copied
// into every new machine.
bool placeSampleFiles() {
#ifdef VESK_SAMPLE_MACHINE
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path from(VESK_SAMPLE_MACHINE);
    if (!fs::is_directory(from, ec)) return true;
    fs::copy(from, winsim::machineRoot(), fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    return !ec;
#else
    return true;
#endif
}
// ---- End of the sample machine's files

int machineInit(const Args& args) {
    std::string dir;
    if (args.words.size() > 1) dir = args.words[1];
    else if (!args.machine.empty()) dir = args.machine;
    else if (const char* env = std::getenv("VESK_MACHINE")) dir = env;
    if (dir.empty()) return fail("machine init needs a folder: vesk machine init DIR");
    winsim::MachineBuilder b(dir);
    std::string error;
    if (!b.build(&error)) return fail("cannot make a machine: " + error);
    // The maker's job-control library comes with the machine, in its system
    // directory.
    const std::string sys = winsim::config().systemDir + "\\ZORJC32.DLL";
    if (!winsim::installModule(winsim::fromUtf8(sys), libraryDir() / "libzorjc32.so"))
        return fail("cannot place the job-control library " + sys);
    // The maker's bidirectional monitor library lives in the system directory,
    // under both of its names.
    for (const char* name : {"kw4manNT.dll", "kwoman32.dll"})
        if (!winsim::installModule(winsim::fromUtf8(winsim::config().systemDir + "\\" + name),
                                   libraryDir() / "libkw4mannt.so"))
            return fail(std::string("cannot place ") + name + " in the system directory");
    if (!placeSampleFiles()) return fail("cannot place the sample machine's files");
    std::cout << "machine made at " << winsim::machineRoot().string() << "\n";
    return 0;
}

int machineShow(const Args& args) {
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    const winsim::MachineConfig& c = winsim::config();
    std::cout << "root:            " << winsim::machineRoot().string() << "\n"
              << "os:              " << (c.osPlatform == 1 ? "Windows 9x " : "Windows NT ") << c.osMajor << "."
              << c.osMinor << " build " << c.osBuild << " (" << c.osServicePack << ")"
              << ((c.osSuite & 0x10) ? ", terminal server" : "") << "\n"
              << "code pages:      ANSI " << c.ansiCodePage << ", OEM " << c.oemCodePage << "\n"
              << "user:            " << c.userName << (c.userIsAdmin ? " (administrator)" : "") << "\n"
              << "computer:        " << c.computerName << "\n"
              << "locale:          0x" << std::hex << c.userLcid << std::dec << ", country " << c.userCountry << "\n"
              << "windows dir:     " << c.windowsDir << "\n"
              << "system dir:      " << c.systemDir << "\n"
              << "driver dir:      " << c.driverDir() << "\n"
              << "spool dir:       " << c.spoolDir() << "\n"
              << "profile dir:     " << c.profileDir() << "\n"
              << "keys:\n";
    std::istringstream keys(winsim::formatConfig(c));
    for (std::string line; std::getline(keys, line);)
        if (!line.empty() && line[0] != '#') std::cout << "  " << line << "\n";
    return 0;
}

// vesk machine set KEY=VALUE...: each value read as machine.cfg reads it; a
// bad one changes nothing.
int machineSet(const Args& args) {
    if (args.words.size() < 2) return fail("usage: vesk machine set KEY=VALUE... (the keys 'vesk machine show' lists)");
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    std::string text = winsim::formatConfig(winsim::config());
    for (size_t i = 1; i < args.words.size(); ++i) {
        const std::string& w = args.words[i];
        const size_t eq = w.find('=');
        if (eq == std::string::npos || eq == 0 || w.find('\n') != std::string::npos)
            return fail("'" + w + "' is not KEY=VALUE");
        text += w + "\n";
    }
    winsim::MachineConfig next;
    if (!winsim::parseConfig(text, next, &error)) return fail("cannot set: " + error);
    winsim::config() = next;
    if (!winsim::saveConfig()) return fail("cannot write the machine's configuration");
    // A user who logs on has a profile folder: another user name gets one.
    if (auto profile = winsim::hostPath(next.profileDir())) {
        std::error_code ec;
        std::filesystem::create_directories(*profile, ec);
    }
    for (size_t i = 1; i < args.words.size(); ++i) std::cout << args.words[i] << "\n";
    return 0;
}

}  // namespace

int cmdMachine(const Args& args) {
    if (args.words.empty()) return fail("machine needs a subcommand: init, show, set or bridge");
    const std::string& sub = args.words[0];
    if (sub == "init") return machineInit(args);
    if (sub == "show") return machineShow(args);
    if (sub == "set") return machineSet(args);
    if (sub == "bridge") return machineBridge(args);
    return fail("unknown machine subcommand '" + sub + "'");
}

}  // namespace vesk::host
