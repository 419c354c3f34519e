// Tokens, SIDs, ACLs, security descriptors and access checks.
//
// SIDs and ACLs are byte formats: a SID is revision (1), sub-authority count,
// a 6-byte big-endian identifier authority and 32-bit little-endian
// sub-authorities; an ACL is an 8-byte header followed by its ACEs. The
// records below describe those bytes; the stand-in reads them at offsets.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

typedef BOOL* PBOOL;
typedef void* PSID;
typedef void* PSECURITY_DESCRIPTOR;
typedef DWORD SECURITY_INFORMATION;
typedef SECURITY_INFORMATION* PSECURITY_INFORMATION;
typedef WORD SECURITY_DESCRIPTOR_CONTROL;
typedef SECURITY_DESCRIPTOR_CONTROL* PSECURITY_DESCRIPTOR_CONTROL;

typedef struct _SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
} SID_IDENTIFIER_AUTHORITY, *PSID_IDENTIFIER_AUTHORITY;

typedef struct _SID {
    BYTE Revision;
    BYTE SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY IdentifierAuthority;
    DWORD SubAuthority[1];
} SID;

typedef struct _ACL {
    BYTE AclRevision;
    BYTE Sbz1;
    WORD AclSize;
    WORD AceCount;
    WORD Sbz2;
} ACL, *PACL;

typedef struct _ACE_HEADER {
    BYTE AceType;
    BYTE AceFlags;
    WORD AceSize;
} ACE_HEADER, *PACE_HEADER;

// An access-allowed or access-denied ACE: header, mask, then the SID's bytes
// from SidStart on (the ACE is 8 bytes plus the SID's length).
typedef struct _ACCESS_ALLOWED_ACE {
    ACE_HEADER Header;
    ACCESS_MASK Mask;
    DWORD SidStart;
} ACCESS_ALLOWED_ACE, *PACCESS_ALLOWED_ACE;
typedef ACCESS_ALLOWED_ACE ACCESS_DENIED_ACE;

// Absolute security descriptor (pointers to its parts).
typedef struct _SECURITY_DESCRIPTOR {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    PSID Owner;
    PSID Group;
    PACL Sacl;
    PACL Dacl;
} SECURITY_DESCRIPTOR, *PISECURITY_DESCRIPTOR;

// Self-relative security descriptor (offsets from its start; 0 = absent).
typedef struct _SECURITY_DESCRIPTOR_RELATIVE {
    BYTE Revision;
    BYTE Sbz1;
    SECURITY_DESCRIPTOR_CONTROL Control;
    DWORD Owner;
    DWORD Group;
    DWORD Sacl;
    DWORD Dacl;
} SECURITY_DESCRIPTOR_RELATIVE;

typedef struct _GENERIC_MAPPING {
    ACCESS_MASK GenericRead;
    ACCESS_MASK GenericWrite;
    ACCESS_MASK GenericExecute;
    ACCESS_MASK GenericAll;
} GENERIC_MAPPING, *PGENERIC_MAPPING;

typedef struct _LUID {
    DWORD LowPart;
    LONG HighPart;
} LUID, *PLUID;

typedef struct _LUID_AND_ATTRIBUTES {
    LUID Luid;
    DWORD Attributes;
} LUID_AND_ATTRIBUTES;

typedef struct _PRIVILEGE_SET {
    DWORD PrivilegeCount;
    DWORD Control;
    LUID_AND_ATTRIBUTES Privilege[1];
} PRIVILEGE_SET, *PPRIVILEGE_SET;

typedef struct _SID_AND_ATTRIBUTES {
    PSID Sid;
    DWORD Attributes;
} SID_AND_ATTRIBUTES, *PSID_AND_ATTRIBUTES;

typedef struct _TOKEN_USER {
    SID_AND_ATTRIBUTES User;
} TOKEN_USER, *PTOKEN_USER;

typedef struct _TOKEN_GROUPS {
    DWORD GroupCount;
    SID_AND_ATTRIBUTES Groups[1];
} TOKEN_GROUPS, *PTOKEN_GROUPS;

typedef struct _TOKEN_OWNER {
    PSID Owner;
} TOKEN_OWNER, *PTOKEN_OWNER;

