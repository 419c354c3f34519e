// Attributes, copy, move and delete of files by name.
#include "files_internal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace fs = std::filesystem;
using namespace winsim::detail;
using namespace winsim::detail::files;

namespace {

bool failWith(DWORD e) {
    setError(e);
    return false;
}

// Checks that the existing file `t` may lose its name (delete, or be replaced
// by a move): not read-only, every open of it shares delete, no mapping.
// Holds the claim in `fd` while the caller acts; the caller closes it.
bool claimForRemoval(const Target& t, int& fd) {
    fd = -1;
    if (isReadOnly(t.path.host)) return failWith(ERROR_ACCESS_DENIED);
    fd = ::open(t.path.host.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return failWith(errorFromErrno(errno));
    if (!claimShare(fd, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) return false;
    if (mappedElsewhere(fd)) return failWith(ERROR_ACCESS_DENIED);
    return true;
}

struct FdCloser {
    int& fd;
    ~FdCloser() {
        if (fd >= 0) ::close(fd);
    }
};

void syncFolder(const fs::path& folder) {
    int d = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (d < 0) return;
    ::fsync(d);
    ::close(d);
}

// Copies the bytes of src into dst (both open), then gives dst the source's
// attributes and last-write time. On failure the last error is set.
bool copyContents(FileObject& src, FileObject& dst, DWORD srcAttributes) {
    std::vector<char> buf(1 << 16);
    for (;;) {
        ssize_t n = ::read(src.fd, buf.data(), buf.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return failWith(ERROR_READ_FAULT);
        }
        if (n == 0) break;
        if (!writeAll(dst, buf.data(), static_cast<size_t>(n), nullptr)) return false;
    }
    struct stat st{};
    if (fstat(src.fd, &st) != 0) return failWith(errorFromErrno(errno));
    timespec now{};
    timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
    if (toTimespec(nowFileTime(), now)) times[0] = now;
    if (futimens(dst.fd, times) != 0) return failWith(errorFromErrno(errno));
    dst.stampWrites = false;
    if (!setHostAttributes(dst.host, srcAttributes & ~FILE_ATTRIBUTE_DIRECTORY)) return failWith(ERROR_ACCESS_DENIED);
    return true;
}

}  // namespace

extern "C" {

// Attributes of a file or folder; INVALID_FILE_ATTRIBUTES with
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND when it does not exist. A file
// named with a trailing separator gives ERROR_INVALID_NAME.
WINBASEAPI DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName) {
    return guarded<DWORD>(INVALID_FILE_ATTRIBUTES, [&]() -> DWORD {
        if (enterWith("GetFileAttributesW", [&] { return journalText(lpFileName); })) return INVALID_FILE_ATTRIBUTES;
        auto t = locate(lpFileName);
        if (!t) return INVALID_FILE_ATTRIBUTES;
        if (!t->exists) {
            setMissingError(*t);
            return INVALID_FILE_ATTRIBUTES;
        }
        if (t->trailingSep && !t->isDir) {
            setError(ERROR_INVALID_NAME);
            return INVALID_FILE_ATTRIBUTES;
        }
        DWORD a = hostAttributes(t->path.host);
        if (a == INVALID_FILE_ATTRIBUTES) setError(ERROR_FILE_NOT_FOUND);
        return a;
    });
}

// Sets the read-only, hidden, system, archive and temporary attributes;
// FILE_ATTRIBUTE_NORMAL (or none of these) clears them. The directory bit
// and other bits are ignored, as on Windows.
WINBASEAPI BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("SetFileAttributesW", [&] { return journalText(lpFileName); })) return FALSE;
        auto t = locate(lpFileName);
        if (!t) return FALSE;
        if (!t->exists) {
            setMissingError(*t);
            return FALSE;
        }
        if (t->trailingSep && !t->isDir) return failWith(ERROR_INVALID_NAME);
        if (!setHostAttributes(t->path.host, dwFileAttributes)) return failWith(ERROR_ACCESS_DENIED);
        return TRUE;
    });
}

