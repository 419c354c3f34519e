#include "core/library_profile.h"

namespace vesk {
namespace {

// The option-constraint library shows no pages, serves neither the
// job-binding tool, the user-code provider nor job control in its merges,
// and is driven by outside applications, which never take over an
// installer's request; it never shows a message box.
constexpr LibraryProfile kExcProfile{false, false, false, false, false, true};
constexpr LibraryProfile kCommonProfile{true, true, true, true, true, false};

}  // namespace

const LibraryProfile& ProfileOf(LibraryId id) { return id == LibraryId::Exc ? kExcProfile : kCommonProfile; }

const LibraryProfile& CurrentProfile() { return ProfileOf(kLibraryIdentity.id); }

}  // namespace vesk
