// Folders: create, remove, and the process current directory.
#include "files_internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

using namespace winsim::detail;
using namespace winsim::detail::files;

namespace {
bool failWith(DWORD e) {
    setError(e);
    return false;
}
// Longest folder path CreateDirectoryW accepts: room must remain for an 8.3
// file name inside it (MAX_PATH - 12, terminator included).
constexpr size_t kMaxFolderPath = MAX_PATH - 12;
}  // namespace

extern "C" {

// Creates one folder. An existing entry of that name, file or folder:
// ERROR_ALREADY_EXISTS; a missing parent: ERROR_PATH_NOT_FOUND; a drive
// root: ERROR_ACCESS_DENIED. The security attributes are not applied (the
// security service sets a folder's owner and DACL itself).
WINBASEAPI BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("CreateDirectoryW", [&] { return journalText(lpPathName); })) return FALSE;
        auto t = locate(lpPathName);
        if (!t) return FALSE;
        if (t->isRoot) return failWith(t->exists ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        if (t->exists) return failWith(ERROR_ALREADY_EXISTS);
        if (!t->path.parentExists) return failWith(ERROR_PATH_NOT_FOUND);
        if (t->path.normalized.size() >= kMaxFolderPath) return failWith(ERROR_FILENAME_EXCED_RANGE);
        if (::mkdir(t->path.host.c_str(), 0777) != 0)
            return failWith(errno == EEXIST ? ERROR_ALREADY_EXISTS : errorFromErrno(errno));
        int fd = ::open(t->path.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd >= 0) {
            stampCreated(fd);
            ::close(fd);
        }
        return TRUE;
    });
}

// Removes an empty folder. Missing: ERROR_FILE_NOT_FOUND (or
// ERROR_PATH_NOT_FOUND); a file: ERROR_DIRECTORY; not empty:
// ERROR_DIR_NOT_EMPTY; read-only or a drive root: ERROR_ACCESS_DENIED; the
// process current directory: ERROR_SHARING_VIOLATION (Windows holds it open).
WINBASEAPI BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("RemoveDirectoryW", [&] { return journalText(lpPathName); })) return FALSE;
        auto t = locate(lpPathName);
        if (!t) return FALSE;
        if (!t->exists) {
            setMissingError(*t);
            return FALSE;
        }
        if (!t->isDir) return failWith(ERROR_DIRECTORY);
        if (t->isRoot || isReadOnly(t->path.host)) return failWith(ERROR_ACCESS_DENIED);
        auto cwd = resolve(currentDirectory());
        if (cwd && cwd->host == t->path.host) return failWith(ERROR_SHARING_VIOLATION);
        if (::rmdir(t->path.host.c_str()) != 0)
            return failWith(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : errorFromErrno(errno));
        return TRUE;
    });
}

// Copies the current directory with its terminator and returns its length;
// a buffer too small gets nothing and the result is the size needed,
// terminator included.
WINBASEAPI DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enter("GetCurrentDirectoryW")) return 0;
        std::u16string cwd = currentDirectory();
        if (!copyOut(cwd, lpBuffer, nBufferLength)) return static_cast<DWORD>(cwd.size() + 1);
        return static_cast<DWORD>(cwd.size());
    });
}

// Makes an existing folder the current directory (kept as the caller wrote
// it, normalised; no trailing separator but at a drive root). A missing
// folder: ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND; a file:
// ERROR_DIRECTORY.
WINBASEAPI BOOL WINAPI SetCurrentDirectoryW(LPCWSTR lpPathName) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("SetCurrentDirectoryW", [&] { return journalText(lpPathName); })) return FALSE;
        auto t = locate(lpPathName);
        if (!t) return FALSE;
        if (!t->exists) {
            setMissingError(*t);
            return FALSE;
        }
        if (!t->isDir) return failWith(ERROR_DIRECTORY);
        // Room for the separator and terminator a file name needs after it.
        if (t->path.normalized.size() + 2 > MAX_PATH) return failWith(ERROR_FILENAME_EXCED_RANGE);
        setCurrentDirectory(t->path.normalized);
        return TRUE;
    });
}

}  // extern "C"
