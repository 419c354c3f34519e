// Atomic whole-file replacement and advisory locks for state files.
#include "store_file.h"

#include "core/sim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace fs = std::filesystem;

namespace winsim::detail::store {

std::optional<HostKey> hostKey(const fs::path& p) { return hostKey(p, nullptr); }

std::optional<HostKey> hostKey(const fs::path& p, int* error) {
    struct stat st;
    const int r = ::stat(p.c_str(), &st);
    if (error) *error = r == 0 ? 0 : errno;
    if (r != 0) return std::nullopt;
    HostKey k;
    k.dev = static_cast<uint64_t>(st.st_dev);
    k.ino = static_cast<uint64_t>(st.st_ino);
    k.size = static_cast<int64_t>(st.st_size);
    k.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    k.ctimeNs = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    k.directory = S_ISDIR(st.st_mode);
    return k;
}

bool HostKey::settled() const {
    constexpr int64_t kMarginNs = 100'000'000;  // well past the kernel's clock steps
    struct timespec now;
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0) return false;
    return ctimeNs < static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec - kMarginNs;
}

namespace {

DWORD errnoToWin(int e) {
    switch (e) {
        case ENOSPC:
        case EDQUOT: return ERROR_DISK_FULL;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return ERROR_ACCESS_DENIED;
        case ENOENT:
        case ENOTDIR: return ERROR_PATH_NOT_FOUND;
        case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
        case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
        default: return ERROR_WRITE_FAULT;
    }
}

bool writeAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Opens a fresh temporary file in `dir`; returns the descriptor or -1.
int openTemp(const fs::path& dir, const fs::path& target, fs::path& out) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 16; ++attempt) {
        char tag[64];
        std::snprintf(tag, sizeof tag, ".%ld.%u.tmp", static_cast<long>(::getpid()), counter.fetch_add(1));
        out = dir / ("~" + target.filename().string().substr(0, 100) + tag);
        int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

ReadStatus readFile(const fs::path& file, std::string& out) {
    out.clear();
    int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::Missing : ReadStatus::Failed;
    struct stat st{};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return ReadStatus::Failed;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return ReadStatus::Missing;
    }
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return ReadStatus::Failed;
        }
        if (n == 0) break;
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadStatus::Ok;
}

DWORD replaceFile(const fs::path& target, std::string_view bytes, const fs::path& tempDir) {
    fs::path dir = target.parent_path();
    struct stat old{};
    bool hadOld = ::stat(target.c_str(), &old) == 0;
    if (hadOld && S_ISDIR(old.st_mode)) return ERROR_ACCESS_DENIED;
    DWORD attributes = hadOld ? hostAttributes(target) : INVALID_FILE_ATTRIBUTES;

    fs::path temp;
    int fd = -1;
    if (!tempDir.empty()) {
        struct stat td{};
        struct stat pd{};
        // A temporary on another file system could not be renamed over the target.
        if (::stat(tempDir.c_str(), &td) == 0 && ::stat(dir.c_str(), &pd) == 0 && td.st_dev == pd.st_dev)
            fd = openTemp(tempDir, target, temp);
    }
    if (fd < 0) fd = openTemp(dir, target, temp);
    if (fd < 0) return errnoToWin(errno);

    auto fail = [&](int e) {
        ::close(fd);
        ::unlink(temp.c_str());
        return errnoToWin(e);
    };
    if (!writeAll(fd, bytes)) return fail(errno);
    if (hadOld) ::fchmod(fd, old.st_mode & 07777);
    // Last-write time from the machine clock, so a virtual clock governs it.
    uint64_t ft = nowFileTime();
    constexpr uint64_t kEpoch = 116444736000000000ull;  // 1970-01-01 in FILETIME units
    if (ft >= kEpoch) {
        uint64_t since = ft - kEpoch;
        struct timespec times[2];
        times[0].tv_sec = times[1].tv_sec = static_cast<time_t>(since / 10000000ull);
        times[0].tv_nsec = times[1].tv_nsec = static_cast<long>((since % 10000000ull) * 100);
        ::futimens(fd, times);
    }
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        int e = errno;
        ::unlink(temp.c_str());
        return errnoToWin(e);
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && attributes != FILE_ATTRIBUTE_NORMAL)
        setHostAttributes(temp, attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        int e = errno;
        ::unlink(temp.c_str());
        return errnoToWin(e);
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return ERROR_SUCCESS;
}

FileLock::FileLock(const fs::path& lockFile) {
    std::error_code ec;
    fs::create_directories(lockFile.parent_path(), ec);
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0) return;
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR) continue;
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
}

std::string lockName(std::u16string_view key) {
    uint64_t h = 1469598103934665603ull;  // FNV-1a, 64 bits
    for (char16_t c : key) {
        h ^= static_cast<uint64_t>(c & 0xFF);
        h *= 1099511628211ull;
        h ^= static_cast<uint64_t>(c >> 8);
        h *= 1099511628211ull;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%016llx.lock", static_cast<unsigned long long>(h));
    return buf;
}

}  // namespace winsim::detail::store
