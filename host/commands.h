// Subcommands of the vesk command. Each returns the process exit code.
#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vesk::host {

struct Args {
    std::vector<std::string> words;  // positional words after the subcommand
    std::string machine;             // --machine DIR, else VESK_MACHINE
};

// Prints "vesk: <message>" to stderr and returns the failure exit code.
int fail(const std::string& message);
// Opens the machine named by --machine or VESK_MACHINE, or fails with a message.
bool openMachine(const Args& args, std::string* error);

// Where our built libraries are: $VESK_LIB_DIR, else ../lib beside this program.
std::filesystem::path libraryDir();

int cmdMachine(const Args& args);
// vesk machine bridge --server DIR [PRINTER=TYPE:SERVERPRINTER...]
int machineBridge(const Args& args);
int cmdPrinter(const Args& args);
// vesk printer strings NAME ID... [--suffix]; vesk printer locale NAME [--init]
int printerStrings(const Args& args, const std::vector<std::string>& words, bool suffix);
int printerLocale(const Args& args, const std::vector<std::string>& words, bool init);
// vesk printer options NAME [FIELD...] [--set FIELD=VALUE...]; vesk printer
// allowed NAME [SETTING...] [--set FIELD=VALUE...]. `sets` are the --set
// words.
int printerOptions(const Args& args, const std::vector<std::string>& words, const std::vector<std::string>& sets);
int printerAllowed(const Args& args, const std::vector<std::string>& words, const std::vector<std::string>& sets);
// vesk printer save NAME [user|device|all]; ini NAME [FILE]; fonts NAME
// [--reset]; export|import NAME FILE [--as KIND].
int printerSave(const Args& args, const std::vector<std::string>& words);
int printerIni(const Args& args, const std::vector<std::string>& words);
int printerFonts(const Args& args, const std::vector<std::string>& words, bool reset);
// vesk printer bridge NAME [state|connect|import|devmode|clear]
int printerBridge(const Args& args, const std::vector<std::string>& words);
int printerTransfer(const Args& args, const std::vector<std::string>& words, const std::string& kind, bool import);
// vesk printer jobcontrol NAME [show | fetch ITEMS | store ITEMS | probe |
// init]; vesk printer usercode NAME [--set CODE | --sync].
int printerJobControl(const Args& args, const std::vector<std::string>& words);
int printerUserCode(const Args& args, const std::vector<std::string>& words, const std::optional<std::string>& set,
                    bool sync);
// vesk printer presets | qualities | stamps | freesizes | repair NAME ...:
// the per-printer lists.
int printerPresets(const Args& args, const std::vector<std::string>& words);
int printerQualities(const Args& args, const std::vector<std::string>& words);
int printerStamps(const Args& args, const std::vector<std::string>& words);
int printerFreeSizes(const Args& args, const std::vector<std::string>& words);
int printerRepair(const Args& args, const std::vector<std::string>& words);
// vesk printer caps NAME [WHAT...] [FIELD=VALUE...]; vesk printer summary
// NAME [--request HEX]. `words` begin with the subcommand.
int printerCaps(const Args& args, const std::vector<std::string>& words, const std::optional<std::string>& request);
// vesk printer bidi NAME [--status | --quiet | --refresh]; vesk printer
// modeldb NAME [--register]. `args.words` starts with the subcommand.
int printerBidi(const Args& args);
// vesk printer install NAME [--type N] | check NAME [--mode N] | rename OLD
// NEW (`args.words` starts with the subcommand); the install events `vesk
// printer add` plays for a new printer or connection (1/0); the printer's
// install keys for `vesk printer show`.
int printerInstallCommands(const Args& args);
int InstallAddedPrinter(const std::u16string& name, bool connection);
void PrintInstallState(const std::u16string& name);
// vesk printer deploy NAME [--redeploy]; vesk printer revalidate NAME.
// `args.words` starts with the subcommand.
int printerDeploy(const Args& args);
// vesk printer handover NAME [KEY=VALUE...]; vesk printer scenario NAME FILE
// [--remove]. `args.words` starts with the subcommand. The private and spool
// directories in force for printer `name` (vesk printer show).
int printerHandover(const Args& args);
void printDirectoriesInForce(const std::u16string& name);
// Registers the sample model's install program VESKEXP.EXE in the driver
// directory (vesk printer add).
void installExpandProgram();
// vesk printer properties | convert | event | upgrade | query NAME ...: the
// printer's interface library as applications and the spooler call it.
// `args.words` starts with the subcommand.
int printerUi(const Args& args);
bool isPrinterUiCommand(const std::string& word);
// vesk decode FILE [--raw] [--records-only] [--offsets]
int cmdDecode(const Args& args);
// vesk print FILE.vds [--printer NAME] [--out FILE]
int cmdPrint(const Args& args);
// vesk exc PRINTER STEP...: the option-constraint library through its exports
int cmdExc(const Args& args);
// vesk api PRINTER devmode [--mode N] [--out FILE] | caps ... | status ...: the
// versioned driver API through its exports.
int cmdApi(const Args& args);
// vesk api PRINTER caps [ID|all|bitmap]: `argv` from the printer's name on.
int RunApiCaps(int argc, char** argv);
// vesk api PRINTER status get|set|fields ID ... [--then STEP]...: the status
// items of the versioned API; `argv` are the words after "api".
int RunApiStatus(int argc, char** argv);
// vesk ui dialog PRINTER PAGEID [--do ACTIONS] [--script FILE] [--dump]
int cmdUi(const Args& args);
// vesk ui document-properties | printer-properties PRINTER [--do ACTIONS]
// [--script FILE] [--dump] [--png FILE]; `args.words` starts with the subcommand.
int uiSheet(const Args& args);

}  // namespace vesk::host
