// vesk machine init | show
#include <cstdlib>
#include <iostream>

#include <winsim/winsim.h>

#include "commands.h"

namespace vesk::host {
namespace {

int machineInit(const Args& args) {
    std::string dir;
    if (args.words.size() > 1) dir = args.words[1];
    else if (!args.machine.empty()) dir = args.machine;
    else if (const char* env = std::getenv("VESK_MACHINE")) dir = env;
    if (dir.empty()) return fail("machine init needs a folder: vesk machine init DIR");
    winsim::MachineBuilder b(dir);
    std::string error;
    if (!b.build(&error)) return fail("cannot make a machine: " + error);
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
              << "profile dir:     " << c.profileDir() << "\n";
    return 0;
}

}  // namespace

int cmdMachine(const Args& args) {
    if (args.words.empty()) return fail("machine needs a subcommand: init or show");
    const std::string& sub = args.words[0];
    if (sub == "init") return machineInit(args);
    if (sub == "show") return machineShow(args);
    return fail("unknown machine subcommand '" + sub + "'");
}

}  // namespace vesk::host
