// Tokens, SIDs, ACLs, security descriptors, AccessCheck and file security.
//
// Choices where Windows leaves room or the stand-in differs:
// - Only the calling thread's own token can be opened (GetCurrentThread()).
// - Generic rights inside ACEs are mapped through the caller's GENERIC_MAPPING
//   during AccessCheck, so a descriptor built with GENERIC_* masks works.
// - AccessCheck with no rights requested (0) denies, as nothing was granted.
// - File security is kept in the extended attribute "user.vesk.security" as a
//   self-relative descriptor. A file without one has owner Administrators,
//   group SYSTEM and no DACL (everyone may do everything), matching a machine
//   whose host permissions do not bind. SACLs are not kept: asking to set or
//   read one fails with ERROR_PRIVILEGE_NOT_HELD.
#include <win/process.h>
#include <win/security.h>
#include <sys/xattr.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include <winsim/system.h>

#include "security_internal.h"

using namespace winsim::detail;

static_assert(sizeof(ACL) == 8 && sizeof(ACE_HEADER) == 4 && sizeof(PRIVILEGE_SET) == 20 &&
              sizeof(SECURITY_DESCRIPTOR_RELATIVE) == 20);
static_assert(sizeof(void*) != 4 || (sizeof(SECURITY_DESCRIPTOR) == 20 && sizeof(SID_AND_ATTRIBUTES) == 8),
              "security records must have their Windows sizes on i686");

namespace {

std::atomic<size_t> g_liveSids{0};

constexpr const char* kSecurityAttr = "user.vesk.security";
constexpr GENERIC_MAPPING kFileMapping = {0x120089, 0x120116, 0x1200A0, 0x1F01FF};

struct Token : KernelObject {
    Principal who;
    TOKEN_TYPE type;
    SECURITY_IMPERSONATION_LEVEL level;
    DWORD access;
    Token(Principal w, TOKEN_TYPE t, SECURITY_IMPERSONATION_LEVEL l, DWORD a) : who(w), type(t), level(l), access(a) {}
    const char* kindName() const override { return "token"; }
};

HANDLE addToken(Principal who, TOKEN_TYPE type, SECURITY_IMPERSONATION_LEVEL level, DWORD access) {
    return addHandle(std::make_shared<Token>(who, type, level, access));
}

HANDLE pseudoProcess() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)); }
HANDLE pseudoThread() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

bool fail(DWORD error) {
    setError(error);
    return false;
}

SECURITY_DESCRIPTOR loadAbsolute(PSECURITY_DESCRIPTOR sd) {
    SECURITY_DESCRIPTOR abs;
    std::memcpy(&abs, sd, sizeof abs);
    return abs;
}

// An absolute descriptor the caller may change, else null with the error set.
bool absoluteDescriptor(PSECURITY_DESCRIPTOR sd, SECURITY_DESCRIPTOR& out) {
    if (!sd) return fail(ERROR_INVALID_SECURITY_DESCR);
    out = loadAbsolute(sd);
    if (out.Revision != SECURITY_DESCRIPTOR_REVISION) return fail(ERROR_UNKNOWN_REVISION);
    if (out.Control & SE_SELF_RELATIVE) return fail(ERROR_INVALID_SECURITY_DESCR);
    return true;
}

uint16_t rd16(const void* p) {
    auto* b = static_cast<const uint8_t*>(p);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}
void wr16(void* p, uint16_t v) {
    auto* b = static_cast<uint8_t*>(p);
    b[0] = static_cast<uint8_t>(v);
    b[1] = static_cast<uint8_t>(v >> 8);
}

// Bytes of the ACL used by its header and ACEs.
size_t aclUsed(const uint8_t* acl) {
    size_t off = sizeof(ACL), count = rd16(acl + 4);
    for (size_t i = 0; i < count; ++i) off += rd16(acl + off + 2);
    return off;
}

