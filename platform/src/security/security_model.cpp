// The identity model and the byte formats of SIDs, ACLs and security
// descriptors, shared by the stand-in's security services.
//
// Identities: the interactive user of the machine's configuration and SYSTEM.
// The user's token holds Everyone, Users, Interactive and Authenticated Users
// as enabled groups, and BUILTIN\Administrators enabled (and ownable) when the
// user is an administrator, or marked deny-only when the machine sets
// "user.admin.denyonly=1" (an administrator's filtered token).
#include <cstring>

#include "security_internal.h"

namespace winsim::detail {
namespace {

uint16_t rd16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t rd32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
void wr16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void wr32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

uint32_t fnv1a(std::string_view s, uint32_t seed) {
    uint32_t h = 2166136261u ^ seed;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

// The machine's own domain: S-1-5-21-a-b-c, derived from the computer name.
Bytes machineSid(uint32_t rid) {
    const std::string& computer = config().computerName;
    return makeSid(5, {21, fnv1a(computer, 1) & 0x7FFFFFFF, fnv1a(computer, 2) & 0x7FFFFFFF,
                       fnv1a(computer, 3) & 0x7FFFFFFF, rid});
}

DWORD mapGeneric(DWORD mask, const GENERIC_MAPPING& m) {
    if (mask & GENERIC_READ) mask |= m.GenericRead;
    if (mask & GENERIC_WRITE) mask |= m.GenericWrite;
    if (mask & GENERIC_EXECUTE) mask |= m.GenericExecute;
    if (mask & GENERIC_ALL) mask |= m.GenericAll;
    return mask & ~static_cast<DWORD>(GENERIC_READ | GENERIC_WRITE | GENERIC_EXECUTE | GENERIC_ALL);
}

// sameSid for a SID given as its `n` bytes at `sid`.
bool sameSidAt(const Bytes& a, const uint8_t* sid, size_t n) {
    return !a.empty() && a.size() == n && std::memcmp(a.data(), sid, n) == 0;
}

bool holdsAny(const Identity& id, const uint8_t* sid, size_t n) {
    if (sameSidAt(id.user, sid, n)) return true;
    for (const auto& g : id.groups)
        if (sameSidAt(g.sid, sid, n)) return true;
    return false;
}

bool holdsEnabledAt(const Identity& id, const uint8_t* sid, size_t n) {
    if (sameSidAt(id.user, sid, n)) return true;
    for (const auto& g : id.groups)
        if ((g.attributes & SE_GROUP_ENABLED) && !(g.attributes & SE_GROUP_USE_FOR_DENY_ONLY) &&
            sameSidAt(g.sid, sid, n))
            return true;
    return false;
}

}  // namespace

size_t sidLength(const void* p, size_t avail) {
    if (!p || avail < 8) return 0;
    auto* b = static_cast<const uint8_t*>(p);
    if (b[0] != SID_REVISION || b[1] > SID_MAX_SUB_AUTHORITIES) return 0;
    size_t len = 8 + 4 * static_cast<size_t>(b[1]);
    return len <= avail ? len : 0;
}

Bytes sidBytes(const void* p) {
    size_t n = sidLength(p);
    auto* b = static_cast<const uint8_t*>(p);
    return n ? Bytes(b, b + n) : Bytes();
}

Bytes makeSid(uint8_t authority, std::initializer_list<uint32_t> subs) {
    Bytes s(8 + 4 * subs.size(), 0);
    s[0] = SID_REVISION;
    s[1] = static_cast<uint8_t>(subs.size());
    s[7] = authority;
    size_t off = 8;
    for (uint32_t v : subs) {
        wr32(&s[off], v);
        off += 4;
    }
    return s;
}

std::string sidString(const Bytes& sid) {
    if (sidLength(sid.data(), sid.size()) == 0) return {};
    uint64_t auth = 0;
    for (int i = 2; i < 8; ++i) auth = (auth << 8) | sid[i];
    std::string out = "S-1-" + std::to_string(auth);
    for (size_t i = 0; i < sid[1]; ++i) out += "-" + std::to_string(rd32(&sid[8 + 4 * i]));
    return out;
}

bool sameSid(const Bytes& a, const Bytes& b) { return !a.empty() && a == b; }

Bytes adminsSid() { return makeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS}); }
Bytes systemSid() { return makeSid(5, {SECURITY_LOCAL_SYSTEM_RID}); }
Bytes everyoneSid() { return makeSid(1, {SECURITY_WORLD_RID}); }

