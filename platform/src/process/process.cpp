// Processes: the program registry, CreateProcessW as a real child process,
// exit codes, and the identifiers of the calling process and thread.
//
// Choices:
// - Exit codes are the child's exit status (0-255). A child ended by a signal
//   reports what Windows reports for the matching failure: 0xC0000005 for a
//   memory fault, 3 for an abort, otherwise 0xC000013A (ended by request).
//   TerminateProcess kills the child; its code becomes the given one.
// - A caller's environment block replaces the parent's, except the variables
//   the host needs to start a program (PATH, LD_LIBRARY_PATH, LD_PRELOAD,
//   HOME, TMPDIR and the sanitizer options), which stay the host's.
// - A reaper thread per child collects its exit status, so a child whose
//   handles were closed early never stays a zombie.
// - When VESK_EXEC_WRAPPER names an emulator (the i686 build on a host that
//   cannot run 32-bit programs), a registered program that is a 32-bit ELF
//   file runs under it; other programs run directly.
#include <win/process.h>
#include <win/sync.h>
#include <pthread.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <condition_variable>
#include <fstream>
#include <sstream>
#include <thread>

#include <winsim/process.h>

#include "core/name_map.h"
#include "sync/waitable.h"

extern char** environ;

static_assert(sizeof(void*) != 4 || (sizeof(STARTUPINFOW) == 68 && sizeof(PROCESS_INFORMATION) == 16),
              "process records must have their Windows sizes on i686");

namespace fs = std::filesystem;
using namespace winsim::detail;

namespace {

HANDLE pseudoProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
HANDLE pseudoThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

BOOL fail(DWORD error) {
    setError(error);
    return FALSE;
}

// --- Program registry ---

std::mutex g_registryLock;

fs::path registryFile() {
    fs::path r = winsim::machineRoot();
    return r.empty() ? r : r / "programs.cfg";
}

using Entry = std::pair<std::u16string, std::vector<std::string>>;

std::vector<Entry> readRegistry() {
    std::vector<Entry> out;
    for (auto& e : namemap::read(registryFile(), '\t'))
        if (!e.name.empty() && !e.fields[0].empty()) out.emplace_back(std::move(e.name), std::move(e.fields));
    return out;
}

bool isPathName(std::u16string_view s) { return s.find_first_of(u"\\/:") != std::u16string_view::npos; }

std::u16string baseName(std::u16string_view s) {
    size_t p = s.find_last_of(u"\\/:");
    return std::u16string(p == std::u16string_view::npos ? s : s.substr(p + 1));
}

std::u16string normalizedPath(std::u16string_view s) {
    auto r = resolve(s);
    return r ? r->normalized : std::u16string(s);
}

// --- Child processes ---

struct Child {
    pid_t pid = 0;
    std::mutex lock;
    std::condition_variable ended;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    bool terminated = false;
    DWORD terminateCode = 0;

    DWORD wait(DWORD milliseconds) {
        auto deadline = waitDeadline(milliseconds);
        std::unique_lock g(lock);
        auto done = [&] { return exited; };
        if (!deadline) ended.wait(g, done);
        else if (!ended.wait_until(g, *deadline, done)) return WAIT_TIMEOUT;
        return WAIT_OBJECT_0;
    }
    DWORD code() {
        std::lock_guard g(lock);
        return exited ? exitCode : static_cast<DWORD>(STILL_ACTIVE);
    }
};

DWORD exitCodeOf(int status) {
    if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) {
        switch (WTERMSIG(status)) {
            case SIGSEGV:
            case SIGBUS: return 0xC0000005u;
            case SIGABRT: return 3;
            default: return 0xC000013Au;
        }
    }
    return 0xC000013Au;
}