// Attributes, times and size of a file or folder (level GetFileExInfoStandard).
WINBASEAPI BOOL WINAPI GetFileAttributesExW(LPCWSTR lpFileName, GET_FILEEX_INFO_LEVELS fInfoLevelId,
                                            LPVOID lpFileInformation) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("GetFileAttributesExW", [&] { return journalText(lpFileName); })) return FALSE;
        if (fInfoLevelId != GetFileExInfoStandard || !lpFileInformation) return failWith(ERROR_INVALID_PARAMETER);
        auto t = locate(lpFileName);
        if (!t) return FALSE;
        struct stat st{};
        if (!t->exists || ::stat(t->path.host.c_str(), &st) != 0) {
            setMissingError(*t);
            return FALSE;
        }
        if (t->trailingSep && !t->isDir) return failWith(ERROR_INVALID_NAME);
        WIN32_FILE_ATTRIBUTE_DATA d{};
        d.dwFileAttributes = hostAttributes(t->path.host);
        FileTimes ft = timesOf(t->path.host, st);
        d.ftCreationTime = toFiletimeStruct(ft.created);
        d.ftLastAccessTime = toFiletimeStruct(ft.accessed);
        d.ftLastWriteTime = toFiletimeStruct(ft.written);
        uint64_t size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
        d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
        d.nFileSizeLow = static_cast<DWORD>(size);
        std::memcpy(lpFileInformation, &d, sizeof d);
        return TRUE;
    });
}

// Deletes a file. A folder or a read-only file: ERROR_ACCESS_DENIED; a file
// open without FILE_SHARE_DELETE: ERROR_SHARING_VIOLATION; a file with a
// mapping: ERROR_ACCESS_DENIED. The name goes at once (the host has no
// delete-pending state); handles still open keep reading their data.
WINBASEAPI BOOL WINAPI DeleteFileW(LPCWSTR lpFileName) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("DeleteFileW", [&] { return journalText(lpFileName); })) return FALSE;
        auto t = locate(lpFileName);
        if (!t) return FALSE;
        if (!t->exists) {
            setMissingError(*t);
            return FALSE;
        }
        if (t->isDir) return failWith(ERROR_ACCESS_DENIED);
        if (t->trailingSep) return failWith(ERROR_INVALID_NAME);
        int fd = -1;
        FdCloser closer{fd};
        if (!claimForRemoval(*t, fd)) return FALSE;
        if (::unlink(t->path.host.c_str()) != 0) return failWith(errorFromErrno(errno));
        return TRUE;
    });
}

// Copies a file's bytes, its attributes (read-only included) and its
// last-write time; the copy's creation and last-access times are "now" (an
// overwritten target keeps its creation time). An existing target with
// bFailIfExists: ERROR_FILE_EXISTS; a read-only target: ERROR_ACCESS_DENIED.
// A copy that fails half-way removes the partial target.
WINBASEAPI BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enterWith("CopyFileW", [&] { return journalText(lpExistingFileName) + " -> " + journalText(lpNewFileName); })) return FALSE;
        auto s = locate(lpExistingFileName);
        if (!s) return FALSE;
        if (!s->exists) {
            setMissingError(*s);
            return FALSE;
        }
        if (s->isDir) return failWith(ERROR_ACCESS_DENIED);
        auto d = locate(lpNewFileName);
        if (!d) return FALSE;
        if (d->exists && d->isDir) return failWith(ERROR_ACCESS_DENIED);
        if (d->exists && bFailIfExists) return failWith(ERROR_FILE_EXISTS);
        DWORD attrs = hostAttributes(s->path.host);
        if (attrs == INVALID_FILE_ATTRIBUTES) return failWith(ERROR_FILE_NOT_FOUND);
        auto src = openFile(lpExistingFileName, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING, 0,
                            nullptr);
        if (!src) return FALSE;
        // The target is opened with the source's hidden and system bits so an
        // existing hidden target may be replaced by a hidden source only.
        bool existed = false;
        auto dst = openFile(lpNewFileName, GENERIC_WRITE, 0, bFailIfExists ? CREATE_NEW : CREATE_ALWAYS,
                            attrs & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), &existed);
        if (!dst) return FALSE;
        if (!copyContents(*src, *dst, attrs)) {
            DWORD e = GetLastError();
            setHostAttributes(dst->host, 0);
            dst->deleteOnClose = true;
            dst.reset();
            setError(e);
            return FALSE;
        }
        return TRUE;
    });
}

