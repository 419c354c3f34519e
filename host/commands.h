// Subcommands of the vesk command. Each returns the process exit code.
#pragma once
#include <filesystem>
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
// vesk decode FILE [--raw] [--records-only] [--offsets]
int cmdDecode(const Args& args);
// vesk print FILE.vds [--printer NAME] [--out FILE]
int cmdPrint(const Args& args);
// vesk ui dialog PRINTER PAGEID [--do ACTIONS] [--script FILE] [--dump]
int cmdUi(const Args& args);

}  // namespace vesk::host