// Waits for the child to end, then collects it under the lock, so that
// TerminateProcess never signals a process id that was already given back.
void reap(std::shared_ptr<Child> c) {
    siginfo_t si{};
    int r;
    do {
        r = waitid(P_PID, static_cast<id_t>(c->pid), &si, WEXITED | WNOWAIT);
    } while (r < 0 && errno == EINTR);
    std::lock_guard g(c->lock);
    int status = 0;
    pid_t done;
    do {
        done = waitpid(c->pid, &status, 0);
    } while (done < 0 && errno == EINTR);
    c->exited = true;
    c->exitCode = c->terminated ? c->terminateCode : (done < 0 ? 0xC000013Au : exitCodeOf(status));
    c->ended.notify_all();
}

struct ProcessObject : Waitable {
    std::shared_ptr<Child> child;
    explicit ProcessObject(std::shared_ptr<Child> c) : child(std::move(c)) {}
    const char* kindName() const override { return "process"; }
    DWORD wait(DWORD ms) override { return child->wait(ms); }
};

// A child's primary thread, which ends with it.
struct ThreadObject : Waitable {
    std::shared_ptr<Child> child;
    explicit ThreadObject(std::shared_ptr<Child> c) : child(std::move(c)) {}
    const char* kindName() const override { return "thread"; }
    DWORD wait(DWORD ms) override { return child->wait(ms); }
};

// The Windows program a command line names when no application is given.
std::optional<ResolvedPath> findProgram(std::u16string word) {
    if (baseName(word).find(u'.') == std::u16string::npos) word += u".exe";
    auto exists = [](const std::optional<ResolvedPath>& r) {
        if (!r) return false;
        DWORD a = hostAttributes(r->host);
        return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
    };
    if (isPathName(word)) return resolve(word);
    const auto& cfg = winsim::config();
    for (const std::u16string& dir : {currentDirectory(), winsim::fromUtf8(cfg.systemDir), winsim::fromUtf8(cfg.windowsDir)}) {
        auto r = resolve(dir + (dir.empty() || dir.back() == u'\\' ? u"" : u"\\") + word);
        if (exists(r)) return r;
    }
    return resolve(word);  // the current directory: reported as not found below
}

// The host environment of the child, as "NAME=value" strings.
std::vector<std::string> childEnvironment(LPVOID block, bool unicode, const std::vector<std::pair<std::string, std::string>>& vesk) {
    static const char* const kHostKeep[] = {"PATH", "LD_LIBRARY_PATH", "LD_PRELOAD", "HOME", "TMPDIR",
                                            "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS", "VESK_EXEC_WRAPPER"};
    auto keyOf = [](const std::string& kv) { return kv.substr(0, kv.find('=')); };
    auto isKept = [&](const std::string& key) {
        for (const char* k : kHostKeep)
            if (key == k) return true;
        return false;
    };
    auto isVesk = [&](const std::string& key) {
        for (const auto& [k, v] : vesk)
            if (k == key) return true;
        return false;
    };
    std::vector<std::string> out;
    if (!block) {
        for (char** e = environ; e && *e; ++e)
            if (!isVesk(keyOf(*e))) out.emplace_back(*e);
    } else {
        for (char** e = environ; e && *e; ++e)
            if (isKept(keyOf(*e))) out.emplace_back(*e);
        // The block ends with an empty string; it is read no further than 1M characters.
        constexpr size_t kMax = 1 << 20;
        size_t i = 0;
        for (;;) {
            std::string entry;
            if (unicode) {
                auto* w = static_cast<const WCHAR*>(block) + i;
                size_t n = wlenBounded(w, kMax - i);
                entry = winsim::toUtf8(std::u16string_view(w, n));
                i += n + 1;
            } else {
                auto* a = static_cast<const char*>(block) + i;
                size_t n = strnlen(a, kMax - i);
                entry = winsim::toUtf8(ansiToWide(std::string_view(a, n)));
                i += n + 1;
            }
            if (entry.empty() || i >= kMax) break;
            // "=C:=C:\\dir" entries hold per-drive directories; not variables.
            if (entry[0] == '=' || entry.find('=') == std::string::npos) continue;
            std::string key = keyOf(entry);
            if (!isKept(key) && !isVesk(key)) out.push_back(std::move(entry));
        }
    }
    for (const auto& [k, v] : vesk) out.push_back(k + "=" + v);
    return out;
}

