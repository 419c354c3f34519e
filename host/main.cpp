// vesk: plays the spooler, the graphics engine and an application on an
// emulated machine.
#include <cstdio>
#include <cstring>
#include <iostream>

#include <winsim/modules.h>
#include <winsim/winsim.h>

#include "commands.h"

namespace vesk::host {

int fail(const std::string& message) {
    std::cerr << "vesk: " << message << "\n";
    return 1;
}

bool openMachine(const Args& args, std::string* error) {
    if (!args.machine.empty()) {
        if (!winsim::useMachine(args.machine)) {
            *error = "no machine at " + args.machine + " (make one with 'vesk machine init DIR')";
            return false;
        }
        return true;
    }
    if (winsim::machineRoot().empty()) {
        *error = "no machine selected: use --machine DIR or set VESK_MACHINE";
        return false;
    }
    if (!winsim::useMachine(winsim::machineRoot())) {
        *error = "no machine at " + winsim::machineRoot().string();
        return false;
    }
    return true;
}

namespace {

void usage(std::FILE* out) {
    std::fputs(
        "usage: vesk [--machine DIR] COMMAND ...\n"
        "\n"
        "commands:\n"
        "  machine init [DIR]   make a fresh emulated machine (DIR, --machine or VESK_MACHINE)\n"
        "  machine show         print the machine's configuration\n"
        "  printer add NAME [--driver-name NAME] [--model FILE] [--port PORT]\n"
        "                       [--connection \\\\SERVER] [--share NAME] [--bidi]\n"
        "                       install the driver set and add a printer\n"
        "  printer list         list the printers\n"
        "  printer show NAME    information, driver files, printer data and jobs\n"
        "  printer data NAME [VALUE [--set-sz TEXT|--set-dword N|--set-binary HEX|--delete]]\n"
        "                       print (or change) printer data, decoded by type\n"
        "  printer devmode NAME FIELD=VALUE...\n"
        "                       set the printer's default DEVMODE: the driver's, with the\n"
        "                       fields of a script's devmode statement (imageprint=1 bands)\n"
        "  printer remove NAME  remove a printer and its jobs\n"
        "  print FILE.vds [--printer NAME] [--out FILE]\n"
        "                       print a drawing script through the printer's driver\n"
        "                       (the printer named, the script's, or the only one);\n"
        "                       --out also copies the job's stream to FILE\n"
        "  decode FILE [--raw] [--records-only] [--offsets]\n"
        "                       list a device stream, checking every record; --raw takes\n"
        "                       unframed bytes as pass-through data\n"
        "\n"
        "The machine is the folder named by --machine, else by VESK_MACHINE.\n",
        out);
}

}  // namespace
}  // namespace vesk::host

int main(int argc, char** argv) {
    using namespace vesk::host;
    Args args;
    std::string command;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--machine") {
            if (i + 1 >= argc) return fail("--machine needs a folder");
            args.machine = argv[++i];
        } else if (a.rfind("--machine=", 0) == 0) {
            args.machine = a.substr(10);
        } else if (a == "-h" || a == "--help") {
            usage(stdout);
            return 0;
        } else if (command.empty()) {
            command = a;
        } else {
            args.words.push_back(a);
        }
    }
    if (command.empty()) {
        usage(stderr);
        return 2;
    }
    int rc;
    if (command == "machine") rc = cmdMachine(args);
    else if (command == "printer") rc = cmdPrinter(args);
    else if (command == "decode") rc = cmdDecode(args);
    else if (command == "print") rc = cmdPrint(args);
    else return fail("unknown command '" + command + "' (try 'vesk --help')");
    // Libraries the command loaded get their detach while the process is whole.
    winsim::unloadAllModules();
    return rc;
}
