#include "core/admin.h"

#include <win/process.h>
#include <win/security.h>
#include <win/spooler.h>

#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr DWORD kAllowedMask = 3;
constexpr DWORD kDesiredAccess = 1;
constexpr DWORD kPrivilegeSetBytes = 20;

// The access check against a descriptor that grants only the Administrators
// group, for an impersonation token.
int checkAdmin(HANDLE token) {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
        return 0;
    int result = 0;
    DWORD aclBytes = 16 + GetLengthSid(admins);
    auto* acl = static_cast<PACL>(MemAllocZero(aclBytes));
    auto* sd = static_cast<PSECURITY_DESCRIPTOR>(MemAllocZero(sizeof(SECURITY_DESCRIPTOR)));
    if (acl && sd && InitializeAcl(acl, aclBytes, ACL_REVISION2) &&
        AddAccessAllowedAce(acl, ACL_REVISION2, kAllowedMask, admins) &&
        InitializeSecurityDescriptor(sd, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(sd, TRUE, acl, FALSE) && SetSecurityDescriptorOwner(sd, admins, FALSE) &&
        SetSecurityDescriptorGroup(sd, admins, FALSE) && IsValidSecurityDescriptor(sd)) {
        GENERIC_MAPPING mapping{1, 2, 0, 3};
        BYTE privileges[kPrivilegeSetBytes] = {};
        DWORD privilegeBytes = kPrivilegeSetBytes;
        DWORD granted = 0;
        BOOL status = FALSE;
        if (AccessCheck(sd, token, kDesiredAccess, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges),
                        &privilegeBytes, &granted, &status))
            result = status ? 1 : 0;
    }
    MemFree(sd);
    MemFree(acl);
    FreeSid(admins);
    return result;
}

}  // namespace

int IsUserAdmin() {
    HANDLE token = nullptr;
    bool impersonatedSelf = false;
    // A thread that impersonates a client is tested as that client. Making
    // it impersonate the process (and reverting afterwards) would answer for
    // the process and leave the thread running with the process's rights.
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN) return 0;
        impersonatedSelf = ImpersonateSelf(SecurityImpersonation) != FALSE;
        if (!impersonatedSelf || !OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
            token = nullptr;
            if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) token = nullptr;
        }
    }
    int result = token ? checkAdmin(token) : 0;
    if (token) CloseHandle(token);
    if (impersonatedSelf) RevertToSelf();
    return result;
}

BOOL DoImpersonatePrinterClient(HANDLE token) {
    if (!token) return FALSE;
    return ImpersonatePrinterClient(token);
}

HANDLE DoRevertToPrinterSelf() { return RevertToPrinterSelf(); }

}  // namespace vesk
