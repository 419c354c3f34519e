// Internal services shared by every part of the stand-in platform.
#pragma once
#include <winsim/winsim.h>
#include <win/types.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

// Visible so the platform's own tests can reach these internals.
#pragma GCC visibility push(default)
namespace winsim::detail {

// Starts a stand-in call: records it in the journal and answers whether an
// injected fault makes it fail (the fault's error is then already set as the
// last error). Usage: `if (enter("GlobalAlloc")) return nullptr;`
//
// While calls are neither journalled nor any fault is armed (the flag below
// says so) a call's start is that one test; otherwise enterWatched does the
// work.
extern std::atomic<bool> g_watchingCalls;
bool enterWatched(const char* function, std::string_view detail);
inline bool enter(const char* function, std::string_view detail = {}) {
    return g_watchingCalls.load(std::memory_order_relaxed) && enterWatched(function, detail);
}
// The same with the detail made by `makeDetail` only while calls are
// journalled, so a call pays nothing for a text no one reads.
bool journalling();
template <class MakeDetail>
bool enterWith(const char* function, MakeDetail makeDetail) {
    if (!g_watchingCalls.load(std::memory_order_relaxed)) return false;
    return journalling() ? enterWatched(function, makeDetail()) : enterWatched(function, {});
}

void setError(DWORD code);

// Wide text helpers.
size_t wlen(const WCHAR* s);
size_t wlenBounded(const WCHAR* s, size_t max);
std::u16string wstr(const WCHAR* s);  // null -> empty
// Upper-case fold (ASCII and Latin-1); inline, since comparisons of names
// fold every character they pass (foldCase is the exported form).
inline WCHAR foldCaseInline(WCHAR c) {
    if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 32);
    // Latin-1 lower-case letters except the division sign and y-diaeresis.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 32);
    if (c == 0xFF) return 0x178;
    return c;
}
WCHAR foldCase(WCHAR c);
bool wequalNoCase(std::u16string_view a, std::u16string_view b);
bool equalNoCase(std::string_view a, std::string_view b);  // UTF-8, per code point

// Copies `text` with its terminator into buf of `cch` characters when it
// fits; returns false (writing nothing) when it does not.
bool copyOut(std::u16string_view text, WCHAR* buf, size_t cch);

// Path resolution on the machine root.
enum class PathError { None, NotDrivePath, NoMachine, TooLong, BadName };
struct ResolvedPath {
    std::filesystem::path host;   // host path (existing components in their stored case)
    std::u16string normalized;    // "C:\\Dir\\Name", separators folded, dots resolved
    bool parentExists = false;    // the folder that holds the last component exists
    // What the lookup learnt of the entry itself when that settles it (an
    // entry that is no symbolic link): Unknown otherwise.
    enum class Kind { Unknown, File, Directory } kind = Kind::Unknown;
};
// Resolves a Windows drive path: "/" and "\\" separators, repeated separators
// collapse, "." and ".." resolve, trailing dots and spaces of a component are
// trimmed; names match existing entries case-insensitively.
std::optional<ResolvedPath> resolve(std::u16string_view winPath, PathError* err = nullptr);
// The stored spelling of `name` in the host folder `dir` compared without
// case, or nothing when the folder holds no such entry.
std::optional<std::string> dirEntryNoCase(const std::filesystem::path& dir, const std::string& name);
// The same under another machine's root; a relative path fails there unless
// `relativeAllowed` (it then goes by this process's current directory).
std::optional<ResolvedPath> resolveUnder(const std::filesystem::path& root, bool relativeAllowed,
                                         std::u16string_view winPath, PathError* err = nullptr);
// The Windows path of a host path under the machine root (empty if outside).
std::u16string windowsPathOf(const std::filesystem::path& host);
// Sets the last error for a path error (ERROR_PATH_NOT_FOUND, ERROR_FILENAME_EXCED_RANGE...).
void setPathError(PathError err);
// Host folder for state kept outside the drives ("registry", "spooler", ...).
std::filesystem::path stateDir(std::string_view name);
// A number that changes whenever the process moves to another machine root,
// so a cache of machine state can tell it is stale without comparing paths.
uint64_t machineGeneration();

// Kernel object handles: one table for every handle CloseHandle accepts.
struct KernelObject {
    virtual ~KernelObject() = default;
    virtual const char* kindName() const = 0;
};
HANDLE addHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> lookupHandle(HANDLE h);
template <class T>
std::shared_ptr<T> lookup(HANDLE h) {
    return std::dynamic_pointer_cast<T>(lookupHandle(h));
}
bool removeHandle(HANDLE h);
size_t openHandleCount();

// The process current directory (a Windows drive path ending in "\\" at the root).
std::u16string currentDirectory();
void setCurrentDirectory(std::u16string dir);

}  // namespace winsim::detail
#pragma GCC visibility pop

#pragma GCC visibility push(default)
namespace winsim::detail {

// Identity of the calling thread: the interactive user, or SYSTEM while the
// thread has reverted to the spooler's own identity.
bool& threadActsAsSystem();
// True when the caller may do what needs administrator rights.
bool callerIsAdmin();

// Text in a code page (CP_ACP 0 and CP_OEMCP 1 name the machine's). Bytes or
// characters that do not convert become the code page's default character
// ('?') or U+FFFD... per Windows: ANSI->wide never fails for 1252.
UINT effectiveCodePage(UINT cp);
std::u16string ansiToWide(std::string_view bytes, UINT cp = 0, bool* lossless = nullptr);
std::string wideToAnsi(std::u16string_view text, UINT cp = 0, bool* lossless = nullptr);
// Whether `b` is a lead byte of a double-byte character in the code page.
bool isLeadByte(UINT cp, unsigned char b);
// UTF-8 and UTF-16 conversion: malformed input becomes U+FFFD, one per broken
// piece, and sets *invalid when given.
std::u16string decodeUtf8(std::string_view in, bool* invalid = nullptr);
std::string encodeUtf8(std::u16string_view in, bool* invalid = nullptr);

// Windows attributes of a file or folder on the machine. The directory bit
// comes from the host; the others are kept in an extended attribute, since
// host permission bits do not bind a process that runs as root.
// INVALID_FILE_ATTRIBUTES when the path does not exist.
DWORD hostAttributes(const std::filesystem::path& host);
bool setHostAttributes(const std::filesystem::path& host, DWORD attributes);
bool isReadOnly(const std::filesystem::path& host);

}  // namespace winsim::detail
#pragma GCC visibility pop