bool validAcl(const void* p, size_t avail) {
    if (!p || avail < sizeof(ACL)) return false;
    auto* b = static_cast<const uint8_t*>(p);
    if (b[0] < ACL_REVISION2 || b[0] > ACL_REVISION4) return false;
    size_t size = rd16(b + 2);
    if (size < sizeof(ACL) || size > avail) return false;
    size_t count = rd16(b + 4);
    size_t off = sizeof(ACL);
    for (size_t i = 0; i < count; ++i) {
        if (off + sizeof(ACE_HEADER) > size) return false;
        size_t aceSize = rd16(b + off + 2);
        if (aceSize < sizeof(ACE_HEADER) || aceSize % 4 || off + aceSize > size) return false;
        uint8_t type = b[off];
        if (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE) {
            if (aceSize < 8 || sidLength(b + off + 8, aceSize - 8) == 0) return false;
        }
        off += aceSize;
    }
    return true;
}

bool scanSecurityDescriptor(const void* sd, size_t size, SecurityParts* out) {
    if (!sd || size < 4) return false;
    auto* b = static_cast<const uint8_t*>(sd);
    if (b[0] != SECURITY_DESCRIPTOR_REVISION) return false;
    uint16_t control = rd16(b + 2);
    SecurityParts parts;
    parts.control = control & (SE_OWNER_DEFAULTED | SE_GROUP_DEFAULTED | SE_DACL_DEFAULTED | SE_DACL_PROTECTED);
    parts.daclPresent = control & SE_DACL_PRESENT;
    auto takeSid = [&](const uint8_t* p, size_t avail, const uint8_t*& at, size_t& bytes) {
        size_t n = sidLength(p, avail);
        if (!n) return false;
        at = p;
        bytes = n;
        return true;
    };
    auto takeAcl = [&](const uint8_t* p, size_t avail) {
        if (!validAcl(p, avail)) return false;
        parts.dacl = p;
        parts.daclBytes = rd16(p + 2);
        return true;
    };
    if (control & SE_SELF_RELATIVE) {
        if (size < sizeof(SECURITY_DESCRIPTOR_RELATIVE)) return false;
        uint32_t owner = rd32(b + 4), group = rd32(b + 8), dacl = rd32(b + 16);
        auto inside = [&](uint32_t off) { return off >= sizeof(SECURITY_DESCRIPTOR_RELATIVE) && off < size; };
        if (owner && (!inside(owner) || !takeSid(b + owner, size - owner, parts.owner, parts.ownerBytes))) return false;
        if (group && (!inside(group) || !takeSid(b + group, size - group, parts.group, parts.groupBytes))) return false;
        if (parts.daclPresent && dacl && (!inside(dacl) || !takeAcl(b + dacl, size - dacl))) return false;
    } else {
        if (size < sizeof(SECURITY_DESCRIPTOR)) return false;
        SECURITY_DESCRIPTOR abs;
        std::memcpy(&abs, sd, sizeof abs);
        if (abs.Owner && !takeSid(static_cast<const uint8_t*>(abs.Owner), SIZE_MAX, parts.owner, parts.ownerBytes))
            return false;
        if (abs.Group && !takeSid(static_cast<const uint8_t*>(abs.Group), SIZE_MAX, parts.group, parts.groupBytes))
            return false;
        if (parts.daclPresent && abs.Dacl && !takeAcl(reinterpret_cast<const uint8_t*>(abs.Dacl), SIZE_MAX))
            return false;
    }
    if (out) *out = parts;
    return true;
}

