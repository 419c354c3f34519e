// The host's copy of the common library: it answers the driver's DEVMODE for a printer and shows nothing.
#include "core/library_identity.h"

const vesk::LibraryIdentity vesk::kLibraryIdentity{vesk::LibraryId::Test, "vesk", false};