typedef struct _TOKEN_PRIMARY_GROUP {
    PSID PrimaryGroup;
} TOKEN_PRIMARY_GROUP, *PTOKEN_PRIMARY_GROUP;

typedef struct _TOKEN_ELEVATION {
    DWORD TokenIsElevated;
} TOKEN_ELEVATION, *PTOKEN_ELEVATION;

typedef enum _TOKEN_TYPE { TokenPrimary = 1, TokenImpersonation = 2 } TOKEN_TYPE;

typedef enum _SECURITY_IMPERSONATION_LEVEL {
    SecurityAnonymous = 0,
    SecurityIdentification = 1,
    SecurityImpersonation = 2,
    SecurityDelegation = 3
} SECURITY_IMPERSONATION_LEVEL;

typedef enum _TOKEN_INFORMATION_CLASS {
    TokenUser = 1,
    TokenGroups = 2,
    TokenPrivileges = 3,
    TokenOwner = 4,
    TokenPrimaryGroup = 5,
    TokenDefaultDacl = 6,
    TokenSource = 7,
    TokenType = 8,
    TokenImpersonationLevel = 9,
    TokenStatistics = 10,
    TokenElevation = 20
} TOKEN_INFORMATION_CLASS;

#define SECURITY_NULL_SID_AUTHORITY {{0, 0, 0, 0, 0, 0}}
#define SECURITY_WORLD_SID_AUTHORITY {{0, 0, 0, 0, 0, 1}}
#define SECURITY_LOCAL_SID_AUTHORITY {{0, 0, 0, 0, 0, 2}}
#define SECURITY_CREATOR_SID_AUTHORITY {{0, 0, 0, 0, 0, 3}}
#define SECURITY_NT_AUTHORITY {{0, 0, 0, 0, 0, 5}}

#define SECURITY_WORLD_RID 0x00000000L
#define SECURITY_INTERACTIVE_RID 0x00000004L
#define SECURITY_AUTHENTICATED_USER_RID 0x0000000BL
#define SECURITY_LOCAL_SYSTEM_RID 0x00000012L
#define SECURITY_NT_NON_UNIQUE 0x00000015L
#define SECURITY_BUILTIN_DOMAIN_RID 0x00000020L
#define DOMAIN_ALIAS_RID_ADMINS 0x00000220L
#define DOMAIN_ALIAS_RID_USERS 0x00000221L
#define SID_REVISION 1
#define SID_MAX_SUB_AUTHORITIES 15
#define SECURITY_MAX_SID_SIZE 68

#define ACL_REVISION 2
#define ACL_REVISION2 2
#define ACL_REVISION3 3
#define ACL_REVISION4 4
#define ACL_REVISION_DS 4

#define ACCESS_ALLOWED_ACE_TYPE 0x0
#define ACCESS_DENIED_ACE_TYPE 0x1
#define OBJECT_INHERIT_ACE 0x1
#define CONTAINER_INHERIT_ACE 0x2
#define NO_PROPAGATE_INHERIT_ACE 0x4
#define INHERIT_ONLY_ACE 0x8
#define INHERITED_ACE 0x10
#define VALID_INHERIT_FLAGS 0x1F

#define SECURITY_DESCRIPTOR_REVISION 1
#define SECURITY_DESCRIPTOR_REVISION1 1
#define SECURITY_DESCRIPTOR_MIN_LENGTH (sizeof(SECURITY_DESCRIPTOR))
#define SE_OWNER_DEFAULTED 0x0001
#define SE_GROUP_DEFAULTED 0x0002
#define SE_DACL_PRESENT 0x0004
#define SE_DACL_DEFAULTED 0x0008
#define SE_SACL_PRESENT 0x0010
#define SE_SACL_DEFAULTED 0x0020
#define SE_DACL_PROTECTED 0x1000
#define SE_SELF_RELATIVE 0x8000

#define OWNER_SECURITY_INFORMATION 0x00000001L
#define GROUP_SECURITY_INFORMATION 0x00000002L
#define DACL_SECURITY_INFORMATION 0x00000004L
#define SACL_SECURITY_INFORMATION 0x00000008L