BOOL addAce(PACL acl, DWORD revision, BYTE type, DWORD flags, DWORD mask, PSID sid) {
    if (!acl || !validAcl(acl)) return fail(ERROR_INVALID_ACL);
    size_t sidLen = sidLength(sid);
    if (!sidLen) return fail(ERROR_INVALID_SID);
    if (revision < ACL_REVISION2 || revision > ACL_REVISION4) return fail(ERROR_REVISION_MISMATCH);
    if (flags & ~static_cast<DWORD>(VALID_INHERIT_FLAGS)) return fail(ERROR_INVALID_PARAMETER);
    auto* b = reinterpret_cast<uint8_t*>(acl);
    size_t used = aclUsed(b), size = rd16(b + 2), aceSize = 8 + sidLen;
    if (used + aceSize > size) return fail(ERROR_ALLOTTED_SPACE_EXCEEDED);
    uint8_t* ace = b + used;
    ace[0] = type;
    ace[1] = static_cast<uint8_t>(flags);
    wr16(ace + 2, static_cast<uint16_t>(aceSize));
    for (int i = 0; i < 4; ++i) ace[4 + i] = static_cast<uint8_t>(mask >> (8 * i));
    std::memcpy(ace + 8, sid, sidLen);
    wr16(b + 4, static_cast<uint16_t>(rd16(b + 4) + 1));
    if (b[0] < revision) b[0] = static_cast<uint8_t>(revision);
    return TRUE;
}

