// File mapping: CreateFileMappingW, MapViewOfFile, UnmapViewOfFile on mmap.
//
// A mapping object keeps its own open description of the file, which marks
// the file as mapped for as long as the object or one of its views lives:
// truncating or deleting a mapped file is refused (ERROR_USER_MAPPED_FILE,
// ERROR_ACCESS_DENIED) in this and other processes, as on Windows, so a
// view never faults on a page the file lost. A mapping of the paging file
// (INVALID_HANDLE_VALUE) is an anonymous memory file. Names are accepted but
// not shared: every call creates a new, private object.
#include "files_internal.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <mutex>

using namespace winsim::detail;
using namespace winsim::detail::files;

namespace {

constexpr uint64_t kAllocationGranularity = 0x10000;

// One open description shared by a mapping object and its views.
struct Backing {
    int fd = -1;
    ~Backing() {
        if (fd >= 0) ::close(fd);
    }
};

struct MappingObject : winsim::detail::KernelObject {
    std::shared_ptr<Backing> backing;
    uint64_t size = 0;
    DWORD protect = 0;
    const char* kindName() const override { return "file mapping"; }
};

struct View {
    size_t length;
    std::shared_ptr<Backing> backing;
};
struct ViewTable {
    std::mutex lock;
    std::map<uintptr_t, View> views;  // by base address
};
ViewTable& views() {
    static ViewTable* t = new ViewTable;
    return *t;
}

HANDLE failWith(DWORD e) {
    setError(e);
    return nullptr;
}

// A new open description of the file behind fd (its own locks).
int reopen(int fd, const std::filesystem::path& host, bool writable) {
    char self[64];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    int flags = (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC;
    int nfd = openHost(self, flags);
    if (nfd < 0) nfd = openHost(host.c_str(), flags);
    return nfd;
}

}  // namespace

extern "C" {

// Creates a mapping of an open file or, with INVALID_HANDLE_VALUE, of fresh
// zeroed memory. Protection PAGE_READONLY, PAGE_WRITECOPY (read access to the
// file needed) or PAGE_READWRITE (read and write access); SEC_COMMIT may be
// added. Size 0 means the file's size; an empty file then fails with
// ERROR_FILE_INVALID. A larger size grows the file for PAGE_READWRITE and
// fails with ERROR_NOT_ENOUGH_MEMORY otherwise.
WINBASEAPI HANDLE WINAPI CreateFileMappingW(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect,
                                            DWORD dwMaximumSizeHigh, DWORD dwMaximumSizeLow, LPCWSTR) {
    return guarded<HANDLE>(nullptr, [&]() -> HANDLE {
        if (enter("CreateFileMappingW")) return nullptr;
        DWORD protect = flProtect & 0xFF;
        if ((flProtect & ~(0xFFu | SEC_COMMIT)) ||
            (protect != PAGE_READONLY && protect != PAGE_READWRITE && protect != PAGE_WRITECOPY))
            return failWith(ERROR_INVALID_PARAMETER);
        uint64_t size = (static_cast<uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
        auto backing = std::make_shared<Backing>();
        if (hFile == INVALID_HANDLE_VALUE) {
            if (size == 0) return failWith(ERROR_INVALID_PARAMETER);
            backing->fd = memfd_create("winsim-section", MFD_CLOEXEC);
            if (backing->fd < 0) return failWith(errorFromErrno(errno));
            if (size > static_cast<uint64_t>(INT64_MAX) || ::ftruncate(backing->fd, static_cast<off_t>(size)) != 0)
                return failWith(ERROR_NOT_ENOUGH_MEMORY);
        } else {
            auto f = lookup<FileObject>(hFile);
            if (!f) return failWith(ERROR_INVALID_HANDLE);
            if (f->directory) return failWith(ERROR_ACCESS_DENIED);
            bool needsWrite = protect == PAGE_READWRITE;
            if (!(f->rights & FILE_READ_DATA) || (needsWrite && !(f->rights & FILE_WRITE_DATA)))
                return failWith(ERROR_ACCESS_DENIED);
            struct stat st{};
            if (fstat(f->fd, &st) != 0) return failWith(errorFromErrno(errno));
            uint64_t fileSize = static_cast<uint64_t>(st.st_size);
            if (size == 0) {
                if (fileSize == 0) return failWith(ERROR_FILE_INVALID);
                size = fileSize;
            }
            if (size > fileSize && !needsWrite) return failWith(ERROR_NOT_ENOUGH_MEMORY);
            backing->fd = reopen(f->fd, f->host, needsWrite);
            if (backing->fd < 0) return failWith(errorFromErrno(errno));
            markMapped(backing->fd);
            if (size > fileSize) {
                WriteStamp stamp = beforeWrite(*f);
                if (size > static_cast<uint64_t>(INT64_MAX) ||
                    ::ftruncate(backing->fd, static_cast<off_t>(size)) != 0)
                    return failWith(ERROR_DISK_FULL);
                noteWritten(*f, stamp);
            }
        }
        auto m = std::make_shared<MappingObject>();
        m->backing = std::move(backing);
        m->size = size;
        m->protect = protect;
        HANDLE h = addHandle(std::move(m));
        setError(ERROR_SUCCESS);
        return h;
    });
}

// Maps a view: FILE_MAP_READ, FILE_MAP_WRITE (PAGE_READWRITE mappings only),
// FILE_MAP_ALL_ACCESS, or FILE_MAP_COPY (private copy-on-write). The offset
// must be a multiple of 64 KiB (ERROR_MAPPED_ALIGNMENT); size 0 maps to the
// end of the mapping; a view past the end gives ERROR_ACCESS_DENIED. The view
// stays valid after the mapping and file handles are closed.
WINBASEAPI LPVOID WINAPI MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh,
                                       DWORD dwFileOffsetLow, SIZE_T dwNumberOfBytesToMap) {
    return guarded<LPVOID>(nullptr, [&]() -> LPVOID {
        if (enter("MapViewOfFile")) return nullptr;
        auto m = lookup<MappingObject>(hFileMappingObject);
        if (!m) return failWith(ERROR_INVALID_HANDLE);
        // FILE_MAP_COPY counts alone: its bit is also part of FILE_MAP_ALL_ACCESS.
        bool copy = dwDesiredAccess == FILE_MAP_COPY;
        bool write = dwDesiredAccess & FILE_MAP_WRITE;
        bool read = dwDesiredAccess & FILE_MAP_READ;
        if (!copy && !write && !read) return failWith(ERROR_INVALID_PARAMETER);
        if (write && !copy && m->protect != PAGE_READWRITE) return failWith(ERROR_ACCESS_DENIED);
        uint64_t offset = (static_cast<uint64_t>(dwFileOffsetHigh) << 32) | dwFileOffsetLow;
        if (offset % kAllocationGranularity) return failWith(ERROR_MAPPED_ALIGNMENT);
        if (offset >= m->size) return failWith(ERROR_ACCESS_DENIED);
        uint64_t length = dwNumberOfBytesToMap ? static_cast<uint64_t>(dwNumberOfBytesToMap) : m->size - offset;
        if (length > m->size - offset) return failWith(ERROR_ACCESS_DENIED);
        if (length > SIZE_MAX) return failWith(ERROR_NOT_ENOUGH_MEMORY);
        int prot = PROT_READ | ((write || copy) ? PROT_WRITE : 0);
        int flags = copy ? MAP_PRIVATE : MAP_SHARED;
        void* p = ::mmap(nullptr, static_cast<size_t>(length), prot, flags, m->backing->fd, static_cast<off_t>(offset));
        if (p == MAP_FAILED) return failWith(errno == ENOMEM ? ERROR_NOT_ENOUGH_MEMORY : ERROR_ACCESS_DENIED);
        auto& t = views();
        std::lock_guard g(t.lock);
        t.views[reinterpret_cast<uintptr_t>(p)] = View{static_cast<size_t>(length), m->backing};
        return p;
    });
}

// Unmaps the view holding the address (its base or any address inside it).
// Anything else: ERROR_INVALID_ADDRESS.
WINBASEAPI BOOL WINAPI UnmapViewOfFile(LPCVOID lpBaseAddress) {
    return guarded<BOOL>(FALSE, [&]() -> BOOL {
        if (enter("UnmapViewOfFile")) return FALSE;
        std::shared_ptr<Backing> release;  // closed after the lock is dropped
        {
            auto& t = views();
            std::lock_guard g(t.lock);
            uintptr_t a = reinterpret_cast<uintptr_t>(lpBaseAddress);
            auto it = t.views.upper_bound(a);
            if (!lpBaseAddress || it == t.views.begin()) {
                setError(ERROR_INVALID_ADDRESS);
                return FALSE;
            }
            --it;
            if (a - it->first >= it->second.length) {
                setError(ERROR_INVALID_ADDRESS);
                return FALSE;
            }
            ::munmap(reinterpret_cast<void*>(it->first), it->second.length);
            release = std::move(it->second.backing);
            t.views.erase(it);
        }
        return TRUE;
    });
}

}  // extern "C"
