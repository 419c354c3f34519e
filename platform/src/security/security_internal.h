// Identities, SIDs and security descriptors shared by the security, system,
// folder and mutex services of the stand-in.
#pragma once
#include <win/security.h>

#include <optional>
#include <string>
#include <vector>

#include "core/sim.h"

namespace winsim::detail {

using Bytes = std::vector<uint8_t>;

// --- SIDs (byte format) ---
// Length of the SID at `p` when it is valid and fits in `avail` bytes, else 0.
size_t sidLength(const void* p, size_t avail = SIZE_MAX);
Bytes sidBytes(const void* p);  // the SID's bytes (empty when invalid)
Bytes makeSid(uint8_t authority, std::initializer_list<uint32_t> subAuthorities);
std::string sidString(const Bytes& sid);  // "S-1-5-32-544"
bool sameSid(const Bytes& a, const Bytes& b);

Bytes adminsSid();   // S-1-5-32-544
Bytes systemSid();   // S-1-5-18
Bytes everyoneSid(); // S-1-1-0

// --- ACLs (byte format) ---
// True when the ACL at `p` is well formed within min(its AclSize, avail).
bool validAcl(const void* p, size_t avail = SIZE_MAX);

// --- Security descriptors ---
// Owner, group and DACL of a descriptor, copied out of an absolute or a
// self-relative one.
struct SecurityView {
    uint16_t control = 0;  // the caller's flags (SE_*_DEFAULTED, SE_DACL_PROTECTED)
    Bytes owner;           // empty: none
    Bytes group;
    bool daclPresent = false;
    Bytes dacl;            // empty with daclPresent: a null DACL
};
// Reads a descriptor; `size` bounds a self-relative one when known. Nothing
// when the descriptor, or one of its parts, is malformed.
std::optional<SecurityView> readSecurityDescriptor(const void* sd, size_t size = SIZE_MAX);
// Whether readSecurityDescriptor would give a view (nothing is copied).
bool validSecurityDescriptor(const void* sd, size_t size = SIZE_MAX);
// The same parts where they lie in the caller's memory (null: absent; a
// present DACL that is null has `dacl` null), good while that memory is.
struct SecurityParts {
    uint16_t control = 0;
    const uint8_t* owner = nullptr;
    size_t ownerBytes = 0;
    const uint8_t* group = nullptr;
    size_t groupBytes = 0;
    bool daclPresent = false;
    const uint8_t* dacl = nullptr;
    size_t daclBytes = 0;
};
// The checks of readSecurityDescriptor; `out` (may be null) gets the parts.
bool scanSecurityDescriptor(const void* sd, size_t size, SecurityParts* out);
// The self-relative form (SE_SELF_RELATIVE, offsets) of a view.
Bytes selfRelative(const SecurityView& v);

// --- Identities ---
enum class Principal { User, System };
struct TokenGroup {
    Bytes sid;
    DWORD attributes;
};
struct Identity {
    Principal who = Principal::User;
    Bytes user;
    std::vector<TokenGroup> groups;
    Bytes owner;         // default owner of what the identity creates
    Bytes primaryGroup;
    bool admin = false;  // Administrators is an enabled group
};
Identity identityOf(Principal who);
// The same identity, kept per thread while the machine settings it is made
// from (user and computer name, the user's administrator settings) stay as
// they were; valid until the thread's next call.
const Identity& identityFor(Principal who);
// The process's identity as the calling thread sees it: SYSTEM while the
// thread acts as the spooler itself, else the interactive user.
Principal processPrincipal();
// The calling thread's identity: its impersonation, else the process's.
Principal effectivePrincipal();
std::u16string principalName(Principal who);
std::u16string profileDirectory(Principal who);  // Windows path, no trailing separator

// Whether `sid` is the identity's user or one of its enabled groups.
bool holdsEnabled(const Identity& id, const Bytes& sid);

// Access the identity gets from the descriptor: the requested rights that are
// granted (all grantable rights for MAXIMUM_ALLOWED). Generic rights in ACEs
// are mapped through `mapping`. A missing or null DACL grants everything; the
// owner always gets READ_CONTROL and WRITE_DAC.
DWORD grantedAccess(const SecurityView& sd, const Identity& id, DWORD desired, const GENERIC_MAPPING& mapping);
DWORD grantedAccess(const SecurityParts& sd, const Identity& id, DWORD desired, const GENERIC_MAPPING& mapping);

// The identity of a token handle that grants `access`; nothing (error set:
// ERROR_INVALID_HANDLE, ERROR_ACCESS_DENIED) otherwise.
std::optional<Principal> tokenPrincipal(HANDLE token, DWORD access);

// Thread impersonation (a thread token exists only while it is set).
struct Impersonation {
    Principal who;
    SECURITY_IMPERSONATION_LEVEL level;
};
std::optional<Impersonation>& threadImpersonation();

}  // namespace winsim::detail
