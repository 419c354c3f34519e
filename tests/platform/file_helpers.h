// Small helpers shared by the file-service tests: files by Windows path and
// by host path.
#pragma once
#include <win/windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/last_error.h"

namespace filetest {

inline HANDLE openRead(const char16_t* path, DWORD share = FILE_SHARE_READ) {
    return CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

inline HANDLE openWrite(const char16_t* path, DWORD disposition = OPEN_EXISTING, DWORD share = 0) {
    return CreateFileW(path, GENERIC_READ | GENERIC_WRITE, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Creates (or replaces) a file holding `text`.
inline bool writeText(const char16_t* path, const std::string& text) {
    HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
    CloseHandle(h);
    return ok && done == text.size();
}

// The whole content of a file, or "<error N>".
inline std::string readText(const char16_t* path) {
    HANDLE h = openRead(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (h == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
    std::string out;
    char buf[256];
    DWORD n = 0;
    while (ReadFile(h, buf, sizeof buf, &n, nullptr) && n) out.append(buf, n);
    CloseHandle(h);
    return out;
}

// The bytes of a host file, empty when it cannot be read, and a file made of
// `bytes`.
inline std::string hostText(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline void putHostText(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

inline uint64_t u64(const FILETIME& f) { return (uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime; }

}  // namespace filetest
