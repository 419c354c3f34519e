// Whole-file state kept by the profile and registry services: read a file at
// once, replace it atomically, and serialise read-modify-write cycles of
// several processes through an advisory lock.
#pragma once
#include <win/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace winsim::detail::store {

enum class ReadStatus { Ok, Missing, Failed };

// Reads the whole of `file` into `out`. Missing also covers a folder of that name.
ReadStatus readFile(const std::filesystem::path& file, std::string& out);

// Replaces `target` with `bytes` so that a crash at any moment leaves either
// the old or the new content: the bytes go to a temporary file (in `tempDir`
// when given and on the same file system, else beside the target), are
// flushed to disk, receive the target's Windows attributes and permission
// bits, are stamped with the machine clock's time, and are renamed over the
// target. Returns ERROR_SUCCESS or the Windows code of the failure.
DWORD replaceFile(const std::filesystem::path& target, std::string_view bytes,
                  const std::filesystem::path& tempDir = {});

// An exclusive advisory lock (flock) on `lockFile`, held for the object's
// lifetime. Every holder opens its own descriptor, so the lock excludes
// threads of one process as well as other processes.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& lockFile);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// One version of a host file or folder: device, inode, size, modification
// and change times. The kernel stamps a change with a coarse clock, so two
// changes close together may carry the same times; a version whose change
// time lies clearly in the past is `settled`: any later change gives the
// file a later change time, so the key then tells the versions apart.
struct HostKey {
    uint64_t dev = 0;
    uint64_t ino = 0;
    int64_t size = -1;
    int64_t mtimeNs = 0;
    int64_t ctimeNs = 0;
    bool directory = false;
    bool operator==(const HostKey&) const = default;
    bool settled() const;
};
std::optional<HostKey> hostKey(const std::filesystem::path& p);
// The same, with the errno of a failed stat() in `error` (0 on success).
std::optional<HostKey> hostKey(const std::filesystem::path& p, int* error);

// A file name for a lock that stands for `key` (any text): a stable hash,
// so names of any length and character map onto one short host name.
std::string lockName(std::u16string_view key);

}  // namespace winsim::detail::store
