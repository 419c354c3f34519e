// Tokens, SIDs, ACLs, AccessCheck and file security.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <vector>

#include <win/windows.h>
#include <winsim/system.h>
#include <winsim/winsim.h>
#include "core/sim.h"
#include "platform/last_error.h"

namespace {

winsim::MachineConfig userConfig(bool admin, bool denyOnly = false) {
    winsim::MachineConfig c;
    c.userName = "alice";
    c.userIsAdmin = admin;
    if (denyOnly) c.set("user.admin.denyonly", "1");
    return c;
}

PSID adminsSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID sid = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0,
                                         0, 0, &sid));
    return sid;
}

PSID everyoneSid() {
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID sid = nullptr;
    EXPECT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &sid));
    return sid;
}

// The administrator test as the driver makes it: impersonate self, take the
// thread (else process) token, build a descriptor granting Administrators,
// and ask AccessCheck. Returns the access status, 0 when a step fails.
BOOL isUserAdmin() {
    BOOL impersonated = ImpersonateSelf(SecurityImpersonation);
    HANDLE token = nullptr;
    if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
        if (GetLastError() != ERROR_NO_TOKEN || !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
            return FALSE;
    }
    PSID admins = adminsSid();
    DWORD aclSize = 16 + GetLengthSid(admins);
    std::vector<uint8_t> aclBuf(aclSize);
    auto* acl = reinterpret_cast<PACL>(aclBuf.data());
    SECURITY_DESCRIPTOR sd;
    BOOL status = FALSE;
    if (InitializeAcl(acl, aclSize, ACL_REVISION2) && AddAccessAllowedAce(acl, ACL_REVISION2, 3, admins) &&
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) && SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
        SetSecurityDescriptorOwner(&sd, admins, FALSE) && SetSecurityDescriptorGroup(&sd, admins, FALSE) &&
        IsValidSecurityDescriptor(&sd)) {
        GENERIC_MAPPING mapping = {1, 2, 0, 3};
        alignas(8) uint8_t privileges[20];
        DWORD privLen = sizeof privileges, granted = 0;
        if (!AccessCheck(&sd, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges), &privLen, &granted,
                         &status))
            status = FALSE;
    }
    FreeSid(admins);
    CloseHandle(token);
    if (impersonated) RevertToSelf();
    return status;
}

// A descriptor over an ACL of `aces` (type, flags, mask, SID), owner and group `owner`.
struct Descriptor {
    std::vector<uint8_t> acl = std::vector<uint8_t>(512);
    SECURITY_DESCRIPTOR sd{};
    Descriptor(PSID owner, std::initializer_list<std::tuple<BYTE, DWORD, PSID>> aces) {
        EXPECT_TRUE(InitializeAcl(reinterpret_cast<PACL>(acl.data()), 512, ACL_REVISION));
        for (auto [type, mask, sid] : aces) {
            if (type == ACCESS_ALLOWED_ACE_TYPE)
                EXPECT_TRUE(AddAccessAllowedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, mask, sid));
            else
                EXPECT_TRUE(AddAccessDeniedAce(reinterpret_cast<PACL>(acl.data()), ACL_REVISION, mask, sid));
        }
        InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorDacl(&sd, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE);
        SetSecurityDescriptorOwner(&sd, owner, FALSE);
        SetSecurityDescriptorGroup(&sd, owner, FALSE);
    }
};

// AccessCheck with an impersonation token of the calling thread.
std::pair<BOOL, DWORD> check(PSECURITY_DESCRIPTOR sd, DWORD desired) {
    GENERIC_MAPPING mapping = {0x120089, 0x120116, 0x1200A0, 0x1F01FF};
    EXPECT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    PRIVILEGE_SET ps;
    DWORD len = sizeof ps, granted = 0xDEAD;
    BOOL status = 2;
    EXPECT_TRUE(AccessCheck(sd, token, desired, &mapping, &ps, &len, &granted, &status));
    CloseHandle(token);
    RevertToSelf();
    return {status, granted};
}

std::vector<uint8_t> fileSecurity(const char16_t* path, SECURITY_INFORMATION info) {
    DWORD need = 0;
    EXPECT_FAILS_WITH(GetFileSecurityW(path, info, nullptr, 0, &need), FALSE, ERROR_INSUFFICIENT_BUFFER);
    std::vector<uint8_t> buf(need);
    EXPECT_TRUE(GetFileSecurityW(path, info, buf.data(), need, &need));
    return buf;
}

}  // namespace