std::optional<SecurityView> readSecurityDescriptor(const void* sd, size_t size) {
    SecurityParts p;
    if (!scanSecurityDescriptor(sd, size, &p)) return std::nullopt;
    SecurityView v;
    v.control = p.control;
    v.daclPresent = p.daclPresent;
    if (p.owner) v.owner.assign(p.owner, p.owner + p.ownerBytes);
    if (p.group) v.group.assign(p.group, p.group + p.groupBytes);
    if (p.dacl) v.dacl.assign(p.dacl, p.dacl + p.daclBytes);
    return v;
}

bool validSecurityDescriptor(const void* sd, size_t size) { return scanSecurityDescriptor(sd, size, nullptr); }

Bytes selfRelative(const SecurityView& v) {
    Bytes out(sizeof(SECURITY_DESCRIPTOR_RELATIVE), 0);
    out[0] = SECURITY_DESCRIPTOR_REVISION;
    uint16_t control = v.control | SE_SELF_RELATIVE | (v.daclPresent ? SE_DACL_PRESENT : 0);
    wr16(&out[2], control);
    auto append = [&](const Bytes& part, size_t field) {
        if (part.empty()) return;
        while (out.size() % 4) out.push_back(0);
        wr32(&out[field], static_cast<uint32_t>(out.size()));
        out.insert(out.end(), part.begin(), part.end());
    };
    append(v.owner, 4);
    append(v.group, 8);
    if (v.daclPresent) append(v.dacl, 16);
    return out;
}

Identity identityOf(Principal who) {
    Identity id;
    id.who = who;
    constexpr DWORD kOn = SE_GROUP_MANDATORY | SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED;
    if (who == Principal::System) {
        id.user = systemSid();
        id.groups = {{adminsSid(), SE_GROUP_ENABLED_BY_DEFAULT | SE_GROUP_ENABLED | SE_GROUP_OWNER},
                     {everyoneSid(), kOn},
                     {makeSid(5, {SECURITY_AUTHENTICATED_USER_RID}), kOn}};
        id.owner = adminsSid();
        id.primaryGroup = systemSid();
        id.admin = true;
        return id;
    }
    const MachineConfig& cfg = config();
    uint32_t rid = 1000 + fnv1a(cfg.userName, 7) % 9000;
    id.user = machineSid(rid);
    id.groups.push_back({machineSid(513), kOn});  // the machine's "None" group
    id.groups.push_back({everyoneSid(), kOn});
    if (cfg.userIsAdmin)
        id.groups.push_back({adminsSid(), kOn | SE_GROUP_OWNER});
    else if (cfg.get("user.admin.denyonly").value_or("0") == "1")
        id.groups.push_back({adminsSid(), SE_GROUP_USE_FOR_DENY_ONLY});
    id.groups.push_back({makeSid(5, {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS}), kOn});
    id.groups.push_back({makeSid(5, {SECURITY_INTERACTIVE_RID}), kOn});
    id.groups.push_back({makeSid(5, {SECURITY_AUTHENTICATED_USER_RID}), kOn});
    id.admin = cfg.userIsAdmin;
    id.owner = id.admin ? adminsSid() : id.user;
    id.primaryGroup = machineSid(513);
    return id;
}

