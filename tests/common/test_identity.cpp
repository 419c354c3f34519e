// The identity of the common-library test, benchmark and fuzz programs.
#include "core/library_identity.h"

const vesk::LibraryIdentity vesk::kLibraryIdentity{vesk::LibraryId::Test, "vesktest", true};
