// The library profile of the common-library test executable.
#include "core/library_identity.h"

namespace vesk {
const LibProfile& libProfile() {
    static const LibProfile p{LibraryId::Test, "vesktest", true};
    return p;
}
}  // namespace vesk
