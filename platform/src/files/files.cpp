// CreateFileW and the handle services: read, write, file pointer, size,
// end of file, flush and file times.
//
// A file handle is a kernel handle that owns one host file descriptor (its
// own open description, so its own file position and share-mode claim).
// CloseHandle closes the descriptor.
#include "files_internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace fs = std::filesystem;
using namespace winsim::detail;
using namespace winsim::detail::files;

namespace winsim::detail::files {
namespace {
constexpr DWORD kAttributeMask = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                 FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;

std::shared_ptr<FileObject> fail(DWORD error) {
    setError(error);
    return nullptr;
}

// The object owns fd from here; delete-on-close is armed only once the open
// succeeded. The names move into the object: callers use its copies after.
std::shared_ptr<FileObject> makeObject(int fd, DWORD rights, std::string&& host, std::u16string&& path,
                                       bool directory) {
    auto obj = std::make_shared<FileObject>();
    obj->fd = fd;
    obj->rights = rights;
    obj->directory = directory;
    obj->host = std::move(host);
    obj->path = std::move(path);
    return obj;
}
std::shared_ptr<FileObject> makeObject(int fd, DWORD rights, ResolvedPath&& path, bool directory) {
    return makeObject(fd, rights, std::string(path.host.native()), std::move(path.normalized), directory);
}
}  // namespace

std::shared_ptr<FileObject> openFile(const WCHAR* name, DWORD access, DWORD share, DWORD disposition,
                                     DWORD flagsAndAttributes, bool* existed) {
    if (existed) *existed = false;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return fail(ERROR_INVALID_PARAMETER);
    if (share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) return fail(ERROR_INVALID_PARAMETER);
    DWORD flags = flagsAndAttributes & 0xFFFF0000u;
    // Handles are synchronous only: without OVERLAPPED records an overlapped
    // handle could not be used, so it is refused rather than half-served.
    if (flags & FILE_FLAG_OVERLAPPED) return fail(ERROR_NOT_SUPPORTED);
    // The other flags are accepted: WRITE_THROUGH opens the host file for
    // synchronous data writes, DELETE_ON_CLOSE and BACKUP_SEMANTICS act as
    // described below, and the caching hints change nothing.
    DWORD attrs = flagsAndAttributes & kAttributeMask;
    DWORD rights = fileRights(access);
    bool wantsWrite = rights & kWriteRights;
    bool truncating = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (disposition == TRUNCATE_EXISTING && !(rights & FILE_WRITE_DATA)) return fail(ERROR_INVALID_PARAMETER);
    if (flags & FILE_FLAG_DELETE_ON_CLOSE) rights |= DELETE;
    const int extra = O_CLOEXEC | O_NOCTTY | ((flags & FILE_FLAG_WRITE_THROUGH) ? O_DSYNC : 0);

    // A read of an existing file by a path already in resolved form: the
    // open is the lookup (a link at the last step is left to the full
    // resolution) and the open file tells a folder from a file, so the path
    // is walked once. Anything else takes the full way below.
    if (name && !wantsWrite && !truncating && !(flags & FILE_FLAG_DELETE_ON_CLOSE) &&
        (disposition == OPEN_EXISTING || disposition == OPEN_ALWAYS)) {
        std::string host;
        std::u16string normalized;
        if (speltHost(std::u16string_view(name, wlenBounded(name, MAX_PATH)), host, normalized)) {
            int fd = openHost(host.c_str(), O_RDONLY | O_NOFOLLOW | extra);
            struct stat st{};
            if (fd >= 0 && fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) {
                auto obj = makeObject(fd, rights, std::move(host), std::move(normalized), false);
                bool enforced = false;
                if (!claimShare(fd, rights, share, &enforced)) return nullptr;
                if (enforced && !(share & FILE_SHARE_WRITE) && S_ISREG(st.st_mode))
                    obj->lengthAtOpen = static_cast<int64_t>(st.st_size);
                if (existed) *existed = true;
                return obj;
            }
            if (fd >= 0) ::close(fd);
        }
    }

    for (int attempt = 0; attempt < 3; ++attempt) {
        auto t = locate(name);
        if (!t) return nullptr;
        if (t->exists && disposition == CREATE_NEW) return fail(ERROR_FILE_EXISTS);
        if (t->exists && t->isDir) {
            // A folder opens only for its metadata, with backup semantics.
            if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || truncating) return fail(ERROR_ACCESS_DENIED);
            int fd = ::open(t->path.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd < 0) return fail(errorFromErrno(errno));
            if (existed) *existed = true;
            return makeObject(fd, rights, std::move(t->path), true);
        }
        if (t->exists) {
            if (t->trailingSep) return fail(ERROR_INVALID_NAME);
            // The attributes matter only to an open that may change or
            // delete the file; a plain read does without them.
            const bool changes = wantsWrite || truncating || (flags & FILE_FLAG_DELETE_ON_CLOSE);
            DWORD current = changes ? hostAttributes(t->path.host) : FILE_ATTRIBUTE_NORMAL;
            if (current == INVALID_FILE_ATTRIBUTES) continue;  // vanished meanwhile
            if ((current & FILE_ATTRIBUTE_READONLY) &&
                (wantsWrite || truncating || (flags & FILE_FLAG_DELETE_ON_CLOSE)))
                return fail(ERROR_ACCESS_DENIED);
            // Overwriting a hidden or system file must restate those attributes.
            if (disposition == CREATE_ALWAYS &&
                (current & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) & ~attrs))
                return fail(ERROR_ACCESS_DENIED);
            int fd = openHost(t->path.host.c_str(), ((wantsWrite || truncating) ? O_RDWR : O_RDONLY) | extra);
            if (fd < 0) {
                if (errno == ENOENT) continue;
                return fail(errorFromErrno(errno));
            }
            auto obj = makeObject(fd, rights, std::move(t->path), false);
            if (!claimShare(fd, rights | (truncating ? FILE_WRITE_DATA : 0), share)) return nullptr;
            if (truncating) {
                if (mappedElsewhere(fd)) return fail(ERROR_USER_MAPPED_FILE);
                if (::ftruncate(fd, 0) != 0) return fail(errorFromErrno(errno));
                stampWritten(fd);
                setHostAttributes(obj->host, disposition == CREATE_ALWAYS
                                                    ? (attrs | FILE_ATTRIBUTE_ARCHIVE)
                                                    : (current | FILE_ATTRIBUTE_ARCHIVE));
            }
            if (existed) *existed = true;
            obj->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
            return obj;
        }
        if (!t->path.parentExists) return fail(ERROR_PATH_NOT_FOUND);
        if (t->trailingSep) return fail(ERROR_INVALID_NAME);
        if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) return fail(ERROR_FILE_NOT_FOUND);
        int fd = openHost(t->path.host.c_str(), (wantsWrite ? O_RDWR : O_RDONLY) | O_CREAT | O_EXCL | extra, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;  // made meanwhile: decide again as an existing file
            return fail(errorFromErrno(errno));
        }
        auto obj = makeObject(fd, rights, std::move(t->path), false);
        stampCreated(fd);
        // A new file carries the attributes asked for, and the archive mark.
        setHostAttributes(obj->host, attrs | FILE_ATTRIBUTE_ARCHIVE);
        if (!claimShare(fd, rights, share)) return nullptr;  // another open raced in
        obj->deleteOnClose = (flags & FILE_FLAG_DELETE_ON_CLOSE) != 0;
        return obj;
    }
    return fail(ERROR_SHARING_VIOLATION);
}