#define SE_GROUP_MANDATORY 0x00000001L
#define SE_GROUP_ENABLED_BY_DEFAULT 0x00000002L
#define SE_GROUP_ENABLED 0x00000004L
#define SE_GROUP_OWNER 0x00000008L
#define SE_GROUP_USE_FOR_DENY_ONLY 0x00000010L
#define SE_GROUP_LOGON_ID 0xC0000000L

// Access rights (also used by the file services, hence the guards).

#define TOKEN_ASSIGN_PRIMARY 0x0001
#define TOKEN_DUPLICATE 0x0002
#define TOKEN_IMPERSONATE 0x0004
#define TOKEN_QUERY 0x0008
#define TOKEN_QUERY_SOURCE 0x0010
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define TOKEN_ADJUST_GROUPS 0x0040
#define TOKEN_ADJUST_DEFAULT 0x0080
#define TOKEN_ALL_ACCESS 0x000F01FFL
#define TOKEN_READ 0x00020008L

// Result codes of these services not in types.h.
#ifndef ERROR_ALLOTTED_SPACE_EXCEEDED
#define ERROR_ALLOTTED_SPACE_EXCEEDED 1344L
#endif
#ifndef ERROR_BAD_IMPERSONATION_LEVEL
#define ERROR_BAD_IMPERSONATION_LEVEL 1346L
#endif
#ifndef ERROR_PRIVILEGE_NOT_HELD
#define ERROR_PRIVILEGE_NOT_HELD 1314L
#endif
#ifndef ERROR_INVALID_ACE_CONDITION
#define ERROR_INVALID_ACE_CONDITION 805L
#endif
#ifndef ERROR_REVISION_MISMATCH
#define ERROR_REVISION_MISMATCH 1306L
#endif
#ifndef ERROR_UNKNOWN_REVISION
#define ERROR_UNKNOWN_REVISION 1305L
#endif

// Tokens. The process token is the interactive user's (SYSTEM's while the
// thread acts as the spooler itself); a thread has a token only while it
// impersonates. Tokens are closed with CloseHandle.
WINBASEAPI BOOL WINAPI OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);
// ERROR_NO_TOKEN when the thread does not impersonate.
WINBASEAPI BOOL WINAPI OpenThreadToken(HANDLE thread, DWORD desiredAccess, BOOL openAsSelf, PHANDLE token);
// The calling thread impersonates the process's identity at `level`.
WINBASEAPI BOOL WINAPI ImpersonateSelf(SECURITY_IMPERSONATION_LEVEL level);
// The calling thread impersonates the identity of `token`.
WINBASEAPI BOOL WINAPI ImpersonateLoggedOnUser(HANDLE token);
// Ends the calling thread's impersonation (TRUE also when there was none).
WINBASEAPI BOOL WINAPI RevertToSelf(void);
// Token information; ERROR_INSUFFICIENT_BUFFER with the needed size in
// *returnLength when `length` is too small.
WINBASEAPI BOOL WINAPI GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS infoClass, LPVOID info,
                                           DWORD length, PDWORD returnLength);
// Whether `sid` is an enabled group (or the user) of `token`; a null token
// means the thread's impersonation token, else the process's.
WINBASEAPI BOOL WINAPI CheckTokenMembership(HANDLE token, PSID sid, PBOOL isMember);

// SIDs (AllocateAndInitializeSid's SID is released with FreeSid).
WINBASEAPI BOOL WINAPI AllocateAndInitializeSid(PSID_IDENTIFIER_AUTHORITY authority, BYTE subAuthorityCount,
                                                DWORD s0, DWORD s1, DWORD s2, DWORD s3, DWORD s4, DWORD s5,
                                                DWORD s6, DWORD s7, PSID* sid);
WINBASEAPI PVOID WINAPI FreeSid(PSID sid);
WINBASEAPI DWORD WINAPI GetLengthSid(PSID sid);
WINBASEAPI BOOL WINAPI IsValidSid(PSID sid);
WINBASEAPI BOOL WINAPI EqualSid(PSID a, PSID b);
WINBASEAPI BOOL WINAPI CopySid(DWORD destinationLength, PSID destination, PSID source);
WINBASEAPI DWORD WINAPI GetSidLengthRequired(BYTE subAuthorityCount);

