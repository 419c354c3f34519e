// Special folders (SHGetFolderPathW, SHGetKnownFolderPath) and the task
// memory their strings live in.
//
// The folders of a user profile (its root, application data, documents, and
// the machine's common application data) are made on the first query: a
// real profile holds them from the user's first logon on. The Windows,
// system and program folders are the machine's own; when one is missing the
// query fails unless the caller asks for it to be created.
#include <win/security.h>
#include <win/system.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include <winsim/system.h>

#include "security/security_internal.h"

using namespace winsim::detail;

extern "C" {
const KNOWNFOLDERID FOLDERID_LocalAppDataLow = {0xA520A1A4, 0x1780, 0x4FF6, {0xBD, 0x18, 0x16, 0x73, 0x43, 0xC5, 0xAF, 0x16}};
const KNOWNFOLDERID FOLDERID_LocalAppData = {0xF1B32785, 0x6FBA, 0x4FCF, {0x9D, 0x55, 0x7B, 0x8E, 0x7F, 0x15, 0x70, 0x91}};
const KNOWNFOLDERID FOLDERID_RoamingAppData = {0x3EB685DB, 0x65F9, 0x4CF6, {0xA0, 0x3A, 0xE3, 0xEF, 0x65, 0x72, 0x9F, 0x3D}};
const KNOWNFOLDERID FOLDERID_ProgramData = {0x62AB5D82, 0xFDC1, 0x4DC3, {0xA9, 0xDD, 0x07, 0x0D, 0x1D, 0x49, 0x5D, 0x97}};
const KNOWNFOLDERID FOLDERID_Documents = {0xFDD39AD0, 0x238F, 0x46AF, {0xAD, 0xB4, 0x6C, 0x85, 0x48, 0x03, 0x69, 0xC7}};
const KNOWNFOLDERID FOLDERID_Profile = {0x5E6C858F, 0x0E22, 0x4760, {0x9A, 0xFE, 0xEA, 0x33, 0x17, 0xB6, 0x71, 0x73}};
const KNOWNFOLDERID FOLDERID_Windows = {0xF38BF404, 0x1D43, 0x42F2, {0x93, 0x05, 0x67, 0xDE, 0x0B, 0x28, 0xFC, 0x23}};
const KNOWNFOLDERID FOLDERID_System = {0x1AC14E77, 0x02E7, 0x4E5D, {0xB7, 0x44, 0x2E, 0xB1, 0xAE, 0x51, 0x98, 0xB7}};
const KNOWNFOLDERID FOLDERID_ProgramFiles = {0x905E63B6, 0xC1BF, 0x494E, {0xB2, 0x9C, 0x65, 0xB7, 0x32, 0xD3, 0xD2, 0x1A}};
}