bool writeAll(FileObject& f, const void* data, size_t size, size_t* done) {
    const char* p = static_cast<const char*>(data);
    size_t total = 0;
    // A handle with append rights only writes at the end of the file.
    if (!(f.rights & FILE_WRITE_DATA) && (f.rights & FILE_APPEND_DATA)) ::lseek(f.fd, 0, SEEK_END);
    while (total < size) {
        ssize_t n = ::write(f.fd, p + total, size - total);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done) *done = total;
            setError(errorFromErrno(errno));
            return false;
        }
        total += static_cast<size_t>(n);
    }
    if (done) *done = total;
    return true;
}

WriteStamp beforeWrite(FileObject& f) {
    WriteStamp s;
    struct stat st{};
    if (!f.stampWrites && fstat(f.fd, &st) == 0) {
        s.keep = true;
        s.times[0] = st.st_atim;
        s.times[1] = st.st_mtim;
    }
    return s;
}

void noteWritten(FileObject& f, const WriteStamp& before) {
    if (before.keep) futimens(f.fd, before.times);
    else if (f.stampWrites) stampWritten(f.fd);
    if (!f.archiveSet.exchange(true)) {
        DWORD a = hostAttributes(f.host);
        if (a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_ARCHIVE))
            setHostAttributes(f.host, (a & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_ARCHIVE);
    }
}

}  // namespace winsim::detail::files

