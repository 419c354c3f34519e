// Creating the private directory and giving it (and the files directly in
// it) the security every user of the driver needs: hidden, owned by
// BUILTIN\Administrators, full control for Everyone.
#pragma once
#include <win/security.h>
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Flags of ApplyEveryoneDacl / ApplyAdminOwner / SetSecurityRecursive.
constexpr DWORD kSecNoEntries = 1;      // the path itself only
constexpr DWORD kSecSubdirs = 2;        // subdirectories get the descriptor too
constexpr DWORD kSecRecurse = 4;        // and are entered

// Resolves the private directory (registry rule), creates it when missing
// (an existing directory counts), makes it hidden and sets its owner and
// DACL on the directory itself. Returns the creation result.
int CreatePrivateDir(DrvContext* ctx);
// Owner and DACL on the private directory and every file directly in it.
// Returns the DACL step's result. Before Windows 2000 there is nothing to
// secure and the call answers 1.
int SecurePrivateDir(DrvContext* ctx);
// A DACL granting Everyone FILE_ALL_ACCESS (inherited by files and folders)
// on `path` and, unless flag 1, on its entries. 1 when the descriptor could
// be built.
int ApplyEveryoneDacl(const WCHAR* path, DWORD flags);
// The owner BUILTIN\Administrators the same way.
int ApplyAdminOwner(const WCHAR* path, DWORD flags);
// Sets `sd` (the parts of `info`) on every file of `directory`; on
// subdirectories with flag 2, entering them with flag 4. Entries that are
// links (reparse points, files with more than one name) are skipped: their
// security is another file's.
void SetSecurityRecursive(const WCHAR* directory, PSECURITY_DESCRIPTOR sd, DWORD flags, SECURITY_INFORMATION info);

}  // namespace vesk
