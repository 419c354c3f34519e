// Internals shared by the file, directory, search, mapping and folder services.
#pragma once
#include "core/guard.h"
#include "core/sim.h"

#include <win/environment.h>
#include <win/files.h>

#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <new>
#include <optional>
#include <string>

namespace winsim::detail::files {

using winsim::fromUtf8;
using winsim::nowFileTime;
using winsim::toUtf8;

// UTF-8 form of a caller's wide text for the journal (bounded, null-safe).
std::string journalText(const WCHAR* s);

// Windows error for a host errno.
DWORD errorFromErrno(int e);

// --- Paths ---------------------------------------------------------------
// A caller's path resolved on the machine, with what the host knows of it.
struct Target {
    ResolvedPath path;
    bool exists = false;
    bool isDir = false;
    bool isRoot = false;         // a drive root ("C:\\")
    bool trailingSep = false;    // the caller's text ended in a separator
};
// Resolves a caller's path; on failure sets the last error (a null or empty
// path: ERROR_PATH_NOT_FOUND; bad names and overlong paths per resolve()).
std::optional<Target> locate(const WCHAR* name);
// The resolution of a path already in resolved form ("X:\\" and plain
// components, as resolve() would leave it), made without a lookup: host path
// and normalized name only. Nothing for any other path.
std::optional<ResolvedPath> spelt(std::u16string_view path);
// The same as host text and normalized name, for a caller that needs no
// parsed host path; false for any other path.
bool speltHost(std::u16string_view path, std::string& host, std::u16string& normalized);
// Sets the error for a target that does not exist: ERROR_FILE_NOT_FOUND when
// its folder exists, else ERROR_PATH_NOT_FOUND.
void setMissingError(const Target& t);

// The process current directory joined with a relative path, separators
// folded, "." and ".." resolved, trailing dots and spaces of components
// trimmed; no file-system access. `filePart` receives the index of the last
// component (npos when the result ends in a separator). Empty on bad input.
std::u16string fullPathOf(std::u16string_view in, size_t* filePart = nullptr);

// --- Times ---------------------------------------------------------------
constexpr uint64_t kUnixEpoch = 116444736000000000ull;  // 1970-01-01 in FILETIME units
uint64_t toFileTime(const timespec& ts);
// False when the time cannot be held by the host's time_t.
bool toTimespec(uint64_t fileTime, timespec& out);
inline uint64_t fromFiletime(const FILETIME& f) {
    return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}
inline FILETIME toFiletimeStruct(uint64_t v) {
    FILETIME f;
    f.dwLowDateTime = static_cast<DWORD>(v);
    f.dwHighDateTime = static_cast<DWORD>(v >> 32);
    return f;
}
struct FileTimes {
    uint64_t created = 0, accessed = 0, written = 0;
};
// Times of an open file or of a path. Last write and last access are the
// host's modification and access times. The host keeps no settable creation
// time, so it is kept in an extended attribute when this platform made the
// file; a file placed on the machine by other means reports its last-write
// time as its creation time.
FileTimes timesOf(int fd, const struct stat& st);
FileTimes timesOf(const std::filesystem::path& host, const struct stat& st);
// The same without the creation time (left 0): no attribute is read.
FileTimes accessAndWriteTimes(const struct stat& st);
// Stamps a file this platform just created: all three times are "now" of
// the platform clock (virtual when a test set it).
void stampCreated(int fd);
// Stamps the last-write and last-access times with "now" after a write.
void stampWritten(int fd);
// Sets the creation time (extended attribute).
bool setCreationTime(int fd, uint64_t fileTime);

// --- Sharing -------------------------------------------------------------
// Access rights of a request with the generic rights mapped to file rights.
DWORD fileRights(DWORD desired);
constexpr DWORD kReadRights = FILE_READ_DATA | FILE_EXECUTE;
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA;
// Records the access and share mode of an open file description and checks
// them against every other open description of the same file, in this and
// other processes (advisory open-file-description locks in an unused byte
// range of the file). False (ERROR_SHARING_VIOLATION set) on conflict; the
// caller then closes fd, which drops what was recorded. `enforced` (when
// given) tells whether the claim was recorded and checked, which a host file
// system without these locks does not allow.
bool claimShare(int fd, DWORD rights, DWORD shareMode, bool* enforced = nullptr);
// Marks fd's file as having a mapping while fd stays open.
bool markMapped(int fd);
// True when another open description holds a mapping mark on the file.
bool mappedElsewhere(int fd);

// --- Open files ----------------------------------------------------------
struct FileObject : KernelObject {
    int fd = -1;
    DWORD rights = 0;
    bool directory = false;
    bool deleteOnClose = false;
    std::string host;  // the host path, kept as text: an open never needs it parsed
    std::u16string path;
    std::atomic<bool> stampWrites{true};  // cleared once the caller sets the write time
    std::atomic<bool> archiveSet{false};  // the archive attribute was set by a write
    // The file's length seen at the open, or -1. Kept only for a handle that
    // can neither write nor let another handle write while it is open (no
    // write or append right, write sharing refused and the refusal enforced):
    // no call of this platform can then change the length (writes, SetEndOfFile,
    // truncating opens and growing mappings all need the write access refused;
    // mappings never change it later), so the size queries answer from it.
    // A host program that writes past the share mode is the one change it
    // would not see; handles opened after that write see it.
    int64_t lengthAtOpen = -1;
    ~FileObject() override;
    const char* kindName() const override { return directory ? "directory" : "file"; }
};

// The open of CreateFileW (also used by CopyFileW and GetTempFileNameW).
// On success `existed` tells whether the file was there before.
std::shared_ptr<FileObject> openFile(const WCHAR* name, DWORD access, DWORD share, DWORD disposition,
                                     DWORD flagsAndAttributes, bool* existed);
// Opens a host file without updating its access time when the host allows
// it: reads do not touch the last-access time, as on NTFS volumes with
// last-access updates turned off, and the virtual clock stays in charge.
int openHost(const char* path, int flags, mode_t mode = 0);

// Writes all of `size` bytes at the current position; false with the
// Windows error set (ERROR_DISK_FULL...). `done` receives what was written.
bool writeAll(FileObject& f, const void* data, size_t size, size_t* done);
// The host stamps its own clock on every change; what is needed to put the
// times back when the caller fixed them on this handle. Taken before the change.
struct WriteStamp {
    bool keep = false;
    timespec times[2]{};
};
WriteStamp beforeWrite(FileObject& f);
// Marks a file written: the last-write and last-access times become "now" of
// the platform clock, or are put back when the caller fixed them; the
// archive attribute is set once per handle.
void noteWritten(FileObject& f, const WriteStamp& before);

// --- Environment ---------------------------------------------------------
// A process environment variable (name case-insensitive).
std::optional<std::u16string> environmentValue(std::u16string_view name);

}  // namespace winsim::detail::files
