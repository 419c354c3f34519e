#include "core/dirs.h"

#include <win/files.h>

#include "core/files.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

enum class Part { Dacl, Owner };

// A file or folder whose security belongs to something else: a reparse
// point (symbolic link, junction) or a file with further names (a hard
// link). Changing it would change the target's security.
bool isLink(const WCHAR* path, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    HANDLE h = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return true;  // cannot tell: leave it alone
    BY_HANDLE_FILE_INFORMATION info{};
    bool linked = !GetFileInformationByHandle(h, &info) || info.nNumberOfLinks > 1;
    CloseHandle(h);
    return linked;
}

// Builds the descriptor of `part` and applies it; 1 when it could be built.
int applyPart(const WCHAR* path, DWORD flags, Part part) {
    if (!path) return 0;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    BOOL made = part == Part::Dacl
                    ? AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid)
                    : AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                               0, 0, 0, 0, &sid);
    if (!made) return 0;
    int built = 0;
    PACL acl = nullptr;
    SECURITY_DESCRIPTOR sd;
    if (InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION)) {
        if (part == Part::Dacl) {
            DWORD aclBytes = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
            acl = static_cast<PACL>(MemAllocZero(aclBytes));
            built = acl && InitializeAcl(acl, aclBytes, ACL_REVISION2) &&
                    AddAccessAllowedAceEx(acl, ACL_REVISION2, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                          FILE_ALL_ACCESS, sid) &&
                    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
        } else {
            built = SetSecurityDescriptorOwner(&sd, sid, FALSE);
        }
    }
    if (built) {
        SECURITY_INFORMATION info = part == Part::Dacl ? DACL_SECURITY_INFORMATION : OWNER_SECURITY_INFORMATION;
        SetFileSecurityW(path, info, &sd);
        if (!(flags & kSecNoEntries)) SetSecurityRecursive(path, &sd, flags, info);
    }
    MemFree(acl);
    FreeSid(sid);
    return built ? 1 : 0;
}

}  // namespace

void SetSecurityRecursive(const WCHAR* directory, PSECURITY_DESCRIPTOR sd, DWORD flags, SECURITY_INFORMATION info) {
    if (!directory || !sd) return;
    WCHAR pattern[kPathBufChars];
    if (!WCopyWhole(pattern, kPathBufChars, directory) || !WAppendWhole(pattern, kPathBufChars, u"\\*.*")) return;
    WIN32_FIND_DATAW fd;
    HANDLE find = FindFirstFileW(pattern, &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const WCHAR* n = fd.cFileName;
        if ((n[0] == u'.' && !n[1]) || (n[0] == u'.' && n[1] == u'.' && !n[2])) continue;
        WCHAR path[kPathBufChars];
        if (!WCopyWhole(path, kPathBufChars, directory) || !WAppendWhole(path, kPathBufChars, u"\\") ||
            !WAppendWhole(path, kPathBufChars, n))
            continue;
        if (isLink(path, fd.dwFileAttributes)) continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (flags & kSecSubdirs) SetFileSecurityW(path, info, sd);
            if (flags & kSecRecurse) SetSecurityRecursive(path, sd, flags, info);
        } else {
            SetFileSecurityW(path, info, sd);
        }
    } while (FindNextFileW(find, &fd));
    FindClose(find);
}

int ApplyEveryoneDacl(const WCHAR* path, DWORD flags) { return applyPart(path, flags, Part::Dacl); }

int ApplyAdminOwner(const WCHAR* path, DWORD flags) { return applyPart(path, flags, Part::Owner); }

int CreatePrivateDir(DrvContext*) {
    WCHAR dir[kPathBufChars];
    if (!GetPrivateDirFromRegistry(dir, kPathBufChars)) return 0;
    // A link in the private directory's place would hand its target's
    // security to whoever planted it.
    DWORD a = GetFileAttributesW(dir);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
    int created = CreateDirectoryIfMissing(dir);
    if (!created) return 0;
    SetFileAttributesW(dir, FILE_ATTRIBUTE_HIDDEN);
    ApplyAdminOwner(dir, kSecNoEntries);
    ApplyEveryoneDacl(dir, kSecNoEntries);
    return created;
}

int SecurePrivateDir(DrvContext*) {
    if (!OsIsNt5OrLater()) return 1;
    WCHAR dir[kPathBufChars];
    if (!GetPrivateDirPlain(dir, kPathBufChars)) return 0;
    DWORD a = GetFileAttributesW(dir);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) return 0;
    ApplyAdminOwner(dir, 0);
    return ApplyEveryoneDacl(dir, 0);
}

}  // namespace vesk