TEST(Sids, ByteLayoutAndComparisons) {
    PSID admins = adminsSid();
    ASSERT_NE(admins, nullptr);
    EXPECT_EQ(winsim::liveSids(), 1u);
    const uint8_t expect[] = {1, 2, 0, 0, 0, 0, 0, 5, 0x20, 0, 0, 0, 0x20, 0x02, 0, 0};
    ASSERT_EQ(GetLengthSid(admins), sizeof expect);
    EXPECT_EQ(std::memcmp(admins, expect, sizeof expect), 0);
    EXPECT_TRUE(IsValidSid(admins));
    PSID everyone = everyoneSid();
    EXPECT_FALSE(EqualSid(admins, everyone));
    uint8_t copy[SECURITY_MAX_SID_SIZE];
    EXPECT_FAILS_WITH(CopySid(15, copy, admins), FALSE, ERROR_INSUFFICIENT_BUFFER);
    ASSERT_TRUE(CopySid(sizeof copy, copy, admins));
    EXPECT_TRUE(EqualSid(copy, admins));
    copy[0] = 2;  // unknown revision
    EXPECT_FALSE(IsValidSid(copy));
    EXPECT_FALSE(EqualSid(copy, admins));
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID tooMany = nullptr;
    EXPECT_FALSE(AllocateAndInitializeSid(&nt, 9, 1, 2, 3, 4, 5, 6, 7, 8, &tooMany));
    EXPECT_EQ(FreeSid(admins), nullptr);
    FreeSid(everyone);
    EXPECT_EQ(winsim::liveSids(), 0u);
}

TEST(Acls, AcesAreWrittenInPlaceAndMustFit) {
    PSID everyone = everyoneSid();
    DWORD size = sizeof(ACL) + 8 + GetLengthSid(everyone);  // room for exactly one ACE
    std::vector<uint8_t> buf(size + 8, 0xEE);
    auto* acl = reinterpret_cast<PACL>(buf.data());
    ASSERT_TRUE(InitializeAcl(acl, size, ACL_REVISION2));
    ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION2, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                                      everyone));
    const uint8_t header[] = {2, 0, 28, 0, 1, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buf.data(), header, 8), 0);
    const uint8_t ace[] = {0, 3, 20, 0, 0xFF, 0x01, 0x1F, 0x00, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(buf.data() + 8, ace, sizeof ace), 0);
    EXPECT_EQ(buf[size], 0xEE);  // nothing past the ACL
    EXPECT_TRUE(IsValidAcl(acl));
    EXPECT_FAILS_WITH(AddAccessAllowedAce(acl, ACL_REVISION2, 1, everyone), FALSE, ERROR_ALLOTTED_SPACE_EXCEEDED);
    uint8_t badSid[8] = {9, 0};
    ASSERT_TRUE(InitializeAcl(acl, size, ACL_REVISION2));
    EXPECT_FAILS_WITH(AddAccessAllowedAce(acl, ACL_REVISION2, 1, badSid), FALSE, ERROR_INVALID_SID);
    EXPECT_FAILS_WITH(InitializeAcl(acl, 4, ACL_REVISION2), FALSE, ERROR_INSUFFICIENT_BUFFER);
    FreeSid(everyone);
}

TEST(AccessCheck, AdministratorTestAnswersByIdentity) {
    {
        winsim::TempMachine m(userConfig(true));
        EXPECT_TRUE(isUserAdmin());
    }
    {
        winsim::TempMachine m(userConfig(false));
        EXPECT_FALSE(isUserAdmin());
        winsim::detail::threadActsAsSystem() = true;  // the spooler's own identity
        EXPECT_TRUE(isUserAdmin());
        winsim::detail::threadActsAsSystem() = false;
    }
    {
        winsim::TempMachine m(userConfig(false, true));  // filtered administrator token
        EXPECT_FALSE(isUserAdmin());
    }
    EXPECT_EQ(winsim::liveSids(), 0u);
    EXPECT_EQ(winsim::detail::openHandleCount(), 0u);
}