// The token's identity for a query; null with the error set when the handle
// is not a token or lacks `access`.
std::shared_ptr<Token> tokenFor(HANDLE h, DWORD access) {
    auto t = lookup<Token>(h);
    if (!t) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if ((t->access & access) != access) {
        setError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return t;
}

// Stored security of a host file or folder.
SecurityView storedSecurity(const std::filesystem::path& host) {
    SecurityView v;
    ssize_t size = getxattr(host.c_str(), kSecurityAttr, nullptr, 0);
    if (size > 0) {
        Bytes blob(static_cast<size_t>(size));
        ssize_t n = getxattr(host.c_str(), kSecurityAttr, blob.data(), blob.size());
        if (n > 0)
            if (auto stored = readSecurityDescriptor(blob.data(), static_cast<size_t>(n))) return *stored;
    }
    v.owner = adminsSid();
    v.group = systemSid();
    return v;
}

std::optional<std::filesystem::path> existingFile(LPCWSTR fileName) {
    PathError err{};
    auto r = resolve(wstr(fileName), &err);
    if (!r) {
        setPathError(err);
        return std::nullopt;
    }
    if (hostAttributes(r->host) == INVALID_FILE_ATTRIBUTES) {
        setError(r->parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
        return std::nullopt;
    }
    return r->host;
}

constexpr DWORD kInfoParts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;

}  // namespace

namespace winsim::detail {
std::optional<Principal> tokenPrincipal(HANDLE token, DWORD access) {
    auto t = tokenFor(token, access);
    if (!t) return std::nullopt;
    return t->who;
}
}  // namespace winsim::detail

namespace winsim {
size_t liveSids() { return g_liveSids.load(); }
}  // namespace winsim

extern "C" {

// --- Tokens and impersonation ---

WINBASEAPI BOOL WINAPI OpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
    if (enter("OpenProcessToken")) return FALSE;
    if (!token) return fail(ERROR_INVALID_PARAMETER);
    if (process != pseudoProcess()) {
        auto obj = lookupHandle(process);
        if (!obj || std::strcmp(obj->kindName(), "process") != 0) return fail(ERROR_INVALID_HANDLE);
    }
    try {
        *token = addToken(processPrincipal(), TokenPrimary, SecurityAnonymous, access);
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return TRUE;
}

WINBASEAPI BOOL WINAPI OpenThreadToken(HANDLE thread, DWORD access, BOOL openAsSelf, PHANDLE token) {
    (void)openAsSelf;
    if (enter("OpenThreadToken")) return FALSE;
    if (!token) return fail(ERROR_INVALID_PARAMETER);
    if (thread != pseudoThread()) {
        auto obj = lookupHandle(thread);
        if (!obj || std::strcmp(obj->kindName(), "thread") != 0) return fail(ERROR_INVALID_HANDLE);
        return fail(ERROR_NO_TOKEN);  // another process's thread does not impersonate here
    }
    const auto& imp = threadImpersonation();
    if (!imp) return fail(ERROR_NO_TOKEN);
    if (imp->level == SecurityAnonymous) return fail(ERROR_CANT_OPEN_ANONYMOUS);
    try {
        *token = addToken(imp->who, TokenImpersonation, imp->level, access);
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return TRUE;
}

WINBASEAPI BOOL WINAPI ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level) {
    if (enter("ImpersonateSelf")) return FALSE;
    if (level < SecurityAnonymous || level > SecurityDelegation) return fail(ERROR_INVALID_PARAMETER);
    threadImpersonation() = Impersonation{processPrincipal(), level};
    return TRUE;
}

WINBASEAPI BOOL WINAPI ImpersonateLoggedOnUser(HANDLE token) {
    if (enter("ImpersonateLoggedOnUser")) return FALSE;
    auto t = tokenFor(token, TOKEN_QUERY);
    if (!t) return FALSE;
    DWORD need = t->type == TokenPrimary ? TOKEN_DUPLICATE : TOKEN_IMPERSONATE;
    if ((t->access & need) != need) return fail(ERROR_ACCESS_DENIED);
    threadImpersonation() =
        Impersonation{t->who, t->type == TokenPrimary ? SecurityImpersonation : t->level};
    return TRUE;
}

WINBASEAPI BOOL WINAPI RevertToSelf(void) {
    if (enter("RevertToSelf")) return FALSE;
    threadImpersonation().reset();
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info,
                                           DWORD length, PDWORD returnLength) {
    if (enter("GetTokenInformation")) return FALSE;
    if (!returnLength) return fail(ERROR_INVALID_PARAMETER);
    auto t = tokenFor(token, TOKEN_QUERY);
    if (!t) return FALSE;
    Identity id = identityOf(t->who);

    // The answer is built here, then copied: pointer fields are set to the
    // SIDs' places in the caller's buffer.
    Bytes out;
    std::vector<std::pair<size_t, size_t>> links;  // (pointer field offset, target offset)
    auto appendSid = [&](size_t field, const Bytes& sid) {
        while (out.size() % 4) out.push_back(0);
        links.emplace_back(field, out.size());
        out.insert(out.end(), sid.begin(), sid.end());
    };
    auto put32 = [&](size_t off, DWORD v) { std::memcpy(&out[off], &v, 4); };
    switch (infoClass) {
        case TokenUser:
            out.assign(sizeof(TOKEN_USER), 0);
            appendSid(offsetof(TOKEN_USER, User.Sid), id.user);
            break;
        case TokenOwner:
            out.assign(sizeof(TOKEN_OWNER), 0);
            appendSid(offsetof(TOKEN_OWNER, Owner), id.owner);
            break;
        case TokenPrimaryGroup:
            out.assign(sizeof(TOKEN_PRIMARY_GROUP), 0);
            appendSid(offsetof(TOKEN_PRIMARY_GROUP, PrimaryGroup), id.primaryGroup);
            break;
        case TokenGroups: {
            size_t n = id.groups.size();
            size_t base = offsetof(TOKEN_GROUPS, Groups);
            out.assign(base + n * sizeof(SID_AND_ATTRIBUTES), 0);
            put32(offsetof(TOKEN_GROUPS, GroupCount), static_cast<DWORD>(n));
            for (size_t i = 0; i < n; ++i) {
                size_t entry = base + i * sizeof(SID_AND_ATTRIBUTES);
                put32(entry + offsetof(SID_AND_ATTRIBUTES, Attributes), id.groups[i].attributes);
                appendSid(entry + offsetof(SID_AND_ATTRIBUTES, Sid), id.groups[i].sid);
            }
            break;
        }
        case TokenType:
            out.assign(4, 0);
            put32(0, t->type);
            break;
        case TokenImpersonationLevel:
            if (t->type != TokenImpersonation) return fail(ERROR_INVALID_PARAMETER);
            out.assign(4, 0);
            put32(0, t->level);
            break;
        case TokenElevation:
            out.assign(sizeof(TOKEN_ELEVATION), 0);
            put32(0, id.admin ? 1 : 0);
            break;
        default:
            return fail(ERROR_NOT_SUPPORTED);
    }
    *returnLength = static_cast<DWORD>(out.size());
    if (!info || length < out.size()) return fail(ERROR_INSUFFICIENT_BUFFER);
    auto* dst = static_cast<uint8_t*>(info);
    for (auto [field, target] : links) {
        void* p = dst + target;
        std::memcpy(&out[field], &p, sizeof p);
    }
    std::memcpy(dst, out.data(), out.size());
    return TRUE;
}

WINBASEAPI BOOL WINAPI CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember) {
    if (enter("CheckTokenMembership")) return FALSE;
    if (!isMember) return fail(ERROR_INVALID_PARAMETER);
    Bytes wanted = sidBytes(sid);
    if (wanted.empty()) return fail(ERROR_INVALID_SID);
    Principal who = effectivePrincipal();
    if (token) {
        auto t = tokenFor(token, TOKEN_QUERY);
        if (!t) return FALSE;
        if (t->type != TokenImpersonation) return fail(ERROR_NO_IMPERSONATION_TOKEN);
        who = t->who;
    }
    *isMember = holdsEnabled(identityFor(who), wanted) ? TRUE : FALSE;
    return TRUE;
}

// --- SIDs ---

WINBASEAPI BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE count, DWORD s0,
                                                DWORD s1, DWORD s2, DWORD s3, DWORD s4, DWORD s5, DWORD s6,
                                                DWORD s7, PSID* sid) {
    if (enter("AllocateAndInitializeSid")) return FALSE;
    if (!authority || !sid) return fail(ERROR_INVALID_PARAMETER);
    if (count > 8) return fail(ERROR_INVALID_SID);
    auto* b = static_cast<uint8_t*>(std::calloc(1, 8 + 4 * static_cast<size_t>(count)));
    if (!b) return fail(ERROR_NOT_ENOUGH_MEMORY);
    b[0] = SID_REVISION;
    b[1] = count;
    std::memcpy(b + 2, authority->Value, 6);
    const DWORD subs[8] = {s0, s1, s2, s3, s4, s5, s6, s7};
    for (size_t i = 0; i < count; ++i)
        for (int k = 0; k < 4; ++k) b[8 + 4 * i + k] = static_cast<uint8_t>(subs[i] >> (8 * k));
    ++g_liveSids;
    *sid = b;
    return TRUE;
}

