// The user-interface library's identity: it shows messages and loads resource libraries.
#include "core/library_identity.h"

const vesk::LibraryIdentity vesk::kLibraryIdentity{vesk::LibraryId::Ui, "veskui", true};
