// The process environment: variables kept in memory, names compared without
// regard to letter case, values taken first from the machine.
//
// The environment is made from the machine the first time it is used, and
// made again when the process changes machines (a new machine is as a new
// logon). The host's own environment is never seen. On an NT machine it holds
// SystemDrive, SystemRoot, windir, TEMP and TMP (the machine's Temp folder),
// USERPROFILE, USERNAME, USERDOMAIN, COMPUTERNAME, ALLUSERSPROFILE, APPDATA,
// HOMEDRIVE, HOMEPATH, ProgramFiles, CommonProgramFiles, ComSpec, OS and Path
// (system directory; Windows directory; system directory\Wbem). A 9x machine
// has the smaller 9x set: windir, winbootdir, TEMP, TMP, COMSPEC, PATH, PROMPT.
#include "files/files_internal.h"

#include <mutex>
#include <utility>
#include <vector>

using namespace winsim::detail;
using namespace winsim::detail::files;

namespace {

// Longest variable value (and name) Windows keeps.
constexpr size_t kMaxValue = 32767;

struct Environment {
    std::mutex lock;
    bool made = false;
    std::filesystem::path machine;
    std::vector<std::pair<std::u16string, std::u16string>> vars;
};
Environment& env() {
    static Environment* e = new Environment;
    return *e;
}

std::u16string w(const std::string& utf8) { return fromUtf8(utf8); }

void makeFromMachine(Environment& e) {
    const winsim::MachineConfig& c = winsim::config();
    e.vars.clear();
    std::u16string windows = w(c.windowsDir), system = w(c.systemDir), temp = w(c.tempDir());
    std::u16string drive = windows.size() >= 2 ? windows.substr(0, 2) : u"C:";
    auto add = [&](std::u16string name, std::u16string value) { e.vars.emplace_back(std::move(name), std::move(value)); };
    if (c.osPlatform == 1) {
        add(u"windir", windows);
        add(u"winbootdir", windows);
        add(u"TEMP", temp);
        add(u"TMP", temp);
        add(u"COMSPEC", windows + u"\\COMMAND.COM");
        add(u"PATH", windows + u";" + windows + u"\\COMMAND");
        add(u"PROMPT", u"$p$g");
        return;
    }
    std::u16string profile = w(c.profileDir());
    std::u16string programFiles = w(c.programFilesDir);
    add(u"ALLUSERSPROFILE", w(c.profilesDir) + u"\\All Users");
    add(u"APPDATA", profile + u"\\Application Data");
    add(u"CommonProgramFiles", programFiles + u"\\Common Files");
    add(u"COMPUTERNAME", w(c.computerName));
    add(u"ComSpec", system + u"\\cmd.exe");
    add(u"HOMEDRIVE", profile.size() >= 2 ? profile.substr(0, 2) : drive);
    add(u"HOMEPATH", profile.size() > 2 ? profile.substr(2) : u"\\");
    add(u"OS", u"Windows_NT");
    add(u"Path", system + u";" + windows + u";" + system + u"\\Wbem");
    add(u"ProgramFiles", programFiles);
    add(u"SystemDrive", drive);
    add(u"SystemRoot", windows);
    add(u"TEMP", temp);
    add(u"TMP", temp);
    add(u"USERDOMAIN", w(c.computerName));
    add(u"USERNAME", w(c.userName));
    add(u"USERPROFILE", profile);
    add(u"windir", windows);
}

// The environment, made from the current machine when needed. Call with the lock held.
Environment& ready() {
    Environment& e = env();
    std::filesystem::path root = winsim::machineRoot();
    if (!e.made || e.machine != root) {
        makeFromMachine(e);
        e.machine = root;
        e.made = true;
    }
    return e;
}

const std::u16string* find(Environment& e, std::u16string_view name) {
    for (const auto& [n, v] : e.vars)
        if (wequalNoCase(n, name)) return &v;
    return nullptr;
}

}  // namespace

namespace winsim::detail::files {
std::optional<std::u16string> environmentValue(std::u16string_view name) {
    std::lock_guard g(env().lock);
    const std::u16string* v = find(ready(), name);
    if (!v) return std::nullopt;
    return *v;
}
}  // namespace winsim::detail::files

