// The library profile of the graphics-library test executable: that of
// veskgr (no user interface).
#include "core/library_identity.h"

namespace vesk {
const LibProfile& libProfile() {
    static const LibProfile p{LibraryId::Gr, "veskgr", false};
    return p;
}
}  // namespace vesk