WINBASEAPI PVOID WINAPI FreeSid(PSID sid) {
    if (sid) {
        std::free(sid);
        --g_liveSids;
    }
    return nullptr;
}

WINBASEAPI DWORD WINAPI GetLengthSid(PSID sid) {
    if (!sid) return 0;
    return 8 + 4 * static_cast<const uint8_t*>(sid)[1];
}

WINBASEAPI BOOL WINAPI IsValidSid(PSID sid) { return sidLength(sid) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI EqualSid(PSID a, PSID b) {
    size_t la = sidLength(a), lb = sidLength(b);
    if (!la || !lb) return fail(ERROR_INVALID_SID);
    setError(ERROR_SUCCESS);
    return la == lb && std::memcmp(a, b, la) == 0;
}

WINBASEAPI BOOL WINAPI CopySid(DWORD length, PSID destination, PSID source) {
    size_t n = sidLength(source);
    if (!n) return fail(ERROR_INVALID_SID);
    if (!destination || length < n) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memmove(destination, source, n);
    return TRUE;
}

WINBASEAPI DWORD WINAPI GetSidLengthRequired(BYTE count) { return 8 + 4 * static_cast<DWORD>(count); }

// --- ACLs ---

WINBASEAPI BOOL WINAPI InitializeAcl(PACL acl, DWORD length, DWORD revision) {
    if (enter("InitializeAcl")) return FALSE;
    if (!acl) return fail(ERROR_INVALID_PARAMETER);
    if (length < sizeof(ACL)) return fail(ERROR_INSUFFICIENT_BUFFER);
    if (length > 0xFFFC || revision < ACL_REVISION2 || revision > ACL_REVISION4) return fail(ERROR_INVALID_PARAMETER);
    auto* b = reinterpret_cast<uint8_t*>(acl);
    std::memset(b, 0, sizeof(ACL));
    b[0] = static_cast<uint8_t>(revision);
    wr16(b + 2, static_cast<uint16_t>(length & ~3u));  // ACEs are DWORD aligned
    return TRUE;
}

WINBASEAPI BOOL WINAPI IsValidAcl(PACL acl) { return validAcl(acl) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI AddAccessAllowedAce(PACL acl, DWORD revision, DWORD mask, PSID sid) {
    if (enter("AddAccessAllowedAce")) return FALSE;
    return addAce(acl, revision, ACCESS_ALLOWED_ACE_TYPE, 0, mask, sid);
}

WINBASEAPI BOOL WINAPI AddAccessAllowedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask, PSID sid) {
    if (enter("AddAccessAllowedAceEx")) return FALSE;
    return addAce(acl, revision, ACCESS_ALLOWED_ACE_TYPE, flags, mask, sid);
}

WINBASEAPI BOOL WINAPI AddAccessDeniedAce(PACL acl, DWORD revision, DWORD mask, PSID sid) {
    if (enter("AddAccessDeniedAce")) return FALSE;
    return addAce(acl, revision, ACCESS_DENIED_ACE_TYPE, 0, mask, sid);
}

WINBASEAPI BOOL WINAPI AddAccessDeniedAceEx(PACL acl, DWORD revision, DWORD flags, DWORD mask, PSID sid) {
    if (enter("AddAccessDeniedAceEx")) return FALSE;
    return addAce(acl, revision, ACCESS_DENIED_ACE_TYPE, flags, mask, sid);
}

WINBASEAPI BOOL WINAPI GetAce(PACL acl, DWORD index, LPVOID* ace) {
    if (!acl || !ace || !validAcl(acl)) return fail(ERROR_INVALID_PARAMETER);
    auto* b = reinterpret_cast<uint8_t*>(acl);
    if (index >= rd16(b + 4)) return fail(ERROR_INVALID_PARAMETER);
    size_t off = sizeof(ACL);
    for (DWORD i = 0; i < index; ++i) off += rd16(b + off + 2);
    *ace = b + off;
    return TRUE;
}

// --- Security descriptors ---

WINBASEAPI BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR sd, DWORD revision) {
    if (enter("InitializeSecurityDescriptor")) return FALSE;
    if (!sd) return fail(ERROR_INVALID_PARAMETER);
    if (revision != SECURITY_DESCRIPTOR_REVISION) return fail(ERROR_UNKNOWN_REVISION);
    SECURITY_DESCRIPTOR abs{};
    abs.Revision = SECURITY_DESCRIPTOR_REVISION;
    std::memcpy(sd, &abs, sizeof abs);
    return TRUE;
}