TEST(AccessCheck, RefusesWrongTokensDescriptorsAndBuffers) {
    winsim::TempMachine m(userConfig(true));
    PSID admins = adminsSid();
    Descriptor d(admins, {{ACCESS_ALLOWED_ACE_TYPE, 1, admins}});
    GENERIC_MAPPING mapping = {1, 2, 0, 3};
    PRIVILEGE_SET ps;
    DWORD len = sizeof ps, granted = 0;
    BOOL status = FALSE;
    HANDLE primary = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &primary));
    EXPECT_FAILS_WITH(AccessCheck(&d.sd, primary, 1, &mapping, &ps, &len, &granted, &status),
                      FALSE, ERROR_NO_IMPERSONATION_TOKEN);
    CloseHandle(primary);

    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    len = 12;
    EXPECT_FAILS_WITH(AccessCheck(&d.sd, token, 1, &mapping, &ps, &len, &granted, &status),
                      FALSE, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(len, 20u);
    EXPECT_FAILS_WITH(AccessCheck(&d.sd, token, GENERIC_READ, &mapping, &ps, &len, &granted, &status),
                      FALSE, ERROR_GENERIC_NOT_MAPPED);
    SetSecurityDescriptorGroup(&d.sd, nullptr, FALSE);
    EXPECT_FAILS_WITH(AccessCheck(&d.sd, token, 1, &mapping, &ps, &len, &granted, &status),
                      FALSE, ERROR_INVALID_SECURITY_DESCR);
    CloseHandle(token);
    RevertToSelf();
    FreeSid(admins);
}

// IsValidSecurityDescriptor checks without copying the parts out; it must
// agree with the reading every other call makes (GetSecurityDescriptorLength
// gives 0 exactly when that reading fails), byte by byte of each part spoilt.
TEST(AccessCheck, ValidityAgreesWithTheReadingOfEveryPart) {
    winsim::TempMachine m(userConfig(true));
    PSID admins = adminsSid();
    PSID everyone = everyoneSid();
    // Room behind each part for the longest it can claim to be (a SID of 15
    // sub-authorities, an ACL of 64 KB), so a spoilt length stays in bounds.
    const size_t ownerBytes = GetLengthSid(admins), groupBytes = GetLengthSid(everyone);
    std::vector<uint8_t> owner(68), group(68), acl(65536);
    std::memcpy(owner.data(), admins, ownerBytes);
    std::memcpy(group.data(), everyone, groupBytes);
    auto* pacl = reinterpret_cast<PACL>(acl.data());
    ASSERT_TRUE(InitializeAcl(pacl, 64, ACL_REVISION));
    ASSERT_TRUE(AddAccessDeniedAce(pacl, ACL_REVISION, 2, everyone));
    ASSERT_TRUE(AddAccessAllowedAce(pacl, ACL_REVISION, 1, admins));
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, pacl, FALSE);
    SetSecurityDescriptorOwner(&sd, owner.data(), FALSE);
    SetSecurityDescriptorGroup(&sd, group.data(), FALSE);
    ASSERT_TRUE(IsValidSecurityDescriptor(&sd));
    size_t invalid = 0;
    for (std::vector<uint8_t>* part : {&owner, &group, &acl}) {
        const size_t n = part == &owner ? ownerBytes : part == &group ? groupBytes : 64;
        for (size_t i = 0; i < n; ++i) {
            for (uint8_t value : {uint8_t{0}, uint8_t{0x0F}, uint8_t{0xFF}}) {
                const uint8_t saved = (*part)[i];
                (*part)[i] = value;
                const bool read = GetSecurityDescriptorLength(&sd) != 0;
                SetLastError(0);
                const BOOL valid = IsValidSecurityDescriptor(&sd);
                EXPECT_EQ(valid != FALSE, read) << i << " " << int(value);
                if (!valid) {
                    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_SECURITY_DESCR));
                }
                invalid += !read;
                (*part)[i] = saved;
            }
        }
    }
    EXPECT_GT(invalid, 10u);  // the spoilt bytes did make bad descriptors
    // Absent owner, group or DACL is no fault; a bad revision is.
    SECURITY_DESCRIPTOR bare;
    InitializeSecurityDescriptor(&bare, SECURITY_DESCRIPTOR_REVISION);
    EXPECT_TRUE(IsValidSecurityDescriptor(&bare));
    reinterpret_cast<uint8_t*>(&bare)[0] = 2;
    EXPECT_FAILS_WITH(IsValidSecurityDescriptor(&bare), FALSE, ERROR_INVALID_SECURITY_DESCR);
    FreeSid(admins);
    FreeSid(everyone);
}

