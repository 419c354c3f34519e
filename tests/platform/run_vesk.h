// Runs the built vesk command on a machine and collects what it prints.
#pragma once
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace vesktest {

struct Outcome {
    int status = -1;
    std::string out;  // stdout and stderr
};

inline std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline Outcome vesk(const std::filesystem::path& machine, const std::vector<std::string>& args) {
    // A build for another architecture runs its programs under an emulator.
    const char* wrapper = std::getenv("VESK_EXEC_WRAPPER");
    std::string cmd = wrapper && *wrapper ? std::string(wrapper) + " " : std::string();
    cmd += quote(VESK_BIN) + " --machine " + quote(machine.string());
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " 2>&1";
    Outcome r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

// True when the command printed `s`.
inline bool has(const Outcome& o, const std::string& s) { return o.out.find(s) != std::string::npos; }

// A fresh machine in a temporary folder with printer P of the sample model,
// removed with the object. `ok` is false when the set-up commands failed.
struct PrinterMachine {
    std::filesystem::path path;
    bool ok = false;
    explicit PrinterMachine(const std::string& prefix)
        : path(std::filesystem::temp_directory_path() / (prefix + std::to_string(std::random_device{}()))) {
        ok = vesk(path, {"machine", "init"}).status == 0 && vesk(path, {"printer", "add", "P"}).status == 0;
    }
    ~PrinterMachine() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    PrinterMachine(const PrinterMachine&) = delete;
    PrinterMachine& operator=(const PrinterMachine&) = delete;
    Outcome run(const std::vector<std::string>& args) { return vesk(path, args); }
};

}  // namespace vesktest
