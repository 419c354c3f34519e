// vesk printer handover NAME [KEY=VALUE...]: the installer's instructions
// for a printer in VESK.ini of the system directory; vesk printer scenario
// NAME FILE [--remove]: a settings file with its scenario.
#include <win/windows.h>
#include <winsim/process.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <iostream>
#include <string>
#include <vector>

#include "commands.h"
#include "core/handover/handover.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/registry_values.h"
#include "core/scenario/scenario.h"
#include "printer_context.h"

namespace vesk::host {

namespace {

std::u16string w(const std::string& s) { return winsim::fromUtf8(s); }
std::string u8(const std::u16string& s) { return winsim::toUtf8(s); }

// The instructions an installer may leave.
const char* const kKeys[] = {"DefaultRst", "SetUserCode", "SetUserID", "SetOwnerID",
                             "VESKDirectory", "SpoolDirectory", "SpoolDirectoryAll"};

bool knownKey(const std::string& key) {
    for (const char* k : kKeys)
        if (key == k) return true;
    return false;
}

// The "key=value" entries of a section, in file order.
std::vector<std::u16string> sectionLines(const char16_t* file, std::u16string section) {
    IniSectionBracketsToCommas(section.data());
    std::vector<char16_t> buf(32767);
    const DWORD n = GetPrivateProfileSectionW(section.c_str(), buf.data(), static_cast<DWORD>(buf.size()), file);
    std::vector<std::u16string> lines;
    for (DWORD at = 0; at < n && buf[at];) {
        std::u16string line(buf.data() + at);
        at += static_cast<DWORD>(line.size() + 1);
        lines.push_back(line);
    }
    return lines;
}

int showSection(const char16_t* ini, const std::string& printer) {
    std::cout << u8(ini) << " [" << printer << "]\n";
    const auto lines = sectionLines(ini, w(printer));
    if (lines.empty()) std::cout << "  (no instructions or marks)\n";
    for (const auto& l : lines) std::cout << "  " << u8(l) << "\n";
    std::cout << "work to do: " << (VeskIniHasWorkFor(w(printer).c_str()) ? "yes" : "no") << "\n";
    return 0;
}

int handover(const Args& args) {
    const auto& words = args.words;
    if (words.size() < 2)
        return fail("usage: vesk printer handover NAME [KEY=VALUE...] (KEY: DefaultRst, SetUserCode, SetUserID, "
                    "SetOwnerID, VESKDirectory, SpoolDirectory, SpoolDirectoryAll)");
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    if (!winsim::findPrinter(w(words[1]))) return fail("no printer named '" + words[1] + "'");
    WCHAR ini[kWsPathChars];
    if (!GetVeskIniPathInto(ini, kWsPathChars)) return fail("the system directory cannot be read");
    // Check every instruction before writing any.
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        if (eq == std::string::npos || !knownKey(words[i].substr(0, eq)))
            return fail("'" + words[i] + "' is not KEY=VALUE with a hand-over key");
    }
    const std::u16string section = w(words[1]);
    for (size_t i = 2; i < words.size(); ++i) {
        const size_t eq = words[i].find('=');
        const std::u16string key = w(words[i].substr(0, eq)), value = w(words[i].substr(eq + 1));
        if (!IniWriteString(section.c_str(), key.c_str(), value.c_str(), ini))
            return fail("cannot write " + u8(ini));
    }
    return showSection(ini, words[1]);
}

// The files of a scenario: the list file's entries.
void listScenario(const std::u16string& file) {
    WCHAR list[kWsPathChars];
    if (!ScenarioSiblingPath(file.c_str(), u"lst", list)) return;
    std::cout << "  " << u8(file) << "\n  " << u8(list) << "\n";
    for (const auto& l : sectionLines(list, kScenarioSection)) {
        const size_t eq = l.find(u'=');
        const std::u16string key = l.substr(0, eq);
        if (key == u"DefaultRst" || key.rfind(u"OtherFiles", 0) == 0) std::cout << "  " << u8(l.substr(eq + 1)) << "\n";
    }
}

int scenario(const Args& args) {
    std::vector<std::string> words;
    bool remove = false;
    for (const auto& a : args.words) {
        if (a == "--remove") remove = true;
        else words.push_back(a);
    }
    if (words.size() != 3)
        return fail("usage: vesk printer scenario NAME FILE [--remove] (FILE a drive path of the machine with an "
                    "extension, e.g. C:\\out\\a.rst)");
    std::string error;
    const std::unique_ptr<PrinterContext> pc = OpenPrinterContext(args, words[1], &error);
    if (!pc) return fail(error);
    const std::u16string file = w(words[2]);
    if (remove) {
        std::cout << "printer '" << words[1] << "': removing the scenario of " << words[2] << "\n";
        listScenario(file);
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        const bool deleted = DeleteFileW(file.c_str()) != 0;
        const bool hadList = ScenarioRemove(file.c_str()) != 0;
        if (!deleted && !hadList) return fail(words[2] + " has no scenario to remove");
        return 0;
    }
    DrvContext* c = pc->ctx;
    TakePrinterDefault(c);
    EnsureParentDir(file.c_str());
    WCHAR bundle[kWsPathChars] = {};
    if (!MakeBackupName(file.c_str(), bundle, c)) return fail("cannot create the scenario's folder for " + words[2]);
    if (!SettingsExport(pc->printer, bundle, kStExportLanguage, c) || !ScenarioExport(file.c_str(), bundle, c)) {
        RemoveDirTree(bundle);
        return fail("cannot export the scenario of " + words[2] + " (its folder is removed)");
    }
    if (!SettingsExport(pc->printer, file.c_str(), 0, c)) return fail("cannot export " + words[2]);
    std::cout << "printer '" << words[1] << "': exported " << words[2] << " with its scenario:\n";
    listScenario(file);
    return 0;
}

}  // namespace

int printerHandover(const Args& args) {
    return !args.words.empty() && args.words[0] == "scenario" ? scenario(args) : handover(args);
}

void installExpandProgram() {
#ifdef VESK_EXPAND_PROGRAM
    const std::u16string dir = w(winsim::config().driverDir());
    winsim::installProgram(dir + u"\\VESKEXP.EXE", {VESK_EXPAND_PROGRAM});
#endif
}

void printDirectoriesInForce(const std::u16string& name) {
    HANDLE printer = nullptr;
    std::u16string n = name;
    if (!OpenPrinterW(n.data(), &printer, nullptr)) return;
    WCHAR dir[kWsPathChars] = {};
    GetPrivateDirPlain(dir, kWsPathChars);
    std::cout << "private dir: " << (dir[0] ? u8(dir) : std::string("(none)")) << "\n";
    WCHAR spool[kWsPathChars] = {};
    std::string where = "printer data";
    if (!PrnGetString(printer, spool, kWsPathChars, kRegSpoolDirValue) || !spool[0]) {
        where = "registry";
        if (!RegReadHklmString(kRegDrvKey, kRegSpoolDirValue, spool, kWsPathChars) || !spool[0]) spool[0] = 0;
    }
    std::cout << "spool dir:   " << (spool[0] ? u8(spool) + "  (" + where + ")" : std::string("(the spooler's)"))
              << "\n";
    ClosePrinter(printer);
}

}  // namespace vesk::host
