// Path names and the machine's folders: full and short path names, the
// temporary folder and file names, the Windows and system directories.
//
// Size protocol shared by these calls: when the text and its terminator fit,
// it is copied and its length (without the terminator) returned; otherwise
// nothing is written and the size needed, terminator included, is returned.
#include "files_internal.h"

#include <cstdio>

using namespace winsim::detail;
using namespace winsim::detail::files;

namespace {

DWORD sizeProtocol(std::u16string_view text, WCHAR* buf, size_t cch) {
    if (!copyOut(text, buf, cch)) return static_cast<DWORD>(text.size() + 1);
    return static_cast<DWORD>(text.size());
}

std::u16string configuredDir(const std::string& utf8) { return fromUtf8(utf8); }

}  // namespace

extern "C" {

// Joins a relative path with the current directory and normalises it
// ("." and "..", separators, trailing dots and spaces); the file system is
// not consulted. lpFilePart (when given) points at the last component in the
// buffer, or is null when the result ends in a separator. Null: 
// ERROR_INVALID_PARAMETER; empty: ERROR_INVALID_NAME.
WINBASEAPI DWORD WINAPI GetFullPathNameW(LPCWSTR lpFileName, DWORD nBufferLength, LPWSTR lpBuffer,
                                         LPWSTR* lpFilePart) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enterWith("GetFullPathNameW", [&] { return journalText(lpFileName); })) return 0;
        if (!lpFileName) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        constexpr size_t kMaxText = 32767;
        size_t n = wlenBounded(lpFileName, kMaxText + 1);
        if (n == 0 || n > kMaxText) {
            setError(n ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
            return 0;
        }
        size_t part = std::u16string::npos;
        std::u16string full = fullPathOf(std::u16string_view(lpFileName, n), &part);
        if (full.empty()) {
            setError(ERROR_INVALID_NAME);
            return 0;
        }
        if (!copyOut(full, lpBuffer, nBufferLength)) return static_cast<DWORD>(full.size() + 1);
        if (lpFilePart) *lpFilePart = part == std::u16string::npos ? nullptr : lpBuffer + part;
        return static_cast<DWORD>(full.size());
    });
}

// The machine's volumes keep no 8.3 names (as NTFS with short-name creation
// turned off), so the short form of an existing path is the path as given,
// which Windows also returns for components without a short name. A path
// that does not exist fails (ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND).
// The two buffers may be the same.
WINBASEAPI DWORD WINAPI GetShortPathNameW(LPCWSTR lpszLongPath, LPWSTR lpszShortPath, DWORD cchBuffer) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enterWith("GetShortPathNameW", [&] { return journalText(lpszLongPath); })) return 0;
        if (!lpszLongPath) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        auto t = locate(lpszLongPath);
        if (!t) return 0;
        if (!t->exists) {
            setMissingError(*t);
            return 0;
        }
        std::u16string text(lpszLongPath, wlen(lpszLongPath));  // bounded by locate
        return sizeProtocol(text, lpszShortPath, cchBuffer);
    });
}

// The folder for temporary files: the first of TMP, TEMP, USERPROFILE set in
// the process environment, else the Windows directory; made a full path with
// a trailing separator. The folder need not exist.
WINBASEAPI DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
    return guarded<DWORD>(0, [&]() -> DWORD {
        if (enter("GetTempPathW")) return 0;
        std::u16string dir;
        for (const char16_t* name : {u"TMP", u"TEMP", u"USERPROFILE"}) {
            auto v = environmentValue(name);
            if (v && !v->empty()) {
                dir = *v;
                break;
            }
        }
        if (dir.empty()) dir = configuredDir(winsim::config().windowsDir);
        std::u16string full = fullPathOf(dir);
        if (full.empty()) full = configuredDir(winsim::config().windowsDir);
        if (full.back() != u'\\') full += u'\\';
        return sizeProtocol(full, lpBuffer, nBufferLength);
    });
}