namespace {

std::shared_ptr<FileObject> fileOf(HANDLE h) {
    auto f = lookup<FileObject>(h);
    if (!f) setError(ERROR_INVALID_HANDLE);
    return f;
}

// A file (not folder) handle; folders answer ERROR_INVALID_FUNCTION to data calls.
std::shared_ptr<FileObject> dataFileOf(HANDLE h) {
    auto f = fileOf(h);
    if (f && f->directory) {
        setError(ERROR_INVALID_FUNCTION);
        return nullptr;
    }
    return f;
}

// The file of a ReadFile or WriteFile call, after the checks both share:
// no overlapped record, a data handle opened with `rights`, a buffer for a
// non-zero count. Null with the last error set otherwise.
std::shared_ptr<FileObject> ioFileOf(HANDLE h, DWORD rights, const void* buffer, DWORD count,
                                     LPOVERLAPPED overlapped) {
    if (overlapped) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto f = dataFileOf(h);
    if (!f) return nullptr;
    if (!(f->rights & rights)) {
        setError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    if (!buffer && count) {
        setError(ERROR_NOACCESS);
        return nullptr;
    }
    return f;
}

bool currentSize(int fd, int64_t& size) {
    struct stat st{};
    if (fstat(fd, &st) != 0) {
        setError(errorFromErrno(errno));
        return false;
    }
    size = S_ISREG(st.st_mode) ? static_cast<int64_t>(st.st_size) : 0;
    return true;
}

// The size a query answers: the length kept at the open when the handle
// keeps one (see FileObject), else the file's current length.
bool queriedSize(const FileObject& f, int64_t& size) {
    if (f.lengthAtOpen >= 0) {
        size = f.lengthAtOpen;
        return true;
    }
    return currentSize(f.fd, size);
}

// Moves the file pointer; false with the error set (position unchanged).
bool movePointer(FileObject& f, int64_t distance, DWORD method, int64_t& newPos) {
    int64_t base = 0;
    switch (method) {
        case FILE_BEGIN: break;
        case FILE_CURRENT: {
            off_t cur = ::lseek(f.fd, 0, SEEK_CUR);
            if (cur < 0) {
                setError(errorFromErrno(errno));
                return false;
            }
            base = cur;
            break;
        }
        case FILE_END:
            if (!currentSize(f.fd, base)) return false;
            break;
        default: setError(ERROR_INVALID_PARAMETER); return false;
    }
    int64_t pos = 0;
    if (__builtin_add_overflow(base, distance, &pos)) {
        setError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (pos < 0) {
        setError(ERROR_NEGATIVE_SEEK);
        return false;
    }
    if (::lseek(f.fd, static_cast<off_t>(pos), SEEK_SET) < 0) {
        setError(errno == EINVAL ? ERROR_INVALID_PARAMETER : errorFromErrno(errno));
        return false;
    }
    newPos = pos;
    return true;
}

}  // namespace

extern "C" {

// Opens or creates a file (see openFile). Success clears the last error, or
// sets ERROR_ALREADY_EXISTS when CREATE_ALWAYS or OPEN_ALWAYS found the file.
WINBASEAPI HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                                     LPSECURITY_ATTRIBUTES, DWORD dwCreationDisposition,
                                     DWORD dwFlagsAndAttributes, HANDLE) {
    return guarded(INVALID_HANDLE_VALUE, [&]() -> HANDLE {
        if (enterWith("CreateFileW", [&] { return journalText(lpFileName); })) return INVALID_HANDLE_VALUE;
        bool existed = false;
        auto obj = openFile(lpFileName, dwDesiredAccess, dwShareMode, dwCreationDisposition, dwFlagsAndAttributes,
                            &existed);
        if (!obj) return INVALID_HANDLE_VALUE;
        HANDLE h = addHandle(obj);
        setError(existed && (dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : ERROR_SUCCESS);
        return h;
    });
}

// Reads up to the count from the file position; at the end of the file it
// succeeds with 0 bytes. The count is set (0 first) when a pointer is given.
// Overlapped records are not supported (ERROR_INVALID_PARAMETER).
WINBASEAPI BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                                LPOVERLAPPED lpOverlapped) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (lpNumberOfBytesRead) *lpNumberOfBytesRead = 0;
        if (enter("ReadFile")) return FALSE;
        auto f = ioFileOf(hFile, FILE_READ_DATA, lpBuffer, nNumberOfBytesToRead, lpOverlapped);
        if (!f) return FALSE;
        char* p = static_cast<char*>(lpBuffer);
        size_t total = 0;
        while (total < nNumberOfBytesToRead) {
            ssize_t n = ::read(f->fd, p + total, nNumberOfBytesToRead - total);
            if (n < 0) {
                if (errno == EINTR) continue;
                if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(total);
                setError(errno == EISDIR ? ERROR_INVALID_FUNCTION : ERROR_READ_FAULT);
                return FALSE;
            }
            if (n == 0) break;
            total += static_cast<size_t>(n);
        }
        if (lpNumberOfBytesRead) *lpNumberOfBytesRead = static_cast<DWORD>(total);
        return TRUE;
    });
}