extern "C" {

// Copies a variable's value with its terminator and returns its length; a
// buffer too small gets nothing and the result is the size needed,
// terminator included. A missing variable: 0 with ERROR_ENVVAR_NOT_FOUND; an
// empty value: 0 with the last error cleared.
WINBASEAPI DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enter("GetEnvironmentVariableW", journalText(lpName))) return 0;
        size_t n = wlenBounded(lpName, kMaxValue + 1);
        std::u16string value;
        {
            std::lock_guard g(env().lock);
            const std::u16string* v = n && n <= kMaxValue ? find(ready(), std::u16string_view(lpName, n)) : nullptr;
            if (!v) {
                setError(ERROR_ENVVAR_NOT_FOUND);
                return 0;
            }
            value = *v;
        }
        if (!copyOut(value, lpBuffer, nSize)) return static_cast<DWORD>(value.size() + 1);
        setError(ERROR_SUCCESS);
        return static_cast<DWORD>(value.size());
    });
}

// Sets a variable (replacing any of the same name in another letter case) or,
// with a null value, removes it (removing a missing one succeeds). A null or
// empty name, a name with '=' after its first character, or a name or value
// longer than 32767 characters: ERROR_INVALID_PARAMETER.
WINBASEAPI BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("SetEnvironmentVariableW", journalText(lpName))) return FALSE;
        size_t n = wlenBounded(lpName, kMaxValue + 1);
        std::u16string_view name(lpName ? lpName : u"", n);
        size_t vn = wlenBounded(lpValue, kMaxValue + 1);
        if (n == 0 || n > kMaxValue || name.find(u'=', 1) != std::u16string_view::npos || vn > kMaxValue) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        std::lock_guard g(env().lock);
        Environment& e = ready();
        for (auto it = e.vars.begin(); it != e.vars.end(); ++it) {
            if (!wequalNoCase(it->first, name)) continue;
            if (!lpValue) {
                e.vars.erase(it);
            } else {
                it->first = std::u16string(name);
                it->second = std::u16string(lpValue, vn);
            }
            return TRUE;
        }
        if (lpValue) e.vars.emplace_back(std::u16string(name), std::u16string(lpValue, vn));
        return TRUE;
    });
}

// Replaces each %NAME% of a set variable by its value. A name that is not
// set is left as it stands, and its closing '%' may open the next reference
// ("%NOPE%%TEMP%" keeps "%NOPE%" and expands TEMP); "%%" stays "%%"; a lone
// '%' stays. Returns the size of the result including the terminator; the
// result is copied only when that fits nSize (else nothing is written). A
// result longer than 32767 characters fails with ERROR_INSUFFICIENT_BUFFER.
WINBASEAPI DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enter("ExpandEnvironmentStringsW", journalText(lpSrc))) return 0;
        if (!lpSrc) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        size_t n = wlenBounded(lpSrc, kMaxValue + 1);
        if (n > kMaxValue) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        std::u16string_view src(lpSrc, n);
        std::u16string out;
        {
            std::lock_guard g(env().lock);
            Environment& e = ready();
            size_t i = 0;
            while (i < src.size() && out.size() <= kMaxValue) {
                if (src[i] != u'%') {
                    out += src[i++];
                    continue;
                }
                size_t close = src.find(u'%', i + 1);
                if (close == std::u16string_view::npos) {
                    out.append(src.substr(i));
                    break;
                }
                std::u16string_view name = src.substr(i + 1, close - i - 1);
                const std::u16string* v = name.empty() ? nullptr : find(e, name);
                if (v) {
                    out += *v;
                    i = close + 1;
                } else {
                    out += u'%';
                    out.append(name);
                    i = close;  // the closing '%' may start the next reference
                }
            }
        }
        // Results are limited to 32767 characters, as their sources are.
        if (out.size() > kMaxValue) {
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        copyOut(out, lpDst, nSize);
        return static_cast<DWORD>(out.size() + 1);
    });
}

}  // extern "C"