// Whether the host can run `program` (a path, or a name found in PATH). Known
// before spawning, since a failed exec is not always reported back (under an
// emulator the spawn is a fork).
int hostProgramError(const std::string& program) {
    auto check = [](const std::string& p) {
        if (access(p.c_str(), F_OK) != 0) return ENOENT;
        return access(p.c_str(), X_OK) == 0 && !fs::is_directory(p) ? 0 : EACCES;
    };
    if (program.find('/') != std::string::npos) return check(program);
    const char* path = std::getenv("PATH");
    std::istringstream dirs(path ? path : "/usr/bin:/bin");
    int result = ENOENT;
    for (std::string d; std::getline(dirs, d, ':');) {
        int e = check((d.empty() ? std::string(".") : d) + "/" + program);
        if (e == 0) return 0;
        if (e == EACCES) result = EACCES;
    }
    return result;
}

// The host command with the emulator of VESK_EXEC_WRAPPER in front when the
// program is a 32-bit ELF file and a wrapper is set.
std::vector<std::string> wrapped(std::vector<std::string> args) {
    const char* wrapper = std::getenv("VESK_EXEC_WRAPPER");
    if (!wrapper || !*wrapper || args.empty() || args[0].find('/') == std::string::npos) return args;
    char ident[5] = {};
    std::ifstream in(args[0], std::ios::binary);
    if (!in.read(ident, sizeof ident) || std::memcmp(ident, "\x7f" "ELF", 4) != 0 || ident[4] != 1) return args;
    std::vector<std::string> out;
    std::istringstream words(wrapper);
    for (std::string w; words >> w;) out.push_back(w);
    out.insert(out.end(), args.begin(), args.end());
    return out;
}

}  // namespace

