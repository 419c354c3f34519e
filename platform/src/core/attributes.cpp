// Windows file attributes kept beside the host file in an extended attribute.
#include "sim.h"

#include <sys/xattr.h>

#include <cstdio>
#include <cstdlib>

namespace winsim::detail {
namespace {
constexpr const char* kAttr = "user.vesk.attributes";
constexpr DWORD kStored = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY;
}  // namespace

DWORD hostAttributes(const std::filesystem::path& host) {
    std::error_code ec;
    auto st = std::filesystem::status(host, ec);
    if (ec || !std::filesystem::exists(st)) return INVALID_FILE_ATTRIBUTES;
    bool dir = std::filesystem::is_directory(st);
    // A host symbolic link is what a reparse point (symbolic link, junction)
    // is on Windows.
    DWORD reparse = std::filesystem::is_symlink(std::filesystem::symlink_status(host, ec)) && !ec
                        ? FILE_ATTRIBUTE_REPARSE_POINT
                        : 0;
    DWORD stored = 0;
    char buf[16] = {};
    ssize_t n = getxattr(host.c_str(), kAttr, buf, sizeof buf - 1);
    if (n > 0) stored = static_cast<DWORD>(std::strtoul(buf, nullptr, 16)) & kStored;
    if (dir) return stored | FILE_ATTRIBUTE_DIRECTORY | reparse;
    if (reparse) return stored | reparse;
    return stored ? stored : FILE_ATTRIBUTE_NORMAL;
}

bool setHostAttributes(const std::filesystem::path& host, DWORD attributes) {
    std::error_code ec;
    if (!std::filesystem::exists(host, ec)) return false;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%x", static_cast<unsigned>(attributes & kStored));
    if ((attributes & kStored) == 0) {
        removexattr(host.c_str(), kAttr);
        return true;
    }
    return setxattr(host.c_str(), kAttr, buf, std::char_traits<char>::length(buf), 0) == 0;
}

bool isReadOnly(const std::filesystem::path& host) {
    DWORD a = hostAttributes(host);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY);
}

}  // namespace winsim::detail
