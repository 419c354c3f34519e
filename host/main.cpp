// vesk: plays the spooler, the graphics engine and an application on an
// emulated machine.
#include <cstdio>
#include <cstring>
#include <iostream>

#include <win/ui.h>
#include <winsim/modules.h>
#include <winsim/ui.h>
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

// Every message box the driver shows goes to stderr (caption, text and
// buttons) and takes the answer of --answer, else the style's default button.
void showBoxesOnStderr(int answer) {
    winsim::setMessageBoxHandler([answer](const winsim::MessageBoxRequest& r) {
        static const char* const kButtons[] = {"OK", "OK Cancel", "Abort Retry Ignore", "Yes No Cancel",
                                               "Yes No", "Retry Cancel", "Cancel Try Continue"};
        static const char* const kAnswers[] = {"", "ok", "cancel", "abort", "retry", "ignore", "yes", "no"};
        const UINT type = r.style & MB_TYPEMASK;
        const int chosen = answer ? answer : winsim::defaultMessageBoxAnswer(r.style);
        std::fprintf(stderr, "message box \"%s\" [%s]:\n%s\n-> %s\n", winsim::toUtf8(r.caption).c_str(),
                     type < 7 ? kButtons[type] : "?", winsim::toUtf8(r.text).c_str(),
                     chosen > 0 && chosen < 8 ? kAnswers[chosen] : "?");
        return chosen;
    });
}

void usage(std::FILE* out) {
    std::fputs(
        "usage: vesk [--machine DIR] COMMAND ...\n"
        "\n"
        "commands:\n"
        "  machine init [DIR]   make a fresh emulated machine (DIR, --machine or VESK_MACHINE)\n"
        "  machine show         print the machine's configuration and every key\n"
        "  machine set KEY=VALUE...\n"
        "                       change machine settings (locale.country=49, os.suite=0x10, ...)\n"
        "  machine bridge --server DIR [PRINTER=TYPE:SERVERPRINTER...]\n"
        "                       install the remote-configuration bridge with machine DIR as\n"
        "                       its print server; each PRINTER served as TYPE (17, 18, 19)\n"
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
        "  printer strings NAME ID... [--suffix]\n"
        "                       strings of the printer's string library in its display language\n"
        "  printer locale NAME [--init]\n"
        "                       display language, paper, unit and country code; --init decides\n"
        "                       them as the property sheets do and keeps them in the DEVMODE\n"
        "  printer save NAME [user|device|all]\n"
        "                       save the default DEVMODE's option classes to their homes\n"
        "                       (document settings: the per-printer INI; device: printer data)\n"
        "  printer ini NAME [KW12D170|KW00C170|KW00C171|KW00C172]\n"
        "                       the printer's sections of the driver's INI files\n"
        "  printer fonts NAME [--reset]\n"
        "                       device fonts, option fonts and font substitution; --reset\n"
        "                       puts the substitution table back to the driver's defaults\n"
        "  printer export|import NAME FILE [--as plain|preset|quality|stamp|device|freesize]\n"
        "                       settings file FILE (a drive path of the machine); flags by kind:\n"
        "                       plain 2/1, preset 0x8002/0x20005, quality 0x12/0x11,\n"
        "                       stamp 0x22/0x21, freesize 0x82/0x81, device: the device file;\n"
        "                       an import sets the printer's default DEVMODE\n"
        "  printer bridge NAME [state|connect|import|devmode|clear]\n"
        "                       the bridge's state of a printer, or the download from its\n"
        "                       print server, the import of the downloaded lists, the\n"
        "                       server's DEVMODE, the clearing of its saved information;\n"
        "                       prints the flags, the files copied and what was loaded\n"
        "  printer remove NAME  remove a printer and its jobs\n"
        "  print FILE.vds [--printer NAME] [--out FILE]\n"
        "                       print a drawing script through the printer's driver\n"
        "                       (the printer named, the script's, or the only one);\n"
        "                       --out also copies the job's stream to FILE\n"
        "  ui dialog PRINTER PAGEID [--do \"ACTIONS\"] [--script FILE.vui] [--dump]\n"
        "                       open a page or dialog of the printer's string library under a\n"
        "                       neutral dialog procedure (lists get placeholder items), run\n"
        "                       the UI script (click ID; check ID; select ID \"TEXT\"|#N;\n"
        "                       type ID \"TEXT\"; key NAME; scroll ID lineup|thumb N; wait MS;\n"
        "                       dump; ok; cancel) and print the dump of its controls\n"
        "  ui document-properties|printer-properties PRINTER [--do \"ACTIONS\"] [--script FILE.vui]\n"
        "     [--dump] [--png FILE]\n"
        "                       run the printer's document or printer sheet through its\n"
        "                       interface library (page ID; apply; ok; cancel; the dialog\n"
        "                       steps), then list the DEVMODE the document sheet wrote\n"
        "  exc PRINTER STEP...  run steps on an Exc handle of the option-constraint library\n"
        "                       (base FILE|-, update \"LINE\", changes, show, values CMD\n"
        "                       [--enabled], option CMD, value CMD, watermarks text|image,\n"
        "                       devmode [MODE], ini); 'vesk exc --help' tells more\n"
        "  api PRINTER devmode [--mode N] [--out FILE] | caps [ID|all|bitmap]\n"
        "                       the versioned driver API of the option-constraint library:\n"
        "                       the handle's DEVMODE decoded by field, or its capability\n"
        "                       items; 'vesk api --help' tells more\n"
        "  api PRINTER status get ID [--version N] | status set ID FIELD=VALUE... [--mode N]\n"
        "     [--then STEP]...  set or read status items on one handle of the versioned API\n"
        "  decode FILE [--raw] [--records-only] [--offsets]\n"
        "                       list a device stream, checking every record; --raw takes\n"
        "                       unframed bytes as pass-through data\n"
        "\n"
        "The machine is the folder named by --machine, else by VESK_MACHINE. Message boxes the\n"
        "driver shows are printed on stderr and answered by --answer ok|cancel|yes|no (default:\n"
        "the box's default button).\n",
        out);
}

}  // namespace
}  // namespace vesk::host