// Renames or moves a file or folder. An existing target needs
// MOVEFILE_REPLACE_EXISTING (else ERROR_ALREADY_EXISTS) and must be a file
// that may be deleted. The drives are separate volumes: a file moves to
// another drive only with MOVEFILE_COPY_ALLOWED, a folder never
// (ERROR_NOT_SAME_DEVICE). A move to the same name in another letter case
// renames. MOVEFILE_WRITE_THROUGH syncs the folders; MOVEFILE_DELAY_UNTIL_REBOOT
// is not supported (ERROR_NOT_SUPPORTED): the stand-in machine never reboots.
static BOOL moveFile(const char* function, LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter(function, journalText(lpExistingFileName) + " -> " + journalText(lpNewFileName))) return FALSE;
        constexpr DWORD kKnown = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_DELAY_UNTIL_REBOOT |
                                 MOVEFILE_WRITE_THROUGH | 0x10u /* create hardlink */ | 0x20u /* fail if not trackable */;
        if (dwFlags & ~kKnown) return failWith(ERROR_INVALID_PARAMETER);
        if (dwFlags & MOVEFILE_DELAY_UNTIL_REBOOT) return failWith(ERROR_NOT_SUPPORTED);
        if (!lpNewFileName) return failWith(ERROR_INVALID_PARAMETER);
        auto s = locate(lpExistingFileName);
        if (!s) return FALSE;
        if (!s->exists) {
            setMissingError(*s);
            return FALSE;
        }
        if (s->isRoot) return failWith(ERROR_ACCESS_DENIED);
        auto d = locate(lpNewFileName);
        if (!d) return FALSE;
        if (d->isRoot) return failWith(ERROR_ACCESS_DENIED);
        bool sameDrive = s->path.normalized[0] == d->path.normalized[0];
        if (!sameDrive && (s->isDir || !(dwFlags & MOVEFILE_COPY_ALLOWED))) return failWith(ERROR_NOT_SAME_DEVICE);

        fs::path from = s->path.host;
        fs::path to = d->path.host;
        int srcFd = -1, dstFd = -1;
        FdCloser c1{srcFd}, c2{dstFd};
        if (d->exists && from == to) {
            // The same entry: a change of letter case, or nothing at all.
            std::u16string want = d->path.normalized.substr(d->path.normalized.rfind(u'\\') + 1);
            to = from.parent_path() / toUtf8(want);
            if (to == from) return TRUE;
        } else if (d->exists) {
            if (!(dwFlags & MOVEFILE_REPLACE_EXISTING)) return failWith(ERROR_ALREADY_EXISTS);
            if (d->isDir || s->isDir) return failWith(ERROR_ACCESS_DENIED);
            if (!claimForRemoval(*d, dstFd)) return FALSE;
        } else if (!d->path.parentExists) {
            return failWith(ERROR_PATH_NOT_FOUND);
        }
        if (!s->isDir) {
            srcFd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
            if (srcFd < 0) return failWith(errorFromErrno(errno));
            if (!claimShare(srcFd, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE)) return FALSE;
        } else {
            // A folder cannot move into itself.
            std::u16string sp = s->path.normalized + u"\\";
            if (d->path.normalized.size() > sp.size() && wequalNoCase(d->path.normalized.substr(0, sp.size()), sp))
                return failWith(ERROR_SHARING_VIOLATION);
        }
        if (::rename(from.c_str(), to.c_str()) != 0) {
            if (errno != EXDEV || s->isDir) return failWith(errorFromErrno(errno));
            // The drives sit on different host file systems: copy, then delete.
            if (!CopyFileW(lpExistingFileName, lpNewFileName, FALSE)) return FALSE;
            if (::unlink(from.c_str()) != 0) return failWith(errorFromErrno(errno));
        }
        if (dwFlags & MOVEFILE_WRITE_THROUGH) {
            syncFolder(to.parent_path());
            if (from.parent_path() != to.parent_path()) syncFolder(from.parent_path());
        }
        return TRUE;
    });
}

WINBASEAPI BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags) {
    return moveFile("MoveFileExW", lpExistingFileName, lpNewFileName, dwFlags);
}

// MoveFileExW with MOVEFILE_COPY_ALLOWED: an existing target is not replaced.
WINBASEAPI BOOL WINAPI MoveFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName) {
    return moveFile("MoveFileW", lpExistingFileName, lpNewFileName, MOVEFILE_COPY_ALLOWED);
}

}  // extern "C"
