// vesk exc PRINTER STEP...: the option-constraint library as an outside
// application uses it. The library is loaded from the printer's driver
// directory and its entries are bound by name; the steps run in order on
// one handle and each prints its result code, what it means and the text
// it got back.
#include <cctype>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <win/modules.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include "commands.h"
#include "driver_library.h"

namespace vesk::host {
namespace {

const char kExcUsage[] =
    "usage: vesk exc PRINTER STEP...\n"
    "  Loads veskexc.dll from the printer's driver directory and runs the steps\n"
    "  in order on one Exc handle:\n"
    "    base FILE|-            ExcSetCommandBase with the file's text (- reads stdin)\n"
    "    update \"LINE\"          ExcUpdateCommand (CR LF is added when the line has no LF)\n"
    "    changes                ExcGetCommandChange: the change text of the last call\n"
    "    show                   ExcGetCommandBase: the resolved command base\n"
    "    values CMD [--enabled] ExcGetCommandValue: the words a command takes\n"
    "                           (--enabled: only those the settings would keep)\n"
    "    option CMD             ExcGetPrinterOption: the installed choices\n"
    "    value CMD              ExcGetPrinterValue: the printer value now\n"
    "    watermarks text|image  ExcGetWaterMarkList: the stored stamps as PJL lines\n"
    "    devmode [MODE]         ExcGetDriverDevmode (no handle; mode 1 by default)\n"
    "    ini                    ExcGetIniFileName (no handle)\n"
    "  Texts are shown a line at a time with CR and LF made visible, lists one\n"
    "  entry a line. The exit code is 0 only when every step succeeded.\n";

using SetBaseFn = int32_t(WINAPI*)(void*, const char*, int32_t*);
using GetTextFn = int32_t(WINAPI*)(void*, int32_t, char*, int32_t*);
using GetNamedFn = int32_t(WINAPI*)(void*, const char*, int32_t, char*, int32_t*);
using GetValuesFn = int32_t(WINAPI*)(void*, const char*, int32_t, int32_t, char*, int32_t*);
using GetMarksFn = int32_t(WINAPI*)(void*, int32_t, int32_t, char*, int32_t*);
using GetDevmodeFn = int32_t(WINAPI*)(const char*, int32_t, int32_t, void*, int32_t*);
using GetIniFn = int32_t(WINAPI*)(const char*, int32_t, char*, int32_t*);

// The library's entries, bound by name as an application binds them.
struct ExcLibrary {
    HMODULE module = nullptr;
    void*(WINAPI* getExclusive)(const char*) = nullptr;
    void(WINAPI* freeExclusive)(void*) = nullptr;
    SetBaseFn setCommandBase = nullptr, updateCommand = nullptr;
    GetTextFn getCommandChange = nullptr, getCommandBase = nullptr;
    GetValuesFn getCommandValue = nullptr;
    GetNamedFn getPrinterOption = nullptr, getPrinterValue = nullptr;
    GetMarksFn getWaterMarkList = nullptr;
    GetDevmodeFn getDriverDevmode = nullptr;
    GetIniFn getIniFileName = nullptr;
    ExcLibrary() = default;
    ExcLibrary(const ExcLibrary&) = delete;
    ExcLibrary& operator=(const ExcLibrary&) = delete;
    ~ExcLibrary() {
        if (module) FreeLibrary(module);
    }
};

bool loadLibrary(const std::u16string& printer, ExcLibrary& lib, std::string* error) {
    lib.module = LoadDriverSetLibrary(printer, u"veskexc.dll", error);
    if (!lib.module) return false;
    std::string missing;
    BindExport(lib.module, "ExcGetExclusive", &lib.getExclusive, &missing);
    BindExport(lib.module, "ExcFreeExclusive", &lib.freeExclusive, &missing);
    BindExport(lib.module, "ExcSetCommandBase", &lib.setCommandBase, &missing);
    BindExport(lib.module, "ExcUpdateCommand", &lib.updateCommand, &missing);
    BindExport(lib.module, "ExcGetCommandChange", &lib.getCommandChange, &missing);
    BindExport(lib.module, "ExcGetCommandBase", &lib.getCommandBase, &missing);
    BindExport(lib.module, "ExcGetCommandValue", &lib.getCommandValue, &missing);
    BindExport(lib.module, "ExcGetPrinterOption", &lib.getPrinterOption, &missing);
    BindExport(lib.module, "ExcGetPrinterValue", &lib.getPrinterValue, &missing);
    BindExport(lib.module, "ExcGetWaterMarkList", &lib.getWaterMarkList, &missing);
    BindExport(lib.module, "ExcGetDriverDevmode", &lib.getDriverDevmode, &missing);
    BindExport(lib.module, "ExcGetIniFileName", &lib.getIniFileName, &missing);
    if (!missing.empty()) return *error = "veskexc.dll lacks " + missing, false;
    return true;
}

// A text with CR and LF made visible, one line of output per line of text.
void printText(const std::string& text) {
    std::string line;
    for (char c : text) {
        if (c == '\r') line += "\\r";
        else if (c == '\n') {
            std::cout << "  " << line << "\\n\n";
            line.clear();
        } else line += c;
    }
    if (!line.empty()) std::cout << "  " << line << "\n";
}

// The entries of a NUL-separated list (its final NUL ends it).
std::vector<std::string> listEntries(const std::vector<char>& b, int32_t length) {
    std::vector<std::string> out;
    std::string cur;
    for (int32_t i = 0; i < length; ++i) {
        if (b[static_cast<size_t>(i)]) {
            cur += b[static_cast<size_t>(i)];
            continue;
        }
        if (cur.empty()) break;
        out.push_back(cur);
        cur.clear();
    }
    return out;
}

const char* bufferMeaning(int32_t r) {
    switch (r) {
    case 0: return "done";
    case 1: return "buffer too small";
    case -1: return "failed";
    default: return "unknown result";
    }
}

// Calls a buffer-protocol getter with the size it asks for. The result of
// the final call; the bytes in *out and their count in *length.
template <class F>
int32_t fetch(F call, std::vector<char>* out, int32_t* length) {
    int32_t need = 0;
    int32_t r = call(0, nullptr, &need);
    *length = 0;
    for (int tries = 0; r == 1 && need > 0 && tries < 4; ++tries) {
        out->assign(static_cast<size_t>(need), '\0');
        const int32_t asked = need;
        r = call(asked, out->data(), &need);
        if (r == 0) *length = asked;
    }
    return r;
}

class Session {
public:
    Session(ExcLibrary& lib, std::string printer) : lib_(lib), printer_(std::move(printer)) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session() {
        if (handle_) lib_.freeExclusive(handle_);
    }
    // Runs the steps from `words[i]`; false when a step could not be run.
    bool run(const std::vector<std::string>& words, size_t i, bool* allOk);

private:
    bool openHandle() {
        if (!handle_) handle_ = lib_.getExclusive(printer_.c_str());
        if (!handle_) std::cerr << "vesk: ExcGetExclusive(\"" << printer_ << "\") gave no handle\n";
        return handle_ != nullptr;
    }
    int32_t base(const std::string& file);
    int32_t update(std::string line);
    int32_t text(const char* what, GetTextFn f);
    int32_t list(const std::string& title, int32_t r, const std::vector<char>& b, int32_t length, bool groups = false);
    int32_t devmode(int32_t mode);
    int32_t ini();