WINBASEAPI BOOL WINAPI IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR sd) {
    if (validSecurityDescriptor(sd)) return TRUE;
    return fail(ERROR_INVALID_SECURITY_DESCR);
}

WINBASEAPI DWORD WINAPI GetSecurityDescriptorLength(PSECURITY_DESCRIPTOR sd) {
    auto v = readSecurityDescriptor(sd);
    if (!v) return 0;
    auto* b = static_cast<const uint8_t*>(sd);
    if (rd16(b + 2) & SE_SELF_RELATIVE) {
        // The end of its farthest part.
        size_t end = sizeof(SECURITY_DESCRIPTOR_RELATIVE);
        auto part = [&](size_t field, size_t len) {
            uint32_t off;
            std::memcpy(&off, b + field, 4);
            if (off && len) end = std::max(end, static_cast<size_t>(off) + len);
        };
        part(4, v->owner.size());
        part(8, v->group.size());
        part(16, v->dacl.size());
        return static_cast<DWORD>(end);
    }
    return static_cast<DWORD>(sizeof(SECURITY_DESCRIPTOR) + v->owner.size() + v->group.size() + v->dacl.size());
}

WINBASEAPI BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR sd, BOOL present, PACL dacl, BOOL defaulted) {
    if (enter("SetSecurityDescriptorDacl")) return FALSE;
    SECURITY_DESCRIPTOR abs;
    if (!absoluteDescriptor(sd, abs)) return FALSE;
    abs.Control &= ~(SE_DACL_PRESENT | SE_DACL_DEFAULTED);
    if (present) {
        abs.Control |= SE_DACL_PRESENT | (defaulted ? SE_DACL_DEFAULTED : 0);
        abs.Dacl = dacl;
    } else {
        abs.Dacl = nullptr;
    }
    std::memcpy(sd, &abs, sizeof abs);
    return TRUE;
}