int main(int argc, char** argv) {
    using namespace vesk::host;
    Args args;
    std::string command;
    int answer = 0;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--machine") {
            if (i + 1 >= argc) return fail("--machine needs a folder");
            args.machine = argv[++i];
        } else if (a.rfind("--machine=", 0) == 0) {
            args.machine = a.substr(10);
        } else if (a == "--answer" || a.rfind("--answer=", 0) == 0) {
            std::string v;
            if (a == "--answer") {
                if (i + 1 >= argc) return fail("--answer needs ok, cancel, yes or no");
                v = argv[++i];
            } else {
                v = a.substr(9);
            }
            if (v == "ok") answer = IDOK;
            else if (v == "cancel") answer = IDCANCEL;
            else if (v == "yes") answer = IDYES;
            else if (v == "no") answer = IDNO;
            else return fail("--answer takes ok, cancel, yes or no");
        } else if ((a == "-h" || a == "--help") && command != "exc" && command != "api") {
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
    showBoxesOnStderr(answer);
    int rc;
    if (command == "machine") rc = cmdMachine(args);
    else if (command == "printer") rc = cmdPrinter(args);
    else if (command == "decode") rc = cmdDecode(args);
    else if (command == "print") rc = cmdPrint(args);
    else if (command == "ui") rc = cmdUi(args);
    else if (command == "exc") rc = cmdExc(args);
    else if (command == "api") rc = cmdApi(args);
    else return fail("unknown command '" + command + "' (try 'vesk --help')");
    // Libraries the command loaded get their detach while the process is whole.
    winsim::unloadAllModules();
    return rc;
}