// Makes "<path>\<up to 3 prefix characters><hex number>.TMP" into
// lpTempFileName (MAX_PATH characters). A non-zero uUnique (low 16 bits) is
// used as the number and no file is made. With 0, numbers are tried from one
// taken from the clock until a new empty file can be created; that number is
// returned. A missing folder: ERROR_DIRECTORY; a folder path too long for the
// name: ERROR_BUFFER_OVERFLOW; every number taken: ERROR_FILE_EXISTS.
WINBASEAPI UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique,
                                        LPWSTR lpTempFileName) {
    return guarded<UINT>(0, [&]() -> UINT {
        if (enterWith("GetTempFileNameW", [&] { return journalText(lpPathName); })) return 0;
        if (!lpPathName || !lpTempFileName) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        size_t n = wlenBounded(lpPathName, MAX_PATH + 1);
        std::u16string dir = n ? fullPathOf(std::u16string_view(lpPathName, n)) : currentDirectory();
        if (dir.empty()) {
            setError(ERROR_INVALID_NAME);
            return 0;
        }
        if (dir.back() != u'\\') dir += u'\\';
        if (n > MAX_PATH || dir.size() > MAX_PATH - 14) {
            setError(ERROR_BUFFER_OVERFLOW);
            return 0;
        }
        std::u16string prefix(lpPrefixString ? lpPrefixString : u"",
                              lpPrefixString ? wlenBounded(lpPrefixString, 3) : 0);
        auto nameFor = [&](unsigned number) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "%X", number);
            return dir + prefix + fromUtf8(hex) + u".TMP";
        };
        if (uUnique != 0) {
            unsigned number = uUnique & 0xFFFF;
            copyOut(nameFor(number), lpTempFileName, MAX_PATH);
            return number;
        }
        auto folder = locate(dir.c_str());
        if (!folder) return 0;
        if (!folder->exists || !folder->isDir) {
            setError(ERROR_DIRECTORY);
            return 0;
        }
        unsigned number = winsim::nowTickCount() & 0xFFFF;
        for (unsigned tries = 0; tries < 0xFFFF; ++tries, number = (number + 1) & 0xFFFF) {
            if (number == 0) number = 1;
            std::u16string name = nameFor(number);
            auto f = openFile(name.c_str(), GENERIC_WRITE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (f) {
                copyOut(name, lpTempFileName, MAX_PATH);
                setError(ERROR_SUCCESS);
                return number;
            }
            DWORD e = GetLastError();
            if (e != ERROR_FILE_EXISTS && e != ERROR_ACCESS_DENIED && e != ERROR_SHARING_VIOLATION) return 0;
        }
        setError(ERROR_FILE_EXISTS);
        return 0;
    });
}

// The machine's system directory ("C:\WINDOWS\system32" by default).
WINBASEAPI UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return guarded<UINT>(0, [&]() -> UINT {
        if (enter("GetSystemDirectoryW")) return 0;
        return sizeProtocol(configuredDir(winsim::config().systemDir), lpBuffer, uSize);
    });
}

// The machine's Windows directory ("C:\WINDOWS" by default).
WINBASEAPI UINT WINAPI GetWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return guarded<UINT>(0, [&]() -> UINT {
        if (enter("GetWindowsDirectoryW")) return 0;
        return sizeProtocol(configuredDir(winsim::config().windowsDir), lpBuffer, uSize);
    });
}

// The shared Windows directory; the machine has no per-user Windows
// directory, so it equals GetWindowsDirectoryW.
WINBASEAPI UINT WINAPI GetSystemWindowsDirectoryW(LPWSTR lpBuffer, UINT uSize) {
    return guarded<UINT>(0, [&]() -> UINT {
        if (enter("GetSystemWindowsDirectoryW")) return 0;
        return sizeProtocol(configuredDir(winsim::config().windowsDir), lpBuffer, uSize);
    });
}

}  // extern "C"