namespace {

std::atomic<size_t> g_liveTaskBlocks{0};

enum class Folder { Profile, AppData, LocalAppData, LocalAppDataLow, CommonAppData, Documents, Windows, System, ProgramFiles };

bool inProfile(Folder f) { return f != Folder::Windows && f != Folder::System && f != Folder::ProgramFiles; }

std::optional<Folder> folderOfCsidl(int csidl) {
    switch (csidl) {
        case CSIDL_PERSONAL: return Folder::Documents;
        case CSIDL_APPDATA: return Folder::AppData;
        case CSIDL_LOCAL_APPDATA: return Folder::LocalAppData;
        case CSIDL_COMMON_APPDATA: return Folder::CommonAppData;
        case CSIDL_WINDOWS: return Folder::Windows;
        case CSIDL_SYSTEM: return Folder::System;
        case CSIDL_PROGRAM_FILES: return Folder::ProgramFiles;
        case CSIDL_PROFILE: return Folder::Profile;
        default: return std::nullopt;
    }
}

std::optional<Folder> folderOfId(const KNOWNFOLDERID& id) {
    const std::pair<const KNOWNFOLDERID*, Folder> known[] = {
        {&FOLDERID_LocalAppDataLow, Folder::LocalAppDataLow}, {&FOLDERID_LocalAppData, Folder::LocalAppData},
        {&FOLDERID_RoamingAppData, Folder::AppData},          {&FOLDERID_ProgramData, Folder::CommonAppData},
        {&FOLDERID_Documents, Folder::Documents},              {&FOLDERID_Profile, Folder::Profile},
        {&FOLDERID_Windows, Folder::Windows},                  {&FOLDERID_System, Folder::System},
        {&FOLDERID_ProgramFiles, Folder::ProgramFiles}};
    for (const auto& [g, f] : known)
        if (std::memcmp(g, &id, sizeof id) == 0) return f;
    return std::nullopt;
}

// The folder's Windows path for an identity, laid out as the machine's
// Windows version lays out a profile.
std::u16string folderPath(Folder f, Principal who) {
    const auto& c = winsim::config();
    bool v6 = c.osMajor >= 6;
    std::u16string profile = profileDirectory(who);
    switch (f) {
        case Folder::Profile: return profile;
        case Folder::AppData: return profile + (v6 ? u"\\AppData\\Roaming" : u"\\Application Data");
        case Folder::LocalAppData: return profile + (v6 ? u"\\AppData\\Local" : u"\\Local Settings\\Application Data");
        case Folder::LocalAppDataLow: return profile + u"\\AppData\\LocalLow";
        case Folder::CommonAppData:
            if (v6) return winsim::fromUtf8(c.windowsDir.substr(0, 2)) + u"\\ProgramData";
            return winsim::fromUtf8(c.profilesDir) + u"\\All Users\\Application Data";
        case Folder::Documents: return profile + (v6 ? u"\\Documents" : u"\\My Documents");
        case Folder::Windows: return winsim::fromUtf8(c.windowsDir);
        case Folder::System: return winsim::fromUtf8(c.systemDir);
        case Folder::ProgramFiles: return winsim::fromUtf8(c.programFilesDir);
    }
    return {};
}

HRESULT fromError(DWORD e) { return e ? HRESULT_FROM_WIN32(e) : E_FAIL; }

// The folder's path, made when it may be. `missing` is the result for a
// machine folder that does not exist and is not to be created.
HRESULT locate(Folder f, HANDLE token, bool create, bool dontVerify, HRESULT missing, std::u16string& out) {
    Principal who = effectivePrincipal();
    if (token) {
        auto p = tokenPrincipal(token, TOKEN_QUERY);
        if (!p) return E_INVALIDARG;
        who = *p;
    }
    out = folderPath(f, who);
    if (out.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    if (dontVerify) return S_OK;
    PathError err{};
    auto r = resolve(out, &err);
    if (!r) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    DWORD attrs = hostAttributes(r->host);
    if (attrs != INVALID_FILE_ATTRIBUTES) return (attrs & FILE_ATTRIBUTE_DIRECTORY) ? S_OK : missing;
    if (!create && !inProfile(f)) return missing;
    std::error_code ec;
    std::filesystem::create_directories(r->host, ec);
    return ec ? HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED) : S_OK;
}

}  // namespace

namespace winsim {
size_t liveCoTaskMemBlocks() { return g_liveTaskBlocks.load(); }
}  // namespace winsim

extern "C" {

WINBASEAPI LPVOID WINAPI CoTaskMemAlloc(SIZE_T size) {
    if (enter("CoTaskMemAlloc")) return nullptr;
    void* p = std::malloc(size ? size : 1);
    if (p) ++g_liveTaskBlocks;
    return p;
}

WINBASEAPI void WINAPI CoTaskMemFree(LPVOID block) {
    enter("CoTaskMemFree");
    if (!block) return;
    std::free(block);
    --g_liveTaskBlocks;
}

WINBASEAPI HRESULT WINAPI SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path) {
    (void)owner;
    (void)flags;
    if (enter("SHGetFolderPathW")) return fromError(GetLastError());
    if (!path) return E_INVALIDARG;
    path[0] = 0;
    auto f = folderOfCsidl(csidl & ~CSIDL_FLAG_MASK);
    if (!f) return E_INVALIDARG;
    try {
        std::u16string out;
        HRESULT hr = locate(*f, token, csidl & CSIDL_FLAG_CREATE, csidl & CSIDL_FLAG_DONT_VERIFY, E_FAIL, out);
        if (FAILED(hr)) return hr;
        copyOut(out, path, MAX_PATH);
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

WINBASEAPI HRESULT WINAPI SHGetKnownFolderPath(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path) {
    if (enter("SHGetKnownFolderPath")) return fromError(GetLastError());
    if (!path) return E_INVALIDARG;
    *path = nullptr;
    if (winsim::config().osMajor < 6) return E_NOTIMPL;
    if (!id) return E_INVALIDARG;
    auto f = folderOfId(*id);
    if (!f) return E_INVALIDARG;
    try {
        std::u16string out;
        HRESULT hr = locate(*f, token, flags & KF_FLAG_CREATE, flags & KF_FLAG_DONT_VERIFY,
                            HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), out);
        if (FAILED(hr)) return hr;
        auto* s = static_cast<WCHAR*>(CoTaskMemAlloc((out.size() + 1) * sizeof(WCHAR)));
        if (!s) return E_OUTOFMEMORY;
        copyOut(out, s, out.size() + 1);
        *path = s;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // extern "C"
