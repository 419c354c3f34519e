// The library profile of the host's copy of the common library: it answers
// the driver's DEVMODE for a printer and shows nothing.
#include "core/library_identity.h"

namespace vesk {
const LibProfile& libProfile() {
    static const LibProfile p{LibraryId::Test, "vesk", false};
    return p;
}
}  // namespace vesk