WINBASEAPI BOOL WINAPI SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID owner, BOOL defaulted) {
    if (enter("SetSecurityDescriptorOwner")) return FALSE;
    SECURITY_DESCRIPTOR abs;
    if (!absoluteDescriptor(sd, abs)) return FALSE;
    abs.Owner = owner;
    abs.Control = static_cast<WORD>((abs.Control & ~SE_OWNER_DEFAULTED) | (defaulted ? SE_OWNER_DEFAULTED : 0));
    std::memcpy(sd, &abs, sizeof abs);
    return TRUE;
}

WINBASEAPI BOOL WINAPI SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR sd, PSID group, BOOL defaulted) {
    if (enter("SetSecurityDescriptorGroup")) return FALSE;
    SECURITY_DESCRIPTOR abs;
    if (!absoluteDescriptor(sd, abs)) return FALSE;
    abs.Group = group;
    abs.Control = static_cast<WORD>((abs.Control & ~SE_GROUP_DEFAULTED) | (defaulted ? SE_GROUP_DEFAULTED : 0));
    std::memcpy(sd, &abs, sizeof abs);
    return TRUE;
}

// The getters answer for both forms; a self-relative part is a pointer into it.
namespace {
enum class Part { Owner, Group, Dacl };
BOOL getPart(PSECURITY_DESCRIPTOR sd, Part which, PVOID* out) {
    if (!sd || !out) return fail(ERROR_INVALID_PARAMETER);
    auto* b = static_cast<uint8_t*>(sd);
    if (b[0] != SECURITY_DESCRIPTOR_REVISION) return fail(ERROR_UNKNOWN_REVISION);
    if (rd16(b + 2) & SE_SELF_RELATIVE) {
        uint32_t off;
        std::memcpy(&off, b + (which == Part::Owner ? 4 : which == Part::Group ? 8 : 16), 4);
        *out = off ? b + off : nullptr;
    } else {
        SECURITY_DESCRIPTOR abs = loadAbsolute(sd);
        *out = which == Part::Owner ? abs.Owner : which == Part::Group ? abs.Group : static_cast<PVOID>(abs.Dacl);
    }
    return TRUE;
}
}  // namespace