// Writes at the file position (the end for append-only handles). A write
// stamps the last-write time with the platform clock and sets the archive
// attribute; a zero-byte write changes nothing.
WINBASEAPI BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                                 LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = 0;
        if (enter("WriteFile")) return FALSE;
        auto f = ioFileOf(hFile, kWriteRights, lpBuffer, nNumberOfBytesToWrite, lpOverlapped);
        if (!f) return FALSE;
        if (nNumberOfBytesToWrite == 0) return TRUE;
        size_t done = 0;
        WriteStamp stamp = beforeWrite(*f);
        bool ok = writeAll(*f, lpBuffer, nNumberOfBytesToWrite, &done);
        if (lpNumberOfBytesWritten) *lpNumberOfBytesWritten = static_cast<DWORD>(done);
        if (done) noteWritten(*f, stamp);
        return ok ? TRUE : FALSE;
    });
}

// Moves the file pointer. Without a high part the distance is a signed 32-bit
// value and the result must fit in 32 bits. Returns the low part of the new
// position; on failure INVALID_SET_FILE_POINTER with the error (a position
// before the start: ERROR_NEGATIVE_SEEK). A successful result that equals
// INVALID_SET_FILE_POINTER clears the last error so callers can tell.
WINBASEAPI DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                                       DWORD dwMoveMethod) {
    return guarded<DWORD>(INVALID_SET_FILE_POINTER, [&]() -> DWORD {
        if (enter("SetFilePointer")) return INVALID_SET_FILE_POINTER;
        auto f = dataFileOf(hFile);
        if (!f) return INVALID_SET_FILE_POINTER;
        int64_t distance = lpDistanceToMoveHigh
                               ? static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(*lpDistanceToMoveHigh)) << 32) |
                                                      static_cast<uint32_t>(lDistanceToMove))
                               : static_cast<int64_t>(lDistanceToMove);
        if (!lpDistanceToMoveHigh) {
            // Check the 32-bit limit before moving.
            int64_t base = 0;
            if (dwMoveMethod == FILE_CURRENT) base = ::lseek(f->fd, 0, SEEK_CUR);
            else if (dwMoveMethod == FILE_END && !currentSize(f->fd, base)) return INVALID_SET_FILE_POINTER;
            int64_t target = base + distance;
            if (target > static_cast<int64_t>(0xFFFFFFFFll)) {
                setError(ERROR_INVALID_PARAMETER);
                return INVALID_SET_FILE_POINTER;
            }
        }
        int64_t pos = 0;
        if (!movePointer(*f, distance, dwMoveMethod, pos)) return INVALID_SET_FILE_POINTER;
        if (lpDistanceToMoveHigh) *lpDistanceToMoveHigh = static_cast<LONG>(static_cast<uint64_t>(pos) >> 32);
        DWORD low = static_cast<DWORD>(pos);
        if (low == INVALID_SET_FILE_POINTER) setError(ERROR_SUCCESS);
        return low;
    });
}