TEST(AccessCheck, NullDaclDenyAcesAndGenericRights) {
    winsim::TempMachine m(userConfig(false, true));  // Administrators present as deny-only
    PSID admins = adminsSid();
    PSID everyone = everyoneSid();

    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    SetSecurityDescriptorOwner(&open, admins, FALSE);
    SetSecurityDescriptorGroup(&open, admins, FALSE);
    EXPECT_EQ(check(&open, 0x1F01FF), std::make_pair(TRUE, DWORD{0x1F01FF}));
    EXPECT_EQ(check(&open, MAXIMUM_ALLOWED).second, DWORD{0x1F01FF});

    Descriptor empty(admins, {});
    EXPECT_FALSE(check(&empty.sd, 1).first);

    // An ACE with generic rights grants their mapped rights.
    Descriptor generic(admins, {{ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, everyone}});
    EXPECT_EQ(check(&generic.sd, 0x120089), std::make_pair(TRUE, DWORD{0x120089}));
    EXPECT_FALSE(check(&generic.sd, 0x120089 | 0x2).first);

    // A deny ACE for a deny-only group still denies; an earlier allow wins.
    Descriptor denied(admins, {{ACCESS_DENIED_ACE_TYPE, 0x2, admins}, {ACCESS_ALLOWED_ACE_TYPE, 0x3, everyone}});
    EXPECT_EQ(check(&denied.sd, 1), std::make_pair(TRUE, DWORD{1}));
    EXPECT_FAILS_WITH(check(&denied.sd, 2).first, FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(check(&denied.sd, MAXIMUM_ALLOWED).second, DWORD{1});
    Descriptor allowedFirst(admins, {{ACCESS_ALLOWED_ACE_TYPE, 0x3, everyone}, {ACCESS_DENIED_ACE_TYPE, 0x2, admins}});
    EXPECT_TRUE(check(&allowedFirst.sd, 2).first);

    FreeSid(admins);
    FreeSid(everyone);
}

TEST(Tokens, ThreadTokenOnlyWhileImpersonatingAndGroupsByIdentity) {
    winsim::TempMachine m(userConfig(false, true));
    HANDLE token = nullptr;
    EXPECT_FAILS_WITH(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token), FALSE, ERROR_NO_TOKEN);
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token));
    ASSERT_TRUE(RevertToSelf());
    HANDLE again = nullptr;
    EXPECT_FALSE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &again));

    DWORD need = 0;
    EXPECT_FAILS_WITH(GetTokenInformation(token, TokenGroups, nullptr, 0, &need), FALSE, ERROR_INSUFFICIENT_BUFFER);
    std::vector<uint64_t> buf((need + 7) / 8);
    ASSERT_TRUE(GetTokenInformation(token, TokenGroups, buf.data(), need, &need));
    auto* groups = reinterpret_cast<TOKEN_GROUPS*>(buf.data());
    PSID admins = adminsSid();
    DWORD adminAttributes = 0;
    bool found = false;
    for (DWORD i = 0; i < groups->GroupCount; ++i)
        if (EqualSid(groups->Groups[i].Sid, admins)) {
            found = true;
            adminAttributes = groups->Groups[i].Attributes;
        }
    EXPECT_TRUE(found);
    EXPECT_EQ(adminAttributes, static_cast<DWORD>(SE_GROUP_USE_FOR_DENY_ONLY));

    BOOL member = TRUE;
    ASSERT_TRUE(CheckTokenMembership(token, admins, &member));
    EXPECT_FALSE(member);
    PSID everyone = everyoneSid();
    ASSERT_TRUE(CheckTokenMembership(nullptr, everyone, &member));
    EXPECT_TRUE(member);

    ASSERT_TRUE(GetTokenInformation(token, TokenUser, buf.data(), need, &need));
    auto* user = reinterpret_cast<TOKEN_USER*>(buf.data());
    EXPECT_TRUE(IsValidSid(user->User.Sid));
    EXPECT_EQ(static_cast<uint8_t*>(user->User.Sid)[7], 5);  // NT authority
    EXPECT_EQ(GetLengthSid(user->User.Sid), 8u + 4 * 5);    // S-1-5-21-a-b-c-rid

    HANDLE noQuery = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE, &noQuery));
    EXPECT_FAILS_WITH(GetTokenInformation(noQuery, TokenUser, buf.data(), need, &need), FALSE, ERROR_ACCESS_DENIED);
    for (HANDLE h : {token, noQuery}) CloseHandle(h);
    FreeSid(admins);
    FreeSid(everyone);
}