const Identity& identityFor(Principal who) {
    if (who == Principal::System) {
        thread_local const Identity system = identityOf(Principal::System);
        return system;
    }
    // The user's identity depends on these settings of the machine only.
    struct Kept {
        bool valid = false;
        std::string user, computer;
        bool admin = false, denyOnly = false;
        Identity id;
    };
    thread_local Kept kept;
    const MachineConfig& cfg = config();
    const bool denyOnly = !cfg.userIsAdmin && cfg.get("user.admin.denyonly").value_or("0") == "1";
    if (!kept.valid || kept.admin != cfg.userIsAdmin || kept.denyOnly != denyOnly || kept.user != cfg.userName ||
        kept.computer != cfg.computerName) {
        kept.valid = false;
        kept.id = identityOf(Principal::User);
        kept.user = cfg.userName;
        kept.computer = cfg.computerName;
        kept.admin = cfg.userIsAdmin;
        kept.denyOnly = denyOnly;
        kept.valid = true;
    }
    return kept.id;
}

std::optional<Impersonation>& threadImpersonation() {
    thread_local std::optional<Impersonation> imp;
    return imp;
}

Principal processPrincipal() { return threadActsAsSystem() ? Principal::System : Principal::User; }

Principal effectivePrincipal() {
    const auto& imp = threadImpersonation();
    return imp ? imp->who : processPrincipal();
}

std::u16string principalName(Principal who) {
    return who == Principal::System ? u"SYSTEM" : fromUtf8(config().userName);
}

std::u16string profileDirectory(Principal who) {
    const MachineConfig& cfg = config();
    return fromUtf8(who == Principal::System ? cfg.systemDir + "\\config\\systemprofile" : cfg.profileDir());
}

bool holdsEnabled(const Identity& id, const Bytes& sid) { return holdsEnabledAt(id, sid.data(), sid.size()); }

DWORD grantedAccess(const SecurityParts& sd, const Identity& id, DWORD desired, const GENERIC_MAPPING& mapping) {
    bool maximum = desired & MAXIMUM_ALLOWED;
    DWORD want = mapGeneric(desired & ~static_cast<DWORD>(MAXIMUM_ALLOWED), mapping);
    if (!sd.daclPresent || !sd.dacl) {
        DWORD all = mapGeneric(GENERIC_ALL, mapping) | STANDARD_RIGHTS_ALL;
        return maximum ? (all | want) : want;
    }
    DWORD granted = 0, denied = 0;
    if (sd.owner && holdsEnabledAt(id, sd.owner, sd.ownerBytes)) granted |= READ_CONTROL | WRITE_DAC;
    const uint8_t* b = sd.dacl;
    size_t count = rd16(b + 4), off = sizeof(ACL);
    for (size_t i = 0; i < count; ++i) {
        uint8_t type = b[off], flags = b[off + 1];
        size_t aceSize = rd16(b + off + 2);
        if (!(flags & INHERIT_ONLY_ACE) && (type == ACCESS_ALLOWED_ACE_TYPE || type == ACCESS_DENIED_ACE_TYPE)) {
            DWORD mask = mapGeneric(rd32(b + off + 4), mapping);
            const uint8_t* sid = b + off + 8;
            const size_t sidLen = sidLength(sid, aceSize - 8);
            if (type == ACCESS_ALLOWED_ACE_TYPE && holdsEnabledAt(id, sid, sidLen))
                granted |= mask & ~denied;
            else if (type == ACCESS_DENIED_ACE_TYPE && holdsAny(id, sid, sidLen))
                denied |= mask & ~granted;
        }
        off += aceSize;
    }
    return maximum ? granted : (granted & want);
}

DWORD grantedAccess(const SecurityView& sd, const Identity& id, DWORD desired, const GENERIC_MAPPING& mapping) {
    SecurityParts p;
    p.control = sd.control;
    p.daclPresent = sd.daclPresent;
    if (!sd.owner.empty()) p.owner = sd.owner.data(), p.ownerBytes = sd.owner.size();
    if (!sd.group.empty()) p.group = sd.group.data(), p.groupBytes = sd.group.size();
    if (!sd.dacl.empty()) p.dacl = sd.dacl.data(), p.daclBytes = sd.dacl.size();
    return grantedAccess(p, id, desired, mapping);
}

}  // namespace winsim::detail