WINBASEAPI BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR sd, LPBOOL present, PACL* dacl,
                                                 LPBOOL defaulted) {
    if (!present || !dacl || !defaulted) return fail(ERROR_INVALID_PARAMETER);
    PVOID p = nullptr;
    if (!getPart(sd, Part::Dacl, &p)) return FALSE;
    uint16_t control = rd16(static_cast<uint8_t*>(sd) + 2);
    *present = (control & SE_DACL_PRESENT) ? TRUE : FALSE;
    *dacl = *present ? static_cast<PACL>(p) : nullptr;
    *defaulted = (control & SE_DACL_DEFAULTED) ? TRUE : FALSE;
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID* owner, LPBOOL defaulted) {
    if (!defaulted) return fail(ERROR_INVALID_PARAMETER);
    if (!getPart(sd, Part::Owner, owner)) return FALSE;
    *defaulted = (rd16(static_cast<uint8_t*>(sd) + 2) & SE_OWNER_DEFAULTED) ? TRUE : FALSE;
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR sd, PSID* group, LPBOOL defaulted) {
    if (!defaulted) return fail(ERROR_INVALID_PARAMETER);
    if (!getPart(sd, Part::Group, group)) return FALSE;
    *defaulted = (rd16(static_cast<uint8_t*>(sd) + 2) & SE_GROUP_DEFAULTED) ? TRUE : FALSE;
    return TRUE;
}

// --- Access checks ---