TEST(FileSecurity, OwnerAdministratorsOnlyForAdministratorsOrSystem) {
    winsim::TempMachine m(userConfig(true));
    std::ofstream(m.root() / "C" / "WINDOWS" / "shared.ini") << "x";
    const char16_t* path = u"C:\\WINDOWS\\shared.ini";
    PSID admins = adminsSid();
    PSID everyone = everyoneSid();
    std::vector<uint8_t> aclBuf(64);
    auto* acl = reinterpret_cast<PACL>(aclBuf.data());
    ASSERT_TRUE(InitializeAcl(acl, 64, ACL_REVISION2));
    ASSERT_TRUE(AddAccessAllowedAceEx(acl, ACL_REVISION2, 3, FILE_ALL_ACCESS, everyone));
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
    SetSecurityDescriptorOwner(&sd, admins, FALSE);

    ASSERT_TRUE(SetFileSecurityW(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &sd));
    auto stored = fileSecurity(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION);
    PSID owner = nullptr;
    BOOL defaulted = TRUE, present = FALSE;
    PACL dacl = nullptr;
    ASSERT_TRUE(GetSecurityDescriptorOwner(stored.data(), &owner, &defaulted));
    EXPECT_TRUE(EqualSid(owner, admins));
    ASSERT_TRUE(GetSecurityDescriptorDacl(stored.data(), &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl);
    EXPECT_EQ(std::memcmp(dacl, acl, 8 + 8 + 12), 0);

    // A standard user may not give the file to Administrators, nor may a
    // filtered administrator, but the spooler's own identity may.
    winsim::config().userIsAdmin = false;
    EXPECT_FAILS_WITH(SetFileSecurityW(path, OWNER_SECURITY_INFORMATION, &sd), FALSE, ERROR_INVALID_OWNER);
    winsim::config().set("user.admin.denyonly", "1");
    EXPECT_FAILS_WITH(SetFileSecurityW(path, OWNER_SECURITY_INFORMATION, &sd), FALSE, ERROR_INVALID_OWNER);
    winsim::detail::threadActsAsSystem() = true;
    EXPECT_TRUE(SetFileSecurityW(path, OWNER_SECURITY_INFORMATION, &sd));
    winsim::detail::threadActsAsSystem() = false;

    EXPECT_FAILS_WITH(SetFileSecurityW(u"C:\\WINDOWS\\missing.ini", DACL_SECURITY_INFORMATION, &sd),
                      FALSE, ERROR_FILE_NOT_FOUND);
    EXPECT_FAILS_WITH(SetFileSecurityW(path, SACL_SECURITY_INFORMATION, &sd), FALSE, ERROR_PRIVILEGE_NOT_HELD);
    FreeSid(admins);
    FreeSid(everyone);
}

TEST(FileSecurity, ChangingTheDaclNeedsTheRightToDoSo) {
    winsim::TempMachine m(userConfig(true));
    std::ofstream(m.root() / "C" / "WINDOWS" / "locked.ini") << "x";
    const char16_t* path = u"C:\\WINDOWS\\locked.ini";
    PSID admins = adminsSid();
    PSID everyone = everyoneSid();
    // Administrators own it; everyone may only read.
    Descriptor readOnly(admins, {{ACCESS_ALLOWED_ACE_TYPE, GENERIC_READ, everyone}});
    ASSERT_TRUE(SetFileSecurityW(path, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &readOnly.sd));

    auto before = fileSecurity(path, DACL_SECURITY_INFORMATION);
    winsim::config().userIsAdmin = false;
    Descriptor open(admins, {{ACCESS_ALLOWED_ACE_TYPE, FILE_ALL_ACCESS, everyone}});
    EXPECT_FAILS_WITH(SetFileSecurityW(path, DACL_SECURITY_INFORMATION, &open.sd), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_EQ(fileSecurity(path, DACL_SECURITY_INFORMATION), before);

    winsim::config().userIsAdmin = true;  // the owner group may change it
    EXPECT_TRUE(SetFileSecurityW(path, DACL_SECURITY_INFORMATION, &open.sd));
    FreeSid(admins);
    FreeSid(everyone);
}
