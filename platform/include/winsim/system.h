// Control interface of the stand-in's identity, security and synchronisation
// services, for tests and the host programs.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "winsim.h"

namespace winsim {

// Live allocations made for callers, for leak checks: SIDs of
// AllocateAndInitializeSid not yet passed to FreeSid, and CoTaskMemAlloc
// blocks (SHGetKnownFolderPath strings included) not yet freed.
WINSIM_API size_t liveSids();
WINSIM_API size_t liveCoTaskMemBlocks();

// Every CreateMutexW call of this process that made or opened a mutex, with
// the security descriptor it passed in self-relative form (empty when none),
// so a test can inspect the DACL a caller asked for.
struct WINSIM_API MutexCreation {
    std::u16string name;  // as passed (empty for an unnamed mutex)
    bool initialOwner = false;
    bool inheritHandle = false;
    bool hadSecurityAttributes = false;
    std::vector<uint8_t> securityDescriptor;
};
WINSIM_API std::vector<MutexCreation> mutexCreations();
WINSIM_API void clearMutexCreations();

}  // namespace winsim
