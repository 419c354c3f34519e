// The exclusion library's identity.
#include "core/library_identity.h"

const vesk::LibraryIdentity vesk::kLibraryIdentity{vesk::LibraryId::Exc, "veskexc", false};