// 64-bit form of SetFilePointer; the new position is stored when asked.
WINBASEAPI BOOL WINAPI SetFilePointerEx(HANDLE hFile, LARGE_INTEGER liDistanceToMove, LARGE_INTEGER* lpNewFilePointer,
                                        DWORD dwMoveMethod) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("SetFilePointerEx")) return FALSE;
        auto f = dataFileOf(hFile);
        if (!f) return FALSE;
        int64_t pos = 0;
        if (!movePointer(*f, liDistanceToMove.QuadPart, dwMoveMethod, pos)) return FALSE;
        if (lpNewFilePointer) lpNewFilePointer->QuadPart = pos;
        return TRUE;
    });
}

// Makes the file end at the file pointer (longer: zero-filled). Needs write
// access; a file with a mapping cannot be cut below its length
// (ERROR_USER_MAPPED_FILE), which also keeps mapped views from faulting.
WINBASEAPI BOOL WINAPI SetEndOfFile(HANDLE hFile) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("SetEndOfFile")) return FALSE;
        auto f = dataFileOf(hFile);
        if (!f) return FALSE;
        if (!(f->rights & FILE_WRITE_DATA)) {
            setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        off_t pos = ::lseek(f->fd, 0, SEEK_CUR);
        int64_t size = 0;
        if (pos < 0 || !currentSize(f->fd, size)) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (pos < size && mappedElsewhere(f->fd)) {
            setError(ERROR_USER_MAPPED_FILE);
            return FALSE;
        }
        WriteStamp stamp = beforeWrite(*f);
        if (::ftruncate(f->fd, pos) != 0) {
            setError(errorFromErrno(errno));
            return FALSE;
        }
        noteWritten(*f, stamp);
        return TRUE;
    });
}

// Returns the low part of the size and stores the high part when asked. A
// size whose low part is INVALID_FILE_SIZE clears the last error. A handle
// that keeps its length from the open answers without asking the host.
WINBASEAPI DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh) {
    return guarded<DWORD>(INVALID_FILE_SIZE, [&]() -> DWORD {
        if (enter("GetFileSize")) return INVALID_FILE_SIZE;
        auto f = fileOf(hFile);
        if (!f) return INVALID_FILE_SIZE;
        int64_t size = 0;
        if (!queriedSize(*f, size)) return INVALID_FILE_SIZE;
        if (lpFileSizeHigh) *lpFileSizeHigh = static_cast<DWORD>(static_cast<uint64_t>(size) >> 32);
        DWORD low = static_cast<DWORD>(size);
        if (low == INVALID_FILE_SIZE) setError(ERROR_SUCCESS);
        return low;
    });
}

WINBASEAPI BOOL WINAPI GetFileSizeEx(HANDLE hFile, LARGE_INTEGER* lpFileSize) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("GetFileSizeEx")) return FALSE;
        auto f = fileOf(hFile);
        if (!f) return FALSE;
        if (!lpFileSize) {
            setError(ERROR_NOACCESS);
            return FALSE;
        }
        int64_t size = 0;
        if (!queriedSize(*f, size)) return FALSE;
        lpFileSize->QuadPart = size;
        return TRUE;
    });
}

// Writes the file's data through to the host disk; needs write access.
WINBASEAPI BOOL WINAPI FlushFileBuffers(HANDLE hFile) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("FlushFileBuffers")) return FALSE;
        auto f = fileOf(hFile);
        if (!f) return FALSE;
        if (!(f->rights & kWriteRights)) {
            setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (::fsync(f->fd) != 0 && errno != EINVAL && errno != EROFS) {
            setError(errorFromErrno(errno));
            return FALSE;
        }
        return TRUE;
    });
}