    ExcLibrary& lib_;
    std::string printer_;
    void* handle_ = nullptr;
};

int32_t Session::base(const std::string& file) {
    std::string text;
    if (file == "-") {
        text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    } else {
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            std::cerr << "vesk: cannot read " << file << "\n";
            return -1;
        }
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    int32_t changeLength = 0;
    const int32_t r = lib_.setCommandBase(handle_, text.c_str(), &changeLength);
    const char* meaning = r == 0    ? "applied as given"
                          : r == 1  ? "applied; the rules changed some settings"
                          : r == -2 ? "refused: no text or a required command missing"
                                    : "failed: a line does not parse, or no context or memory";
    std::cout << "ExcSetCommandBase: " << r << " (" << meaning << "), change length " << changeLength << "\n";
    return r;
}

int32_t Session::update(std::string line) {
    if (line.empty() || line.back() != '\n') line += "\r\n";
    int32_t changeLength = 0;
    const int32_t r = lib_.updateCommand(handle_, line.c_str(), &changeLength);
    const char* meaning = r == 0   ? "nothing changed"
                          : r == 1 ? "changed: the change text lists the settings"
                                   : "failed: the line does not parse, or no memory";
    std::cout << "ExcUpdateCommand: " << r << " (" << meaning << "), change length " << changeLength << "\n";
    return r;
}

int32_t Session::text(const char* what, GetTextFn f) {
    std::vector<char> b;
    int32_t length = 0;
    const int32_t r = fetch([&](int32_t size, char* buf, int32_t* need) { return f(handle_, size, buf, need); }, &b, &length);
    std::cout << what << ": " << r << " (" << bufferMeaning(r) << "), " << length << " bytes\n";
    if (r == 0 && length > 0) printText(std::string(b.data(), static_cast<size_t>(length - 1)));
    return r;
}

int32_t Session::list(const std::string& title, int32_t r, const std::vector<char>& b, int32_t length, bool groups) {
    std::cout << title << ": " << r << " (" << bufferMeaning(r) << "), " << length << " bytes\n";
    if (r != 0) return r;
    int n = 0;
    for (const std::string& e : listEntries(b, length)) {
        if (groups) {
            std::cout << "  stamp group " << ++n << ":\n";
            printText(e);
        } else {
            std::cout << "  " << e << "\n";
        }
    }
    return r;
}

int32_t Session::devmode(int32_t mode) {
    int32_t need = 0;
    std::vector<char> b;
    int32_t r = lib_.getDriverDevmode(printer_.c_str(), mode, 0, nullptr, &need);
    if (r == 1 && need > 0) {
        b.assign(static_cast<size_t>(need), '\0');
        r = lib_.getDriverDevmode(printer_.c_str(), mode, need, b.data(), &need);
    }
    std::cout << "ExcGetDriverDevmode: " << r << " (" << bufferMeaning(r) << "), needed " << need << " bytes\n";
    if (r == 0) {
        auto u16 = [&](size_t at) { return static_cast<unsigned>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8); };
        std::cout << "  dmDeviceName \"" << std::string(b.data(), strnlen(b.data(), 32)) << "\"\n"
                  << "  dmSize " << u16(36) << ", dmDriverExtra " << u16(38) << "\n"
                  << "  dmOrientation " << u16(44) << ", dmPaperSize " << u16(46) << ", dmCopies " << u16(54)
                  << ", dmDefaultSource " << u16(56) << "\n"
                  << "  dmFormName \"" << std::string(b.data() + 70, strnlen(b.data() + 70, 32)) << "\"\n";
    }
    return r;
}

int32_t Session::ini() {
    std::vector<char> b;
    int32_t length = 0;
    const int32_t r = fetch(
        [&](int32_t size, char* buf, int32_t* need) { return lib_.getIniFileName(printer_.c_str(), size, buf, need); },
        &b, &length);
    std::cout << "ExcGetIniFileName: " << r << " (" << bufferMeaning(r) << ")\n";
    if (r == 0 && length > 0) std::cout << "  " << std::string(b.data(), static_cast<size_t>(length - 1)) << "\n";
    return r;
}

bool Session::run(const std::vector<std::string>& w, size_t i, bool* allOk) {
    auto arg = [&](const char* what) -> const std::string* {
        if (i + 1 >= w.size()) {
            std::cerr << "vesk: exc " << w[i] << " needs " << what << "\n";
            return nullptr;
        }
        return &w[++i];
    };
    for (; i < w.size(); ++i) {
        const std::string step = w[i];
        std::cout << "== " << step;
        int32_t r = 0;
        bool handleStep = step != "devmode" && step != "ini";
        if (handleStep && !openHandle()) return false;
        if (step == "base" || step == "update") {
            const std::string* a = arg(step == "base" ? "a file or -" : "a line");
            if (!a) return false;
            std::cout << " " << *a << "\n";
            r = step == "base" ? base(*a) : update(*a);
            *allOk = *allOk && r >= 0;
            continue;
        }
        if (step == "changes" || step == "show") {
            std::cout << "\n";
            r = step == "changes" ? text("ExcGetCommandChange", lib_.getCommandChange)
                                  : text("ExcGetCommandBase", lib_.getCommandBase);
        } else if (step == "values" || step == "option" || step == "value") {
            const std::string* cmd = arg("a command name");
            if (!cmd) return false;
            const bool enabled = step == "values" && i + 1 < w.size() && w[i + 1] == "--enabled";
            if (enabled) ++i;
            std::cout << " " << *cmd << (enabled ? " --enabled" : "") << "\n";
            std::vector<char> b;
            int32_t length = 0;
            if (step == "values") {
                r = fetch([&](int32_t size, char* buf, int32_t* need) {
                    return lib_.getCommandValue(handle_, cmd->c_str(), enabled ? 1 : 0, size, buf, need);
                }, &b, &length);
                list("ExcGetCommandValue", r, b, length);
            } else if (step == "option") {
                r = fetch([&](int32_t size, char* buf, int32_t* need) {
                    return lib_.getPrinterOption(handle_, cmd->c_str(), size, buf, need);
                }, &b, &length);
                list("ExcGetPrinterOption", r, b, length);
            } else {
                r = fetch([&](int32_t size, char* buf, int32_t* need) {
                    return lib_.getPrinterValue(handle_, cmd->c_str(), size, buf, need);
                }, &b, &length);
                std::cout << "ExcGetPrinterValue: " << r << " (" << bufferMeaning(r) << ")\n";
                if (r == 0 && length > 0) std::cout << "  " << std::string(b.data(), static_cast<size_t>(length - 1)) << "\n";
            }
        } else if (step == "watermarks") {
            const std::string* kind = arg("text or image");
            if (!kind) return false;
            if (*kind != "text" && *kind != "image") {
                std::cerr << "\nvesk: exc watermarks takes text or image\n";
                return false;
            }
            std::cout << " " << *kind << "\n";
            std::vector<char> b;
            int32_t length = 0;
            const int32_t selector = *kind == "text" ? 0 : 1;
            r = fetch([&](int32_t size, char* buf, int32_t* need) {
                return lib_.getWaterMarkList(handle_, selector, size, buf, need);
            }, &b, &length);
            list("ExcGetWaterMarkList", r, b, length, true);
        } else if (step == "devmode") {
            int32_t mode = 1;
            if (i + 1 < w.size() && !w[i + 1].empty() && std::isdigit(static_cast<unsigned char>(w[i + 1][0])))
                mode = std::stoi(w[++i]);
            std::cout << " " << mode << "\n";
            r = devmode(mode);
        } else if (step == "ini") {
            std::cout << "\n";
            r = ini();
        } else {
            std::cerr << "\nvesk: unknown exc step '" << step << "' (try 'vesk exc --help')\n";
            return false;
        }
        *allOk = *allOk && r == 0;
    }
    return true;
}

}  // namespace

int cmdExc(const Args& args) {
    const auto& w = args.words;
    for (const auto& a : w)
        if (a == "--help" || a == "-h") {
            std::fputs(kExcUsage, stdout);
            return 0;
        }
    if (w.size() < 2) {
        std::fputs(kExcUsage, stderr);
        return 2;
    }
    std::string error;
    if (!openMachine(args, &error)) return fail(error);
    const std::u16string printer = winsim::fromUtf8(w[0]);
    ExcLibrary lib;
    if (!loadLibrary(printer, lib, &error)) return fail(error);
    bool allOk = true;
    {
        Session s(lib, AnsiPrinterName(printer));
        if (!s.run(w, 1, &allOk)) return 2;
    }
    return allOk ? 0 : 1;
}

}  // namespace vesk::host
