// The graphics library's identity.
#include "core/library_identity.h"

const vesk::LibraryIdentity vesk::kLibraryIdentity{vesk::LibraryId::Gr, "veskgr", false};