// Creation, last-access and last-write times (any pointer may be null).
// Needs FILE_READ_ATTRIBUTES (part of GENERIC_READ).
WINBASEAPI BOOL WINAPI GetFileTime(HANDLE hFile, LPFILETIME lpCreationTime, LPFILETIME lpLastAccessTime,
                                   LPFILETIME lpLastWriteTime) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("GetFileTime")) return FALSE;
        auto f = fileOf(hFile);
        if (!f) return FALSE;
        if (!(f->rights & FILE_READ_ATTRIBUTES)) {
            setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        struct stat st{};
        if (fstat(f->fd, &st) != 0) {
            setError(errorFromErrno(errno));
            return FALSE;
        }
        // The creation time lives in an extended attribute: read only when asked for.
        FileTimes t = lpCreationTime ? timesOf(f->fd, st) : accessAndWriteTimes(st);
        if (lpCreationTime) *lpCreationTime = toFiletimeStruct(t.created);
        if (lpLastAccessTime) *lpLastAccessTime = toFiletimeStruct(t.accessed);
        if (lpLastWriteTime) *lpLastWriteTime = toFiletimeStruct(t.written);
        return TRUE;
    });
}

// The record of an open file. The host's device and inode numbers stand for
// the volume serial number and the file index; st_nlink is the number of
// names the file has.
WINBASEAPI BOOL WINAPI GetFileInformationByHandle(HANDLE hFile, LPBY_HANDLE_FILE_INFORMATION lpFileInformation) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("GetFileInformationByHandle")) return FALSE;
        auto f = fileOf(hFile);
        if (!f) return FALSE;
        if (!lpFileInformation) {
            setError(ERROR_NOACCESS);
            return FALSE;
        }
        struct stat st{};
        if (fstat(f->fd, &st) != 0) {
            setError(errorFromErrno(errno));
            return FALSE;
        }
        FileTimes t = timesOf(f->fd, st);
        BY_HANDLE_FILE_INFORMATION& i = *lpFileInformation;
        i.dwFileAttributes = hostAttributes(f->host);
        i.ftCreationTime = toFiletimeStruct(t.created);
        i.ftLastAccessTime = toFiletimeStruct(t.accessed);
        i.ftLastWriteTime = toFiletimeStruct(t.written);
        i.dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
        uint64_t size = f->directory ? 0 : static_cast<uint64_t>(st.st_size);
        i.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        i.nFileSizeLow = static_cast<DWORD>(size);
        i.nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
        uint64_t index = static_cast<uint64_t>(st.st_ino);
        i.nFileIndexHigh = static_cast<DWORD>(index >> 32);
        i.nFileIndexLow = static_cast<DWORD>(index);
        return TRUE;
    });
}

// Sets the times given (null or zero: unchanged). Needs FILE_WRITE_ATTRIBUTES.
// Once the caller sets the last-write time, writes through this handle no
// longer stamp it; 0xFFFFFFFF:FFFFFFFF stops the stamping as well and
// 0xFFFFFFFF:FFFFFFFE resumes it. Times the host cannot hold fail with
// ERROR_INVALID_PARAMETER and change nothing.
WINBASEAPI BOOL WINAPI SetFileTime(HANDLE hFile, const FILETIME* lpCreationTime, const FILETIME* lpLastAccessTime,
                                   const FILETIME* lpLastWriteTime) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("SetFileTime")) return FALSE;
        auto f = fileOf(hFile);
        if (!f) return FALSE;
        if (!(f->rights & FILE_WRITE_ATTRIBUTES)) {
            setError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        constexpr uint64_t kSuspend = 0xFFFFFFFFFFFFFFFFull, kResume = 0xFFFFFFFFFFFFFFFEull;
        auto value = [](const FILETIME* p) -> uint64_t { return p ? fromFiletime(*p) : 0; };
        uint64_t c = value(lpCreationTime), a = value(lpLastAccessTime), w = value(lpLastWriteTime);
        auto settable = [](uint64_t v) { return v != 0 && v != kSuspend && v != kResume; };
        timespec ts[2] = {{0, UTIME_OMIT}, {0, UTIME_OMIT}};
        if ((settable(a) && !toTimespec(a, ts[0])) || (settable(w) && !toTimespec(w, ts[1])) ||
            (settable(c) && c > static_cast<uint64_t>(INT64_MAX))) {
            setError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if ((settable(a) || settable(w)) && futimens(f->fd, ts) != 0) {
            setError(errorFromErrno(errno));
            return FALSE;
        }
        if (settable(c)) setCreationTime(f->fd, c);
        if (settable(w) || w == kSuspend) f->stampWrites = false;
        if (w == kResume) f->stampWrites = true;
        return TRUE;
    });
}

}  // extern "C"