namespace winsim {

bool registerProgram(std::u16string_view program, const std::vector<std::string>& hostCommand) {
    if (program.empty() || hostCommand.empty() || hostCommand[0].empty()) return false;
    for (char16_t c : program)
        if (c == u'\t' || c == u'\n' || c == u'\r') return false;
    for (const auto& a : hostCommand)
        if (a.find_first_of("\t\r\n") != std::string::npos) return false;
    std::lock_guard g(g_registryLock);
    fs::path f = registryFile();
    if (f.empty()) return false;
    std::u16string key = isPathName(program) ? normalizedPath(program) : std::u16string(program);
    return namemap::put(f, "# Windows program (path or file name) <TAB> host command and its first arguments", '\t',
                        {key, hostCommand});
}

std::optional<std::vector<std::string>> registeredProgram(std::u16string_view winPath) {
    std::lock_guard g(g_registryLock);
    std::u16string full = normalizedPath(winPath), name = baseName(winPath);
    auto all = readRegistry();
    for (const auto& [key, cmd] : all)
        if (isPathName(key) && detail::wequalNoCase(normalizedPath(key), full)) return cmd;
    for (const auto& [key, cmd] : all)
        if (!isPathName(key) && detail::wequalNoCase(key, name)) return cmd;
    return std::nullopt;
}

bool installProgram(std::u16string_view winPath, const std::vector<std::string>& hostCommand) {
    auto r = detail::resolve(winPath);
    if (!r || !r->parentExists) return false;
    {
        std::ofstream out(r->host, std::ios::binary | std::ios::trunc);
        out << "VESK-PROGRAM " << toUtf8(baseName(winPath)) << "\n";
        if (!out.flush()) return false;
    }
    return registerProgram(r->normalized, hostCommand);
}

std::vector<std::u16string> splitCommandLine(std::u16string_view s) {
    std::vector<std::u16string> out;
    size_t i = 0;
    auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    // The program name: quotes group, backslashes are plain.
    std::u16string first;
    bool quoted = false;
    for (; i < s.size() && (quoted || !blank(s[i])); ++i) {
        if (s[i] == u'"') quoted = !quoted;
        else first += s[i];
    }
    out.push_back(first);
    for (;;) {
        while (i < s.size() && blank(s[i])) ++i;
        if (i >= s.size()) break;
        std::u16string arg;
        quoted = false;
        while (i < s.size() && (quoted || !blank(s[i]))) {
            size_t slashes = 0;
            while (i < s.size() && s[i] == u'\\') {
                ++slashes;
                ++i;
            }
            if (i < s.size() && s[i] == u'"') {
                arg.append(slashes / 2, u'\\');
                if (slashes % 2) {
                    arg += u'"';
                } else if (quoted && i + 1 < s.size() && s[i + 1] == u'"') {
                    arg += u'"';  // "" inside quotes: a literal quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                arg.append(slashes, u'\\');
                if (i < s.size() && (quoted || !blank(s[i]))) arg += s[i++];
            }
        }
        out.push_back(std::move(arg));
    }
    return out;
}

}  // namespace winsim

namespace {
// The calling thread's id, asked of the kernel once (critical sections ask
// for it on every entry). A forked child's thread has another id.
thread_local DWORD t_threadId = 0;
void forgetThreadId() { t_threadId = 0; }
[[maybe_unused]] const int g_forkHook = pthread_atfork(nullptr, nullptr, forgetThreadId);
}  // namespace

extern "C" {

WINBASEAPI HANDLE WINAPI GetCurrentProcess(void) { return pseudoProcess(); }
WINBASEAPI HANDLE WINAPI GetCurrentThread(void) { return pseudoThread(); }
WINBASEAPI DWORD WINAPI GetCurrentProcessId(void) { return static_cast<DWORD>(getpid()); }
WINBASEAPI DWORD WINAPI GetCurrentThreadId(void) {
    if (!t_threadId) t_threadId = static_cast<DWORD>(gettid());
    return t_threadId;
}

WINBASEAPI BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES,
                                      LPSECURITY_ATTRIBUTES, BOOL inheritHandles, DWORD creationFlags,
                                      LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                                      LPPROCESS_INFORMATION info) {
    std::string detail;
    try {
        std::ostringstream d;
        d << "app=" << winsim::toUtf8(wstr(applicationName)) << ";cmd=" << winsim::toUtf8(wstr(commandLine))
          << ";cwd=" << winsim::toUtf8(wstr(currentDirectory)) << ";inherit=" << (inheritHandles ? 1 : 0)
          << ";flags=0x" << std::hex << creationFlags;
        if (startupInfo) d << ";si.dwFlags=0x" << startupInfo->dwFlags << ";show=" << std::dec << startupInfo->wShowWindow;
        detail = d.str();
    } catch (const std::bad_alloc&) {
    }
    if (enter("CreateProcessW", detail)) return FALSE;
    if (!startupInfo || !info || (!applicationName && !commandLine)) return fail(ERROR_INVALID_PARAMETER);
    if (creationFlags & CREATE_SUSPENDED) return fail(ERROR_NOT_SUPPORTED);
    try {
        const std::u16string cmdText = wstr(commandLine);
        // The program.
        std::optional<ResolvedPath> program;
        PathError perr{};
        if (applicationName) {
            program = resolve(wstr(applicationName), &perr);
        } else {
            auto words = winsim::splitCommandLine(cmdText);
            if (words.empty() || words[0].empty()) return fail(ERROR_FILE_NOT_FOUND);
            program = findProgram(words[0]);
        }
        if (!program) {
            setPathError(perr);
            if (perr == PathError::None) setError(ERROR_FILE_NOT_FOUND);
            return FALSE;
        }
        DWORD attrs = hostAttributes(program->host);
        if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY))
            return fail(program->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        auto hostCommand = winsim::registeredProgram(program->normalized);
        if (!hostCommand) return fail(ERROR_FILE_NOT_FOUND);

        // Its current directory.
        std::u16string cwd = currentDirectory ? wstr(currentDirectory) : winsim::detail::currentDirectory();
        auto cwdPath = resolve(cwd);
        DWORD cwdAttrs = cwdPath ? hostAttributes(cwdPath->host) : INVALID_FILE_ATTRIBUTES;
        if (cwdAttrs == INVALID_FILE_ATTRIBUTES || !(cwdAttrs & FILE_ATTRIBUTE_DIRECTORY)) return fail(ERROR_DIRECTORY);
        std::u16string winCwd = cwdPath->normalized;
        if (winCwd.size() == 2) winCwd += u'\\';

        // Arguments: the host command, then the Windows arguments.
        std::u16string fullCommand = commandLine ? cmdText : u"\"" + program->normalized + u"\"";
        if (int e = hostProgramError((*hostCommand)[0]))
            return fail(e == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
        std::vector<std::string> args = wrapped(*hostCommand);
        auto words = winsim::splitCommandLine(fullCommand);
        for (size_t k = 1; k < words.size(); ++k) args.push_back(winsim::toUtf8(words[k]));
        std::vector<std::pair<std::string, std::string>> vesk = {
            {"VESK_MACHINE", winsim::machineRoot().string()},
            {"VESK_COMMAND_LINE", winsim::toUtf8(fullCommand)},
            {"VESK_PROGRAM", winsim::toUtf8(program->normalized)},
            {"VESK_CURRENT_DIRECTORY", winsim::toUtf8(winCwd)}};
        std::vector<std::string> env = childEnvironment(environment, creationFlags & CREATE_UNICODE_ENVIRONMENT, vesk);

        std::vector<char*> argv, envp;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        for (auto& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addchdir_np(&actions, cwdPath->host.c_str());
        pid_t pid = 0;
        int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0)
            return fail(rc == ENOENT ? ERROR_FILE_NOT_FOUND : rc == EACCES ? ERROR_ACCESS_DENIED : ERROR_BAD_EXE_FORMAT);

        auto child = std::make_shared<Child>();
        child->pid = pid;
        try {
            std::thread(reap, child).detach();
        } catch (...) {
            // No reaper thread: wait here rather than leave a child nobody
            // collects (the caller then finds it ended).
            reap(child);
        }
        info->hProcess = addHandle(std::make_shared<ProcessObject>(child));
        info->hThread = addHandle(std::make_shared<ThreadObject>(child));
        info->dwProcessId = static_cast<DWORD>(pid);
        info->dwThreadId = static_cast<DWORD>(pid);
        setError(ERROR_SUCCESS);
        return TRUE;
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
}

WINBASEAPI BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
    if (enter("GetExitCodeProcess")) return FALSE;
    if (!exitCode) return fail(ERROR_INVALID_PARAMETER);
    if (process == pseudoProcess()) {
        *exitCode = STILL_ACTIVE;
        return TRUE;
    }
    auto p = lookup<ProcessObject>(process);
    if (!p) return fail(ERROR_INVALID_HANDLE);
    *exitCode = p->child->code();
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode) {
    if (enter("GetExitCodeThread")) return FALSE;
    if (!exitCode) return fail(ERROR_INVALID_PARAMETER);
    if (thread == pseudoThread()) {
        *exitCode = STILL_ACTIVE;
        return TRUE;
    }
    auto t = lookup<ThreadObject>(thread);
    if (!t) return fail(ERROR_INVALID_HANDLE);
    *exitCode = t->child->code();
    return TRUE;
}

WINBASEAPI BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode) {
    if (enter("TerminateProcess")) return FALSE;
    if (process == pseudoProcess()) std::_Exit(static_cast<int>(exitCode & 0xFF));
    auto p = lookup<ProcessObject>(process);
    if (!p) return fail(ERROR_INVALID_HANDLE);
    std::lock_guard g(p->child->lock);
    if (p->child->exited) return fail(ERROR_ACCESS_DENIED);
    if (!p->child->terminated) {
        p->child->terminated = true;
        p->child->terminateCode = exitCode;
        kill(p->child->pid, SIGKILL);
    }
    return TRUE;
}

}  // extern "C"
