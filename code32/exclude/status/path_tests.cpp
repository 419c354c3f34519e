#include "status/path_tests.h"

#include <win/codepage.h>
#include <win/files.h>

#include <cstring>

#include "core/files.h"
#include "core/os_version.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr int kPathChars = 260;
constexpr char kBadChars[] = "/:;,*?\"<>|";

bool toWide(const char* path, WCHAR* out) { return path && StrAnsiToWide(out, path, kPathChars) == 1 && out[0]; }

// A test file created where none was, with the one directory level that
// had to be made for it; both are removed again when the probe ends.
class ProbeFile {
public:
    explicit ProbeFile(const WCHAR* path) : path_(path) {}
    ~ProbeFile() {
        if (file_) DeleteFileW(path_);
        if (dir_[0]) RemoveDirectoryW(dir_);
    }
    ProbeFile(const ProbeFile&) = delete;
    ProbeFile& operator=(const ProbeFile&) = delete;
    // true when the path can hold a file.
    bool create() {
        if (tryCreate()) return true;
        const DWORD error = GetLastError();
        // A file that appeared meanwhile shows the path can hold one; it is
        // not ours to delete.
        if (error == ERROR_FILE_EXISTS) return true;
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) return false;
        const WCHAR* slash = nullptr;
        for (const WCHAR* p = path_; *p; ++p)
            if (*p == u'\\') slash = p;
        if (!slash || slash == path_) return false;
        const size_t n = static_cast<size_t>(slash - path_);
        std::memcpy(dir_, path_, n * sizeof(WCHAR));
        dir_[n] = 0;
        if (!CreateDirectoryW(dir_, nullptr)) {
            dir_[0] = 0;
            return false;
        }
        return tryCreate();
    }

private:
    bool tryCreate() {
        HANDLE h = CreateFileW(path_, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        CloseHandle(h);
        file_ = true;
        return true;
    }
    const WCHAR* path_;
    WCHAR dir_[kPathChars] = {};
    bool file_ = false;
};

}  // namespace

int StrHasChar(const char* text, char c) { return text && std::strchr(text, c) ? 1 : 0; }

int FileNameCharsOk(const char* text, int allowBackslash) {
    if (!text) return 0;
    for (const char* p = text; *p; ++p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p))) {
            if (!p[1]) break;
            ++p;
            continue;
        }
        if (*p == '\\' && !allowBackslash) return 0;
        if (std::strchr(kBadChars, *p)) return 0;
    }
    return 1;
}

int FileNameOk(const char* text) { return FileNameCharsOk(text, 0); }

int PathCharsOk(const char* text) {
    if (!text) return 0;
    if (text[0] && text[1] == ':') text += 2;
    return FileNameCharsOk(text, 1);
}

const char* PathFileNamePart(const char* text) {
    const char* slash = std::strrchr(text, '\\');
    return slash ? slash + 1 : text;
}

const char* PathExtensionPart(const char* text) {
    if (!std::strchr(text, '\\')) return text;
    const char* name = PathFileNamePart(text);
    const char* dot = std::strrchr(name, '.');
    return *name && dot ? dot + 1 : text;
}

int OverlayPathOk(const char* text) {
    if (!PathCharsOk(text)) return 0;
    const char* name = PathFileNamePart(text);
    if (name == text || !FileNameOk(name)) return 0;
    const char* ext = PathExtensionPart(text);
    if (ext == text) return 0;
    return std::strlen(ext) == 3 && (ext[0] | 0x20) == 'r' && (ext[1] | 0x20) == 'p' && (ext[2] | 0x20) == 'o';
}

int PathProbeFull(const char* path, char* output) {
    WCHAR wide[kPathChars] = {};
    if (!toWide(path, wide)) return 0;
    if (!FileExists(wide)) {
        ProbeFile probe(wide);
        if (!probe.create()) return 0;
    }
    if (output) {
        WCHAR full[kPathChars] = {};
        const DWORD n = GetFullPathNameW(wide, kPathChars, full, nullptr);
        if (n == 0 || n >= kPathChars) return 0;
        if (StrWideToAnsi(output, full, kPathChars) != 1) return 0;
    }
    return 1;
}

int PathProbeShort(const char* path, char* output) {
    if (!OsIsWin9x()) {
        if (!path) return 0;
        if (output) {
            const size_t n = strnlen(path, kPathChars - 1);
            std::memcpy(output, path, n);
            output[n] = 0;
        }
        return 1;
    }
    if (output) output[0] = 0;
    WCHAR wide[kPathChars] = {}, shortName[kPathChars] = {};
    if (!toWide(path, wide)) return 0;
    auto take = [&]() {
        const DWORD n = GetShortPathNameW(wide, shortName, kPathChars);
        if (n == 0 || n >= kPathChars) return false;
        return !output || StrWideToAnsi(output, shortName, kPathChars) == 1;
    };
    if (take()) return 1;
    const DWORD error = GetLastError();
    if ((error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) || FileExists(wide)) return 0;
    ProbeFile probe(wide);
    return probe.create() && take() ? 1 : 0;
}

}  // namespace vesk