WINBASEAPI void WINAPI MapGenericMask(PDWORD mask, PGENERIC_MAPPING m) {
    if (!mask || !m) return;
    DWORD v = *mask;
    if (v & GENERIC_READ) v |= m->GenericRead;
    if (v & GENERIC_WRITE) v |= m->GenericWrite;
    if (v & GENERIC_EXECUTE) v |= m->GenericExecute;
    if (v & GENERIC_ALL) v |= m->GenericAll;
    *mask = v & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

WINBASEAPI BOOL WINAPI AccessCheck(PSECURITY_DESCRIPTOR sd, HANDLE clientToken, DWORD desired,
                                   PGENERIC_MAPPING mapping, PPRIVILEGE_SET privileges, LPDWORD privilegesLength,
                                   LPDWORD granted, LPBOOL status) {
    if (enter("AccessCheck")) return FALSE;
    if (!mapping || !privilegesLength || !granted || !status) return fail(ERROR_INVALID_PARAMETER);
    auto t = lookup<Token>(clientToken);
    if (!t) return fail(ERROR_INVALID_HANDLE);
    if (t->type != TokenImpersonation) return fail(ERROR_NO_IMPERSONATION_TOKEN);
    if (t->level < SecurityIdentification) return fail(ERROR_BAD_IMPERSONATION_LEVEL);
    if (!(t->access & TOKEN_QUERY)) return fail(ERROR_ACCESS_DENIED);
    SecurityParts view;
    if (!scanSecurityDescriptor(sd, SIZE_MAX, &view) || !view.owner || !view.group)
        return fail(ERROR_INVALID_SECURITY_DESCR);
    if (desired & (GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL)) return fail(ERROR_GENERIC_NOT_MAPPED);
    if (*privilegesLength < sizeof(PRIVILEGE_SET) || !privileges) {
        *privilegesLength = sizeof(PRIVILEGE_SET);
        return fail(ERROR_INSUFFICIENT_BUFFER);
    }
    privileges->PrivilegeCount = 0;
    privileges->Control = 0;

    DWORD want = desired & ~static_cast<DWORD>(MAXIMUM_ALLOWED);
    DWORD got = grantedAccess(view, identityFor(t->who), desired, *mapping);
    bool ok = (want & ~got) == 0 && (got != 0);
    *granted = ok ? ((desired & MAXIMUM_ALLOWED) ? got : want) : 0;
    *status = ok ? TRUE : FALSE;
    if (!ok) setError(ERROR_ACCESS_DENIED);
    return TRUE;
}

// --- File security ---

WINBASEAPI BOOL WINAPI SetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd) {
    if (enter("SetFileSecurityW", fileName ? winsim::toUtf8(wstr(fileName)) : std::string())) return FALSE;
    if (!fileName || !sd) return fail(ERROR_INVALID_PARAMETER);
    auto host = existingFile(fileName);
    if (!host) return FALSE;
    if (info & SACL_SECURITY_INFORMATION) return fail(ERROR_PRIVILEGE_NOT_HELD);
    auto view = readSecurityDescriptor(sd);
    if (!view) return fail(ERROR_INVALID_SECURITY_DESCR);
    try {
        Identity id = identityOf(effectivePrincipal());
        SecurityView stored = storedSecurity(*host);

        // The right to change each part, from the security already there.
        // Administrators may always take ownership.
        DWORD need = ((info & (OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION)) ? WRITE_OWNER : 0) |
                     ((info & DACL_SECURITY_INFORMATION) ? WRITE_DAC : 0);
        DWORD got = grantedAccess(stored, id, need, kFileMapping);
        if (id.admin) got |= WRITE_OWNER;
        if ((need & ~got) != 0) return fail(ERROR_ACCESS_DENIED);

        if (info & OWNER_SECURITY_INFORMATION) {
            bool allowed = sameSid(view->owner, id.user);
            for (const auto& g : id.groups)
                if ((g.attributes & SE_GROUP_OWNER) && (g.attributes & SE_GROUP_ENABLED) && sameSid(g.sid, view->owner))
                    allowed = true;
            if (!allowed) return fail(ERROR_INVALID_OWNER);
            stored.owner = view->owner;
        }
        if (info & GROUP_SECURITY_INFORMATION) {
            if (view->group.empty()) return fail(ERROR_INVALID_PRIMARY_GROUP);
            stored.group = view->group;
        }
        if (info & DACL_SECURITY_INFORMATION) {
            // A descriptor without a DACL sets a null DACL, as on Windows.
            stored.daclPresent = true;
            stored.dacl = view->daclPresent ? view->dacl : Bytes();
            stored.control = static_cast<uint16_t>((stored.control & ~SE_DACL_PROTECTED) |
                                                   (view->control & SE_DACL_PROTECTED));
        }
        if ((info & kInfoParts) == 0) return TRUE;
        Bytes blob = selfRelative(stored);
        if (setxattr(host->c_str(), kSecurityAttr, blob.data(), blob.size(), 0) != 0)
            return fail(errno == ENOTSUP ? ERROR_NOT_SUPPORTED : ERROR_ACCESS_DENIED);
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd,
                                        DWORD length, LPDWORD needed) {
    if (enter("GetFileSecurityW", fileName ? winsim::toUtf8(wstr(fileName)) : std::string())) return FALSE;
    if (!fileName || !needed) return fail(ERROR_INVALID_PARAMETER);
    auto host = existingFile(fileName);
    if (!host) return FALSE;
    if (info & SACL_SECURITY_INFORMATION) return fail(ERROR_PRIVILEGE_NOT_HELD);
    try {
        SecurityView stored = storedSecurity(*host);
        if (info & kInfoParts) {
            DWORD got = grantedAccess(stored, identityOf(effectivePrincipal()), READ_CONTROL, kFileMapping);
            if (!(got & READ_CONTROL)) return fail(ERROR_ACCESS_DENIED);
        }
        SecurityView part;
        if (info & OWNER_SECURITY_INFORMATION) part.owner = stored.owner;
        if (info & GROUP_SECURITY_INFORMATION) part.group = stored.group;
        if (info & DACL_SECURITY_INFORMATION) {
            part.daclPresent = true;  // a file without a DACL answers a null one
            part.dacl = stored.daclPresent ? stored.dacl : Bytes();
            part.control = stored.control & SE_DACL_PROTECTED;
        }
        Bytes blob = selfRelative(part);
        *needed = static_cast<DWORD>(blob.size());
        if (!sd || length < blob.size()) return fail(ERROR_INSUFFICIENT_BUFFER);
        std::memcpy(sd, blob.data(), blob.size());
    } catch (const std::bad_alloc&) {
        return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    return TRUE;
}

}  // extern "C"