// ACLs.
WINBASEAPI BOOL WINAPI InitializeAcl(PACL acl, DWORD aclLength, DWORD aclRevision);
WINBASEAPI BOOL WINAPI IsValidAcl(PACL acl);
WINBASEAPI BOOL WINAPI AddAccessAllowedAce(PACL acl, DWORD aceRevision, DWORD accessMask, PSID sid);
WINBASEAPI BOOL WINAPI AddAccessAllowedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid);
WINBASEAPI BOOL WINAPI AddAccessDeniedAce(PACL acl, DWORD aceRevision, DWORD accessMask, PSID sid);
WINBASEAPI BOOL WINAPI AddAccessDeniedAceEx(PACL acl, DWORD aceRevision, DWORD aceFlags, DWORD accessMask, PSID sid);
WINBASEAPI BOOL WINAPI GetAce(PACL acl, DWORD index, LPVOID* ace);

// Security descriptors.
WINBASEAPI BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR sd, DWORD revision);
WINBASEAPI BOOL WINAPI IsValidSecurityDescriptor(PSECURITY_DESCRIPTOR sd);
WINBASEAPI DWORD WINAPI GetSecurityDescriptorLength(PSECURITY_DESCRIPTOR sd);
WINBASEAPI BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR sd, BOOL daclPresent, PACL dacl, BOOL daclDefaulted);
WINBASEAPI BOOL WINAPI GetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR sd, LPBOOL daclPresent, PACL* dacl,
                                                 LPBOOL daclDefaulted);
WINBASEAPI BOOL WINAPI SetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID owner, BOOL ownerDefaulted);
WINBASEAPI BOOL WINAPI GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR sd, PSID* owner, LPBOOL ownerDefaulted);
WINBASEAPI BOOL WINAPI SetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR sd, PSID group, BOOL groupDefaulted);
WINBASEAPI BOOL WINAPI GetSecurityDescriptorGroup(PSECURITY_DESCRIPTOR sd, PSID* group, LPBOOL groupDefaulted);

// Generic rights in *mask replaced by the specific rights of `mapping`.
WINBASEAPI void WINAPI MapGenericMask(PDWORD accessMask, PGENERIC_MAPPING mapping);
// Checks `desiredAccess` against the descriptor for an impersonation token.
// Generic rights in ACEs are mapped through `mapping`; desired access must be
// mapped already (ERROR_GENERIC_NOT_MAPPED otherwise). A null DACL grants
// everything; a descriptor without owner or group is invalid. The function's
// result tells whether the check ran; *accessStatus whether access is granted
// (ERROR_ACCESS_DENIED as last error when not).
WINBASEAPI BOOL WINAPI AccessCheck(PSECURITY_DESCRIPTOR sd, HANDLE clientToken, DWORD desiredAccess,
                                   PGENERIC_MAPPING mapping, PPRIVILEGE_SET privilegeSet,
                                   LPDWORD privilegeSetLength, LPDWORD grantedAccess, LPBOOL accessStatus);

// Owner, group and DACL of a file or folder on the machine, kept beside it.
// A new owner must be the caller's user or a group the caller may own by
// (Administrators for an administrator or SYSTEM): else ERROR_INVALID_OWNER.
WINBASEAPI BOOL WINAPI SetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd);
// Self-relative descriptor of the parts asked for; ERROR_INSUFFICIENT_BUFFER
// with *lengthNeeded when `length` is too small.
WINBASEAPI BOOL WINAPI GetFileSecurityW(LPCWSTR fileName, SECURITY_INFORMATION info, PSECURITY_DESCRIPTOR sd,
                                        DWORD length, LPDWORD lengthNeeded);

#ifndef ERROR_CANT_OPEN_ANONYMOUS
#define ERROR_CANT_OPEN_ANONYMOUS 1347L
#endif
#ifndef ERROR_INVALID_PRIMARY_GROUP
#define ERROR_INVALID_PRIMARY_GROUP 1308L
#endif
#ifndef ERROR_GENERIC_NOT_MAPPED
#define ERROR_GENERIC_NOT_MAPPED 1360L
#endif

WIN_END_DECLS
